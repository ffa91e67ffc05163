// Builder toolkit shared by the data tools and the tests: the parameter
// table reader, the writers of novamir3.dat and novamir1.top, the seeded
// procedural map generator, picture decoding, resampling and quantising.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/param_block.h" // Required for: DATABASE_PALETTE_BYTES

namespace nmk {

// ---------------------------------------------------------------------------
// Parameter table (data/params.tsv): one row per integer, decimal and flag.
// Columns, tab-separated: kind (int, dbl, flag), index, menu name, start,
// minimum, maximum, reason. Lines starting with '#' and blank lines are skipped.

struct ParamRow {
    std::string kind;
    int index = 0;
    std::string name;
    double start = 0, min = 0, max = 0;
    std::string reason;
};

// Reads and checks the table: every entry present once, start within the
// limits, whole numbers for integers and flags, flags 0 or 1. Returns false
// with the first problem (naming the line) in error.
bool read_param_table(const std::string& path, std::vector<ParamRow>& rows, std::string& error);
// The 1,520-byte parameter block of a checked table.
std::vector<uint8_t> param_block(const std::vector<ParamRow>& rows);

// ---------------------------------------------------------------------------
// An 8-bit picture with its palette (red, green, blue 0..255 per entry).

struct IndexedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width x height, row after row
    std::vector<uint8_t> palette; // 768 bytes, or empty
};

// A 24-bit picture, bytes red, green, blue.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // 3 x width x height
    uint8_t* at(int x, int y) { return &pixels[3 * ((size_t)y * width + x)]; }
    const uint8_t* at(int x, int y) const { return &pixels[3 * ((size_t)y * width + x)]; }
};

// A black picture of the given size.
inline RgbImage blank_rgb(int width, int height)
{
    RgbImage im;
    im.width = width;
    im.height = height;
    im.pixels.assign(3 * (size_t)width * height, 0);
    return im;
}

// ---------------------------------------------------------------------------
// novamir3.dat: parameter block, first image and its palette, second image,
// Colour table.
std::vector<uint8_t> database_bytes(const std::vector<uint8_t>& block, const IndexedImage& first,
                                    const IndexedImage& second, const uint8_t colours[DATABASE_PALETTE_BYTES]);

// ---------------------------------------------------------------------------
// novamir1.top.

struct TopoRecord {
    std::string name;       // at most 11 characters
    int map_type = 2;       // 1, 3 raw rows; 2, 4, 14, 15, 16 rows and palette; 6 opaque
    int palette_source = 0; // raw records: record whose palette they use, 0 none
    int zero_index = 0;
    int dark_index = 0;
    int full_flag = 1;      // written into the trailer
    IndexedImage image;     // rows (and palette for the types that carry one)
    std::vector<uint8_t> opaque; // type 6: the whole data block
};

struct TopoFile {
    int record_limit = 0;
    int trailer = 2;            // 0 none, 1 "AH", 2 "AM"
    int planets_on_file = 0;    // "AM" only
    int rings_on_file = 0;      // "AH" and "AM"
    std::vector<int> ring_records; // "AM" only, up to 48
    std::vector<TopoRecord> records;
};

// Checks what the reader relies on (N, names, sizes, palettes, references);
// false with the problem in error.
bool check_topology(const TopoFile& file, std::string& error);
// The file's bytes: header, index entries, markers and trailer, then every
// record's data in order.
std::vector<uint8_t> topology_bytes(const TopoFile& file);

// ---------------------------------------------------------------------------
// Procedural maps: equirectangular (longitude across from -180, latitude
// down from +90), seeded and deterministic.

RgbImage banded_giant(uint32_t seed, int width, int height, const uint8_t light[3], const uint8_t dark[3]);
RgbImage cratered_moon(uint32_t seed, int width, int height, const uint8_t tint[3]);
RgbImage continents(uint32_t seed, int width, int height);
// Radial profile for ring strips: row 0 the outer edge, 'rows' rows inward,
// grey levels 0..255.
std::vector<uint8_t> ring_profile(uint32_t seed, int rows);

// ---------------------------------------------------------------------------
// Pictures.

// Decodes a JPEG or PNG file into RGB; false with the reason in error.
bool load_picture(const std::string& path, RgbImage& out, std::string& error);
// Box-filter (down) or bilinear (up) resampling to the new size.
RgbImage resample(const RgbImage& in, int width, int height);
// Columns x0 .. x0 + width - 1 (wrapping) of a picture.
RgbImage crop_columns(const RgbImage& in, int x0, int width);

// Quantises to 254 colours at indices 1..254 with libimagequant; entry 0 is
// black and unused by the pixels, entry 255 is the dark grey (8, 8, 8)
// reserved for the dark side of half maps.
IndexedImage quantise_map(const RgbImage& in, float dither);
// Maps every pixel to its nearest colour among palette indices first..last,
// with error diffusion when diffuse is set.
IndexedImage remap_nearest(const RgbImage& in, const std::vector<uint8_t>& palette, int first, int last,
                           bool diffuse);

// Brings the quantiser to one thread so its results never depend on timing.
void quantiser_single_thread();

} // namespace nmk
