// Ring renderer: a flat textured annulus seen as an ellipse, free or locked
// around a planet (drawn then in a far and a near half), shadowed by the
// planet and blended over what the frame buffer holds.
#include "planets/planets.h"

#include <algorithm> // Required for: std::min, std::swap
#include <allegro.h> // Required for: BITMAP line table
#include <cmath>     // Required for: sin, cos, tan, atan, hypot, fabs, fmod
#include <cstdint>
#include <cstring>   // Required for: memcpy, memset
#include <vector>

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

RingState ring_state;

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
static double ring_rotation(const RingSettings& s)
{
    double rot = s.rotation_init - s.rotation_inc * s.frame;
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
static int load_ring_picture(const RingSettings& s)
{
    const int number = s.number;
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

// A free ring at its own place, travelling as a planet does.
static void place_free_ring(const RingSettings& s, RingState& st)
{
    st.cx = s.x;
    st.cy = s.y;
    const double td = s.travel_distance;
    if (td == 0) {
        st.Wr = s.ring_width;
        st.Hr = s.ring_height;
        st.rows = s.ring_height;
    } else {
        const double ref = s.ref_distance;
        const double ppd = s.ppd;
        const int f = s.frame - s.start_frame;
        const TravelView view{s.width, s.height, ppd, s.perspective};
        TravelPoint p = travel_point(view, st.cx, st.cy, ref, td, s.travel_angle, f, -0.1);
        const double d = p.d;
        double x = s.width / 2.0 - ppd * (p.a - 90);
        double y = s.height / 2.0 - ppd * (atan(p.Z / d) / DEG2RAD);
        st.cx = trunc_int(x);
        st.cy = trunc_int(y);
        double scale = ref / d;
        st.Wr = scale * s.ring_width;
        st.Hr = scale * s.ring_height;
        st.rows = trunc_int(st.Hr);
        st.scale = scale;
        overlay.scale = scale;
    }
    if (st.rows < 2)
        st.rows = 2;
    // The free ring lies flat and unturned; what shadow there is, it casts
    // with its own width.
    st.half_eq = st.Wr / 2;
    st.Pn = 0;
    st.mask = 3;
    st.Rs = 0.1;
}

// Locked: the planet's centre, tilt and polar angle; the width a percentage
// of its equatorial diameter. Each call draws one half, alternately.
static void place_locked_ring(const RingSettings& s, RingState& st)
{
    const PlanetState& planet = planet_state;
    st.cx = planet.xc;
    st.cy = planet.yc;
    const double eq = planet.equatorial_diameter;
    st.Wr = eq * s.ring_width / 100;
    if (planet.full_map)
        st.Hr = sin(planet.planet_latitude) * st.Wr;
    else
        st.Hr = eq * s.ring_height / 100;
    const double D = planet.diameter;
    const double tilt = planet.polar_angle - 90;
    if (fabs(tilt) < 0.1)
        st.Rs = D * 100;
    else
        st.Rs = fabs((D / 2) / sin(tilt * DEG2RAD));
    if (st.Hr == 0)
        st.Hr = 2.0;
    bool from_below = false; // the planet is tilted away: the halves swap roles
    if (st.Hr < 0) {
        st.Hr = -st.Hr;
        from_below = true;
    }
    st.rows = trunc_int(st.Hr);
    if (st.rows < 2)
        st.rows = 2;
    if (ring_pass == 0) {
        st.mask = from_below ? 2 : 1;
        ring_pass = 1;
    } else {
        st.mask = from_below ? 1 : 2;
        ring_pass = 0;
    }
    st.half_eq = eq / 2;
    st.Pn = 90 - planet.polar_angle;
}

// Plot box, turned with the planet's polar angle.
static void ring_plot_box(const RingSettings& s, RingState& st)
{
    if (st.Pn == 0) {
        st.columns = trunc_int(st.Wr * s.aspect);
    } else {
        turned_box(st.Wr / 2, st.Hr / 2, st.Pn, s.aspect, &st.columns, &st.rows);
    }
    overlay.plot_w = st.columns;
    overlay.plot_h = st.rows;
}

// ---------------------------------------------------------------------------
// Drawing stages of render_ring.

// What every pixel of one render_ring call shares.
struct RingDraw {
    int type;                    // MAP_STRIP or MAP_FACE_ON
    int mask;
    double Pn, aspect;
    double rot;                  // ring rotation, degrees
    double Ar, E;                // outer radius; width over height
    double Kx, Ky;               // map columns per degree, map rows per pixel of radius
    int64_t mw, mh;
    double mwd, mhd, Wr;
    bool subpixel, shadow_on, from_south, preview_rgb, to_preview;
    double terminator_deg, half_eq, Rs;
    double limit;
    double cull_cos, cull_sin, cull_scale;
};

// Into the ring plane: turn back by the polar angle. False for a pixel that
// the quick look shows to lie surely outside the ellipse or in the other half.
static inline bool ring_plane_point(const RingDraw& rd, double vx, double vy, double* u, double* w)
{
    if (rd.Pn == 0) {
        *u = vx;
        *w = vy;
        return true;
    }
    // Turned rings: a quick look with a plain rotation skips the pixels that
    // lie surely outside the ellipse or in the other half. The margin is far
    // wider than anything the turn through angle_deg can differ by (1e-5 of
    // a pixel where a zero x is replaced), so every pixel the exact test
    // would draw is still drawn, from the exact values.
    const double qu = vx * rd.cull_cos + vy * rd.cull_sin;
    const double qw = vy * rd.cull_cos - vx * rd.cull_sin;
    const double margin = 1e-3 + 1e-9 * (fabs(vx) + fabs(vy));
    const double reach = rd.Ar + margin * rd.cull_scale;
    if (qu * qu + (qw * rd.E) * (qw * rd.E) > reach * reach)
        return false;
    if ((rd.mask == 1 && qw < -margin) || (rd.mask == 2 && qw > margin))
        return false;
    double r = hypot(vx, vy);
    double a = angle_deg(vx, vy) - rd.Pn;
    *u = cos(a * DEG2RAD) * r;
    *w = sin(a * DEG2RAD) * r;
    return true;
}

// The corner sample, turned the same way (w2 already stretched by E).
static inline void ring_corner_point(const RingDraw& rd, double vx2, double vy2, double* u2, double* w2)
{
    if (rd.Pn == 0) {
        *u2 = vx2;
        *w2 = vy2 * rd.E;
    } else {
        double r2 = hypot(vx2, vy2);
        double a2 = angle_deg(vx2, vy2) - rd.Pn;
        *u2 = cos(a2 * DEG2RAD) * r2;
        *w2 = sin(a2 * DEG2RAD) * r2 * rd.E;
    }
}

// The planet's shadow falls on the part of the ring behind it.
static inline bool ring_shadowed(const RingDraw& rd, double rho, double beta)
{
    double sigma = 225 - (rd.terminator_deg + beta);
    if (rd.from_south)
        sigma = 360 - sigma;
    if (sigma < 0)
        sigma += 360;
    if (sigma > 360)
        sigma -= 360;
    if (fabs(sigma - 45) < 45 && rho < rd.Rs) {
        double t = (sigma - 40) * DEG2RAD;
        double us = cos(t) * rho;
        double ws = sin(t) * rho * rd.Rs / rd.half_eq;
        return hypot(us, ws) < rd.Rs;
    }
    return false;
}

// What of a ring pixel stays while the ring turns: everything before the
// ring rotation is added.
struct RingFixed {
    double beta;     // angle in the ring plane, degrees
    double rho;      // radius in the ring plane
    double a2, rho2; // the corner sample's angle and radius (SUBPIXELLATION)
    int32_t r1, r2;  // strip: map rows of the point and of the corner sample
    bool shadowed;   // in the planet's shadow
    bool corner_in;  // strip: the corner sample lies inside the ring
};

// The turn-free part of pixel (vx, vy) of the plot box; false when the
// pixel is not drawn.
static inline bool ring_fixed(const RingDraw& rd, double vx, double vy, RingFixed* f)
{
    double u, w;
    if (!ring_plane_point(rd, vx, vy, &u, &w))
        return false;
    const double wE = w * rd.E;
    const double rho = hypot(u, wE); // radius in the ring plane
    if (!(rho < rd.Ar))
        return false;
    if (!(rd.mask & (w < 0 ? 2 : 1)))
        return false;
    f->rho = rho;
    f->beta = angle_deg(u, wE); // angle in the ring plane
    f->shadowed = rd.shadow_on && ring_shadowed(rd, rho, f->beta);
    f->a2 = f->rho2 = 0;
    f->r1 = f->r2 = 0;
    f->corner_in = false;

    // The corner sample; only the colour uses it.
    double u2 = 0, w2 = 0;
    if (rd.subpixel) {
        ring_corner_point(rd, vx + 0.95, vy - 0.95, &u2, &w2);
        f->rho2 = hypot(u2, w2);
    }
    if (rd.type == MAP_FACE_ON) {
        if (rd.subpixel)
            f->a2 = angle_deg(u2, w2);
        return true;
    }
    const int64_t r1 = trunc_int(rd.mhd - rho * rd.Ky);
    f->r1 = r1 < 0 ? 0 : (int32_t)r1;
    f->corner_in = rd.subpixel && f->rho2 < rd.Ar;
    if (f->corner_in) {
        f->a2 = angle_deg(u2, w2);
        f->r2 = trunc_int(rd.mhd - f->rho2 * rd.Ky);
    }
    return true;
}

// Face-on picture: the mean of the texels between the pixel's point and its
// corner sample, turned by the ring rotation.
static inline void face_on_colour(const RingDraw& rd, const RingFixed& f, int rgb[3])
{
    const double beta1 = rd.rot + f.beta;
    double up = cos(beta1 * DEG2RAD) * f.rho;
    double wp = sin(beta1 * DEG2RAD) * f.rho;
    int64_t r1 = trunc_int((rd.Ar - wp) * rd.mhd / rd.Wr);
    int64_t c1 = trunc_int((rd.Ar + up) * rd.mwd / rd.Wr);
    int64_t r2 = r1, c2 = c1;
    if (rd.subpixel) {
        double beta2 = f.a2 + rd.rot;
        double up2 = cos(beta2 * DEG2RAD) * f.rho2;
        double wp2 = sin(beta2 * DEG2RAD) * f.rho2;
        r2 = trunc_int((rd.Ar - wp2) * rd.mhd / rd.Wr);
        c2 = trunc_int((rd.Ar + up2) * rd.mwd / rd.Wr);
    }
    order_span(&r1, &r2);
    order_span(&c1, &c2);
    int sum[3] = {0, 0, 0}, count = 0;
    for (int64_t tr = r1; tr <= r2 && count < FACE_ON_SAMPLES; tr++) {
        int64_t row = tr >= rd.mh ? tr - rd.mh : tr;
        if (row < 0)
            row = 0;
        for (int64_t tc = c1; tc <= c2 && count < FACE_ON_SAMPLES; tc++) {
            const uint8_t* p = map_palette[ring_texel(row, wrap(tc, rd.mw))];
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
            count++;
        }
    }
    rgb[0] = sum[0] / count;
    rgb[1] = sum[1] / count;
    rgb[2] = sum[2] / count;
}

// Strip: angle across the map, radius down it; with the corner sample the
// texels between the two are averaged in.
static inline void strip_colour(const RingDraw& rd, const RingFixed& f, int rgb[3])
{
    int64_t c1 = wrap(trunc_int(rd.Kx * (rd.rot + f.beta)), rd.mw);
    int64_t r1 = f.r1;
    const uint8_t* first = map_palette[ring_texel(r1 % rd.mh, c1)];
    int R = first[0], G = first[1], B = first[2];
    if (rd.subpixel) {
        if (f.corner_in) {
            int64_t c2 = wrap(trunc_int((f.a2 + rd.rot) * rd.Kx), rd.mw);
            int64_t r2 = f.r2;
            order_span(&c1, &c2);
            order_span(&r1, &r2);
            int count = 1;
            for (int64_t tr = r1; tr <= r2 && count < STRIP_SAMPLES; tr++) {
                int64_t row = tr >= rd.mh ? tr - rd.mh : tr;
                for (int64_t tc = c1; tc <= c2 && count < STRIP_SAMPLES; tc++) {
                    const uint8_t* p = map_palette[ring_texel(row, wrap(tc, rd.mw))];
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
    rgb[0] = R;
    rgb[1] = G;
    rgb[2] = B;
}

// Blend: black texels let all the background through, bright ones cover it
// in proportion to LIGHTING LIMIT.
static inline void blend_ring_pixel(const RingDraw& rd, int x, int y, const int rgb[3], bool shadowed)
{
    const int R = rgb[0] & 255, G = rgb[1] & 255, B = rgb[2] & 255;
    int m = std::max(R, std::max(G, B));
    double k = 1 - rd.limit * m / 256;
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
    if (rd.to_preview) {
        if (rd.preview_rgb && (Rp + Gp + Bp) / 3 == 0)
            plot_preview_zero(x, y);
        else
            preview_plot(x, y, Rp, Gp, Bp);
    }
}

// One pixel at this frame's rotation.
static inline void draw_ring_pixel(const RingDraw& rd, int x, int y, const RingFixed& f)
{
    int rgb[3];
    if (rd.type == MAP_FACE_ON)
        face_on_colour(rd, f, rgb);
    else
        strip_colour(rd, f, rgb);
    blend_ring_pixel(rd, x, y, rgb, f.shadowed);
}

// ---------------------------------------------------------------------------
// Geometry kept between frames.

// Everything the turn-free part of a pixel is computed from, with the clip
// window in plot-box rows i0 .. i1 - 1 and columns j0 .. j1 - 1 (the box's
// place in the frame is not part of it). The planet's light counts only
// while the shadow is on.
struct RingKey {
    double Pn, aspect, Ar, E, Kx, Ky, mwd, mhd, Wr, terminator_deg, half_eq, Rs;
    int64_t mw, mh, i0, i1, j0, j1;
    int32_t type, mask, rows, columns, subpixel, shadow_on, from_south, unused;
};
static_assert(sizeof(RingKey) == 12 * 8 + 6 * 8 + 8 * 4, "keys are compared as bytes: no padding");

// The drawn pixels of one key, clip row after clip row. Which fields are
// kept follows the map type and SUBPIXELLATION.
struct RingEntry {
    RingKey key;
    uint64_t last_use;              // 0: empty
    size_t bytes;                   // counted in reuse_bytes
    std::vector<int32_t> row_first; // first pixel of each clip row, and the count at the end
    std::vector<uint16_t> column;   // j - j0
    std::vector<uint8_t> flags;     // 1 shadowed, 2 corner inside
    std::vector<double> beta;
    std::vector<double> rho;        // face-on
    std::vector<double> a2;         // SUBPIXELLATION
    std::vector<double> rho2;       // face-on with SUBPIXELLATION
    std::vector<int32_t> r1;        // strip
    std::vector<int32_t> r2;        // strip with SUBPIXELLATION
};
constexpr int RING_ENTRIES = 8; // four rings, each drawn in two halves around its planet
static RingEntry ring_cache[RING_ENTRIES];
static SeenKeys<RingKey, 2 * RING_ENTRIES> ring_seen;

static void free_ring_entry(RingEntry& e)
{
    reuse_bytes -= e.bytes;
    e = RingEntry{};
}

void drop_kept_geometry()
{
    drop_planet_geometry();
    for (RingEntry& e : ring_cache)
        free_ring_entry(e);
    memset(&ring_seen, 0, sizeof ring_seen);
}

static RingKey ring_key(const RingDraw& rd, const RingState& st, int64_t i0, int64_t i1, int64_t j0,
                        int64_t j1)
{
    RingKey k;
    memset(&k, 0, sizeof k);
    k.Pn = rd.Pn, k.aspect = rd.aspect, k.Ar = rd.Ar, k.E = rd.E, k.Kx = rd.Kx, k.Ky = rd.Ky;
    k.mwd = rd.mwd, k.mhd = rd.mhd, k.Wr = rd.Wr;
    if (rd.shadow_on) {
        k.terminator_deg = rd.terminator_deg, k.half_eq = rd.half_eq, k.Rs = rd.Rs;
        k.from_south = rd.from_south;
    }
    k.mw = rd.mw, k.mh = rd.mh, k.i0 = i0, k.i1 = i1, k.j0 = j0, k.j1 = j1;
    k.type = rd.type, k.mask = rd.mask, k.rows = st.rows, k.columns = st.columns;
    k.subpixel = rd.subpixel, k.shadow_on = rd.shadow_on;
    return k;
}

// Readies slot e for key, with room for as many pixels as the budget
// allows; null when the window does not fit a kept pixel's fields.
static RingEntry* start_ring_entry(RingEntry* e, const RingKey& key)
{
    free_ring_entry(*e);
    const size_t rows = (size_t)(key.i1 - key.i0), columns = (size_t)(key.j1 - key.j0);
    if (columns > UINT16_MAX + (size_t)1)
        return nullptr;
    const bool face_on = key.type == MAP_FACE_ON, sub = key.subpixel != 0;
    const size_t fixed = (rows + 1) * sizeof(int32_t);
    size_t per_pixel = sizeof(uint16_t) + sizeof(uint8_t) + sizeof(double);
    per_pixel += face_on ? sizeof(double) : sizeof(int32_t);
    if (sub)
        per_pixel += sizeof(double) + (face_on ? sizeof(double) : sizeof(int32_t));
    const size_t n = reuse_pixel_room(rows * columns, fixed, per_pixel);
    if (n == 0)
        return nullptr;
    e->row_first.reserve(rows + 1);
    e->column.reserve(n), e->flags.reserve(n), e->beta.reserve(n);
    if (face_on)
        e->rho.reserve(n);
    else
        e->r1.reserve(n);
    if (sub) {
        e->a2.reserve(n);
        if (face_on)
            e->rho2.reserve(n);
        else
            e->r2.reserve(n);
    }
    e->bytes = fixed + n * per_pixel;
    reuse_bytes += e->bytes;
    memcpy(&e->key, &key, sizeof key);
    return e;
}

// Adds a pixel to the entry being built; false (the entry is then dropped)
// when it has no room left.
static bool keep_ring_pixel(RingEntry& e, int64_t j, const RingFixed& f)
{
    if (e.beta.size() == e.beta.capacity())
        return false;
    const bool face_on = e.key.type == MAP_FACE_ON;
    e.column.push_back((uint16_t)(j - e.key.j0));
    e.flags.push_back((uint8_t)((f.shadowed ? 1 : 0) | (f.corner_in ? 2 : 0)));
    e.beta.push_back(f.beta);
    if (face_on)
        e.rho.push_back(f.rho);
    else
        e.r1.push_back(f.r1);
    if (e.key.subpixel) {
        e.a2.push_back(f.a2);
        if (face_on)
            e.rho2.push_back(f.rho2);
        else
            e.r2.push_back(f.r2);
    }
    return true;
}

// Draws a kept ring at this frame's place and rotation; what lies beneath
// is read afresh, as every blend does.
static void draw_kept_ring(const RingDraw& rd, const RingEntry& e, int64_t x0, int64_t y0)
{
    const bool face_on = e.key.type == MAP_FACE_ON, sub = e.key.subpixel != 0;
    const size_t rows = e.row_first.size() - 1;
    for (size_t r = 0; r < rows; r++) {
        const int y = (int)(y0 + e.key.i0 + (int64_t)r);
        for (int32_t k = e.row_first[r]; k < e.row_first[r + 1]; k++) {
            RingFixed f;
            f.beta = e.beta[k];
            f.shadowed = (e.flags[k] & 1) != 0;
            f.corner_in = (e.flags[k] & 2) != 0;
            f.rho = face_on ? e.rho[k] : 0;
            f.r1 = face_on ? 0 : e.r1[k];
            f.a2 = sub ? e.a2[k] : 0;
            f.rho2 = sub && face_on ? e.rho2[k] : 0;
            f.r2 = sub && !face_on ? e.r2[k] : 0;
            draw_ring_pixel(rd, (int)(x0 + e.key.j0 + e.column[k]), y, f);
        }
    }
}

// ---------------------------------------------------------------------------
// Public functions.

void reset_ring_pass() { ring_pass = 0; }

void set_ring_pass(int pass) { ring_pass = pass; }

RingSettings ring_settings()
{
    RingSettings s;
    s.width = rs.i[I_WIDTH];
    s.height = rs.i[I_HEIGHT];
    s.aspect = rs.d[D_ASPECT];
    s.ppd = rs.d[D_PIXELS_PER_DEGREE];
    s.frame = rs.i[I_THIS_FRAME];
    s.start_frame = page_frames[PAGE_RING].start;
    s.number = int_param[I_RING_NUMBER];
    s.ring_width = int_param[I_RING_WIDTH];
    s.ring_height = int_param[I_RING_HEIGHT];
    s.x = int_param[I_RING_X];
    s.y = int_param[I_RING_Y];
    s.rotation_init = dbl_param[D_RING_ROTATION_INIT];
    s.rotation_inc = dbl_param[D_RING_ROTATION_INC];
    s.lighting_limit = dbl_param[D_RING_LIGHTING];
    s.ref_distance = dbl_param[D_REF_DISTANCE];
    s.travel_distance = dbl_param[D_TRAVEL_DISTANCE];
    s.travel_angle = dbl_param[D_TRAVEL_ANGLE];
    s.perspective = flag_param[F_X_PERSPECTIVE] != 0;
    s.shadow = flag_param[F_PLANET_SHADOW] != 0;
    s.subpixel = flag_param[F_SUBPIXELLATION] != 0;
    s.preview_rgb = flag_param[F_PREVIEW_RGB] != 0;
    return s;
}

int render_ring(int mode, int lock) { return render_ring_from(ring_settings(), mode, lock); }

// What every pixel of the call shares, from the settings, the ring's place
// and the planet last set up (its light and tilt cast the shadow).
static RingDraw ring_draw(const RingSettings& s, const RingState& st, int type, int mode)
{
    RingDraw rd;
    rd.type = type;
    rd.mask = st.mask;
    rd.Pn = st.Pn;
    rd.aspect = s.aspect;
    rd.rot = ring_rotation(s);
    rd.Ar = st.Wr / 2;
    rd.E = st.Wr / st.Hr;
    rd.Kx = map_width_d / 360;
    rd.Ky = map_height_d / rd.Ar;
    rd.mw = map_width, rd.mh = map_height;
    rd.mwd = map_width_d, rd.mhd = map_height_d;
    rd.Wr = st.Wr;
    rd.subpixel = s.subpixel;
    rd.shadow_on = s.shadow;
    rd.terminator_deg = planet_state.terminator_angle * RAD2DEG;
    rd.from_south = planet_state.planet_latitude < 0;
    rd.half_eq = st.half_eq;
    rd.Rs = st.Rs;
    rd.limit = s.lighting_limit;
    rd.preview_rgb = s.preview_rgb;
    rd.to_preview = (mode & RENDER_PREVIEW) != 0;
    rd.cull_cos = cos(rd.Pn * DEG2RAD), rd.cull_sin = sin(rd.Pn * DEG2RAD);
    rd.cull_scale = 1 + fabs(rd.E);
    return rd;
}

int render_ring_from(const RingSettings& s, int mode, int lock)
{
    const int type = load_ring_picture(s);
    RingState& st = ring_state;
    if (lock < 0)
        place_free_ring(s, st);
    else
        place_locked_ring(s, st);
    ring_plot_box(s, st);

    // A free ring of no height has no face to show; map types other than
    // the strip and the face-on picture give no colour and stay transparent.
    if (replay_only || (lock < 0 && st.Hr == 0) || (type != MAP_STRIP && type != MAP_FACE_ON) ||
        map_width <= 0 || map_height <= 0 || !surface_map)
        return 0;

    const RingDraw rd = ring_draw(s, st, type, mode);
    const int64_t x0 = (int64_t)st.cx - st.columns / 2;
    const int64_t y0 = (int64_t)st.cy - st.rows / 2;
    const int64_t i0 = y0 < 0 ? -y0 : 0, i1 = std::min<int64_t>(st.rows, s.height - y0);
    const int64_t j0 = x0 < 0 ? -x0 : 0, j1 = std::min<int64_t>(st.columns, s.width - x0);
    if (i0 >= i1 || j0 >= j1)
        return 0;

    // A ring that only turned since it was last drawn like this reuses its
    // pixels' geometry; otherwise the pixels are computed, and kept when
    // the ring was met like this before.
    RingEntry* kept = nullptr;
    if (geometry_reuse) {
        const RingKey key = ring_key(rd, st, i0, i1, j0, j1);
        RingEntry* victim;
        if (const RingEntry* hit = reuse_lookup(ring_cache, key, &victim)) {
            draw_kept_ring(rd, *hit, x0, y0);
            return 0;
        }
        if (reuse_seen(ring_seen, key)) {
            kept = start_ring_entry(victim, key);
            if (!kept)
                reuse_too_large(ring_seen, key);
        }
    }
    for (int64_t i = i0; i < i1; i++) {
        const int y = (int)(y0 + i);
        const double vy = (double)(st.rows / 2 - i); // screen up is positive
        if (kept)
            kept->row_first.push_back((int32_t)kept->beta.size());
        if (rd.Pn == 0 && !(rd.mask & (vy < 0 ? 2 : 1)))
            continue; // unturned, the whole row lies in the other half
        for (int64_t j = j0; j < j1; j++) {
            RingFixed f;
            if (!ring_fixed(rd, (double)(j - st.columns / 2) / rd.aspect, vy, &f))
                continue;
            if (kept && !keep_ring_pixel(*kept, j, f)) {
                reuse_too_large(ring_seen, kept->key);
                free_ring_entry(*kept);
                kept = nullptr;
            }
            draw_ring_pixel(rd, (int)(x0 + j), y, f);
        }
    }
    if (kept) {
        kept->row_first.push_back((int32_t)kept->beta.size());
        kept->last_use = ++reuse_clock;
    }
    return 0;
}
