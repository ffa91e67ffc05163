// Planet database: the parameter table and its builder, the novamir3.dat
// reader with its images and Colour table, the start-up of the planet data,
// and database files that are short, inconsistent or lying about sizes.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h> // Required for: access
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "planets/planets.h"
#include "render/render.h"
#include "shell/shell.h"
#include "test_support.h"
#include "toolkit.h"
#include "ui/ui.h"

namespace {

const std::string PARAMS = std::string(NOVAMIR_SOURCE_DIR) + "/data/params.tsv";

std::vector<nmk::ParamRow> real_table()
{
    std::vector<nmk::ParamRow> rows;
    std::string error;
    EXPECT_TRUE(nmk::read_param_table(PARAMS, rows, error)) << error;
    return rows;
}

const nmk::ParamRow* find_row(const std::vector<nmk::ParamRow>& rows, const char* kind, int index)
{
    for (const nmk::ParamRow& r : rows)
        if (r.kind == kind && r.index == index)
            return &r;
    return nullptr;
}

// A small image whose pixel (x, y) is (x + 2y + seed) mod 256, with a palette
// whose entry i is (i, seed, 255 - i) when one is asked for.
nmk::IndexedImage picture(int w, int h, int seed, bool with_palette)
{
    nmk::IndexedImage im;
    im.width = w;
    im.height = h;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            im.pixels.push_back((uint8_t)(x + 2 * y + seed));
    if (with_palette)
        for (int i = 0; i < 256; i++) {
            im.palette.push_back((uint8_t)i);
            im.palette.push_back((uint8_t)seed);
            im.palette.push_back((uint8_t)(255 - i));
        }
    return im;
}

class Database : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<nmk::ParamRow> rows = real_table();
    uint8_t colours[768];

    void SetUp() override
    {
        if (!frame_buffer) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        for (int i = 0; i < 768; i++)
            colours[i] = (uint8_t)(i * 7);
        prompt_log.clear();
        snprintf(planet_database_name, sizeof planet_database_name, "novamir3.dat");
    }
    void TearDown() override { snprintf(planet_database_name, sizeof planet_database_name, "novamir3.dat"); }
    std::vector<uint8_t> file(const nmk::IndexedImage& first, const nmk::IndexedImage& second)
    {
        return nmk::database_bytes(nmk::param_block(rows), first, second, colours);
    }
    std::vector<uint8_t> good() { return file(picture(300, 200, 5, true), picture(100, 60, 9, false)); }
    static bool logged(const std::string& part)
    {
        for (const std::string& s : prompt_log)
            if (s.find(part) != std::string::npos)
                return true;
        return false;
    }
    static void put64(std::vector<uint8_t>& b, size_t at, double v)
    {
        uint64_t bits;
        memcpy(&bits, &v, 8);
        for (int k = 0; k < 8; k++)
            b[at + k] = (uint8_t)(bits >> (8 * k));
    }
    static void put32(std::vector<uint8_t>& b, size_t at, int32_t v)
    {
        for (int k = 0; k < 4; k++)
            b[at + k] = (uint8_t)((uint32_t)v >> (8 * k));
    }
};

// ---------------------------------------------------------------------------

TEST_F(Database, round_trips_the_table_images_and_colour_table)
{
    write_file_bytes("novamir3.dat", good());
    ASSERT_EQ(read_planet_database(), 0);
    for (const nmk::ParamRow& r : rows) {
        if (r.kind == "dbl") {
            EXPECT_EQ(dbl_param[r.index], r.start) << r.name;
            EXPECT_EQ(dbl_min[r.index], r.min) << r.name;
            EXPECT_EQ(dbl_max[r.index], r.max) << r.name;
        } else if (r.kind == "int") {
            EXPECT_EQ(int_param[r.index], (int)r.start) << r.name;
            EXPECT_EQ(int_min[r.index], (int)r.min) << r.name;
            if (r.index != I_WIDTH && r.index != I_HEIGHT) {
                EXPECT_EQ(int_max[r.index], (int)r.max) << r.name;
            }
        } else {
            EXPECT_EQ(flag_param[r.index], (int)r.start) << r.name;
        }
    }
    // The frame buffer decides the largest frame.
    EXPECT_EQ(int_max[I_WIDTH], frame_buffer->w);
    EXPECT_EQ(int_max[I_HEIGHT], (3 * frame_buffer->w) / 4);
    // Choice lists show the labels of the integers read.
    EXPECT_EQ(choice_list[0].current, int_param[I_FADE_TYPE]);
    EXPECT_EQ(choice_list[9].current, int_param[I_LIST_FONT]);

    nmk::IndexedImage first = picture(300, 200, 5, true), second = picture(100, 60, 9, false);
    EXPECT_EQ(db_image1_w, 300);
    EXPECT_EQ(db_image1_h, 200);
    EXPECT_EQ(db_image2_w, 100);
    EXPECT_EQ(db_image2_h, 60);
    EXPECT_EQ(memcmp(surface_map->line[199], &first.pixels[199 * 300], 300), 0);
    EXPECT_EQ(memcmp(surface_map->line[59] + 320, &second.pixels[59 * 100], 100), 0);
    EXPECT_EQ(memcmp(map_palette, first.palette.data(), 768), 0);
    EXPECT_EQ(memcmp(db_image1_palette, first.palette.data(), 768), 0);
    EXPECT_EQ(memcmp(colour_table, colours, 768), 0);
}

TEST_F(Database, start_up_reports_sizes_and_the_topology_file)
{
    write_file_bytes("novamir3.dat", good());
    write_file_bytes("novamir1.top", {}); // found first, and unusable
    ASSERT_EQ(init_planet_data(640), 0);
    ASSERT_GE(prompt_log.size(), 3u);
    EXPECT_EQ(prompt_log[0], "Maximum Frame size: 640 x 480\n");
    EXPECT_EQ(prompt_log[1], "Maximum input BMP image:  640 x 256\n");
    EXPECT_EQ(prompt_log.back(), "Planet TOPOLOGY file not found.");
    EXPECT_EQ(topology_loaded, 0);
    EXPECT_EQ(int_max[I_WIDTH], 640);
    EXPECT_EQ(int_max[I_HEIGHT], 480);
    EXPECT_EQ(colour_table[255][0], 255);
    EXPECT_EQ(colour_table[255][2], 255);
    EXPECT_STREQ(topology_file_name, "novamir1.top");

    nmk::TopoFile top;
    nmk::TopoRecord r;
    r.name = "ONE";
    r.image = picture(8, 4, 1, true);
    top.records.push_back(r);
    top.record_limit = 1;
    top.planets_on_file = 1;
    write_file_bytes("novamir1.top", nmk::topology_bytes(top));
    prompt_log.clear();
    ASSERT_EQ(init_planet_data(640), 0);
    EXPECT_EQ(prompt_log[2], "Planet TOPology file novamir1.top loaded");
    EXPECT_EQ(topology_loaded, 1);
}

TEST_F(Database, colour_table_is_the_interface_palette_times_four)
{
    std::string tool = std::string(NOVAMIR_BIN_DIR) + "/build_database";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "build_database not built";
    ASSERT_EQ(system((tool + " " + PARAMS + " a.dat").c_str()), 0);
    ASSERT_EQ(system((tool + " " + PARAMS + " b.dat").c_str()), 0);
    std::vector<uint8_t> a = read_file_bytes("a.dat");
    EXPECT_EQ(a, read_file_bytes("b.dat")); // the same bytes every build
    write_file_bytes("novamir3.dat", a);
    prompt_log.clear();
    ASSERT_EQ(read_planet_database(), 0);
    EXPECT_TRUE(prompt_log.empty());
    build_ui_palette();
    for (int i = 0; i < 255; i++)
        for (int k = 0; k < 3; k++)
            ASSERT_EQ(colour_table[i][k], ui_palette[i][k] * 4) << i;
    EXPECT_EQ(colour_table[255][0], 255);
    // The two pictures fit side by side in the surface map.
    EXPECT_LE(db_image1_w, 320);
    EXPECT_LE(db_image2_w, 320);
    EXPECT_GT(db_image1_w * db_image1_h, 0);
    EXPECT_GT(db_image2_w * db_image2_h, 0);
}

// ---------------------------------------------------------------------------
// The table itself.

TEST_F(Database, table_limits_agree_with_the_help_texts)
{
    for (int i : {I_START_FRAME, I_END_FRAME, I_THIS_FRAME, I_PAGE_START, I_PAGE_END}) {
        EXPECT_EQ(find_row(rows, "int", i)->min, 0) << i;
        EXPECT_EQ(find_row(rows, "int", i)->max, 999) << i;
    }
    for (int i : {I_COLOUR_ONE, I_COLOUR_TWO, I_MID_COLOUR, I_EDGE_COLOUR}) {
        EXPECT_EQ(find_row(rows, "int", i)->min, 0) << i;
        EXPECT_EQ(find_row(rows, "int", i)->max, 255) << i;
    }
    EXPECT_EQ(find_row(rows, "dbl", D_ASPECT)->min, 1.0);
    EXPECT_EQ(find_row(rows, "dbl", D_ASPECT)->max, 1.2);
    // Choice integers stay within their lists.
    const int list_size[][2] = {{I_FADE_TYPE, 3}, {I_STARS, 3}, {I_COMET_TYPE, 5}, {I_TRANS_FUNCTION, 6},
                                {I_IMAGE_KIND, 3}, {I_BITMAP_FADE, 3}, {I_BITMAP_TRAVEL, 5},
                                {I_COMET_FADE, 3}, {I_COMET_TRAVEL, 5}, {I_LIST_FONT, 6}};
    for (const auto& l : list_size) {
        EXPECT_EQ(find_row(rows, "int", l[0])->min, 0);
        EXPECT_EQ(find_row(rows, "int", l[0])->max, l[1] - 1);
    }
    // Values that would divide by zero or leave a function's domain are out
    // of reach of the editors.
    EXPECT_GT(find_row(rows, "dbl", D_PIXELS_PER_DEGREE)->min, 0);
    EXPECT_GT(find_row(rows, "dbl", D_REF_DISTANCE)->min, 0);
    EXPECT_GT(find_row(rows, "dbl", D_BITMAP_DISTANCE)->min, 0);
    EXPECT_GT(find_row(rows, "dbl", D_COMET_DIAMETER)->min, 0);
    EXPECT_GT(find_row(rows, "dbl", D_COMET_ASPECT)->min, 0);
    EXPECT_GE(find_row(rows, "dbl", D_OBLATE)->min, 1.0);
    EXPECT_GE(find_row(rows, "int", I_RING_HEIGHT)->min, 1);
    EXPECT_LE(find_row(rows, "dbl", D_TWINKLE)->max, 1.0);
    EXPECT_EQ(find_row(rows, "flag", F_SAVE_TGA)->start, 1);
}

TEST_F(Database, builder_refuses_broken_tables)
{
    std::ifstream in(PARAMS);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    auto refused = [&](const std::vector<std::string>& t, const char* expect) {
        std::ofstream out("t.tsv");
        for (const std::string& l : t)
            out << l << "\n";
        out.close();
        std::vector<nmk::ParamRow> r;
        std::string error;
        bool ok = nmk::read_param_table("t.tsv", r, error);
        EXPECT_FALSE(ok) << expect;
        EXPECT_NE(error.find(expect), std::string::npos) << error;
    };
    auto replace = [&](const std::string& prefix, const std::string& with) {
        std::vector<std::string> t = lines;
        for (std::string& l : t)
            if (l.compare(0, prefix.size(), prefix) == 0)
                l = with;
        return t;
    };
    refused(replace("int\t7\t", "# gone"), "integer 7 is missing");
    refused(replace("dbl\t39\t", "# gone"), "decimal 39 is missing");
    refused(replace("flag\t3\t", "# gone"), "flag 3 is missing");
    refused(replace("int\t6\t", "int\t6\tCOLOUR ONE\t300\t0\t255\ttoo bright"), "start value outside");
    refused(replace("dbl\t0\t", "dbl\t0\tASPECT RATIO\t1.0\t1.3\t1.2\tbackwards"), "minimum above maximum");
    refused(replace("flag\t7\t", "flag\t7\tPREVIEW RGB\t2\t0\t1\tneither"), "flag starts at 0 or 1");
    refused(replace("int\t1\t", "int\t1\tSTART FRAME\t0.5\t0\t999\thalf"), "whole numbers");
    refused(replace("int\t2\t", "int\t1\tSTART FRAME\t0\t0\t999\ttwice"), "appears twice");
    refused(replace("int\t3\t", "int\t3\tTHIS FRAME\t0\t0\t999"), "7 tab-separated columns");
}

// ---------------------------------------------------------------------------
// Hostile database files. A bad parameter block stops the start-up; bad
// images are refused and the block still serves.

TEST_F(Database, missing_short_or_inconsistent_blocks_are_refused)
{
    snprintf(planet_database_name, sizeof planet_database_name, "nosuch3.dat");
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_TRUE(logged("nosuch3.dat not found"));
    EXPECT_EQ(init_planet_data(640), -1);
    snprintf(planet_database_name, sizeof planet_database_name, "novamir3.dat");

    std::vector<uint8_t> b = good();
    write_file_bytes("novamir3.dat", std::vector<uint8_t>(b.begin(), b.begin() + 1519));
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_TRUE(logged("novamir3.dat: 1519 bytes"));

    int_param[I_PLANET_NUMBER] = 12345; // must survive every refusal below
    std::vector<uint8_t> nan = b;
    put64(nan, 8 * D_PHASE, std::nan(""));
    write_file_bytes("novamir3.dat", nan);
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_TRUE(logged("decimal 12 is not a number"));

    std::vector<uint8_t> outside = b;
    put32(outside, 960 + 4 * I_COLOUR_ONE, 256);
    write_file_bytes("novamir3.dat", outside);
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_TRUE(logged("integer 6 start value 256 is outside 0..255"));

    std::vector<uint8_t> flag = b;
    put32(flag, 1440 + 4 * F_SAVE_TGA, 7);
    write_file_bytes("novamir3.dat", flag);
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_EQ(int_param[I_PLANET_NUMBER], 12345);
}

TEST_F(Database, bad_images_are_refused_and_the_block_still_serves)
{
    std::vector<uint8_t> good_bytes = good();
    struct Case {
        std::vector<uint8_t> bytes;
        const char* why;
    };
    std::vector<Case> cases;
    cases.push_back({file(picture(641, 2, 1, true), picture(4, 4, 1, false)), "not within 640 x 256"});
    cases.push_back({file(picture(10, 257, 1, true), picture(4, 4, 1, false)), "not within 640 x 256"});
    cases.push_back({file(picture(10, 10, 1, true), picture(321, 4, 1, false)), "not within 320 x 256"});
    std::vector<uint8_t> negative = good_bytes;
    negative[1520] = 0xF0;
    negative[1521] = 0xFF; // width -16
    cases.push_back({negative, "not within 640 x 256"});
    cases.push_back({std::vector<uint8_t>(good_bytes.begin(), good_bytes.end() - 1), "Colour table"});
    cases.push_back({std::vector<uint8_t>(good_bytes.begin(), good_bytes.begin() + 1522), "before the first image"});
    cases.push_back({std::vector<uint8_t>(good_bytes.begin(), good_bytes.begin() + 1600), "first image"});
    for (const Case& c : cases) {
        write_file_bytes("novamir3.dat", c.bytes);
        prompt_log.clear();
        int_param[I_PLANET_NUMBER] = -1;
        EXPECT_EQ(read_planet_database(), 0) << c.why;
        EXPECT_TRUE(logged(c.why)) << c.why << ": " << (prompt_log.empty() ? "" : prompt_log[0]);
        EXPECT_EQ(int_param[I_PLANET_NUMBER], (int)find_row(rows, "int", I_PLANET_NUMBER)->start);
        EXPECT_EQ(db_image1_w, 0);
        EXPECT_EQ(surface_map->line[0][0], 0);
        // The Colour table falls back to the interface palette.
        EXPECT_EQ(colour_table[15][0], 252);
    }
}

} // namespace
