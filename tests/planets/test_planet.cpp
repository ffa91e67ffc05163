// Planet renderer: disc geometry, map orientation, lighting, placement,
// rotation, colour planets and the choices made where values run wild.
#include <functional>

#include "test_planet_scene.h"

#include "planets/planets.h" // Required for: planet_state, setup_planet
#include "platform/angles.h" // Required for: DEG2RAD
#include "store/canvas.h"    // Required for: RENDER_PREVIEW, preview_target, rs
#include "store/store.h"     // Required for: D_ASPECT, D_OBLATE, D_PHASE
#include "store/surface.h"   // Required for: colour_table

using namespace planet_scene;

namespace {

constexpr Rgb BLACK = {0, 0, 0}, GREY200 = {200, 200, 200}, RED = {255, 0, 0}, BLUE = {0, 0, 255};

// Index 1 = grey 200 everywhere, or red (1) / blue (2) where red_at says.
void install_planet(int full, int width, int height, const std::function<bool(int, int)>& red_at)
{
    nmk::TopoRecord m = plain_map("map", 2, width, height, 1);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            m.image.pixels[y * width + x] = red_at ? (uint8_t)(red_at(x, y) ? 1 : 2) : 1;
    m.full_flag = full;
    set_colour(m, 1, 200, 200, 200);
    if (red_at)
        set_colour(m, 1, 255, 0, 0), set_colour(m, 2, 0, 0, 255), dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    m.dark_index = 9;
    m.zero_index = 7;
    install_topology({m}, {});
}
void install_grey_planet(int full = 1) { install_planet(full, full ? 360 : 180, full ? 180 : 90, nullptr); }

std::pair<int, int> row_extent(int y) // leftmost and rightmost drawn column, -1 when none
{
    int left = -1, right = -1;
    for (int x = 0; x < SCENE_W; x++)
        if (pixel(x, y) != MARK)
            right = x, left = left < 0 ? x : left;
    return {left, right};
}

} // namespace

class Planet_disc : public PlanetScene {};

TEST_F(Planet_disc, circle_rows_follow_integer_halves)
{
    install_grey_planet();
    // {diameter, aspect, row, left, right}: an even diameter's extra top row lies on the rim.
    const double rows[][5] = {{11, 1, 18, -1, -1}, {11, 1, 19, 30, 34}, {11, 1, 24, 27, 37}, {11, 1, 29, 30, 34},
                              {11, 1, 30, -1, -1}, {10, 1, 19, -1, -1}, {10, 1, 20, 30, 34}, {10, 1, 28, 30, 34},
                              {11, 2, 24, 22, 42}};
    for (const auto& r : rows) {
        fill(MARK);
        dbl_param[D_PLANET_DIAMETER] = r[0], dbl_param[D_ASPECT] = r[1];
        draw_planet();
        EXPECT_EQ(row_extent((int)r[2]), std::make_pair((int)r[3], (int)r[4])) << r[0] << " " << r[1] << " row " << r[2];
    }
}

TEST_F(Planet_disc, polar_angle_points_map_row_zero)
{
    install_planet(1, 360, 180, [](int, int y) { return y < 60; });
    const int cases[][3] = {{90, 0, -4}, {0, -4, 0}, {180, 4, 0}}; // row 0 at the top, left, right
    for (const auto& c : cases) {
        dbl_param[D_POLAR_ANGLE] = c[0];
        draw_planet();
        expect_at({{c[1], c[2], RED}, {-c[1], -c[2], BLUE}});
    }
}

class Planet_lighting : public PlanetScene {};

TEST_F(Planet_lighting, phase_decides_the_lit_half)
{
    install_grey_planet();
    const int cases[][3] = {{0, 0, 0}, {90, 0, 1}, {180, 1, 1}, {270, 1, 0}}; // PHASE, left lit, right lit
    for (const auto& c : cases) {
        dbl_param[D_PHASE] = c[0];
        draw_planet();
        EXPECT_EQ(pixel(29, 24) != BLACK, (bool)c[1]) << c[0];
        EXPECT_EQ(pixel(35, 24) != BLACK, (bool)c[2]) << c[0];
    }
    dbl_param[D_PHASE] = 180.0;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), GREY200);
    EXPECT_LT(pixel(36, 24).r, pixel(34, 24).r) << "falling off toward the limb";
}

TEST_F(Planet_lighting, backlight_and_lighting_limit_scale_the_colour)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 0.0, dbl_param[D_PLANET_BACKLIGHT] = 0.25;
    draw_planet();
    for (const Rgb& c : frame())
        ASSERT_TRUE(c == MARK || c == (Rgb{50, 50, 50})) << c;
    dbl_param[D_PHASE] = 180.0, dbl_param[D_PLANET_LIGHTING] = 0.5;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), (Rgb{100, 100, 100}));
}

TEST_F(Planet_lighting, half_map_stands_upright_with_its_dark_colour_at_half)
{
    install_grey_planet(0);
    dbl_param[D_PHASE] = 90.0, dbl_param[D_PLANET_LATITUDE] = 40.0, dbl_param[D_POLAR_ANGLE] = 30.0;
    draw_planet();
    EXPECT_EQ(planet_state.planet_latitude, 0.0);
    EXPECT_EQ(pixel(29, 24), (Rgb{4, 4, 4})) << "dark index (8, 8, 8) at 0.5";
    EXPECT_EQ(row_extent(19), std::make_pair(30, 34)) << "upright";
}

TEST_F(Planet_lighting, map_index_zero_and_colour_planets)
{
    nmk::TopoRecord m = plain_map("zero", 2, 360, 180, 0);
    set_colour(m, 0, 90, 60, 30);
    m.zero_index = 7, m.dark_index = 9;
    install_topology({m}, {});
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    draw_planet();
    for (const Rgb& c : frame())
        ASSERT_TRUE(c == MARK || c == (Rgb{90, 60, 30})) << c << ": the former entry 0";
    // Planets past the file show their Colour table entry.
    set_colour(0, 10, 200, 30);
    set_colour(3, 40, 50, 60);
    set_colour(255, 250, 240, 230);
    colour_table[254][0] = 1, colour_table[253][0] = 2;
    const std::pair<int, Rgb> cases[] = {{1, {10, 200, 30}}, {4, {40, 50, 60}}, {256, {250, 240, 230}}};
    for (const auto& c : cases) {
        draw_planet(c.first);
        expect_at({{0, 0, c.second}, {-4, -2, c.second}});
    }
    // Colour 255: the zero and dark substitutes step around the planet's own index.
    EXPECT_NE(planet_state.zero_colour & 255, 255);
    EXPECT_NE(planet_state.dark_colour & 255, 255);
    EXPECT_NE(planet_state.zero_colour & 255, planet_state.dark_colour & 255);
}

class Planet_placement : public PlanetScene {};

TEST_F(Planet_placement, travel_away_halves_the_size_at_twice_the_distance)
{
    install_grey_planet();
    dbl_param[D_TRAVEL_DISTANCE] = 10.0;
    page_frames[PAGE_PLANET].start = 5;
    int_param[I_THIS_FRAME] = 15;
    setup_planet(0);
    EXPECT_NEAR(planet_state.diameter, 5.5, 1e-9);
    EXPECT_EQ(planet_state.xc, 32);
    EXPECT_EQ(planet_state.rows, 5);
}

TEST_F(Planet_placement, sideways_travel_changes_size_only_with_x_perspective)
{
    install_grey_planet();
    dbl_param[D_TRAVEL_DISTANCE] = 2.0, dbl_param[D_TRAVEL_ANGLE] = 90.0;
    int_param[I_THIS_FRAME] = 10;
    setup_planet(0);
    EXPECT_NEAR(planet_state.diameter, 11.0, 1e-9);
    EXPECT_LT(planet_state.xc, 32 - 50);
    const int moved_to = planet_state.xc;
    flag_param[F_X_PERSPECTIVE] = 1;
    setup_planet(0);
    EXPECT_LT(planet_state.diameter, 10.99);
    EXPECT_EQ(planet_state.xc, moved_to);
}

TEST_F(Planet_placement, phase_adjust_and_clipping)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 90.0;
    flag_param[F_PHASE_ADJUST] = 1;
    for (auto c : {std::make_pair(12, 92.0), std::make_pair(52, 88.0)}) { // 2 degrees either side
        int_param[I_PLANET_X] = c.first;
        setup_planet(0);
        EXPECT_NEAR(planet_state.terminator_angle, (c.second - 90) * DEG2RAD, 1e-12);
    }
    int_param[I_PLANET_X] = -2000000000;
    dbl_param[D_PLANET_DIAMETER] = 1e12; // clipped, never walks the whole box
    draw_planet();
    int_param[I_PLANET_X] = 5000;
    dbl_param[D_PLANET_DIAMETER] = 11;
    draw_planet();
    EXPECT_EQ(count_not(MARK), 0);
}

TEST_F(Planet_placement, positive_rotation_inc_moves_features_right)
{
    install_planet(1, 360, 180, [](int x, int) { return x < 6; });
    dbl_param[D_PLANET_DIAMETER] = 31.0, dbl_param[D_ROTATION_INC] = 10.0;
    double last = -10;
    for (int frame : {0, 2, 4}) {
        int_param[I_THIS_FRAME] = frame;
        fill(MARK);
        draw_planet();
        double sum = 0, count = 0;
        for (int x = 0; x < SCENE_W; x++)
            if (pixel(x, 24) == RED)
                sum += x, count++;
        ASSERT_GT(count, 0) << frame;
        EXPECT_GT(sum / count, last + 2) << frame;
        last = sum / count;
    }
}

class Planet_decisions : public PlanetScene {};

TEST_F(Planet_decisions, negative_brightness_gives_black_not_wrapped_channels)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 0.0, dbl_param[D_PLANET_BACKLIGHT] = -0.5;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), BLACK);
    dbl_param[D_PHASE] = 180.0, dbl_param[D_SHADING] = -1.0;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), BLACK);
}

TEST_F(Planet_decisions, oblate_below_one_lights_pixels_past_the_pole_like_the_limb)
{
    install_grey_planet(0); // half map: a lost pixel would show the dark colour
    dbl_param[D_PLANET_DIAMETER] = 20.0, dbl_param[D_OBLATE] = 0.5, dbl_param[D_PLANET_BACKLIGHT] = 0.5;
    draw_planet();
    expect_at({{0, -7, {100, 100, 100}}, {0, 7, {100, 100, 100}}, {0, 0, GREY200}}); // |dy / A| > 1
}

TEST_F(Planet_decisions, black_preview_pixel_is_index_zero_and_frame_untouched)
{
    install_grey_planet();
    BITMAP* target = create_bitmap_ex(8, SCENE_W, SCENE_H);
    clear_to_color(target, 77);
    preview_target = target;
    flag_param[F_PREVIEW_RGB] = 1;
    dbl_param[D_PHASE] = 0.0;
    draw_planet(0, RENDER_PREVIEW);
    EXPECT_EQ(getpixel(target, 32, 24), 0);
    EXPECT_EQ(getpixel(target, 5, 5), 77);
    EXPECT_EQ(pixel(32, 24), MARK);
    preview_target = nullptr;
    destroy_bitmap(target);
}
