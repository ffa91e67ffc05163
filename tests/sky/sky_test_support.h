// Shared set-up of the sky tests: a frame of known size, a small colour table.
#pragma once
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "planets/planets.h"
#include "render/render.h"
#include "scene/scene.h"
#include "shell/shell.h"
#include "sky/sky.h"

struct RGB3 {
    int r, g, b;
    bool operator==(const RGB3& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const RGB3& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const RGB3& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline RGB3 frame_pixel(int x, int y)
{
    RGB3 c;
    get_frame_pixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

inline void fill_frame(int r, int g, int b)
{
    for (int y = 0; y < frame_buffer->h; y++)
        for (int x = 0; x < frame_buffer->w; x++)
            put_frame_pixel(x, y, r, g, b);
}

inline void set_table(int index, int r, int g, int b)
{
    colour_table[index][0] = (uint8_t)r;
    colour_table[index][1] = (uint8_t)g;
    colour_table[index][2] = (uint8_t)b;
}

// A 640 x 480 frame of black, a sky with no fade and no stars, frame 0.
class SkyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!frame_buffer || frame_buffer->w != 640) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        clear_to_color(frame_buffer, 0);
        memset(int_param, 0, sizeof int_param);
        memset(dbl_param, 0, sizeof dbl_param);
        memset(flag_param, 0, sizeof flag_param);
        int_param[I_WIDTH] = 640;
        int_param[I_HEIGHT] = 480;
        int_param[I_START_X] = 0;
        int_param[I_END_X] = 639;
        int_param[I_START_Y] = 0;
        int_param[I_END_Y] = 479;
        int_param[I_COLOUR_ONE] = 1;
        int_param[I_COLOUR_TWO] = 2;
        dbl_param[D_ASPECT] = 1.0;
        dbl_param[D_PIXELS_PER_DEGREE] = 1.0;
        dbl_param[D_BRIGHTNESS] = 1.0;
        page_frames[PAGE_SKY].start = 0;
        page_frames[PAGE_SKY].end = 100;
        set_table(1, 0, 0, 0);
        set_table(2, 255, 255, 255);
        replay_only = false;
        preview_target = nullptr;
        apply_parameters();
    }
    void TearDown() override
    {
        replay_only = false;
        if (preview_target) {
            destroy_bitmap(preview_target);
            preview_target = nullptr;
        }
    }
    void frame_size(int w, int h)
    {
        int_param[I_WIDTH] = w;
        int_param[I_HEIGHT] = h;
        apply_parameters();
    }
};
