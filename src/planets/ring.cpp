// Ring renderer: a flat textured annulus seen as an ellipse, free or locked
// around a planet (drawn then in a far and a near half), shadowed by the
// planet and blended over what the frame buffer holds.
#include "planets/planets.h"

#include <algorithm> // Required for: std::min, std::swap
#include <allegro.h> // Required for: BITMAP line table
#include <cmath>     // Required for: sin, cos, tan, atan, hypot, fabs, fmod
#include <cstdint>

#include "planets/render_local.h"  // Required for: TravelPoint, plot_preview_zero, set_ring_pass
#include "platform/angles.h"       // Required for: DEG2RAD, RAD2DEG
#include "store/canvas.h"          // Required for: RENDER_PREVIEW, get_frame_pixel, overlay
#include "store/geometry.h"        // Required for: angle_deg
#include "store/store.h"           // Required for: D_ASPECT, D_PIXELS_PER_DEGREE, D_PLANET_DIAMETER
#include "store/surface.h"         // Required for: fill_colour_map, fill_lower_half, full_map
#include "store/topology_format.h" // Required for: MAP_MAX_WIDTH

// ---------------------------------------------------------------------------
// Constants.

constexpr int COLOUR_RING_CLEAR = 70;  // index of a colour ring's inner, transparent half
constexpr int SAMPLE_SPAN = 24;        // a sample rectangle is at most 25 x 25 texels
constexpr int FACE_ON_SAMPLES = 100;   // texels averaged at most, type 15
constexpr int STRIP_SAMPLES = 120;     // samples averaged at most, type 14 (the first included)
constexpr int MAP_STRIP = 14;          // angle/radius strip
constexpr int MAP_FACE_ON = 15;        // face-on picture of the whole ring

// ---------------------------------------------------------------------------
// File-private state.

static int ring_pass = 0; // 0 before the far half around a planet, 1 between the halves

// ---------------------------------------------------------------------------
// File-private helpers.

// A byte of the surface map; rows outside the bitmap read as index 0.
static inline int ring_texel(int64_t row, int64_t column)
{
    if (row < 0 || row >= surface_map->h || column < 0 || column >= MAP_MAX_WIDTH)
        return 0;
    return surface_map->line[row][column];
}

// Modulo into 0 .. m - 1.
static inline int64_t wrap(int64_t v, int64_t m)
{
    v %= m;
    return v < 0 ? v + m : v;
}

// Puts a pair in order and keeps the larger within SAMPLE_SPAN of the smaller.
static inline void order_span(int64_t* lo, int64_t* hi)
{
    if (*lo > *hi)
        std::swap(*lo, *hi);
    if (*hi > *lo + SAMPLE_SPAN)
        *hi = *lo + SAMPLE_SPAN;
}

// Ring rotation in degrees: ROTATION INIT less ROTATION INC per frame, brought
// into [0, 360] by whole turns. Each added or taken turn is exact in doubles,
// so fmod gives the very value the turn-by-turn loop would, without looping
// over a huge setting.
static double ring_rotation()
{
    double rot = dbl_param[D_RING_ROTATION_INIT] - dbl_param[D_RING_ROTATION_INC] * rs.i[I_THIS_FRAME];
    if (rot < 0) {
        rot = fmod(rot, 360.0);
        if (rot < 0)
            rot += 360;
    }
    if (rot > 360) {
        rot = fmod(rot, 360.0);
        if (rot == 0)
            rot = 360;
    }
    return rot;
}

// Loads the ring's picture into the surface map; returns its map type.
static int load_ring_picture()
{
    const int number = int_param[I_RING_NUMBER];
    if (number >= topology.rings_on_file) {
        // A colour ring: the colour over the outer half of the radius, black
        // (fully transparent) over the inner half.
        fill_colour_map(number - topology.rings_on_file);
        fill_lower_half(COLOUR_RING_CLEAR);
        map_palette[COLOUR_RING_CLEAR][0] = 0;
        map_palette[COLOUR_RING_CLEAR][1] = 0;
        map_palette[COLOUR_RING_CLEAR][2] = 0;
        return MAP_STRIP;
    }
    const int k = number < 0 ? 0 : number;
    int type = load_map_record(topology.ring_records[k]);
    return type == 4 ? MAP_STRIP : type;
}

// ---------------------------------------------------------------------------
// Public functions.

void reset_ring_pass() { ring_pass = 0; }

void set_ring_pass(int pass) { ring_pass = pass; }

int render_ring(int mode, int lock)
{
    const int W = rs.i[I_WIDTH], H = rs.i[I_HEIGHT];
    const double aspect = rs.d[D_ASPECT];
    const double ppd = rs.d[D_PIXELS_PER_DEGREE];
    const int type = load_ring_picture();

    int cx, cy;
    double Wr, Hr, Rs;
    int32_t rows;
    int mask;
    if (lock < 0) {
        // A free ring at its own place, travelling as a planet does.
        cx = int_param[I_RING_X];
        cy = int_param[I_RING_Y];
        const double td = dbl_param[D_TRAVEL_DISTANCE];
        if (td == 0) {
            Wr = int_param[I_RING_WIDTH];
            Hr = int_param[I_RING_HEIGHT];
            rows = int_param[I_RING_HEIGHT];
        } else {
            const double ref = dbl_param[D_REF_DISTANCE];
            const double ta = dbl_param[D_TRAVEL_ANGLE];
            const int f = rs.i[I_THIS_FRAME] - page_frames[PAGE_RING].start;
            TravelPoint p = travel_point(cx, cy, ref, td, ta, f, -0.1);
            const double d = p.d;
            double x = W / 2.0 - ppd * (p.a - 90);
            double y = H / 2.0 - ppd * (atan(p.Z / d) / DEG2RAD);
            cx = trunc_int(x);
            cy = trunc_int(y);
            double s = ref / d;
            Wr = s * int_param[I_RING_WIDTH];
            Hr = s * int_param[I_RING_HEIGHT];
            rows = trunc_int(Hr);
            planet_state.scale = s;
            overlay.scale = s;
        }
        if (rows < 2)
            rows = 2;
        planet_state.equatorial_diameter = Wr;
        rs.d[D_POLAR_ANGLE] = 90;
        mask = 3;
        Rs = 0.1;
    } else {
        // Locked: the planet's centre, tilt and polar angle; the width a
        // percentage of its equatorial diameter.
        cx = rs.i[I_PLANET_X];
        cy = rs.i[I_PLANET_Y];
        const double eq = planet_state.equatorial_diameter;
        Wr = eq * int_param[I_RING_WIDTH] / 100;
        if (planet_state.full_map)
            Hr = sin(planet_state.planet_latitude) * Wr;
        else
            Hr = eq * int_param[I_RING_HEIGHT] / 100;
        const double D = rs.d[D_PLANET_DIAMETER];
        const double tilt = rs.d[D_POLAR_ANGLE] - 90;
        if (fabs(tilt) < 0.1)
            Rs = D * 100;
        else
            Rs = fabs((D / 2) / sin(tilt * DEG2RAD));
        if (Hr == 0)
            Hr = 2.0;
        bool from_below = false; // the planet is tilted away: the halves swap roles
        if (Hr < 0) {
            Hr = -Hr;
            from_below = true;
        }
        rows = trunc_int(Hr);
        if (rows < 2)
            rows = 2;
        if (ring_pass == 0) {
            mask = from_below ? 2 : 1;
            ring_pass = 1;
        } else {
            mask = from_below ? 1 : 2;
            ring_pass = 0;
        }
    }

    // Plot box, turned with the planet's polar angle.
    const double Pn = 90 - rs.d[D_POLAR_ANGLE];
    int32_t columns;
    if (Pn == 0) {
        columns = trunc_int(Wr * aspect);
    } else {
        turned_box(Wr / 2, Hr / 2, Pn, aspect, &columns, &rows);
    }
    planet_state.rows = rows;
    planet_state.columns = columns;
    overlay.plot_w = columns;
    overlay.plot_h = rows;

    const double rot = ring_rotation();
    const double Ar = Wr / 2;
    const double E = Wr / Hr;
    const double Kx = map_width_d / 360;
    const double Ky = map_height_d / Ar;
    const int64_t x0 = (int64_t)cx - columns / 2;
    const int64_t y0 = (int64_t)cy - rows / 2;

    // A free ring of no height has no face to show; map types other than
    // the strip and the face-on picture give no colour and stay transparent.
    if (replay_only || (lock < 0 && Hr == 0) || (type != MAP_STRIP && type != MAP_FACE_ON) ||
        map_width <= 0 || map_height <= 0 || !surface_map)
        return 0;

    const int64_t mw = map_width, mh = map_height;
    const double mwd = map_width_d, mhd = map_height_d;
    const bool subpixel = flag_param[F_SUBPIXELLATION] != 0;
    const bool shadow_on = flag_param[F_PLANET_SHADOW] != 0;
    const double terminator_deg = planet_state.terminator_angle * RAD2DEG;
    const bool from_south = planet_state.planet_latitude < 0;
    const double half_eq = planet_state.equatorial_diameter / 2;
    const double limit = dbl_param[D_RING_LIGHTING];
    const bool preview_rgb = flag_param[F_PREVIEW_RGB] != 0;
    const bool to_preview = (mode & RENDER_PREVIEW) != 0;

    // Turned rings: a quick look with a plain rotation skips the pixels that
    // lie surely outside the ellipse or in the other half. The margin is far
    // wider than anything the turn through angle_deg can differ by (1e-5 of
    // a pixel where a zero x is replaced), so every pixel the exact test
    // would draw is still drawn, from the exact values.
    const double cull_cos = cos(Pn * DEG2RAD), cull_sin = sin(Pn * DEG2RAD);
    const double cull_scale = 1 + fabs(E);

    const int64_t i0 = y0 < 0 ? -y0 : 0, i1 = std::min<int64_t>(rows, H - y0);
    const int64_t j0 = x0 < 0 ? -x0 : 0, j1 = std::min<int64_t>(columns, W - x0);
    for (int64_t i = i0; i < i1; i++) {
        const int y = (int)(y0 + i);
        const double vy = (double)(rows / 2 - i); // screen up is positive
        const double vy2 = vy - 0.95;             // the corner sample
        if (Pn == 0 && !(mask & (vy < 0 ? 2 : 1)))
            continue; // unturned, the whole row lies in the other half
        for (int64_t j = j0; j < j1; j++) {
            const int x = (int)(x0 + j);
            const double vx = (double)(j - columns / 2) / aspect;
            const double vx2 = vx + 0.95;

            // Into the ring plane: turn back by the polar angle.
            double u, w;
            if (Pn == 0) {
                u = vx;
                w = vy;
            } else {
                const double qu = vx * cull_cos + vy * cull_sin;
                const double qw = vy * cull_cos - vx * cull_sin;
                const double margin = 1e-3 + 1e-9 * (fabs(vx) + fabs(vy));
                const double reach = Ar + margin * cull_scale;
                if (qu * qu + (qw * E) * (qw * E) > reach * reach)
                    continue;
                if ((mask == 1 && qw < -margin) || (mask == 2 && qw > margin))
                    continue;
                double r = hypot(vx, vy);
                double a = angle_deg(vx, vy) - Pn;
                u = cos(a * DEG2RAD) * r;
                w = sin(a * DEG2RAD) * r;
            }
            const double wE = w * E;
            const double rho = hypot(u, wE); // radius in the ring plane
            if (!(rho < Ar))
                continue;
            if (!(mask & (w < 0 ? 2 : 1)))
                continue;
            const double beta = angle_deg(u, wE); // angle in the ring plane

            // The corner sample, turned the same way; only the colour uses it.
            double u2 = 0, w2 = 0;
            if (subpixel) {
                if (Pn == 0) {
                    u2 = vx2;
                    w2 = vy2 * E;
                } else {
                    double r2 = hypot(vx2, vy2);
                    double a2 = angle_deg(vx2, vy2) - Pn;
                    u2 = cos(a2 * DEG2RAD) * r2;
                    w2 = sin(a2 * DEG2RAD) * r2 * E;
                }
            }

            // The planet's shadow falls on the part of the ring behind it.
            bool shadowed = false;
            if (shadow_on) {
                double sigma = 225 - (terminator_deg + beta);
                if (from_south)
                    sigma = 360 - sigma;
                if (sigma < 0)
                    sigma += 360;
                if (sigma > 360)
                    sigma -= 360;
                if (fabs(sigma - 45) < 45 && rho < Rs) {
                    double t = (sigma - 40) * DEG2RAD;
                    double us = cos(t) * rho;
                    double ws = sin(t) * rho * Rs / half_eq;
                    shadowed = hypot(us, ws) < Rs;
                }
            }
            const double beta1 = rot + beta;

            int R, G, B;
            if (type == MAP_FACE_ON) {
                double up = cos(beta1 * DEG2RAD) * rho;
                double wp = sin(beta1 * DEG2RAD) * rho;
                int64_t r1 = trunc_int((Ar - wp) * mhd / Wr);
                int64_t c1 = trunc_int((Ar + up) * mwd / Wr);
                int64_t r2 = r1, c2 = c1;
                if (subpixel) {
                    double rho2 = hypot(u2, w2);
                    double beta2 = angle_deg(u2, w2) + rot;
                    double up2 = cos(beta2 * DEG2RAD) * rho2;
                    double wp2 = sin(beta2 * DEG2RAD) * rho2;
                    r2 = trunc_int((Ar - wp2) * mhd / Wr);
                    c2 = trunc_int((Ar + up2) * mwd / Wr);
                }
                order_span(&r1, &r2);
                order_span(&c1, &c2);
                int sum[3] = {0, 0, 0}, count = 0;
                for (int64_t tr = r1; tr <= r2 && count < FACE_ON_SAMPLES; tr++) {
                    int64_t row = tr >= mh ? tr - mh : tr;
                    if (row < 0)
                        row = 0;
                    for (int64_t tc = c1; tc <= c2 && count < FACE_ON_SAMPLES; tc++) {
                        const uint8_t* p = map_palette[ring_texel(row, wrap(tc, mw))];
                        sum[0] += p[0];
                        sum[1] += p[1];
                        sum[2] += p[2];
                        count++;
                    }
                }
                R = sum[0] / count;
                G = sum[1] / count;
                B = sum[2] / count;
            } else {
                int64_t c1 = wrap(trunc_int(Kx * beta1), mw);
                int64_t r1 = trunc_int(mhd - rho * Ky);
                if (r1 < 0)
                    r1 = 0;
                const uint8_t* first = map_palette[ring_texel(r1 % mh, c1)];
                R = first[0];
                G = first[1];
                B = first[2];
                if (subpixel) {
                    double rho2 = hypot(u2, w2);
                    if (rho2 < Ar) {
                        int64_t c2 = wrap(trunc_int((angle_deg(u2, w2) + rot) * Kx), mw);
                        int64_t r2 = trunc_int(mhd - rho2 * Ky);
                        order_span(&c1, &c2);
                        order_span(&r1, &r2);
                        int count = 1;
                        for (int64_t tr = r1; tr <= r2 && count < STRIP_SAMPLES; tr++) {
                            int64_t row = tr >= mh ? tr - mh : tr;
                            for (int64_t tc = c1; tc <= c2 && count < STRIP_SAMPLES; tc++) {
                                const uint8_t* p = map_palette[ring_texel(row, wrap(tc, mw))];
                                R += p[0];
                                G += p[1];
                                B += p[2];
                                count++;
                            }
                        }
                        R /= count;
                        G /= count;
                        B /= count;
                    } else {
                        R = G = B = 0; // the corner falls outside the ring: transparent
                    }
                }
            }

            // Blend: black texels let all the background through, bright
            // ones cover it in proportion to LIGHTING LIMIT.
            R &= 255;
            G &= 255;
            B &= 255;
            int m = std::max(R, std::max(G, B));
            double k = 1 - limit * m / 256;
            if (k < 0)
                k = 0;
            if (k > 1)
                k = 1;
            int Rp = trunc_int((1 - k) * R);
            int Gp = trunc_int((1 - k) * G);
            int Bp = trunc_int((1 - k) * B);
            if (shadowed) {
                Rp = std::min(Rp, 10);
                Gp = std::min(Gp, 10);
                Bp = std::min(Bp, 10);
            }
            int Fr, Fg, Fb;
            get_frame_pixel(x, y, &Fr, &Fg, &Fb);
            Rp = std::min(Rp + trunc_int(k * Fr), 255);
            Gp = std::min(Gp + trunc_int(k * Fg), 255);
            Bp = std::min(Bp + trunc_int(k * Fb), 255);
            put_frame_pixel(x, y, Rp, Gp, Bp);
            if (to_preview) {
                if (preview_rgb && (Rp + Gp + Bp) / 3 == 0)
                    plot_preview_zero(x, y);
                else
                    preview_plot(x, y, Rp, Gp, Bp);
            }
        }
    }
    return 0;
}
