// Shared set-up of the sky tests: a 640 x 480 frame, a two-entry colour table.
#pragma once
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/angles.h" // Required for: DEG2RAD
#include "sky/sky.h"         // Required for: STAR_RECORDS, STAR_RECORD_SIZE
#include "store/canvas.h"    // Required for: apply_parameters, create_frame_buffer, frame_buffer
#include "store/store.h"     // Required for: D_ASPECT, D_BRIGHTNESS, D_PIXELS_PER_DEGREE
#include "test_support.h"

// A star of a test catalogue, in degrees; written as radians in floats.
struct StarDeg {
    double lon, lat;
    int r, g, b;
};

// The bytes of starcats.bin holding these stars under this count field.
inline std::vector<uint8_t> catalogue_bytes(const std::vector<StarDeg>& stars, int count_field = STAR_RECORDS)
{
    std::vector<uint8_t> bytes = {(uint8_t)(count_field & 255), (uint8_t)((count_field >> 8) & 255)};
    for (const StarDeg& s : stars) {
        float lon = (float)(s.lon * DEG2RAD), lat = (float)(s.lat * DEG2RAD);
        uint8_t rec[STAR_RECORD_SIZE] = {0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)s.r, (uint8_t)s.g, (uint8_t)s.b, 0xEE};
        memcpy(rec, &lon, 4);
        memcpy(rec + 4, &lat, 4);
        bytes.insert(bytes.end(), rec, rec + STAR_RECORD_SIZE);
    }
    return bytes;
}

inline int lit_pixels()
{
    int n = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            n += pixel(x, y) != Rgb{0, 0, 0};
    return n;
}

// Sets START X, START Y, END X, END Y.
inline void set_rect(int x0, int y0, int x1, int y1)
{
    int_param[I_START_X] = x0, int_param[I_START_Y] = y0;
    int_param[I_END_X] = x1, int_param[I_END_Y] = y1;
    apply_parameters();
}

// A black 640 x 480 frame, colour one black and two white, no fade, no stars,
// one pixel per degree, frame 0; a fresh scratch directory.
class SkyTest : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        if (!frame_buffer || frame_buffer->w != 640) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        clear_to_color(frame_buffer, 0);
        memset(int_param, 0, sizeof int_param), memset(dbl_param, 0, sizeof dbl_param);
        memset(flag_param, 0, sizeof flag_param);
        int_param[I_WIDTH] = 640, int_param[I_HEIGHT] = 480;
        int_param[I_COLOUR_ONE] = 1, int_param[I_COLOUR_TWO] = 2;
        dbl_param[D_ASPECT] = dbl_param[D_PIXELS_PER_DEGREE] = dbl_param[D_BRIGHTNESS] = 1.0;
        page_frames[PAGE_SKY] = {0, 100};
        set_colour(1, 0, 0, 0);
        set_colour(2, 255, 255, 255);
        replay_only = false, preview_target = nullptr;
        set_rect(0, 0, 639, 479);
    }
    void TearDown() override
    {
        replay_only = false;
        if (preview_target)
            destroy_bitmap(preview_target);
        preview_target = nullptr;
        set_color_depth(8);
    }
};
