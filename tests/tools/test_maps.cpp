// novamir-maps and build_topology: commands and refusals, the build's own
// bytes through the same code, and a user's map on a rendered planet and in
// the planet picker.
#include <gtest/gtest.h>
#include <sys/wait.h> // Required for: WIFEXITED

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <png.h> // Required for: png_image_write_to_file

#include "maps.h"
#include "planets/planets.h"   // Required for: read_topology_index, planet_list_page
#include "platform/platform.h" // Required for: find_data_file
#include "store/store.h"       // Required for: int_param
#include "test_support.h"

namespace {

const std::string bin_dir = NOVAMIR_BIN_DIR;

int run(const std::string& cmd)
{
    int status = system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The built topology file copied into the current directory, where the
// programs look first; false when the data is not built.
bool copy_built_topology()
{
    char built[4096];
    if (!find_data_file("novamir1.top", built, sizeof built))
        return false;
    write_file_bytes("novamir1.top", read_file_bytes(built));
    return true;
}

void write_solid_png(const std::string& path, int w, int h, int r, int g, int b)
{
    std::vector<uint8_t> px;
    for (int i = 0; i < w * h; i++)
        px.insert(px.end(), {(uint8_t)r, (uint8_t)g, (uint8_t)b});
    png_image im;
    memset(&im, 0, sizeof im);
    im.version = PNG_IMAGE_VERSION;
    im.width = w;
    im.height = h;
    im.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&im, path.c_str(), 0, px.data(), 0, nullptr)) << path;
}

std::string maps(const std::string& args) { return "'" + bin_dir + "/novamir-maps' " + args + " >out.txt 2>&1"; }

} // namespace

// Each row: the command line, its status and a piece of what it says. A
// refusal leaves the file's bytes as they were.
TEST(Maps_tool, commands_and_refusals)
{
    ScratchDir dir;
    if (!copy_built_topology())
        GTEST_SKIP() << "the data files are not built";
    write_solid_png("pic.png", 30, 20, 10, 200, 30);
    write_file_bytes("short.top", std::vector<uint8_t>(100, 0));
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0}; // 3x2, 24 bits
    tga.resize(18 + 3 * 6, 90);
    write_file_bytes("pic.tga", tga);
    struct Row {
        const char* args;
        int status;
        const char* said;
    } rows[] = {
        {"--version", 0, "novamir-maps " NOVAMIR_VERSION},
        {"--help", 0, "usage: novamir-maps"},
        {"list", 0, "16     P16    JUPITER GRS half       256x256 record 5"},
        {"list", 0, "19     R2     ARC RINGS   ring-strip 360x256 own"},
        {"", 2, "no command"},
        {"frobnicate", 2, "unknown command frobnicate"},
        {"remove", 2, "remove takes 1 arguments"},
        {"remove two", 2, "remove needs a record number"},
        {"add X pic.png --kind round", 2, "--kind is one of full, half, ring-strip, ring-face"},
        {"add X pic.png --at", 2, "--at needs a value"},
        {"remove 2", 1, "novamir1.top: record 14 (MOON NEAR) borrows the palette of record 2; remove it first"},
        {"remove 20", 1, "novamir1.top: it has no record 20"},
        {"replace 20 pic.png", 1, "novamir1.top: it has no record 20"},
        {"add TWELVELETTER pic.png", 1, "a record's name is 1 to 11 characters"},
        {"add X nothere.png", 1, "nothere.png: cannot open"},
        {"add X short.top", 1, "short.top: neither JPEG, PNG, TGA nor BMP"},
        {"add X pic.png --at 18", 1, "planets are records 0 to 17 (the planet picker's numbers); 18 is past them"},
        {"add X pic.png --kind ring-face --at 3", 1, "rings go after the planets, records 17 to 20"},
        {"-f short.top list", 1, "short.top: the file is shorter than its header"},
        {"extract 5 jupiter.png", 0, ""},
        {"-o other.top add SKY pic.tga --kind ring-strip", 0, "other.top: added SKY as record 20 (ring-strip)"},
    };
    const std::vector<uint8_t> before = read_file_bytes("novamir1.top");
    for (const Row& r : rows) {
        EXPECT_EQ(run(maps(r.args)), r.status) << r.args;
        std::string said = read_file_text("out.txt");
        EXPECT_NE(said.find(r.said), std::string::npos) << r.args << " said:\n" << said;
        EXPECT_TRUE(read_file_bytes("novamir1.top") == before) << r.args;
    }
    nmk::RgbImage jupiter;
    std::string error;
    ASSERT_TRUE(nmk::load_picture("jupiter.png", jupiter, error)) << error;
    EXPECT_EQ(jupiter.width, 512);

    // A full file: 48 small records, and a 49th refused.
    nmk::TopoFile full;
    nmk::TopoRecord small = nmk::record_of_kind("DOT", nmk::KIND_HALF, nmk::blank_rgb(256, 256));
    for (int i = 0; i < 48; i++) {
        int at = -1;
        ASSERT_TRUE(nmk::insert_record(full, at, small, false, error)) << error;
    }
    int at = -1;
    EXPECT_FALSE(nmk::insert_record(full, at, small, true, error));
    EXPECT_EQ(error, "it already holds 48 records, as many as a file can");
}

// The build's list of maps, made by build_topology and again by replacing
// every record's picture with its source through the tool's code, gives
// the built file's bytes; so does removing a map and adding it back, with
// the palette sources and the ring table renumbered both ways.
TEST(Maps_tool, the_build_and_the_tool_make_the_same_bytes)
{
    ScratchDir dir;
    const std::string tsv = std::string(NOVAMIR_SOURCE_DIR) + "/data/maps.tsv";
    if (!copy_built_topology() || run("test -f /usr/share/openuniverse/textures/mercury.jpg") != 0)
        GTEST_SKIP() << "the data files or the planet pictures are not there";
    const std::vector<uint8_t> built = read_file_bytes("novamir1.top");
    ASSERT_EQ(run("OMP_NUM_THREADS=1 '" + bin_dir + "/build_topology' again.top '" + tsv +
                  "' /usr/share/openuniverse/textures /usr/share/xplanet/images 2>/dev/null"), 0);
    EXPECT_TRUE(read_file_bytes("again.top") == built);

    nmk::TopoFile file;
    std::string error;
    ASSERT_TRUE(nmk::parse_topology(built, file, error)) << error;
    std::ifstream rows(tsv);
    std::string line;
    for (int record = 0; std::getline(rows, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::string name, kind, type, source;
        std::istringstream cells(line);
        std::getline(cells, name, '\t'), std::getline(cells, kind, '\t'), std::getline(cells, type, '\t');
        std::getline(cells, source, '\t');
        if (kind == "full") {
            size_t slash = source.find('/');
            std::string path = (source.compare(0, slash, "xplanet") == 0 ? "/usr/share/xplanet/images"
                                                                          : "/usr/share/openuniverse/textures") +
                               source.substr(slash);
            nmk::RgbImage picture;
            ASSERT_TRUE(nmk::load_picture(path, picture, error)) << path << ": " << error;
            ASSERT_TRUE(nmk::replace_record(file, record, picture, error)) << error;
        }
        record++;
    }
    EXPECT_TRUE(nmk::topology_bytes(file) == built);

    ASSERT_EQ(run(maps("remove 0 -o less.top")), 0);
    ASSERT_EQ(run(maps("-f less.top add MERCURY /usr/share/openuniverse/textures/mercury.jpg --at 0")), 0);
    EXPECT_TRUE(read_file_bytes("less.top") == built);
}

// A user's own picture, added as a planet map, shows on the planet that
// novamir-render draws with its number and in the program's planet picker;
// removing it takes it out of both.
TEST(Maps_tool, a_users_map_shows_on_a_rendered_planet_and_in_the_picker)
{
    ScratchDir dir;
    using json = nlohmann::ordered_json;
    if (!copy_built_topology())
        GTEST_SKIP() << "the data files are not built";
    write_solid_png("mine.png", 300, 170, 230, 40, 30);
    ASSERT_EQ(run(maps("add MY WORLD mine.png")), 2); // two words: the name needs its quotes
    ASSERT_EQ(run(maps("add 'MY WORLD' mine.png")), 0) << read_file_text("out.txt");
    EXPECT_NE(read_file_text("out.txt").find("added MY WORLD as record 17 (full)"), std::string::npos);

    std::ifstream base_in(std::string(NOVAMIR_SOURCE_DIR) + "/tests/render/scenes/base.json");
    json project = json::parse(base_in);
    json planet = project["object templates"]["PLANET"];
    project.erase("object templates");
    planet["end_frame"] = 0;
    planet["fields"]["PLANET NUMBER (w3)"] = 17;
    planet["fields"]["PLANET X CENTRE (w4)"] = 80;
    planet["fields"]["PLANET Y CENTRE (w5)"] = 60;
    planet["fields"]["PHASE (d3)"] = 180.0; // lit face on
    project["objects"] = json::array({planet});
    project["integers"]["END FRAME"] = 0;
    project["strings"]["PROJECT NAME"] = "MINE";
    std::ofstream("mine.json") << project.dump(1);
    ASSERT_EQ(run("'" + bin_dir + "/novamir-project' build mine.json -o MINE.CFG 2>&1 >/dev/null"), 0);

    // The centre pixel of the frame, red, green, blue.
    auto centre_of_render = [&]() {
        EXPECT_EQ(run("'" + bin_dir + "/novamir-render' --jobs 1 --yes MINE.CFG >render.txt 2>&1"), 0)
            << read_file_text("render.txt");
        std::vector<uint8_t> tga = read_file_bytes("MINE000.tga");
        if (tga.size() < 18 + 160 * 120 * 3)
            return Rgb{-1, -1, -1};
        const uint8_t* p = &tga[18 + tga[0] + 3 * (60 * 160 + 80)];
        return Rgb{p[2], p[1], p[0]};
    };
    Rgb seen = centre_of_render();
    EXPECT_TRUE(seen.r > 100 && seen.r > 3 * seen.g && seen.r > 3 * seen.b) << seen;

    auto picker_line_17 = [&]() {
        EXPECT_EQ(read_topology_index(), 1);
        static char lines[40][80];
        memset(lines, 0, sizeof lines);
        planet_list_page(lines, 2, 0, 30);
        return std::string(lines[2 + 17]);
    };
    EXPECT_EQ(picker_line_17(), "17 :  MY WORLD");

    ASSERT_EQ(run(maps("remove 17")), 0);
    EXPECT_EQ(picker_line_17(), "");
    Rgb after = centre_of_render();
    EXPECT_FALSE(after.r > 100 && after.r > 3 * after.g && after.r > 3 * after.b) << after;
    read_topology_index(); // as the other tests found it
}
