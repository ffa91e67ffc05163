// Previews: the whole scene at THIS FRAME, one page's settings, and the
// position overlay shown before each object when PREVIEW DEBUG is on.
#include "render/render.h"

#include <allegro.h> // Required for: clear_bitmap, textout_ex, font

#include <cstdio>

#include "comets/comets.h"
#include "images/images.h"
#include "planets/planets.h"
#include "scene/scene.h"
#include "shell/shell.h"
#include "sky/sky.h"

// The notice F2 VIEW shows on SKY without stars: position in pixels and the
// colour value, the same the frame status text is drawn in.
constexpr int NOTICE_X = 22, NOTICE_Y = 20, NOTICE_COLOUR = 200;

static void clear_buffers()
{
    if (preview_target)
        clear_bitmap(preview_target);
    if (frame_buffer)
        clear_bitmap(frame_buffer);
}

static void present()
{
    if (present_preview)
        present_preview();
}

void debug_overlay(int type, int position)
{
    double distance = 0.0;
    const char* name = depth_name_at(position, &distance);
    char lines[3][128];
    switch (type) {
    case OBJ_PLANET:
        snprintf(lines[0], sizeof lines[0], "Planet  %s", name);
        break;
    case OBJ_RING:
        snprintf(lines[0], sizeof lines[0], "Ring  %s", name);
        break;
    case OBJ_COMET:
        snprintf(lines[0], sizeof lines[0], "%s %5.1fx%5.1f Scale %5.3f", name,
                 dbl_param[D_COMET_DIAMETER] * dbl_param[D_COMET_ASPECT], dbl_param[D_COMET_DIAMETER],
                 overlay.scale);
        break;
    default:
        snprintf(lines[0], sizeof lines[0], "%s %dx%d Scale %5.3f", str_param[S_BITMAP_FILE],
                 overlay.image_w, overlay.image_h, overlay.scale);
        break;
    }
    int page = (type >= 1 && type <= 5) ? type : 0;
    snprintf(lines[1], sizeof lines[1], "FR %d-%d dist %6.2f, travel %6.2f", page_frames[page].start,
             page_frames[page].end, distance, dbl_param[D_TRAVEL_DISTANCE]);
    snprintf(lines[2], sizeof lines[2], "plot %d x %d at %5.1f, %5.1f", overlay.plot_w, overlay.plot_h,
             overlay.plot_x, overlay.plot_y);
    const char* text[3] = {lines[0], lines[1], lines[2]};
    tell_user_lines(3, text);
}

int preview_all(int flags)
{
    clear_buffers();
    if (str_param[S_BACKDROP][0] && load_backdrop(str_param[S_BACKDROP]) != 0)
        return RESULT_ABANDON;
    int frame = int_param[I_THIS_FRAME];
    order_frame(frame);
    bool debug = flag_param[F_PREVIEW_DEBUG] != 0;
    for (int pos = 0; pos < object_count; pos++) {
        int slot = depth_order[pos];
        if (slot < 0)
            break;
        int type = object_slots[slot].type;
        restore_object(slot);
        apply_parameters();
        if (type < OBJ_SKY || type > OBJ_BITMAP)
            continue;
        if (frame < page_frames[type].start || frame > page_frames[type].end) {
            present();
            continue;
        }
        switch (type) {
        case OBJ_SKY:
            draw_backdrop(flags);
            last_star_count = int_param[I_STARS] != 0 ? draw_stars(flags) : 0;
            break;
        case OBJ_PLANET:
            if (debug) {
                setup_planet(int_param[I_PLANET_NUMBER]);
                debug_overlay(type, pos);
            }
            draw_planet_object(slot, flags);
            break;
        case OBJ_RING:
            if (int_param[I_PLANET_LOCK] != 0)
                break;
            if (debug)
                debug_overlay(type, pos);
            // A free ring is previewed only: PREVIEW never writes frames.
            render_ring(RENDER_PREVIEW, -1);
            break;
        case OBJ_COMET:
            place_comet();
            if (debug)
                debug_overlay(type, pos);
            draw_comet(flags);
            break;
        case OBJ_BITMAP:
            if (load_object_image(str_param[S_BITMAP_FILE]) != 0)
                return RESULT_ABANDON;
            place_bitmap();
            if (debug)
                debug_overlay(type, pos);
            draw_bitmap(flag_param[F_PLOT_BLACK] ? 0 : 1, flags);
            break;
        }
        present();
    }
    return 0;
}

void page_preview(int page)
{
    // What the user just edited on the page is what they see: the render
    // settings follow the store before anything is drawn.
    apply_parameters();
    clear_buffers();
    const int flags = RENDER_PREVIEW;
    // Every object page but SKY shows its object against the stars.
    if (page >= PAGE_PLANET && page <= PAGE_BITMAP && int_param[I_STARS] != 0)
        draw_stars(flags);
    switch (page) {
    case PAGE_SKY:
        draw_backdrop(flags);
        if (int_param[I_STARS] != 0)
            draw_stars(flags);
        else if (preview_target)
            textout_ex(preview_target, font, "(No stars - STARS ENABLE is OFF)", NOTICE_X, NOTICE_Y,
                       NOTICE_COLOUR, -1);
        break;
    case PAGE_PLANET:
        setup_planet(int_param[I_PLANET_NUMBER]);
        render_planet(flags);
        break;
    case PAGE_RING:
        render_ring(flags, -1);
        break;
    case PAGE_COMET:
        place_comet();
        draw_comet(flags);
        break;
    case PAGE_BITMAP:
        if (load_object_image(str_param[S_BITMAP_FILE]) == 0) {
            place_bitmap();
            draw_bitmap(flag_param[F_PLOT_BLACK] ? 0 : 1, flags);
        }
        break;
    default:
        break;
    }
    present();
}
