// Star catalogue: the builder's checks, colour and brightness model and
// determinism; the reader on hostile files.
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// Runs the catalogue builder; returns its exit status, its messages in *err.
int run_builder(const std::string& table, const std::string& out, std::string* err = nullptr)
{
    std::string cmd = std::string(NOVAMIR_BIN_DIR) + "/build_stars " + table + " " + out + " 2>builder.err";
    int status = system(cmd.c_str());
    if (err) {
        std::vector<uint8_t> e = read_file_bytes("builder.err");
        err->assign(e.begin(), e.end());
    }
    return status;
}

// The given rows, then faint filler stars near the south pole, total rows in all.
std::string table(const std::string& rows, int given, int total = STAR_RECORDS)
{
    std::string t = "# test table\n" + rows;
    for (int k = given; k < total; k++)
        t += "18:00:00.00  -85:00:00.0   6.00  0.60\n";
    return t;
}

void write_table(const std::string& rows, int given, int total = STAR_RECORDS)
{
    std::string t = table(rows, given, total);
    write_file_bytes("t.txt", std::vector<uint8_t>(t.begin(), t.end()));
}

std::string source_table() { return std::string(NOVAMIR_SOURCE_DIR) + "/data/stars.txt"; }

} // namespace

TEST(Catalogue_builder, record_layout_and_determinism)
{
    ScratchDir dir;
    write_table("04:40:00.00  -30:30:00.0  2.00  0.50\n", 1);
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<uint8_t> d = read_file_bytes("starcats.bin");
    ASSERT_EQ((int)d.size(), STAR_FILE_SIZE);
    EXPECT_EQ(d[0] | d[1] << 8, STAR_RECORDS);
    std::vector<Record> stars = parse_catalogue(d);
    EXPECT_NEAR(stars[0].lon * 360 / TWO_PI, 70.0, 1e-4);
    EXPECT_NEAR(stars[0].lat * 360 / TWO_PI, -30.5, 1e-4);
    EXPECT_NEAR(stars[1].lon * 360 / TWO_PI, 270.0, 1e-4);
    for (const Record& s : stars)
        ASSERT_EQ(s.reserved, 0);
    ASSERT_EQ(run_builder(source_table(), "a.bin"), 0);
    ASSERT_EQ(run_builder(source_table(), "b.bin"), 0);
    EXPECT_EQ((int)read_file_bytes("a.bin").size(), STAR_FILE_SIZE);
    EXPECT_TRUE(read_file_bytes("a.bin") == read_file_bytes("b.bin"));
}

TEST(Catalogue_builder, brightness_follows_magnitude)
{
    ScratchDir dir;
    // Magnitudes -1.5 .. 6.0 in half steps at B-V 0.
    std::string t;
    char line[96];
    for (int m = 0; m < 16; m++) {
        snprintf(line, sizeof line, "%02d:00:00.00  +10:00:00.0  %5.2f  0.00\n", m, -1.5 + 0.5 * m);
        t += line;
    }
    write_table(t, 16);
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<Record> s = parse_catalogue(read_file_bytes("starcats.bin"));
    EXPECT_EQ(s[0].level(), 255);
    EXPECT_EQ(s[5].level(), 255); // first magnitude still saturates
    for (int m = 6; m < 16; m++)
        EXPECT_LT(s[m].level(), s[m - 1].level()) << "row " << m;
    EXPECT_GE(s[15].level(), 40); // magnitude 6: faint but visible
    EXPECT_LE(s[15].level(), 100);
}

TEST(Catalogue_builder, refuses_bad_tables_and_keeps_the_old_file)
{
    ScratchDir dir;
    const std::vector<uint8_t> old = {1, 2, 3};
    write_file_bytes("starcats.bin", old);
    const std::string row = "01:00:00.00  +10:00:00.0  3.0  0.5\n";
    const struct {
        std::string table;
        const char* message;
    } cases[] = {
        {table("", 0, STAR_RECORDS - 1), "t.txt: 5079 stars, the catalogue needs exactly 5080"},
        {table(row, 1, STAR_RECORDS + 1), "t.txt: 5081 stars, the catalogue needs exactly 5080"},
        {table("24:00:00.00  +10:00:00.0  3.0  0.5\n", 1), "t.txt:2: not a star row"},
        {table("01:00:00.00  -95:00:00.0  3.0  0.5\n", 1), "t.txt:2: not a star row"},
        {table(row, 1) + "01:00:00.00  +10:00:00.0\n", "t.txt:5082: not a star row"},
    };
    for (const auto& c : cases) {
        write_file_bytes("t.txt", std::vector<uint8_t>(c.table.begin(), c.table.end()));
        std::string err;
        EXPECT_NE(run_builder("t.txt", "starcats.bin", &err), 0) << c.message;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(read_file_bytes("starcats.bin"), old) << c.message;
    }
    std::string err;
    EXPECT_NE(run_builder("missing.txt", "starcats.bin", &err), 0);
    EXPECT_NE(err.find("cannot open missing.txt"), std::string::npos) << err;
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
