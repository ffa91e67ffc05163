// Parameter store: choice lists, the parameter block and the question
// interface.
#include <gtest/gtest.h>

#include <cstring>

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
    choice_list[9].current = 5;            // Average
    advance_choice(9);
    EXPECT_STREQ(choice_list[9].labels[choice_list[9].current], "Small");
    EXPECT_EQ(int_param[I_LIST_FONT], 0);
    // A selection that disagrees with its integer shows until the next advance.
    choice_list[6].current = 2;
    int_param[I_BITMAP_TRAVEL] = 4;
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
    uint8_t block[PARAM_BLOCK_SIZE] = {};
    block[8 + 7] = 0x3F; // dbl_param[1] = 1.5
    block[8 + 6] = 0xF8;
    block[320 + 7] = 0xC0; // dbl_max[0] = -2.0
    block[640 + 39 * 8 + 7] = 0x3F; // dbl_min[39] = 0.25
    block[640 + 39 * 8 + 6] = 0xD0;
    const uint8_t i2[4] = {4, 3, 2, 1}; // int_param[2] = 0x01020304
    memcpy(block + 968, i2, 4);
    block[1120 + 16] = 0xE7; // int_max[4] = 999
    block[1120 + 17] = 0x03;
    memset(block + 1280, 0xFF, 4); // int_min[0] = -1
    block[1440 + 76] = 1; // flag_param[19]
    int_param[0] = 123;
    EXPECT_EQ(read_param_block(block, PARAM_BLOCK_SIZE - 1), -1);
    EXPECT_EQ(int_param[0], 123);
    ASSERT_EQ(read_param_block(block, sizeof block), 0);
    EXPECT_EQ(dbl_param[1], 1.5);
    EXPECT_EQ(dbl_max[0], -2.0);
    EXPECT_EQ(dbl_min[39], 0.25);
    EXPECT_EQ(int_param[2], 0x01020304);
    EXPECT_EQ(int_max[4], 999);
    EXPECT_EQ(int_min[0], -1);
    EXPECT_EQ(flag_param[19], 1);
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
