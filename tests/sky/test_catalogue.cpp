// Star catalogue: the builder's table checks, its colour and brightness
// model, byte-identical rebuilds, and the star field reading what it wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "render/render.h"
#include "shell/shell.h"
#include "sky/sky.h"
#include "test_support.h"

namespace {

struct Star {
    double lon, lat; // radians
    int r, g, b, reserved;
};

float float_at(const std::vector<uint8_t>& d, size_t at)
{
    uint32_t u = (uint32_t)d[at] | (uint32_t)d[at + 1] << 8 | (uint32_t)d[at + 2] << 16 |
                 (uint32_t)d[at + 3] << 24;
    float f;
    memcpy(&f, &u, 4);
    return f;
}

std::vector<Star> parse_catalogue(const std::vector<uint8_t>& d)
{
    std::vector<Star> stars;
    for (int k = 0; k < STAR_RECORDS && 2 + STAR_RECORD_SIZE * (k + 1) <= (int)d.size(); k++) {
        size_t at = 2 + STAR_RECORD_SIZE * k;
        stars.push_back({float_at(d, at), float_at(d, at + 4), d[at + 8], d[at + 9], d[at + 10],
                         d[at + 11]});
    }
    return stars;
}

int brightest_channel(const Star& s) { return std::max(s.r, std::max(s.g, s.b)); }

// Runs the catalogue builder; returns its exit status, its messages in *err.
int run_builder(const std::string& table, const std::string& out, std::string* err = nullptr)
{
    std::string cmd = std::string(NOVAMIR_BIN_DIR) + "/build_stars " + table + " " + out +
                      " 2>builder.err";
    int status = system(cmd.c_str());
    if (err) {
        std::vector<uint8_t> e = read_file_bytes("builder.err");
        err->assign(e.begin(), e.end());
    }
    return status;
}

// A table of 5,080 rows: row k at right ascension k * 4.25 minutes of time
// (so the rows cover the circle), declination running -80..+80, magnitudes
// -1.5..6.0 and B-V -0.3..1.9 in turn.
std::string synthetic_table(int rows = STAR_RECORDS)
{
    std::string t = "# synthetic\n";
    char line[128];
    for (int k = 0; k < rows; k++) {
        double minutes = k * 0.28;
        int hh = (int)(minutes / 60), mm = (int)minutes % 60;
        double ss = (minutes - floor(minutes)) * 60;
        double dec = -80.0 + 160.0 * k / STAR_RECORDS;
        double adec = fabs(dec);
        int dd = (int)adec, am = (int)((adec - dd) * 60);
        double as = ((adec - dd) * 60 - am) * 60;
        snprintf(line, sizeof line, "%02d:%02d:%05.2f  %c%02d:%02d:%04.1f  %5.2f  %5.2f  row %d\n",
                 hh, mm, ss, dec < 0 ? '-' : '+', dd, am, as, -1.5 + 7.5 * (k % 16) / 15.0,
                 -0.3 + 2.2 * (k % 12) / 11.0, k);
        t += line;
    }
    return t;
}

// The given rows followed by faint filler stars near the south pole, to the
// 5,080 rows the catalogue must have.
std::string padded(const std::string& rows, int given)
{
    std::string t = rows;
    for (int k = given; k < STAR_RECORDS; k++)
        t += "18:00:00.00  -85:00:00.0   6.00  0.60\n";
    return t;
}

void write_text(const std::string& path, const std::string& text)
{
    write_file_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string source_table() { return std::string(NOVAMIR_SOURCE_DIR) + "/data/stars.txt"; }

// Row of the committed table whose name field contains name, or -1.
int table_row(const std::string& name)
{
    FILE* f = fopen(source_table().c_str(), "rb");
    if (!f)
        return -1;
    char line[256];
    int row = -1, found = -1;
    while (fgets(line, sizeof line, f)) {
        if (line[0] == '#')
            continue;
        row++;
        if (strstr(line, name.c_str())) {
            found = row;
            break;
        }
    }
    fclose(f);
    return found;
}

} // namespace

// ---------------------------------------------------------------------------

TEST(Catalogue_builder, WritesTheRecordLayoutFromTheTable)
{
    ScratchDir dir;
    write_text("t.txt", synthetic_table());
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<uint8_t> d = read_file_bytes("starcats.bin");
    ASSERT_EQ((int)d.size(), STAR_FILE_SIZE);
    EXPECT_EQ(d[0] | d[1] << 8, STAR_RECORDS);
    std::vector<Star> stars = parse_catalogue(d);
    // Row 1000: 280 minutes of time = 70 degrees; declination -80 + 160000/5080.
    EXPECT_NEAR(stars[1000].lon * 360 / TWO_PI, 70.0, 1e-4);
    EXPECT_NEAR(stars[1000].lat * 360 / TWO_PI, -80.0 + 160000.0 / STAR_RECORDS, 2e-4);
    for (const Star& s : stars) {
        ASSERT_GE(s.lon, 0.0);
        ASSERT_LT(s.lon, TWO_PI);
        ASSERT_LE(fabs(s.lat), PI / 2);
        ASSERT_EQ(s.reserved, 0);
    }
}

TEST(Catalogue_builder, BrightnessFollowsMagnitude)
{
    ScratchDir dir;
    // Magnitudes -1.5 .. 6.0 in half steps, all of one colour (B-V 0.0).
    std::string t;
    char line[96];
    for (int m = 0; m < 16; m++) {
        snprintf(line, sizeof line, "%02d:00:00.00  +10:00:00.0  %5.2f  0.00\n", m, -1.5 + 0.5 * m);
        t += line;
    }
    write_text("t.txt", padded(t, 16));
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<Star> stars = parse_catalogue(read_file_bytes("starcats.bin"));
    EXPECT_EQ(brightest_channel(stars[0]), 255);
    EXPECT_EQ(brightest_channel(stars[5]), 255); // first magnitude still saturates
    for (int m = 6; m < 16; m++)
        EXPECT_LT(brightest_channel(stars[m]), brightest_channel(stars[m - 1])) << "row " << m;
    // Magnitude 6.0: faint but clearly above a dark backdrop.
    EXPECT_GE(brightest_channel(stars[15]), 40);
    EXPECT_LE(brightest_channel(stars[15]), 100);
}

TEST(Catalogue_builder, ColourFollowsTemperature)
{
    ScratchDir dir;
    // A hot blue star, a sun-like one and a cool red giant, all bright.
    write_text("t.txt", padded("01:00:00.00  +00:00:00.0  0.00  -0.30\n"
                               "02:00:00.00  +00:00:00.0  0.00   0.65\n"
                               "03:00:00.00  +00:00:00.0  0.00   1.90\n",
                               3));
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<Star> stars = parse_catalogue(read_file_bytes("starcats.bin"));
    const Star &hot = stars[0], &sun = stars[1], &cool = stars[2];
    EXPECT_EQ(hot.b, 255);
    EXPECT_LT(hot.r, hot.b - 40);
    EXPECT_EQ(sun.r, 255); // a touch warm of white
    EXPECT_GT(sun.b, 200);
    EXPECT_EQ(cool.r, 255);
    EXPECT_LT(cool.b, cool.r - 80);
    EXPECT_GT(cool.g, cool.b);
}

TEST(Catalogue_builder, BuildsAreByteIdentical)
{
    ScratchDir dir;
    ASSERT_EQ(run_builder(source_table(), "a.bin"), 0);
    ASSERT_EQ(run_builder(source_table(), "b.bin"), 0);
    std::vector<uint8_t> a = read_file_bytes("a.bin"), b = read_file_bytes("b.bin");
    ASSERT_EQ((int)a.size(), STAR_FILE_SIZE);
    EXPECT_TRUE(a == b);
}

TEST(Catalogue_builder, RefusesBadTablesAndKeepsTheOldFile)
{
    ScratchDir dir;
    write_file_bytes("starcats.bin", {1, 2, 3});
    struct Case {
        const char* what;
        std::string table;
        const char* message;
    };
    std::string good = synthetic_table();
    std::string bad_ra = good;
    bad_ra.replace(bad_ra.find("00:00:00.00"), 11, "24:00:00.00");
    std::string bad_dec = good;
    bad_dec.replace(bad_dec.find("-80:00:00.0"), 11, "-95:00:00.0");
    std::string short_row = good + "01:00:00.00  +10:00:00.0\n";
    const Case cases[] = {
        {"one row short", synthetic_table(STAR_RECORDS - 1), "5079 stars"},
        {"one row too many", synthetic_table(STAR_RECORDS) + "01:00:00.00  +10:00:00.0  3.0  0.5\n",
         "5081 stars"},
        {"right ascension of 24 hours", bad_ra, "t.txt:2:"},
        {"declination beyond the pole", bad_dec, "t.txt:2:"},
        {"row without magnitude and colour", short_row, "t.txt:5082:"},
    };
    for (const Case& c : cases) {
        write_text("t.txt", c.table);
        std::string err;
        EXPECT_NE(run_builder("t.txt", "starcats.bin", &err), 0) << c.what;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
        EXPECT_EQ(read_file_bytes("starcats.bin"), (std::vector<uint8_t>{1, 2, 3})) << c.what;
    }
    std::string err;
    EXPECT_NE(run_builder("missing.txt", "starcats.bin", &err), 0);
    EXPECT_NE(err.find("missing.txt"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The built catalogue holds the real sky.

TEST(Star_catalogue, BuiltFileHoldsTheBrightestStars)
{
    char path[512];
    ASSERT_TRUE(find_data_file("starcats.bin", path, sizeof path)) << "build the data files first";
    std::vector<uint8_t> d = read_file_bytes(path);
    ASSERT_EQ((int)d.size(), STAR_FILE_SIZE);
    EXPECT_EQ((int16_t)(d[0] | d[1] << 8), STAR_RECORDS);
    std::vector<Star> stars = parse_catalogue(d);
    int at_full = 0;
    for (const Star& s : stars) {
        int level = brightest_channel(s);
        EXPECT_GE(level, 40);
        at_full += level == 255;
    }
    EXPECT_GE(at_full, 5);
    EXPECT_LE(at_full, 30);

    struct Known {
        const char* name;
        double ra_deg, dec_deg;
        bool red; // a cool star: red above blue; else blue above red
    } known[] = {
        {"Sirius", 101.287, -16.716, false},   {"Betelgeuse", 88.793, 7.407, true},
        {"bet Ori, Rigel", 78.634, -8.202, false},      {"alp UMa, Dubhe", 165.932, 61.751, true},
        {"eta UMa, Alkaid", 206.885, 49.313, false}, {"alp2Cru, Acrux", 186.650, -63.099, false},
        {"gam Cru, Gacrux", 187.791, -57.113, true},
    };
    for (const Known& k : known) {
        int row = table_row(k.name);
        ASSERT_GE(row, 0) << k.name;
        const Star& s = stars[row];
        EXPECT_NEAR(s.lon * 360 / TWO_PI, k.ra_deg, 0.01) << k.name;
        EXPECT_NEAR(s.lat * 360 / TWO_PI, k.dec_deg, 0.01) << k.name;
        if (k.red)
            EXPECT_GT(s.r, s.b) << k.name;
        else
            EXPECT_GT(s.b, s.r) << k.name;
    }
    EXPECT_EQ(table_row("Sirius"), 0);
    EXPECT_EQ(brightest_channel(stars[0]), 255);
}

// The star field reads back what the builder wrote: a lone bright star at
// the centre of the view lands on the centre pixel in its catalogue colour.
TEST(Star_catalogue, StarFieldPlotsTheBuiltRecords)
{
    ScratchDir dir;
    // Row 0 at RA 6h (90 degrees), Dec +20; every other row far away at Dec -85.
    write_text("t.txt", padded("06:00:00.00  +20:00:00.0  -1.00  1.50  test star\n", 1));
    ASSERT_EQ(run_builder("t.txt", "starcats.bin"), 0);
    std::vector<Star> stars = parse_catalogue(read_file_bytes("starcats.bin"));

    ASSERT_EQ(create_frame_buffer(640), 0);
    rs = RenderSettings{};
    rs.i[I_WIDTH] = 640;
    rs.i[I_HEIGHT] = 480;
    rs.d[D_PIXELS_PER_DEGREE] = 4;
    rs.d[D_ASPECT] = 1;
    rs.d[D_STAR_LONG] = 90;
    rs.d[D_STAR_LAT] = 20;
    rs.d[D_BRIGHTNESS] = 1;
    rs.d[D_TWINKLE] = 0;
    rs.i[I_STARS] = 1; // NORTH
    page_frames[PAGE_SKY] = {0, 0};
    replay_only = false;
    int_param[I_START_X] = 0;
    int_param[I_END_X] = 640;
    int_param[I_START_Y] = 0;
    int_param[I_END_Y] = 480;

    EXPECT_EQ(draw_stars(RENDER_FRAME), 1);
    int r, g, b;
    get_frame_pixel(320, 240, &r, &g, &b);
    EXPECT_EQ(r, stars[0].r);
    EXPECT_EQ(g, stars[0].g);
    EXPECT_EQ(b, stars[0].b);
    EXPECT_EQ(r, 255);
}

// ---------------------------------------------------------------------------
// Hostile catalogue files: the star field plots what is sound and nothing else.

namespace {

// A view of 640 x 480 centred on RA 6h, Dec +20 at 4 pixels a degree, NORTH,
// no twinkle; the frame buffer cleared.
void set_up_view()
{
    ASSERT_EQ(create_frame_buffer(640), 0);
    rs = RenderSettings{};
    rs.i[I_WIDTH] = 640;
    rs.i[I_HEIGHT] = 480;
    rs.d[D_PIXELS_PER_DEGREE] = 4;
    rs.d[D_ASPECT] = 1;
    rs.d[D_STAR_LONG] = 90;
    rs.d[D_STAR_LAT] = 20;
    rs.d[D_BRIGHTNESS] = 1;
    rs.i[I_STARS] = 1;
    page_frames[PAGE_SKY] = {0, 0};
    replay_only = false;
    int_param[I_START_X] = 0;
    int_param[I_END_X] = 640;
    int_param[I_START_Y] = 0;
    int_param[I_END_Y] = 480;
}

// A catalogue image whose record k sits k/10 degree east of the view centre
// (so every record is inside the view), colour (100, 150, 200).
std::vector<uint8_t> catalogue_bytes(int records, int16_t count_field)
{
    std::vector<uint8_t> d(2 + STAR_RECORD_SIZE * records, 0);
    d[0] = (uint8_t)(count_field & 0xff);
    d[1] = (uint8_t)((uint16_t)count_field >> 8);
    for (int k = 0; k < records; k++) {
        float lon = (float)((90.0 + (k % 400) / 10.0) * TWO_PI / 360.0);
        float lat = (float)((20.0 - (k / 400) / 10.0) * TWO_PI / 360.0);
        uint8_t* p = &d[2 + STAR_RECORD_SIZE * k];
        memcpy(p, &lon, 4);
        memcpy(p + 4, &lat, 4);
        p[8] = 100;
        p[9] = 150;
        p[10] = 200;
    }
    return d;
}

// Stars counted by the star field over a file of these bytes, in a fresh
// folder so no earlier read of another file can serve.
int stars_counted(const std::vector<uint8_t>& bytes)
{
    ScratchDir dir;
    write_file_bytes("starcats.bin", bytes);
    set_up_view();
    return draw_stars(RENDER_FRAME);
}

} // namespace

TEST(Catalogue_reader, CountFieldIsNeverABound)
{
    const int16_t lies[] = {0, -1, 1, 508, 5081, 32767, -32768};
    for (int16_t c : lies)
        EXPECT_EQ(stars_counted(catalogue_bytes(STAR_RECORDS, c)), STAR_RECORDS) << c;
}

TEST(Catalogue_reader, ShortFilesPlotTheirWholeRecordsOnly)
{
    EXPECT_EQ(stars_counted({}), 0);           // empty
    EXPECT_EQ(stars_counted({0x13}), 0);       // half a count field
    EXPECT_EQ(stars_counted(catalogue_bytes(0, 5080)), 0);
    std::vector<uint8_t> part = catalogue_bytes(10, 5080);
    part.resize(part.size() + 7, 0xff); // and most of an eleventh record
    EXPECT_EQ(stars_counted(part), 10);
    EXPECT_EQ(stars_counted(catalogue_bytes(509, 5080)), 509); // one into the second chunk
}

TEST(Catalogue_reader, BytesPastTheLastRecordAreIgnored)
{
    std::vector<uint8_t> longer = catalogue_bytes(STAR_RECORDS, 5080);
    longer.resize(longer.size() + 1000, 0x7f);
    EXPECT_EQ(stars_counted(longer), STAR_RECORDS);
}

TEST(Catalogue_reader, NonFiniteAndHugePositionsLandNowhere)
{
    std::vector<uint8_t> d = catalogue_bytes(STAR_RECORDS, 5080);
    const uint32_t nan_bits = 0x7fc00000u, inf_bits = 0x7f800000u, ninf_bits = 0xff800000u;
    const float huge = 3.0e38f;
    auto put = [&](int k, int at, const void* v) { memcpy(&d[2 + STAR_RECORD_SIZE * k + at], v, 4); };
    put(0, 0, &nan_bits);
    put(1, 4, &nan_bits);
    put(2, 0, &inf_bits);
    put(3, 4, &ninf_bits);
    put(4, 0, &huge);
    put(5, 4, &huge);
    EXPECT_EQ(stars_counted(d), STAR_RECORDS - 6);
}
