// Planet renderer: disc geometry, map orientation, lighting, placement,
// rotation, colour planets and the choices made where values run wild.
#include "test_planet_scene.h"

#include <cmath>

using namespace planet_scene;

namespace {

constexpr Rgb GREY200 = {200, 200, 200};

// One planet record of uniform index 1 = grey 200 on a full 360 x 180 map.
void install_grey_planet(int full = 1, int width = 360, int height = 180)
{
    TestMap m = plain_map("grey", 2, width, height, 1);
    m.full = full;
    m.set_colour(1, 200, 200, 200);
    m.dark_index = 9;
    m.zero_index = 7;
    install_topology({m}, {});
}

// Leftmost and rightmost drawn column of a row, -1 when none.
void row_extent(int y, int* left, int* right)
{
    *left = *right = -1;
    for (int x = 0; x < SCENE_W; x++) {
        if (pixel(x, y) == MARK)
            continue;
        if (*left < 0)
            *left = x;
        *right = x;
    }
}

} // namespace

// ---------------------------------------------------------------------------

class Planet_disc : public PlanetScene {};

TEST_F(Planet_disc, odd_diameter_is_a_circle_on_integer_halves)
{
    install_grey_planet();
    draw_planet();
    int l, r;
    row_extent(18, &l, &r);
    EXPECT_EQ(l, -1) << "nothing above the 11 rows";
    row_extent(19, &l, &r); // dy = -5: |dx| <= 2
    EXPECT_EQ(l, 30);
    EXPECT_EQ(r, 34);
    row_extent(24, &l, &r); // the centre row: |dx| <= 5
    EXPECT_EQ(l, 27);
    EXPECT_EQ(r, 37);
    row_extent(29, &l, &r);
    EXPECT_EQ(l, 30);
    EXPECT_EQ(r, 34);
    row_extent(30, &l, &r);
    EXPECT_EQ(l, -1);
}

TEST_F(Planet_disc, even_diameter_keeps_the_extra_row_above)
{
    install_grey_planet();
    dbl_param[D_PLANET_DIAMETER] = 10.0;
    draw_planet();
    // rows 19..28 with dy = -5..4; the dy = -5 row lies on the rim (not < 5).
    int l, r;
    row_extent(19, &l, &r);
    EXPECT_EQ(l, -1);
    row_extent(20, &l, &r);
    EXPECT_EQ(l, 30);
    EXPECT_EQ(r, 34);
    row_extent(28, &l, &r);
    EXPECT_EQ(l, 30);
    EXPECT_EQ(r, 34);
    EXPECT_EQ(planet_state.rows, 10);
}

TEST_F(Planet_disc, aspect_ratio_widens_the_columns)
{
    install_grey_planet();
    dbl_param[D_ASPECT] = 2.0;
    draw_planet();
    int l, r;
    row_extent(24, &l, &r); // 22 columns from 32 - 11, |j - 11| / 2 < 5.5
    EXPECT_EQ(l, 22);
    EXPECT_EQ(r, 42);
    EXPECT_EQ(overlay.plot_w, 22);
    EXPECT_EQ(overlay.plot_h, 11);
}

TEST_F(Planet_disc, polar_angle_points_map_row_zero)
{
    // Rows 0..59 (latitudes south of -30) red, the rest blue.
    TestMap m = plain_map("poles", 2, 360, 180, 2);
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 360; x++)
            m.at(x, y) = 1;
    m.set_colour(1, 255, 0, 0);
    m.set_colour(2, 0, 0, 255);
    m.zero_index = 7;
    install_topology({m}, {});
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    const Rgb red = {255, 0, 0}, blue = {0, 0, 255};

    draw_planet();
    EXPECT_EQ(pixel(32, 20), red) << "POLAR ANGLE 90: row 0 at the top";
    EXPECT_EQ(pixel(32, 28), blue);

    dbl_param[D_POLAR_ANGLE] = 0.0;
    draw_planet();
    EXPECT_EQ(pixel(28, 24), red) << "POLAR ANGLE 0: row 0 at the left";
    EXPECT_EQ(pixel(36, 24), blue);

    dbl_param[D_POLAR_ANGLE] = 180.0;
    draw_planet();
    EXPECT_EQ(pixel(36, 24), red) << "POLAR ANGLE 180: row 0 at the right";
    EXPECT_EQ(pixel(28, 24), blue);
}

// ---------------------------------------------------------------------------

class Planet_lighting : public PlanetScene {};

TEST_F(Planet_lighting, phase_lights_from_the_right_limb)
{
    install_grey_planet();
    const Rgb black = {0, 0, 0};

    dbl_param[D_PHASE] = 0.0;
    draw_planet();
    for (int x = 27; x <= 37; x++)
        EXPECT_EQ(pixel(x, 24), black) << "PHASE 0 leaves the disc dark, x " << x;

    dbl_param[D_PHASE] = 90.0;
    draw_planet();
    EXPECT_EQ(pixel(29, 24), black);
    EXPECT_NE(pixel(35, 24), black) << "PHASE 90 lights the right half";

    dbl_param[D_PHASE] = 180.0;
    draw_planet();
    EXPECT_NE(pixel(29, 24), black);
    EXPECT_EQ(pixel(32, 24), GREY200) << "the full disc is brightest at the centre";
    EXPECT_NE(pixel(35, 24), black);
    EXPECT_LT(pixel(36, 24).r, pixel(34, 24).r) << "and falls off toward the limb";
    EXPECT_LT(pixel(32, 28).r, pixel(32, 26).r);

    dbl_param[D_PHASE] = 270.0;
    draw_planet();
    EXPECT_NE(pixel(29, 24), black) << "PHASE 270 lights the left half";
    EXPECT_EQ(pixel(35, 24), black);
}

TEST_F(Planet_lighting, backlight_fills_a_full_maps_dark_side)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 0.0;
    dbl_param[D_PLANET_BACKLIGHT] = 0.25;
    draw_planet();
    for (int y = 19; y <= 29; y++)
        for (int x = 27; x <= 37; x++)
            if (!(pixel(x, y) == MARK)) {
                ASSERT_EQ(pixel(x, y), (Rgb{50, 50, 50})) << x << "," << y;
            }
}

TEST_F(Planet_lighting, lighting_limit_caps_the_lit_side)
{
    install_grey_planet();
    dbl_param[D_PLANET_LIGHTING] = 0.5;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), (Rgb{100, 100, 100}));
}

TEST_F(Planet_lighting, half_map_draws_its_dark_side_in_the_dark_colour_at_half)
{
    install_grey_planet(0, 180, 90);
    dbl_param[D_PHASE] = 90.0;
    dbl_param[D_PLANET_LATITUDE] = 40.0;
    dbl_param[D_POLAR_ANGLE] = 30.0;
    draw_planet();
    EXPECT_EQ(rs.d[D_POLAR_ANGLE], 90.0) << "a half map stands upright";
    EXPECT_EQ(planet_state.planet_latitude, 0.0);
    EXPECT_EQ(planet_state.planet_rotation, 0.0);
    EXPECT_EQ(pixel(29, 24), (Rgb{4, 4, 4})) << "dark index (8, 8, 8) at brightness 0.5";
    EXPECT_GT(pixel(35, 24).r, 4);
    int l, r;
    row_extent(19, &l, &r);
    EXPECT_EQ(l, 30) << "still the upright circle";
    EXPECT_EQ(r, 34);
}

TEST_F(Planet_lighting, map_index_zero_shows_the_former_entry_zero)
{
    TestMap m = plain_map("zero", 2, 360, 180, 0);
    m.set_colour(0, 90, 60, 30);
    m.zero_index = 7;
    m.dark_index = 9;
    install_topology({m}, {});
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    draw_planet();
    for (int y = 19; y <= 29; y++)
        for (int x = 27; x <= 37; x++)
            if (!(pixel(x, y) == MARK)) {
                ASSERT_EQ(pixel(x, y), (Rgb{90, 60, 30})) << x << "," << y;
            }
    EXPECT_EQ(map_palette[0][0], 0);
}

// ---------------------------------------------------------------------------

class Colour_planets : public PlanetScene {};

TEST_F(Colour_planets, show_their_colour_table_entry)
{
    install_grey_planet();
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    colour_table[0][0] = 10, colour_table[0][1] = 200, colour_table[0][2] = 30;
    colour_table[3][0] = 40, colour_table[3][1] = 50, colour_table[3][2] = 60;
    colour_table[255][0] = 250, colour_table[255][1] = 240, colour_table[255][2] = 230;
    colour_table[254][0] = 1, colour_table[253][0] = 2;

    draw_planet(1); // colour 0: the whole map is index 0, shown in its zero colour
    EXPECT_EQ(pixel(32, 24), (Rgb{10, 200, 30}));
    EXPECT_EQ(pixel(28, 22), (Rgb{10, 200, 30}));

    draw_planet(4);
    EXPECT_EQ(pixel(32, 24), (Rgb{40, 50, 60}));

    // Colour 255: the substitute indices step around the planet's own colour.
    draw_planet(256);
    EXPECT_EQ(pixel(32, 24), (Rgb{250, 240, 230}));
    EXPECT_NE(planet_state.zero_colour & 255, 255);
    EXPECT_NE(planet_state.dark_colour & 255, 255);
    EXPECT_NE(planet_state.zero_colour & 255, planet_state.dark_colour & 255);
}

// ---------------------------------------------------------------------------

class Planet_placement : public PlanetScene {};

TEST_F(Planet_placement, no_travel_keeps_position_and_size)
{
    install_grey_planet();
    int_param[I_PLANET_X] = 20;
    int_param[I_PLANET_Y] = 10;
    int_param[I_THIS_FRAME] = 30;
    flag_param[F_X_PERSPECTIVE] = 1;
    setup_planet(0);
    EXPECT_EQ(rs.i[I_PLANET_X], 20);
    EXPECT_EQ(rs.i[I_PLANET_Y], 10);
    EXPECT_EQ(rs.d[D_PLANET_DIAMETER], 11.0);
    EXPECT_EQ(planet_state.x, 20.0);
    EXPECT_EQ(planet_state.y, 10.0);
    EXPECT_EQ(overlay.plot_x, 20.0);
}

TEST_F(Planet_placement, travel_away_halves_the_size_at_twice_the_distance)
{
    install_grey_planet();
    dbl_param[D_TRAVEL_DISTANCE] = 10.0; // per frame
    page_frames[PAGE_PLANET].start = 5;
    int_param[I_THIS_FRAME] = 15;
    setup_planet(0);
    EXPECT_NEAR(rs.d[D_PLANET_DIAMETER], 5.5, 1e-9);
    EXPECT_EQ(rs.i[I_PLANET_X], 32);
    EXPECT_EQ(rs.i[I_PLANET_Y], 24);
    EXPECT_NEAR(overlay.scale, 0.5, 1e-12);
    EXPECT_EQ(planet_state.rows, 5);
}

TEST_F(Planet_placement, sideways_travel_changes_size_only_with_x_perspective)
{
    install_grey_planet();
    dbl_param[D_TRAVEL_DISTANCE] = 2.0;
    dbl_param[D_TRAVEL_ANGLE] = 90.0;
    int_param[I_THIS_FRAME] = 10;
    setup_planet(0);
    EXPECT_NEAR(rs.d[D_PLANET_DIAMETER], 11.0, 1e-9) << "the depth stays REF DISTANCE";
    EXPECT_LT(rs.i[I_PLANET_X], 32 - 50);
    EXPECT_EQ(rs.i[I_PLANET_Y], 24);
    const int moved_to = rs.i[I_PLANET_X];

    flag_param[F_X_PERSPECTIVE] = 1;
    setup_planet(0);
    EXPECT_LT(rs.d[D_PLANET_DIAMETER], 10.99) << "farther along the line of sight";
    EXPECT_EQ(rs.i[I_PLANET_X], moved_to);
}

TEST_F(Planet_placement, phase_adjust_raises_the_phase_left_of_centre)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 90.0;
    int_param[I_PLANET_X] = 12; // 20 pixels, 2 degrees, left of the centre
    flag_param[F_PHASE_ADJUST] = 1;
    setup_planet(0);
    EXPECT_NEAR(rs.d[D_PHASE], 92.0, 1e-12);
    EXPECT_NEAR(planet_state.terminator_angle, 2.0 * DEG2RAD, 1e-12);
    int_param[I_PLANET_X] = 52;
    setup_planet(0);
    EXPECT_NEAR(rs.d[D_PHASE], 88.0, 1e-12);
}

TEST_F(Planet_placement, far_outside_the_frame_draws_nothing)
{
    install_grey_planet();
    int_param[I_PLANET_X] = -2000000000;
    dbl_param[D_PLANET_DIAMETER] = 1e12;
    draw_planet(); // clipped to the frame, never walks the whole box
    int_param[I_PLANET_X] = 5000;
    dbl_param[D_PLANET_DIAMETER] = 11;
    draw_planet();
    for (const Rgb& c : frame())
        ASSERT_EQ(c, MARK);
}

// ---------------------------------------------------------------------------

class Planet_rotation : public PlanetScene {};

TEST_F(Planet_rotation, positive_rotation_inc_moves_features_right)
{
    // A red meridian band at map columns 0..5 on a blue map.
    TestMap m = plain_map("band", 2, 360, 180, 2);
    for (int y = 0; y < 180; y++)
        for (int x = 0; x < 6; x++)
            m.at(x, y) = 1;
    m.set_colour(1, 255, 0, 0);
    m.set_colour(2, 0, 0, 255);
    m.zero_index = 7;
    install_topology({m}, {});
    dbl_param[D_PLANET_DIAMETER] = 31.0;
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    dbl_param[D_ROTATION_INC] = 10.0;

    auto red_centre = [](int frame) {
        int_param[I_THIS_FRAME] = frame;
        PlanetScene::fill(MARK);
        PlanetScene::draw_planet();
        double sum = 0;
        int count = 0;
        for (int x = 0; x < SCENE_W; x++)
            if (pixel(x, 24).r == 255) {
                sum += x;
                count++;
            }
        return count ? sum / count : -1.0;
    };
    double at0 = red_centre(0), at2 = red_centre(2), at4 = red_centre(4);
    ASSERT_GT(at0, 0);
    EXPECT_GT(at2, at0 + 2);
    EXPECT_GT(at4, at2 + 2);
}

// ---------------------------------------------------------------------------

class Planet_decisions : public PlanetScene {};

TEST_F(Planet_decisions, negative_brightness_gives_black_not_wrapped_channels)
{
    install_grey_planet();
    dbl_param[D_PHASE] = 0.0;
    dbl_param[D_PLANET_BACKLIGHT] = -0.5;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), (Rgb{0, 0, 0}));
    dbl_param[D_PHASE] = 180.0;
    dbl_param[D_SHADING] = -1.0;
    draw_planet();
    EXPECT_EQ(pixel(32, 24), (Rgb{0, 0, 0}));
}

TEST_F(Planet_decisions, oblate_below_one_lights_pixels_past_the_light_pole_like_the_limb)
{
    // Half map, so a pixel taken for the dark side would show the dark colour.
    install_grey_planet(0, 180, 90);
    dbl_param[D_PLANET_DIAMETER] = 20.0;
    dbl_param[D_OBLATE] = 0.5; // A = 5, but the disc is 20 rows high
    dbl_param[D_PLANET_BACKLIGHT] = 0.5;
    draw_planet();
    // Centre column, dy = -7 and +7: |dy / A| > 1, inside the squashed disc.
    EXPECT_EQ(pixel(32, 17), (Rgb{100, 100, 100}));
    EXPECT_EQ(pixel(32, 31), (Rgb{100, 100, 100}));
    EXPECT_EQ(pixel(32, 24), GREY200);
    int drawn = 0;
    for (const Rgb& c : frame())
        drawn += !(c == MARK);
    EXPECT_GT(drawn, 100);
}

TEST_F(Planet_decisions, black_preview_pixel_is_index_zero_with_preview_rgb)
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
    EXPECT_EQ(pixel(32, 24), MARK) << "mode 2 leaves the frame buffer alone";
    preview_target = nullptr;
    destroy_bitmap(target);
}

TEST_F(Planet_decisions, replay_only_leaves_the_state_and_paints_nothing)
{
    install_grey_planet(0, 180, 90);
    dbl_param[D_POLAR_ANGLE] = 60.0;
    replay_only = true;
    draw_planet();
    replay_only = false;
    for (const Rgb& c : frame())
        ASSERT_EQ(c, MARK);
    const PlanetState replayed = planet_state;
    const OverlayValues replayed_overlay = overlay;
    const int replayed_width = map_width;

    draw_planet();
    EXPECT_EQ(replayed_width, map_width);
    EXPECT_EQ(replayed.rows, planet_state.rows);
    EXPECT_EQ(replayed.columns, planet_state.columns);
    EXPECT_EQ(replayed_overlay.plot_w, overlay.plot_w);
    EXPECT_EQ(replayed_overlay.plot_h, overlay.plot_h);
    EXPECT_EQ(replayed.terminator_angle, planet_state.terminator_angle);
    EXPECT_EQ(replayed.equatorial_diameter, planet_state.equatorial_diameter);
    EXPECT_EQ(replayed.zero_colour, planet_state.zero_colour);
}
