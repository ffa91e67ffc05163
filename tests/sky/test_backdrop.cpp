// Backdrop gradient: LINEAR bands and dither, clipping, POLAR fade and limits.
#include "sky_test_support.h"

#include "sky/sky.h"      // Required for: draw_backdrop
#include "store/canvas.h" // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/store.h"  // Required for: F_PREVIEW_RGB, I_COLOUR_ONE, I_COLOUR_TWO

using Backdrop_linear = SkyTest;

TEST_F(Backdrop_linear, band_rows_dither_and_clipping_in_grey)
{
    // Row y holds the band of the band row above it (old) with the band of
    // its own band row (new) showing through a 4 x 8 dither pattern.
    static const uint8_t pattern[4][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 1, 0, 0}, {1, 0, 1, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 1, 0, 1}};
    const int b72 = (int)(255 * (73.0 / 80.0)), b76 = (int)(255 * (77.0 / 80.0));
    const struct {
        int w, h, start_y, end_x, end_y;
        std::vector<std::array<int, 3>> rows; // y, old band, new band
    } cases[] = {
        {640, 480, 0, 639, 99, {{0, 0, 2}, {3, 0, 2}, {4, 2, 12}, {7, 2, 12}, {97, 237, 247}, {99, 237, 247}}},
        {640, 480, 8, 639, 107, {{7, 0, 0}, {8, 0, 0}}},  // first row is colour one
        {640, 480, 5, 639, 107, {{4, 0, 0}, {5, 0, 2}}},  // t = 1 / 103 already
        {640, 480, -20, 639, 99, {{0, 36, 44}, {1, 36, 44}}}, // rows above still count
        {640, 480, -1000, 639, 99, {{0, 231, 232}, {3, 231, 232}}},
        {100, 80, 0, 100, 1000, {{76, b72, b76}, {78, b72, b76}, {79, b72, b76}}}, // END X at the width: clipped
    };
    int_param[I_FADE_TYPE] = 1;
    for (const auto& c : cases) {
        clear_to_color(frame_buffer, 0);
        int_param[I_WIDTH] = c.w, int_param[I_HEIGHT] = c.h;
        set_rect(0, c.start_y, c.end_x, c.end_y);
        draw_backdrop(RENDER_FRAME);
        for (const auto& r : c.rows)
            for (int x = 0; x < c.w; x++) {
                int v = pattern[r[0] % 4][x % 8] ? r[2] : r[1];
                ASSERT_EQ(pixel(x, r[0]), (Rgb{v, v, v})) << c.start_y << ": " << x << "," << r[0];
            }
        EXPECT_EQ(pixel(0, std::min(c.end_y, c.h - 1) + 1), (Rgb{0, 0, 0}));
        if (c.w < 640) {
            EXPECT_EQ(pixel(c.w, c.h - 1), (Rgb{0, 0, 0}));
        }
    }
}

TEST_F(Backdrop_linear, empty_swapped_none_and_replay)
{
    const Rgb grey{9, 9, 9};
    fill_frame({9, 9, 9});
    int_param[I_FADE_TYPE] = 1;
    set_rect(0, 40, 639, 40); // one row: empty
    draw_backdrop(RENDER_FRAME);
    set_rect(100, 0, 100, 479); // one column: empty
    draw_backdrop(RENDER_FRAME);
    replay_only = true;
    set_rect(0, 0, 639, 479);
    draw_backdrop(RENDER_FRAME);
    replay_only = false, int_param[I_FADE_TYPE] = 0;
    apply_parameters();
    draw_backdrop(RENDER_FRAME | RENDER_PREVIEW);
    EXPECT_EQ(pixel(100, 40), grey);

    // Swapped corners paint the same rectangle, both corners included.
    int_param[I_FADE_TYPE] = 1;
    set_rect(30, 20, 300, 200);
    draw_backdrop(RENDER_FRAME);
    std::vector<uint8_t> ordered(frame_buffer->line[0], frame_buffer->line[0] + 640 * 480 * 3);
    fill_frame({9, 9, 9});
    set_rect(300, 200, 30, 20);
    draw_backdrop(RENDER_FRAME);
    EXPECT_TRUE(std::equal(ordered.begin(), ordered.end(), frame_buffer->line[0]));
    EXPECT_TRUE(pixel(30, 20) != grey && pixel(300, 200) != grey);
    EXPECT_TRUE(pixel(29, 20) == grey && pixel(301, 200) == grey && pixel(30, 201) == grey);
}

using Backdrop_polar = SkyTest;

TEST_F(Backdrop_polar, fade_radius_and_limits)
{
    const struct {
        const char* what;
        int one, two; // colour numbers
        Rgb c1, c2;
        int x0, y0, x1, y1;
        std::vector<std::pair<std::array<int, 2>, Rgb>> probes;
    } cases[] = {
        {"radius 5", 1, 2, {100, 50, 200}, {150, 30, 100}, 0, 0, 3, 4,
         {{{0, 0}, {100, 50, 200}}, {{3, 4}, {150, 30, 100}}, {{6, 8}, {200, 10, 0}},
          {{6, 10}, {216, 3, 0}}, {{639, 479}, {255, 0, 0}}}},
        {"end clipped to 639", 1, 2, {0, 0, 0}, {200, 200, 200}, 0, 100, 2000, 100,
         {{{639, 100}, {200, 200, 200}}, {{639, 0}, {202, 202, 202}}}},
        {"start neither ordered nor clipped", 1, 2, {0, 0, 0}, {100, 100, 100}, 700, -50, 600, -50,
         {{{639, 0}, {78, 78, 78}}, {{0, 0}, {255, 255, 255}}}},
        {"zero radius", 1, 2, {100, 50, 200}, {150, 50, 100}, 10, 20, 10, 20,
         {{{10, 20}, {100, 50, 200}}, {{11, 20}, {255, 50, 0}}, {{0, 0}, {255, 50, 0}}}},
        {"colour numbers beyond the table", -7, 9999, {1, 2, 3}, {4, 5, 6}, 0, 0, 10, 0,
         {{{0, 0}, {1, 2, 3}}, {{10, 0}, {4, 5, 6}}}},
    };
    int_param[I_FADE_TYPE] = 2;
    for (const auto& c : cases) {
        int_param[I_COLOUR_ONE] = c.one, int_param[I_COLOUR_TWO] = c.two;
        set_colour(std::max(0, std::min(c.one, 255)), c.c1.r, c.c1.g, c.c1.b);
        set_colour(std::max(0, std::min(c.two, 255)), c.c2.r, c.c2.g, c.c2.b);
        set_rect(c.x0, c.y0, c.x1, c.y1);
        draw_backdrop(RENDER_FRAME);
        for (const auto& p : c.probes)
            EXPECT_EQ(pixel(p.first[0], p.first[1]), p.second) << c.what << " at " << p.first[0] << "," << p.first[1];
    }
}

TEST_F(Backdrop_polar, preview_grey_or_colour)
{
    set_color_depth(24);
    preview_target = create_bitmap_ex(24, 640, 480);
    set_colour(1, 30, 60, 92); // grey 60.67, truncated
    set_colour(2, 30, 60, 92);
    int_param[I_FADE_TYPE] = 2;
    set_rect(0, 0, 10, 479);
    draw_backdrop(RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 5, 5), makecol24(60, 60, 60));
    flag_param[F_PREVIEW_RGB] = 1;
    draw_backdrop(RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 5, 5), makecol24(30, 60, 92));
    EXPECT_EQ(pixel(5, 5), (Rgb{30, 60, 92})); // the frame is painted whatever the mode
}
