// Comet placement and comet glow: shading curves, fades, shapes, box and travel.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cmath>
#include <cstring>
#include <ostream>
#include <vector>

#include "comets/comets.h"
#include "planets/planets.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;
constexpr int MID = 5;   // colour table index of the centre colour
constexpr int EDGE = 6;  // of the rim colour
constexpr int BG_R = 40, BG_G = 80, BG_B = 120;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb pixel(int x, int y)
{
    Rgb c;
    get_frame_pixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

std::vector<uint8_t> frame_bytes()
{
    std::vector<uint8_t> out;
    for (int y = 0; y < H; y++)
        out.insert(out.end(), frame_buffer->line[y], frame_buffer->line[y] + 3 * W);
    return out;
}

// A comet at rest: a COMA of DIAMETER 20, aspect 1, at (200, 150), MID
// (200, 100, 50), EDGE black, ILLUMINATION 1, over a flat background.
class Comet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(create_frame_buffer(W), 0);
        memset(int_param, 0, sizeof int_param);
        memset(dbl_param, 0, sizeof dbl_param);
        memset(flag_param, 0, sizeof flag_param);
        rs = RenderSettings{};
        rs.i[I_WIDTH] = W;
        rs.i[I_HEIGHT] = H;
        rs.i[I_THIS_FRAME] = 0;
        page_frames[PAGE_COMET] = {0, 10};
        replay_only = false;
        dbl_param[D_ASPECT] = 1;
        dbl_param[D_PIXELS_PER_DEGREE] = 5;
        dbl_param[D_REF_DISTANCE] = 100;
        dbl_param[D_COMET_DIAMETER] = 20;
        dbl_param[D_COMET_ASPECT] = 1;
        dbl_param[D_ILLUMINATION] = 1;
        int_param[I_COMET_X] = 200;
        int_param[I_COMET_Y] = 150;
        int_param[I_MID_COLOUR] = MID;
        int_param[I_EDGE_COLOUR] = EDGE;
        set_colour(MID, 200, 100, 50);
        set_colour(EDGE, 0, 0, 0);
        fill(BG_R, BG_G, BG_B);
    }
    void TearDown() override { replay_only = false; }

    static void set_colour(int n, int r, int g, int b)
    {
        colour_table[n][0] = (uint8_t)r;
        colour_table[n][1] = (uint8_t)g;
        colour_table[n][2] = (uint8_t)b;
    }
    static void fill(int r, int g, int b)
    {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                put_frame_pixel(x, y, r, g, b);
    }
    static void draw()
    {
        place_comet();
        draw_comet(RENDER_FRAME);
    }
    // Bounding box of the pixels that differ from the background.
    static void changed_box(int* x0, int* y0, int* x1, int* y1)
    {
        *x0 = W, *y0 = H, *x1 = -1, *y1 = -1;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (!(pixel(x, y) == Rgb{BG_R, BG_G, BG_B})) {
                    *x0 = std::min(*x0, x), *x1 = std::max(*x1, x);
                    *y0 = std::min(*y0, y), *y1 = std::max(*y1, y);
                }
    }
};

const Rgb BG{BG_R, BG_G, BG_B};

// ---------------------------------------------------------------------------

using Comet_shading = Comet;

TEST_F(Comet_shading, Coma_centre_is_exactly_mid_colour_and_rim_unchanged)
{
    draw();
    EXPECT_EQ(pixel(200, 150), (Rgb{200, 100, 50}));
    // a = 10: the pixels 10 to either side and above and below lie on the rim.
    EXPECT_EQ(pixel(210, 150), BG);
    EXPECT_EQ(pixel(190, 150), BG);
    EXPECT_EQ(pixel(200, 140), BG);
    EXPECT_EQ(pixel(200, 160), BG);
}

TEST_F(Comet_shading, Torus_is_clear_at_the_centre_and_nearly_opaque_halfway)
{
    int_param[I_COMET_TYPE] = 4;
    int_param[I_EDGE_COLOUR] = MID;
    draw();
    EXPECT_EQ(pixel(200, 150), BG);
    // q = 0.5: T = 1 - sin^2(1.57) is just above 0, so each channel loses one.
    EXPECT_EQ(pixel(205, 150), (Rgb{199, 99, 49}));
}

TEST_F(Comet_shading, Halo_opacity_falls_linearly)
{
    int_param[I_COMET_TYPE] = 3;
    int_param[I_EDGE_COLOUR] = MID;
    draw();
    // q = 0.5: half the base colour plus half of the background.
    EXPECT_EQ(pixel(205, 150), (Rgb{100 + 20, 50 + 40, 25 + 60}));
    EXPECT_EQ(pixel(200, 150), (Rgb{200, 100, 50}));
}

TEST_F(Comet_shading, Illumination_above_one_saturates_the_base_colour)
{
    dbl_param[D_ILLUMINATION] = 2;
    draw();
    // Base 400, 200, 100: red is held at 255, not wrapped to 144.
    EXPECT_EQ(pixel(200, 150), (Rgb{255, 200, 100}));
}

// ---------------------------------------------------------------------------

using Comet_fades = Comet;

TEST_F(Comet_fades, Fade_in_is_invisible_at_start_and_full_at_end)
{
    page_frames[PAGE_COMET] = {10, 20};
    int_param[I_COMET_FADE] = 1;
    const auto untouched = frame_bytes();
    for (int type : {0, 1, 3}) {
        int_param[I_COMET_TYPE] = type;
        rs.i[I_THIS_FRAME] = 10;
        draw();
        EXPECT_EQ(frame_bytes(), untouched) << "type " << type;
    }
    int_param[I_COMET_TYPE] = 0;
    rs.i[I_THIS_FRAME] = 20;
    draw();
    EXPECT_EQ(pixel(200, 150), (Rgb{200, 100, 50}));
}

TEST_F(Comet_fades, Fade_in_halfway_halves_the_illumination)
{
    page_frames[PAGE_COMET] = {10, 20};
    int_param[I_COMET_FADE] = 1;
    rs.i[I_THIS_FRAME] = 15;
    draw();
    // I = 0.5 at the centre: base 100, 50, 25 at opacity 0.25 over the background.
    EXPECT_EQ(pixel(200, 150), (Rgb{25 + 30, 12 + 60, 6 + 90}));
}

TEST_F(Comet_fades, Fade_out_is_the_reverse)
{
    page_frames[PAGE_COMET] = {10, 20};
    int_param[I_COMET_FADE] = 2;
    rs.i[I_THIS_FRAME] = 10;
    draw();
    EXPECT_EQ(pixel(200, 150), (Rgb{200, 100, 50}));
    fill(BG_R, BG_G, BG_B);
    const auto untouched = frame_bytes();
    rs.i[I_THIS_FRAME] = 20;
    draw();
    EXPECT_EQ(frame_bytes(), untouched);
}

// ---------------------------------------------------------------------------

using Comet_shapes = Comet;

// TAIL RHS, ASPECT RATIO 3, DIAMETER 20: a = 30, b = 10.
TEST_F(Comet_shapes, Tail_head_sits_left_and_tail_reaches_the_right_end)
{
    int_param[I_COMET_TYPE] = 1;
    dbl_param[D_COMET_ASPECT] = 3;
    dbl_param[D_ILLUMINATION] = 1000; // opaque wherever q < 1
    int_param[I_EDGE_COLOUR] = MID;
    draw();
    // The head circle of radius 10 is centred 20 pixels left of the box centre.
    EXPECT_EQ(pixel(180, 150), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(170, 150), BG); // its rim, q = 1
    EXPECT_EQ(pixel(180, 140), BG);
    EXPECT_NE(pixel(180, 141), BG);
    // The tail reaches the right end of the box (U = 30).
    EXPECT_NE(pixel(229, 150), BG);
    EXPECT_EQ(pixel(230, 150), BG);
    // It narrows towards its end: 40 pixels from the head it is 6 wide either side.
    EXPECT_NE(pixel(220, 145), BG);
    EXPECT_EQ(pixel(220, 143), BG);
}

TEST_F(Comet_shapes, Tail_lhs_is_the_mirror_of_tail_rhs)
{
    dbl_param[D_COMET_ASPECT] = 3;
    int_param[I_EDGE_COLOUR] = 7;
    set_colour(7, 10, 250, 90);
    int_param[I_COMET_TYPE] = 1;
    draw();
    const auto rhs = frame_bytes();
    fill(BG_R, BG_G, BG_B);
    int_param[I_COMET_TYPE] = 2;
    draw();
    for (int y = 130; y <= 170; y++)
        for (int u = -35; u <= 35; u++)
            ASSERT_EQ(pixel(200 + u, y), (Rgb{rhs[3 * W * y + 3 * (200 - u) + 2], rhs[3 * W * y + 3 * (200 - u) + 1],
                                              rhs[3 * W * y + 3 * (200 - u)]}))
                << u << "," << y;
}

TEST_F(Comet_shapes, Tail_with_aspect_below_one_is_drawn_as_a_halo)
{
    dbl_param[D_COMET_ASPECT] = 0.5;
    int_param[I_COMET_TYPE] = 3;
    draw();
    const auto halo = frame_bytes();
    for (int type : {1, 2}) {
        fill(BG_R, BG_G, BG_B);
        int_param[I_COMET_TYPE] = type;
        draw();
        EXPECT_EQ(frame_bytes(), halo) << "type " << type;
    }
}

TEST_F(Comet_shapes, Tail_angle_90_points_a_tail_rhs_upwards)
{
    int_param[I_COMET_TYPE] = 1;
    dbl_param[D_COMET_ASPECT] = 3;
    dbl_param[D_ILLUMINATION] = 1000;
    dbl_param[D_TAIL_ANGLE] = 90;
    draw();
    // Head (10 wide either side) 20 rows below the centre, the narrow tail above.
    EXPECT_NE(pixel(208, 170), BG);
    EXPECT_EQ(pixel(208, 130), BG);
    EXPECT_NE(pixel(200, 123), BG);
    EXPECT_EQ(pixel(200, 181), BG);
    int x0, y0, x1, y1;
    changed_box(&x0, &y0, &x1, &y1);
    EXPECT_LE(x1 - x0, 20);
    EXPECT_GE(y1 - y0, 56);
}

// ---------------------------------------------------------------------------

using Comet_box = Comet;

TEST_F(Comet_box, Screen_aspect_widens_the_box)
{
    dbl_param[D_ASPECT] = 1.5;
    dbl_param[D_ILLUMINATION] = 1000;
    int_param[I_COMET_TYPE] = 3;
    draw();
    // Box 31 x 21 around (200, 150); its outermost columns and rows are rim.
    int x0, y0, x1, y1;
    changed_box(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 186);
    EXPECT_EQ(x1, 214);
    EXPECT_EQ(y0, 141);
    EXPECT_EQ(y1, 159);
}

TEST_F(Comet_box, Pixels_outside_the_frame_are_skipped)
{
    dbl_param[D_ILLUMINATION] = 1000;
    int_param[I_COMET_X] = 0;
    int_param[I_COMET_Y] = H - 1;
    draw();
    int x0, y0, x1, y1;
    changed_box(&x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(x1, 9);
    EXPECT_EQ(y0, H - 10);
    EXPECT_EQ(y1, H - 1);

    fill(BG_R, BG_G, BG_B);
    const auto untouched = frame_bytes();
    for (int x : {-11, W + 10, 100000, -100000}) {
        int_param[I_COMET_X] = x;
        int_param[I_COMET_Y] = 100;
        dbl_param[D_TAIL_ANGLE] = x > 0 ? 30 : 0;
        draw();
        EXPECT_EQ(frame_bytes(), untouched) << x;
    }
}

TEST_F(Comet_box, Nothing_is_drawn_without_size_or_distance)
{
    const auto untouched = frame_bytes();
    dbl_param[D_COMET_DIAMETER] = 0;
    draw();
    EXPECT_EQ(frame_bytes(), untouched);

    dbl_param[D_COMET_DIAMETER] = 20;
    dbl_param[D_REF_DISTANCE] = 0;
    draw();
    EXPECT_EQ(frame_bytes(), untouched);
    dbl_param[D_TRAVEL_DISTANCE] = 1;
    rs.i[I_THIS_FRAME] = 5;
    draw();
    EXPECT_EQ(frame_bytes(), untouched);

    // Travelling straight at the viewer past it: the distance turns negative.
    dbl_param[D_REF_DISTANCE] = 100;
    dbl_param[D_TRAVEL_DISTANCE] = 30;
    dbl_param[D_TRAVEL_ANGLE] = 180;
    rs.i[I_THIS_FRAME] = 5;
    place_comet();
    EXPECT_LT(comet_place.dist, 0);
    draw_comet(RENDER_FRAME);
    EXPECT_EQ(frame_bytes(), untouched);
}

TEST_F(Comet_box, Replay_only_places_but_paints_nothing)
{
    const auto untouched = frame_bytes();
    dbl_param[D_TRAVEL_DISTANCE] = 2;
    rs.i[I_THIS_FRAME] = 5;
    replay_only = true;
    draw();
    EXPECT_EQ(frame_bytes(), untouched);
    EXPECT_NEAR(comet_place.dist, 110, 1e-9);
    EXPECT_DOUBLE_EQ(overlay.scale, 100.0 / comet_place.dist);
}

// ---------------------------------------------------------------------------

using Comet_placement = Comet;

TEST_F(Comet_placement, At_rest_the_comet_keeps_its_centre_and_size)
{
    dbl_param[D_COMET_ASPECT] = 2.5;
    int_param[I_COMET_TRAVEL] = 3;
    int_param[I_COMET_TYPE] = 1;
    for (int frame : {0, 7, 500}) {
        rs.i[I_THIS_FRAME] = frame;
        place_comet();
        EXPECT_EQ(comet_place.xc, 200);
        EXPECT_EQ(comet_place.yc, 150);
        EXPECT_EQ(comet_place.dh, 50);
        EXPECT_EQ(comet_place.dv, 20);
        EXPECT_EQ(comet_place.hd, 50);
        EXPECT_EQ(comet_place.vd, 20);
    }
    EXPECT_EQ(overlay.plot_w, 50);
    EXPECT_EQ(overlay.plot_h, 20);
    EXPECT_EQ(overlay.plot_x, 200);
    EXPECT_EQ(overlay.scale, 1);
}

TEST_F(Comet_placement, Receding_straight_ahead_shrinks_on_the_centre_column)
{
    int_param[I_COMET_X] = W / 2;
    dbl_param[D_TRAVEL_DISTANCE] = 2; // per frame, linear
    rs.i[I_THIS_FRAME] = 10;
    place_comet();
    EXPECT_EQ(comet_place.xc, W / 2);
    EXPECT_DOUBLE_EQ(comet_place.dist, 120);
    EXPECT_DOUBLE_EQ(comet_place.scale, 100.0 / 120);
    EXPECT_DOUBLE_EQ(comet_place.dv, 20 * (100.0 / 120));
}

TEST_F(Comet_placement, Perspective_without_travel_returns_the_centre)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    dbl_param[D_TRAVEL_DISTANCE] = 3;
    rs.i[I_THIS_FRAME] = 0; // nothing travelled yet
    for (int x : {30, 200, 600}) {
        int_param[I_COMET_X] = x;
        place_comet();
        EXPECT_NEAR(comet_place.x, x, 1e-6);
        EXPECT_NEAR(comet_place.y, 150, 1e-6);
        EXPECT_NEAR(comet_place.scale, 1, 1e-12);
    }
    // Without perspective the plane is flat: away from the centre the
    // mapping is not the identity.
    flag_param[F_X_PERSPECTIVE] = 0;
    int_param[I_COMET_X] = 30;
    place_comet();
    EXPECT_GT(std::fabs(comet_place.x - 30), 1);
}

TEST_F(Comet_placement, Tail_head_stays_on_the_projected_point)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    dbl_param[D_TRAVEL_DISTANCE] = 3;
    dbl_param[D_COMET_ASPECT] = 3;
    for (int type : {1, 2}) {
        int_param[I_COMET_TYPE] = type;
        place_comet();
        // The head travels from X CENTRE -/+ 20 and the box is put back around it.
        EXPECT_NEAR(comet_place.xc, 200, 1) << type;
    }
}

TEST_F(Comet_placement, Width_is_capped_at_320_with_the_aspect_kept)
{
    dbl_param[D_COMET_DIAMETER] = 100;
    dbl_param[D_COMET_ASPECT] = 4;
    dbl_param[D_TRAVEL_DISTANCE] = -5; // approaching
    rs.i[I_THIS_FRAME] = 10;           // at half the distance
    place_comet();
    EXPECT_EQ(comet_place.hd, 320);
    EXPECT_EQ(comet_place.dh, 320);
    EXPECT_EQ(comet_place.dv, 80);
    EXPECT_EQ(comet_place.vd, 80);
}

} // namespace
