// Comet placement and comet glow: shading curves, fades, shapes, box and travel.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <ostream>
#include <vector>

#include "comets/comets.h" // Required for: comet_place, draw_comet, place_comet
#include "store/canvas.h"  // Required for: RENDER_FRAME, frame_buffer, replay_only
#include "store/store.h"   // Required for: D_ASPECT, D_COMET_ASPECT, D_COMET_DIAMETER
#include "test_support.h"

namespace {

constexpr int W = 640, H = 480, MID = 5, EDGE = 6;

const Rgb BG{40, 80, 120}, MIDC{200, 100, 50};

// A COMA of DIAMETER 20 at rest at (200, 150), MID (200, 100, 50), EDGE black,
// ILLUMINATION 1, over a flat background.
class Comet : public ::testing::Test {
protected:
    void SetUp() override
    {
        fresh_render_state(W, H);
        ASSERT_NE(frame_buffer, nullptr);
        page_frames[PAGE_COMET] = {0, 10};
        dbl_param[D_ASPECT] = dbl_param[D_COMET_ASPECT] = dbl_param[D_ILLUMINATION] = 1;
        dbl_param[D_PIXELS_PER_DEGREE] = 5, dbl_param[D_REF_DISTANCE] = 100, dbl_param[D_COMET_DIAMETER] = 20;
        int_param[I_COMET_X] = 200, int_param[I_COMET_Y] = 150;
        int_param[I_MID_COLOUR] = MID, int_param[I_EDGE_COLOUR] = EDGE;
        set_colour(MID, 200, 100, 50);
        set_colour(EDGE, 0, 0, 0);
        fill_frame(BG);
    }
    void TearDown() override { replay_only = false; }

    // Draws on a fresh background; returns the box of the changed pixels
    // {x0, y0, x1, y1}, all -1 when nothing changed.
    static std::vector<int> draw()
    {
        fill_frame(BG);
        place_comet();
        draw_comet(RENDER_FRAME);
        std::vector<int> box = {W, H, -1, -1};
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (pixel(x, y) != BG)
                    box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
        return box[2] < 0 ? std::vector<int>{-1, -1, -1, -1} : box;
    }
};
const std::vector<int> NOTHING = {-1, -1, -1, -1};

using Comet_shading = Comet;

TEST_F(Comet_shading, centre_and_halfway_values_of_each_curve)
{
    // {type, EDGE colour, ILLUMINATION, centre, the pixel 5 to the right (q = 0.5)}
    struct Case {
        int type, edge;
        double light;
        Rgb centre, half;
    } cases[] = {{0, EDGE, 1, MIDC, {0, 0, 0}},                   // COMA
                 {3, MID, 1, MIDC, {100 + 20, 50 + 40, 25 + 60}}, // HALO: opacity falls linearly
                 {4, MID, 1, BG, {199, 99, 49}},                   // TORUS: clear centre, T just above 0 halfway
                 {0, EDGE, 2, {255, 200, 100}, {0, 0, 0}}};        // base 400 held at 255, not wrapped
    for (const Case& c : cases) {
        int_param[I_COMET_TYPE] = c.type, int_param[I_EDGE_COLOUR] = c.edge;
        dbl_param[D_ILLUMINATION] = c.light;
        draw();
        EXPECT_EQ(pixel(200, 150), c.centre) << c.type;
        if (c.half.r) {
            EXPECT_EQ(pixel(205, 150), c.half) << c.type;
        }
    }
    int_param[I_COMET_TYPE] = 0, int_param[I_EDGE_COLOUR] = EDGE;
    dbl_param[D_ILLUMINATION] = 1;
    EXPECT_EQ(draw(), (std::vector<int>{191, 141, 209, 159})) << "the COMA's rim (q = 1) is left unchanged";
}

TEST_F(Comet_shading, fades_run_from_invisible_to_full)
{
    page_frames[PAGE_COMET] = {10, 20};
    // {fade, frame, centre}: fade in halfway has I = 0.5: base (100, 50, 25) at opacity 0.25.
    const std::pair<int, int> when[] = {{1, 10}, {1, 15}, {1, 20}, {2, 10}, {2, 20}};
    const Rgb centre[] = {BG, {25 + 30, 12 + 60, 6 + 90}, MIDC, MIDC, BG};
    for (int k = 0; k < 5; k++) {
        int_param[I_COMET_FADE] = when[k].first, rs.i[I_THIS_FRAME] = when[k].second;
        for (int type : centre[k] == BG ? std::vector<int>{0, 1, 3} : std::vector<int>{0}) {
            int_param[I_COMET_TYPE] = type;
            const bool drawn = draw() != NOTHING;
            EXPECT_EQ(pixel(200, 150), centre[k]) << k << " type " << type;
            EXPECT_EQ(drawn, centre[k] != BG) << k << " type " << type;
        }
    }
}

using Comet_shapes = Comet;

// Below ASPECT RATIO 1 a tail has no direction: both are drawn as a HALO.
TEST_F(Comet_shapes, low_aspect_tails_are_halos)
{
    dbl_param[D_COMET_ASPECT] = 0.5;
    std::vector<std::vector<uint8_t>> frames;
    for (int type : {3, 1, 2}) {
        int_param[I_COMET_TYPE] = type;
        draw();
        frames.emplace_back();
        for (int y = 0; y < H; y++)
            frames.back().insert(frames.back().end(), frame_buffer->line[y], frame_buffer->line[y] + 3 * W);
    }
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(frames[2], frames[0]);
}

using Comet_box = Comet;

TEST_F(Comet_box, screen_aspect_widens_the_box_and_edges_clip)
{
    dbl_param[D_ASPECT] = 1.5, dbl_param[D_ILLUMINATION] = 1000;
    int_param[I_COMET_TYPE] = 3;
    EXPECT_EQ(draw(), (std::vector<int>{186, 141, 214, 159})) << "31 x 21, outermost rows are rim";
    dbl_param[D_ASPECT] = 1;
    int_param[I_COMET_X] = 0, int_param[I_COMET_Y] = H - 1;
    EXPECT_EQ(draw(), (std::vector<int>{0, H - 10, 9, H - 1}));
    int_param[I_COMET_Y] = 100;
    for (int x : {-11, W + 10, 100000, -100000}) {
        int_param[I_COMET_X] = x, dbl_param[D_TAIL_ANGLE] = x > 0 ? 30 : 0;
        EXPECT_EQ(draw(), NOTHING) << x;
    }
}

TEST_F(Comet_box, size_and_travelled_distance_decide_what_is_drawn)
{
    dbl_param[D_COMET_DIAMETER] = 0;
    EXPECT_EQ(draw(), NOTHING);
    dbl_param[D_COMET_DIAMETER] = 20, rs.i[I_THIS_FRAME] = 5;
    const std::vector<int> AT_REST = {191, 141, 209, 159};
    // {REF DISTANCE, TRAVEL DISTANCE, TRAVEL ANGLE, box}: at rest REF DISTANCE
    // plays no part; after travel a distance at or behind the viewer hides it.
    struct Case {
        double ref, travel, angle;
        std::vector<int> box;
    } cases[] = {{0, 0, 0, AT_REST},  {-50, 0, 0, AT_REST}, {0, 1, 0, NOTHING},
                 {-50, 1, 0, NOTHING}, {100, 30, 180, NOTHING}};
    for (const Case& c : cases) {
        dbl_param[D_REF_DISTANCE] = c.ref, dbl_param[D_TRAVEL_DISTANCE] = c.travel;
        dbl_param[D_TRAVEL_ANGLE] = c.angle;
        EXPECT_EQ(draw(), c.box) << c.ref << " " << c.travel;
    }
    EXPECT_LT(comet_place.dist, 0) << "travelled past the viewer";
    // Replay only places, never paints.
    dbl_param[D_REF_DISTANCE] = 100, dbl_param[D_TRAVEL_DISTANCE] = 2, dbl_param[D_TRAVEL_ANGLE] = 0;
    replay_only = true;
    EXPECT_EQ(draw(), NOTHING);
    EXPECT_NEAR(comet_place.dist, 110, 1e-9);
}

using Comet_placement = Comet;

TEST_F(Comet_placement, x_perspective_keeps_a_comet_at_rest_in_place)
{
    // Receding 2 a frame. With X PERSPECTIVE and nothing travelled yet the
    // comet stays put; tails put the box back around the travelled head.
    dbl_param[D_TRAVEL_DISTANCE] = 2, flag_param[F_X_PERSPECTIVE] = 1;
    dbl_param[D_COMET_ASPECT] = 3, rs.i[I_THIS_FRAME] = 0;
    for (int type : {0, 1, 2})
        for (int x : {30, 200, 600}) {
            int_param[I_COMET_X] = x, int_param[I_COMET_TYPE] = type;
            place_comet();
            EXPECT_NEAR(type ? comet_place.xc : comet_place.x, x, type ? 1 : 1e-6) << x;
            EXPECT_NEAR(comet_place.y, 150, 1e-6);
        }
    flag_param[F_X_PERSPECTIVE] = 0; // a flat plane: off centre not the identity
    int_param[I_COMET_X] = 30;
    place_comet();
    EXPECT_GT(std::abs(comet_place.x - 30), 1);
}

TEST_F(Comet_placement, width_is_capped_at_320_with_the_aspect_kept)
{
    dbl_param[D_COMET_DIAMETER] = 100, dbl_param[D_COMET_ASPECT] = 4;
    dbl_param[D_TRAVEL_DISTANCE] = -5; // approaching: at half the distance by frame 10
    rs.i[I_THIS_FRAME] = 10;
    place_comet();
    EXPECT_EQ(comet_place.hd, 320);
    EXPECT_EQ(comet_place.dv, 80);
}

} // namespace
