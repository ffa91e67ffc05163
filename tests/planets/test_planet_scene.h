// Shared helpers of the planet tests: tiny topology files built with the
// data toolkit, a cleared store with a 64 x 48 frame, pixel access.
#pragma once
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "planets/planets.h"       // Required for: read_topology_index, render_planet, setup_planet
#include "store/canvas.h"          // Required for: RENDER_FRAME, apply_parameters, create_frame_buffer
#include "store/prompt.h"          // Required for: prompt_log
#include "store/records.h"         // Required for: clear_objects
#include "store/store.h"           // Required for: DBL_PARAMS, D_ASPECT, D_OBLATE
#include "store/surface.h"         // Required for: colour_table, surface_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH
#include "test_support.h"
#include "toolkit.h"

namespace planet_scene {

// A w x h map record of one index with an all-black palette.
inline nmk::TopoRecord plain_map(const char* name, int type, int w, int h, int index)
{
    nmk::TopoRecord m;
    m.name = name;
    m.map_type = type;
    m.image.width = w;
    m.image.height = h;
    m.image.pixels.assign((size_t)w * h, (uint8_t)index);
    m.image.palette.assign(768, 0);
    return m;
}
inline void set_colour(uint8_t* rgb, int r, int g, int b) { rgb[0] = (uint8_t)r, rgb[1] = (uint8_t)g, rgb[2] = (uint8_t)b; }
inline void set_colour(nmk::TopoRecord& m, int i, int r, int g, int b) { set_colour(&m.image.palette[3 * i], r, g, b); }
using ::set_colour; // Colour table entry i

// Writes novamir1.top ("AM" trailer: planets, then rings) and reads its index.
inline void install_topology(const std::vector<nmk::TopoRecord>& planets, const std::vector<nmk::TopoRecord>& rings)
{
    nmk::TopoFile f;
    f.records = planets;
    f.records.insert(f.records.end(), rings.begin(), rings.end());
    f.record_limit = (int)f.records.size();
    f.planets_on_file = (int)planets.size();
    f.rings_on_file = (int)rings.size();
    for (size_t r = 0; r < rings.size(); r++)
        f.ring_records.push_back((int)(planets.size() + r));
    write_file_bytes("novamir1.top", nmk::topology_bytes(f));
    topology_loaded = read_topology_index();
    ASSERT_EQ(topology_loaded, 1);
}

constexpr int SCENE_W = 64, SCENE_H = 48;

// Expected pixels, placed relative to the scene centre (32, 24).
struct At {
    int dx, dy;
    Rgb c;
};
inline void expect_at(std::initializer_list<At> want)
{
    for (const At& w : want)
        EXPECT_EQ(pixel(32 + w.dx, 24 + w.dy), w.c) << "at " << w.dx << "," << w.dy;
}
constexpr Rgb MARK = {1, 2, 3}; // the frame's fill, told apart from drawn black

// A cleared store: 64 x 48 frame, 10 pixels per degree, a planet of diameter
// 11 at (32, 24) lit from the front, an empty list.
class PlanetScene : public ::testing::Test {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        if (!frame_buffer) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        memset(int_param, 0, sizeof(int32_t) * INT_PARAMS);
        memset(dbl_param, 0, sizeof(double) * DBL_PARAMS);
        memset(flag_param, 0, sizeof(int32_t) * FLAG_PARAMS);
        memset(page_frames, 0, sizeof(PageFrames) * MENU_PAGES);
        memset(colour_table, 0, sizeof colour_table);
        clear_objects();
        replay_only = false, preview_target = nullptr;
        int_param[I_WIDTH] = SCENE_W, int_param[I_HEIGHT] = SCENE_H, int_param[I_END_FRAME] = 100;
        for (int p = PAGE_SKY; p <= PAGE_BITMAP; p++)
            page_frames[p].end = 100;
        int_param[I_PLANET_X] = 32, int_param[I_PLANET_Y] = 24;
        dbl_param[D_ASPECT] = dbl_param[D_OBLATE] = dbl_param[D_SHADING] = dbl_param[D_PLANET_LIGHTING] = 1.0;
        dbl_param[D_PIXELS_PER_DEGREE] = 10.0, dbl_param[D_PLANET_DIAMETER] = 11.0;
        dbl_param[D_POLAR_ANGLE] = 90.0, dbl_param[D_PHASE] = 180.0, dbl_param[D_REF_DISTANCE] = 100.0;
        apply_parameters();
        fill(MARK);
    }
    void TearDown() override
    {
        replay_only = false, preview_target = nullptr;
        memset(&topology, 0, sizeof topology);
        topology_loaded = 0;
    }
    static void fill(Rgb c)
    {
        for (int y = 0; y < SCENE_H; y++)
            for (int x = 0; x < SCENE_W; x++)
                put_frame_pixel(x, y, c.r, c.g, c.b);
    }
    static std::vector<Rgb> frame()
    {
        std::vector<Rgb> f;
        for (int y = 0; y < SCENE_H; y++)
            for (int x = 0; x < SCENE_W; x++)
                f.push_back(pixel(x, y));
        return f;
    }
    static int count_not(Rgb c)
    {
        int n = 0;
        for (const Rgb& p : frame())
            n += p != c;
        return n;
    }
    static void draw_planet(int n = 0, int mode = RENDER_FRAME) { setup_planet(n), render_planet(mode); }
};

} // namespace planet_scene
