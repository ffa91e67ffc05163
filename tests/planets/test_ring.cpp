// Ring renderer: colour rings, strips and face-on pictures, the blend,
// sub-pixel sampling, the passes around a planet and the planet's shadow.
#include "test_planet_scene.h"

#include <cmath>

using namespace planet_scene;

namespace {

constexpr Rgb SKY = {0, 0, 100};
constexpr Rgb WHITE_RING = {254, 254, 254}; // full white over SKY at LIGHTING LIMIT 1

// A free colour ring 40 wide at (32, 24) in Colour table entry 5 (white),
// with no topology: every ring number is then a colour ring.
void free_white_ring()
{
    colour_table[5][0] = colour_table[5][1] = colour_table[5][2] = 255;
    int_param[I_RING_NUMBER] = 5;
    int_param[I_RING_WIDTH] = 40;
    int_param[I_RING_HEIGHT] = 40;
    int_param[I_RING_X] = 32;
    int_param[I_RING_Y] = 24;
    dbl_param[D_RING_LIGHTING] = 1.0;
}

// A ring picture record of w x h in two colours split as split(x, y) says.
template <class Split>
TestMap two_colour_ring(int type, int w, int h, Split split)
{
    TestMap m = plain_map("ring", type, w, h, 1);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            m.at(x, y) = (uint8_t)split(x, y);
    return m;
}

} // namespace

class Ring_colour : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        fill(SKY);
        free_white_ring();
        apply_parameters();
    }
};

TEST_F(Ring_colour, outer_half_coloured_inner_half_clear_centre_wrapped)
{
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(pixel(32 + 15, 24), WHITE_RING) << "map row 64: the outer half";
    EXPECT_EQ(pixel(32 - 15, 24), WHITE_RING);
    EXPECT_EQ(pixel(32, 24 - 15), WHITE_RING);
    EXPECT_EQ(pixel(32 + 5, 24), SKY) << "map row 192: index 70, black, transparent";
    EXPECT_EQ(pixel(32 + 1, 24), SKY);
    EXPECT_EQ(pixel(32, 24), WHITE_RING) << "the centre's row 256 wraps to row 0";
    EXPECT_EQ(pixel(32 + 21, 24), SKY) << "outside the outer radius";
}

TEST_F(Ring_colour, lighting_limit_zero_makes_the_ring_invisible)
{
    dbl_param[D_RING_LIGHTING] = 0.0;
    render_ring(RENDER_FRAME | RENDER_PREVIEW, -1);
    for (const Rgb& c : frame())
        ASSERT_EQ(c, SKY);
}

TEST_F(Ring_colour, half_lighting_limit_lets_half_the_background_through)
{
    dbl_param[D_RING_LIGHTING] = 0.5;
    render_ring(RENDER_FRAME, -1);
    // k = 1 - 0.5 * 255 / 256: trunc(0.498 * 255) + trunc(0.502 * 100) = 127 + 50
    EXPECT_EQ(pixel(32 + 15, 24), (Rgb{127, 127, 177}));
}

TEST_F(Ring_colour, frame_is_written_whatever_the_mode)
{
    render_ring(RENDER_PREVIEW, -1);
    EXPECT_EQ(pixel(32 + 15, 24), WHITE_RING);
}

TEST_F(Ring_colour, free_ring_of_height_zero_draws_nothing)
{
    int_param[I_RING_HEIGHT] = 0;
    render_ring(RENDER_FRAME, -1);
    for (const Rgb& c : frame())
        ASSERT_EQ(c, SKY);
    EXPECT_EQ(overlay.plot_h, 2);
}

TEST_F(Ring_colour, travelling_ring_scales_with_distance)
{
    dbl_param[D_REF_DISTANCE] = 100.0;
    dbl_param[D_TRAVEL_DISTANCE] = 10.0;
    page_frames[PAGE_RING].start = 0;
    int_param[I_THIS_FRAME] = 10;
    apply_parameters();
    render_ring(RENDER_FRAME, -1);
    EXPECT_NEAR(overlay.scale, 0.5, 1e-12);
    EXPECT_NEAR(planet_state.equatorial_diameter, 20.0, 1e-9);
    EXPECT_EQ(pixel(32 + 8, 24), WHITE_RING);
    EXPECT_EQ(pixel(32 + 12, 24), SKY) << "half the size at twice the distance";
}

TEST_F(Ring_colour, subpixel_corner_outside_the_ring_is_transparent)
{
    // (19, 6) lies inside the radius 20; its corner (19.95, 5.05) does not.
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(pixel(32 + 19, 24 - 6), WHITE_RING);
    fill(SKY);
    flag_param[F_SUBPIXELLATION] = 1;
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(pixel(32 + 19, 24 - 6), SKY);
    EXPECT_EQ(pixel(32 + 15, 24), WHITE_RING) << "inner pixels average one colour";
}

// ---------------------------------------------------------------------------

class Ring_pictures : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        fill(SKY);
        free_white_ring();
        int_param[I_RING_NUMBER] = 0;
        apply_parameters();
    }
};

TEST_F(Ring_pictures, strip_columns_run_around_the_ring)
{
    // Columns 0..179 red, 180..359 green, all radii.
    TestMap m = two_colour_ring(14, 360, 64, [](int x, int) { return x < 180 ? 1 : 2; });
    m.set_colour(1, 255, 0, 0);
    m.set_colour(2, 0, 255, 0);
    install_topology({}, {m});
    render_ring(RENDER_FRAME, -1);
    EXPECT_GT(pixel(32 + 15, 24 - 3).r, 200) << "angle 11: the strip's first half";
    EXPECT_GT(pixel(32, 24 - 15).r, 200) << "angle 90";
    EXPECT_GT(pixel(32 - 15, 24 + 3).g, 200) << "angle 191";
    EXPECT_GT(pixel(32, 24 + 15).g, 200) << "angle 270";

    // ROTATION INC 10 at frame 18: ROT = -180, turned into 180.
    dbl_param[D_RING_ROTATION_INC] = 10.0;
    int_param[I_THIS_FRAME] = 18;
    apply_parameters();
    fill(SKY);
    render_ring(RENDER_FRAME, -1);
    EXPECT_GT(pixel(32 + 15, 24 - 3).g, 200);
    EXPECT_GT(pixel(32 - 15, 24 + 3).r, 200);
}

TEST_F(Ring_pictures, strip_rows_run_from_the_outer_edge_inward)
{
    // Rows 0..31 (outer half) red, rows 32..63 green.
    TestMap m = two_colour_ring(4, 360, 64, [](int, int y) { return y < 32 ? 1 : 2; });
    m.set_colour(1, 255, 0, 0);
    m.set_colour(2, 0, 255, 0);
    install_topology({}, {m}); // a type 4 reached as a ring counts as a strip
    render_ring(RENDER_FRAME, -1);
    EXPECT_GT(pixel(32 + 15, 24).r, 200);
    EXPECT_GT(pixel(32 + 5, 24).g, 200);
}

TEST_F(Ring_pictures, face_on_picture_stands_upright)
{
    // Quadrants of a 64 x 64 picture: red, green / blue, white.
    TestMap m = two_colour_ring(15, 64, 64, [](int x, int y) { return 1 + (x >= 32) + 2 * (y >= 32); });
    m.set_colour(1, 255, 0, 0);
    m.set_colour(2, 0, 255, 0);
    m.set_colour(3, 0, 0, 255);
    m.set_colour(4, 255, 255, 255);
    install_topology({}, {m});
    render_ring(RENDER_FRAME, -1);
    EXPECT_GT(pixel(32 - 8, 24 - 8).r, 200);
    EXPECT_LT(pixel(32 - 8, 24 - 8).g, 10);
    EXPECT_GT(pixel(32 + 8, 24 - 8).g, 200);
    EXPECT_LT(pixel(32 + 8, 24 - 8).r, 10);
    EXPECT_GT(pixel(32 - 8, 24 + 8).b, 200);
    EXPECT_EQ(pixel(32 + 8, 24 + 8), WHITE_RING);
}

TEST_F(Ring_pictures, other_map_types_are_transparent)
{
    TestMap m = plain_map("bright", 16, 64, 64, 1);
    m.set_colour(1, 255, 255, 255);
    install_topology({}, {m});
    render_ring(RENDER_FRAME, -1);
    for (const Rgb& c : frame())
        ASSERT_EQ(c, SKY);
}

TEST_F(Ring_pictures, subpixellation_averages_fine_stripes)
{
    // Alternate columns white and black around the ring.
    TestMap m = two_colour_ring(14, 360, 64, [](int x, int) { return 1 + (x & 1); });
    m.set_colour(1, 255, 255, 255);
    install_topology({}, {m});
    auto in_between = []() {
        int count = 0;
        for (const Rgb& c : frame())
            count += c.r > 20 && c.r < 230;
        return count;
    };
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(in_between(), 0) << "single texels are either white or clear";
    fill(SKY);
    flag_param[F_SUBPIXELLATION] = 1;
    render_ring(RENDER_FRAME, -1);
    EXPECT_GT(in_between(), 100);
}

// ---------------------------------------------------------------------------
// Locked rings around a planet of diameter 11 at (32, 24).

class Ring_passes : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        TestMap planet = plain_map("blue", 2, 360, 180, 1);
        planet.set_colour(1, 0, 0, 200);
        planet.zero_index = 7;
        install_topology({planet}, {});
        free_white_ring();
        int_param[I_RING_NUMBER] = 10; // no rings on file: Colour table entry 10
        colour_table[10][0] = colour_table[10][1] = colour_table[10][2] = 255;
        int_param[I_RING_WIDTH] = 300; // percent of the equatorial diameter: 33 pixels
        dbl_param[D_PLANET_BACKLIGHT] = 1.0;
        fill(SKY);
    }
    // Rows above and below the centre row that the last calls changed.
    static void changed_halves(const std::vector<Rgb>& before, bool* upper, bool* lower)
    {
        *upper = *lower = false;
        std::vector<Rgb> now = frame();
        for (int y = 0; y < SCENE_H; y++)
            for (int x = 0; x < SCENE_W; x++)
                if (!(now[y * SCENE_W + x] == before[y * SCENE_W + x])) {
                    if (y < 24)
                        *upper = true;
                    if (y > 24)
                        *lower = true;
                }
    }
};

TEST_F(Ring_passes, seen_from_above_the_upper_half_comes_first)
{
    dbl_param[D_PLANET_LATITUDE] = 30.0;
    setup_planet(0);
    reset_ring_pass();
    std::vector<Rgb> before = frame();
    render_ring(RENDER_FRAME, 0);
    bool upper, lower;
    changed_halves(before, &upper, &lower);
    EXPECT_TRUE(upper);
    EXPECT_FALSE(lower);
    EXPECT_EQ(overlay.plot_h, 16) << "height sin(30) x 33";

    before = frame();
    render_ring(RENDER_FRAME, 0);
    changed_halves(before, &upper, &lower);
    EXPECT_FALSE(upper);
    EXPECT_TRUE(lower);
}

TEST_F(Ring_passes, seen_from_below_the_lower_half_comes_first)
{
    dbl_param[D_PLANET_LATITUDE] = -30.0;
    setup_planet(0);
    reset_ring_pass();
    std::vector<Rgb> before = frame();
    render_ring(RENDER_FRAME, 0);
    bool upper, lower;
    changed_halves(before, &upper, &lower);
    EXPECT_FALSE(upper);
    EXPECT_TRUE(lower);
    before = frame();
    render_ring(RENDER_FRAME, 0);
    changed_halves(before, &upper, &lower);
    EXPECT_TRUE(upper);
    EXPECT_FALSE(lower);
}

TEST_F(Ring_passes, equator_on_ring_is_two_rows_high)
{
    setup_planet(0);
    reset_ring_pass();
    render_ring(RENDER_FRAME, 0);
    EXPECT_EQ(overlay.plot_h, 2);
    render_ring(RENDER_FRAME, 0);
    for (int y = 0; y < SCENE_H; y++)
        for (int x = 0; x < SCENE_W; x++)
            if (y != 24) {
                ASSERT_EQ(pixel(x, y), SKY) << x << "," << y;
            }
    EXPECT_EQ(pixel(32 + 12, 24), WHITE_RING);
}

TEST_F(Ring_passes, half_map_planet_takes_ring_height_as_a_percentage)
{
    TestMap planet = plain_map("half", 2, 180, 90, 1);
    planet.full = 0;
    planet.zero_index = 7;
    install_topology({planet}, {});
    int_param[I_RING_HEIGHT] = 100; // 11 pixels
    dbl_param[D_PLANET_LATITUDE] = 30.0; // not used by a half map
    setup_planet(0);
    reset_ring_pass();
    render_ring(RENDER_FRAME, 0);
    EXPECT_EQ(overlay.plot_h, 11);
    EXPECT_EQ(overlay.plot_w, 33);
}

TEST_F(Ring_passes, the_full_row_puts_the_planet_between_the_halves)
{
    dbl_param[D_PLANET_LATITUDE] = 30.0;
    setup_planet(0);
    reset_ring_pass();
    render_ring(RENDER_FRAME, 0);
    setup_planet(0);
    render_planet(RENDER_FRAME);
    render_ring(RENDER_FRAME, 0);
    // Ellipse ratio 2: the point 3 rows off the centre lies at ring radius
    // 6, inside the planet's disc; radius 16.5 x 0.5 = 8.25 is the colour edge.
    EXPECT_EQ(pixel(32, 24 - 3), (Rgb{0, 0, 200})) << "far half hidden by the planet";
    EXPECT_EQ(pixel(32, 24 + 5), WHITE_RING) << "near half over the planet";
}

TEST_F(Ring_passes, shadow_falls_only_behind_the_planet)
{
    dbl_param[D_PLANET_LATITUDE] = 30.0;
    int_param[I_RING_WIDTH] = 500; // 55 pixels: a wide ring around the planet
    auto draw = [](int shadow) {
        flag_param[F_PLANET_SHADOW] = shadow;
        PlanetScene::fill(SKY);
        setup_planet(0);
        reset_ring_pass();
        render_ring(RENDER_FRAME, 0);
        render_ring(RENDER_FRAME, 0);
        return PlanetScene::frame();
    };
    std::vector<Rgb> plain = draw(0), shadowed = draw(1);
    int darker = 0;
    for (int y = 0; y < SCENE_H; y++)
        for (int x = 0; x < SCENE_W; x++) {
            const Rgb& a = plain[y * SCENE_W + x];
            const Rgb& b = shadowed[y * SCENE_W + x];
            if (a == b)
                continue;
            darker++;
            EXPECT_LT(y, 24) << "behind the planet, seen from above: the upper half";
            EXPECT_LE(std::abs(x - 32), 8) << "about as wide as the planet";
            EXPECT_LE(b.r, 10);
        }
    EXPECT_GT(darker, 5);
}

TEST_F(Ring_passes, free_rings_leave_the_pass_alone)
{
    dbl_param[D_PLANET_LATITUDE] = 30.0;
    setup_planet(0);
    reset_ring_pass();
    render_ring(RENDER_FRAME, 0);
    render_ring(RENDER_FRAME, -1); // a free ring in between
    setup_planet(0);
    std::vector<Rgb> before = frame();
    render_ring(RENDER_FRAME, 0);
    bool upper, lower;
    changed_halves(before, &upper, &lower);
    EXPECT_TRUE(lower) << "still the second pass";
}
