// Writers of the planet database and the topology file, and the reader of
// the parameter table they are built from.
#include "toolkit.h"

#include "platform/bytes.h"        // Required for: append_u16, append_u32, put_f64, put_u32
#include "store/param_block.h"     // Required for: BLOCK_DBL_PARAM ... BLOCK_FLAG_PARAM, PARAM_BLOCK_SIZE
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH, MAX_TOPOLOGY_RECORDS

#include <algorithm> // Required for: std::min
#include <cmath>     // Required for: std::isfinite, std::floor
#include <cstdlib>   // Required for: strtod, strtol
#include <cstring>
#include <fstream>
#include <sstream>

namespace nmk {

// ---------------------------------------------------------------------------
// Parameter table.

static const int INT_COUNT = INT_PARAMS, DBL_COUNT = DBL_PARAMS, FLAG_COUNT = FLAG_PARAMS;

static bool parse_number(const std::string& text, double& v)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    v = strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(v);
}

static std::vector<std::string> split_tabs(const std::string& line)
{
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, '\t'))
        cells.push_back(cell);
    return cells;
}

bool read_param_table(const std::string& path, std::vector<ParamRow>& rows, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    rows.clear();
    bool seen_int[INT_COUNT] = {}, seen_dbl[DBL_COUNT] = {}, seen_flag[FLAG_COUNT] = {};
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::string where = path + ":" + std::to_string(number) + ": ";
        std::vector<std::string> c = split_tabs(line);
        if (c.size() != 7) {
            error = where + "expected 7 tab-separated columns, found " + std::to_string(c.size());
            return false;
        }
        ParamRow row;
        row.kind = c[0];
        row.name = c[2];
        row.reason = c[6];
        double index;
        if (!parse_number(c[1], index) || index != std::floor(index)) {
            error = where + "bad index '" + c[1] + "'";
            return false;
        }
        row.index = (int)index;
        if (!parse_number(c[3], row.start) || !parse_number(c[4], row.min) || !parse_number(c[5], row.max)) {
            error = where + "start, minimum and maximum must be numbers";
            return false;
        }
        bool* seen;
        int count;
        if (row.kind == "int") {
            seen = seen_int;
            count = INT_COUNT;
        } else if (row.kind == "dbl") {
            seen = seen_dbl;
            count = DBL_COUNT;
        } else if (row.kind == "flag") {
            seen = seen_flag;
            count = FLAG_COUNT;
        } else {
            error = where + "kind must be int, dbl or flag, not '" + row.kind + "'";
            return false;
        }
        if (row.index < 0 || row.index >= count) {
            error = where + row.kind + " index " + std::to_string(row.index) + " out of range";
            return false;
        }
        if (seen[row.index]) {
            error = where + row.kind + " " + std::to_string(row.index) + " appears twice";
            return false;
        }
        seen[row.index] = true;
        if (row.kind != "dbl") {
            for (double v : {row.start, row.min, row.max})
                if (v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0) {
                    error = where + "whole numbers only for " + row.kind;
                    return false;
                }
        }
        if (row.kind == "flag" && (row.min != 0 || row.max != 1 || (row.start != 0 && row.start != 1))) {
            error = where + "a flag starts at 0 or 1 with limits 0 and 1";
            return false;
        }
        if (row.min > row.max) {
            error = where + "minimum above maximum";
            return false;
        }
        if (row.start < row.min || row.start > row.max) {
            error = where + row.kind + " " + std::to_string(row.index) + " (" + row.name +
                    ") start value outside its limits";
            return false;
        }
        if (row.reason.empty()) {
            error = where + "every entry needs its reason";
            return false;
        }
        rows.push_back(row);
    }
    for (int i = 0; i < INT_COUNT; i++)
        if (!seen_int[i]) {
            error = path + ": integer " + std::to_string(i) + " is missing";
            return false;
        }
    for (int i = 0; i < DBL_COUNT; i++)
        if (!seen_dbl[i]) {
            error = path + ": decimal " + std::to_string(i) + " is missing";
            return false;
        }
    for (int i = 0; i < FLAG_COUNT; i++)
        if (!seen_flag[i]) {
            error = path + ": flag " + std::to_string(i) + " is missing";
            return false;
        }
    return true;
}

std::vector<uint8_t> param_block(const std::vector<ParamRow>& rows)
{
    // Every entry the table has is written where the program reads it; the
    // table is complete (read_param_table checks), so nothing stays zero.
    std::vector<uint8_t> out(PARAM_BLOCK_SIZE, 0);
    for (const ParamRow& r : rows) {
        if (r.kind == "dbl") {
            put_f64(&out[BLOCK_DBL_PARAM + 8 * r.index], r.start);
            put_f64(&out[BLOCK_DBL_MAX + 8 * r.index], r.max);
            put_f64(&out[BLOCK_DBL_MIN + 8 * r.index], r.min);
        } else if (r.kind == "int") {
            put_u32(&out[BLOCK_INT_PARAM + 4 * r.index], (uint32_t)(int32_t)r.start);
            put_u32(&out[BLOCK_INT_MAX + 4 * r.index], (uint32_t)(int32_t)r.max);
            put_u32(&out[BLOCK_INT_MIN + 4 * r.index], (uint32_t)(int32_t)r.min);
        } else {
            put_u32(&out[BLOCK_FLAG_PARAM + 4 * r.index], (uint32_t)(int32_t)r.start);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Planet database.

std::vector<uint8_t> database_bytes(const std::vector<uint8_t>& block, const IndexedImage& first,
                                    const IndexedImage& second, const uint8_t colours[DATABASE_PALETTE_BYTES])
{
    std::vector<uint8_t> out(block);
    append_u16(out, first.width);
    append_u16(out, first.height);
    out.insert(out.end(), first.pixels.begin(), first.pixels.end());
    std::vector<uint8_t> pal(first.palette);
    pal.resize(DATABASE_PALETTE_BYTES, 0);
    out.insert(out.end(), pal.begin(), pal.end());
    append_u16(out, second.width);
    append_u16(out, second.height);
    out.insert(out.end(), second.pixels.begin(), second.pixels.end());
    out.insert(out.end(), colours, colours + DATABASE_PALETTE_BYTES);
    return out;
}

// ---------------------------------------------------------------------------
// Topology file.

bool check_topology(const TopoFile& f, std::string& error)
{
    int n = (int)f.records.size();
    if (n > MAX_TOPOLOGY_RECORDS) {
        error = "more than 48 records";
        return false;
    }
    if (f.ring_records.size() > (size_t)MAX_TOPOLOGY_RECORDS || f.rings_on_file > MAX_TOPOLOGY_RECORDS || f.rings_on_file < 0) {
        error = "more than 48 rings";
        return false;
    }
    if (f.trailer == 2) {
        if (f.planets_on_file < 0 || f.planets_on_file > n) {
            error = "planets_on_file outside the records";
            return false;
        }
        if ((int)f.ring_records.size() < f.rings_on_file) {
            error = "ring table shorter than rings_on_file";
            return false;
        }
        for (int j = 0; j < f.rings_on_file; j++) {
            int k = f.ring_records[j];
            if (k >= f.record_limit)
                k = f.record_limit - 1; // the reader limits it the same way
            if (k < 0 || k >= n) {
                error = "ring " + std::to_string(j) + " names no record";
                return false;
            }
        }
    }
    for (int i = 0; i < n; i++) {
        const TopoRecord& r = f.records[i];
        std::string who = "record " + std::to_string(i) + " (" + r.name + "): ";
        if (r.name.size() > TOPOLOGY_NAME_LEN - 1) {
            error = who + "name longer than 11 characters";
            return false;
        }
        if (r.map_type < 0 || r.map_type > 255 || r.palette_source < 0 || r.palette_source > 255 ||
            r.zero_index < 0 || r.zero_index > 255 || r.dark_index < 0 || r.dark_index > 255) {
            error = who + "index fields must be bytes";
            return false;
        }
        if (r.map_type == TOPO_TYPE_OPAQUE)
            continue;
        const IndexedImage& im = r.image;
        if (im.width < 1 || im.width > MAP_MAX_WIDTH || im.height < 1 || im.height > MAP_MAX_HEIGHT ||
            im.pixels.size() != (size_t)im.width * im.height) {
            error = who + "picture must be 1..640 by 1..256 with one byte per pixel";
            return false;
        }
        if (topology_type_has_palette(r.map_type) && im.palette.size() != TOPO_PALETTE_BYTES) {
            error = who + "this type needs a 768-byte palette";
            return false;
        }
        if (topology_type_is_raw(r.map_type) && r.palette_source != 0) {
            int s = r.palette_source;
            if (s >= n || !topology_type_has_palette(f.records[s].map_type)) {
                error = who + "palette source is not a record with a palette";
                return false;
            }
        }
    }
    return true;
}

// Bytes of one record's data block.
static std::vector<uint8_t> record_data(const TopoRecord& r)
{
    if (r.map_type == TOPO_TYPE_OPAQUE)
        return r.opaque;
    std::vector<uint8_t> out;
    append_u16(out, r.image.width);
    append_u16(out, r.image.height);
    out.insert(out.end(), r.image.pixels.begin(), r.image.pixels.end());
    if (topology_type_has_palette(r.map_type))
        out.insert(out.end(), r.image.palette.begin(), r.image.palette.end());
    return out;
}

std::vector<uint8_t> topology_bytes(const TopoFile& f)
{
    int n = (int)f.records.size();
    std::vector<std::vector<uint8_t>> data;
    for (const TopoRecord& r : f.records)
        data.push_back(record_data(r));

    size_t index_size = TOPO_HEADER_BYTES + TOPO_ENTRY_BYTES * (size_t)n;
    if (f.trailer == 1)
        index_size += TOPO_TRAILER_AH_BYTES;
    else if (f.trailer == 2)
        index_size += TOPO_TRAILER_AM_BYTES;
    else
        index_size += TOPO_MARKER_BYTES;

    std::vector<uint8_t> out;
    append_u16(out, f.record_limit);
    append_u16(out, n);
    for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
        append_u16(out, i < n ? (f.records[i].map_type == TOPO_TYPE_OPAQUE ? 0 : f.records[i].image.width) : 0);
    for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
        append_u16(out, i < n ? (f.records[i].map_type == TOPO_TYPE_OPAQUE ? 0 : f.records[i].image.height) : 0);
    size_t offset = index_size;
    for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++) {
        append_u32(out, i < n ? (int32_t)offset : 0);
        if (i < n)
            offset += data[i].size();
    }
    for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
        append_u32(out, i < n ? (int32_t)data[i].size() : 0);
    for (const TopoRecord& r : f.records) {
        uint8_t e[TOPO_ENTRY_BYTES] = {};
        memcpy(e + TOPO_ENTRY_NAME_AT, r.name.c_str(), std::min(r.name.size(), (size_t)TOPOLOGY_NAME_LEN - 1));
        e[TOPO_ENTRY_PALETTE_SOURCE_AT] = (uint8_t)r.palette_source;
        e[TOPO_ENTRY_MAP_TYPE_AT] = (uint8_t)r.map_type;
        e[TOPO_ENTRY_ZERO_INDEX_AT] = (uint8_t)r.zero_index;
        e[TOPO_ENTRY_DARK_INDEX_AT] = (uint8_t)r.dark_index;
        out.insert(out.end(), e, e + TOPO_ENTRY_BYTES);
    }
    if (f.trailer == 0) {
        out.push_back(0);
        out.push_back(0);
    } else {
        out.push_back('A');
        out.push_back(f.trailer == 2 ? 'M' : 'H');
        for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
            out.push_back(i < n ? (uint8_t)(f.records[i].full_flag ? 1 : 0) : 0);
        if (f.trailer == 2)
            append_u16(out, f.planets_on_file);
        append_u16(out, f.rings_on_file);
        if (f.trailer == 2)
            for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
                append_u16(out, i < (int)f.ring_records.size() ? f.ring_records[i] : 0);
    }
    for (const std::vector<uint8_t>& d : data)
        out.insert(out.end(), d.begin(), d.end());
    return out;
}

} // namespace nmk
