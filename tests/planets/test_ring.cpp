// Ring renderer: colour rings, strips and face-on pictures, the blend,
// sub-pixel sampling, the passes around a planet and the planet's shadow.
#include "test_planet_scene.h"

#include "planets/planets.h" // Required for: render_planet, render_ring, reset_ring_pass
#include "store/canvas.h"    // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/store.h"     // Required for: D_PLANET_BACKLIGHT, D_PLANET_LATITUDE, D_RING_LIGHTING

using namespace planet_scene;

namespace {

constexpr Rgb SKY = {0, 0, 100};
// Full colours over SKY at LIGHTING LIMIT 1: 255 * 255 / 256 + 100 / 256, truncated.
constexpr Rgb WHITE_RING = {254, 254, 254}, RED = {254, 0, 0}, GREEN = {0, 254, 0};

// A ring record whose pixel (x, y) is index split(x, y), colours 1..4 red,
// green, blue, white.
template <class Split> nmk::TopoRecord ring_map(int type, int w, int h, Split split)
{
    nmk::TopoRecord m = plain_map("ring", type, w, h, 1);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            m.image.pixels[y * w + x] = (uint8_t)split(x, y);
    set_colour(m, 1, 255, 0, 0);
    set_colour(m, 2, 0, 255, 0);
    set_colour(m, 3, 0, 0, 255);
    set_colour(m, 4, 255, 255, 255);
    return m;
}

} // namespace

// A free ring 40 pixels wide at (32, 24); without a topology every ring
// number is a colour ring, here Colour table entry 5, white.
class Ring_free : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        fill(SKY);
        set_colour(5, 255, 255, 255);
        int_param[I_RING_NUMBER] = 5, int_param[I_RING_WIDTH] = int_param[I_RING_HEIGHT] = 40;
        int_param[I_RING_X] = 32, int_param[I_RING_Y] = 24;
        dbl_param[D_RING_LIGHTING] = 1.0;
        apply_parameters();
    }
};

TEST_F(Ring_free, colour_ring_outer_half_coloured_inner_clear_centre_wrapped)
{
    render_ring(RENDER_PREVIEW, -1); // the frame is written whatever the mode
    // Outer half: map row 64; inner half: index 70, black, clear; the centre's
    // row 256 wraps to row 0.
    expect_at({{15, 0, WHITE_RING}, {-15, 0, WHITE_RING}, {0, -15, WHITE_RING}, {5, 0, SKY}, {1, 0, SKY},
               {0, 0, WHITE_RING}, {21, 0, SKY}});
}

TEST_F(Ring_free, lighting_limit_blends_with_the_background)
{
    dbl_param[D_RING_LIGHTING] = 0.5;
    render_ring(RENDER_FRAME, -1);
    // k = 1 - 0.5 * 255 / 256: trunc(0.498 * 255) + trunc(0.502 * 100)
    EXPECT_EQ(pixel(32 + 15, 24), (Rgb{127, 127, 177}));
    fill(SKY);
    dbl_param[D_RING_LIGHTING] = 0.0;
    render_ring(RENDER_FRAME | RENDER_PREVIEW, -1);
    EXPECT_EQ(count_not(SKY), 0) << "LIGHTING LIMIT 0 is invisible";
    dbl_param[D_RING_LIGHTING] = 1.0, int_param[I_RING_HEIGHT] = 0;
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(count_not(SKY), 0) << "a free ring of height 0 draws nothing";
}

TEST_F(Ring_free, subpixel_corner_outside_the_ring_is_clear)
{
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(pixel(32 + 19, 24 - 6), WHITE_RING); // its corner (19.95, 5.05) lies outside
    fill(SKY);
    flag_param[F_SUBPIXELLATION] = 1;
    render_ring(RENDER_FRAME, -1);
    expect_at({{19, -6, SKY}, {15, 0, WHITE_RING}});
}

TEST_F(Ring_free, strip_rows_run_inward_and_face_on_pictures_stand_upright)
{
    // A type 4 reached as a ring counts as a strip: rows 0..31 (outer) red.
    install_topology({}, {ring_map(4, 360, 64, [](int, int y) { return y < 32 ? 1 : 2; }),
                          ring_map(15, 64, 64, [](int x, int y) { return 1 + (x >= 32) + 2 * (y >= 32); }),
                          ring_map(16, 64, 64, [](int, int) { return 4; })});
    int_param[I_RING_NUMBER] = 0;
    apply_parameters();
    render_ring(RENDER_FRAME, -1);
    expect_at({{15, 0, RED}, {5, 0, GREEN}});

    int_param[I_RING_NUMBER] = 1;
    apply_parameters();
    fill(SKY);
    render_ring(RENDER_FRAME, -1);
    expect_at({{-8, -8, RED}, {8, -8, GREEN}, {-8, 8, {0, 0, 254}}, {8, 8, WHITE_RING}});

    int_param[I_RING_NUMBER] = 2; // other types draw nothing
    apply_parameters();
    fill(SKY);
    render_ring(RENDER_FRAME, -1);
    EXPECT_EQ(count_not(SKY), 0);
}

// Locked to a blue planet of diameter 11 at (32, 24): a white colour ring
// 300 percent (33 pixels) wide.
class Ring_passes : public Ring_free {
protected:
    void SetUp() override
    {
        Ring_free::SetUp();
        nmk::TopoRecord planet = plain_map("blue", 2, 360, 180, 1);
        set_colour(planet, 1, 0, 0, 200);
        planet.zero_index = 7;
        install_topology({planet}, {});
        int_param[I_RING_NUMBER] = 10;
        set_colour(10, 255, 255, 255);
        int_param[I_RING_WIDTH] = 300, dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    }
    // Whether the last pass changed rows above / below the centre row.
    static std::pair<bool, bool> pass()
    {
        std::vector<Rgb> before = frame();
        render_ring(RENDER_FRAME, 0);
        std::vector<Rgb> now = frame();
        bool upper = false, lower = false;
        for (size_t i = 0; i < now.size(); i++)
            if (now[i] != before[i])
                (i / SCENE_W < 24 ? upper : lower) |= i / SCENE_W != 24;
        return {upper, lower};
    }
};

TEST_F(Ring_passes, far_half_first_above_and_below_the_equator)
{
    for (double lat : {30.0, -30.0}) {
        fill(SKY);
        dbl_param[D_PLANET_LATITUDE] = lat;
        setup_planet(0);
        reset_ring_pass();
        EXPECT_EQ(pass(), std::make_pair(lat > 0, lat < 0)) << lat;
        EXPECT_EQ(overlay.plot_h, 16) << "sin(30) x 33";
        render_ring(RENDER_FRAME, -1); // a free ring between leaves the pass alone
        setup_planet(0);
        EXPECT_EQ(pass(), std::make_pair(lat < 0, lat > 0)) << lat;
    }
}

TEST_F(Ring_passes, equator_on_ring_is_two_rows_and_half_maps_take_a_percentage)
{
    setup_planet(0);
    reset_ring_pass();
    EXPECT_EQ(pass(), std::make_pair(false, false));
    EXPECT_EQ(overlay.plot_h, 2);
    EXPECT_EQ(pass(), std::make_pair(false, false));
    EXPECT_EQ(pixel(32 + 12, 24), WHITE_RING);

    nmk::TopoRecord half = plain_map("half", 2, 180, 90, 1);
    half.full_flag = 0;
    half.zero_index = 7;
    install_topology({half}, {});
    int_param[I_RING_HEIGHT] = 100;
    dbl_param[D_PLANET_LATITUDE] = 30.0; // not used by a half map
    setup_planet(0);
    reset_ring_pass();
    render_ring(RENDER_FRAME, 0);
    EXPECT_EQ(overlay.plot_h, 11);
    EXPECT_EQ(overlay.plot_w, 33);
}
