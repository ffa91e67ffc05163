// build_topology: makes the topology file novamir1.top from the planet maps
// of Debian's openuniverse-common and xplanet-images and the ring profile
// rings.jpg, falling back to procedural maps for any file that is missing.
//   build_topology OUT.top OPENUNIVERSE_TEXTURE_DIR XPLANET_IMAGE_DIR
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/angles.h"      // Required for: PI_EXACT
#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "toolkit.h"

using nmk::IndexedImage;
using nmk::RgbImage;
using nmk::TopoRecord;

static const int FULL_W = 512, FULL_H = 256, HALF_W = 256;

// Record numbering: the planet maps come first, then the ring images; every
// record is below record_limit so the ring table reaches the rings unchanged.
enum Generator { GEN_MOON, GEN_GIANT, GEN_EARTH };

struct PlanetSource {
    const char* name; // at most 11 characters
    int dir;          // 0 openuniverse textures, 1 xplanet images
    const char* file;
    int map_type;     // 2 or 4: rows with their own palette
    Generator fallback;
    uint8_t a[3], b[3]; // fallback colours (tint, or light and dark bands)
};

static const PlanetSource planets[] = {
    {"MERCURY", 0, "mercury.jpg", 2, GEN_MOON, {190, 175, 160}, {0, 0, 0}},
    {"VENUS", 0, "venus.jpg", 2, GEN_GIANT, {240, 225, 180}, {200, 170, 110}},
    {"MOON", 0, "moon.jpg", 2, GEN_MOON, {200, 200, 200}, {0, 0, 0}},
    {"EARTH", 1, "earth.jpg", 2, GEN_EARTH, {0, 0, 0}, {0, 0, 0}},
    {"MARS", 0, "mars.jpg", 2, GEN_MOON, {220, 130, 80}, {0, 0, 0}},
    {"JUPITER", 0, "jupiter.jpg", 4, GEN_GIANT, {235, 220, 190}, {170, 120, 80}},
    {"SATURN", 0, "saturn.jpg", 4, GEN_GIANT, {235, 215, 150}, {190, 160, 100}},
    {"URANUS", 0, "uranus.jpg", 4, GEN_GIANT, {175, 215, 220}, {150, 195, 205}},
    {"NEPTUNE", 0, "neptune.jpg", 4, GEN_GIANT, {100, 140, 240}, {60, 90, 200}},
    {"IO", 0, "io.jpg", 2, GEN_MOON, {230, 210, 110}, {0, 0, 0}},
    {"EUROPA", 0, "europa.jpg", 2, GEN_MOON, {225, 210, 190}, {0, 0, 0}},
    {"GANYMEDE", 0, "ganymede.jpg", 2, GEN_MOON, {170, 150, 130}, {0, 0, 0}},
    {"CALLISTO", 0, "callisto.jpg", 2, GEN_MOON, {140, 130, 110}, {0, 0, 0}},
    {"TITAN", 0, "titan.jpg", 2, GEN_GIANT, {240, 140, 40}, {230, 120, 30}},
};
static const int PLANET_MAPS = sizeof planets / sizeof planets[0];

// Half maps: 180 degrees of a full map, sharing its palette (raw rows).
struct HalfSource {
    const char* name;
    int full;     // record whose map and palette it takes
    int centre;   // map column (of 512) at the middle of the face
    int map_type; // 1 or 3
};
static const HalfSource halves[] = {
    {"MOON NEAR", 2, 256, 1},   // the face the Moon turns to Earth
    {"MARS SYRTIS", 4, 356, 3}, // Syrtis Major in the middle
    {"JUPITER GRS", 5, 388, 1}, // the Great Red Spot in the middle
};
static const int HALF_MAPS = sizeof halves / sizeof halves[0];

// Zero and dark indices of every planet record: the quantiser leaves entry 0
// black and unused, so the zero colour is that entry itself, and entry 255 is
// a reserved dark grey for the night side of half maps.
static const int ZERO_INDEX = 0, DARK_INDEX = 255;

// Saturn's rings, from the planet's centre, in planet radii: the C ring's
// inner edge at 1.24 and the A ring's outer edge at 2.27, the ratio of the
// radial profile's two ends.
static const double RING_INNER_SHARE = 1.24 / 2.27;

static std::string dirs[2];

static bool load_source(int dir, const char* file, RgbImage& out)
{
    std::string path = dirs[dir] + "/" + file, error;
    if (nmk::load_picture(path, out, error))
        return true;
    fprintf(stderr, "build_topology: %s: %s; using a procedural map instead\n", path.c_str(), error.c_str());
    return false;
}

static RgbImage planet_map(int i)
{
    const PlanetSource& s = planets[i];
    RgbImage picture;
    if (load_source(s.dir, s.file, picture))
        return nmk::resample(picture, FULL_W, FULL_H);
    uint32_t seed = 1000u + (uint32_t)i;
    switch (s.fallback) {
    case GEN_GIANT:
        return nmk::banded_giant(seed, FULL_W, FULL_H, s.a, s.b);
    case GEN_EARTH:
        return nmk::continents(seed, FULL_W, FULL_H);
    default:
        return nmk::cratered_moon(seed, FULL_W, FULL_H, s.a);
    }
}

// ---------------------------------------------------------------------------
// Rings.

// Radial grey profile of Saturn's rings, 'rows' values from the outer edge
// inward; the gaps are deepened so they show the sky through them.
static std::vector<double> saturn_profile(int rows)
{
    RgbImage picture;
    std::vector<double> column;
    if (load_source(0, "rings.jpg", picture)) {
        // rings.jpg runs from the inner edge (left) to the outer edge (right);
        // its rows repeat the same profile, so they are averaged.
        for (int x = 0; x < picture.width; x++) {
            double sum = 0;
            for (int y = 0; y < picture.height; y++) {
                const uint8_t* p = picture.at(x, y);
                sum += (p[0] + p[1] + p[2]) / 3.0;
            }
            column.push_back(sum / picture.height);
        }
    } else {
        std::vector<uint8_t> g = nmk::ring_profile(77, 256);
        for (int x = 255; x >= 0; x--)
            column.push_back(g[x]);
    }
    std::vector<double> out(rows);
    int n = (int)column.size();
    for (int r = 0; r < rows; r++) {
        double src = (1.0 - (r + 0.5) / rows) * n - 0.5;
        if (src < 0)
            src = 0;
        if (src > n - 1)
            src = n - 1;
        int a = (int)src, b = a + 1 < n ? a + 1 : a;
        double g = column[a] + (column[b] - column[a]) * (src - a);
        g = (g - 60.0) * 1.25;
        out[r] = g < 0 ? 0 : (g > 255 ? 255 : g);
    }
    return out;
}

static uint8_t byte_of(double v) { return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v + 0.5)); }

// Saturn's ring colour: pale tan in the bright B ring, greyer and dimmer in
// the C ring, from the grey level g.
static void saturn_tint(double g, double variation, uint8_t out[3])
{
    double warm = g / 255.0;
    out[0] = byte_of(g * (0.96 + 0.06 * warm) * variation);
    out[1] = byte_of(g * (0.86 + 0.04 * warm) * variation);
    out[2] = byte_of(g * (0.70 + 0.02 * warm) * variation);
}

// Gentle brightness change around the ring so its turning shows: a smooth
// periodic wave and faint dark spokes.
static double azimuth_variation(double angle, double radius_share)
{
    double v = 1.0 + 0.05 * std::sin(3 * angle) + 0.03 * std::sin(7 * angle + 1.3);
    for (int k = 0; k < 4; k++) {
        double centre = 0.7 + 1.57 * k;
        double d = std::remainder(angle - centre, 2 * PI_EXACT);
        if (radius_share > 0.62 && radius_share < 0.82)
            v -= 0.06 * std::exp(-(d * d) / 0.004);
    }
    return v;
}

// Sets every pixel outside the ring to entry 0, which the quantiser keeps
// black, so the sky shows through the gaps.
static IndexedImage quantise_ring(const RgbImage& im)
{
    IndexedImage q = nmk::quantise_map(im, 0.4f);
    for (size_t i = 0; i < q.pixels.size(); i++) {
        const uint8_t* p = &im.pixels[3 * i];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0)
            q.pixels[i] = 0;
    }
    return q;
}

// Type 14 strip: columns the angle around the ring (360 degrees across),
// rows the radius, row 0 at the outer edge and the last row at the centre.
static IndexedImage saturn_strip()
{
    const int W = 360, H = 256;
    int ring_rows = (int)(H * (1.0 - RING_INNER_SHARE));
    std::vector<double> profile = saturn_profile(ring_rows);
    RgbImage im = nmk::blank_rgb(W, H);
    for (int y = 0; y < ring_rows; y++)
        for (int x = 0; x < W; x++) {
            double angle = (x + 0.5) * 2 * PI_EXACT / W;
            double share = 1.0 - (y + 0.5) / H;
            saturn_tint(profile[y], azimuth_variation(angle, share), im.at(x, y));
        }
    return quantise_ring(im);
}

// Type 15 face-on picture: the whole ring seen from above, the picture's
// width and height spanning its outer diameter.
static IndexedImage saturn_face()
{
    const int S = 256, PROFILE = 512;
    std::vector<double> profile = saturn_profile(PROFILE);
    RgbImage im = nmk::blank_rgb(S, S);
    for (int y = 0; y < S; y++)
        for (int x = 0; x < S; x++) {
            double u = (x + 0.5) / (S / 2) - 1.0, w = 1.0 - (y + 0.5) / (S / 2);
            double share = std::hypot(u, w);
            if (share >= 1.0 || share < RING_INNER_SHARE)
                continue;
            int row = (int)((1.0 - share) / (1.0 - RING_INNER_SHARE) * PROFILE);
            if (row >= PROFILE)
                row = PROFILE - 1;
            double angle = std::atan2(w, u);
            saturn_tint(profile[row], azimuth_variation(angle, share), im.at(x, y));
        }
    return quantise_ring(im);
}

// Type 14 strip of our own: five narrow ice-blue ringlets over a faint dust
// sheet, the outermost carrying three bright arcs.
static IndexedImage arc_rings()
{
    const int W = 360, H = 256;
    struct Ringlet {
        double share, width, level; // radius share of the outer edge, width, brightness 0..1
    };
    static const Ringlet ringlets[] = {
        {0.97, 0.010, 0.95}, {0.90, 0.006, 0.70}, {0.84, 0.012, 0.80}, {0.76, 0.005, 0.60}, {0.70, 0.008, 0.65},
    };
    // Arcs on the outer ringlet: centre angle and half length, degrees.
    static const double arcs[][2] = {{40, 6}, {58, 3}, {75, 8}};
    RgbImage im = nmk::blank_rgb(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double share = 1.0 - (y + 0.5) / H, angle = x + 0.5;
            double v = 0;
            if (share > 0.55 && share < 0.95)
                v += 0.12 * std::sin((share - 0.55) / 0.4 * PI_EXACT); // dust sheet
            for (const Ringlet& r : ringlets) {
                double d = (share - r.share) / r.width;
                double level = r.level;
                if (&r == &ringlets[0])
                    for (const auto& a : arcs) {
                        double da = std::fabs(angle - a[0]);
                        if (da < a[1])
                            level += 1.2 * std::cos(da / a[1] * PI_EXACT / 2);
                    }
                v += level * std::exp(-d * d);
            }
            if (v < 0.02)
                continue;
            uint8_t* p = im.at(x, y);
            p[0] = byte_of(170 * v);
            p[1] = byte_of(200 * v);
            p[2] = byte_of(235 * v);
        }
    return quantise_ring(im);
}

// ---------------------------------------------------------------------------

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: build_topology OUT.top OPENUNIVERSE_TEXTURE_DIR XPLANET_IMAGE_DIR\n");
        return 2;
    }
    dirs[0] = argv[2];
    dirs[1] = argv[3];
    nmk::quantiser_single_thread();

    nmk::TopoFile file;
    std::vector<RgbImage> full_rgb;
    for (int i = 0; i < PLANET_MAPS; i++) {
        RgbImage map = planet_map(i);
        TopoRecord r;
        r.name = planets[i].name;
        r.map_type = planets[i].map_type;
        r.zero_index = ZERO_INDEX;
        r.dark_index = DARK_INDEX;
        r.full_flag = 1;
        r.image = nmk::quantise_map(map, 0.5f);
        file.records.push_back(r);
        full_rgb.push_back(map);
    }
    for (int h = 0; h < HALF_MAPS; h++) {
        const HalfSource& s = halves[h];
        RgbImage face = nmk::resample(nmk::crop_columns(full_rgb[s.full], s.centre - HALF_W / 2, HALF_W), HALF_W, FULL_H);
        TopoRecord r;
        r.name = s.name;
        r.map_type = s.map_type;
        r.palette_source = s.full;
        r.zero_index = ZERO_INDEX;
        r.dark_index = DARK_INDEX;
        r.full_flag = 0;
        // Only the rows are stored; the loader takes the palette from the
        // full map, so the pixels must be indices of that palette.
        r.image = nmk::remap_nearest(face, file.records[s.full].image.palette, 1, 254, true);
        file.records.push_back(r);
    }
    file.planets_on_file = (int)file.records.size();

    struct RingMaker {
        const char* name;
        int type;
        IndexedImage (*make)();
    };
    static const RingMaker rings[] = {
        {"SATURN RING", 14, saturn_strip},
        {"SATURN FACE", 15, saturn_face},
        {"ARC RINGS", 14, arc_rings},
    };
    for (const RingMaker& m : rings) {
        TopoRecord r;
        r.name = m.name;
        r.map_type = m.type;
        r.image = m.make();
        r.full_flag = r.image.width > 256 ? 1 : 0; // as a file without a trailer would say
        file.ring_records.push_back((int)file.records.size());
        file.records.push_back(r);
    }
    file.rings_on_file = (int)file.ring_records.size();
    file.record_limit = (int)file.records.size();
    file.trailer = 2;

    std::string error;
    if (!nmk::check_topology(file, error)) {
        fprintf(stderr, "build_topology: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes = nmk::topology_bytes(file);
    if (write_bytes_atomically(argv[1], bytes.data(), bytes.size()) != 0) {
        fprintf(stderr, "build_topology: cannot write %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    return 0;
}
