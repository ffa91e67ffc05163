// Backdrop gradient: LINEAR bands and dither, clipping, POLAR fade and limits.
#include "sky_test_support.h"

// The two colours a LINEAR row may hold and where the new band shows.
static void expect_row(int y, int old_band, int new_band)
{
    static const uint8_t pattern[4][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 1, 0, 0}, {1, 0, 1, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 1, 0, 1}};
    for (int x = 0; x < 640; x++) {
        int v = pattern[y % 4][x % 8] ? new_band : old_band;
        ASSERT_EQ(frame_pixel(x, y), (RGB3{v, v, v})) << "x " << x << " y " << y;
    }
}

using Backdrop_linear = SkyTest;

TEST_F(Backdrop_linear, black_to_white_over_100_rows)
{
    int_param[I_FADE_TYPE] = 1;
    int_param[I_END_Y] = 99;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    expect_row(0, 0, 2);
    expect_row(1, 0, 2);
    expect_row(2, 0, 2);
    expect_row(3, 0, 2);
    expect_row(4, 2, 12);
    expect_row(5, 2, 12);
    expect_row(7, 2, 12);
    expect_row(97, 237, 247);
    expect_row(99, 237, 247);
    // Below END Y nothing is painted; nothing reaches 255.
    EXPECT_EQ(frame_pixel(0, 100), (RGB3{0, 0, 0}));
    for (int y = 0; y < 100; y++)
        for (int x = 0; x < 640; x += 7)
            ASSERT_LT(frame_pixel(x, y).r, 255);
}

TEST_F(Backdrop_linear, first_row_is_colour_one_only_on_a_band_row)
{
    set_table(1, 10, 20, 30);
    set_table(2, 110, 220, 130);
    int_param[I_FADE_TYPE] = 1;
    int_param[I_START_Y] = 8;
    int_param[I_END_Y] = 107;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    for (int x = 0; x < 640; x++)
        ASSERT_EQ(frame_pixel(x, 8), (RGB3{10, 20, 30}));
    EXPECT_EQ(frame_pixel(0, 7), (RGB3{0, 0, 0}));

    // START Y 5: row 5 already shows the new band in columns 1 and 5 of 8.
    clear_to_color(frame_buffer, 0);
    int_param[I_START_Y] = 5;
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(0, 5), (RGB3{10, 20, 30}));
    EXPECT_EQ(frame_pixel(1, 5), (RGB3{10, 21, 30})); // t = 1 / 103
}

TEST_F(Backdrop_linear, empty_rectangle_and_swapped_corners)
{
    fill_frame(9, 9, 9);
    int_param[I_FADE_TYPE] = 1;
    int_param[I_START_Y] = int_param[I_END_Y] = 40;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    int_param[I_START_Y] = 0;
    int_param[I_START_X] = int_param[I_END_X] = 100;
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(100, 40), (RGB3{9, 9, 9}));

    int_param[I_START_X] = 30;
    int_param[I_END_X] = 300;
    int_param[I_START_Y] = 20;
    int_param[I_END_Y] = 200;
    draw_backdrop(RENDER_FRAME);
    std::vector<uint8_t> ordered(frame_buffer->line[0], frame_buffer->line[0] + 640 * 480 * 3);
    fill_frame(9, 9, 9);
    int_param[I_START_X] = 300;
    int_param[I_END_X] = 30;
    int_param[I_START_Y] = 200;
    int_param[I_END_Y] = 20;
    draw_backdrop(RENDER_FRAME);
    std::vector<uint8_t> swapped(frame_buffer->line[0], frame_buffer->line[0] + 640 * 480 * 3);
    EXPECT_TRUE(ordered == swapped);
    // Both corners are inside the rectangle, the next pixels are not.
    EXPECT_NE(frame_pixel(30, 20), (RGB3{9, 9, 9}));
    EXPECT_NE(frame_pixel(300, 200), (RGB3{9, 9, 9}));
    EXPECT_EQ(frame_pixel(29, 20), (RGB3{9, 9, 9}));
    EXPECT_EQ(frame_pixel(301, 200), (RGB3{9, 9, 9}));
    EXPECT_EQ(frame_pixel(30, 201), (RGB3{9, 9, 9}));
}

TEST_F(Backdrop_linear, end_values_beyond_the_frame_are_clipped)
{
    // A 100 x 80 frame: END Y 1000 becomes 79, END X 5000 becomes 99.
    frame_size(100, 80);
    int_param[I_FADE_TYPE] = 1;
    int_param[I_END_X] = 5000;
    int_param[I_END_Y] = 1000;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    // Row 76 is a band row: t = 77 / 80, the rows after it mix it in.
    int band76 = (int)(255 * (77.0 / 80.0)); // 245
    int band72 = (int)(255 * (73.0 / 80.0)); // 232
    EXPECT_EQ(frame_pixel(0, 76).r, band72);
    EXPECT_EQ(frame_pixel(0, 78).r, band76);
    EXPECT_EQ(frame_pixel(99, 79).r, band76);
    EXPECT_EQ(frame_pixel(100, 79), (RGB3{0, 0, 0}));
    EXPECT_EQ(frame_pixel(0, 80), (RGB3{0, 0, 0}));
}

TEST_F(Backdrop_linear, rows_above_the_frame_still_move_the_bands)
{
    int_param[I_FADE_TYPE] = 1;
    int_param[I_START_Y] = -20;
    int_param[I_END_Y] = 99;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    // Row 0 shows the band of row -4 (t = 17/120): 36, its new band is 44.
    expect_row(0, 36, 44);
    expect_row(1, 36, 44);

    // Far above: bands of rows -4 and 0 with t = 997/1100 and 1001/1100.
    clear_to_color(frame_buffer, 0);
    int_param[I_START_Y] = -1000;
    draw_backdrop(RENDER_FRAME);
    expect_row(0, 231, 232);
    expect_row(3, 231, 232);
}

TEST_F(Backdrop_linear, fade_none_and_replay_leave_everything_untouched)
{
    fill_frame(5, 6, 7);
    int_param[I_FADE_TYPE] = 0;
    apply_parameters();
    draw_backdrop(RENDER_FRAME | RENDER_PREVIEW);
    EXPECT_EQ(frame_pixel(0, 0), (RGB3{5, 6, 7}));
    int_param[I_FADE_TYPE] = 1;
    apply_parameters();
    replay_only = true;
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(320, 240), (RGB3{5, 6, 7}));
}

using Backdrop_polar = SkyTest;

TEST_F(Backdrop_polar, centre_radius_and_beyond)
{
    set_table(1, 100, 50, 200);
    set_table(2, 150, 30, 100);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_START_X] = 0;
    int_param[I_START_Y] = 0;
    int_param[I_END_X] = 3;
    int_param[I_END_Y] = 4;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(0, 0), (RGB3{100, 50, 200}));
    EXPECT_EQ(frame_pixel(3, 4), (RGB3{150, 30, 100}));
    EXPECT_EQ(frame_pixel(6, 8), (RGB3{200, 10, 0}));
    // t = hypot(6, 10) / 5 = 2.332: blue is limited at 0.
    EXPECT_EQ(frame_pixel(6, 10), (RGB3{216, 3, 0}));
    // Far away every channel has reached its limit.
    EXPECT_EQ(frame_pixel(639, 479), (RGB3{255, 0, 0}));
}

TEST_F(Backdrop_polar, radius_measured_to_the_clipped_end)
{
    set_table(1, 0, 0, 0);
    set_table(2, 200, 200, 200);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_START_X] = 0;
    int_param[I_START_Y] = 100;
    int_param[I_END_X] = 2000; // clipped to 639
    int_param[I_END_Y] = 100;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(639, 100), (RGB3{200, 200, 200}));
    EXPECT_EQ(frame_pixel(639, 0).r, 202); // t = hypot(639, 100) / 639
}

TEST_F(Backdrop_polar, start_values_are_not_ordered_or_clipped)
{
    // Centre outside the frame, end before it: still a radial fade from there.
    set_table(1, 0, 0, 0);
    set_table(2, 100, 100, 100);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_START_X] = 700;
    int_param[I_START_Y] = -50;
    int_param[I_END_X] = 600;
    int_param[I_END_Y] = -50;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(639, 0).r, 78); // t = hypot(61, 50) / 100
    EXPECT_EQ(frame_pixel(0, 0).r, 255);
}

TEST_F(Backdrop_polar, zero_radius_takes_the_limit)
{
    set_table(1, 100, 50, 200);
    set_table(2, 150, 50, 100);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_START_X] = int_param[I_END_X] = 10;
    int_param[I_START_Y] = int_param[I_END_Y] = 20;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(10, 20), (RGB3{100, 50, 200}));
    EXPECT_EQ(frame_pixel(11, 20), (RGB3{255, 50, 0}));
    EXPECT_EQ(frame_pixel(0, 0), (RGB3{255, 50, 0}));
}

TEST_F(Backdrop_polar, colour_numbers_outside_the_table_read_its_ends)
{
    set_table(0, 1, 2, 3);
    set_table(255, 4, 5, 6);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_COLOUR_ONE] = -7;
    int_param[I_COLOUR_TWO] = 9999;
    int_param[I_END_X] = 10;
    int_param[I_END_Y] = 0;
    apply_parameters();
    draw_backdrop(RENDER_FRAME);
    EXPECT_EQ(frame_pixel(0, 0), (RGB3{1, 2, 3}));
    EXPECT_EQ(frame_pixel(10, 0), (RGB3{4, 5, 6}));
}

TEST_F(Backdrop_polar, preview_grey_or_colour)
{
    set_color_depth(24);
    preview_target = create_bitmap_ex(24, 640, 480);
    clear_to_color(preview_target, 0);
    set_table(1, 30, 60, 90);
    set_table(2, 30, 60, 90);
    int_param[I_FADE_TYPE] = 2;
    int_param[I_END_X] = 10;
    apply_parameters();
    draw_backdrop(RENDER_PREVIEW);
    int c = getpixel(preview_target, 5, 5);
    EXPECT_EQ(getr24(c), 60);
    EXPECT_EQ(getg24(c), 60);
    EXPECT_EQ(getb24(c), 60);
    flag_param[F_PREVIEW_RGB] = 1;
    draw_backdrop(RENDER_PREVIEW);
    c = getpixel(preview_target, 5, 5);
    EXPECT_EQ(getr24(c), 30);
    EXPECT_EQ(getb24(c), 90);
    // The frame buffer is painted whatever the mode.
    EXPECT_EQ(frame_pixel(5, 5), (RGB3{30, 60, 90}));
    set_color_depth(8);
}
