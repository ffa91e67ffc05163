// Previews: the whole scene at THIS FRAME, one page's settings, and the
// position overlay shown before each object when PREVIEW DEBUG is on.
#include "render/render.h"

#include <allegro.h> // Required for: clear_bitmap

#include <cstdio>

#include "images/images.h" // Required for: load_backdrop
#include "scene/scene.h"   // Required for: order_frame
#include "sky/sky.h"       // Required for: draw_stars
#include "store/canvas.h"  // Required for: RENDER_PREVIEW, RESULT_ABANDON, apply_parameters
#include "store/prompt.h"  // Required for: tell_user_lines
#include "store/records.h" // Required for: OBJ_BITMAP, OBJ_COMET, OBJ_PLANET
#include "store/store.h"   // Required for: D_COMET_ASPECT, D_COMET_DIAMETER, D_TRAVEL_DISTANCE

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
        const DrawMode mode = debug ? DRAW_PREVIEW_DEBUG : DRAW_PREVIEW;
        if (draw_object(slot, type, flags, pos, mode) == RESULT_ABANDON)
            return RESULT_ABANDON;
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
    draw_object(-1, page, flags, -1, DRAW_PAGE);
    present();
}
