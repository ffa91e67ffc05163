// Backdrop gradient of the sky object: LINEAR (vertical, dithered) or POLAR
// (radial from a centre point) between COLOUR ONE and COLOUR TWO.
#include "sky/sky.h"

#include <cmath> // Required for: hypot

#include "sky/sky_local.h" // Required for: sky_rectangle
#include "store/canvas.h"  // Required for: RENDER_PREVIEW, frame_height, frame_width
#include "store/store.h"   // Required for: I_COLOUR_ONE, I_COLOUR_TWO, I_END_X
#include "store/surface.h" // Required for: colour_table

enum FadeType : int { FADE_NONE = 0, FADE_LINEAR = 1, FADE_POLAR = 2 };

// Ordered dither of the LINEAR fade, by (row mod 4, column mod 8): 1 takes
// the band just computed, 0 the band before it. Rows 0..3 show 0, 2, 4 and 4
// of every 8 pixels in the new band.
static const uint8_t dither[4][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 1, 0, 0, 0, 1, 0, 0},
    {1, 0, 1, 0, 1, 0, 1, 0},
    {0, 1, 0, 1, 0, 1, 0, 1},
};

// Colour table entry, with an index outside the table read as its nearest end.
static const uint8_t* table_colour(int index)
{
    if (index < 0)
        index = 0;
    if (index > 255)
        index = 255;
    return colour_table[index];
}

// Truncates a channel of the POLAR fade and limits it to 0..255 (t is not
// limited, so the value may run far beyond either end).
static inline int limit_channel(double v)
{
    if (v >= 255.0)
        return 255;
    if (v <= 0.0)
        return 0;
    return (int)v;
}

static void linear_fade(int mode, int W, int H, int x0, int x1, int y0, int y1, const int F[3],
                        const double d[3])
{
    const bool preview = (mode & RENDER_PREVIEW) != 0;
    const double span = (double)((int64_t)y1 - y0 + 1);
    // Columns actually inside the frame; the others are skipped anyway.
    const int cx0 = x0 < 0 ? 0 : x0;
    const int cx1 = x1 >= W ? W - 1 : x1;
    int P[3] = {F[0], F[1], F[2]};
    int N[3] = {F[0], F[1], F[2]};
    // Rows far above the frame only move the bands along; the bands of the
    // first visible row depend on the last two band rows before it, so the
    // walk may start at row -8 (a band row) without changing any pixel.
    int y = y0;
    if (y0 < -8) {
        y = -8;
    }
    for (; y <= y1; y++) {
        if (y % 4 == 0 || y == y0) {
            double t = (double)((int64_t)y - y0 + 1) / span;
            for (int c = 0; c < 3; c++) {
                P[c] = N[c];
                N[c] = (int)(F[c] + d[c] * t);
            }
        }
        if (y < 0 || y >= H || replay_only)
            continue;
        const uint8_t* pattern = dither[y % 4];
        for (int x = cx0; x <= cx1; x++) {
            const int* colour = pattern[x % 8] ? N : P;
            put_frame_pixel(x, y, colour[0], colour[1], colour[2]);
            if (preview)
                preview_plot(x, y, colour[0], colour[1], colour[2]);
        }
    }
}

// A POLAR fade whose radius point is its centre: the limit of a shrinking
// radius, COLOUR ONE at the centre and every other pixel pushed to 0 or 255
// in the channels where the colours differ.
static void polar_point(int mode, int W, int H, int x0, int y0, const int F[3], const double d[3])
{
    int far[3];
    for (int c = 0; c < 3; c++)
        far[c] = d[c] > 0 ? 255 : d[c] < 0 ? 0 : F[c];
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            const int* colour = (x == x0 && y == y0) ? F : far;
            put_frame_pixel(x, y, colour[0], colour[1], colour[2]);
            if (mode & RENDER_PREVIEW)
                preview_plot(x, y, colour[0], colour[1], colour[2]);
        }
    }
}

static void polar_fade(int mode, int W, int H, int x0, int x1, int y0, int y1, const int F[3],
                       const double d[3])
{
    const bool preview = (mode & RENDER_PREVIEW) != 0;
    const double R = hypot((double)x1 - x0, (double)y1 - y0);
    if (R == 0.0) {
        polar_point(mode, W, H, x0, y0, F, d);
        return;
    }
    const double fx0 = x0;
    for (int y = 0; y < H; y++) {
        const double dy = (double)y0 - y;
        for (int x = 0; x < W; x++) {
            double t = hypot(fx0 - x, dy) / R;
            int r = limit_channel(F[0] + d[0] * t);
            int g = limit_channel(F[1] + d[1] * t);
            int b = limit_channel(F[2] + d[2] * t);
            put_frame_pixel(x, y, r, g, b);
            if (preview)
                preview_plot(x, y, r, g, b);
        }
    }
}

SkySettings sky_settings()
{
    SkySettings s;
    s.width = rs.i[I_WIDTH];
    s.height = rs.i[I_HEIGHT];
    s.start_x = int_param[I_START_X];
    s.start_y = int_param[I_START_Y];
    s.end_x = int_param[I_END_X];
    s.end_y = int_param[I_END_Y];
    s.fade = rs.i[I_FADE_TYPE];
    s.colour_one = rs.i[I_COLOUR_ONE];
    s.colour_two = rs.i[I_COLOUR_TWO];
    s.stars = rs.i[I_STARS];
    s.precise = rs.star_calc != 0;
    s.ppd = rs.d[D_PIXELS_PER_DEGREE];
    s.aspect = rs.d[D_ASPECT];
    s.frame = rs.i[I_THIS_FRAME];
    s.start_frame = page_frames[PAGE_SKY].start;
    s.star_long = rs.d[D_STAR_LONG];
    s.star_lat = rs.d[D_STAR_LAT];
    s.star_long_inc = rs.d[D_STAR_LONG_INC];
    s.star_lat_inc = rs.d[D_STAR_LAT_INC];
    s.twinkle = rs.d[D_TWINKLE];
    s.brightness = rs.d[D_BRIGHTNESS];
    s.preview_rgb = flag_param[F_PREVIEW_RGB] != 0;
    return s;
}

void draw_backdrop(int mode)
{
    const SkySettings s = sky_settings();
    const int fade = s.fade;
    int x0 = s.start_x, x1 = s.end_x;
    int y0 = s.start_y, y1 = s.end_y;
    if (fade == FADE_NONE || replay_only)
        return;
    if (fade == FADE_LINEAR && (y0 == y1 || x0 == x1))
        return;
    const int W = s.width;
    const int H = s.height;
    sky_rectangle(&x0, &y0, &x1, &y1, fade == FADE_LINEAR, W, H);

    const uint8_t* first = table_colour(s.colour_one);
    const uint8_t* second = table_colour(s.colour_two);
    int F[3];
    double d[3];
    for (int c = 0; c < 3; c++) {
        F[c] = first[c];
        d[c] = (double)second[c] - (double)first[c];
    }
    if (fade == FADE_LINEAR)
        linear_fade(mode, W, H, x0, x1, y0, y1, F, d);
    else
        polar_fade(mode, W, H, x0, x1, y0, y1, F, d);
}
