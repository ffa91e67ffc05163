// The planet row of the driver: rings locked to a planet drawn far half,
// planet, near half, each ring with its own record's settings.
#include "test_planet_scene.h"

#include <cmath>

using namespace planet_scene;

namespace {

constexpr Rgb PLANET_BLUE = {0, 0, 200};

// A planet object at (32, 24), diameter 11, seen from latitude 30, lit from
// the front with BACKLIGHT 1 (so its pixels are exactly blue 200).
void store_planet(int slot, double ref)
{
    int_param[I_PLANET_NUMBER] = 0;
    int_param[I_PLANET_X] = 32;
    int_param[I_PLANET_Y] = 24;
    dbl_param[D_PLANET_DIAMETER] = 11.0;
    dbl_param[D_PLANET_LATITUDE] = 30.0;
    dbl_param[D_PLANET_BACKLIGHT] = 1.0;
    dbl_param[D_REF_DISTANCE] = ref;
    dbl_param[D_TRAVEL_DISTANCE] = 0.0;
    store_object(slot, PAGE_PLANET);
}

// A colour ring object (Colour table entry colour), width in percent when
// locked, pixels when free.
void store_ring(int slot, int lock_slot, int colour, int width, double ref)
{
    int_param[I_RING_NUMBER] = colour; // no rings on file: every ring is a colour ring
    int_param[I_RING_WIDTH] = width;
    int_param[I_RING_HEIGHT] = width;
    int_param[I_RING_X] = 5;
    int_param[I_RING_Y] = 5;
    int_param[I_PLANET_LOCK] = lock_slot + 1;
    dbl_param[D_RING_LIGHTING] = 1.0;
    dbl_param[D_REF_DISTANCE] = ref;
    store_object(slot, PAGE_RING);
}

void set_colour(int index, int r, int g, int b)
{
    colour_table[index][0] = (uint8_t)r;
    colour_table[index][1] = (uint8_t)g;
    colour_table[index][2] = (uint8_t)b;
}

// The two-pass order with the store as the plain walk leaves it: every
// locked ring drawn with whatever ring settings the store holds.
void plain_frame(int flags)
{
    clear_to_color(frame_buffer, 0);
    order_frame(current_frame());
    for (int pos = 0; pos < object_count && depth_order[pos] >= 0; pos++) {
        int slot = depth_order[pos];
        restore_object(slot);
        apply_parameters();
        if (object_slots[slot].type == OBJ_PLANET) {
            find_ring_locks(slot);
            const int n = int_param[I_PLANET_NUMBER];
            setup_planet(n);
            if (ring_locks.count > 0) {
                reset_ring_pass();
                render_ring(flags, slot);
                setup_planet(n);
                render_planet(flags);
                render_ring(flags, slot);
            } else {
                render_planet(flags);
            }
        } else if (object_slots[slot].type == OBJ_RING && int_param[I_PLANET_LOCK] == 0) {
            render_ring(flags, -1);
        }
    }
}

std::vector<uint8_t> frame_bytes()
{
    std::vector<uint8_t> out;
    for (int y = 0; y < SCENE_H; y++)
        out.insert(out.end(), frame_buffer->line[y], frame_buffer->line[y] + 3 * SCENE_W);
    return out;
}

struct StoreCopy {
    int32_t ints[INT_PARAMS];
    double dbls[DBL_PARAMS];
    int32_t flags[FLAG_PARAMS];
    PageFrames frames[MENU_PAGES];
    RenderSettings settings;
};
StoreCopy copy_store()
{
    StoreCopy s;
    memcpy(s.ints, int_param, sizeof s.ints);
    memcpy(s.dbls, dbl_param, sizeof s.dbls);
    memcpy(s.flags, flag_param, sizeof s.flags);
    memcpy(s.frames, page_frames, sizeof s.frames);
    s.settings = rs;
    return s;
}
void expect_same_store(const StoreCopy& a, const StoreCopy& b)
{
    EXPECT_EQ(0, memcmp(a.ints, b.ints, sizeof a.ints));
    EXPECT_EQ(0, memcmp(a.dbls, b.dbls, sizeof a.dbls));
    EXPECT_EQ(0, memcmp(a.flags, b.flags, sizeof a.flags));
    EXPECT_EQ(0, memcmp(a.frames, b.frames, sizeof a.frames));
    EXPECT_EQ(0, memcmp(a.settings.i, b.settings.i, sizeof a.settings.i));
    EXPECT_EQ(0, memcmp(a.settings.d, b.settings.d, sizeof a.settings.d));
}

} // namespace

class Planet_row : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        TestMap planet = plain_map("blue", 2, 360, 180, 1);
        planet.set_colour(1, 0, 0, 200);
        planet.zero_index = 7;
        install_topology({planet}, {});
        set_colour(11, 255, 0, 0);
        set_colour(12, 0, 255, 0);
        set_colour(13, 255, 255, 0);
        str_param[S_BACKDROP][0] = 0;
    }
};

TEST_F(Planet_row, one_farther_ring_gives_the_plain_frames)
{
    store_planet(0, 100.0);
    flag_param[F_PLANET_SHADOW] = 1;
    flag_param[F_SUBPIXELLATION] = 1;
    store_ring(1, 0, 11, 300, 200.0);
    flag_param[F_PLANET_SHADOW] = 0;
    store_ring(2, 5, 12, 20, 50.0); // locked to no planet: never drawn
    rebuild_list();
    for (int frame : {0, 3}) {
        int_param[I_THIS_FRAME] = frame;
        dbl_param[D_RING_ROTATION_INC] = 7.0;
        apply_parameters();
        plain_frame(RENDER_FRAME);
        std::vector<uint8_t> plain = frame_bytes();
        StoreCopy plain_store = copy_store();
        const PlanetState plain_state = planet_state;
        const int plain_width = map_width;

        apply_parameters();
        generate_frame(RENDER_FRAME);
        EXPECT_EQ(frame_bytes(), plain) << "frame " << frame;
        expect_same_store(copy_store(), plain_store);
        EXPECT_EQ(planet_state.rows, plain_state.rows);
        EXPECT_EQ(planet_state.columns, plain_state.columns);
        EXPECT_EQ(planet_state.terminator_angle, plain_state.terminator_angle);
        EXPECT_EQ(map_width, plain_width);
    }
}

TEST_F(Planet_row, every_locked_ring_is_drawn_with_its_own_settings)
{
    store_planet(0, 100.0);
    store_ring(1, 0, 11, 200, 200.0); // red, 22 pixels, farther than the planet
    store_ring(2, 0, 12, 300, 50.0);  // green, 33 pixels, nearer
    store_ring(3, -1, 13, 10, 1000.0); // a free yellow ring, drawn first
    rebuild_list();
    apply_parameters();
    generate_frame(RENDER_FRAME);

    const Rgb red = {254, 0, 0}, green = {0, 254, 0};
    EXPECT_EQ(pixel(32 + 7, 24), red) << "red ring's colour band, inside the green ring's clear half";
    EXPECT_EQ(pixel(32 + 9, 24), green) << "the later ring in list order lies over the earlier";
    EXPECT_EQ(pixel(32 + 14, 24), green) << "beyond the red ring: the green ring's own width";
    EXPECT_EQ(pixel(32 + 17, 24), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(32, 24 + 3), red) << "near half of the red ring over the planet";
    EXPECT_EQ(pixel(32, 24 + 5), green) << "near half of the second ring too, last";
    EXPECT_EQ(pixel(32, 24 - 3), PLANET_BLUE) << "far halves behind the planet";
    EXPECT_EQ(pixel(32, 24 - 5), PLANET_BLUE);
}

TEST_F(Planet_row, restoring_rings_leaks_into_neither_the_planet_nor_the_store)
{
    store_planet(0, 100.0);
    // The ring's REF DISTANCE and travel would move and shrink the planet.
    dbl_param[D_TRAVEL_DISTANCE] = 40.0;
    dbl_param[D_TRAVEL_ANGLE] = 30.0;
    store_ring(1, 0, 11, 300, 10.0);
    rebuild_list();

    // The planet alone, as a reference.
    restore_object(0);
    apply_parameters();
    fill(MARK);
    setup_planet(0);
    render_planet(RENDER_FRAME);
    const Rgb centre = pixel(32, 24);
    const double diameter = rs.d[D_PLANET_DIAMETER];

    restore_object(0);
    apply_parameters();
    const StoreCopy after_restore = copy_store();
    fill(MARK);
    draw_planet_object(0, RENDER_FRAME);
    EXPECT_EQ(pixel(32, 24 - 1), centre) << "the planet in its own place and light";
    EXPECT_EQ(rs.d[D_PLANET_DIAMETER], diameter);
    EXPECT_EQ(rs.i[I_PLANET_X], 32);
    StoreCopy after_row = copy_store();
    EXPECT_EQ(0, memcmp(after_row.ints, after_restore.ints, sizeof after_row.ints));
    EXPECT_EQ(0, memcmp(after_row.dbls, after_restore.dbls, sizeof after_row.dbls));
    EXPECT_EQ(0, memcmp(after_row.flags, after_restore.flags, sizeof after_row.flags));
    EXPECT_EQ(0, memcmp(after_row.frames, after_restore.frames, sizeof after_row.frames));
}

TEST_F(Planet_row, planet_without_rings_is_drawn_alone)
{
    store_planet(0, 100.0);
    store_ring(1, -1, 11, 30, 50.0);
    int_param[I_RING_X] = 32;
    rebuild_list();
    restore_object(0);
    apply_parameters();
    fill(MARK);
    draw_planet_object(0, RENDER_FRAME);
    EXPECT_EQ(pixel(32, 24), PLANET_BLUE);
    EXPECT_EQ(pixel(32 + 12, 24), MARK) << "a free ring is not the planet's";
}

TEST_F(Planet_row, a_replayed_frame_leaves_what_a_drawn_one_leaves)
{
    store_planet(0, 100.0);
    store_ring(1, 0, 11, 300, 200.0);
    store_ring(2, 0, 12, 200, 50.0);
    rebuild_list();
    int_param[I_THIS_FRAME] = 0;
    apply_parameters();
    generate_frame(RENDER_FRAME);
    int_param[I_THIS_FRAME] = 1;
    apply_parameters();
    generate_frame(RENDER_FRAME);
    std::vector<uint8_t> sequential = frame_bytes();

    int_param[I_THIS_FRAME] = 0;
    apply_parameters();
    replay_only = true;
    generate_frame(RENDER_FRAME);
    replay_only = false;
    int_param[I_THIS_FRAME] = 1;
    apply_parameters();
    generate_frame(RENDER_FRAME);
    EXPECT_EQ(frame_bytes(), sequential);
}
