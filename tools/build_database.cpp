// build_database: makes the planet database novamir3.dat from the parameter
// table, a title picture and a second picture drawn here, and the Colour
// table (the interface palette times 4).
//   build_database PARAMS.tsv OUT.dat
#include <allegro.h> // Required for: font, textout_ex, create_bitmap_ex
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/angles.h"      // Required for: PI_EXACT
#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "platform/platform.h"    // Required for: init_headless
#include "store/palette.h"        // Required for: interface_palette
#include "toolkit.h"

using nmk::IndexedImage;
using nmk::RgbImage;

// ---------------------------------------------------------------------------
// A small scene renderer for the two pictures: an orthographic sphere with a
// map, lit from one side, optionally inside a ring.

struct Sphere {
    double cx, cy, radius;
    double tilt;     // radians the north pole leans toward the viewer
    double spin;     // radians added to the longitude
    double light[3]; // unit vector toward the sun (x right, y up, z toward viewer)
};

struct Ring {
    double inner, outer;          // in planet radii
    std::vector<uint8_t> profile; // grey levels, row 0 at the outer edge
    uint8_t tint[3];
};

static double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

static void sample_map(const RgbImage& map, double lat, double lon, double out[3])
{
    double u = (lon + PI_EXACT) / (2 * PI_EXACT) * map.width - 0.5;
    double v = (PI_EXACT / 2 - lat) / PI_EXACT * map.height - 0.5;
    int x0 = (int)std::floor(u), y0 = (int)std::floor(v);
    double tx = u - x0, ty = v - y0;
    for (int k = 0; k < 3; k++)
        out[k] = 0;
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 2; i++) {
            int x = ((x0 + i) % map.width + map.width) % map.width;
            int y = y0 + j < 0 ? 0 : (y0 + j >= map.height ? map.height - 1 : y0 + j);
            double w = (i ? tx : 1 - tx) * (j ? ty : 1 - ty);
            const uint8_t* p = map.at(x, y);
            for (int k = 0; k < 3; k++)
                out[k] += w * p[k];
        }
}

// Colour of the ring at planet-radius distance rho, or false outside it.
static bool ring_colour(const Ring& ring, double rho, double out[3], double* alpha)
{
    if (rho < ring.inner || rho > ring.outer)
        return false;
    double t = (ring.outer - rho) / (ring.outer - ring.inner);
    int row = (int)(t * (ring.profile.size() - 1));
    double g = ring.profile[row] / 255.0;
    for (int k = 0; k < 3; k++)
        out[k] = ring.tint[k] * g;
    *alpha = clamp01(g * 1.3);
    return true;
}

// Draws the sphere (and the ring, far half behind and near half in front).
static void draw_planet(RgbImage& im, const RgbImage& map, const Sphere& s, const Ring* ring)
{
    double ct = std::cos(s.tilt), st = std::sin(s.tilt);
    for (int py = 0; py < im.height; py++)
        for (int px = 0; px < im.width; px++) {
            double x = (px + 0.5 - s.cx) / s.radius, y = (s.cy - (py + 0.5)) / s.radius;
            double colour[3];
            uint8_t* dst = im.at(px, py);
            for (int k = 0; k < 3; k++)
                colour[k] = dst[k];
            // Ring plane: tilted by the same angle, seen edge-on when tilt is 0.
            double ring_c[3] = {0, 0, 0}, ring_a = 0;
            bool ring_here = false, ring_front = false;
            if (ring && std::fabs(st) > 1e-6) {
                // A ring point (a, b) in the equatorial plane shows at
                // screen (a, -b sin tilt) with depth b cos tilt.
                double b = -y / st;
                ring_here = ring_colour(*ring, std::hypot(x, b), ring_c, &ring_a);
                ring_front = b > 0;
            }
            double r2 = x * x + y * y;
            if (ring_here && !ring_front)
                for (int k = 0; k < 3; k++)
                    colour[k] = colour[k] * (1 - ring_a) + ring_c[k] * ring_a;
            if (r2 < 1.0) {
                double z = std::sqrt(1.0 - r2);
                // The point on the globe: north pole at (0, cos tilt, sin tilt).
                double gy = y * ct + z * st;
                double gz = z * ct - y * st;
                double lat = std::asin(std::fmax(-1.0, std::fmin(1.0, gy)));
                double lon = std::atan2(x, gz) + s.spin;
                lon = std::remainder(lon, 2 * PI_EXACT);
                double m[3];
                sample_map(map, lat, lon, m);
                double lambert = x * s.light[0] + y * s.light[1] + z * s.light[2];
                double light = 0.06 + 1.05 * clamp01(lambert);
                double edge = clamp01((1.0 - r2) * 40.0); // soft limb against the sky
                for (int k = 0; k < 3; k++)
                    colour[k] = colour[k] * (1 - edge) + std::fmin(255.0, m[k] * light) * edge;
            }
            if (ring_here && ring_front)
                for (int k = 0; k < 3; k++)
                    colour[k] = colour[k] * (1 - ring_a) + ring_c[k] * ring_a;
            for (int k = 0; k < 3; k++)
                dst[k] = (uint8_t)std::fmin(255.0, colour[k] + 0.5);
        }
}

// Scattered stars of seeded brightness on black.
static void draw_stars(RgbImage& im, uint32_t seed, int count)
{
    uint32_t s = seed | 1u;
    auto next = [&s]() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    for (int i = 0; i < count; i++) {
        int x = next() % im.width, y = next() % im.height;
        int b = 60 + next() % 196;
        int tint = next() % 3;
        uint8_t* p = im.at(x, y);
        p[0] = (uint8_t)(tint == 0 ? b : b * 9 / 10);
        p[1] = (uint8_t)(b * 19 / 20);
        p[2] = (uint8_t)(tint == 2 ? b : b * 9 / 10);
    }
}

// Lettering: Allegro's own 8x8 font, enlarged by 'scale', shaded from top
// colour to bottom colour, with a one-cell dark shadow.
static void draw_text(RgbImage& im, const char* text, int x0, int y0, int scale, const uint8_t top[3],
                      const uint8_t bottom[3])
{
    int w = text_length(font, text), h = text_height(font);
    BITMAP* glyphs = create_bitmap_ex(8, w, h);
    clear_to_color(glyphs, 0);
    textout_ex(glyphs, font, text, 0, 0, 1, 0);
    for (int pass = 0; pass < 2; pass++)
        for (int gy = 0; gy < h; gy++)
            for (int gx = 0; gx < w; gx++) {
                if (glyphs->line[gy][gx] == 0)
                    continue;
                for (int sy = 0; sy < scale; sy++)
                    for (int sx = 0; sx < scale; sx++) {
                        int off = pass == 0 ? (scale + 1) / 2 : 0;
                        int x = x0 + gx * scale + sx + off, y = y0 + gy * scale + sy + off;
                        if (x < 0 || y < 0 || x >= im.width || y >= im.height)
                            continue;
                        uint8_t* p = im.at(x, y);
                        double t = (double)(gy * scale + sy) / (h * scale);
                        for (int k = 0; k < 3; k++)
                            p[k] = pass == 0 ? (uint8_t)(p[k] / 4)
                                             : (uint8_t)(top[k] + (bottom[k] - top[k]) * t);
                    }
            }
    destroy_bitmap(glyphs);
}

// Title picture: a ringed giant under the program's name.
static IndexedImage title_picture()
{
    RgbImage im = nmk::blank_rgb(320, 256);
    draw_stars(im, 1997, 420);
    const uint8_t light[3] = {236, 214, 170}, dark[3] = {176, 120, 72};
    RgbImage map = nmk::banded_giant(5, 256, 128, light, dark);
    Sphere s{190, 160, 70, 0.42, 1.1, {0.74, 0.3, 0.6}};
    Ring ring{1.25, 2.25, nmk::ring_profile(11, 64), {226, 204, 170}};
    draw_planet(im, map, s, &ring);
    const uint8_t moon_tint[3] = {200, 196, 190};
    RgbImage moon_map = nmk::cratered_moon(3, 128, 64, moon_tint);
    Sphere moon{46, 214, 20, 0.1, 0.3, {0.74, 0.3, 0.6}};
    draw_planet(im, moon_map, moon, nullptr);
    const uint8_t gold[3] = {255, 236, 140}, orange[3] = {230, 110, 30};
    draw_text(im, "NOVAMIR", 20, 14, 5, gold, orange);
    const uint8_t pale[3] = {200, 220, 255}, blue[3] = {120, 150, 230};
    draw_text(im, "planetary animation", 84, 60, 1, pale, blue);
    return nmk::quantise_map(im, 0.6f);
}

// Second picture, in Colour table indices: a blue world and the version.
static IndexedImage second_picture(const uint8_t colours[DATABASE_PALETTE_BYTES])
{
    RgbImage im = nmk::blank_rgb(160, 128);
    draw_stars(im, 2024, 80);
    RgbImage map = nmk::continents(8, 256, 128);
    Sphere s{80, 70, 46, 0.35, 2.0, {0.7, 0.35, 0.62}};
    draw_planet(im, map, s, nullptr);
    const uint8_t white[3] = {255, 255, 255}, cyan[3] = {120, 220, 255};
    draw_text(im, "3.0", 58, 106, 2, white, cyan);
    std::vector<uint8_t> pal(colours, colours + DATABASE_PALETTE_BYTES);
    return nmk::remap_nearest(im, pal, 0, 255, true);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: build_database PARAMS.tsv OUT.dat\n");
        return 2;
    }
    std::vector<nmk::ParamRow> rows;
    std::string error;
    if (!nmk::read_param_table(argv[1], rows, error)) {
        fprintf(stderr, "build_database: %s\n", error.c_str());
        return 1;
    }
    if (init_headless() != 0) {
        fprintf(stderr, "build_database: cannot start Allegro\n");
        return 1;
    }
    // Colour numbers mean the same before and after the interface palette is
    // restored: the table is that palette, each component times 4, and
    // entry 255 white as the program sets it at start-up.
    uint8_t interface[256][3];
    interface_palette(interface);
    uint8_t colours[DATABASE_PALETTE_BYTES];
    for (int i = 0; i < 256; i++)
        for (int k = 0; k < 3; k++)
            colours[3 * i + k] = (uint8_t)(interface[i][k] * 4);
    colours[765] = colours[766] = colours[767] = 255;

    IndexedImage first = title_picture();
    IndexedImage second = second_picture(colours);
    std::vector<uint8_t> bytes = nmk::database_bytes(nmk::param_block(rows), first, second, colours);

    if (write_bytes_atomically(argv[2], bytes.data(), bytes.size()) != 0) {
        fprintf(stderr, "build_database: cannot write %s: %s\n", argv[2], strerror(errno));
        return 1;
    }
    return 0;
}
