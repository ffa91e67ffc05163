// Comet renderer: a soft elliptical glow (coma, halo, torus or tail) blended
// over what the frame buffer already holds.
#include <cmath>   // Required for: hypot, cos, sin
#include <cstdint> // Required for: int32_t, int64_t

#include "comets/comets.h"   // Required for: CometPlacement, comet_place, draw_comet
#include "platform/angles.h" // Required for: DEG2RAD
#include "store/canvas.h"    // Required for: RENDER_PREVIEW, get_frame_pixel, put_frame_pixel
#include "store/geometry.h"  // Required for: angle_deg
#include "store/surface.h"   // Required for: colour_table

// ---------------------------------------------------------------------------
// Constants

// The torus curve uses this rounded value, not PI: its opacity never quite
// reaches 1 at the middle of the ring.
static constexpr double TORUS_PI = 3.14;

enum CometType : int { COMET_COMA = 0, COMET_TAIL_RHS = 1, COMET_TAIL_LHS = 2, COMET_HALO = 3, COMET_TORUS = 4 };
enum CometFade : int { FADE_NONE = 0, FADE_IN = 1, FADE_OUT = 2 };
// How the normalised radius is measured.
enum CometShape : int { SHAPE_ELLIPSE, SHAPE_TAIL_RHS, SHAPE_TAIL_LHS };

// ---------------------------------------------------------------------------
// File-private helpers

// Conversion toward zero. A value that int cannot hold (or NaN) gives
// INT32_MIN, as the processor's own conversion does, instead of undefined
// behaviour: sizes that large then draw nothing.
static int32_t trunc_i(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return (int32_t)v;
}

// A base channel is a byte: an ILLUMINATION above 1 saturates it at 255
// instead of wrapping to a dark value, and a negative one (a fade looked at
// outside the comet's frame range) gives 0.
static int base_channel(double v)
{
    if (!(v > -1))
        return 0;
    if (v >= 255)
        return 255;
    return (int)v;
}

// Brightness factor of this frame: ILLUMINATION, faded over the frame range.
static double comet_illumination(const CometSettings& s)
{
    const int start = s.start_frame;
    const int end = s.end_frame;
    const int frame = s.frame;
    int span = end - start;
    if (span <= 0)
        span = 1;
    double i = s.illumination;
    if (s.fade == FADE_IN)
        i = i * ((double)(frame - start) / span);
    else if (s.fade == FADE_OUT)
        i = i * ((double)(end - frame) / span);
    return i;
}

// ---------------------------------------------------------------------------
// Public functions

void draw_comet(int mode)
{
    const CometSettings s = comet_settings();
    const CometPlacement& p = comet_place;
    const double screen_aspect = s.screen_aspect;
    const double comet_aspect = s.aspect;
    const double tail_angle = s.tail_angle;
    const int type = s.type;

    // Nothing that has no size, or that has travelled to or behind the viewer,
    // is drawn (a REF DISTANCE of 0 gives a travelling comet no size).
    if (replay_only || !(p.dv > 0) || !(p.dh > 0) || p.behind || !(screen_aspect > 0))
        return;

    const double a = p.dh / 2; // horizontal semi-axis
    const double b = p.dv / 2; // vertical semi-axis
    const double k = p.dh / p.dv;
    const double illum = comet_illumination(s);
    double mid[3], edge[3];
    for (int c = 0; c < 3; c++) {
        mid[c] = colour_table[s.mid_colour & 255][c];
        edge[c] = colour_table[s.edge_colour & 255][c];
    }

    CometShape shape = SHAPE_ELLIPSE;
    if (comet_aspect >= 1 && type == COMET_TAIL_RHS)
        shape = SHAPE_TAIL_RHS;
    else if (comet_aspect >= 1 && type == COMET_TAIL_LHS)
        shape = SHAPE_TAIL_LHS;
    const double head = shape == SHAPE_TAIL_RHS ? b - a : a - b; // head centre on the U axis
    const double tail = 2 * a - b;                               // horizontal reach of the tail half

    // Drawing box: the comet's extent on screen, turned by TAIL ANGLE.
    int32_t bw, bh;
    if (tail_angle == 0) {
        bw = trunc_i(p.dh * screen_aspect);
        bh = trunc_i(p.dv);
    } else {
        int32_t min_x = 0, max_x = 0, min_y = 0, max_y = 0;
        const double corners[4][2] = {{-a, b}, {a, b}, {-a, -b}, {a, -b}};
        for (const auto& c : corners) {
            const double r = hypot(c[0], c[1]);
            const double theta = angle_deg(c[0], c[1]) + tail_angle;
            const int32_t ox = trunc_i(r * cos(theta * DEG2RAD) * screen_aspect);
            const int32_t oy = trunc_i(r * sin(theta * DEG2RAD));
            min_x = ox < min_x ? ox : min_x;
            max_x = ox > max_x ? ox : max_x;
            min_y = oy < min_y ? oy : min_y;
            max_y = oy > max_y ? oy : max_y;
        }
        // Spans wrap as int arithmetic does: an absurd size gives a negative box.
        bw = (int32_t)(uint32_t)((int64_t)max_x - min_x);
        bh = (int32_t)(uint32_t)((int64_t)max_y - min_y);
    }

    // Only the part of the box inside the frame is visited; pixels outside it
    // would be skipped one by one anyway.
    const int w = s.width;
    const int h = s.height;
    const int64_t left = (int64_t)p.xc - bw / 2;
    const int64_t top = (int64_t)p.yc - bh / 2;
    const int64_t dx0 = left < 0 ? -left : 0;
    const int64_t dx1 = left + bw > w - 1 ? w - 1 - left : bw;
    const int64_t dy0 = top < 0 ? -top : 0;
    const int64_t dy1 = top + bh > h - 1 ? h - 1 - top : bh;

    for (int64_t dy = dy0; dy <= dy1; dy++) {
        const int y = (int)(top + dy);
        const double row_v = (double)(bh / 2 - dy); // shape co-ordinates run upwards
        for (int64_t dx = dx0; dx <= dx1; dx++) {
            const int x = (int)(left + dx);
            double u = (double)(dx - bw / 2) / screen_aspect;
            double v = row_v;
            if (tail_angle != 0) {
                const double r = hypot(u, v);
                const double theta = angle_deg(u, v) - tail_angle;
                u = r * cos(theta * DEG2RAD);
                v = r * sin(theta * DEG2RAD);
            }

            // Normalised radius: 0 at the centre (of the head), 1 on the rim.
            double q;
            if (shape == SHAPE_ELLIPSE)
                q = hypot(k * v, u) / a;
            else if (shape == SHAPE_TAIL_RHS ? u <= head : u >= head)
                q = hypot(u - head, v) / b;
            else
                q = hypot(u - head, v * tail / b) / tail;
            if (q > 1)
                continue;

            int base[3];
            for (int c = 0; c < 3; c++)
                base[c] = base_channel((mid[c] + (edge[c] - mid[c]) * q) * illum);

            // T is the share of what lies beneath that shows through.
            const double m = 1 - (1 - q) * illum;
            double t;
            if (type == COMET_COMA) {
                t = 1 - (1 - m) * (1 - m);
            } else if (type == COMET_TORUS) {
                const double s = sin(TORUS_PI * m);
                t = 1 - s * s;
            } else {
                t = m;
            }
            t = t < 0 ? 0 : t > 1 ? 1 : t;

            int under[3];
            get_frame_pixel(x, y, &under[0], &under[1], &under[2]);
            int out[3];
            for (int c = 0; c < 3; c++) {
                const int32_t v2 = trunc_i((1 - t) * base[c]) + trunc_i(t * under[c]);
                out[c] = v2 > 255 ? 255 : v2;
            }
            put_frame_pixel(x, y, out[0], out[1], out[2]);
            if (mode & RENDER_PREVIEW)
                preview_plot(x, y, out[0], out[1], out[2]);
        }
    }
}
