// Tiny scenes for the planet and ring renderer tests: a topology file written
// byte by byte in the scratch directory, a cleared store with a small frame,
// and pixel helpers.
#pragma once
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "planets/planets.h"
#include "render/render.h"
#include "scene/scene.h"
#include "shell/shell.h"
#include "sky/sky.h"
#include "test_support.h"

// Kept in a namespace of their own: other test files of this program have
// helpers of their own.
namespace planet_scene {

// One record of a test topology file.
struct TestMap {
    std::string name;
    int type = 2;  // 2 planet map with palette, 14 strip, 15 face-on, 16 no colour
    int zero_index = 0, dark_index = 0;
    int full = 1;  // full-map flag of the "AM" trailer
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;               // width x height
    std::vector<uint8_t> palette = std::vector<uint8_t>(768, 0);

    void set_colour(int index, int r, int g, int b)
    {
        palette[3 * index] = (uint8_t)r;
        palette[3 * index + 1] = (uint8_t)g;
        palette[3 * index + 2] = (uint8_t)b;
    }
    uint8_t& at(int x, int y) { return pixels[(size_t)y * width + x]; }
};

// A map of w x h pixels, all of one index.
inline TestMap plain_map(const char* name, int type, int w, int h, int index)
{
    TestMap m;
    m.name = name;
    m.type = type;
    m.width = w;
    m.height = h;
    m.pixels.assign((size_t)w * h, (uint8_t)index);
    return m;
}

inline void put16(std::vector<uint8_t>& b, size_t at, int v)
{
    b[at] = (uint8_t)(v & 255);
    b[at + 1] = (uint8_t)((v >> 8) & 255);
}
inline void put32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    for (int k = 0; k < 4; k++)
        b[at + k] = (uint8_t)((uint32_t)v >> (8 * k));
}

// Writes novamir1.top with an "AM" trailer: planets first, then rings (the
// ring table lists the ring records in order), and loads its index.
inline void install_topology(const std::vector<TestMap>& planets, const std::vector<TestMap>& rings)
{
    std::vector<TestMap> all = planets;
    all.insert(all.end(), rings.begin(), rings.end());
    const int n = (int)all.size();
    const size_t trailer = 580 + 16 * (size_t)n;
    const size_t data = trailer + 2 + 48 + 2 + 2 + 96;
    std::vector<uint8_t> b(data, 0);
    put16(b, 0, n);
    put16(b, 2, n);
    size_t at = data;
    for (int i = 0; i < n; i++) {
        const TestMap& m = all[i];
        put16(b, 4 + 2 * i, m.width);
        put16(b, 100 + 2 * i, m.height);
        put32(b, 196 + 4 * i, (int32_t)at);
        size_t size = 4 + m.pixels.size() + 768;
        put32(b, 388 + 4 * i, (int32_t)size);
        uint8_t* e = &b[580 + 16 * i];
        strncpy((char*)e, m.name.c_str(), 11);
        e[12] = 0;
        e[13] = (uint8_t)m.type;
        e[14] = (uint8_t)m.zero_index;
        e[15] = (uint8_t)m.dark_index;
        b[trailer + 2 + i] = (uint8_t)m.full;
        std::vector<uint8_t> rec(4);
        put16(rec, 0, m.width);
        put16(rec, 2, m.height);
        rec.insert(rec.end(), m.pixels.begin(), m.pixels.end());
        rec.insert(rec.end(), m.palette.begin(), m.palette.end());
        b.insert(b.end(), rec.begin(), rec.end());
        at += rec.size();
    }
    b[trailer] = 'A';
    b[trailer + 1] = 'M';
    put16(b, trailer + 50, (int)planets.size());
    put16(b, trailer + 52, (int)rings.size());
    for (size_t r = 0; r < rings.size(); r++)
        put16(b, trailer + 54 + 2 * r, (int)(planets.size() + r));
    write_file_bytes("novamir1.top", b);
    topology_loaded = read_topology_index();
    ASSERT_EQ(topology_loaded, 1);
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}
inline Rgb pixel(int x, int y)
{
    Rgb c;
    get_frame_pixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

// Frame size of the test scenes: small enough to reason about pixel by pixel.
constexpr int SCENE_W = 64;
constexpr int SCENE_H = 48;
// Colour the frame is filled with, so that a drawn black pixel is told apart.
constexpr Rgb MARK = {1, 2, 3};

// A cleared store with a 64 x 48 frame, 10 pixels per degree, aspect 1, a
// planet of diameter 11 at the centre lit from the front, and an empty list.
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
        replay_only = false;
        preview_target = nullptr;
        int_param[I_WIDTH] = SCENE_W;
        int_param[I_HEIGHT] = SCENE_H;
        int_param[I_END_FRAME] = 100;
        dbl_param[D_ASPECT] = 1.0;
        dbl_param[D_PIXELS_PER_DEGREE] = 10.0;
        for (int p = PAGE_SKY; p <= PAGE_BITMAP; p++)
            page_frames[p].end = 100;
        int_param[I_PLANET_X] = 32;
        int_param[I_PLANET_Y] = 24;
        dbl_param[D_PLANET_DIAMETER] = 11.0;
        dbl_param[D_OBLATE] = 1.0;
        dbl_param[D_POLAR_ANGLE] = 90.0;
        dbl_param[D_PHASE] = 180.0;
        dbl_param[D_SHADING] = 1.0;
        dbl_param[D_PLANET_BACKLIGHT] = 0.0;
        dbl_param[D_PLANET_LIGHTING] = 1.0;
        dbl_param[D_REF_DISTANCE] = 100.0;
        apply_parameters();
        fill(MARK);
    }
    void TearDown() override
    {
        replay_only = false;
        preview_target = nullptr;
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
    // Draws planet number n with the store as it stands.
    static void draw_planet(int n = 0, int mode = RENDER_FRAME)
    {
        setup_planet(n);
        render_planet(mode);
    }
};

} // namespace planet_scene
