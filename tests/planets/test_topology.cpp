// Topology file: index reading, record loads into the surface map, trailers,
// the record_limit clamp, colour planets, the list pages, and files that
// try to make the loader read or write out of bounds.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h> // Required for: access
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/images.h"
#include "planets/planets.h"
#include "shell/shell.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

using nmk::TopoFile;
using nmk::TopoRecord;

// A w x h picture whose pixel (x, y) is (x + 3y + seed) mod 251 + 1, with a
// palette whose entry i is (i, seed, 255 - i).
TopoRecord record(const char* name, int type, int w, int h, int seed)
{
    TopoRecord r;
    r.name = name;
    r.map_type = type;
    r.full_flag = w > 256;
    r.zero_index = 3;
    r.dark_index = 250;
    r.image.width = w;
    r.image.height = h;
    r.image.pixels.resize((size_t)w * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            r.image.pixels[(size_t)y * w + x] = (uint8_t)((x + 3 * y + seed) % 251 + 1);
    if (type == 2 || type == 4 || type >= 14) {
        r.image.palette.resize(768);
        for (int i = 0; i < 256; i++) {
            r.image.palette[3 * i] = (uint8_t)i;
            r.image.palette[3 * i + 1] = (uint8_t)seed;
            r.image.palette[3 * i + 2] = (uint8_t)(255 - i);
        }
    }
    return r;
}

// Records of every loader path: own palettes (2, 4), raw rows with a palette
// source (1, 3), ring images (14, 15, 16).
TopoFile sample_file(int trailer = 2)
{
    TopoFile f;
    f.records.push_back(record("ZERO", 2, 300, 20, 0));
    f.records.push_back(record("FULL", 2, 512, 256, 10));
    f.records.push_back(record("GIANT", 4, 640, 40, 20));
    TopoRecord raw = record("RAWHALF", 1, 128, 128, 30);
    raw.palette_source = 1;
    f.records.push_back(raw);
    TopoRecord raw3 = record("RAW3", 3, 200, 100, 40);
    raw3.palette_source = 2;
    f.records.push_back(raw3);
    f.records.push_back(record("STRIP", 14, 360, 64, 50));
    f.records.push_back(record("FACE", 15, 64, 64, 60));
    f.records.push_back(record("DARKRING", 16, 16, 16, 70));
    f.planets_on_file = 5;
    f.ring_records = {5, 6, 7};
    f.rings_on_file = 3;
    f.record_limit = 8;
    f.trailer = trailer;
    return f;
}

class Topology : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        snprintf(topology_file_name, sizeof topology_file_name, "novamir1.top");
        prompt_log.clear();
        for (int i = 0; i < 256; i++)
            colour_table[i][0] = colour_table[i][1] = colour_table[i][2] = (uint8_t)i;
    }
    void TearDown() override
    {
        write_file_bytes("novamir1.top", {});
        read_topology_index();
        topology_loaded = 0;
    }
    int install(const std::vector<uint8_t>& bytes)
    {
        write_file_bytes("novamir1.top", bytes);
        prompt_log.clear();
        topology_loaded = read_topology_index();
        return topology_loaded;
    }
    int install(const TopoFile& f) { return install(nmk::topology_bytes(f)); }
    static void mark_surface(int index) { clear_to_color(surface_map, index); }
    // True when surface rows 0..h-1, columns 0..w-1 hold the record's pixels.
    static bool surface_holds(const TopoRecord& r)
    {
        for (int y = 0; y < r.image.height; y++)
            if (memcmp(surface_map->line[y], &r.image.pixels[(size_t)y * r.image.width], r.image.width))
                return false;
        return true;
    }
    static bool palette_is(const std::vector<uint8_t>& p) { return memcmp(map_palette, p.data(), 768) == 0; }
    static bool logged(const std::string& part)
    {
        for (const std::string& s : prompt_log)
            if (s.find(part) != std::string::npos)
                return true;
        return false;
    }
};

// ---------------------------------------------------------------------------

TEST_F(Topology, index_round_trips_through_the_writer)
{
    TopoFile f = sample_file();
    std::string why;
    ASSERT_TRUE(nmk::check_topology(f, why)) << why;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(topology.count, 8);
    EXPECT_EQ(topology.record_limit, 8);
    EXPECT_EQ(topology.planets_on_file, 5);
    EXPECT_EQ(topology.rings_on_file, 3);
    EXPECT_EQ(topology.trailer, 2);
    EXPECT_EQ(build_ring_table(), 3);
    for (int i = 0; i < 8; i++) {
        EXPECT_STREQ(topology.entries[i].name, f.records[i].name.c_str());
        EXPECT_EQ(topology.entries[i].map_type, f.records[i].map_type);
        EXPECT_EQ(topology.entries[i].palette_source, f.records[i].palette_source);
        EXPECT_EQ(topology.entries[i].zero_index, 3);
        EXPECT_EQ(topology.entries[i].dark_index, 250);
        EXPECT_EQ(topology.widths[i], f.records[i].image.width);
        EXPECT_EQ(topology.full_flags[i], f.records[i].full_flag);
    }
    EXPECT_EQ(topology.ring_records[0], 5);
    EXPECT_EQ(topology.ring_records[2], 7);
    EXPECT_TRUE(prompt_log.empty()) << prompt_log[0];
}

TEST_F(Topology, every_record_type_loads_rows_palette_and_size)
{
    TopoFile f = sample_file();
    ASSERT_EQ(install(f), 1);
    for (int k : {0, 1, 2, 5, 6, 7}) {
        mark_surface(0);
        EXPECT_EQ(load_map_record(k), f.records[k].map_type) << k;
        EXPECT_TRUE(surface_holds(f.records[k])) << k;
        EXPECT_TRUE(palette_is(f.records[k].image.palette)) << k;
        EXPECT_EQ(map_width, f.records[k].image.width);
        EXPECT_EQ(map_height, f.records[k].image.height);
        EXPECT_EQ(map_width_d, (double)map_width);
        EXPECT_EQ(image_width, map_width);
        EXPECT_EQ(image_height, map_height);
        EXPECT_EQ(full_map, f.records[k].full_flag);
    }
    // Raw rows take the palette of their source; the source's rows lie
    // under them where they are larger.
    EXPECT_EQ(load_map_record(3), 1);
    EXPECT_TRUE(surface_holds(f.records[3]));
    EXPECT_TRUE(palette_is(f.records[1].image.palette));
    EXPECT_EQ(surface_map->line[200][300], f.records[1].image.pixels[200 * 512 + 300]);
    EXPECT_EQ(map_width, 128);
    EXPECT_EQ(full_map, 0);
    EXPECT_EQ(load_map_record(4), 3);
    EXPECT_TRUE(surface_holds(f.records[4]));
    EXPECT_TRUE(palette_is(f.records[2].image.palette));
}

TEST_F(Topology, raw_record_without_palette_source_keeps_the_last_palette)
{
    TopoFile f = sample_file();
    f.records[3].palette_source = 0;
    ASSERT_EQ(install(f), 1);
    load_map_record(6);
    load_map_record(3);
    EXPECT_TRUE(surface_holds(f.records[3]));
    EXPECT_TRUE(palette_is(f.records[6].image.palette));
}

TEST_F(Topology, record_limit_clamps_high_numbers_to_the_last_record_below_it)
{
    TopoFile f = sample_file();
    f.record_limit = 3;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(load_map_record(7), 4); // record 2, a type 4
    EXPECT_TRUE(surface_holds(f.records[2]));
    EXPECT_EQ(load_map_record(2), 4);
    EXPECT_EQ(load_map_record(1), 2);
    // The ring table names records 5..7, so every ring reaches record 2.
    EXPECT_EQ(load_map_record(topology.ring_records[0]), 4);
}

TEST_F(Topology, unknown_and_opaque_types_leave_the_surface_alone)
{
    TopoFile f = sample_file();
    f.records[0].map_type = 9;
    f.records[0].image.palette.clear();
    TopoRecord opaque;
    opaque.name = "BLOCK";
    opaque.map_type = 6;
    opaque.opaque = {8, 4, 1, 2, 3};
    f.records.push_back(opaque);
    f.record_limit = 9;
    ASSERT_EQ(install(f), 1);
    mark_surface(77);
    EXPECT_EQ(load_map_record(0), 9);
    EXPECT_EQ(load_map_record(8), 6);
    EXPECT_EQ(surface_map->line[0][0], 77);
    EXPECT_EQ(surface_map->line[255][639], 77);
}

TEST_F(Topology, trailers_decide_full_maps_and_rings)
{
    // No trailer: full flags from the index sizes, then from the rows loaded.
    TopoFile f = sample_file(0);
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(topology.trailer, 0);
    EXPECT_EQ(topology.rings_on_file, 0);
    EXPECT_EQ(topology.planets_on_file, 8);
    EXPECT_EQ(topology.full_flags[6], 0); // 64 x 64
    EXPECT_EQ(topology.full_flags[5], 1); // 360 x 64
    EXPECT_EQ(build_ring_table(), 3);     // the scan: types above 13
    EXPECT_EQ(topology.ring_records[1], 6);
    load_map_record(0); // 300 wide: full
    EXPECT_EQ(full_map, 1);
    load_map_record(3); // 128 wide: half, stored back
    EXPECT_EQ(full_map, 0);
    EXPECT_EQ(topology.full_flags[3], 0);

    // "AH": stored flags win whatever the width; ring count from the file.
    f = sample_file(1);
    f.records[0].full_flag = 0;
    f.rings_on_file = 2;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(topology.trailer, 1);
    EXPECT_EQ(topology.rings_on_file, 2);
    EXPECT_EQ(topology.planets_on_file, 8);
    EXPECT_EQ(topology.ring_records[0], 5); // built at load time
    load_map_record(0);
    EXPECT_EQ(full_map, 0);
}

TEST_F(Topology, ring_scan_stops_at_the_33rd_ring)
{
    TopoFile f;
    for (int i = 0; i < 40; i++)
        f.records.push_back(record("R", 14, 8, 8, i));
    f.record_limit = 40;
    f.trailer = 0;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(build_ring_table(), 32);
    EXPECT_EQ(topology.ring_records[32], 32);
}

TEST_F(Topology, colour_planets_follow_the_maps)
{
    TopoFile f = sample_file();
    ASSERT_EQ(install(f), 1);
    colour_table[2][0] = 200;
    select_planet_map(5 + 2); // planets_on_file + 2
    for (int y : {0, 255})
        for (int x : {0, 639})
            EXPECT_EQ(surface_map->line[y][x], 2);
    EXPECT_EQ(memcmp(map_palette, colour_table, 768), 0);
    EXPECT_EQ(map_width, 512);
    EXPECT_EQ(map_height, 256);
    EXPECT_EQ(full_map, 1);
    fill_lower_half(70);
    EXPECT_EQ(surface_map->line[127][639], 2);
    EXPECT_EQ(surface_map->line[128][0], 70);
    EXPECT_EQ(map_width, 512);

    select_planet_map(1);
    EXPECT_TRUE(surface_holds(f.records[1]));
    topology_loaded = 0; // without a file nothing is loaded
    mark_surface(9);
    select_planet_map(1);
    EXPECT_EQ(surface_map->line[0][0], 9);
}

TEST_F(Topology, labels_and_list_pages)
{
    TopoFile f = sample_file();
    ASSERT_EQ(install(f), 1);
    planet_label(1);
    EXPECT_STREQ(planet_name_text, "P1 FULL");
    planet_label(10);
    EXPECT_STREQ(planet_name_text, "Colour 2");

    char lines[64][80];
    memset(lines, 0x55, sizeof lines);
    int_param[I_PLANET_NUMBER] = 4;
    EXPECT_EQ(planet_list_page(lines, 2, 0, 4), 4);
    EXPECT_STREQ(lines[0], "Planet  ( Full map WHITE, Half map BLUE )");
    EXPECT_STREQ(lines[1], "PLANETS in novamir1.top file (5 on file) Page 1/2 ");
    EXPECT_STREQ(lines[3], "1  :  FULL");
    EXPECT_EQ(lines[3][79], 'F');
    EXPECT_EQ(lines[5][79], 'H');
    EXPECT_EQ(lines[3][78], 0);
    EXPECT_EQ(planet_list_page(lines, 2, 4, 4), 1); // second page: planet 4 only
    EXPECT_STREQ(lines[2], "4  :  RAW3");
    EXPECT_EQ(lines[2][78], 'A');
    EXPECT_EQ(lines[2][77], 0);

    int_param[I_RING_NUMBER] = 1;
    EXPECT_EQ(ring_list_page(lines, 2, 0, 10), 3);
    EXPECT_STREQ(lines[0], "Ring Images");
    EXPECT_STREQ(lines[1], "RINGS in novamir1.top file (3 on file) Page 1/1 ");
    EXPECT_STREQ(lines[3], "1  :  FACE");
    EXPECT_EQ(lines[3][78], 'A');
    EXPECT_EQ(lines[2][78], 0);
}

TEST_F(Topology, writer_is_deterministic_and_checks_what_the_reader_needs)
{
    EXPECT_EQ(nmk::topology_bytes(sample_file()), nmk::topology_bytes(sample_file()));
    std::string why;
    TopoFile f = sample_file();
    f.records[0].name = "TWELVE CHARS";
    EXPECT_FALSE(nmk::check_topology(f, why));
    f = sample_file();
    f.records[3].palette_source = 4; // a raw record has no palette to lend
    EXPECT_FALSE(nmk::check_topology(f, why));
    f = sample_file();
    f.ring_records[1] = 40;
    f.record_limit = 50; // not clamped back into the file
    EXPECT_FALSE(nmk::check_topology(f, why));
    f = sample_file();
    f.records[1].image.width = 641;
    EXPECT_FALSE(nmk::check_topology(f, why));
}

// ---------------------------------------------------------------------------
// Hostile files. Each trips one check; the rest of the file still serves.

class Topology_hostile : public Topology {
protected:
    std::vector<uint8_t> good = nmk::topology_bytes(sample_file());
    static void set16(std::vector<uint8_t>& b, size_t at, int v)
    {
        b[at] = (uint8_t)v;
        b[at + 1] = (uint8_t)(v >> 8);
    }
    static void set32(std::vector<uint8_t>& b, size_t at, int32_t v)
    {
        for (int k = 0; k < 4; k++)
            b[at + k] = (uint8_t)((uint32_t)v >> (8 * k));
    }
    int32_t offset_of(int k) const
    {
        return (int32_t)(good[196 + 4 * k] | good[197 + 4 * k] << 8 | good[198 + 4 * k] << 16 | good[199 + 4 * k] << 24);
    }
    // Record k is refused (nothing loaded, result 0), record 1 still loads.
    void expect_refused(int k, const char* why)
    {
        EXPECT_TRUE(logged("novamir1.top record " + std::to_string(k))) << why;
        mark_surface(33);
        EXPECT_EQ(load_map_record(k), 0) << why;
        EXPECT_EQ(surface_map->line[0][0], 33) << why;
        EXPECT_EQ(load_map_record(1), 2) << why;
    }
};

TEST_F(Topology_hostile, unusable_headers_refuse_the_file)
{
    std::vector<uint8_t> b = good;
    set16(b, 2, 49);
    EXPECT_EQ(install(b), 0);
    EXPECT_TRUE(logged("novamir1.top: index of 49 records"));
    set16(b, 2, -1);
    EXPECT_EQ(install(b), 0);
    EXPECT_EQ(install(std::vector<uint8_t>(good.begin(), good.begin() + 579)), 0);
    EXPECT_EQ(install(std::vector<uint8_t>(good.begin(), good.begin() + 580 + 16 * 7)), 0);
    EXPECT_EQ(topology.count, 0);
    EXPECT_EQ(load_map_record(0), 0);
    // Missing file: not an error message, just nothing loaded.
    snprintf(topology_file_name, sizeof topology_file_name, "nosuch1.top");
    prompt_log.clear();
    EXPECT_EQ(read_topology_index(), 0);
    EXPECT_TRUE(prompt_log.empty());
    snprintf(topology_file_name, sizeof topology_file_name, "novamir1.top");
}

TEST_F(Topology_hostile, offsets_outside_the_file)
{
    std::vector<uint8_t> b = good;
    set32(b, 196 + 4 * 5, (int32_t)b.size());
    set32(b, 196 + 4 * 6, -4);
    set32(b, 196 + 4 * 7, 0x7FFFFFFF);
    ASSERT_EQ(install(b), 1);
    expect_refused(5, "offset at the end");
    expect_refused(6, "negative offset");
    expect_refused(7, "huge offset");
}

TEST_F(Topology_hostile, sizes_beyond_the_surface_map)
{
    std::vector<uint8_t> b = good;
    set16(b, offset_of(0), 641);     // rows longer than 640 bytes
    set16(b, offset_of(2) + 2, 257); // more than 256 rows
    set16(b, offset_of(5), 0);       // empty rows would divide by zero
    set16(b, offset_of(6) + 2, -3);
    ASSERT_EQ(install(b), 1);
    expect_refused(0, "641 wide");
    expect_refused(2, "257 rows");
    expect_refused(5, "0 wide");
    expect_refused(6, "negative rows");
}

TEST_F(Topology_hostile, data_or_palette_past_the_end)
{
    // The last record's palette is cut short by one byte.
    std::vector<uint8_t> b(good.begin(), good.end() - 1);
    ASSERT_EQ(install(b), 1);
    expect_refused(7, "palette cut");
    // Rows claiming more bytes than remain.
    b = good;
    set16(b, offset_of(7), 600);
    ASSERT_EQ(install(b), 1);
    expect_refused(7, "rows past the end");
}

TEST_F(Topology_hostile, palette_sources_must_name_records_with_palettes)
{
    std::vector<uint8_t> b = good;
    b[580 + 16 * 3 + 12] = 8;   // beyond N
    b[580 + 16 * 4 + 12] = 200; // far beyond
    ASSERT_EQ(install(b), 1);
    expect_refused(3, "source 8");
    expect_refused(4, "source 200");
    // A source that is itself broken.
    b = good;
    set16(b, offset_of(1), 700);
    ASSERT_EQ(install(b), 1);
    EXPECT_TRUE(logged("novamir1.top record 3 (RAWHALF): palette source 1"));
    mark_surface(33);
    EXPECT_EQ(load_map_record(3), 0);
    EXPECT_EQ(load_map_record(4), 3);
}

TEST_F(Topology_hostile, counts_are_kept_inside_the_tables)
{
    TopoFile f = sample_file();
    std::vector<uint8_t> b = nmk::topology_bytes(f);
    size_t trailer = 580 + 16 * 8;
    set16(b, trailer + 50, 30);  // planets_on_file above N
    set16(b, trailer + 52, 60);  // rings_on_file above 48
    set16(b, trailer + 54, 99);  // ring 0 names no record ...
    set16(b, 0, 200);            // ... even after the clamp
    ASSERT_EQ(install(b), 1);
    EXPECT_EQ(topology.planets_on_file, 8);
    EXPECT_EQ(topology.rings_on_file, 48);
    EXPECT_TRUE(logged("novamir1.top ring 0: record 99"));
    EXPECT_EQ(load_map_record(topology.ring_records[0]), 0);
    char lines[64][80];
    EXPECT_EQ(planet_list_page(lines, 2, 0, 60), 8);
    EXPECT_EQ(ring_list_page(lines, 2, 0, 60), 48);
    EXPECT_STREQ(lines[2], "0  :  (none)");

    set16(b, trailer + 50, -5);
    set16(b, trailer + 52, -1);
    ASSERT_EQ(install(b), 1);
    EXPECT_EQ(topology.planets_on_file, 0);
    EXPECT_EQ(topology.rings_on_file, 0);
}

TEST_F(Topology_hostile, record_limit_of_zero_or_less_loads_nothing)
{
    std::vector<uint8_t> b = good;
    set16(b, 0, 0);
    ASSERT_EQ(install(b), 1);
    mark_surface(33);
    EXPECT_EQ(load_map_record(0), 0);
    EXPECT_EQ(load_map_record(-7), 0);
    EXPECT_EQ(surface_map->line[0][0], 33);
    planet_label(0);
    EXPECT_STREQ(planet_name_text, "Colour 0");
}

TEST_F(Topology_hostile, cut_trailer_is_not_used)
{
    std::vector<uint8_t> b(good.begin(), good.begin() + 580 + 16 * 8 + 60);
    ASSERT_EQ(install(b), 1);
    EXPECT_EQ(topology.trailer, 0);
    EXPECT_TRUE(logged("trailer is cut short"));
}

// Random damage to a valid file: whatever the bytes say, reading the index
// and loading every record, planet and ring stays inside the file and the
// surface map (the sanitizer build checks every access).
TEST_F(Topology_hostile, random_damage_never_leaves_the_bounds)
{
    TopoFile f;
    f.records.push_back(record("A", 2, 20, 10, 1));
    TopoRecord raw = record("B", 1, 12, 6, 2);
    raw.palette_source = 0;
    f.records.push_back(raw);
    f.records.push_back(record("C", 14, 16, 8, 3));
    f.records[1].palette_source = 2;
    f.planets_on_file = 2;
    f.ring_records = {2};
    f.rings_on_file = 1;
    f.record_limit = 3;
    const std::vector<uint8_t> base = nmk::topology_bytes(f);
    uint32_t s = 12345;
    auto next = [&s]() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    char lines[64][80];
    for (int round = 0; round < 400; round++) {
        std::vector<uint8_t> b = base;
        int hits = 1 + next() % 6;
        for (int h = 0; h < hits; h++) {
            size_t at = next() % b.size();
            // Aim at the header and index most of the time.
            if (next() % 4)
                at = next() % (580 + 16 * 3 + 160);
            b[at] = (uint8_t)next();
        }
        if (next() % 5 == 0)
            b.resize(next() % b.size());
        if (install(b) == 0)
            continue;
        for (int k = -2; k < 52; k++)
            load_map_record(k);
        for (int n = -2; n < 60; n++) {
            select_planet_map(n);
            planet_label(n);
        }
        planet_list_page(lines, 2, 0, 60);
        ring_list_page(lines, 2, 0, 60);
    }
}

// ---------------------------------------------------------------------------
// The built file, when the data build has made it.

TEST_F(Topology, built_file_holds_planets_and_rings_that_all_load)
{
    const char* data = getenv("NOVAMIR_DATA");
    std::string path = std::string(data ? data : "") + "/novamir1.top";
    std::vector<uint8_t> bytes = read_file_bytes(path);
    if (bytes.empty())
        GTEST_SKIP() << "no built novamir1.top";
    ASSERT_EQ(install(bytes), 1);
    EXPECT_TRUE(prompt_log.empty()) << prompt_log[0];
    EXPECT_EQ(topology.trailer, 2);
    EXPECT_GE(topology.planets_on_file, 14);
    EXPECT_GE(topology.rings_on_file, 3);
    EXPECT_EQ(topology.record_limit, topology.count);
    bool types[17] = {};
    for (int n = 0; n < topology.planets_on_file; n++) {
        int type = load_map_record(n);
        ASSERT_TRUE(type >= 1 && type <= 4) << n;
        types[type] = true;
        EXPECT_LE(strlen(topology.entries[n].name), 11u);
        EXPECT_EQ(full_map, map_width > 256 ? 1 : 0) << n;
        // The reserved entries: 0 black and unused, the dark index a dark grey.
        int dark = topology.entries[n].dark_index;
        EXPECT_EQ(map_palette[dark][0], 8);
        for (int y = 0; y < map_height; y++)
            for (int x = 0; x < map_width; x++)
                ASSERT_TRUE(surface_map->line[y][x] != 0 && surface_map->line[y][x] != dark) << n;
    }
    EXPECT_TRUE(types[1] && types[2] && types[3] && types[4]);
    EXPECT_EQ(strcmp(topology.entries[3].name, "EARTH"), 0);
    for (int j = 0; j < topology.rings_on_file; j++)
        EXPECT_GE(load_map_record(topology.ring_records[j]), 14) << j;
}

TEST(Topology_builder, two_builds_give_the_same_bytes)
{
    if (!surface_map)
        surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
    std::string tool = std::string(NOVAMIR_BIN_DIR) + "/build_topology";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "build_topology not built";
    ScratchDir dir;
    const char* ou = "/usr/share/openuniverse/textures";
    const char* xp = "/usr/share/xplanet/images";
    std::string a = tool + " a.top " + ou + " " + xp + " 2>/dev/null";
    std::string b = tool + " b.top " + ou + " " + xp + " 2>/dev/null";
    ASSERT_EQ(system(a.c_str()), 0);
    ASSERT_EQ(system(b.c_str()), 0);
    std::vector<uint8_t> first = read_file_bytes("a.top"), second = read_file_bytes("b.top");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    // Without the packages every map is procedural (repeatable as the
    // generator tests show), and the file is still complete.
    std::string c = tool + " c.top /nonexistent /nonexistent 2>/dev/null";
    ASSERT_EQ(system(c.c_str()), 0);
    std::vector<uint8_t> made = read_file_bytes("c.top");
    EXPECT_NE(made, first);
    write_file_bytes("novamir1.top", made);
    ASSERT_EQ(read_topology_index(), 1);
    EXPECT_EQ(topology.count, 20);
    for (int k = 0; k < topology.count; k++)
        EXPECT_NE(load_map_record(k), 0) << k;
}

TEST(Procedural_maps, are_seeded_and_repeatable)
{
    const uint8_t light[3] = {230, 200, 160}, dark[3] = {150, 100, 60};
    nmk::RgbImage a = nmk::banded_giant(4, 64, 32, light, dark), b = nmk::banded_giant(4, 64, 32, light, dark);
    nmk::RgbImage c = nmk::banded_giant(5, 64, 32, light, dark);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_NE(a.pixels, c.pixels);
    EXPECT_EQ(nmk::cratered_moon(2, 64, 32, light).pixels, nmk::cratered_moon(2, 64, 32, light).pixels);
    EXPECT_EQ(nmk::continents(2, 64, 32).pixels, nmk::continents(2, 64, 32).pixels);
    // The map wraps: the first and last columns are neighbours on the sphere.
    nmk::RgbImage e = nmk::continents(7, 256, 128);
    int diff = 0;
    for (int y = 0; y < 128; y++)
        for (int k = 0; k < 3; k++)
            diff += abs(e.at(0, y)[k] - e.at(255, y)[k]);
    EXPECT_LT(diff / (128 * 3), 12);
    nmk::IndexedImage q = nmk::quantise_map(a, 0.5f);
    for (uint8_t p : q.pixels)
        ASSERT_TRUE(p >= 1 && p <= 254);
    EXPECT_EQ(q.palette[0], 0);
    EXPECT_EQ(q.palette[765], 8);
}

} // namespace
