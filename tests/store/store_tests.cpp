// Parameter store: choice lists, the parameter block, the question interface, the travel curve.
#include <gtest/gtest.h>
#include <cstring>

#include "store/geometry.h" // Required for: travel_offset
#include "store/prompt.h" // Required for: ask_yes_no, console_ok_key, file_error_prompt
#include "store/store.h"  // Required for: advance_choice, read_param_block, restore_choice

namespace {

TEST(Choice_lists, advance_wraps_and_feeds_the_target)
{
    reset_store();
    EXPECT_EQ(choice_list[1].current, 1); // stars start at North
    EXPECT_EQ(choice_list[9].current, 1); // list font at Normal
    choice_list[2].current = 4;            // Torus
    advance_choice(2);
    EXPECT_STREQ(choice_list[2].labels[choice_list[2].current], "Coma");
    EXPECT_EQ(int_param[I_COMET_TYPE], 0);
    // A selection that disagrees with its integer shows until the next advance.
    choice_list[6].current = 2, int_param[I_BITMAP_TRAVEL] = 4;
    advance_choice(6);
    EXPECT_EQ(int_param[I_BITMAP_TRAVEL], 3);
    // Restoring takes the integer; one that names no label shows the first.
    for (int v : {2, 3, -1}) {
        int_param[I_FADE_TYPE] = v;
        restore_choice(0);
        EXPECT_EQ(choice_list[0].current, v == 2 ? 2 : 0) << v;
    }
}

TEST(Parameter_block, seven_arrays_little_endian_at_their_offsets)
{
    uint8_t block[PARAM_BLOCK_SIZE];
    for (size_t i = 0; i < sizeof block; i++)
        block[i] = (uint8_t)(i * 7 + i / 8); // no two fields alike
    int_param[0] = 123;
    EXPECT_EQ(read_param_block(block, PARAM_BLOCK_SIZE - 1), -1);
    EXPECT_EQ(int_param[0], 123);
    ASSERT_EQ(read_param_block(block, sizeof block), 0);
    auto at = [&](size_t o) {
        return (int32_t)(block[o] | block[o + 1] << 8 | block[o + 2] << 16 | (uint32_t)block[o + 3] << 24);
    };
    const int32_t wholes[][2] = {{int_param[2], at(968)}, {int_max[4], at(1120 + 16)}, {int_min[0], at(1280)},
                                 {flag_param[19], at(1440 + 76)}};
    for (auto& w : wholes)
        EXPECT_EQ(w[0], w[1]) << &w - wholes;
    EXPECT_EQ(memcmp(&dbl_param[1], block + 8, 8), 0); // the host is little-endian too
    EXPECT_EQ(memcmp(&dbl_max[0], block + 320, 8), 0);
    EXPECT_EQ(memcmp(&dbl_min[39], block + 640 + 39 * 8, 8), 0);
    uint8_t again[PARAM_BLOCK_SIZE];
    write_param_block(again);
    EXPECT_EQ(memcmp(block, again, sizeof block), 0);
}

int hook_key;
int hook_ok(const char*) { return hook_key; }

TEST(Questions, console_answers_file_errors_and_installed_boxes)
{
    prompt_log.clear();
    EXPECT_EQ(ask_yes_no("Load project %s?", "A.CFG"), 'Y');
    EXPECT_EQ(file_error_prompt(4, "B.TGA"), 27); // Enter is no yes
    console_ok_key = 'y';
    EXPECT_EQ(file_error_prompt(5, "C.CFG"), 0);
    console_ok_key = 13;
    std::vector<std::string> expect = {"Load project A.CFG?", "Cannot find B.TGA file!", "Error writing C.CFG file!"};
    EXPECT_EQ(prompt_log, expect);
    prompt_hooks.ok = hook_ok;
    hook_key = 'Y';
    EXPECT_EQ(file_error_prompt(0, "X"), 0);
    hook_key = 'N';
    EXPECT_EQ(file_error_prompt(0, "X"), 27);
    prompt_hooks.ok = nullptr;
    EXPECT_EQ(prompt_log.back(), "Error reading X file.");
}

} // namespace

namespace {

TEST(Travel_curves, offsets_over_the_range)
{
    struct Case {
        double D;
        int type, start, end, frame;
        double want, tolerance;
    } cases[] = {
        {2.0, 0, 5, 6, 15, 20.0, 0},     // LINEAR: D a frame, whatever the range
        {2.0, 9, 5, 500, 15, 20.0, 0},   // an unknown type is LINEAR
        {8.0, 1, 10, 20, 15, 2.0, 1e-12}, // ACCEL reaches D at the end
        {8.0, 1, 10, 20, 20, 8.0, 1e-12},
        {8.0, 2, 10, 20, 10, 8.0, 0},     // DECEL starts at D, ends at 0
        {8.0, 2, 10, 20, 20, 0.0, 1e-12},
        {3.0, 1, 7, 7, 8, 300.0, 1e-9},   // an empty range counts as a tenth of a frame
        {5.0, 3, 0, 20, 20, -0.0159265, 1e-7}, // the curve is built on 6.28: ends near 0, not at it
    };
    for (const Case& c : cases)
        EXPECT_NEAR(travel_offset(c.D, c.type, c.start, c.end, c.frame), c.want, c.tolerance)
            << c.type << " at " << c.frame;
    EXPECT_EQ(travel_offset(5.0, 4, 0, 20, 5), travel_offset(5.0, 3, 0, 20, 5)); // COSINE = SINE
}

} // namespace
