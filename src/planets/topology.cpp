// Topology file: the index of planet maps and ring images in novamir1.top,
// the loads of one record into the surface map, and the picker list pages.
#include "planets/planets.h"

#include <sys/stat.h> // Required for: fstat

#include <allegro.h> // Required for: BITMAP line table, PALETTE
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <new>     // Required for: placement new
#include <utility> // Required for: std::forward
#include <vector>

#include "platform/bytes.h"        // Required for: get_i16, get_i32
#include "platform/platform.h"     // Required for: open_data_file
#include "store/prompt.h"          // Required for: tell_user, tell_user_lines
#include "store/records.h"         // Required for: planet_name_text
#include "store/store.h"           // Required for: I_PLANET_NUMBER, I_RING_NUMBER, int_param
#include "store/surface.h"         // Required for: fill_colour_map, full_map, image_height
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH, MAX_TOPOLOGY_RECORDS

// ---------------------------------------------------------------------------
// Global tables.

TopologyIndex topology;
int32_t topology_loaded = 0;

// ---------------------------------------------------------------------------
// File-private state: the whole topology file as read at start-up. Every
// record is checked against these bytes, so a load can never run past them,
// and a frame needs no file access.
// Memory for the file's bytes, read over at once: left uninitialised rather
// than cleared first (megabytes that every batch worker reads at start).
template <class T> struct ReadBuffer : std::allocator<T> {
    template <class U> struct rebind {
        using other = ReadBuffer<U>;
    };
    ReadBuffer() = default;
    template <class U> ReadBuffer(const ReadBuffer<U>&) noexcept {}
    template <class U> void construct(U* p) noexcept { ::new ((void*)p) U; }
    template <class U, class... A> void construct(U* p, A&&... a) { ::new ((void*)p) U(std::forward<A>(a)...); }
};

static struct {
    std::vector<uint8_t, ReadBuffer<uint8_t>> bytes;
    uint8_t record_ok[MAX_TOPOLOGY_RECORDS]; // 1 when the record may be loaded
} topo;

// Writes a list line of at most 76 characters (bytes 77..79 carry marks).
static void put_line(char* line, const char* fmt, ...)
{
    char text[200];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    memset(line, 0, 80);
    memcpy(line, text, strnlen(text, 76));
}

// Checks that record k's data lies inside the file and fits the surface map;
// with_palette asks for the 768 palette bytes after the rows as well.
static bool check_record_data(int k, bool with_palette, char* why, size_t n)
{
    const auto& b = topo.bytes;
    int64_t off = topology.offsets[k];
    if (off < 0) {
        snprintf(why, n, "its offset %lld is negative", (long long)off);
        return false;
    }
    if (off + TOPO_DATA_HEADER_BYTES > (int64_t)b.size()) {
        snprintf(why, n, "its offset %lld lies past the end of the file", (long long)off);
        return false;
    }
    int L = get_i16(&b[off]), R = get_i16(&b[off + 2]);
    if (L < 1 || L > MAP_MAX_WIDTH) {
        snprintf(why, n, "its rows of %d bytes are not within 1 to %d", L, MAP_MAX_WIDTH);
        return false;
    }
    if (R < 1 || R > MAP_MAX_HEIGHT) {
        snprintf(why, n, "its %d rows are not within 1 to %d", R, MAP_MAX_HEIGHT);
        return false;
    }
    int64_t end = off + TOPO_DATA_HEADER_BYTES + (int64_t)L * R + (with_palette ? TOPO_PALETTE_BYTES : 0);
    if (end > (int64_t)b.size()) {
        snprintf(why, n, "its data runs %lld bytes past the end of the file", (long long)(end - (int64_t)b.size()));
        return false;
    }
    return true;
}

// Whether load_map_record may load record k (k already limited).
static bool check_record(int k, char* why, size_t n)
{
    int type = topology.entries[k].map_type;
    if (topology_type_is_raw(type)) {
        int src = topology.entries[k].palette_source;
        if (src != 0) {
            if (src >= topology.count) {
                snprintf(why, n, "its palette source %d is not in the file", src);
                return false;
            }
            char inner[96];
            if (!check_record_data(src, true, inner, sizeof inner)) {
                snprintf(why, n, "its palette source %d is unusable (%s)", src, inner);
                return false;
            }
        }
        return check_record_data(k, false, why, n);
    }
    if (topology_type_has_palette(type))
        return check_record_data(k, true, why, n);
    return true; // types that load nothing cannot go wrong
}

// Size state after a load of record k with rows of L bytes, R rows.
static void set_size_state(int k, int L, int R)
{
    if (topology.trailer != 0) {
        full_map = topology.full_flags[k];
    } else {
        full_map = L > 256 ? 1 : 0;
        topology.full_flags[k] = (uint8_t)full_map;
    }
    map_width = L;
    map_height = R;
    map_width_d = L;
    map_height_d = R;
    image_width = L;
    image_height = R;
}

// Copies record k's rows into the surface map; returns the data after them.
static const uint8_t* copy_rows(int k, int* L, int* R)
{
    const uint8_t* p = topo.bytes.data() + topology.offsets[k];
    *L = get_i16(p);
    *R = get_i16(p + 2);
    p += TOPO_DATA_HEADER_BYTES;
    for (int r = 0; r < *R; r++, p += *L)
        memcpy(surface_map->line[r], p, (size_t)*L);
    return p;
}

static void load_palette_map(int k)
{
    int L, R;
    const uint8_t* p = copy_rows(k, &L, &R);
    memcpy(map_palette, p, TOPO_PALETTE_BYTES);
    set_size_state(k, L, R);
}

static void load_raw_map(int k)
{
    if (topology.entries[k].palette_source != 0)
        load_palette_map(topology.entries[k].palette_source);
    int L, R;
    copy_rows(k, &L, &R);
    set_size_state(k, L, R);
}

// Fills the index from the header bytes; false with the problem in why when
// the file cannot serve at all.
static bool parse_index(char* why, size_t n, std::vector<std::string>& notes)
{
    const auto& b = topo.bytes;
    if (b.size() < TOPO_HEADER_BYTES) {
        snprintf(why, n, "%d bytes, shorter than its %d-byte header", (int)b.size(), TOPO_HEADER_BYTES);
        return false;
    }
    topology.record_limit = get_i16(&b[TOPO_RECORD_LIMIT_AT]);
    topology.planets_on_file = topology.record_limit;
    int count = get_i16(&b[TOPO_COUNT_AT]);
    if (count < 0 || count > MAX_TOPOLOGY_RECORDS) {
        snprintf(why, n, "index of %d records (at most %d)", count, MAX_TOPOLOGY_RECORDS);
        return false;
    }
    size_t entries_end = TOPO_HEADER_BYTES + TOPO_ENTRY_BYTES * (size_t)count;
    if (b.size() < entries_end) {
        snprintf(why, n, "the file ends inside its index of %d records", count);
        return false;
    }
    topology.count = count;
    for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++) {
        topology.widths[i] = get_i16(&b[TOPO_WIDTHS_AT + 2 * i]);
        topology.heights[i] = get_i16(&b[TOPO_HEIGHTS_AT + 2 * i]);
        topology.offsets[i] = get_i32(&b[TOPO_OFFSETS_AT + 4 * i]);
        topology.sizes[i] = get_i32(&b[TOPO_SIZES_AT + 4 * i]);
    }
    for (int i = 0; i < count; i++) {
        const uint8_t* e = &b[TOPO_HEADER_BYTES + TOPO_ENTRY_BYTES * i];
        TopologyEntry& t = topology.entries[i];
        memcpy(t.name, e + TOPO_ENTRY_NAME_AT, TOPOLOGY_NAME_LEN);
        t.name[TOPOLOGY_NAME_LEN - 1] = 0;
        t.palette_source = e[TOPO_ENTRY_PALETTE_SOURCE_AT];
        t.map_type = e[TOPO_ENTRY_MAP_TYPE_AT];
        t.zero_index = e[TOPO_ENTRY_ZERO_INDEX_AT];
        t.dark_index = e[TOPO_ENTRY_DARK_INDEX_AT];
        topology.full_flags[i] = topology.widths[i] > topology.heights[i] ? 1 : 0;
    }

    // Trailer: "AH" full flags and ring count, "AM" those plus the planet
    // count and the ring table; anything else (or nothing) means none.
    size_t pos = entries_end;
    if (b.size() >= pos + 2 && b[pos] == 'A' && (b[pos + 1] == 'H' || b[pos + 1] == 'M')) {
        bool am = b[pos + 1] == 'M';
        size_t need = am ? TOPO_TRAILER_AM_BYTES : TOPO_TRAILER_AH_BYTES;
        if (b.size() < pos + need) {
            notes.push_back(std::string(topology_file_name) + ": the trailer is cut short; it is not used.");
        } else {
            pos += TOPO_MARKER_BYTES;
            for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
                topology.full_flags[i] = b[pos + i] ? 1 : 0;
            pos += MAX_TOPOLOGY_RECORDS;
            if (am) {
                topology.planets_on_file = get_i16(&b[pos]);
                pos += 2;
            }
            topology.rings_on_file = get_i16(&b[pos]);
            pos += 2;
            if (am)
                for (int i = 0; i < MAX_TOPOLOGY_RECORDS; i++)
                    topology.ring_records[i] = get_i16(&b[pos + 2 * i]);
            topology.trailer = am ? 2 : 1;
        }
    }
    return true;
}

// Counts that index the fixed tables are kept inside them.
static void limit_counts(std::vector<std::string>& notes)
{
    char line[160];
    if (topology.planets_on_file < 0 || topology.planets_on_file > topology.count) {
        int kept = topology.planets_on_file < 0 ? 0 : topology.count;
        snprintf(line, sizeof line, "%s: %d planets on file but %d records; %d used.", topology_file_name,
                 (int)topology.planets_on_file, (int)topology.count, kept);
        notes.push_back(line);
        topology.planets_on_file = kept;
    }
    if (topology.rings_on_file < 0 || topology.rings_on_file > MAX_TOPOLOGY_RECORDS) {
        int kept = topology.rings_on_file < 0 ? 0 : MAX_TOPOLOGY_RECORDS;
        snprintf(line, sizeof line, "%s: %d rings on file (at most %d); %d used.", topology_file_name,
                 (int)topology.rings_on_file, MAX_TOPOLOGY_RECORDS, kept);
        notes.push_back(line);
        topology.rings_on_file = kept;
    }
}

// Shows what was refused or limited in one box: at most 12 lines, then a
// count of the rest.
static void report_notes(const std::vector<std::string>& notes)
{
    const size_t shown = 12;
    std::vector<const char*> lines;
    for (size_t i = 0; i < notes.size() && i < shown; i++)
        lines.push_back(notes[i].c_str());
    char more[64];
    if (notes.size() > shown) {
        snprintf(more, sizeof more, "... and %d more.", (int)(notes.size() - shown));
        lines.push_back(more);
    }
    lines.push_back("A refused record loads nothing.");
    tell_user_lines((int)lines.size(), lines.data());
}

// The record load_map_record would use for k, or -1 when there is none.
static int limited_record(int k)
{
    if (k >= topology.record_limit)
        k = topology.record_limit - 1;
    if (k < 0 || k >= topology.count)
        return -1;
    return k;
}

// ---------------------------------------------------------------------------
// Public functions.

int read_topology_index()
{
    topo.bytes.clear();
    memset(&topology, 0, sizeof topology);
    memset(topo.record_ok, 0, sizeof topo.record_ok);
    FILE* f = open_data_file(topology_file_name, "rb");
    if (!f)
        return 0;
    // Read straight into memory of the file's size (it is megabytes, and
    // every worker of a batch run starts by reading it); a file that grows
    // meanwhile is read to its end all the same.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && st.st_size > 0 && st.st_size < ((off_t)1 << 31)) {
        topo.bytes.resize((size_t)st.st_size);
        topo.bytes.resize(fread(topo.bytes.data(), 1, topo.bytes.size(), f));
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        topo.bytes.insert(topo.bytes.end(), chunk, chunk + got);
    bool read_error = ferror(f) != 0;
    fclose(f);

    char why[160];
    std::vector<std::string> notes;
    if (read_error) {
        tell_user("%s: read error.", topology_file_name);
        topo.bytes.clear();
        return 0;
    }
    if (!parse_index(why, sizeof why, notes)) {
        tell_user("%s: %s.", topology_file_name, why);
        memset(&topology, 0, sizeof topology);
        topo.bytes.clear();
        return 0;
    }
    limit_counts(notes);

    for (int i = 0; i < topology.count; i++) {
        topo.record_ok[i] = check_record(i, why, sizeof why) ? 1 : 0;
        if (!topo.record_ok[i]) {
            char line[240];
            snprintf(line, sizeof line, "%s: record %d (%s) is refused: %s.", topology_file_name, i,
                     topology.entries[i].name, why);
            notes.push_back(line);
        }
    }
    // Files without the "AM" trailer get their ring table now, so the ring
    // renderer finds the same rings the ring list shows.
    if (topology.trailer != 2) {
        int found = build_ring_table();
        if (topology.rings_on_file > found) {
            char line[160];
            snprintf(line, sizeof line, "%s: %d rings on file but %d ring records; %d used.", topology_file_name,
                     (int)topology.rings_on_file, found, found);
            notes.push_back(line);
            topology.rings_on_file = found;
        }
    } else {
        for (int j = 0; j < topology.rings_on_file; j++) {
            if (limited_record(topology.ring_records[j]) < 0) {
                char line[160];
                snprintf(line, sizeof line, "%s: ring %d names record %d, which is not in the file.",
                         topology_file_name, j, (int)topology.ring_records[j]);
                notes.push_back(line);
            }
        }
    }

    if (!notes.empty())
        report_notes(notes);
    return 1;
}

void select_planet_map(int n)
{
    if (topology_loaded == 0)
        return;
    if (n < topology.planets_on_file)
        load_map_record(n);
    else
        fill_colour_map(n - topology.planets_on_file);
}

int load_map_record(int k)
{
    k = limited_record(k);
    if (k < 0 || !topo.record_ok[k] || !surface_map || topo.bytes.empty())
        return 0; // refused: nothing is loaded, as for a type that loads nothing
    int type = topology.entries[k].map_type;
    if (topology_type_is_raw(type))
        load_raw_map(k);
    else if (topology_type_has_palette(type))
        load_palette_map(k);
    // Type 6 and all others: the surface map keeps what it holds.
    return type;
}

void planet_label(int n)
{
    if (n >= 0 && n < topology.record_limit && n < topology.count)
        snprintf(planet_name_text, sizeof planet_name_text, "P%d %s", n, topology.entries[n].name);
    else if (n >= 0 && n < topology.record_limit)
        snprintf(planet_name_text, sizeof planet_name_text, "P%d ", n);
    else
        snprintf(planet_name_text, sizeof planet_name_text, "Colour %d", n - topology.record_limit);
}

int build_ring_table()
{
    if (topology.trailer == 2)
        return topology.rings_on_file;
    int found = 0;
    for (int i = 0; i < topology.count; i++) {
        if (topology.entries[i].map_type > 13) {
            topology.ring_records[found++] = i;
            if (found == 33)
                return 32;
        }
    }
    return found;
}

// Title, header and entry lines of one list page; entries from first_line on.
int planet_list_page(char lines[][80], int first_line, int start, int per_page)
{
    if (per_page < 1)
        return 0;
    int page = start / per_page;
    int pages = topology.planets_on_file / per_page + 1;
    put_line(lines[0], "Planet  ( Full map WHITE, Half map BLUE )");
    put_line(lines[1], "PLANETS in %s file (%d on file) Page %d/%d ", topology_file_name,
             (int)topology.planets_on_file, page + 1, pages);
    int written = 0;
    for (int i = 0; i < per_page; i++) {
        int j = page * per_page + i;
        if (j >= topology.planets_on_file || j >= topology.count)
            break;
        char* line = lines[first_line + i];
        put_line(line, "%-3d:  %s", j, topology.entries[j].name);
        line[78] = j == int_param[I_PLANET_NUMBER] ? 'A' : 0;
        line[77] = 0;
        line[79] = topology.full_flags[j] == 1 ? 'F' : 'H';
        written++;
    }
    return written;
}

int ring_list_page(char lines[][80], int first_line, int start, int per_page)
{
    if (per_page < 1)
        return 0;
    int count = build_ring_table();
    int page = start / per_page;
    int pages = count / per_page + 1;
    put_line(lines[0], "Ring Images");
    put_line(lines[1], "RINGS in %s file (%d on file) Page %d/%d ", topology_file_name, count, page + 1,
             pages);
    int written = 0;
    for (int i = 0; i < per_page; i++) {
        int j = page * per_page + i;
        if (j >= count || j >= MAX_TOPOLOGY_RECORDS)
            break;
        char* line = lines[first_line + i];
        int r = topology.ring_records[j];
        const char* name = r >= 0 && r < topology.count ? topology.entries[r].name : "(none)";
        put_line(line, "%-3d:  %s", j, name);
        line[78] = j == int_param[I_RING_NUMBER] ? 'A' : 0;
        line[77] = 0;
        written++;
    }
    return written;
}
