// build_topology: makes the topology file novamir1.top from the list of
// records in data/maps.tsv: planet maps of Debian's openuniverse-common and
// xplanet-images (a procedural map for any file that is missing), half maps
// cut from them, and ring images made from the ring profile rings.jpg.
//   build_topology OUT.top MAPS.tsv OPENUNIVERSE_TEXTURE_DIR XPLANET_IMAGE_DIR
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib> // Required for: atoi
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "maps.h"
#include "platform/angles.h"      // Required for: PI_EXACT
#include "platform/atomic_file.h" // Required for: write_bytes_atomically

using nmk::RgbImage;
using nmk::TopoRecord;

static const int FULL_W = 512, FULL_H = 256, HALF_W = 256;

// Saturn's rings, from the planet's centre, in planet radii: the C ring's
// inner edge at 1.24 and the A ring's outer edge at 2.27, the ratio of the
// radial profile's two ends.
static const double RING_INNER_SHARE = 1.24 / 2.27;

// Where the sources' folder names in maps.tsv point: the command line's.
static std::string openuniverse_dir, xplanet_dir;

static bool load_source(const std::string& source, RgbImage& out)
{
    std::string path, error;
    if (source.rfind("openuniverse/", 0) == 0)
        path = openuniverse_dir + source.substr(12);
    else if (source.rfind("xplanet/", 0) == 0)
        path = xplanet_dir + source.substr(7);
    else
        path = source;
    if (nmk::load_picture(path, out, error))
        return true;
    fprintf(stderr, "build_topology: %s: %s; using a procedural map instead\n", path.c_str(), error.c_str());
    return false;
}

// "R,G,B" into three bytes; false when it is not that.
static bool colour_of(const std::string& text, uint8_t out[3])
{
    int c[3];
    char tail;
    if (sscanf(text.c_str(), "%d,%d,%d%c", &c[0], &c[1], &c[2], &tail) != 3)
        return false;
    for (int k = 0; k < 3; k++) {
        if (c[k] < 0 || c[k] > 255)
            return false;
        out[k] = (uint8_t)c[k];
    }
    return true;
}

// A full map: the source picture at 512x256, else the seeded procedural map
// the fallback column names. seed_index counts the full maps from 0.
static bool full_map(const std::string& source, const std::string& fallback, int seed_index, RgbImage& out)
{
    RgbImage picture;
    if (load_source(source, picture)) {
        out = nmk::resample_map(picture, FULL_W, FULL_H, true);
        return true;
    }
    std::istringstream words(fallback);
    std::string how, a_text, b_text;
    words >> how >> a_text >> b_text;
    uint8_t a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
    if ((!a_text.empty() && !colour_of(a_text, a)) || (!b_text.empty() && !colour_of(b_text, b)))
        return false;
    uint32_t seed = 1000u + (uint32_t)seed_index;
    if (how == "giant")
        out = nmk::banded_giant(seed, FULL_W, FULL_H, a, b);
    else if (how == "earth")
        out = nmk::continents(seed, FULL_W, FULL_H);
    else if (how == "moon")
        out = nmk::cratered_moon(seed, FULL_W, FULL_H, a);
    else
        return false;
    return true;
}

// ---------------------------------------------------------------------------
// Rings.

// Radial grey profile of Saturn's rings, 'rows' values from the outer edge
// inward; the gaps are deepened so they show the sky through them.
static std::vector<double> saturn_profile(int rows)
{
    RgbImage picture;
    std::vector<double> column;
    if (load_source("openuniverse/rings.jpg", picture)) {
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

// Type 14 strip: columns the angle around the ring (360 degrees across),
// rows the radius, row 0 at the outer edge and the last row at the centre.
static RgbImage saturn_strip()
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
    return im;
}

// Type 15 face-on picture: the whole ring seen from above, the picture's
// width and height spanning its outer diameter.
static RgbImage saturn_face()
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
    return im;
}

// Type 14 strip of our own: five narrow ice-blue ringlets over a faint dust
// sheet, the outermost carrying three bright arcs.
static RgbImage arc_rings()
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
    return im;
}

// ---------------------------------------------------------------------------

struct RingMaker {
    const char* name; // as maps.tsv names it
    RgbImage (*make)();
};
static const RingMaker ring_makers[] = {
    {"saturn-strip", saturn_strip},
    {"saturn-face", saturn_face},
    {"arc-rings", arc_rings},
};

// One line of maps.tsv into the file, with full_rgb keeping every full map
// for the half maps cut from it. False with the problem in error.
static bool add_row(const std::vector<std::string>& col, nmk::TopoFile& file, std::vector<RgbImage>& full_rgb,
                    std::string& error)
{
    if (col.size() < 4) {
        error = "needs name, kind, type and source";
        return false;
    }
    const std::string& name = col[0];
    nmk::MapKind kind = nmk::map_kind_named(col[1]);
    int type = atoi(col[2].c_str());
    if (kind == nmk::KIND_COUNT) {
        error = "kind \"" + col[1] + "\" is none of full, half, ring-strip, ring-face";
        return false;
    }
    const nmk::MapKindRow& k = nmk::map_kinds[kind];
    TopoRecord r;
    if (kind == nmk::KIND_FULL) {
        RgbImage map;
        int seed_index = 0;
        for (const TopoRecord& o : file.records)
            seed_index += o.full_flag && o.map_type < 13 ? 1 : 0;
        if (!full_map(col[3], col.size() > 4 ? col[4] : "", seed_index, map)) {
            error = "no picture and no procedural map (moon, giant or earth with R,G,B colours)";
            return false;
        }
        r = nmk::record_of_kind(name, kind, map);
        full_rgb.resize(file.records.size() + 1);
        full_rgb[file.records.size()] = map;
    } else if (kind == nmk::KIND_HALF) {
        size_t at = col[3].find('@');
        int lender = -1;
        for (int i = 0; i < (int)file.records.size(); i++)
            if (at != std::string::npos && file.records[i].name == col[3].substr(0, at))
                lender = i;
        if (lender < 1 || lender >= (int)full_rgb.size() || full_rgb[lender].width == 0) {
            error = "source \"" + col[3] + "\" names no full map above it (nor may it be record 0, the number for none)";
            return false;
        }
        int centre = atoi(col[3].c_str() + at + 1);
        RgbImage face = nmk::resample(nmk::crop_columns(full_rgb[lender], centre - HALF_W / 2, HALF_W), HALF_W, FULL_H);
        r = nmk::record_of_kind(name, kind, face);
        // Only the rows are stored; the loader takes the palette from the
        // full map, so the pixels must be indices of that palette.
        r.palette_source = lender;
        r.image = nmk::remap_nearest(face, file.records[lender].image.palette, 1, 254, true);
    } else {
        const RingMaker* maker = nullptr;
        for (const RingMaker& m : ring_makers)
            if (col[3] == m.name)
                maker = &m;
        if (!maker) {
            error = "source \"" + col[3] + "\" is none of saturn-strip, saturn-face, arc-rings";
            return false;
        }
        r = nmk::record_of_kind(name, kind, maker->make());
    }
    r.map_type = type;
    int where = -1;
    return nmk::insert_record(file, where, r, k.ring, error);
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: build_topology OUT.top MAPS.tsv OPENUNIVERSE_TEXTURE_DIR XPLANET_IMAGE_DIR\n");
        return 2;
    }
    openuniverse_dir = argv[3];
    xplanet_dir = argv[4];
    nmk::quantiser_single_thread();

    std::ifstream list(argv[2]);
    if (!list) {
        fprintf(stderr, "build_topology: %s: cannot read the list of maps\n", argv[2]);
        return 1;
    }
    nmk::TopoFile file;
    std::vector<RgbImage> full_rgb;
    std::string line;
    for (int number = 1; std::getline(list, line); number++) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> col;
        std::stringstream cells(line);
        for (std::string c; std::getline(cells, c, '\t');)
            col.push_back(c);
        std::string error;
        if (!add_row(col, file, full_rgb, error)) {
            fprintf(stderr, "build_topology: %s:%d: %s\n", argv[2], number, error.c_str());
            return 1;
        }
    }

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
