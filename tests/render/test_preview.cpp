// Previews: PREVIEW of the whole list at THIS FRAME, the PREVIEW DEBUG boxes
// and F2 VIEW of one page's settings.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../planets/test_planet_scene.h"
#include "planets/planets.h"       // Required for: topology, topology_loaded
#include "render/render.h"         // Required for: page_preview, preview_all
#include "render_test.h"
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH
#include "ui/ui.h"                 // Required for: screen_buffer, screen_colours
#include "test_support.h"

using namespace render_test;

namespace {

class Preview : public ::testing::Test {
protected:
    ScratchDir dir;
    int old_depth = 8;
    BITMAP* target = nullptr;

    void SetUp() override
    {
        old_depth = get_color_depth();
        set_color_depth(24);
        clear_store();
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        target = create_bitmap_ex(24, W, H);
        ASSERT_NE(target, nullptr);
        clear_to_color(target, makecol(255, 255, 255)); // anything drawn over it shows
        preview_target = target, present_preview = nullptr;
        int_param[I_END_FRAME] = 10, dbl_param[D_PIXELS_PER_DEGREE] = 10.0;
        flag_param[F_PREVIEW_RGB] = 1;
        for (int p = 0; p < MENU_PAGES; p++)
            page_frames[p] = {0, 10};
    }
    void TearDown() override
    {
        preview_target = nullptr, preview_colours = nullptr;
        screen_buffer = nullptr;
        if (target)
            destroy_bitmap(target);
        memset(&topology, 0, sizeof topology);
        topology_loaded = 0;
        set_color_depth(old_depth);
    }

    // A planet of diameter 11 in the middle, from a one-colour map.
    void add_planet(int start, int end, double distance)
    {
        planet_scene::install_topology({planet_scene::plain_map("GREY", 2, 8, 8, 1)}, {});
        int_param[I_PLANET_NUMBER] = 0, int_param[I_PLANET_X] = W / 2, int_param[I_PLANET_Y] = H / 2;
        dbl_param[D_PLANET_DIAMETER] = 11.0, dbl_param[D_POLAR_ANGLE] = 90.0, dbl_param[D_PHASE] = 180.0;
        dbl_param[D_OBLATE] = dbl_param[D_SHADING] = dbl_param[D_PLANET_LIGHTING] = 1.0;
        dbl_param[D_REF_DISTANCE] = distance;
        page_frames[PAGE_PLANET] = {start, end};
        ASSERT_GE(insert_object(PAGE_PLANET), 0);
    }
    // Preview pixels of one colour in columns x0 and on.
    int count_pixels(int colour, int x0 = 0)
    {
        int n = 0;
        for (int y = 0; y < H; y++)
            for (int x = x0; x < W; x++)
                n += getpixel(target, x, y) == colour;
        return n;
    }
};

using Scene_preview = Preview;
using Debug_overlay = Preview;
using Page_view = Preview;

TEST_F(Scene_preview, an_empty_list_shows_black_or_only_the_backdrop)
{
    auto frame_colour = [] {
        int r, g, b;
        get_frame_pixel(5, 5, &r, &g, &b);
        return makecol(r, g, b);
    };
    EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), 0);
    EXPECT_EQ(count_pixels(0), W * H);
    EXPECT_EQ(frame_colour(), 0);
    EXPECT_TRUE(prompt_log.empty());

    write_file_bytes("BACK.TGA", plain_tga(W, H, 200, 100, 50));
    strcpy(str_param[S_BACKDROP], "BACK.TGA");
    screen_buffer = target; // the backdrop loader paints its preview there
    preview_colours = screen_colours;
    apply_parameters();     // as PREVIEW does first
    EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), 0);
    EXPECT_EQ(frame_colour(), makecol(200, 100, 50));
    EXPECT_EQ(count_pixels(makecol(200, 100, 50)), W * H);
}

TEST_F(Scene_preview, a_missing_backdrop_or_bitmap_image_abandons_the_preview)
{
    add_sky(120, 0, 10, 1000.0);
    strcpy(str_param[S_BACKDROP], "NONE.TGA");
    EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), RESULT_ABANDON);
    EXPECT_EQ(count_pixels(0), W * H); // cleared, and the sky never drawn
    EXPECT_EQ(prompt_log, std::vector<std::string>{"Error reading NONE.TGA file."});
    prompt_log.clear();
    str_param[S_BACKDROP][0] = 0;
    strcpy(str_param[S_BITMAP_FILE], "NOSHIP.TGA");
    dbl_param[D_BITMAP_DISTANCE] = 10.0;
    ASSERT_GE(insert_object(PAGE_BITMAP), 0);
    EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), RESULT_ABANDON);
    EXPECT_EQ(prompt_log, std::vector<std::string>{"Error reading NOSHIP.TGA file."});
}

TEST_F(Scene_preview, objects_outside_their_frames_are_neither_drawn_nor_boxed)
{
    add_sky(120, 3, 5, 1000.0);
    add_planet(7, 10, 100.0);
    flag_param[F_PREVIEW_DEBUG] = 1;
    for (int frame : {2, 3, 5, 6}) { // the sky's START and END FRAME included
        int_param[I_THIS_FRAME] = frame;
        EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), 0);
        EXPECT_EQ(count_pixels(frame == 2 || frame == 6 ? 0 : makecol(120, 120, 120)), W * H) << frame;
    }
    EXPECT_TRUE(prompt_log.empty());
}

TEST_F(Debug_overlay, a_planet_and_a_free_ring_get_a_box_the_sky_and_a_locked_ring_none)
{
    add_sky(120, 0, 10, 1000.0);
    add_planet(0, 10, 100.0);
    planet_scene::install_topology({planet_scene::plain_map("GREY", 2, 8, 8, 1)},
                                   {planet_scene::plain_map("BAND", 14, 8, 8, 2)});
    int_param[I_RING_WIDTH] = 30, int_param[I_RING_HEIGHT] = 10;
    int_param[I_RING_X] = W / 2, int_param[I_RING_Y] = H / 2;
    dbl_param[D_RING_LIGHTING] = 1.0, dbl_param[D_REF_DISTANCE] = 50.0;
    ASSERT_GE(insert_object(PAGE_RING), 0);
    int_param[I_PLANET_LOCK] = 7; // locked to a slot that holds no planet
    dbl_param[D_REF_DISTANCE] = 40.0;
    ASSERT_GE(insert_object(PAGE_RING), 0);
    flag_param[F_PREVIEW_DEBUG] = 1;
    EXPECT_EQ(preview_all(RENDER_FRAME | RENDER_PREVIEW), 0);
    ASSERT_EQ(prompt_log.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(prompt_log.begin(), prompt_log.begin() + 4),
              std::vector<std::string>({"Planet  P0 GREY", "FR 0-10 dist 100.00, travel   0.00",
                                        "plot 11 x 11 at  32.0,  24.0", "Ring  Ring"}));
    EXPECT_EQ(prompt_log[4].rfind("FR 0-10 dist  50.00", 0), 0u) << prompt_log[4];
    // The planet was drawn after its box.
    EXPECT_LT(count_pixels(makecol(120, 120, 120)), W * H);
}

TEST_F(Page_view, sky_shows_the_no_stars_notice_only_without_stars)
{
    // A preview as tall as the notice, so its text lands inside.
    destroy_bitmap(target);
    target = create_bitmap_ex(24, 320, 48);
    preview_target = target;
    int_param[I_FADE_TYPE] = 2, int_param[I_COLOUR_ONE] = int_param[I_COLOUR_TWO] = 120;
    int_param[I_END_X] = W - 1, int_param[I_END_Y] = H - 1;
    auto notice_pixels = [&]() {
        int n = 0;
        for (int y = 20; y < 20 + text_height(font); y++)
            for (int x = 22; x < 22 + text_length(font, "(No stars - STARS ENABLE is OFF)"); x++)
                n += getpixel(target, x, y) == 200;
        return n;
    };
    page_preview(PAGE_SKY);
    EXPECT_EQ(getpixel(target, 2, 2), makecol(120, 120, 120));
    EXPECT_GT(notice_pixels(), 20);
    int_param[I_FADE_TYPE] = 0, int_param[I_STARS] = 1;
    page_preview(PAGE_SKY);
    EXPECT_EQ(notice_pixels(), 0);
}

TEST_F(Page_view, the_render_settings_follow_what_was_just_edited)
{
    // A comet across x = 32, drawn whole in a 64-pixel frame.
    dbl_param[D_COMET_DIAMETER] = 16.0, dbl_param[D_REF_DISTANCE] = 100.0;
    dbl_param[D_COMET_ASPECT] = dbl_param[D_ILLUMINATION] = 1.0;
    int_param[I_MID_COLOUR] = 250, int_param[I_EDGE_COLOUR] = 200;
    int_param[I_COMET_X] = 32, int_param[I_COMET_Y] = 24;
    apply_parameters();
    page_preview(PAGE_COMET);
    ASSERT_LT(count_pixels(0, 33), (W - 33) * H);
    // WIDTH edited on the page after it was entered: the view uses it.
    int_param[I_WIDTH] = 32;
    page_preview(PAGE_COMET);
    EXPECT_EQ(rs.i[I_WIDTH], 32);
    EXPECT_EQ(count_pixels(0, 32), (W - 32) * H);
}

} // namespace
