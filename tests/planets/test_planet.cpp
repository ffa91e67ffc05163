// Planet renderer: disc geometry, lighting, placement, colour planets and the
// choices made where values run wild.
#include "test_planet_scene.h"

#include "planets/planets.h" // Required for: planet_state, setup_planet
#include "platform/angles.h" // Required for: DEG2RAD
#include "store/canvas.h"    // Required for: RENDER_PREVIEW, preview_target, rs
#include "store/store.h"     // Required for: D_ASPECT, D_OBLATE, D_PHASE
#include "store/surface.h"   // Required for: colour_table

using namespace planet_scene;

namespace {

constexpr Rgb GREY200 = {200, 200, 200};

// Index 1 grey 200 everywhere; a full 360 x 180 map or a half 180 x 90 one.
void install_grey_planet(int full = 1)
{
    nmk::TopoRecord m = plain_map("map", 2, full ? 360 : 180, full ? 180 : 90, 1);
    m.full_flag = full;
    set_colour(m, 1, 200, 200, 200);
    m.dark_index = 9;
    m.zero_index = 7;
    install_topology({m}, {});
}

std::pair<int, int> row_extent(int y) // leftmost and rightmost drawn column, -1 when none
{
    int left = -1, right = -1;
    for (int x = 0; x < SCENE_W; x++)
        if (pixel(x, y) != MARK)
            right = x, left = left < 0 ? x : left;
    return {left, right};
}

} // namespace

using Planet = PlanetScene;

TEST_F(Planet, circle_rows_follow_integer_halves)
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

TEST_F(Planet, backlight_lighting_limit_and_negative_brightness_scale_the_colour)
{
    install_grey_planet();
    // {PHASE, BACKLIGHT, SHADING, LIGHTING LIMIT, grey at the centre}: below 0 is black, never wrapped.
    const double cases[][5] = {{0, 0.25, 1, 1, 50}, {180, 0.25, 1, 0.5, 100}, {0, -0.5, 1, 1, 0}, {180, -0.5, -1, 1, 0}};
    for (const auto& c : cases) {
        dbl_param[D_PHASE] = c[0], dbl_param[D_PLANET_BACKLIGHT] = c[1], dbl_param[D_SHADING] = c[2];
        dbl_param[D_PLANET_LIGHTING] = c[3];
        draw_planet();
        const Rgb want = {(int)c[4], (int)c[4], (int)c[4]};
        EXPECT_EQ(pixel(32, 24), want) << c[0] << " " << c[1];
        for (const Rgb& p : frame()) // lit from behind only: the backlight everywhere
            ASSERT_TRUE(c[0] != 0 || c[1] < 0 || p == MARK || p == want) << p;
    }
}

TEST_F(Planet, map_index_zero_and_colour_planets)
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

TEST_F(Planet, phase_adjust_and_clipping)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 90.0, flag_param[F_PHASE_ADJUST] = 1;
    for (auto c : {std::make_pair(12, 92.0), std::make_pair(52, 88.0)}) { // 2 degrees either side
        int_param[I_PLANET_X] = c.first;
        setup_planet(0);
        EXPECT_NEAR(planet_state.terminator_angle, (c.second - 90) * DEG2RAD, 1e-12);
    }
    int_param[I_PLANET_X] = -2000000000;
    dbl_param[D_PLANET_DIAMETER] = 1e12; // clipped, never walks the whole box
    draw_planet();
    int_param[I_PLANET_X] = 5000, dbl_param[D_PLANET_DIAMETER] = 11;
    draw_planet();
    EXPECT_EQ(count_not(MARK), 0);
}

TEST_F(Planet, oblate_below_one_lights_pixels_past_the_pole_like_the_limb)
{
    install_grey_planet(0); // half map: a lost pixel would show the dark colour
    dbl_param[D_PLANET_DIAMETER] = 20.0, dbl_param[D_OBLATE] = 0.5, dbl_param[D_PLANET_BACKLIGHT] = 0.5;
    draw_planet();
    expect_at({{0, -7, {100, 100, 100}}, {0, 7, {100, 100, 100}}, {0, 0, GREY200}}); // |dy / A| > 1
}

TEST_F(Planet, black_preview_pixel_is_index_zero_and_frame_untouched)
{
    install_grey_planet();
    BITMAP* target = create_bitmap_ex(8, SCENE_W, SCENE_H);
    clear_to_color(target, 77);
    preview_target = target;
    flag_param[F_PREVIEW_RGB] = 1, dbl_param[D_PHASE] = 0.0;
    draw_planet(0, RENDER_PREVIEW);
    EXPECT_EQ(getpixel(target, 32, 24), 0);
    EXPECT_EQ(getpixel(target, 5, 5), 77);
    EXPECT_EQ(pixel(32, 24), MARK);
    preview_target = nullptr;
    destroy_bitmap(target);
}
