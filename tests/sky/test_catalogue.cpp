// Star catalogue: the star tool's tables, checks, colour and brightness
// model, the build's own catalogue; the reader on hostile files and on an
// invented sky.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h> // Required for: WEXITSTATUS
#include <string>

#include "platform/angles.h"   // Required for: TWO_PI
#include "sky/sky.h"           // Required for: STAR_CHUNK, STAR_FILE_SIZE, STAR_RECORDS
#include "store/canvas.h"      // Required for: RENDER_FRAME, apply_parameters
#include "store/prompt.h"      // Required for: prompt_log
#include "store/store.h"       // Required for: D_PIXELS_PER_DEGREE, D_STAR_LAT, D_STAR_LONG
#include "sky_test_support.h"

namespace {

struct Record {
    double lon, lat; // radians
    int r, g, b, reserved;
    int level() const { return std::max(r, std::max(g, b)); }
};

std::vector<Record> parse_catalogue(const std::vector<uint8_t>& d)
{
    std::vector<Record> out;
    for (size_t at = 2; at + STAR_RECORD_SIZE <= d.size() && out.size() < (size_t)STAR_RECORDS; at += STAR_RECORD_SIZE) {
        float lon, lat;
        memcpy(&lon, &d[at], 4);
        memcpy(&lat, &d[at + 4], 4);
        out.push_back({lon, lat, d[at + 8], d[at + 9], d[at + 10], d[at + 11]});
    }
    return out;
}

// Runs novamir-stars with these arguments; its exit status, what it printed.
int stars_tool(const std::string& args, std::string* out = nullptr, std::string* err = nullptr)
{
    std::string cmd = std::string(NOVAMIR_BIN_DIR) + "/novamir-stars " + args + " >tool.out 2>tool.err";
    int status = system(cmd.c_str());
    if (out)
        *out = read_file_text("tool.out");
    if (err)
        *err = read_file_text("tool.err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void write_text(const std::string& path, const std::string& text)
{
    write_file_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// An invented sky of ten stars: columns named in an order of their own, one
// the tool does not know, names with commas, a CRLF line. Right ascensions in
// degrees and half-degree positions, so each star lands on a known pixel.
const char TEN_STARS[] = "# an invented sky\n"
                         "name,dec,ra_deg,bv,mag,notes\n"
                         "\"A, first\",20.5,10.5,0.0,3.0,x\n"
                         "B,-20:30:00,350.5,1.5,1.0,\n"
                         "C, 5.5 ,30.5,0.5,2.0\r\n"
                         "\n"
                         "D,-5.5,60.5,-0.2,2.0\n"
                         "E,45.5,100.5,0.9,5.5\n"
                         "F,-45.5,200.5,0.3,0.5\n"
                         "G,60:30,250.5,1.0,4.0\n"
                         "H,-60.5,300.5,0.6,6.0\n"
                         "I,0.5,330.5,0.1,-1.0\n"
                         "J,+80:30:00.0,180.5,2.0,4.5\n";
// The stars brightest first (C before D: equal magnitudes keep the table's order).
const struct {
    double ra, dec; // degrees
} ten_in_order[] = {{330.5, 0.5},  {200.5, -45.5}, {350.5, -20.5}, {30.5, 5.5},   {60.5, -5.5},
                    {10.5, 20.5},  {250.5, 60.5},  {180.5, 80.5},  {100.5, 45.5}, {300.5, -60.5}};

std::string source_table() { return std::string(NOVAMIR_SOURCE_DIR) + "/data/stars.csv"; }

} // namespace

TEST(Catalogue_builder, the_build_table_gives_the_catalogue_the_frames_were_made_with)
{
    ScratchDir dir;
    ASSERT_EQ(stars_tool("build " + source_table() + " -o starcats.bin"), 0);
    std::vector<uint8_t> d = read_file_bytes("starcats.bin");
    ASSERT_EQ((int)d.size(), STAR_FILE_SIZE);
    // The golden frames hash these bytes: they never change by accident.
    EXPECT_EQ(fnv1a(d.data(), d.size()), 0x37c2b392b7b6b401ull);
    const char* data = getenv("NOVAMIR_DATA");
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(d == read_file_bytes(std::string(data) + "/starcats.bin"));
}

TEST(Catalogue_builder, ten_stars_sorted_and_padded_then_a_table_too_long)
{
    ScratchDir dir;
    write_text("ten.csv", TEN_STARS);
    std::string out;
    ASSERT_EQ(stars_tool("build ten.csv -o sky.bin", &out), 0);
    EXPECT_NE(out.find("ten.csv: 10 stars read, 10 written to sky.bin; 5070 empty records"), std::string::npos)
        << out;
    std::vector<uint8_t> d = read_file_bytes("sky.bin");
    ASSERT_EQ((int)d.size(), STAR_FILE_SIZE);
    EXPECT_EQ(d[0] | d[1] << 8, 10);
    std::vector<Record> s = parse_catalogue(d);
    for (int k = 0; k < 10; k++) {
        EXPECT_EQ(s[k].lon, (float)(ten_in_order[k].ra * (TWO_PI / 360))) << k;
        EXPECT_EQ(s[k].lat, (float)(ten_in_order[k].dec * (TWO_PI / 360))) << k;
        EXPECT_GT(s[k].level(), 0) << k;
    }
    EXPECT_EQ(s[0].level(), 255); // magnitude -1
    for (int k = 10; k < STAR_RECORDS; k++) {
        ASSERT_TRUE(std::isnan(s[k].lon) && std::isnan(s[k].lat)) << k;
        ASSERT_EQ(s[k].level() + s[k].reserved, 0) << k;
    }

    // Two faint stars first, then a full catalogue of brighter ones: the
    // faint pair is dropped, whatever its place in the file.
    std::string t = "01:00,+10,6.5,0.5\n02:00,+10,6.5,0.5\n";
    for (int k = 0; k < STAR_RECORDS; k++)
        t += "12:00:00,-30:00:00,5.00,0.60,\"x, y\"\n";
    write_text("many.csv", t);
    ASSERT_EQ(stars_tool("build many.csv", &out), 0); // to starcats.bin
    EXPECT_NE(out.find("5082 stars read, 5080 written to starcats.bin; 2 fainter dropped"), std::string::npos)
        << out;
    s = parse_catalogue(read_file_bytes("starcats.bin"));
    EXPECT_EQ(s.size(), (size_t)STAR_RECORDS);
    for (const Record& r : s)
        ASSERT_NEAR(r.lon * 360 / TWO_PI, 180.0, 1e-4);
}

TEST(Catalogue_builder, brightness_follows_magnitude)
{
    ScratchDir dir;
    // Magnitudes -1.5 .. 6.0 in half steps at B-V 0, hours as decimals; the
    // first star's name is no header.
    std::string t;
    char line[96];
    for (int m = 0; m < 16; m++) {
        snprintf(line, sizeof line, "%d.5,10,%.2f,0.00%s\n", m, -1.5 + 0.5 * m, m ? "" : ",name");
        t += line;
    }
    write_text("t.csv", t);
    ASSERT_EQ(stars_tool("build t.csv"), 0);
    std::vector<Record> s = parse_catalogue(read_file_bytes("starcats.bin"));
    EXPECT_NEAR(s[3].lon * 360 / TWO_PI, 52.5, 1e-4);
    EXPECT_EQ(s[0].level(), 255);
    EXPECT_EQ(s[5].level(), 255); // first magnitude still saturates
    for (int m = 6; m < 16; m++)
        EXPECT_LT(s[m].level(), s[m - 1].level()) << "row " << m;
    EXPECT_GE(s[15].level(), 40); // magnitude 6: faint but visible
    EXPECT_LE(s[15].level(), 100);
}

TEST(Catalogue_builder, refuses_bad_tables_and_arguments_and_keeps_the_old_file)
{
    ScratchDir dir;
    const std::vector<uint8_t> old = {1, 2, 3};
    write_file_bytes("starcats.bin", old);
    std::string many_bad;
    for (int k = 0; k < 25; k++)
        many_bad += "x,y,z,w\n";
    const struct {
        std::string table;
        const char* message;
    } cases[] = {
        {"# sky\n24:00:00,+10,3.0,0.5\n", "t.csv: line 2: right ascension \"24:00:00\" is not hours"},
        {"101.25,10,3.0,0.5\n", "t.csv: line 1: right ascension \"101.25\" is not hours from 0 to below 24 "
                                "(h, h:m or h:m:s); a column named ra_deg takes degrees"},
        {"01:00:00,+10:60:00,3.0,0.5\n", "t.csv: line 1: declination \"+10:60:00\" is not degrees"},
        {"01:00,-95,3.0,0.5\n", "t.csv: line 1: declination \"-95\""},
        {"01:00,10,bright,0.5\n", "t.csv: line 1: magnitude \"bright\""},
        {"01:00,10,3,nan\n", "t.csv: line 1: B-V \"nan\""},
        {"01:00,10\n", "t.csv: line 1: 2 columns, a star needs 4"},
        {"ra_deg,dec,mag,b-v\n400,10,3,0.5\n", "t.csv: line 2: right ascension \"400\" is not degrees"},
        {"ra,dec,mag\n01:00,10,3\n", "t.csv: line 1: the header has no column bv"},
        {"ra,dec,mag,bv,b-v\n", "t.csv: line 1: the header names column \"b-v\" twice"},
        {"01:00,10,3,0.5,\"open\n", "t.csv: line 1: a quoted field is not closed"},
        {"# only a comment\n", "t.csv: no stars in the table"},
        {std::string(5000, '1') + "\n", "t.csv: line 1: longer than 4096 characters"},
        {many_bad, "t.csv: line 20: right ascension \"x\""},
        {many_bad, "t.csv: 5 more bad lines"},
    };
    for (const auto& c : cases) {
        write_text("t.csv", c.table);
        std::string err;
        EXPECT_EQ(stars_tool("build t.csv", nullptr, &err), 1) << c.message;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(read_file_bytes("starcats.bin"), old) << c.message;
    }
    std::string out, err;
    EXPECT_EQ(stars_tool("build missing.csv", nullptr, &err), 1);
    EXPECT_NE(err.find("missing.csv: cannot open the file"), std::string::npos) << err;
    write_text("t.csv", "01:00,10,3,0.5\n");
    EXPECT_EQ(stars_tool("build t.csv -o no/such/dir.bin", nullptr, &err), 1);
    EXPECT_NE(err.find("no/such/dir.bin: cannot write the catalogue"), std::string::npos) << err;
    for (const char* args : {"", "build", "build t.csv -o", "build t.csv --fast", "build t.csv t.csv", "make t.csv"}) {
        EXPECT_EQ(stars_tool(args, &out, &err), 2) << args;
        EXPECT_NE(err.find("usage: novamir-stars build"), std::string::npos) << args;
    }
    EXPECT_EQ(read_file_bytes("starcats.bin"), old);
    EXPECT_EQ(stars_tool("--version", &out), 0);
    EXPECT_EQ(out, std::string("novamir-stars ") + NOVAMIR_VERSION + "\n");
    EXPECT_EQ(stars_tool("--help", &out), 0);
    EXPECT_NE(out.find("usage: novamir-stars build"), std::string::npos);
}

using Catalogue_reader = SkyTest;

TEST_F(Catalogue_reader, hostile_files_plot_their_sound_whole_records_only)
{
    // Record k sits in view, k / 10 degree from the centre.
    auto records = [](int n, int count_field) {
        std::vector<StarDeg> stars;
        for (int k = 0; k < n; k++)
            stars.push_back({(k % 400) / 10.0 + 0.05, (k / 400) / 10.0 + 0.05, 100, 150, 200});
        return catalogue_bytes(stars, count_field);
    };
    std::vector<uint8_t> part = records(10, STAR_RECORDS), longer = records(STAR_RECORDS, STAR_RECORDS),
                         odd = longer;
    part.resize(part.size() + 7, 0xff); // most of an eleventh record
    longer.resize(longer.size() + 1000, 0x7f);
    const uint32_t nan = 0x7fc00000u, inf = 0x7f800000u, ninf = 0xff800000u;
    const float huge = 3.0e38f;
    const void* bad[6][2] = {{&nan, nullptr}, {nullptr, &nan}, {&inf, nullptr},
                             {nullptr, &ninf}, {&huge, nullptr}, {nullptr, &huge}};
    for (int k = 0; k < 6; k++)
        for (int field = 0; field < 2; field++)
            if (bad[k][field])
                memcpy(&odd[2 + STAR_RECORD_SIZE * k + 4 * field], bad[k][field], 4);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int count;
    } cases[] = {
        {"count 0", records(STAR_RECORDS, 0), STAR_RECORDS},
        {"count -1", records(STAR_RECORDS, -1), STAR_RECORDS},
        {"count -32768", records(STAR_RECORDS, -32768), STAR_RECORDS},
        {"empty", {}, 0},
        {"half a count field", {0x13}, 0},
        {"no records", records(0, STAR_RECORDS), 0},
        {"ten and a piece", part, 10},
        {"one into the second chunk", records(STAR_CHUNK + 1, STAR_RECORDS), STAR_CHUNK + 1},
        {"bytes past the last record", longer, STAR_RECORDS},
        {"non-finite and huge positions", odd, STAR_RECORDS - 6},
    };
    for (const auto& c : cases) {
        ScratchDir fresh; // a new file, never one read before
        write_file_bytes("starcats.bin", c.bytes);
        prompt_log.clear();
        EXPECT_EQ(draw_stars(RENDER_FRAME), c.count) << c.what;
        // A short file is named, with what is left of it.
        bool told = !prompt_log.empty() && prompt_log.back().find("starcats.bin: " + std::to_string(c.bytes.size()) +
                                                                   " bytes, shorter") != std::string::npos;
        EXPECT_EQ(told, c.bytes.size() < (size_t)STAR_FILE_SIZE) << c.what;
    }
}

TEST_F(Catalogue_reader, an_invented_sky_shows_its_ten_stars_and_no_padding)
{
    write_text("ten.csv", TEN_STARS);
    ASSERT_EQ(stars_tool("build ten.csv"), 0);
    const std::vector<Record> s = parse_catalogue(read_file_bytes("starcats.bin"));
    int_param[I_STARS] = 1; // NORTH: x = 320 - degrees east, y = 240 - degrees north
    apply_parameters();
    EXPECT_EQ(draw_stars(RENDER_FRAME), 10);
    EXPECT_EQ(lit_pixels(), 10);
    for (int k = 0; k < 10; k++) {
        int x = 320 - (int)ten_in_order[k].ra, y = 240 - (int)ten_in_order[k].dec;
        if (x < 0)
            x += 360; // one pixel per degree: the circle wraps every 360 columns
        EXPECT_EQ(pixel(x, y), (Rgb{s[k].r, s[k].g, s[k].b})) << k;
    }
    // Turned to any view, the padding records stay out of the frame.
    flag_param[F_STAR_CALC] = 1;
    for (double lon : {0.0, 123.0, 271.0}) {
        dbl_param[D_STAR_LONG] = lon;
        apply_parameters();
        EXPECT_LE(draw_stars(RENDER_FRAME), 10) << lon;
    }
}
