// Planet renderer: places a planet for the frame and draws its lit, textured,
// turned and tilted disc from the surface map.
#include "planets/planets.h"

#include <allegro.h> // Required for: BITMAP line table, putpixel
#include <cmath>     // Required for: sin, cos, tan, atan, asin, hypot
#include <algorithm> // Required for: std::min
#include <cstdint>
#include <cstring>   // Required for: memcpy, memset
#include <vector>

#include "planets/render_local.h"  // Required for: TravelPoint, plot_preview_zero, span_int
#include "platform/angles.h"       // Required for: DEG2RAD, HALF_PI, RAD2DEG
#include "store/canvas.h"          // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/geometry.h"        // Required for: angle_deg, tilt_kc, tilt_ks
#include "store/store.h"           // Required for: D_ASPECT, D_OBLATE, D_PHASE
#include "store/surface.h"         // Required for: full_map, map_height, map_height_d
#include "store/topology_format.h" // Required for: MAP_MAX_WIDTH, MAX_TOPOLOGY_RECORDS

// ---------------------------------------------------------------------------
// Global tables.

PlanetState planet_state;
bool geometry_reuse = true;
size_t reuse_bytes = 0;
size_t reuse_cap_bytes = REUSE_CAP_BYTES;
uint64_t reuse_clock = 0;

// ---------------------------------------------------------------------------
// File-private state.

// The settings of the planet last set up: render_planet draws with them.
static PlanetSettings planet_in;

// ---------------------------------------------------------------------------
// File-private helpers.

// Substitute palette indices of a planet that has no index entry (colour
// planets): the highest indices that the map is not filled with, so the
// zero colour and the dark colour never repaint the planet's own colour.
static void colour_planet_indices(int n, int* zero, int* dark)
{
    int fill = n >= topology.planets_on_file ? ((n - topology.planets_on_file) & 255) : -1;
    int picked[2];
    int k = 0;
    for (int idx = 255; k < 2; idx--)
        if (idx != fill)
            picked[k++] = idx;
    *zero = picked[0];
    *dark = picked[1];
}

// One map byte; a column beyond the 640-byte row continues on the next row,
// as the bitmap's memory does, and nothing outside the bitmap is read.
static inline int map_texel(int row, int column)
{
    if (column >= MAP_MAX_WIDTH) {
        row += column / MAP_MAX_WIDTH;
        column %= MAP_MAX_WIDTH;
    }
    if (row < 0 || row >= surface_map->h || column < 0)
        return 0;
    return surface_map->line[row][column];
}

// ---------------------------------------------------------------------------
// Shared with the ring renderer.

void plot_preview_zero(int x, int y)
{
    if (preview_target)
        putpixel(preview_target, x, y, 0);
}

// ---------------------------------------------------------------------------
// Public functions.

void turned_box(double half_w, double half_h, double turn, double aspect, int32_t* columns,
                int32_t* rows)
{
    const double cx[4] = {-half_w, half_w, -half_w, half_w};
    const double cy[4] = {half_h, half_h, -half_h, -half_h};
    int32_t min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    for (int c = 0; c < 4; c++) {
        double r = hypot(cx[c], cy[c]);
        double a = angle_deg(cx[c], cy[c]) + turn;
        int32_t px = trunc_int(cos(a * DEG2RAD) * r * aspect);
        int32_t py = trunc_int(sin(a * DEG2RAD) * r);
        if (px < min_x) min_x = px;
        if (px > max_x) max_x = px;
        if (py < min_y) min_y = py;
        if (py > max_y) max_y = py;
    }
    *columns = span_int((int64_t)max_x - min_x);
    *rows = span_int((int64_t)max_y - min_y);
}

TravelPoint travel_point(const TravelView& view, int xc, int yc, double ref, double td, double ta, int f,
                         double zero_d)
{
    const int W = view.width, H = view.height;
    const double ppd = view.ppd;
    TravelPoint p;
    double theta = ((double)(W / 2 - xc) / ppd + 90) * DEG2RAD;
    p.Z = ref * tan(((double)(H / 2 - yc) / ppd) * DEG2RAD);
    double X = ref * cos(theta);
    double Y = view.perspective ? ref * sin(theta) : ref;
    double tau = (ta + 90) * DEG2RAD;
    X += cos(tau) * (td * f);
    Y += sin(tau) * (td * f);
    p.a = angle_deg(X, Y);
    p.d = view.perspective ? hypot(X, Y) : Y;
    if (p.d == 0)
        p.d = zero_d;
    return p;
}

PlanetSettings planet_settings()
{
    PlanetSettings s;
    s.width = rs.i[I_WIDTH];
    s.height = rs.i[I_HEIGHT];
    s.aspect = rs.d[D_ASPECT];
    s.ppd = rs.d[D_PIXELS_PER_DEGREE];
    s.x = rs.i[I_PLANET_X];
    s.y = rs.i[I_PLANET_Y];
    s.diameter = rs.d[D_PLANET_DIAMETER];
    s.oblate = rs.d[D_OBLATE];
    s.polar_angle = rs.d[D_POLAR_ANGLE];
    s.phase = rs.d[D_PHASE];
    s.latitude = rs.d[D_PLANET_LATITUDE];
    s.rotation_init = dbl_param[D_ROTATION_INIT];
    s.rotation_inc = rs.d[D_ROTATION_INC];
    s.shading = rs.d[D_SHADING];
    s.backlight = rs.d[D_PLANET_BACKLIGHT];
    s.lighting_limit = dbl_param[D_PLANET_LIGHTING];
    s.ref_distance = rs.d[D_REF_DISTANCE];
    s.travel_distance = rs.d[D_TRAVEL_DISTANCE];
    s.travel_angle = rs.d[D_TRAVEL_ANGLE];
    s.phase_adjust = flag_param[F_PHASE_ADJUST] != 0;
    s.perspective = flag_param[F_X_PERSPECTIVE] != 0;
    s.preview_rgb = flag_param[F_PREVIEW_RGB] != 0;
    s.frame = rs.i[I_THIS_FRAME];
    s.start_frame = page_frames[PAGE_PLANET].start;
    return s;
}

void place_planet(const PlanetSettings& s)
{
    const int W = s.width, H = s.height;
    const double ppd = s.ppd;
    const double ref = s.ref_distance;
    const double td = s.travel_distance;
    const double ta = s.travel_angle;
    const int xc = s.x, yc = s.y;

    planet_state.xc = xc;
    planet_state.yc = yc;
    planet_state.diameter = s.diameter;
    if (td == 0) {
        planet_state.x = xc;
        planet_state.y = yc;
        return;
    }
    const int f = s.frame - s.start_frame;
    double S = ref * s.diameter * DEG2RAD / ppd;
    TravelPoint p = travel_point(TravelView{W, H, ppd, s.perspective}, xc, yc, ref, td, ta, f, -1.0);
    const double d = p.d;
    planet_state.diameter = (S / d) / DEG2RAD * ppd;
    double x = W / 2.0 - ppd * (p.a - 90);
    double y = H / 2.0 - ppd * (atan(p.Z / d) / DEG2RAD);
    planet_state.xc = trunc_int(x);
    planet_state.yc = trunc_int(y);
    planet_state.x = x;
    planet_state.y = y;
    planet_state.scale = ref / d;
    overlay.scale = planet_state.scale;
}

// Light, spin and tilt for the frame, from the placed centre.
static void planet_angles(const PlanetSettings& s)
{
    double phase = s.phase;
    if (s.phase_adjust)
        phase += (double)(s.width / 2 - planet_state.xc) / s.ppd;
    planet_state.terminator_angle = (phase - 90) * DEG2RAD;

    if (full_map) {
        planet_state.planet_rotation = s.rotation_init - (s.frame - s.start_frame) * s.rotation_inc;
        if (planet_state.planet_rotation < 0)
            planet_state.planet_rotation += 360;
        planet_state.planet_latitude = s.latitude * DEG2RAD;
        planet_state.polar_angle = s.polar_angle;
    } else {
        planet_state.planet_latitude = 0;
        planet_state.polar_angle = 90;
        planet_state.planet_rotation = 0;
    }
}

// Index 0 of a map is never drawn as itself: it shows the former entry-0
// colour through the zero index, and entry 0 turns black. Half maps draw
// their dark side in the dark index, a near-black grey.
static void planet_colours(int n)
{
    const bool indexed = n >= 0 && n < topology.record_limit && n < MAX_TOPOLOGY_RECORDS;
    int zero, dark;
    if (indexed) {
        zero = topology.entries[n].zero_index;
        dark = topology.entries[n].dark_index;
    } else {
        colour_planet_indices(n, &zero, &dark);
    }
    map_palette[dark & 255][0] = map_palette[dark & 255][1] = map_palette[dark & 255][2] = 8;
    const uint8_t r0 = map_palette[0][0], g0 = map_palette[0][1], b0 = map_palette[0][2];
    map_palette[0][0] = map_palette[0][1] = map_palette[0][2] = 0;
    map_palette[zero & 255][0] = r0;
    map_palette[zero & 255][1] = g0;
    map_palette[zero & 255][2] = b0;
    planet_state.zero_colour = zero;
    planet_state.dark_colour = dark;
}

void setup_planet(int n)
{
    apply_parameters();
    setup_planet_from(planet_settings(), n);
}

void setup_planet_from(const PlanetSettings& s, int n)
{
    planet_in = s;
    select_planet_map(n);
    planet_label(n);
    place_planet(s);
    planet_angles(s);

    planet_state.full_map = full_map;
    if (planet_state.diameter < 2.0)
        planet_state.diameter = 2.0;
    const double D = planet_state.diameter;
    planet_state.rows = trunc_int(D);
    planet_state.equatorial_diameter = D * s.oblate;
    planet_state.columns = trunc_int(planet_state.equatorial_diameter);

    planet_colours(n);

    tilt_kc = cos(-planet_state.planet_latitude);
    tilt_ks = sin(-planet_state.planet_latitude);

    overlay.plot_x = planet_state.x;
    overlay.plot_y = planet_state.y;
    overlay.plot_w = planet_state.columns;
    overlay.plot_h = planet_state.rows;
}

// ---------------------------------------------------------------------------
// Drawing stages of render_planet.

// What every pixel of one render_planet call shares.
struct PlanetDraw {
    bool full;
    double K;             // map columns per degree of longitude
    double A;             // equatorial radius, pixels
    double Q;             // equatorial over polar diameter
    double P;             // turn of the disc, degrees
    double aspect;
    int32_t rows, columns;
    int64_t top, left;    // frame position of the plot box
    double terminator;    // radians
    double rotation;      // degrees
    double shading, backlight, limit;
    int mw, mh;
    double mwd, mhd;
    int zero_index, dark_index;
    int half_offset;      // map columns the half map's lit side is moved by
    bool to_frame, to_preview, preview_rgb;
};

// The plot box: the disc's rows and columns, turned by the polar angle.
static void planet_plot_box(PlanetDraw& pd, double D, double eq)
{
    pd.rows = planet_state.rows;
    if (pd.P == 0) {
        pd.columns = trunc_int(eq * pd.aspect);
    } else {
        turned_box(pd.A, D / 2, pd.P, pd.aspect, &pd.columns, &pd.rows);
    }
    planet_state.rows = pd.rows;
    planet_state.columns = pd.columns;
    overlay.plot_w = pd.columns;
    overlay.plot_h = pd.rows;
}

// Disc test in the turned and squashed frame: false outside the disc.
static inline bool planet_disc_point(const PlanetDraw& pd, double dx, double dy, double* u, double* v,
                                     double* rho)
{
    double r = hypot(dx, dy);
    double a = angle_deg(dx, dy) - pd.P;
    *u = cos(a * DEG2RAD) * r;
    *v = sin(a * DEG2RAD) * r * pd.Q;
    *rho = hypot(*u, *v);
    return *rho < pd.A;
}

// Light, measured in screen directions from the right limb: the angle from
// the terminator (radians) and whether the pixel lies on the dark side.
static inline double planet_light(const PlanetDraw& pd, double dx, double kappa, bool* dark_side)
{
    double t2 = asin(unit_clamp(dx / (pd.A * kappa)));
    double e = 90 - (t2 + pd.terminator - HALF_PI) * RAD2DEG;
    int64_t g = trunc_int(e * pd.K + 0.45);
    int64_t m = pd.mw / 2 - g;
    if (m < 0) {
        m %= pd.mw;
        if (m < 0)
            m += pd.mw;
    }
    *dark_side = m >= pd.mw / 2;
    return ((double)m / pd.K) * DEG2RAD;
}

// What of a pixel stays while the planet turns: everything up to the turn.
struct PlanetFixed {
    double mu;  // full map: longitude in map columns, before the turn
    double b;   // brightness
    int row;    // map row
    int column; // half map: map column, -1 on the dark side (drawn in the dark index)
};

// Surface point under the pixel: its map row and, before the turn, its
// longitude in map columns.
static inline void planet_surface(const PlanetDraw& pd, double u, double v, double rho, int* map_row,
                                  double* mu)
{
    double beta = angle_deg(u, v);
    double gamma = asin(rho / pd.A);
    double longitude, latitude;
    tilt_rotate(HALF_PI - gamma, (beta - 90) * DEG2RAD, &longitude, &latitude);
    int row = trunc_int((latitude * RAD2DEG + 90) * pd.mhd / 180 + 0.45);
    if (row < 0)
        row += pd.mh;
    row %= pd.mh;
    if (row < 0)
        row += pd.mh;
    *map_row = row;
    *mu = longitude * RAD2DEG * pd.K;
}

// Brightness of the pixel.
static inline double planet_brightness(const PlanetDraw& pd, bool dark_side, double kappa, double lambda)
{
    double b;
    if (dark_side) {
        b = pd.full ? pd.backlight : 0.5;
    } else {
        b = kappa * pd.shading * sin(lambda);
        if (pd.backlight > b)
            b = pd.backlight;
        if (pd.limit < b)
            b = pd.limit;
    }
    if (b < 0)
        b = 0; // a negative BACKLIGHT or SHADING gives black, not wrapped channels
    return b;
}

// The turn-free part of pixel (dx, dy) of a row lit across by kappa; false
// outside the disc.
static inline bool planet_fixed(const PlanetDraw& pd, double dx, double dy, double kappa, PlanetFixed* f)
{
    double u, v, rho;
    if (!planet_disc_point(pd, dx, dy, &u, &v, &rho))
        return false;
    bool dark_side;
    const double lambda = planet_light(pd, dx, kappa, &dark_side);
    planet_surface(pd, u, v, rho, &f->row, &f->mu);
    f->column = 0;
    if (!pd.full) {
        // A half map does not turn: its column is fixed as well.
        int64_t column = (int64_t)trunc_int(f->mu) + pd.half_offset;
        column %= pd.mw;
        if (column < 0)
            column += pd.mw;
        f->column = dark_side ? -1 : (int)column;
    }
    f->b = planet_brightness(pd, dark_side, kappa, lambda);
    return true;
}

// The pixel's palette index for this frame's turn (map index 0 shown as the
// zero index, a half map's dark side as the dark index).
static inline int planet_index(const PlanetDraw& pd, const PlanetFixed& f)
{
    int64_t column;
    if (pd.full) {
        double mu = f.mu;
        mu += pd.K * pd.rotation;
        if (mu >= pd.mwd)
            mu -= pd.mwd;
        if (mu < 0)
            mu += pd.mwd;
        column = trunc_int(mu);
        column %= pd.mw;
        if (column < 0)
            column += pd.mw;
    } else {
        if (f.column < 0)
            return pd.dark_index;
        column = f.column;
    }
    int index = map_texel(f.row, (int)column);
    return index == 0 ? pd.zero_index : index;
}

static inline void plot_planet_pixel(const PlanetDraw& pd, int x, int y, int index, double b)
{
    int red = trunc_int(map_palette[index][0] * b);
    int green = trunc_int(map_palette[index][1] * b);
    int blue = trunc_int(map_palette[index][2] * b);
    if (red > 255) red = 255;
    if (green > 255) green = 255;
    if (blue > 255) blue = 255;
    if (pd.to_frame)
        put_frame_pixel(x, y, red, green, blue);
    if (pd.to_preview) {
        if (pd.preview_rgb && red + green + blue == 0)
            plot_preview_zero(x, y);
        else
            preview_plot(x, y, red, green, blue);
    }
}

// ---------------------------------------------------------------------------
// Geometry kept between frames.

// Everything the turn-free part of a pixel is computed from, with the clip
// window in plot-box rows i0 .. i1 - 1 and columns j0 .. j1 - 1. The box's
// place in the frame is not part of it: a planet moved by whole pixels
// draws the same box elsewhere.
struct PlanetKey {
    double A, Q, P, aspect, terminator, K, mwd, mhd, tilt_kc, tilt_ks, shading, backlight, limit;
    int64_t i0, i1, j0, j1;
    int32_t rows, columns, mw, mh, full, half_offset;
};
static_assert(sizeof(PlanetKey) == 13 * 8 + 4 * 8 + 6 * 4, "keys are compared as bytes: no padding");

// The disc's pixels of one key, clip row after clip row.
struct PlanetEntry {
    PlanetKey key;
    uint64_t last_use;                // 0: empty
    size_t bytes;                     // counted in reuse_bytes
    std::vector<int32_t> row_first;   // first pixel of each clip row, and the count at the end
    std::vector<uint16_t> column;     // j - j0
    std::vector<uint16_t> map_row;
    std::vector<int16_t> half_column; // half map: PlanetFixed::column
    std::vector<double> mu;           // full map: PlanetFixed::mu
    std::vector<double> b;
};
constexpr int PLANET_ENTRIES = 4; // the planets of one frame that can all be kept
static PlanetEntry planet_cache[PLANET_ENTRIES];
static SeenKeys<PlanetKey, 2 * PLANET_ENTRIES> planet_seen;

static_assert(2 * MAP_MAX_WIDTH <= INT16_MAX && MAP_MAX_HEIGHT <= UINT16_MAX,
              "map columns and rows fit a kept pixel");

static void free_planet_entry(PlanetEntry& e)
{
    reuse_bytes -= e.bytes;
    e = PlanetEntry{};
}

void drop_planet_geometry()
{
    for (PlanetEntry& e : planet_cache)
        free_planet_entry(e);
    memset(&planet_seen, 0, sizeof planet_seen);
}

static PlanetKey planet_key(const PlanetDraw& pd, int64_t i0, int64_t i1, int64_t j0, int64_t j1)
{
    PlanetKey k;
    memset(&k, 0, sizeof k);
    k.A = pd.A, k.Q = pd.Q, k.P = pd.P, k.aspect = pd.aspect, k.terminator = pd.terminator, k.K = pd.K;
    k.mwd = pd.mwd, k.mhd = pd.mhd, k.tilt_kc = tilt_kc, k.tilt_ks = tilt_ks;
    k.shading = pd.shading, k.backlight = pd.backlight, k.limit = pd.limit;
    k.i0 = i0, k.i1 = i1, k.j0 = j0, k.j1 = j1;
    k.rows = pd.rows, k.columns = pd.columns, k.mw = pd.mw, k.mh = pd.mh, k.full = pd.full;
    k.half_offset = pd.half_offset;
    return k;
}

// Readies slot e for key, with room for as many pixels as the budget
// allows; null when the window does not fit a kept pixel's fields.
static PlanetEntry* start_planet_entry(PlanetEntry* e, const PlanetKey& key)
{
    free_planet_entry(*e);
    const size_t rows = (size_t)(key.i1 - key.i0), columns = (size_t)(key.j1 - key.j0);
    if (columns > UINT16_MAX + (size_t)1 || key.mw > INT16_MAX || key.mh > UINT16_MAX)
        return nullptr;
    const size_t fixed = (rows + 1) * sizeof(int32_t);
    const size_t per_pixel =
        2 * sizeof(uint16_t) + sizeof(double) + (key.full ? sizeof(double) : sizeof(int16_t));
    const size_t n = reuse_pixel_room(rows * columns, fixed, per_pixel);
    if (n == 0)
        return nullptr;
    e->row_first.reserve(rows + 1);
    e->column.reserve(n), e->map_row.reserve(n), e->b.reserve(n);
    if (key.full)
        e->mu.reserve(n);
    else
        e->half_column.reserve(n);
    e->bytes = fixed + n * per_pixel;
    reuse_bytes += e->bytes;
    memcpy(&e->key, &key, sizeof key);
    return e;
}

// Adds a pixel to the entry being built; false (the entry is then dropped)
// when it has no room left.
static bool keep_planet_pixel(PlanetEntry& e, int64_t j, const PlanetFixed& f)
{
    if (e.b.size() == e.b.capacity())
        return false;
    e.column.push_back((uint16_t)(j - e.key.j0));
    e.map_row.push_back((uint16_t)f.row);
    e.b.push_back(f.b);
    if (e.key.full)
        e.mu.push_back(f.mu);
    else
        e.half_column.push_back((int16_t)f.column);
    return true;
}

// Draws a kept planet at this frame's place and turn.
static void draw_kept_planet(const PlanetDraw& pd, const PlanetEntry& e)
{
    const size_t rows = e.row_first.size() - 1;
    for (size_t r = 0; r < rows; r++) {
        const int y = (int)(pd.top + e.key.i0 + (int64_t)r);
        for (int32_t k = e.row_first[r]; k < e.row_first[r + 1]; k++) {
            PlanetFixed f = {0, e.b[k], e.map_row[k], 0};
            if (pd.full)
                f.mu = e.mu[k];
            else
                f.column = e.half_column[k];
            plot_planet_pixel(pd, (int)(pd.left + e.key.j0 + e.column[k]), y, planet_index(pd, f), f.b);
        }
    }
}

// ---------------------------------------------------------------------------
// Drawing.

// One row i of the plot box, columns j0 .. j1 - 1 (those inside the frame);
// the pixels also go into *kept while it is not null.
static void draw_planet_row(const PlanetDraw& pd, int64_t i, int64_t j0, int64_t j1, PlanetEntry** kept)
{
    const int y = (int)(pd.top + i);
    const double dy = (double)(i - pd.rows / 2);
    // Lighting across the row: the latitude of the light on this row.
    const double t1 = asin(unit_clamp(dy / pd.A));
    const double kappa = cos(t1);
    if (*kept)
        (*kept)->row_first.push_back((int32_t)(*kept)->b.size());
    for (int64_t j = j0; j < j1; j++) {
        const int x = (int)(pd.left + j);
        const double dx = (double)(j - pd.columns / 2) / pd.aspect;
        PlanetFixed f;
        if (!planet_fixed(pd, dx, dy, kappa, &f))
            continue;
        if (*kept && !keep_planet_pixel(**kept, j, f)) {
            reuse_too_large(planet_seen, (*kept)->key);
            free_planet_entry(**kept);
            *kept = nullptr;
        }
        plot_planet_pixel(pd, x, y, planet_index(pd, f), f.b);
    }
}

int render_planet(int mode)
{
    const PlanetSettings& s = planet_in;
    PlanetDraw pd;
    pd.full = planet_state.full_map != 0;
    if (!pd.full) {
        // The half map's columns cover 180 degrees of a doubled circumference.
        map_width *= 2;
        map_width_d *= 2;
    }
    pd.K = map_width_d / 360;
    const double D = planet_state.diameter;
    const double eq = planet_state.equatorial_diameter;
    pd.A = eq / 2;
    pd.Q = eq / D;
    pd.P = planet_state.polar_angle - 90;
    pd.aspect = s.aspect;
    planet_plot_box(pd, D, eq);

    if (replay_only || map_width <= 0 || map_height <= 0 || !surface_map)
        return 0;

    const int W = s.width, H = s.height;
    pd.top = (int64_t)planet_state.yc - pd.rows / 2;
    pd.left = (int64_t)planet_state.xc - pd.columns / 2;
    const int64_t i0 = pd.top < 0 ? -pd.top : 0, i1 = std::min<int64_t>(pd.rows, H - pd.top);
    const int64_t j0 = pd.left < 0 ? -pd.left : 0, j1 = std::min<int64_t>(pd.columns, W - pd.left);
    pd.terminator = planet_state.terminator_angle;
    pd.rotation = planet_state.planet_rotation;
    pd.shading = s.shading;
    pd.backlight = s.backlight;
    pd.limit = s.lighting_limit;
    pd.mw = map_width, pd.mh = map_height;
    pd.mwd = map_width_d, pd.mhd = map_height_d;
    pd.zero_index = planet_state.zero_colour & 255;
    pd.dark_index = planet_state.dark_colour & 255;
    pd.half_offset = pd.full ? 0 : trunc_int(pd.terminator * RAD2DEG * pd.K);
    pd.to_frame = (mode & RENDER_FRAME) != 0, pd.to_preview = (mode & RENDER_PREVIEW) != 0;
    pd.preview_rgb = s.preview_rgb;

    if (i0 >= i1 || j0 >= j1)
        return 0;

    // A planet that only turned since it was last drawn like this reuses
    // its pixels' geometry; otherwise the pixels are computed, and kept
    // when the planet was met like this before.
    PlanetEntry* kept = nullptr;
    if (geometry_reuse) {
        const PlanetKey key = planet_key(pd, i0, i1, j0, j1);
        PlanetEntry* victim;
        if (const PlanetEntry* hit = reuse_lookup(planet_cache, key, &victim)) {
            draw_kept_planet(pd, *hit);
            return 0;
        }
        if (reuse_seen(planet_seen, key)) {
            kept = start_planet_entry(victim, key);
            if (!kept)
                reuse_too_large(planet_seen, key);
        }
    }
    for (int64_t i = i0; i < i1; i++)
        draw_planet_row(pd, i, j0, j1, &kept);
    if (kept) {
        kept->row_first.push_back((int32_t)kept->b.size());
        kept->last_use = ++reuse_clock;
    }
    return 0;
}
