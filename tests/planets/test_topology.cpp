// Topology file: index reading, record loads into the surface map, trailers,
// the record_limit clamp, colour planets, the list pages, and files that
// try to make the loader read or write out of bounds.
#include <unistd.h> // Required for: access
#include <cstdlib>
#include <functional>

#include "planets/planets.h"       // Required for: build_ring_table, load_map_record, planet_label
#include "platform/bytes.h"        // Required for: get_u32, put_u16, put_u32
#include "store/prompt.h"          // Required for: prompt_log
#include "store/records.h"         // Required for: planet_name_text
#include "store/store.h"           // Required for: I_PLANET_NUMBER, I_RING_NUMBER, int_param
#include "store/surface.h"         // Required for: colour_table, fill_lower_half, full_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH
#include "test_planet_scene.h"

using nmk::TopoFile;
using nmk::TopoRecord;

namespace {

// Pixel (x, y) is (x + 3y + seed) mod 251 + 1; palette entry i is (i, seed, 255 - i).
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
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            r.image.pixels.push_back((uint8_t)((x + 3 * y + seed) % 251 + 1));
    for (int i = 0; (type == 2 || type == 4 || type >= 14) && i < 256; i++)
        r.image.palette.insert(r.image.palette.end(), {(uint8_t)i, (uint8_t)seed, (uint8_t)(255 - i)});
    return r;
}

// Every loader path: own palettes (2, 4), raw rows borrowing a palette (1, 3),
// ring images (14, 15, 16).
TopoFile sample_file(int trailer = 2)
{
    TopoFile f;
    f.records = {record("ZERO", 2, 300, 20, 0),     record("FULL", 2, 512, 256, 10), record("GIANT", 4, 640, 40, 20),
                 record("RAWHALF", 1, 128, 128, 30), record("RAW3", 3, 200, 100, 40), record("STRIP", 14, 360, 64, 50),
                 record("FACE", 15, 64, 64, 60),     record("DARKRING", 16, 16, 16, 70)};
    f.records[3].palette_source = 1;
    f.records[4].palette_source = 2;
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
        for (int i = 0; i < 256; i++)
            colour_table[i][0] = colour_table[i][1] = colour_table[i][2] = (uint8_t)i;
    }
    void TearDown() override
    {
        write_file_bytes("novamir1.top", {});
        read_topology_index();
        topology_loaded = 0;
    }
    static int install(const std::vector<uint8_t>& bytes)
    {
        write_file_bytes("novamir1.top", bytes);
        prompt_log.clear();
        return topology_loaded = read_topology_index();
    }
    static int install(const TopoFile& f) { return install(nmk::topology_bytes(f)); }
    static void mark_surface(int index) { clear_to_color(surface_map, index); }
    // The record's rows at the surface's top left, its palette in map_palette.
    static bool surface_holds(const TopoRecord& r, const TopoRecord& palette_from)
    {
        for (int y = 0; y < r.image.height; y++)
            if (memcmp(surface_map->line[y], &r.image.pixels[(size_t)y * r.image.width], r.image.width))
                return false;
        return memcmp(map_palette, palette_from.image.palette.data(), 768) == 0;
    }
};

TEST_F(Topology, index_and_every_record_type_round_trip_through_the_writer)
{
    TopoFile f = sample_file();
    std::string why;
    ASSERT_TRUE(nmk::check_topology(f, why)) << why;
    ASSERT_EQ(install(f), 1);
    EXPECT_TRUE(prompt_log.empty());
    EXPECT_EQ(topology.count, 8);
    EXPECT_EQ(topology.planets_on_file, 5);
    EXPECT_EQ(topology.rings_on_file, 3);
    EXPECT_EQ(build_ring_table(), 3);
    EXPECT_EQ(topology.ring_records[2], 7);
    // {record, palette from}: raw rows take their source's palette.
    const int cases[][2] = {{0, 0}, {1, 1}, {2, 2}, {5, 5}, {6, 6}, {7, 7}, {3, 1}, {4, 2}};
    for (const auto& c : cases) {
        const TopoRecord& r = f.records[c[0]];
        EXPECT_STREQ(topology.entries[c[0]].name, r.name.c_str());
        EXPECT_EQ(topology.entries[c[0]].dark_index, 250);
        EXPECT_EQ(load_map_record(c[0]), r.map_type) << c[0];
        EXPECT_TRUE(surface_holds(r, f.records[c[1]])) << c[0];
        EXPECT_EQ(map_width, r.image.width);
        EXPECT_EQ(map_height, r.image.height);
        EXPECT_EQ(full_map, r.full_flag);
    }
    // A raw record without a source keeps the palette last loaded.
    f.records[3].palette_source = 0;
    ASSERT_EQ(install(f), 1);
    load_map_record(6);
    load_map_record(3);
    EXPECT_TRUE(surface_holds(f.records[3], f.records[6]));
}

TEST_F(Topology, record_limit_clamps_and_unknown_types_leave_the_surface_alone)
{
    TopoFile f = sample_file();
    f.record_limit = 3;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(load_map_record(7), 4) << "the last record below the limit";
    EXPECT_EQ(load_map_record(topology.ring_records[0]), 4);

    f = sample_file();
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
    // No trailer: full flags from the widths, rings found by type.
    ASSERT_EQ(install(sample_file(0)), 1);
    EXPECT_EQ(topology.rings_on_file, 0);
    EXPECT_EQ(topology.planets_on_file, 8);
    EXPECT_EQ(topology.full_flags[6], 0); // 64 x 64
    EXPECT_EQ(topology.full_flags[5], 1); // 360 x 64
    EXPECT_EQ(build_ring_table(), 3);
    EXPECT_EQ(topology.ring_records[1], 6);
    load_map_record(3); // 128 wide: half, stored back
    EXPECT_EQ(full_map, 0);
    EXPECT_EQ(topology.full_flags[3], 0);
    // "AH": the stored flags win whatever the width.
    TopoFile f = sample_file(1);
    f.records[0].full_flag = 0;
    f.rings_on_file = 2;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(topology.rings_on_file, 2);
    EXPECT_EQ(topology.ring_records[0], 5);
    load_map_record(0);
    EXPECT_EQ(full_map, 0);
    // The scan stops at the 33rd ring.
    f = TopoFile();
    for (int i = 0; i < 40; i++)
        f.records.push_back(record("R", 14, 8, 8, i));
    f.record_limit = 40;
    f.trailer = 0;
    ASSERT_EQ(install(f), 1);
    EXPECT_EQ(build_ring_table(), 32);
}

TEST_F(Topology, colour_planets_and_labels)
{
    TopoFile f = sample_file();
    ASSERT_EQ(install(f), 1);
    select_planet_map(5 + 2); // planets_on_file + 2: Colour 2
    EXPECT_EQ(surface_map->line[255][639], 2);
    EXPECT_EQ(memcmp(map_palette, colour_table, 768), 0);
    EXPECT_EQ(map_width, 512);
    fill_lower_half(70);
    EXPECT_EQ(surface_map->line[127][639], 2);
    EXPECT_EQ(surface_map->line[128][0], 70);
    planet_label(10);
    EXPECT_STREQ(planet_name_text, "Colour 2");
    planet_label(1);
    EXPECT_STREQ(planet_name_text, "P1 FULL");
}

// Hostile files: each trips one check on one record; the rest still serves.
class Topology_hostile : public Topology {
protected:
    const std::vector<uint8_t> good = nmk::topology_bytes(sample_file());
    static void set16(std::vector<uint8_t>& b, size_t at, int v) { put_u16(&b[at], (uint16_t)v); }
    static void set32(std::vector<uint8_t>& b, size_t at, int32_t v) { put_u32(&b[at], (uint32_t)v); }
    size_t offset_of(int k) const { return get_u32(&good[196 + 4 * k]); } // of record k, from the index
};

TEST_F(Topology_hostile, bad_records_are_refused_alone)
{
    struct Case {
        int record;
        const char* why;
        std::function<void(std::vector<uint8_t>&, size_t)> damage; // bytes, offset of the record
    };
    const Case cases[] = {
        {5, "offset at the end", [](std::vector<uint8_t>& b, size_t) { set32(b, 196 + 20, (int32_t)b.size()); }},
        {6, "negative offset", [](std::vector<uint8_t>& b, size_t) { set32(b, 196 + 24, -4); }},
        {7, "huge offset", [](std::vector<uint8_t>& b, size_t) { set32(b, 196 + 28, 0x7FFFFFFF); }},
        {0, "641 wide", [](std::vector<uint8_t>& b, size_t at) { set16(b, at, 641); }},
        {2, "257 rows", [](std::vector<uint8_t>& b, size_t at) { set16(b, at + 2, 257); }},
        {5, "0 wide", [](std::vector<uint8_t>& b, size_t at) { set16(b, at, 0); }},
        {6, "negative rows", [](std::vector<uint8_t>& b, size_t at) { set16(b, at + 2, -3); }},
        {7, "palette cut", [](std::vector<uint8_t>& b, size_t) { b.pop_back(); }},
        {7, "rows past the end", [](std::vector<uint8_t>& b, size_t at) { set16(b, at, 600); }},
        {3, "source beyond N", [](std::vector<uint8_t>& b, size_t) { b[580 + 16 * 3 + 12] = 8; }},
        {4, "source far beyond", [](std::vector<uint8_t>& b, size_t) { b[580 + 16 * 4 + 12] = 200; }},
        {3, "broken source", [this](std::vector<uint8_t>& b, size_t) { set16(b, offset_of(1), 700); }}};
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        c.damage(b, offset_of(c.record));
        ASSERT_EQ(install(b), 1) << c.why;
        EXPECT_TRUE(logged("novamir1.top: record " + std::to_string(c.record))) << c.why;
        mark_surface(33);
        EXPECT_EQ(load_map_record(c.record), 0) << c.why;
        EXPECT_EQ(surface_map->line[0][0], 33) << c.why;
        EXPECT_NE(load_map_record(c.record == 3 ? 4 : 3), 0) << c.why;
    }
}

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
    EXPECT_EQ(load_map_record(0), 0);
    snprintf(topology_file_name, sizeof topology_file_name, "nosuch1.top");
    prompt_log.clear();
    EXPECT_EQ(read_topology_index(), 0);
    EXPECT_TRUE(prompt_log.empty()) << "a missing file is no error";
}

TEST_F(Topology_hostile, counts_limits_and_trailers_are_kept_inside_the_tables)
{
    std::vector<uint8_t> b = good;
    const size_t trailer = 580 + 16 * 8;
    set16(b, trailer + 50, 30); // planets_on_file above N
    set16(b, trailer + 52, 60); // rings_on_file above 48
    set16(b, trailer + 54, 99); // ring 0 names no record, even after the clamp
    set16(b, 0, 200);
    ASSERT_EQ(install(b), 1);
    EXPECT_EQ(topology.planets_on_file, 8);
    EXPECT_EQ(topology.rings_on_file, 48);
    EXPECT_TRUE(logged("novamir1.top: ring 0 names record 99"));
    EXPECT_EQ(load_map_record(topology.ring_records[0]), 0);
    char lines[64][80];
    EXPECT_EQ(ring_list_page(lines, 2, 0, 60), 48);
    EXPECT_STREQ(lines[2], "0  :  (none)");
    set16(b, trailer + 50, -5);
    set16(b, trailer + 52, -1);
    ASSERT_EQ(install(b), 1);
    EXPECT_EQ(topology.planets_on_file, 0);
    EXPECT_EQ(topology.rings_on_file, 0);

    b = good;
    set16(b, 0, 0); // record_limit 0 loads nothing
    ASSERT_EQ(install(b), 1);
    mark_surface(33);
    EXPECT_EQ(load_map_record(0), 0);
    EXPECT_EQ(load_map_record(-7), 0);
    EXPECT_EQ(surface_map->line[0][0], 33);

    ASSERT_EQ(install(std::vector<uint8_t>(good.begin(), good.begin() + trailer + 60)), 1);
    EXPECT_EQ(topology.trailer, 0);
    EXPECT_TRUE(logged("trailer is cut short"));
}

TEST_F(Topology, builder_is_repeatable_and_complete_without_the_packages)
{
    std::string tool = std::string(NOVAMIR_BIN_DIR) + "/build_topology";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "build_topology not built";
    tool += " %s " + std::string(NOVAMIR_SOURCE_DIR) + "/data/maps.tsv %s 2>/dev/null";
    auto build = [&](const char* out, const char* dirs) {
        char command[4096];
        snprintf(command, sizeof command, tool.c_str(), out, dirs);
        return system(command);
    };
    for (const char* out : {"a.top", "b.top"})
        ASSERT_EQ(build(out, "/usr/share/openuniverse/textures /usr/share/xplanet/images"), 0);
    EXPECT_EQ(read_file_bytes("a.top"), read_file_bytes("b.top"));
    ASSERT_EQ(build("c.top", "/nonexistent /nonexistent"), 0);
    ASSERT_EQ(install(read_file_bytes("c.top")), 1);
    EXPECT_EQ(topology.count, 20);
    for (int k = 0; k < topology.count; k++)
        EXPECT_NE(load_map_record(k), 0) << k;
}

} // namespace
