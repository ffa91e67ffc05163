// Bitmap objects: placement, the box resampler, lighting, fades and the six
// transparency functions, black handling.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstring>
#include <ostream>
#include <vector>

#include "images/images.h" // Required for: bitmap_place, draw_bitmap, object_image
#include "store/canvas.h"  // Required for: RENDER_FRAME, frame_buffer, replay_only
#include "store/store.h"   // Required for: D_BITMAP_DISTANCE, D_BITMAP_LIGHTING, D_BITMAP_TRANSPARENCY
#include "store/surface.h" // Required for: image_height, image_width
#include "test_support.h"

namespace {

constexpr int W = 640, H = 480, BG = 100;

const Rgb BACK{BG, BG, BG}, WHITE{255, 255, 255};
Rgb grey(int v) { return {v, v, v}; }

// A bitmap object at rest at (100, 100), scale 1, LIGHTING 1, opaque, over grey 100.
class Bitmap : public ::testing::Test {
protected:
    void SetUp() override
    {
        fresh_render_state(W, H);
        ASSERT_NE(frame_buffer, nullptr);
        page_frames[PAGE_BITMAP] = {0, 10};
        dbl_param[D_PIXELS_PER_DEGREE] = 5, dbl_param[D_BITMAP_DISTANCE] = 100;
        dbl_param[D_X_SCALE] = dbl_param[D_Y_SCALE] = dbl_param[D_BITMAP_LIGHTING] = 1;
        int_param[I_BITMAP_X] = int_param[I_BITMAP_Y] = 100;
        fill_frame(BACK);
    }
    void TearDown() override { replay_only = false, hold(nullptr); }

    // Makes bmp the held object image (the previous one is destroyed).
    static void hold(BITMAP* bmp)
    {
        if (object_image)
            destroy_bitmap(object_image);
        object_image = bmp;
        image_width = bmp ? bmp->w : 0, image_height = bmp ? bmp->h : 0;
    }
    // A w x h picture of colour(x, y) (a 24-bit colour) at the given depth.
    template <class F> static BITMAP* picture(int w, int h, F colour, int depth = 24)
    {
        BITMAP* bmp = create_bitmap_ex(depth, w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const int c = colour(x, y);
                putpixel(bmp, x, y, makecol_depth(depth, getr24(c), getg24(c), getb24(c)));
            }
        return bmp;
    }
    static BITMAP* flat(int w, int h, int r, int g, int b) { return picture(w, h, [=](int, int) { return makecol24(r, g, b); }); }
    // Draws; true when any pixel of the frame changed.
    static bool draw(int skip_black = 0)
    {
        std::vector<uint8_t> before;
        for (int y = 0; y < H; y++)
            before.insert(before.end(), frame_buffer->line[y], frame_buffer->line[y] + 3 * W);
        place_bitmap();
        draw_bitmap(skip_black, RENDER_FRAME);
        for (int y = 0; y < H; y++)
            if (memcmp(frame_buffer->line[y], &before[3 * W * y], 3 * W))
                return true;
        return false;
    }
};

using Bitmap_resampling = Bitmap;

TEST_F(Bitmap_resampling, scale_one_copies_every_depth_exactly)
{
    for (int depth : {15, 16, 24, 32}) {
        BITMAP* bmp = picture(38, 24, [](int x, int y) {
            const uint32_t v = (uint32_t)(x * 2654435761u + y * 40503u) >> 7;
            return (x + y) % 7 == 0 ? 0 : makecol24(v & 255, (v >> 8) & 255, (v >> 16) & 255); // some pure black
        }, depth);
        hold(bmp);
        fill_frame(BACK);
        draw();
        // Centre (100, 100): the picture spans columns 81..118, rows 88..111.
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 38; x++) {
                const int c = getpixel(bmp, x, y);
                ASSERT_EQ(pixel(81 + x, 88 + y), (Rgb{getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c)}))
                    << depth << ": " << x << "," << y;
            }
        EXPECT_TRUE(pixel(80, 88) == BACK && pixel(119, 111) == BACK && pixel(81, 112) == BACK);
    }
    // 8-bit pictures take their colours from the work palette (6 bits a channel).
    BITMAP* bmp = create_bitmap_ex(8, 2, 2);
    clear_to_color(bmp, 20);
    putpixel(bmp, 0, 0, 10);
    work_palette[10] = RGB{63, 10, 5, 0};
    work_palette[20] = RGB{1, 2, 60, 0};
    hold(bmp);
    draw();
    EXPECT_EQ(pixel(99, 99), (Rgb{252, 40, 20}));
    EXPECT_EQ(pixel(100, 100), (Rgb{4, 8, 240}));
}

TEST_F(Bitmap_resampling, edge_coverage_and_separately_truncated_contributions)
{
    hold(flat(10, 10, 100, 60, 20));
    place_bitmap();
    bitmap_place.centre_x = 4.7; // left edge at -0.3: frame column 0 has coverage 1.3
    draw_bitmap(0, RENDER_FRAME);
    EXPECT_EQ(bitmap_place.ileft, 0);
    EXPECT_EQ(pixel(0, 100), (Rgb{130, 78, 26}));
    // Column 1 takes a hair below 0.7 (the edge went through single precision)
    // and 0.3, each truncated: a unit darker than the flat colour.
    EXPECT_EQ(pixel(1, 100), (Rgb{69 + 30, 41 + 18, 13 + 6}));

    hold(picture(10, 10, [](int x, int) { return makecol24(20 * x, 0, 0); }));
    place_bitmap();
    bitmap_place.centre_x = 2.7; // left edge at -2.3: first column at -2, coverage 1.3
    draw_bitmap(0, RENDER_FRAME);
    EXPECT_EQ(bitmap_place.ileft, -2);
    EXPECT_EQ(pixel(0, 100).r, 27 + 18) << "0.7 of source column 2, 0.3 of column 3";

    // Scale 0.3: 0.3 + 0.3 + 0.3 + 0.1 of four white columns: 76 + 76 + 76 + 25.
    hold(flat(100, 10, 255, 255, 255));
    dbl_param[D_X_SCALE] = 0.3;
    draw();
    EXPECT_EQ(bitmap_place.iw, 30);
    EXPECT_EQ(pixel(90, 100), grey(253));
    hold(flat(10, 10, 255, 255, 255));
    dbl_param[D_X_SCALE] = 0.09; // below one pixel wide: nothing
    EXPECT_FALSE(draw());
}

TEST_F(Bitmap_resampling, width_is_capped_at_1024)
{
    hold(flat(640, 20, 200, 200, 200));
    dbl_param[D_X_SCALE] = 2, dbl_param[D_Y_SCALE] = 1.5;
    int_param[I_BITMAP_X] = 320;
    draw();
    EXPECT_EQ(bitmap_place.iw, 1024);
    EXPECT_DOUBLE_EQ(bitmap_place.sx, 1024.0 / 640);
    EXPECT_EQ(bitmap_place.ih, 30);
    EXPECT_FALSE(pixel(0, 100) == BACK) << "centred on 320, the picture covers the frame's width";
    EXPECT_FALSE(pixel(W - 1, 100) == BACK);
}

using Bitmap_light_and_black = Bitmap;

TEST_F(Bitmap_light_and_black, lighting_2_saturates_and_plot_black_decides)
{
    hold(flat(8, 8, 200, 200, 200));
    dbl_param[D_BITMAP_LIGHTING] = 2;
    draw();
    EXPECT_EQ(pixel(100, 100), WHITE);
    // Lit past the 32-bit range, green becomes the lowest integer and the three
    // channels sum to 0: no blend, so red and blue only meet the final limit.
    hold(flat(8, 8, 64, 128, 64));
    dbl_param[D_BITMAP_LIGHTING] = 16777216;
    draw();
    EXPECT_EQ(pixel(100, 100), (Rgb{255, 0, 255}));
    BITMAP* bmp = flat(4, 4, 0, 0, 0);
    putpixel(bmp, 3, 3, makecol24(1, 1, 0)); // grey level 0 but not black
    hold(bmp);
    dbl_param[D_BITMAP_LIGHTING] = 1;
    fill_frame(BACK);
    EXPECT_FALSE(draw(1));
    draw(0);
    EXPECT_EQ(pixel(98, 98), grey(0));
    EXPECT_EQ(pixel(101, 101), (Rgb{1, 1, 0}));
}

TEST_F(Bitmap_light_and_black, a_faded_out_picture_shows_black_only_with_plot_black)
{
    hold(flat(4, 4, 180, 90, 30));
    page_frames[PAGE_BITMAP] = {10, 20};
    int_param[I_BITMAP_FADE] = 1;
    dbl_param[D_BITMAP_TRANSPARENCY] = 0.5; // not reached: FLAT at the fade's floor
    rs.i[I_THIS_FRAME] = 10;
    EXPECT_FALSE(draw(1));
    draw(0);
    EXPECT_EQ(pixel(99, 99), grey(0)) << "PLOT BLACK on shows the faded-out picture black";
}

using Bitmap_transparency = Bitmap;

TEST_F(Bitmap_transparency, each_function_at_its_ends)
{
    // {function, TRANSPARENCY, x, y, colour}: a white 20 x 20 picture at
    // (90..109, 90..109) over grey 100.
    struct Case {
        int function;
        double t;
        int x, y;
        Rgb want;
    } cases[] = {{0, 0, 95, 95, WHITE},     {0, 1, 95, 95, BACK},      // FLAT
                 {1, 1, 90, 100, BACK},     {1, 1, 95, 100, grey(177)}, // LEFT, T = 0.5 at 95
                 {2, 0, 109, 100, grey(115)}, {3, 0, 100, 90, BACK}, {4, 0, 100, 109, grey(115)}}; // RIGHT, TOP, BOTTOM
    hold(flat(20, 20, 255, 255, 255));
    for (const Case& c : cases) {
        int_param[I_TRANS_FUNCTION] = c.function, dbl_param[D_BITMAP_TRANSPARENCY] = c.t;
        fill_frame(BACK);
        draw();
        EXPECT_EQ(pixel(c.x, c.y), c.want) << c.function << " at " << c.x << "," << c.y;
    }
    // PIXEL: white is almost opaque (T = 1 - 765/768), (3, 3, 3) almost clear.
    BITMAP* bmp = flat(4, 4, 255, 255, 255);
    putpixel(bmp, 0, 0, makecol24(3, 3, 3));
    hold(bmp);
    int_param[I_TRANS_FUNCTION] = 5;
    fill_frame(BACK);
    draw();
    EXPECT_EQ(pixel(100, 100), grey(254));
    EXPECT_EQ(pixel(98, 98), grey(98));
}

using Bitmap_placement = Bitmap;

TEST_F(Bitmap_placement, nothing_is_drawn_at_or_behind_the_viewer_nor_replayed)
{
    hold(flat(10, 10, 255, 255, 255));
    dbl_param[D_BITMAP_DISTANCE] = 0;
    EXPECT_FALSE(draw());
    dbl_param[D_TRAVEL_DISTANCE] = 2, rs.i[I_THIS_FRAME] = 3;
    EXPECT_FALSE(draw());
    // Approaching past the viewer: depth 100 - 150; negative scales would
    // turn the size positive again.
    dbl_param[D_BITMAP_DISTANCE] = 100, dbl_param[D_TRAVEL_DISTANCE] = 30, dbl_param[D_TRAVEL_ANGLE] = 180;
    rs.i[I_THIS_FRAME] = 5, dbl_param[D_X_SCALE] = dbl_param[D_Y_SCALE] = -1;
    EXPECT_FALSE(draw());
    dbl_param[D_TRAVEL_DISTANCE] = 0, dbl_param[D_X_SCALE] = dbl_param[D_Y_SCALE] = 1;
    replay_only = true;
    EXPECT_FALSE(draw());
    EXPECT_EQ(bitmap_place.ileft, 95);
    replay_only = false;
    hold(nullptr);
    EXPECT_FALSE(draw());
}

} // namespace
