// Map records of a topology file as a user edits them: reading the file
// back, pictures to records, and inserting, replacing and removing records
// with palette sources, the ring table and the counts kept right.
#include "maps.h"

#include <cstdio>
#include <cstring>

#include "platform/bytes.h"        // Required for: get_i16, get_i32
#include "store/topology_format.h" // Required for: TOPO_* offsets, MAX_TOPOLOGY_RECORDS

#include <stb_image.h>        // Required for: stbi_load_from_file (TGA, BMP)
#include <stb_image_resize.h> // Required for: stbir_resize

namespace nmk {

const MapKindRow map_kinds[KIND_COUNT] = {
    {"full", 512, 256, 2, false},       // 360 degrees of longitude, 2:1
    {"half", 256, 256, 2, false},       // one face, 180 degrees
    {"ring-strip", 360, 256, 14, true}, // a column per degree around the ring, rows outer edge inward
    {"ring-face", 256, 256, 15, true},  // the whole ring seen from above
};

// The zero and dark indices of every planet record of ours: the quantiser
// leaves entry 0 black and unused, and entry 255 is its reserved dark grey.
static const int PLANET_ZERO_INDEX = 0, PLANET_DARK_INDEX = 255;

MapKind map_kind_named(const std::string& name)
{
    for (int k = 0; k < KIND_COUNT; k++)
        if (name == map_kinds[k].name)
            return (MapKind)k;
    return KIND_COUNT;
}

std::string record_kind_word(const TopoFile& file, int i)
{
    const TopoRecord& r = file.records[i];
    switch (r.map_type) {
    case 1: case 2: case 3: case 4:
        return r.full_flag ? "full" : "half";
    case 14:
        return "ring-strip";
    case 15:
        return "ring-face";
    case 16:
        return "ring-blank";
    case TOPO_TYPE_OPAQUE:
        return "opaque";
    default:
        return "type " + std::to_string(r.map_type);
    }
}

// ---------------------------------------------------------------------------
// Reading a file back.

bool parse_topology(const std::vector<uint8_t>& bytes, TopoFile& file, std::string& error)
{
    file = TopoFile();
    const size_t size = bytes.size();
    const uint8_t* b = bytes.data();
    if (size < TOPO_HEADER_BYTES + TOPO_MARKER_BYTES) {
        error = "the file is shorter than its header";
        return false;
    }
    int n = get_i16(b + TOPO_COUNT_AT);
    if (n < 0 || n > MAX_TOPOLOGY_RECORDS) {
        error = "it says it holds " + std::to_string(n) + " records; a file holds 0 to 48";
        return false;
    }
    file.record_limit = get_i16(b + TOPO_RECORD_LIMIT_AT);
    size_t markers = TOPO_HEADER_BYTES + (size_t)TOPO_ENTRY_BYTES * n;
    if (markers + TOPO_MARKER_BYTES > size) {
        error = "the index runs past the end of the file";
        return false;
    }
    file.trailer = b[markers] == 'A' && b[markers + 1] == 'M' ? 2 : (b[markers] == 'A' && b[markers + 1] == 'H' ? 1 : 0);
    size_t trailer_bytes = file.trailer == 2 ? TOPO_TRAILER_AM_BYTES : (file.trailer == 1 ? TOPO_TRAILER_AH_BYTES : 0);
    if (markers + trailer_bytes > size) {
        error = "the trailer runs past the end of the file";
        return false;
    }
    const uint8_t* flags = b + markers + TOPO_MARKER_BYTES;

    for (int i = 0; i < n; i++) {
        TopoRecord r;
        const uint8_t* e = b + TOPO_HEADER_BYTES + (size_t)TOPO_ENTRY_BYTES * i;
        char name[TOPOLOGY_NAME_LEN + 1] = {};
        memcpy(name, e + TOPO_ENTRY_NAME_AT, TOPOLOGY_NAME_LEN);
        name[TOPOLOGY_NAME_LEN - 1] = 0; // the program reads at most 11 characters
        r.name = name;
        r.palette_source = e[TOPO_ENTRY_PALETTE_SOURCE_AT];
        r.map_type = e[TOPO_ENTRY_MAP_TYPE_AT];
        r.zero_index = e[TOPO_ENTRY_ZERO_INDEX_AT];
        r.dark_index = e[TOPO_ENTRY_DARK_INDEX_AT];
        int w = get_i16(b + TOPO_WIDTHS_AT + 2 * i), h = get_i16(b + TOPO_HEIGHTS_AT + 2 * i);
        // Without a trailer the program takes a map wider than 256 as a full
        // one when it loads it; the flag written with the trailer says the same.
        r.full_flag = file.trailer ? (flags[i] ? 1 : 0) : (w > h ? 1 : 0);
        std::string who = "record " + std::to_string(i) + " (" + r.name + ")";
        int64_t offset = get_i32(b + TOPO_OFFSETS_AT + 4 * i);
        if (r.map_type == TOPO_TYPE_OPAQUE) {
            int64_t length = get_i32(b + TOPO_SIZES_AT + 4 * i);
            if (offset < 0 || length < 2 || offset + length > (int64_t)size) {
                error = who + ": its block lies outside the file";
                return false;
            }
            r.opaque.assign(b + offset, b + offset + length);
        } else if (topology_type_is_raw(r.map_type) || topology_type_has_palette(r.map_type)) {
            if (offset < 0 || offset + TOPO_DATA_HEADER_BYTES > (int64_t)size) {
                error = who + ": its offset lies past the end of the file";
                return false;
            }
            int L = get_i16(b + offset), R = get_i16(b + offset + 2);
            if (L < 1 || L > MAP_MAX_WIDTH || R < 1 || R > MAP_MAX_HEIGHT) {
                error = who + ": its size " + std::to_string(L) + "x" + std::to_string(R) + " is outside 640x256";
                return false;
            }
            int64_t rows = (int64_t)L * R, pal = topology_type_has_palette(r.map_type) ? TOPO_PALETTE_BYTES : 0;
            if (offset + TOPO_DATA_HEADER_BYTES + rows + pal > (int64_t)size) {
                error = who + ": its rows run past the end of the file";
                return false;
            }
            const uint8_t* d = b + offset + TOPO_DATA_HEADER_BYTES;
            if (!file.trailer)
                r.full_flag = L > 256 ? 1 : 0;
            r.image.width = L;
            r.image.height = R;
            r.image.pixels.assign(d, d + rows);
            if (pal)
                r.image.palette.assign(d + rows, d + rows + pal);
        } else {
            error = who + ": map type " + std::to_string(r.map_type) + " is not one this tool edits";
            return false;
        }
        file.records.push_back(r);
    }

    if (file.trailer == 2) {
        const uint8_t* t = flags + MAX_TOPOLOGY_RECORDS;
        file.planets_on_file = get_i16(t);
        file.rings_on_file = get_i16(t + 2);
        if (file.rings_on_file < 0 || file.rings_on_file > MAX_TOPOLOGY_RECORDS) {
            error = "it says it holds " + std::to_string(file.rings_on_file) + " rings; a file holds 0 to 48";
            return false;
        }
        for (int j = 0; j < file.rings_on_file; j++)
            file.ring_records.push_back(get_i16(t + 4 + 2 * j));
    } else {
        // As the program sees such a file: the header's count of planets, and
        // the rings found by their type, at most 32 of them.
        file.planets_on_file = file.record_limit < n ? file.record_limit : n;
        for (int i = 0; i < n && file.ring_records.size() < 32; i++)
            if (file.records[i].map_type > 13)
                file.ring_records.push_back(i);
        file.rings_on_file = (int)file.ring_records.size();
        file.trailer = 2;
    }
    if (file.planets_on_file < 0 || file.planets_on_file > n) {
        error = "it counts " + std::to_string(file.planets_on_file) + " planets among " + std::to_string(n) + " records";
        return false;
    }
    return check_topology(file, error);
}

// ---------------------------------------------------------------------------
// Pictures.

bool read_any_picture(const std::string& path, RgbImage& out, std::string& error)
{
    if (load_picture(path, out, error))
        return true;
    if (error != "neither JPEG nor PNG")
        return false;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    if (stbi_info_from_file(f, &w, &h, &channels) && (w > 16384 || h > 16384)) {
        fclose(f);
        error = "larger than 16384 pixels a side"; // as for JPEG and PNG
        return false;
    }
    uint8_t* p = stbi_load_from_file(f, &w, &h, &channels, 3);
    fclose(f);
    if (!p) {
        error = "neither JPEG, PNG, TGA nor BMP";
        return false;
    }
    out.width = w;
    out.height = h;
    out.pixels.assign(p, p + 3 * (size_t)w * h);
    stbi_image_free(p);
    return true;
}

static bool whole_ratio(int a, int b) { return a % b == 0 || b % a == 0; }

RgbImage resample_map(const RgbImage& in, int width, int height, bool wrap)
{
    if (whole_ratio(in.width, width) && whole_ratio(in.height, height))
        return resample(in, width, height);
    RgbImage out = blank_rgb(width, height);
    stbir_resize(in.pixels.data(), in.width, in.height, 0, out.pixels.data(), width, height, 0, STBIR_TYPE_UINT8,
                 3, STBIR_ALPHA_CHANNEL_NONE, 0, wrap ? STBIR_EDGE_WRAP : STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
                 STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr);
    return out;
}

IndexedImage quantise_ring(const RgbImage& im)
{
    IndexedImage q = quantise_map(im, 0.4f);
    for (size_t i = 0; i < q.pixels.size(); i++) {
        const uint8_t* p = &im.pixels[3 * i];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0)
            q.pixels[i] = 0;
    }
    return q;
}

TopoRecord record_of_kind(const std::string& name, MapKind kind, const RgbImage& picture)
{
    const MapKindRow& k = map_kinds[kind];
    TopoRecord r;
    r.name = name;
    r.map_type = k.map_type;
    if (k.ring) {
        r.image = quantise_ring(picture);
        r.full_flag = picture.width > 256 ? 1 : 0; // as a file without a trailer would say
    } else {
        r.image = quantise_map(picture, 0.5f);
        r.zero_index = PLANET_ZERO_INDEX;
        r.dark_index = PLANET_DARK_INDEX;
        r.full_flag = kind == KIND_FULL ? 1 : 0;
    }
    return r;
}

// Colours of raw rows through a palette, for matching them to another.
static RgbImage colours_of(const IndexedImage& im, const std::vector<uint8_t>& palette)
{
    RgbImage out = blank_rgb(im.width, im.height);
    for (size_t i = 0; i < im.pixels.size(); i++)
        memcpy(&out.pixels[3 * i], &palette[3 * im.pixels[i]], 3);
    return out;
}

// ---------------------------------------------------------------------------
// Editing.

bool insert_record(TopoFile& file, int& at, const TopoRecord& r, bool ring, std::string& error)
{
    int n = (int)file.records.size();
    if (n >= MAX_TOPOLOGY_RECORDS) {
        error = "it already holds 48 records, as many as a file can";
        return false;
    }
    if (ring && file.rings_on_file >= MAX_TOPOLOGY_RECORDS) {
        error = "its ring table is full";
        return false;
    }
    if (at < 0)
        at = ring ? n : file.planets_on_file;
    if (!ring && at > file.planets_on_file) {
        error = "planets are records 0 to " + std::to_string(file.planets_on_file) + " (the planet picker's numbers); " +
                std::to_string(at) + " is past them";
        return false;
    }
    if (ring && (at < file.planets_on_file || at > n)) {
        error = "rings go after the planets, records " + std::to_string(file.planets_on_file) + " to " +
                std::to_string(n);
        return false;
    }
    for (TopoRecord& o : file.records)
        if (topology_type_is_raw(o.map_type) && o.palette_source != 0 && o.palette_source >= at)
            o.palette_source++;
    int table_at = 0;
    for (int& k : file.ring_records) {
        if (k < at)
            table_at++;
        else
            k++;
    }
    if (at < file.record_limit || file.record_limit == n)
        file.record_limit++;
    file.records.insert(file.records.begin() + at, r);
    if (ring) {
        file.ring_records.insert(file.ring_records.begin() + table_at, at);
        file.rings_on_file++;
    } else {
        file.planets_on_file++;
    }
    return check_topology(file, error);
}

bool remove_record(TopoFile& file, int n, std::string& error)
{
    int count = (int)file.records.size();
    if (n < 0 || n >= count) {
        error = "it has no record " + std::to_string(n);
        return false;
    }
    if (count == 1) {
        error = "record " + std::to_string(n) + " is its only record; a file keeps at least one";
        return false;
    }
    for (int i = 0; i < count; i++) {
        const TopoRecord& o = file.records[i];
        if (!topology_type_is_raw(o.map_type) || o.palette_source == 0)
            continue;
        std::string who = "record " + std::to_string(i) + " (" + o.name + ")";
        if (o.palette_source == n) {
            error = who + " borrows the palette of record " + std::to_string(n) + "; remove it first";
            return false;
        }
        if (n == 0 && o.palette_source == 1) {
            error = who + " borrows the palette of record 1, which would become record 0, the number for none";
            return false;
        }
    }
    for (TopoRecord& o : file.records)
        if (topology_type_is_raw(o.map_type) && o.palette_source > n)
            o.palette_source--;
    std::vector<int> table;
    for (int k : file.ring_records)
        if (k != n)
            table.push_back(k > n ? k - 1 : k);
    file.ring_records = table;
    file.rings_on_file = (int)table.size();
    if (n < file.planets_on_file)
        file.planets_on_file--;
    if (n < file.record_limit)
        file.record_limit--;
    file.records.erase(file.records.begin() + n);
    return check_topology(file, error);
}

bool replace_record(TopoFile& file, int n, const RgbImage& picture, std::string& error)
{
    if (n < 0 || n >= (int)file.records.size()) {
        error = "it has no record " + std::to_string(n);
        return false;
    }
    TopoRecord& r = file.records[n];
    if (r.map_type == TOPO_TYPE_OPAQUE) {
        error = "record " + std::to_string(n) + " (" + r.name + ") is an opaque block, not a picture";
        return false;
    }
    bool ring = r.map_type > 13;
    bool wraps = r.map_type == 14 || (!ring && r.full_flag); // strips and full maps go all the way round
    RgbImage sized = resample_map(picture, r.image.width, r.image.height, wraps);
    std::vector<uint8_t> old_palette = r.image.palette;
    if (topology_type_is_raw(r.map_type)) {
        if (r.palette_source == 0) {
            error = "record " + std::to_string(n) + " (" + r.name + ") takes whatever palette was loaded before it";
            return false;
        }
        r.image = remap_nearest(sized, file.records[r.palette_source].image.palette, 1, 254, true);
        return true;
    }
    r.image = ring ? quantise_ring(sized) : quantise_map(sized, 0.5f);
    if (r.image.palette == old_palette)
        return true; // the borrowers' indices still mean the same colours
    for (TopoRecord& o : file.records)
        if (topology_type_is_raw(o.map_type) && o.palette_source == n)
            o.image.pixels = remap_nearest(colours_of(o.image, old_palette), r.image.palette, 1, 254, false).pixels;
    return true;
}

bool record_picture(const TopoFile& file, int n, RgbImage& out, std::string& error)
{
    if (n < 0 || n >= (int)file.records.size()) {
        error = "it has no record " + std::to_string(n);
        return false;
    }
    const TopoRecord& r = file.records[n];
    if (r.map_type == TOPO_TYPE_OPAQUE) {
        error = "record " + std::to_string(n) + " (" + r.name + ") is an opaque block, not a picture";
        return false;
    }
    std::vector<uint8_t> palette = r.image.palette;
    if (topology_type_is_raw(r.map_type)) {
        if (r.palette_source != 0) {
            palette = file.records[r.palette_source].image.palette;
        } else {
            // It shows in whatever palette was loaded last; grey levels stand in.
            palette.resize(768);
            for (int i = 0; i < 768; i++)
                palette[i] = (uint8_t)(i / 3);
        }
    }
    out = colours_of(r.image, palette);
    return true;
}

} // namespace nmk
