// One object drawn by its type: the table the frame driver, PREVIEW and
// F2 VIEW share, so the three draw through the same calls.
#include "render/render.h"

#include <allegro.h> // Required for: textout_ex, font

#include "comets/comets.h"   // Required for: draw_comet, place_comet
#include "images/images.h"   // Required for: draw_bitmap, load_object_image, place_bitmap
#include "planets/planets.h" // Required for: draw_planet_object, render_planet, render_ring
#include "sky/sky.h"         // Required for: draw_backdrop, draw_stars
#include "store/canvas.h"    // Required for: RENDER_PREVIEW, RESULT_ABANDON, last_star_count
#include "store/records.h"   // Required for: OBJ_BITMAP, OBJ_COMET, OBJ_PLANET
#include "store/store.h"     // Required for: F_PLOT_BLACK, I_PLANET_LOCK, I_PLANET_NUMBER

// The notice F2 VIEW shows on SKY without stars: position in pixels and the
// colour value, the same the frame status text is drawn in.
constexpr int NOTICE_X = 22, NOTICE_Y = 20, NOTICE_COLOUR = 200;

namespace {

struct DrawCall {
    int slot;     // the object's slot in the list; -1 for F2 VIEW
    int position; // its depth position, named by the overlay box
    int flags;    // render mode
    DrawMode mode;
};

// PREVIEW DEBUG stops before the object is drawn, once its placement is known.
void overlay_box(const DrawCall& c, int type)
{
    if (c.mode == DRAW_PREVIEW_DEBUG)
        debug_overlay(type, c.position);
}

int draw_sky(const DrawCall& c)
{
    draw_backdrop(c.flags);
    last_star_count = rs.i[I_STARS] != 0 ? draw_stars(c.flags) : 0;
    if (c.mode == DRAW_PAGE && rs.i[I_STARS] == 0 && preview_target)
        textout_ex(preview_target, font, "(No stars - STARS ENABLE is OFF)", NOTICE_X, NOTICE_Y,
                   NOTICE_COLOUR, -1);
    return 0;
}

int draw_planet(const DrawCall& c)
{
    // F2 VIEW shows the page's planet alone: its locked rings belong to the list.
    if (c.mode == DRAW_PAGE) {
        setup_planet(int_param[I_PLANET_NUMBER]);
        render_planet(c.flags);
        return 0;
    }
    if (c.mode == DRAW_PREVIEW_DEBUG) {
        setup_planet(int_param[I_PLANET_NUMBER]);
        overlay_box(c, OBJ_PLANET);
    }
    draw_planet_object(c.slot, c.flags);
    return 0;
}

int draw_ring(const DrawCall& c)
{
    // A locked ring in the list is drawn with its planet, never on its own.
    if (c.mode != DRAW_PAGE && int_param[I_PLANET_LOCK] != 0)
        return 0;
    overlay_box(c, OBJ_RING);
    // A free ring in a preview is plotted only: previews never write frames.
    render_ring(c.mode == DRAW_FRAME ? c.flags : RENDER_PREVIEW, -1);
    return 0;
}

int draw_comet_object(const DrawCall& c)
{
    place_comet();
    overlay_box(c, OBJ_COMET);
    draw_comet(c.flags);
    return 0;
}

int draw_bitmap_object(const DrawCall& c)
{
    // A missing image abandons a frame or PREVIEW; F2 VIEW just shows nothing.
    if (load_object_image(str_param[S_BITMAP_FILE]) != 0)
        return c.mode == DRAW_PAGE ? 0 : RESULT_ABANDON;
    place_bitmap();
    overlay_box(c, OBJ_BITMAP);
    draw_bitmap(flag_param[F_PLOT_BLACK] ? 0 : 1, c.flags);
    return 0;
}

// Indexed by object type (SKY 1 .. BITMAP 5), which is also the page number.
int (*const draw_by_type[])(const DrawCall&) = {
    nullptr, draw_sky, draw_planet, draw_ring, draw_comet_object, draw_bitmap_object,
};
constexpr int TYPE_COUNT = sizeof draw_by_type / sizeof draw_by_type[0];
static_assert(OBJ_SKY == 1 && OBJ_BITMAP == TYPE_COUNT - 1, "the table follows the type codes");
static_assert(int(PAGE_SKY) == int(OBJ_SKY) && int(PAGE_BITMAP) == int(OBJ_BITMAP), "a page number is its type");

} // namespace

int draw_object(int slot, int type, int flags, int position, DrawMode mode)
{
    if (type < OBJ_SKY || type >= TYPE_COUNT)
        return 0;
    return draw_by_type[type](DrawCall{slot, position, flags, mode});
}
