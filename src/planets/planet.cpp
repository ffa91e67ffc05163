// Planet renderer: places a planet for the frame and draws its lit, textured,
// turned and tilted disc from the surface map.
#include "planets/planets.h"

#include <allegro.h> // Required for: BITMAP line table, putpixel
#include <cmath>     // Required for: sin, cos, tan, atan, asin, hypot
#include <algorithm> // Required for: std::min
#include <cstdint>

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

TravelPoint travel_point(int xc, int yc, double ref, double td, double ta, int f, double zero_d)
{
    const int W = rs.i[I_WIDTH], H = rs.i[I_HEIGHT];
    const double ppd = rs.d[D_PIXELS_PER_DEGREE];
    const bool perspective = flag_param[F_X_PERSPECTIVE] != 0;
    TravelPoint p;
    double theta = ((double)(W / 2 - xc) / ppd + 90) * DEG2RAD;
    p.Z = ref * tan(((double)(H / 2 - yc) / ppd) * DEG2RAD);
    double X = ref * cos(theta);
    double Y = perspective ? ref * sin(theta) : ref;
    double tau = (ta + 90) * DEG2RAD;
    X += cos(tau) * (td * f);
    Y += sin(tau) * (td * f);
    p.a = angle_deg(X, Y);
    p.d = perspective ? hypot(X, Y) : Y;
    if (p.d == 0)
        p.d = zero_d;
    return p;
}

void place_planet()
{
    const int W = rs.i[I_WIDTH], H = rs.i[I_HEIGHT];
    const double ppd = rs.d[D_PIXELS_PER_DEGREE];
    const double ref = rs.d[D_REF_DISTANCE];
    const double td = rs.d[D_TRAVEL_DISTANCE];
    const double ta = rs.d[D_TRAVEL_ANGLE];
    const int xc = rs.i[I_PLANET_X], yc = rs.i[I_PLANET_Y];

    if (td == 0) {
        planet_state.x = xc;
        planet_state.y = yc;
        return;
    }
    const int f = rs.i[I_THIS_FRAME] - page_frames[PAGE_PLANET].start;
    double S = ref * rs.d[D_PLANET_DIAMETER] * DEG2RAD / ppd;
    TravelPoint p = travel_point(xc, yc, ref, td, ta, f, -1.0);
    const double d = p.d;
    rs.d[D_PLANET_DIAMETER] = (S / d) / DEG2RAD * ppd;
    double x = W / 2.0 - ppd * (p.a - 90);
    double y = H / 2.0 - ppd * (atan(p.Z / d) / DEG2RAD);
    rs.i[I_PLANET_X] = trunc_int(x);
    rs.i[I_PLANET_Y] = trunc_int(y);
    planet_state.x = x;
    planet_state.y = y;
    planet_state.scale = ref / d;
    overlay.scale = planet_state.scale;
}

void setup_planet(int n)
{
    apply_parameters();
    select_planet_map(n);
    planet_label(n);
    place_planet();

    const int W = rs.i[I_WIDTH];
    if (flag_param[F_PHASE_ADJUST])
        rs.d[D_PHASE] += (double)(W / 2 - rs.i[I_PLANET_X]) / rs.d[D_PIXELS_PER_DEGREE];
    planet_state.terminator_angle = (rs.d[D_PHASE] - 90) * DEG2RAD;

    if (full_map) {
        planet_state.planet_rotation =
            dbl_param[D_ROTATION_INIT] -
            (rs.i[I_THIS_FRAME] - page_frames[PAGE_PLANET].start) * rs.d[D_ROTATION_INC];
        if (planet_state.planet_rotation < 0)
            planet_state.planet_rotation += 360;
        planet_state.planet_latitude = rs.d[D_PLANET_LATITUDE] * DEG2RAD;
    } else {
        planet_state.planet_latitude = 0;
        rs.d[D_POLAR_ANGLE] = 90;
        planet_state.planet_rotation = 0;
    }

    planet_state.full_map = full_map;
    if (rs.d[D_PLANET_DIAMETER] < 2.0)
        rs.d[D_PLANET_DIAMETER] = 2.0;
    const double D = rs.d[D_PLANET_DIAMETER];
    planet_state.rows = trunc_int(D);
    planet_state.equatorial_diameter = D * rs.d[D_OBLATE];
    planet_state.columns = trunc_int(planet_state.equatorial_diameter);

    // Index 0 of a map is never drawn as itself: it shows the former entry-0
    // colour through the zero index, and entry 0 turns black. Half maps draw
    // their dark side in the dark index, a near-black grey.
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

    tilt_kc = cos(-planet_state.planet_latitude);
    tilt_ks = sin(-planet_state.planet_latitude);

    overlay.plot_x = planet_state.x;
    overlay.plot_y = planet_state.y;
    overlay.plot_w = planet_state.columns;
    overlay.plot_h = planet_state.rows;
}

int render_planet(int mode)
{
    const bool full = planet_state.full_map != 0;
    if (!full) {
        // The half map's columns cover 180 degrees of a doubled circumference.
        map_width *= 2;
        map_width_d *= 2;
    }
    const double K = map_width_d / 360; // map columns per degree of longitude
    const double D = rs.d[D_PLANET_DIAMETER];
    const double eq = planet_state.equatorial_diameter;
    const double A = eq / 2;
    const double Q = eq / D;
    const double P = rs.d[D_POLAR_ANGLE] - 90;
    const double aspect = rs.d[D_ASPECT];

    int32_t rows = planet_state.rows, columns;
    if (P == 0) {
        columns = trunc_int(eq * aspect);
    } else {
        turned_box(A, D / 2, P, aspect, &columns, &rows);
    }
    planet_state.rows = rows;
    planet_state.columns = columns;
    overlay.plot_w = columns;
    overlay.plot_h = rows;

    if (replay_only || map_width <= 0 || map_height <= 0 || !surface_map)
        return 0;

    const int W = rs.i[I_WIDTH], H = rs.i[I_HEIGHT];
    const int64_t top = (int64_t)rs.i[I_PLANET_Y] - rows / 2;
    const int64_t left = (int64_t)rs.i[I_PLANET_X] - columns / 2;
    const int64_t i0 = top < 0 ? -top : 0, i1 = std::min<int64_t>(rows, H - top);
    const int64_t j0 = left < 0 ? -left : 0, j1 = std::min<int64_t>(columns, W - left);
    const double terminator = planet_state.terminator_angle;
    const double rotation = planet_state.planet_rotation;
    const double shading = rs.d[D_SHADING];
    const double backlight = rs.d[D_PLANET_BACKLIGHT];
    const double limit = dbl_param[D_PLANET_LIGHTING];
    const int mw = map_width, mh = map_height;
    const double mwd = map_width_d, mhd = map_height_d;
    const int zero_index = planet_state.zero_colour & 255;
    const int dark_index = planet_state.dark_colour & 255;
    const int half_offset = full ? 0 : trunc_int(terminator * RAD2DEG * K);
    const bool to_frame = (mode & RENDER_FRAME) != 0, to_preview = (mode & RENDER_PREVIEW) != 0;
    const bool preview_rgb = flag_param[F_PREVIEW_RGB] != 0;

    for (int64_t i = i0; i < i1; i++) {
        const int y = (int)(top + i);
        const double dy = (double)(i - rows / 2);
        // Lighting across the row: the latitude of the light on this row.
        const double t1 = asin(unit_clamp(dy / A));
        const double kappa = cos(t1);
        for (int64_t j = j0; j < j1; j++) {
            const int x = (int)(left + j);
            const double dx = (double)(j - columns / 2) / aspect;

            // Disc test in the turned and squashed frame.
            double r = hypot(dx, dy);
            double a = angle_deg(dx, dy) - P;
            double u = cos(a * DEG2RAD) * r;
            double v = sin(a * DEG2RAD) * r * Q;
            double rho = hypot(u, v);
            if (!(rho < A))
                continue;

            // Light, measured in screen directions from the right limb.
            double t2 = asin(unit_clamp(dx / (A * kappa)));
            double e = 90 - (t2 + terminator - HALF_PI) * RAD2DEG;
            int64_t g = trunc_int(e * K + 0.45);
            int64_t m = mw / 2 - g;
            if (m < 0) {
                m %= mw;
                if (m < 0)
                    m += mw;
            }
            double lambda = ((double)m / K) * DEG2RAD;
            bool dark_side = m >= mw / 2;

            // Surface point under the pixel, then its map texel.
            double beta = angle_deg(u, v);
            double gamma = asin(rho / A);
            double longitude, latitude;
            tilt_rotate(HALF_PI - gamma, (beta - 90) * DEG2RAD, &longitude, &latitude);
            int row = trunc_int((latitude * RAD2DEG + 90) * mhd / 180 + 0.45);
            if (row < 0)
                row += mh;
            row %= mh;
            if (row < 0)
                row += mh;
            double mu = longitude * RAD2DEG * K;
            int64_t column;
            if (full) {
                mu += K * rotation;
                if (mu >= mwd)
                    mu -= mwd;
                if (mu < 0)
                    mu += mwd;
                column = trunc_int(mu);
            } else {
                column = (int64_t)trunc_int(mu) + half_offset;
            }
            column %= mw;
            if (column < 0)
                column += mw;
            int index = map_texel(row, (int)column);
            if (index == 0)
                index = zero_index;

            double b;
            if (dark_side) {
                if (full) {
                    b = backlight;
                } else {
                    b = 0.5;
                    index = dark_index;
                }
            } else {
                b = kappa * shading * sin(lambda);
                if (backlight > b)
                    b = backlight;
                if (limit < b)
                    b = limit;
            }
            if (b < 0)
                b = 0; // a negative BACKLIGHT or SHADING gives black, not wrapped channels

            int red = trunc_int(map_palette[index][0] * b);
            int green = trunc_int(map_palette[index][1] * b);
            int blue = trunc_int(map_palette[index][2] * b);
            if (red > 255) red = 255;
            if (green > 255) green = 255;
            if (blue > 255) blue = 255;
            if (to_frame)
                put_frame_pixel(x, y, red, green, blue);
            if (to_preview) {
                if (preview_rgb && red + green + blue == 0)
                    plot_preview_zero(x, y);
                else
                    preview_plot(x, y, red, green, blue);
            }
        }
    }
    return 0;
}
