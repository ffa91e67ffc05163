// Kept geometry: turning planets and rings drawn from what earlier frames
// kept give the very frames a fresh computation gives.
#include "test_planet_scene.h"

#include "planets/planets.h"      // Required for: drop_kept_geometry, geometry_reuse, render_ring
#include "planets/render_local.h" // Required for: REUSE_CAP_BYTES, reuse_bytes, reuse_cap_bytes
#include "store/canvas.h"         // Required for: RENDER_FRAME, apply_parameters, replay_only
#include "store/store.h"          // Required for: D_ROTATION_INC, F_PHASE_ADJUST, I_THIS_FRAME

using namespace planet_scene;

namespace {

// Map records whose every texel differs from its neighbours, so a wrong row
// or column shows: planets 0 and 2 full maps, 1 a half map; rings 0 a strip,
// 1 a face-on picture.
nmk::TopoRecord textured(int type, int w, int h, int seed, int full = 1)
{
    nmk::TopoRecord m = plain_map("tex", type, w, h, 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            m.image.pixels[y * w + x] = (uint8_t)((x * 7 + y * 13 + (x * y) / 5 + seed) % 240);
    for (int i = 0; i < 256; i++)
        set_colour(m, i, (i * 5 + seed) & 255, (i * 11) & 255, 255 - i);
    m.full_flag = full;
    m.zero_index = 250, m.dark_index = 251;
    return m;
}

enum Draw { PLANET, FREE_RING, LOCKED_RING };

// One scene: how it is drawn, whether it is kept (it draws alike from frame
// to frame but for the turn), its settings on frame f.
struct Scene {
    const char* name;
    Draw draw;
    bool kept;
    void (*set)(int f);
};

void ring_settings_for(int number, bool subpixel)
{
    int_param[I_RING_NUMBER] = number, int_param[I_RING_WIDTH] = 50, int_param[I_RING_HEIGHT] = 18;
    int_param[I_RING_X] = 30, int_param[I_RING_Y] = 22, flag_param[F_SUBPIXELLATION] = subpixel;
    dbl_param[D_RING_LIGHTING] = 0.8, dbl_param[D_RING_ROTATION_INC] = 11;
}
void locked_ring_for(int number, int width)
{
    ring_settings_for(number, true);
    int_param[I_RING_WIDTH] = width, flag_param[F_PLANET_SHADOW] = 1;
}

const Scene scenes[] = {
    {"full map turning", PLANET, true, [](int) {}},
    {"half map", PLANET, true, [](int) { int_param[I_PLANET_NUMBER] = 1; }},
    {"latitude tilt", PLANET, true, [](int) { dbl_param[D_PLANET_LATITUDE] = 25; }},
    {"polar angle, oblate, aspect", PLANET, true,
     [](int) { dbl_param[D_POLAR_ANGLE] = 70, dbl_param[D_OBLATE] = 1.2, dbl_param[D_ASPECT] = 1.3; }},
    {"phase adjust, moving", PLANET, false,
     [](int f) { flag_param[F_PHASE_ADJUST] = 1, int_param[I_PLANET_X] = 30 + f; }},
    {"moving by whole pixels", PLANET, true,
     [](int f) { int_param[I_PLANET_X] = 26 + 2 * f, int_param[I_PLANET_Y] = 20 + f; }},
    {"travelling", PLANET, false,
     [](int) { dbl_param[D_TRAVEL_DISTANCE] = 0.5, dbl_param[D_TRAVEL_ANGLE] = 30; }},
    {"partly outside", PLANET, true, [](int) { int_param[I_PLANET_X] = 3, int_param[I_PLANET_Y] = 44; }},
    {"strip", FREE_RING, true, [](int) { ring_settings_for(0, false); }},
    {"strip, subpixel", FREE_RING, true, [](int) { ring_settings_for(0, true); }},
    {"face-on", FREE_RING, true, [](int) { ring_settings_for(1, false); }},
    {"face-on, subpixel", FREE_RING, true, [](int) { ring_settings_for(1, true); }},
    {"locked strip, shadow, turned", LOCKED_RING, true,
     [](int) { locked_ring_for(0, 190), dbl_param[D_POLAR_ANGLE] = 75; }},
    {"locked face-on, shadow, seen from below", LOCKED_RING, true,
     [](int) { locked_ring_for(1, 170), dbl_param[D_PLANET_LATITUDE] = -30; }},
};

} // namespace

// A 31-pixel textured planet at (30, 22), half lit, tilted 20 degrees and
// turning 7 degrees a frame, over a background that varies across the frame
// (rings blend with it).
class Kept_geometry : public PlanetScene {
protected:
    void SetUp() override
    {
        PlanetScene::SetUp();
        install_topology({textured(2, 360, 180, 0), textured(2, 180, 90, 3, 0), textured(2, 360, 180, 9)},
                         {textured(14, 360, 64, 5), textured(15, 64, 64, 1)});
        drop_kept_geometry();
        memcpy(base.i, int_param, sizeof base.i), memcpy(base.d, dbl_param, sizeof base.d);
        memcpy(base.f, flag_param, sizeof base.f);
    }
    void TearDown() override
    {
        geometry_reuse = true, reuse_cap_bytes = REUSE_CAP_BYTES;
        PlanetScene::TearDown();
    }
    struct {
        int32_t i[INT_PARAMS];
        double d[DBL_PARAMS];
        int32_t f[FLAG_PARAMS];
    } base; // the store as the fixture leaves it
    void start(const Scene& s, int f)
    {
        memcpy(int_param, base.i, sizeof base.i), memcpy(dbl_param, base.d, sizeof base.d);
        memcpy(flag_param, base.f, sizeof base.f);
        int_param[I_PLANET_NUMBER] = 0, int_param[I_PLANET_X] = 30, int_param[I_PLANET_Y] = 22;
        dbl_param[D_PLANET_DIAMETER] = 31, dbl_param[D_PHASE] = 120, dbl_param[D_PLANET_LATITUDE] = 20;
        dbl_param[D_ROTATION_INC] = 7, dbl_param[D_PLANET_BACKLIGHT] = 0.1, dbl_param[D_SHADING] = 1.2;
        int_param[I_THIS_FRAME] = f;
        s.set(f);
    }
    static std::vector<Rgb> draw(Draw how)
    {
        apply_parameters();
        for (int y = 0; y < SCENE_H; y++)
            for (int x = 0; x < SCENE_W; x++)
                put_frame_pixel(x, y, x * 4, y * 5, 90);
        if (how == FREE_RING) {
            render_ring(RENDER_FRAME, -1);
        } else if (how == LOCKED_RING) {
            setup_planet(0), reset_ring_pass(), render_ring(RENDER_FRAME, 0);
            setup_planet(0), render_planet(RENDER_FRAME), render_ring(RENDER_FRAME, 0);
        } else {
            setup_planet(0), render_planet(RENDER_FRAME);
        }
        return frame();
    }
};

TEST_F(Kept_geometry, every_frame_equals_a_fresh_computation)
{
    // With room for a few tens of pixels every entry outgrows the budget
    // part-way and the object is drawn directly.
    for (size_t cap : {REUSE_CAP_BYTES, (size_t)1500}) {
        reuse_cap_bytes = cap;
        for (const Scene& s : scenes) {
            drop_kept_geometry();
            replay_only = true;
            for (int f = 0; f < 3; f++)
                start(s, f), draw(s.draw);
            replay_only = false;
            EXPECT_EQ(reuse_bytes, 0u) << s.name << ": replayed frames keep nothing";
            for (int f = 0; f < 5; f++) {
                start(s, f);
                geometry_reuse = false;
                const std::vector<Rgb> fresh = draw(s.draw);
                geometry_reuse = true;
                ASSERT_EQ(draw(s.draw), fresh) << s.name << ", frame " << f << ", cap " << cap;
            }
            EXPECT_EQ(reuse_bytes > 0, s.kept && cap == REUSE_CAP_BYTES) << s.name << ", cap " << cap;
        }
    }
}

TEST_F(Kept_geometry, a_setting_changed_between_frames_draws_afresh)
{
    // {scene, setting changed on frame 3}: geometry, light, and a map of the
    // same size (same geometry, other texels).
    const std::pair<const Scene*, void (*)()> changes[] = {
        {&scenes[0], [] { dbl_param[D_SHADING] = 0.7; }},
        {&scenes[3], [] { dbl_param[D_PLANET_DIAMETER] = 29; }},
        {&scenes[2], [] { int_param[I_PLANET_NUMBER] = 2; }},
        {&scenes[12], [] { int_param[I_RING_WIDTH] = 170; }},
        {&scenes[9], [] { int_param[I_RING_Y] = 30; }},
    };
    for (const auto& c : changes) {
        for (int f = 0; f < 3; f++)
            start(*c.first, f), draw(c.first->draw);
        start(*c.first, 3), c.second();
        const std::vector<Rgb> kept = draw(c.first->draw);
        geometry_reuse = false;
        EXPECT_EQ(kept, draw(c.first->draw)) << c.first->name;
        geometry_reuse = true;
    }
}
