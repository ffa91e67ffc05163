// Shared set-up of the driver and preview tests: a cleared store with a
// 64 x 48 frame, whole-frame sky objects and one-colour TGA pictures.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/shell.h"   // Required for: insert_object
#include "store/canvas.h"  // Required for: create_frame_buffer, frame_buffer, replay_only
#include "store/prompt.h"  // Required for: console_ok_key, prompt_log
#include "store/records.h" // Required for: clear_objects
#include "store/store.h"   // Required for: I_COLOUR_ONE, I_FADE_TYPE, page_frames
#include "store/surface.h" // Required for: colour_table

namespace render_test {

constexpr int W = 64, H = 48;

// Every parameter 0 but a 64 x 48 frame at aspect 1, a grey Colour table
// (entry i is (i, i, i)), an empty list, questions answered with Enter.
inline void clear_store()
{
    if (!frame_buffer || frame_buffer->w != 640) {
        ASSERT_EQ(create_frame_buffer(640), 0);
    }
    memset(int_param, 0, sizeof int_param), memset(dbl_param, 0, sizeof dbl_param);
    memset(flag_param, 0, sizeof flag_param), memset(str_param, 0, sizeof str_param);
    int_param[I_WIDTH] = W, int_param[I_HEIGHT] = H;
    dbl_param[D_ASPECT] = 1.0;
    for (int i = 0; i < 256; i++)
        colour_table[i][0] = colour_table[i][1] = colour_table[i][2] = (uint8_t)i;
    clear_objects();
    console_ok_key = 13, replay_only = false;
    prompt_log.clear();
}

// A sky object painting the whole frame grey `colour` (POLAR, both ends the
// same table entry, no stars) over frames start..end, at a sort distance.
inline int add_sky(int colour, int start, int end, double distance)
{
    int_param[I_FADE_TYPE] = 2, int_param[I_STARS] = 0;
    int_param[I_COLOUR_ONE] = int_param[I_COLOUR_TWO] = colour;
    int_param[I_START_X] = int_param[I_START_Y] = 0, int_param[I_END_X] = W - 1, int_param[I_END_Y] = H - 1;
    dbl_param[D_REF_DISTANCE] = distance;
    page_frames[PAGE_SKY] = {start, end};
    return insert_object(PAGE_SKY);
}

// A 24-bit TGA of w x h (under 256) in one colour, top row first.
inline std::vector<uint8_t> plain_tga(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (uint8_t)w, 0, (uint8_t)h, 0, 24, 32};
    for (int i = 0; i < w * h; i++)
        t.insert(t.end(), {b, g, r});
    return t;
}

} // namespace render_test
