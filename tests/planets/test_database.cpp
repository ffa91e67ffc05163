// Planet database: the parameter table and its builder, the novamir3.dat
// reader with its images and Colour table, and files that lie about sizes.
#include <unistd.h> // Required for: access
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "test_planet_scene.h"
#include "planets/planets.h"       // Required for: db_image1_w, db_image2_h, db_image2_w
#include "store/canvas.h"          // Required for: create_frame_buffer, frame_buffer
#include "store/prompt.h"          // Required for: prompt_log
#include "store/store.h"           // Required for: ChoiceList, D_PHASE, F_SAVE_TGA
#include "store/surface.h"         // Required for: colour_table, map_palette, surface_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH
#include "ui/ui.h"                 // Required for: build_ui_palette, ui_palette


namespace {

const std::string PARAMS = std::string(NOVAMIR_SOURCE_DIR) + "/data/params.tsv";

// Pixel (x, y) is x + 2y + seed; palette entry i is (i, seed, 255 - i).
nmk::IndexedImage picture(int w, int h, int seed, bool with_palette)
{
    nmk::IndexedImage im;
    im.width = w;
    im.height = h;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            im.pixels.push_back((uint8_t)(x + 2 * y + seed));
    for (int i = 0; with_palette && i < 256; i++)
        im.palette.insert(im.palette.end(), {(uint8_t)i, (uint8_t)seed, (uint8_t)(255 - i)});
    return im;
}

class Database : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<nmk::ParamRow> rows;
    uint8_t colours[768];

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(nmk::read_param_table(PARAMS, rows, error)) << error;
        if (!frame_buffer) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        for (int i = 0; i < 768; i++)
            colours[i] = (uint8_t)(i * 7);
        prompt_log.clear();
    }
    std::vector<uint8_t> file(const nmk::IndexedImage& first, const nmk::IndexedImage& second)
    {
        return nmk::database_bytes(nmk::param_block(rows), first, second, colours);
    }
    std::vector<uint8_t> good() { return file(picture(300, 200, 5, true), picture(100, 60, 9, false)); }
    int start_of(int index) const
    {
        for (const nmk::ParamRow& r : rows)
            if (r.kind == "int" && r.index == index)
                return (int)r.start;
        return -99;
    }
};

TEST_F(Database, round_trips_the_table_images_and_colour_table)
{
    write_file_bytes("novamir3.dat", good());
    reset_store();
    ASSERT_EQ(read_planet_database(), 0);
    for (const nmk::ParamRow& r : rows) {
        if (r.kind == "dbl") {
            EXPECT_EQ(dbl_param[r.index], r.start) << r.name;
            EXPECT_EQ(dbl_max[r.index], r.max) << r.name;
        } else if (r.kind == "int") {
            EXPECT_EQ(int_param[r.index], (int)r.start) << r.name;
            EXPECT_EQ(int_min[r.index], (int)r.min) << r.name;
        } else {
            EXPECT_EQ(flag_param[r.index], (int)r.start) << r.name;
        }
    }
    EXPECT_EQ(int_max[I_WIDTH], frame_buffer->w); // the frame buffer decides
    EXPECT_EQ(int_max[I_HEIGHT], (3 * frame_buffer->w) / 4);
    // The table's integers start where their choice lists start.
    for (const ChoiceList& c : choice_list)
        EXPECT_EQ(c.current, int_param[c.target]) << c.labels[0];
    nmk::IndexedImage first = picture(300, 200, 5, true), second = picture(100, 60, 9, false);
    EXPECT_EQ(db_image2_w, 100);
    EXPECT_EQ(db_image2_h, 60);
    EXPECT_EQ(memcmp(surface_map->line[199], &first.pixels[199 * 300], 300), 0);
    EXPECT_EQ(memcmp(surface_map->line[59] + 320, &second.pixels[59 * 100], 100), 0);
    EXPECT_EQ(memcmp(map_palette, first.palette.data(), 768), 0);
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
    planet_scene::install_topology({planet_scene::plain_map("ONE", 2, 8, 4, 1)}, {});
    prompt_log.clear();
    ASSERT_EQ(init_planet_data(640), 0);
    EXPECT_EQ(prompt_log[2], "Planet TOPology file novamir1.top loaded");
}

TEST_F(Database, built_file_is_repeatable_with_the_interface_palette_times_four)
{
    std::string tool = std::string(NOVAMIR_BIN_DIR) + "/build_database";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "build_database not built";
    ASSERT_EQ(system((tool + " " + PARAMS + " a.dat").c_str()), 0);
    ASSERT_EQ(system((tool + " " + PARAMS + " b.dat").c_str()), 0);
    std::vector<uint8_t> a = read_file_bytes("a.dat");
    EXPECT_EQ(a, read_file_bytes("b.dat"));
    write_file_bytes("novamir3.dat", a);
    ASSERT_EQ(read_planet_database(), 0);
    EXPECT_TRUE(prompt_log.empty());
    build_ui_palette();
    for (int i = 0; i < 255; i++)
        for (int k = 0; k < 3; k++)
            ASSERT_EQ(colour_table[i][k], ui_palette[i][k] * 4) << i;
    EXPECT_EQ(colour_table[255][0], 255);
}

TEST_F(Database, builder_refuses_broken_tables)
{
    std::ifstream in(PARAMS);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    const char* cases[][3] = {
        {"int\t7\t", "# gone", "integer 7 is missing"},
        {"int\t6\t", "int\t6\tCOLOUR ONE\t300\t0\t255\ttoo bright", "start value outside"},
        {"dbl\t0\t", "dbl\t0\tASPECT RATIO\t1.0\t1.3\t1.2\tbackwards", "minimum above maximum"},
        {"flag\t7\t", "flag\t7\tPREVIEW RGB\t2\t0\t1\tneither", "flag starts at 0 or 1"},
        {"int\t1\t", "int\t1\tSTART FRAME\t0.5\t0\t999\thalf", "whole numbers"},
        {"int\t2\t", "int\t1\tSTART FRAME\t0\t0\t999\ttwice", "appears twice"},
        {"int\t3\t", "int\t3\tTHIS FRAME\t0\t0\t999", "7 tab-separated columns"}};
    for (const auto& c : cases) {
        std::ofstream out("t.tsv");
        for (const std::string& l : lines)
            out << (l.rfind(c[0], 0) == 0 ? c[1] : l) << "\n";
        out.close();
        std::vector<nmk::ParamRow> r;
        std::string error;
        EXPECT_FALSE(nmk::read_param_table("t.tsv", r, error)) << c[2];
        EXPECT_NE(error.find(c[2]), std::string::npos) << error;
    }
}

// A bad parameter block stops the start-up and leaves the store alone.
TEST_F(Database, missing_short_or_inconsistent_blocks_are_refused)
{
    snprintf(planet_database_name, sizeof planet_database_name, "nosuch3.dat");
    EXPECT_EQ(read_planet_database(), -1);
    EXPECT_TRUE(logged("nosuch3.dat not found"));
    EXPECT_EQ(init_planet_data(640), -1);
    snprintf(planet_database_name, sizeof planet_database_name, "novamir3.dat");

    const std::vector<uint8_t> b = good();
    double nan = std::nan("");
    const int32_t outside = 256, seven = 7;
    struct Case {
        size_t at, size;
        const void* value;
        const char* why;
    } cases[] = {{8 * D_PHASE, 8, &nan, "decimal 12 is not a number"},
                 {960 + 4 * I_COLOUR_ONE, 4, &outside, "integer 6 start value 256 is outside 0..255"},
                 {1440 + 4 * F_SAVE_TGA, 4, &seven, "flag"},
                 {1519, 0, nullptr, "novamir3.dat: 1519 bytes"}};
    int_param[I_PLANET_NUMBER] = 12345;
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = b;
        if (c.value)
            memcpy(&bad[c.at], c.value, c.size); // the host is little-endian like the file
        else
            bad.resize(c.at);
        write_file_bytes("novamir3.dat", bad);
        prompt_log.clear();
        EXPECT_EQ(read_planet_database(), -1) << c.why;
        EXPECT_TRUE(logged(c.why)) << c.why;
        EXPECT_EQ(int_param[I_PLANET_NUMBER], 12345) << c.why;
    }
}

// Bad images are refused; the block still serves and the Colour table
// falls back to the interface palette.
TEST_F(Database, bad_images_are_refused_and_the_block_still_serves)
{
    const std::vector<uint8_t> g = good();
    std::vector<uint8_t> negative = g;
    negative[1520] = 0xF0, negative[1521] = 0xFF; // width -16
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {file(picture(641, 2, 1, true), picture(4, 4, 1, false)), "not within 640 x 256"},
        {file(picture(10, 257, 1, true), picture(4, 4, 1, false)), "not within 640 x 256"},
        {file(picture(10, 10, 1, true), picture(321, 4, 1, false)), "not within 320 x 256"},
        {negative, "not within 640 x 256"},
        {std::vector<uint8_t>(g.begin(), g.end() - 1), "Colour table"},
        {std::vector<uint8_t>(g.begin(), g.begin() + 1522), "before the first image"},
        {std::vector<uint8_t>(g.begin(), g.begin() + 1600), "first image"}};
    for (const auto& c : cases) {
        write_file_bytes("novamir3.dat", c.first);
        prompt_log.clear();
        int_param[I_PLANET_NUMBER] = -1;
        EXPECT_EQ(read_planet_database(), 0) << c.second;
        EXPECT_TRUE(logged(c.second)) << c.second;
        EXPECT_EQ(int_param[I_PLANET_NUMBER], start_of(I_PLANET_NUMBER));
        EXPECT_EQ(db_image1_w, 0);
        EXPECT_EQ(colour_table[15][0], 252);
    }
}

} // namespace
