// Bitmap objects: placement, the box resampler, lighting, fades and the six
// transparency functions, black handling.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <ostream>
#include <vector>

#include "images/images.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;
constexpr int BG = 100; // grey background of every test frame

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
const Rgb BACK{BG, BG, BG};

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

// A bitmap object at rest at (100, 100), scale 1, LIGHTING 1, opaque, over a
// grey frame; each test holds its own picture in object_image.
class Bitmap : public ::testing::Test {
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
        page_frames[PAGE_BITMAP] = {0, 10};
        replay_only = false;
        dbl_param[D_PIXELS_PER_DEGREE] = 5;
        dbl_param[D_BITMAP_DISTANCE] = 100;
        dbl_param[D_X_SCALE] = 1;
        dbl_param[D_Y_SCALE] = 1;
        dbl_param[D_BITMAP_LIGHTING] = 1;
        int_param[I_BITMAP_X] = 100;
        int_param[I_BITMAP_Y] = 100;
        clear_frame();
    }
    void TearDown() override
    {
        replay_only = false;
        hold(nullptr);
    }

    // Makes bmp the held object image (the previous one is destroyed).
    static void hold(BITMAP* bmp)
    {
        if (object_image)
            destroy_bitmap(object_image);
        object_image = bmp;
        image_width = bmp ? bmp->w : 0;
        image_height = bmp ? bmp->h : 0;
    }
    static void clear_frame()
    {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                put_frame_pixel(x, y, BG, BG, BG);
    }
    static BITMAP* flat(int w, int h, int r, int g, int b)
    {
        BITMAP* bmp = create_bitmap_ex(24, w, h);
        clear_to_color(bmp, makecol24(r, g, b));
        return bmp;
    }
    static void draw(int skip_black = 0, int mode = RENDER_FRAME)
    {
        place_bitmap();
        draw_bitmap(skip_black, mode);
    }
};

// ---------------------------------------------------------------------------

using Bitmap_resampling = Bitmap;

TEST_F(Bitmap_resampling, Scale_one_copies_the_picture_exactly)
{
    BITMAP* bmp = create_bitmap_ex(24, 38, 24);
    uint32_t seed = 12345;
    for (int y = 0; y < 24; y++)
        for (int x = 0; x < 38; x++) {
            seed = seed * 1103515245u + 12345u;
            const int v = (int)(seed >> 8);
            // A few pure black pixels: PLOT BLACK on writes them as they are.
            putpixel(bmp, x, y, (x + y) % 7 == 0 ? 0 : makecol24(v & 255, (v >> 8) & 255, (v >> 16) & 255));
        }
    hold(bmp);
    draw();
    // Centre (100, 100): the picture spans columns 81..118 and rows 88..111.
    for (int y = 0; y < 24; y++)
        for (int x = 0; x < 38; x++) {
            const int c = getpixel(bmp, x, y);
            ASSERT_EQ(pixel(81 + x, 88 + y), (Rgb{getr24(c), getg24(c), getb24(c)})) << x << "," << y;
        }
    EXPECT_EQ(pixel(80, 88), BACK);
    EXPECT_EQ(pixel(119, 111), BACK);
    EXPECT_EQ(pixel(81, 112), BACK);
}

TEST_F(Bitmap_resampling, Every_depth_reads_as_the_library_reads_it)
{
    for (int depth : {15, 16, 24, 32}) {
        BITMAP* bmp = create_bitmap_ex(depth, 16, 8);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 16; x++)
                putpixel(bmp, x, y, makecol_depth(depth, 17 * x, 33 * y, 255 - 9 * x));
        hold(bmp);
        draw();
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 16; x++) {
                const int c = getpixel(bmp, x, y);
                ASSERT_EQ(pixel(92 + x, 96 + y), (Rgb{getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)}))
                    << depth << ": " << x << "," << y;
            }
    }
}

TEST_F(Bitmap_resampling, Eight_bit_pictures_take_their_colours_from_the_work_palette)
{
    BITMAP* bmp = create_bitmap_ex(8, 4, 2);
    for (int x = 0; x < 4; x++) {
        putpixel(bmp, x, 0, 10 + x);
        putpixel(bmp, x, 1, 20 + x);
    }
    for (int n = 0; n < 4; n++) {
        work_palette[10 + n] = RGB{(unsigned char)(63 - n), (unsigned char)(10 * n), 5, 0};
        work_palette[20 + n] = RGB{1, 2, (unsigned char)(60 + n), 0};
    }
    hold(bmp);
    draw();
    for (int n = 0; n < 4; n++) {
        EXPECT_EQ(pixel(98 + n, 99), (Rgb{4 * (63 - n), 40 * n, 20}));
        EXPECT_EQ(pixel(98 + n, 100), (Rgb{4, 8, 4 * (60 + n)}));
    }
}

TEST_F(Bitmap_resampling, First_column_covers_one_minus_the_edge_fraction)
{
    hold(flat(10, 10, 100, 60, 20));
    dbl_param[D_X_SCALE] = 1;
    place_bitmap();
    // Left edge at -0.3: the first column (frame column 0) has coverage 1.3.
    bitmap_place.centre_x = 4.7;
    draw_bitmap(0, RENDER_FRAME);
    EXPECT_EQ(bitmap_place.ileft, 0);
    EXPECT_FLOAT_EQ(bitmap_place.fleft, -0.3f);
    EXPECT_EQ(pixel(0, 100), (Rgb{130, 78, 26}));
    // The next column takes the 0.7 left of source column 1 (a hair below 0.7
    // once the edge went through single precision) and 0.3 of column 2, each
    // truncated: a unit darker than the flat colour.
    EXPECT_EQ(pixel(1, 100), (Rgb{69 + 30, 41 + 18, 13 + 6}));

    // Left edge at -2.3: the first column lies at -2 with coverage 1.3; the
    // frame starts 2.3 pixels into the picture.
    hold(create_bitmap_ex(24, 10, 10));
    for (int x = 0; x < 10; x++)
        for (int y = 0; y < 10; y++)
            putpixel(object_image, x, y, makecol24(20 * x, 0, 0));
    place_bitmap();
    bitmap_place.centre_x = 2.7;
    draw_bitmap(0, RENDER_FRAME);
    EXPECT_EQ(bitmap_place.ileft, -2);
    // Frame column 0 covers 0.7 of source column 2 and 0.3 of column 3.
    EXPECT_EQ(pixel(0, 100).r, 27 + 18);
}

TEST_F(Bitmap_resampling, Each_contribution_is_truncated_on_its_own)
{
    // At scale 0.3 an output column takes 0.3 + 0.3 + 0.3 + 0.1 of four
    // source columns: 76 + 76 + 76 + 25 instead of 255.
    hold(flat(100, 10, 255, 255, 255));
    dbl_param[D_X_SCALE] = 0.3;
    draw();
    EXPECT_EQ(bitmap_place.iw, 30);
    EXPECT_EQ(pixel(90, 100), (Rgb{253, 253, 253}));
}

TEST_F(Bitmap_resampling, Width_is_squeezed_to_1024_columns)
{
    hold(flat(640, 20, 200, 200, 200));
    dbl_param[D_X_SCALE] = 2;
    dbl_param[D_Y_SCALE] = 1.5;
    int_param[I_BITMAP_X] = 320;
    draw();
    EXPECT_EQ(bitmap_place.iw, 1024);
    EXPECT_DOUBLE_EQ(bitmap_place.sx, 1024.0 / 640);
    EXPECT_EQ(bitmap_place.sw, 1024);
    EXPECT_EQ(bitmap_place.ih, 30);
    // Centred on 320, the picture covers the whole frame width.
    EXPECT_NE(pixel(0, 100), BACK);
    EXPECT_NE(pixel(W - 1, 100), BACK);
}

TEST_F(Bitmap_resampling, Clipped_at_every_edge_without_losing_step)
{
    BITMAP* bmp = create_bitmap_ex(24, 20, 20);
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++)
            putpixel(bmp, x, y, makecol24(10 * x + 1, 10 * y + 1, 7));
    hold(bmp);
    int_param[I_BITMAP_X] = 0;
    int_param[I_BITMAP_Y] = 0;
    draw();
    // The top-left 10 x 10 of the picture is cut off.
    EXPECT_EQ(pixel(0, 0), (Rgb{101, 101, 7}));
    EXPECT_EQ(pixel(9, 9), (Rgb{191, 191, 7}));
    int_param[I_BITMAP_X] = W;
    int_param[I_BITMAP_Y] = H;
    draw();
    EXPECT_EQ(pixel(W - 1, H - 1), (Rgb{91, 91, 7}));
    EXPECT_EQ(pixel(W - 10, H - 10), (Rgb{1, 1, 7}));
}

TEST_F(Bitmap_resampling, Below_one_pixel_wide_nothing_is_drawn)
{
    hold(flat(10, 10, 255, 255, 255));
    dbl_param[D_X_SCALE] = 0.09;
    const auto before = frame_bytes();
    draw();
    EXPECT_EQ(bitmap_place.iw, 0);
    EXPECT_EQ(frame_bytes(), before);
}

// ---------------------------------------------------------------------------

using Bitmap_light_and_black = Bitmap;

TEST_F(Bitmap_light_and_black, Lighting_2_saturates)
{
    hold(flat(8, 8, 200, 200, 200));
    dbl_param[D_BITMAP_LIGHTING] = 2;
    draw();
    EXPECT_EQ(pixel(100, 100), (Rgb{255, 255, 255}));
}

TEST_F(Bitmap_light_and_black, Plot_black_decides_over_dark_pixels)
{
    BITMAP* bmp = flat(4, 4, 0, 0, 0);
    putpixel(bmp, 3, 3, makecol24(1, 1, 0)); // grey level 0 but not black
    hold(bmp);
    draw(1);
    EXPECT_EQ(pixel(98, 98), BACK);
    EXPECT_EQ(pixel(101, 101), BACK);
    draw(0);
    EXPECT_EQ(pixel(98, 98), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(101, 101), (Rgb{1, 1, 0}));
}

TEST_F(Bitmap_light_and_black, Fade_in_with_and_without_plot_black)
{
    hold(flat(4, 4, 180, 90, 30));
    page_frames[PAGE_BITMAP] = {10, 20};
    int_param[I_BITMAP_FADE] = 1;
    dbl_param[D_BITMAP_TRANSPARENCY] = 0.5; // not reached: FLAT at the fade's floor
    rs.i[I_THIS_FRAME] = 10;
    const auto before = frame_bytes();
    draw(1);
    EXPECT_EQ(frame_bytes(), before);
    // PLOT BLACK on: the picture's area shows black at the START FRAME.
    draw(0);
    EXPECT_EQ(pixel(99, 99), (Rgb{0, 0, 0}));
    // Halfway: half the light, half transparent.
    clear_frame();
    rs.i[I_THIS_FRAME] = 15;
    dbl_param[D_BITMAP_TRANSPARENCY] = 0;
    draw(1);
    EXPECT_EQ(pixel(99, 99), (Rgb{45 + 50, 22 + 50, 7 + 50}));
    rs.i[I_THIS_FRAME] = 20;
    draw(1);
    EXPECT_EQ(pixel(99, 99), (Rgb{180, 90, 30}));
}

TEST_F(Bitmap_light_and_black, Fade_out_ends_invisible)
{
    hold(flat(4, 4, 180, 90, 30));
    page_frames[PAGE_BITMAP] = {10, 20};
    int_param[I_BITMAP_FADE] = 2;
    rs.i[I_THIS_FRAME] = 10;
    draw(1);
    EXPECT_EQ(pixel(99, 99), (Rgb{180, 90, 30}));
    clear_frame();
    const auto before = frame_bytes();
    rs.i[I_THIS_FRAME] = 20;
    draw(1);
    EXPECT_EQ(frame_bytes(), before);
}

TEST_F(Bitmap_light_and_black, Edge_adjust_blends_half_black_edges)
{
    // Rows of black, white, white, black at half scale: each of the two
    // output columns covers two black and two white source pixels.
    BITMAP* bmp = flat(4, 4, 0, 0, 0);
    for (int y = 0; y < 4; y++) {
        putpixel(bmp, 1, y, makecol24(255, 255, 255));
        putpixel(bmp, 2, y, makecol24(255, 255, 255));
    }
    hold(bmp);
    dbl_param[D_X_SCALE] = 0.5;
    dbl_param[D_Y_SCALE] = 0.5;
    draw();
    // Each white contribution is trunc(0.25 x 255) = 63.
    EXPECT_EQ(pixel(99, 99), (Rgb{126, 126, 126}));
    EXPECT_EQ(pixel(100, 100), (Rgb{126, 126, 126}));
    flag_param[F_EDGE_ADJUST] = 1;
    draw();
    // Black weight 0.5: half the colour over half the pixel beneath.
    EXPECT_EQ(pixel(99, 99), (Rgb{63 + 63, 63 + 63, 63 + 63}));
    EXPECT_EQ(pixel(100, 100), (Rgb{63 + 63, 63 + 63, 63 + 63}));
    clear_frame();
    draw();
    EXPECT_EQ(pixel(99, 99), (Rgb{63 + 50, 63 + 50, 63 + 50}));
}

// ---------------------------------------------------------------------------

using Bitmap_transparency = Bitmap;

// A white 20 x 20 picture over grey 100 at (90..109, 90..109).
TEST_F(Bitmap_transparency, Flat_runs_from_opaque_to_invisible)
{
    hold(flat(20, 20, 255, 255, 255));
    draw();
    EXPECT_EQ(pixel(95, 95), (Rgb{255, 255, 255}));
    dbl_param[D_BITMAP_TRANSPARENCY] = 1;
    draw();
    EXPECT_EQ(pixel(95, 95), (Rgb{255, 255, 255})); // what lies beneath now
    clear_frame();
    draw();
    EXPECT_EQ(pixel(95, 95), BACK);
}

TEST_F(Bitmap_transparency, Left_and_right_fade_towards_their_side)
{
    hold(flat(20, 20, 255, 255, 255));
    dbl_param[D_BITMAP_TRANSPARENCY] = 1; // not consulted
    int_param[I_TRANS_FUNCTION] = 1;
    draw();
    EXPECT_EQ(pixel(90, 100), BACK);                   // first column clear
    EXPECT_EQ(pixel(95, 100), (Rgb{177, 177, 177}));   // T = 0.5
    EXPECT_EQ(pixel(100, 100), (Rgb{255, 255, 255}));  // middle column opaque
    EXPECT_EQ(pixel(109, 100), (Rgb{255, 255, 255}));

    hold(flat(20, 20, 255, 255, 255));
    int_param[I_TRANS_FUNCTION] = 2;
    int_param[I_BITMAP_X] = 300;
    draw();
    EXPECT_EQ(pixel(290, 100), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(300, 100), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(309, 100), (Rgb{115, 115, 115})); // T = 0.9
}

TEST_F(Bitmap_transparency, Top_and_bottom_fade_towards_their_side)
{
    hold(flat(20, 20, 255, 255, 255));
    int_param[I_TRANS_FUNCTION] = 3;
    draw();
    EXPECT_EQ(pixel(100, 90), BACK);
    EXPECT_EQ(pixel(100, 95), (Rgb{177, 177, 177}));
    EXPECT_EQ(pixel(100, 100), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(100, 109), (Rgb{255, 255, 255}));

    int_param[I_TRANS_FUNCTION] = 4;
    int_param[I_BITMAP_Y] = 300;
    draw();
    EXPECT_EQ(pixel(100, 290), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(100, 300), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(100, 309), (Rgb{115, 115, 115}));
}

TEST_F(Bitmap_transparency, Pixel_function_lets_dark_colours_through)
{
    BITMAP* bmp = flat(4, 4, 255, 255, 255);
    putpixel(bmp, 0, 0, makecol24(3, 3, 3));
    hold(bmp);
    int_param[I_TRANS_FUNCTION] = 5;
    draw();
    // White: T = 1 - 765/768, almost opaque.
    EXPECT_EQ(pixel(100, 100), (Rgb{254, 254, 254}));
    // (3, 3, 3): T = 1 - 9/768, almost all background.
    EXPECT_EQ(pixel(98, 98), (Rgb{98 + 0, 98, 98}));
}

// ---------------------------------------------------------------------------

using Bitmap_placement = Bitmap;

TEST_F(Bitmap_placement, At_rest_the_picture_keeps_centre_and_scale)
{
    hold(flat(30, 16, 1, 2, 3));
    dbl_param[D_X_SCALE] = 1.5;
    dbl_param[D_Y_SCALE] = 0.5;
    int_param[I_BITMAP_TRAVEL] = 2;
    for (int frame : {0, 5, 900}) {
        rs.i[I_THIS_FRAME] = frame;
        place_bitmap();
        EXPECT_EQ(bitmap_place.centre_x, 100);
        EXPECT_EQ(bitmap_place.centre_y, 100);
        EXPECT_EQ(bitmap_place.sx, 1.5);
        EXPECT_EQ(bitmap_place.sy, 0.5);
        EXPECT_EQ(bitmap_place.iw, 45);
        EXPECT_EQ(bitmap_place.ih, 8);
    }
    EXPECT_EQ(overlay.image_w, 30);
    EXPECT_EQ(overlay.image_h, 16);
    EXPECT_EQ(overlay.plot_w, 45);
    EXPECT_EQ(overlay.plot_h, 8);
    EXPECT_EQ(overlay.plot_x, 100);
    EXPECT_EQ(overlay.scale, 1.5);
}

TEST_F(Bitmap_placement, Receding_on_the_centre_column_shrinks)
{
    hold(flat(40, 40, 1, 2, 3));
    int_param[I_BITMAP_X] = W / 2;
    dbl_param[D_TRAVEL_DISTANCE] = 10; // per frame, linear
    rs.i[I_THIS_FRAME] = 10;
    place_bitmap();
    EXPECT_EQ((int)bitmap_place.centre_x, W / 2);
    EXPECT_DOUBLE_EQ(bitmap_place.sx, 100.0 / 200);
    EXPECT_DOUBLE_EQ(bitmap_place.sy, 100.0 / 200);
    EXPECT_EQ(bitmap_place.iw, 20);
}

TEST_F(Bitmap_placement, Perspective_without_travel_keeps_the_centre)
{
    hold(flat(40, 40, 1, 2, 3));
    flag_param[F_X_PERSPECTIVE] = 1;
    dbl_param[D_TRAVEL_DISTANCE] = 3;
    for (int x : {20, 300, 630}) {
        int_param[I_BITMAP_X] = x;
        place_bitmap();
        EXPECT_NEAR(bitmap_place.centre_x, x, 1e-6);
        EXPECT_NEAR(bitmap_place.centre_y, 100, 1e-6);
        EXPECT_NEAR(bitmap_place.sx, 1, 1e-12);
    }
}

TEST_F(Bitmap_placement, Nothing_is_drawn_at_or_behind_the_viewer)
{
    hold(flat(10, 10, 255, 255, 255));
    const auto before = frame_bytes();
    dbl_param[D_BITMAP_DISTANCE] = 0;
    draw();
    EXPECT_EQ(frame_bytes(), before);
    dbl_param[D_TRAVEL_DISTANCE] = 2;
    rs.i[I_THIS_FRAME] = 3;
    draw();
    EXPECT_EQ(frame_bytes(), before);
    // Approaching past the viewer without X PERSPECTIVE: depth 100 - 150.
    dbl_param[D_BITMAP_DISTANCE] = 100;
    dbl_param[D_TRAVEL_DISTANCE] = 30;
    dbl_param[D_TRAVEL_ANGLE] = 180;
    rs.i[I_THIS_FRAME] = 5;
    dbl_param[D_X_SCALE] = -1; // would turn the size positive again
    dbl_param[D_Y_SCALE] = -1;
    draw();
    EXPECT_EQ(frame_bytes(), before);
}

TEST_F(Bitmap_placement, Replay_only_and_no_image_paint_nothing)
{
    hold(flat(10, 10, 255, 255, 255));
    const auto before = frame_bytes();
    replay_only = true;
    draw();
    EXPECT_EQ(frame_bytes(), before);
    EXPECT_EQ(bitmap_place.ileft, 95);
    EXPECT_EQ(bitmap_place.itop, 95);
    replay_only = false;
    hold(nullptr);
    draw();
    EXPECT_EQ(frame_bytes(), before);
}

} // namespace
