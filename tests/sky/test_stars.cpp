// Star field from small catalogues of our own: projection, NORTH/SOUTH
// mirrors, column wrapping, the rectangle, twinkle, brightness.
#include "sky_test_support.h"

#include "sky/sky.h"         // Required for: STAR_CHUNK, draw_stars
#include "store/canvas.h"    // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/store.h"     // Required for: D_ASPECT, D_BRIGHTNESS, D_PIXELS_PER_DEGREE

namespace {

class Star_field : public SkyTest {
protected:
    void SetUp() override
    {
        SkyTest::SetUp();
        int_param[I_STARS] = 1; // NORTH
    }
    void write(const std::vector<StarDeg>& stars) { write_file_bytes("starcats.bin", catalogue_bytes(stars)); }
    int draw(int mode = RENDER_FRAME)
    {
        apply_parameters();
        return draw_stars(mode);
    }
};

} // namespace

TEST_F(Star_field, projection_mirrors_scales_and_wrapping)
{
    struct Probe {
        int x, y;
        Rgb want;
    };
    struct Case {
        const char* what;
        std::vector<StarDeg> stars;
        int mode;
        double ppd, aspect, lon, lat;
        int count;
        std::vector<Probe> probes;
    } cases[] = {
        {"SOUTH", {{0.3, 0.3, 200, 0, 0}, {10.3, 0.3, 0, 200, 0}, {0.3, 20.3, 0, 0, 200}}, 2, 1, 1, 0, 0, 3,
         {{320, 240, {200, 0, 0}}, {330, 240, {0, 200, 0}}, {320, 260, {0, 0, 200}}}},
        // hx = trunc(10.3 * 2 * 1.5), vy = trunc(5.3 * 2).
        {"scaled", {{10.3, 5.3, 90, 90, 90}}, 2, 2, 1.5, 0, 0, 1, {{350, 250, {90, 90, 90}}}},
        // The circle is 360 columns, less than the frame: x = -5 + 360.
        {"wrapped once", {{325.3, 0.3, 100, 0, 0}, {100.3, 0.3, 0, 100, 0}}, 1, 1, 1, 0, 0, 2,
         {{355, 240, {100, 0, 0}}, {220, 240, {0, 100, 0}}}},
        {"x = 720 wraps twice to 0", {{0.3, 0.3, 100, 0, 0}}, 2, 1, 1, -400, 0, 1, {{0, 240, {100, 0, 0}}}},
        {"x = 1080 only to 360", {{0.3, 0.3, 100, 0, 0}}, 2, 1, 1, -760, 0, 1, {{360, 240, {100, 0, 0}}}},
        // 720 columns: x = 639 and y = 479 are never filled.
        {"last column and row",
         {{159.8, 0.3, 10, 10, 10}, {159.3, 0.3, 20, 20, 20}, {0.3, 119.8, 30, 30, 30}, {0.3, 119.3, 40, 40, 40}},
         2, 2, 1, 0, 0, 2,
         {{639, 240, {0, 0, 0}}, {638, 240, {20, 20, 20}}, {320, 479, {0, 0, 0}}, {320, 478, {40, 40, 40}}}},
    };
    for (const Case& c : cases) {
        clear_to_color(frame_buffer, 0);
        write(c.stars);
        int_param[I_STARS] = c.mode, dbl_param[D_PIXELS_PER_DEGREE] = c.ppd;
        dbl_param[D_ASPECT] = c.aspect, dbl_param[D_STAR_LONG] = c.lon;
        dbl_param[D_STAR_LAT] = c.lat;
        EXPECT_EQ(draw(), c.count) << c.what;
        int lit = 0;
        for (const Probe& p : c.probes) {
            EXPECT_EQ(pixel(p.x, p.y), p.want) << c.what << " at " << p.x << "," << p.y;
            lit += p.want != Rgb{0, 0, 0};
        }
        EXPECT_EQ(lit_pixels(), lit) << c.what;
    }
}

TEST_F(Star_field, rectangle_limits_the_stars_counted_and_plotted)
{
    write({{0.3, 0.3, 100, 100, 100}, {50.3, 0.3, 100, 100, 100}});
    set_rect(320, 0, 320, 479);
    EXPECT_EQ(draw(), 0);
    set_rect(0, 10, 639, 10);
    EXPECT_EQ(draw(), 0);
    EXPECT_EQ(lit_pixels(), 0);
    set_rect(330, 260, 300, 200); // swapped: holds the centre star only
    EXPECT_EQ(draw(), 1);
    EXPECT_EQ(lit_pixels(), 1);
}

TEST_F(Star_field, stars_only_brighten_and_brightness_is_clamped)
{
    write({{0.3, 0.3, 128, 127, 10}, {10.3, 0.3, 50, 50, 50}});
    fill_frame({60, 60, 60});
    EXPECT_EQ(draw(), 2);
    EXPECT_EQ(pixel(320, 240), (Rgb{128, 127, 60}));
    EXPECT_EQ(pixel(310, 240), (Rgb{60, 60, 60}));
    clear_to_color(frame_buffer, 0);
    dbl_param[D_BRIGHTNESS] = 2.0;
    draw();
    EXPECT_EQ(pixel(320, 240), (Rgb{255, 254, 20}));
}

TEST_F(Star_field, twinkle_by_frame_and_index_within_the_chunk)
{
    // Records 0, 1 and 508 on three columns; the others far above the frame.
    std::vector<StarDeg> stars(STAR_CHUNK + 1, StarDeg{0.3, 300.3, 255, 255, 255});
    stars[0] = {0.3, 0.3, 200, 200, 200};
    stars[1] = {10.3, 0.3, 200, 200, 200};
    stars[STAR_CHUNK] = {20.3, 0.3, 200, 200, 200};
    write(stars);
    dbl_param[D_TWINKLE] = 0.5;
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(pixel(320, 240), (Rgb{200, 200, 200})); // phase 0 at frame 0

    // f = 1 - sin((20 * frame + index) / 100) * twinkle; no drift from the sky start.
    clear_to_color(frame_buffer, 0);
    int_param[I_THIS_FRAME] = page_frames[PAGE_SKY].start = 3;
    draw();
    EXPECT_EQ(pixel(320, 240).r, 143);
    EXPECT_EQ(pixel(310, 240).r, 142);
    EXPECT_EQ(pixel(300, 240).r, 143); // record 508 twinkles with record 0

    // A negative factor plots nothing, even over a backdrop.
    fill_frame({7, 7, 7});
    dbl_param[D_TWINKLE] = 3.0, int_param[I_THIS_FRAME] = page_frames[PAGE_SKY].start = 2;
    EXPECT_EQ(draw(), 3);
    EXPECT_EQ(pixel(320, 240), (Rgb{7, 7, 7}));
}

TEST_F(Star_field, view_drifts_from_the_sky_start_frame)
{
    write({{5.3, 2.3, 100, 100, 100}});
    dbl_param[D_STAR_LONG_INC] = 1.0, dbl_param[D_STAR_LAT_INC] = 0.5;
    page_frames[PAGE_SKY].start = 10;
    int_param[I_START_FRAME] = 0; // the project's start plays no part
    int_param[I_THIS_FRAME] = 15;
    draw();
    EXPECT_EQ(pixel(320, 240), (Rgb{100, 100, 100}));
}

TEST_F(Star_field, preview_and_replay)
{
    write({{0.3, 0.3, 30, 60, 90}, {10.3, 0.3, 0, 0, 0}});
    set_color_depth(24);
    preview_target = create_bitmap_ex(24, 640, 480);
    const int marker = makecol24(1, 2, 3);
    // Preview only: the frame stays black; grey is plotted even for black.
    clear_to_color(preview_target, marker);
    EXPECT_EQ(draw(RENDER_PREVIEW), 2);
    EXPECT_EQ(lit_pixels(), 0);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(60, 60, 60));
    EXPECT_EQ(getpixel(preview_target, 310, 240), makecol24(0, 0, 0));
    // In colour a black star is not plotted.
    clear_to_color(preview_target, marker);
    flag_param[F_PREVIEW_RGB] = 1;
    draw(RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(30, 60, 90));
    EXPECT_EQ(getpixel(preview_target, 310, 240), marker);
    // Both: the preview shows the frame pixel after the maximum.
    fill_frame({100, 0, 0});
    draw(RENDER_FRAME | RENDER_PREVIEW);
    EXPECT_EQ(getpixel(preview_target, 320, 240), makecol24(100, 60, 90));
    // A replay counts the stars and paints nothing.
    clear_to_color(frame_buffer, 0);
    replay_only = true;
    EXPECT_EQ(draw(RENDER_FRAME), 2);
    EXPECT_EQ(lit_pixels(), 0);
}
