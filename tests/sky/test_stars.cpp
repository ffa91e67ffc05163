// Star field from small catalogues of our own: projection, NORTH/SOUTH
// mirrors, column wrapping, the rectangle, twinkle, brightness, short files.
#include "sky_test_support.h"

#include <cmath>

#include "test_support.h"

namespace {

struct Star {
    double lon_deg, lat_deg; // written as radians in 32-bit floats
    int r, g, b;
};

// Writes starcats.bin in the current directory; cut < 0 keeps every byte.
void write_catalogue(const std::vector<Star>& stars, int count_field = 5080, long cut = -1)
{
    std::vector<uint8_t> bytes = {(uint8_t)(count_field & 255), (uint8_t)((count_field >> 8) & 255)};
    for (const Star& s : stars) {
        float lon = (float)(s.lon_deg * DEG2RAD), lat = (float)(s.lat_deg * DEG2RAD);
        uint8_t rec[12];
        memcpy(rec, &lon, 4);
        memcpy(rec + 4, &lat, 4);
        rec[8] = (uint8_t)s.r;
        rec[9] = (uint8_t)s.g;
        rec[10] = (uint8_t)s.b;
        rec[11] = 0xEE;
        bytes.insert(bytes.end(), rec, rec + 12);
    }
    if (cut >= 0)
        bytes.resize((size_t)cut);
    write_file_bytes("starcats.bin", bytes);
}

// A star far above every frame (NORTH), to fill catalogue positions.
const Star filler = {0.3, 300.3, 255, 255, 255};

int lit_pixels()
{
    int n = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (!(frame_pixel(x, y) == RGB3{0, 0, 0}))
                n++;
    return n;
}

class Star_field : public SkyTest {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        SkyTest::SetUp();
        int_param[I_STARS] = 1;
        apply_parameters();
    }
    int draw(int mode = RENDER_FRAME)
    {
        apply_parameters();
        return draw_stars(mode);
    }
};

} // namespace

TEST_F(Star_field, centre_and_the_north_south_mirrors)
{
    write_catalogue({{0.3, 0.3, 200, 0, 0}, {10.3, 0.3, 0, 200, 0}, {0.3, 20.3, 0, 0, 200}});
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{200, 0, 0}));
    EXPECT_EQ(frame_pixel(310, 240), (RGB3{0, 200, 0}));
    EXPECT_EQ(frame_pixel(320, 220), (RGB3{0, 0, 200}));

    clear_to_color(frame_buffer, 0);
    int_param[I_STARS] = 2;
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{200, 0, 0}));
    EXPECT_EQ(frame_pixel(330, 240), (RGB3{0, 200, 0}));
    EXPECT_EQ(frame_pixel(320, 260), (RGB3{0, 0, 200}));
    EXPECT_EQ(lit_pixels(), 3);
}

TEST_F(Star_field, scales_follow_pixels_per_degree_and_aspect)
{
    write_catalogue({{10.3, 5.3, 90, 90, 90}});
    dbl_param[D_PIXELS_PER_DEGREE] = 2.0;
    dbl_param[D_ASPECT] = 1.5;
    int_param[I_STARS] = 2;
    EXPECT_EQ(draw(), 1);
    // hx = trunc(10.3 * 3) = 30, vy = trunc(5.3 * 2) = 10.
    EXPECT_EQ(frame_pixel(350, 250), (RGB3{90, 90, 90}));
}

TEST_F(Star_field, columns_wrap_around_the_circle_in_two_rounds)
{
    // 1 pixel per degree: the circle is 360 columns, less than the frame.
    write_catalogue({{325.3, 0.3, 100, 0, 0}, {100.3, 0.3, 0, 100, 0}});
    EXPECT_EQ(draw(), 2);
    EXPECT_EQ(frame_pixel(355, 240), (RGB3{100, 0, 0})); // x = -5 + 360
    EXPECT_EQ(frame_pixel(220, 240), (RGB3{0, 100, 0}));

    // SOUTH from 400 degrees west: x = 720 wraps twice to 0.
    clear_to_color(frame_buffer, 0);
    write_catalogue({{0.3, 0.3, 100, 0, 0}});
    int_param[I_STARS] = 2;
    dbl_param[D_STAR_LONG] = -400.0;
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(frame_pixel(0, 240), (RGB3{100, 0, 0}));
    // 760 degrees west: x = 1080 comes down only to 360 after two rounds.
    clear_to_color(frame_buffer, 0);
    dbl_param[D_STAR_LONG] = -760.0;
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(frame_pixel(360, 240), (RGB3{100, 0, 0}));

    // A catalogue spread over the whole sky leaves columns 360 and beyond dark.
    clear_to_color(frame_buffer, 0);
    dbl_param[D_STAR_LONG] = 0.0;
    std::vector<Star> sky;
    for (int k = 0; k < 360; k++)
        sky.push_back({k + 0.5, (k % 100) - 50.5, 50, 50, 50});
    write_catalogue(sky);
    EXPECT_EQ(draw(), 360);
    for (int y = 0; y < 480; y++)
        for (int x = 360; x < 640; x++)
            ASSERT_EQ(frame_pixel(x, y), (RGB3{0, 0, 0}));
}

TEST_F(Star_field, last_column_and_row_take_no_star)
{
    int_param[I_STARS] = 2;
    dbl_param[D_PIXELS_PER_DEGREE] = 2.0; // the circle spans 720 columns
    write_catalogue({{159.8, 0.3, 10, 10, 10},   // x = 639
                     {159.3, 0.3, 20, 20, 20},   // x = 638
                     {0.3, 119.8, 30, 30, 30},   // y = 479
                     {0.3, 119.3, 40, 40, 40}}); // y = 478
    EXPECT_EQ(draw(), 2);
    EXPECT_EQ(frame_pixel(639, 240), (RGB3{0, 0, 0}));
    EXPECT_EQ(frame_pixel(638, 240), (RGB3{20, 20, 20}));
    EXPECT_EQ(frame_pixel(320, 479), (RGB3{0, 0, 0}));
    EXPECT_EQ(frame_pixel(320, 478), (RGB3{40, 40, 40}));
}

TEST_F(Star_field, rectangle_limits_and_empty_rectangles)
{
    write_catalogue({{0.3, 0.3, 100, 100, 100}, {50.3, 0.3, 100, 100, 100}});
    int_param[I_START_X] = int_param[I_END_X] = 320;
    EXPECT_EQ(draw(), 0);
    int_param[I_START_X] = 0;
    int_param[I_START_Y] = int_param[I_END_Y] = 10;
    EXPECT_EQ(draw(), 0);
    EXPECT_EQ(lit_pixels(), 0);
    // A swapped rectangle 300..330 x 200..260 holds the centre star only.
    int_param[I_START_X] = 330;
    int_param[I_END_X] = 300;
    int_param[I_START_Y] = 260;
    int_param[I_END_Y] = 200;
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(lit_pixels(), 1);
}

TEST_F(Star_field, stars_only_brighten_and_brightness_is_clamped)
{
    write_catalogue({{0.3, 0.3, 128, 127, 10}, {10.3, 0.3, 50, 50, 50}});
    fill_frame(60, 60, 60);
    EXPECT_EQ(draw(), 2);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{128, 127, 60}));
    EXPECT_EQ(frame_pixel(310, 240), (RGB3{60, 60, 60})); // dimmer than the backdrop

    clear_to_color(frame_buffer, 0);
    dbl_param[D_BRIGHTNESS] = 2.0;
    draw();
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{255, 254, 20}));
}

TEST_F(Star_field, twinkle_by_frame_and_index_within_the_chunk)
{
    // Records 0, 1 and 508 on three columns; all others out of sight.
    std::vector<Star> stars(509, filler);
    stars[0] = {0.3, 0.3, 200, 200, 200};
    stars[1] = {10.3, 0.3, 200, 200, 200};
    stars[508] = {20.3, 0.3, 200, 200, 200};
    write_catalogue(stars);
    dbl_param[D_TWINKLE] = 0.5;
    // Frame 0: the phase of record 0 is 0, so it shows its colour exactly.
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{200, 200, 200}));

    clear_to_color(frame_buffer, 0);
    int_param[I_THIS_FRAME] = 3;
    page_frames[PAGE_SKY].start = 3; // no drift
    draw();
    // f = 1 - sin((60 + i) / 100) * 0.5
    EXPECT_EQ(frame_pixel(320, 240).r, 143);
    EXPECT_EQ(frame_pixel(310, 240).r, 142);
    EXPECT_EQ(frame_pixel(300, 240).r, 143); // record 508 twinkles with record 0
}

TEST_F(Star_field, negative_brightness_factors_plot_nothing)
{
    write_catalogue({{0.3, 0.3, 200, 200, 200}});
    fill_frame(7, 7, 7);
    dbl_param[D_TWINKLE] = 3.0;
    int_param[I_THIS_FRAME] = 2; // f = 1 - 3 sin(0.4) < 0
    page_frames[PAGE_SKY].start = 2;
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{7, 7, 7}));
}

TEST_F(Star_field, view_drifts_from_the_sky_start_frame)
{
    write_catalogue({{5.3, 2.3, 100, 100, 100}});
    dbl_param[D_STAR_LONG_INC] = 1.0;
    dbl_param[D_STAR_LAT_INC] = 0.5;
    page_frames[PAGE_SKY].start = 10;
    int_param[I_START_FRAME] = 0; // the project's start plays no part
    int_param[I_THIS_FRAME] = 15;
    draw();
    // View at 5 degrees east and 2.5 north: hx = trunc(0.3), vy = trunc(-0.2).
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{100, 100, 100}));
}

TEST_F(Star_field, precise_mode_centres_the_view)
{
    write_catalogue({{30.0, 20.0, 100, 100, 100}});
    dbl_param[D_STAR_LONG] = 30.0;
    dbl_param[D_STAR_LAT] = 20.0;
    flag_param[F_STAR_CALC] = 1;
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{100, 100, 100}));
}

TEST_F(Star_field, count_field_is_ignored_and_short_files_plot_what_they_hold)
{
    std::vector<Star> five;
    for (int k = 0; k < 5; k++)
        five.push_back({k * 10 + 0.3, 0.3, 100, 100, 100});
    write_catalogue(five, 2);
    EXPECT_EQ(draw(), 5);

    clear_to_color(frame_buffer, 0);
    write_catalogue(five, 5080, 2 + 3 * 12 + 7); // three whole records and a piece
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(lit_pixels(), 3);

    clear_to_color(frame_buffer, 0);
    write_catalogue({}, 0, 0);
    EXPECT_EQ(draw(), 0);
    EXPECT_EQ(lit_pixels(), 0);
}

TEST_F(Star_field, preview_and_replay)
{
    write_catalogue({{0.3, 0.3, 30, 60, 90}, {10.3, 0.3, 0, 0, 0}});
    set_color_depth(24);
    preview_target = create_bitmap_ex(24, 640, 480);
    clear_to_color(preview_target, makecol24(1, 2, 3));
    // Preview only: the frame stays black, the grey is plotted even for black.
    EXPECT_EQ(draw(RENDER_PREVIEW), 2);
    EXPECT_EQ(lit_pixels(), 0);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(60, 60, 60));
    EXPECT_EQ(getpixel(preview_target, 310, 240), makecol24(0, 0, 0));
    // In colour a black star is not plotted.
    clear_to_color(preview_target, makecol24(1, 2, 3));
    flag_param[F_PREVIEW_RGB] = 1;
    draw(RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(30, 60, 90));
    EXPECT_EQ(getpixel(preview_target, 310, 240), makecol24(1, 2, 3));
    // Both: the preview shows the frame pixel after the maximum.
    fill_frame(100, 0, 0);
    draw(RENDER_FRAME | RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(100, 60, 90));
    set_color_depth(8);

    // A replay counts the stars and paints nothing.
    clear_to_color(frame_buffer, 0);
    replay_only = true;
    EXPECT_EQ(draw(RENDER_FRAME), 2);
    EXPECT_EQ(lit_pixels(), 0);
}

TEST(Sky_geometry, full_angle_quadrants_and_axes)
{
    EXPECT_EQ(full_angle(0, 1), 0.5 * PI);
    EXPECT_EQ(full_angle(0, -1), 1.5 * PI);
    EXPECT_EQ(full_angle(0, 0), 0.0);
    EXPECT_EQ(full_angle(-2, 0), PI);
    EXPECT_EQ(full_angle(2, 0), 0.0);
    // One point per quadrant: 45, 315, 135 and 225 degrees.
    EXPECT_NEAR(full_angle(1, 1), 0.25 * PI, 1e-12);
    EXPECT_NEAR(full_angle(1, -1), 1.75 * PI, 1e-12);
    EXPECT_NEAR(full_angle(-1, 1), 0.75 * PI, 1e-12);
    EXPECT_NEAR(full_angle(-1, -1), 1.25 * PI, 1e-12);
}

TEST(Sky_geometry, rotations)
{
    // The view centre goes to latitude 0, longitude 0.
    double lat, lon;
    star_rotate(30 * DEG2RAD, 20 * DEG2RAD, 30, 20, &lat, &lon);
    EXPECT_NEAR(lat, 0.0, 1e-12);
    EXPECT_TRUE(lon < 1e-12 || lon > TWO_PI - 1e-12);
    // A pole stays at the top after an untilted rotation.
    tilt_kc = 1.0;
    tilt_ks = 0.0;
    double az, alt;
    tilt_rotate(0.0, 0.0, &az, &alt);
    EXPECT_EQ(az, 0.0);
    EXPECT_NEAR(alt, HALF_PI, 1e-12);
    tilt_rotate(0.3, 1.0, &az, &alt);
    EXPECT_GE(az, 0.0);
    EXPECT_LE(az, TWO_PI);
    EXPECT_DOUBLE_EQ(alt, std::asin(std::cos(0.3) * std::cos(1.0)));
    EXPECT_DOUBLE_EQ(RAD2DEG, 360.0 / 6.2831853071796);
}
