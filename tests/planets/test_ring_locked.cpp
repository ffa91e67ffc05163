// The planet row of the driver: rings locked to a planet drawn far half,
// planet, near half, each ring with its own record's settings.
#include "test_planet_scene.h"

#include "planets/planets.h" // Required for: draw_planet_object, render_planet, setup_planet
#include "render/render.h"   // Required for: generate_frame
#include "shell/shell.h"     // Required for: store_object
#include "store/canvas.h"    // Required for: RENDER_FRAME, apply_parameters, frame_buffer
#include "store/records.h"   // Required for: rebuild_list, restore_object
#include "store/store.h"     // Required for: DBL_PARAMS, D_PLANET_BACKLIGHT, D_PLANET_DIAMETER

using namespace planet_scene;

namespace {

// A planet object at (32, 24), diameter 11, seen from latitude 30, exactly
// blue 200 everywhere (BACKLIGHT 1).
void store_planet(int slot)
{
    int_param[I_PLANET_X] = 32, int_param[I_PLANET_Y] = 24;
    dbl_param[D_PLANET_DIAMETER] = 11.0, dbl_param[D_PLANET_LATITUDE] = 30.0;
    dbl_param[D_PLANET_BACKLIGHT] = 1.0, dbl_param[D_REF_DISTANCE] = 100.0;
    store_object(slot, PAGE_PLANET);
}

// A colour ring object; width in percent when locked (lock_slot >= 0).
void store_ring(int slot, int lock_slot, int colour, int width, double ref)
{
    int_param[I_RING_NUMBER] = colour, int_param[I_RING_WIDTH] = int_param[I_RING_HEIGHT] = width;
    int_param[I_RING_X] = int_param[I_RING_Y] = 5, int_param[I_PLANET_LOCK] = lock_slot + 1;
    dbl_param[D_RING_LIGHTING] = 1.0, dbl_param[D_REF_DISTANCE] = ref;
    store_object(slot, PAGE_RING);
}

// The store's parameters as bytes, to see that nothing leaked.
std::vector<uint8_t> store_bytes()
{
    std::vector<uint8_t> s;
    auto add = [&s](const void* p, size_t n) { s.insert(s.end(), (const uint8_t*)p, (const uint8_t*)p + n); };
    add(int_param, sizeof(int32_t) * INT_PARAMS);
    add(dbl_param, sizeof(double) * DBL_PARAMS);
    add(flag_param, sizeof(int32_t) * FLAG_PARAMS);
    add(page_frames, sizeof(PageFrames) * MENU_PAGES);
    return s;
}

} // namespace

class Planet_row : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        nmk::TopoRecord planet = plain_map("blue", 2, 360, 180, 1);
        set_colour(planet, 1, 0, 0, 200);
        planet.zero_index = 7;
        install_topology({planet}, {});
        set_colour(11, 255, 0, 0);
        set_colour(12, 0, 255, 0);
        set_colour(13, 255, 255, 0);
        str_param[S_BACKDROP][0] = 0;
    }
};

TEST_F(Planet_row, every_locked_ring_is_drawn_with_its_own_settings)
{
    store_planet(0);
    store_ring(1, 0, 11, 200, 200.0);  // red, 22 pixels, farther than the planet
    store_ring(2, 0, 12, 300, 50.0);   // green, 33 pixels, nearer
    store_ring(3, -1, 13, 10, 1000.0); // a free yellow ring, drawn first
    rebuild_list();
    apply_parameters();
    generate_frame(RENDER_FRAME);
    const Rgb red = {254, 0, 0}, green = {0, 254, 0}, blue = {0, 0, 200};
    const std::pair<std::pair<int, int>, Rgb> want[] = {
        {{7, 0}, red},     // red band, inside the green ring's clear half
        {{9, 0}, green},   // the later ring in list order over the earlier
        {{14, 0}, green},  // the green ring's own width
        {{17, 0}, {0, 0, 0}},
        {{0, 3}, red},     // near halves over the planet, in list order
        {{0, 5}, green},
        {{0, -3}, blue},   // far halves behind it
        {{0, -5}, blue}};
    for (const auto& w : want)
        EXPECT_EQ(pixel(32 + w.first.first, 24 + w.first.second), w.second) << w.first.first << "," << w.first.second;
}

TEST_F(Planet_row, restoring_rings_leaks_into_neither_the_planet_nor_the_store)
{
    store_planet(0);
    dbl_param[D_TRAVEL_DISTANCE] = 40.0; // would move and shrink the planet
    dbl_param[D_TRAVEL_ANGLE] = 30.0;
    store_ring(1, 0, 11, 300, 10.0);
    rebuild_list();
    restore_object(0);
    apply_parameters();
    setup_planet(0);
    render_planet(RENDER_FRAME);
    const Rgb centre = pixel(32, 24);
    const double diameter = planet_state.diameter;

    restore_object(0);
    apply_parameters();
    const std::vector<uint8_t> after_restore = store_bytes();
    fill(MARK);
    draw_planet_object(0, RENDER_FRAME);
    EXPECT_EQ(pixel(32, 24 - 1), centre);
    EXPECT_EQ(planet_state.diameter, diameter);
    EXPECT_EQ(planet_state.xc, 32);
    EXPECT_EQ(store_bytes(), after_restore);

    store_ring(1, -1, 11, 30, 50.0); // a free ring is not the planet's
    restore_object(0);
    apply_parameters();
    fill(MARK);
    draw_planet_object(0, RENDER_FRAME);
    EXPECT_EQ(pixel(32, 24), (Rgb{0, 0, 200}));
    EXPECT_EQ(pixel(32 + 12, 24), MARK);
}

TEST_F(Planet_row, a_replayed_frame_leaves_what_a_drawn_one_leaves)
{
    store_planet(0);
    store_ring(1, 0, 11, 300, 200.0);
    store_ring(2, 0, 12, 200, 50.0);
    rebuild_list();
    std::vector<Rgb> out[2];
    for (int replay : {0, 1}) {
        int_param[I_THIS_FRAME] = 0;
        apply_parameters();
        replay_only = replay;
        generate_frame(RENDER_FRAME);
        replay_only = false, int_param[I_THIS_FRAME] = 1;
        apply_parameters();
        generate_frame(RENDER_FRAME);
        out[replay] = frame();
    }
    EXPECT_EQ(out[1], out[0]);
}
