// Value editors driven by scripted keys: limits, refusals, the line
// editor's cursor rules, the co-ordinate parser and the display formats.
#include "ui_test_support.h"

#include "shell/shell.h"

#include <cstring>

using Line_editor = UiScreen;

TEST_F(Line_editor, end_backspace_left_insert)
{
    char text[16] = "12.500000";
    run_script("key End Backspace Left Insert\ntext \"7\"\nkey Enter\n");
    EXPECT_EQ(edit_line(9, 13, text, "+-eE.1234567890", 10), 0);
    EXPECT_STREQ(text, "12.500070");
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Line_editor, a_full_field_refuses_typing_until_a_character_is_deleted)
{
    char text[16] = "abcde";
    // Overwrite mode at position 0 of a full field: 'x' is refused.
    run_script("key x End Delete z Enter\n");
    EXPECT_EQ(edit_line(9, 13, text, "", 5), 0);
    // End on the full field put the cursor on the last character (4), Delete
    // removed it, and z went to the end.
    EXPECT_STREQ(text, "abcdz");
}

TEST_F(Line_editor, insert_mode_and_cursor_keys)
{
    char text[16] = "abc";
    run_script("key Right Right Right Right Insert X Home Y Backspace Left Delete Enter\n");
    EXPECT_EQ(edit_line(9, 13, text, "", 10), 0);
    // Right stops at the end (3); insert X -> abcX; Home, and Y is inserted
    // too -> YabcX; Backspace at 1 -> abcX at 0; Left does nothing; Delete -> bcX.
    EXPECT_STREQ(text, "bcX");
}

TEST_F(Line_editor, accepted_set_and_printable_characters_only)
{
    char text[16] = "";
    run_script("text \"1a-2 .\"\nkey Tab Enter\n");
    EXPECT_EQ(edit_line(9, 13, text, "-1234567890", 10), 0);
    EXPECT_STREQ(text, "1-2");
}

TEST_F(Line_editor, a_long_text_is_cut_to_the_field_and_esc_empties_it)
{
    char text[32] = "ABCDEFGHIJKLMNOPQRST";
    run_script("key Esc\n");
    EXPECT_EQ(edit_string(9, 13, text, "", 14), KC_ESC);
    EXPECT_STREQ(text, "");
    snprintf(text, sizeof text, "ABCDEFGHIJKLMNOPQRST");
    run_script("key Enter\n");
    EXPECT_EQ(edit_string(9, 13, text, "", 14), 0);
    EXPECT_STREQ(text, "ABCDEFGHIJKLMN");
    EXPECT_STREQ(editor_help[1], "up to 14 characters long.");
}

TEST_F(Line_editor, f1_shows_the_help_and_keeps_the_text)
{
    char text[16] = "abc";
    run_script("key F1 Space End d Enter\n");
    EXPECT_EQ(edit_string(9, 13, text, "", 10), 0);
    EXPECT_STREQ(text, "abcd");
    EXPECT_FALSE(script_running());
}

using Whole_editor = UiScreen;

TEST_F(Whole_editor, accepts_exactly_the_limits)
{
    int32_t v = 5;
    run_script("key Delete\ntext \"-3\"\nkey Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, -3, 999), 0);
    EXPECT_EQ(v, -3);
    run_script("key Delete Delete\ntext \"999\"\nkey Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, -3, 999), 0);
    EXPECT_EQ(v, 999);
}

TEST_F(Whole_editor, refuses_out_of_range_and_reopens_with_the_text)
{
    menu_page = PAGE_FILE;
    menu_row = 1;
    int32_t v = 5;
    // 1000 is refused; the OK box takes a key; the field comes back holding
    // "1000" and End, Backspace make it 100.
    run_script("key Delete\ntext \"1000\"\nkey Enter Space End Backspace Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, 0, 999), 0);
    EXPECT_EQ(v, 100);
    EXPECT_STREQ(editor_help[0], "OOPS! START FRAME out of range!");
    EXPECT_STREQ(editor_help[1], "Limits are : 0 to 999 ");
    EXPECT_STREQ(editor_help[2], "Press ESC to Quit.");
    EXPECT_FALSE(script_running());
}

TEST_F(Whole_editor, esc_and_f3_keep_the_old_value)
{
    int32_t v = 5;
    run_script("key Delete 7 Esc\n");
    EXPECT_EQ(edit_whole(9, 13, &v, 0, 999), KC_ESC);
    EXPECT_EQ(v, 5);
    run_script("key Delete 7 F3\n");
    EXPECT_EQ(edit_whole(9, 13, &v, 0, 999), KC_F3);
    EXPECT_EQ(v, 5);
}

TEST_F(Whole_editor, a_lone_minus_reads_zero)
{
    int32_t v = 5;
    run_script("key Delete - Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, -10, 10), 0);
    EXPECT_EQ(v, 0);
}

using Decimal_editor = UiScreen;

TEST_F(Decimal_editor, display_and_limit_formats)
{
    EXPECT_STREQ(decimal_format(1234.5), "%9.1f");
    EXPECT_STREQ(decimal_format(-123.4), "%9.5f");
    EXPECT_STREQ(decimal_format(3.25), "%9.6f");
    EXPECT_STREQ(decimal_format(100.0), "%9.5f");
    EXPECT_STREQ(decimal_format(1000.0), "%9.1f");
    double v = 3.25;
    run_script("key Esc\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -5.0, 1000.0), KC_ESC);
    EXPECT_STREQ(editor_help[1], "Limits : -5.000000 to    1000.0 ");
    run_script("key Esc\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -50.0, 99.0), KC_ESC);
    EXPECT_STREQ(editor_help[1], "Limits : -50.00000 to  99.00000 ");
}

TEST_F(Decimal_editor, accepts_limits_refuses_beyond)
{
    menu_page = PAGE_PLANET;
    menu_row = 3;
    double v = 1.0;
    run_script("key Home\ntext \"90\"\nkey Delete Delete Delete Delete Delete Delete Delete Enter\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_EQ(v, 90.0);
    // 9e1 is 90 as well; 90.5 is refused and then corrected to -90.
    run_script("key Home\ntext \"90.5\"\nkey Delete Delete Delete Delete Delete Enter Esc Home\n"
               "text \"-90.\"\nkey Delete Enter\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_EQ(v, -90.0);
    EXPECT_STREQ(editor_help[0], "OOPS! POLAR ANGLE out of range!");
    EXPECT_FALSE(script_running());
}

TEST(Coordinates, fields_signs_and_the_third_space)
{
    EXPECT_DOUBLE_EQ(parse_coordinate("23.456"), 23.456);
    EXPECT_DOUBLE_EQ(parse_coordinate("23 27.8"), 23 + 27.8 / 60);
    EXPECT_DOUBLE_EQ(parse_coordinate("23 27 42"), 23 + 27.0 / 60 + 42.0 / 3600);
    EXPECT_DOUBLE_EQ(parse_coordinate("-23 27 42"), -(23 + 27.0 / 60 + 42.0 / 3600));
    EXPECT_DOUBLE_EQ(parse_coordinate("23 -27 42"), -(23 + 27.0 / 60 + 42.0 / 3600));
    EXPECT_DOUBLE_EQ(parse_coordinate("23  42"), 23 + 42.0 / 3600);
    EXPECT_DOUBLE_EQ(parse_coordinate("23 27 42 99"), 23 + 27.0 / 60 + 42.0 / 3600);
    EXPECT_DOUBLE_EQ(parse_coordinate("+23"), 23.0);
    EXPECT_DOUBLE_EQ(parse_coordinate(""), 0.0);
}

using Coordinate_editor = UiScreen;

TEST_F(Coordinate_editor, stores_the_parsed_value_and_refuses_with_the_enter_as_line)
{
    double v = 0.0;
    run_script("key Home Delete Delete Delete Delete Delete Delete Delete Delete Delete\n"
               "text \"99 30\"\nkey Enter\nkey Space\nkey End Backspace Backspace Backspace Backspace Backspace\n"
               "text \"-1 30\"\nkey Enter\n");
    EXPECT_EQ(edit_coordinate(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_DOUBLE_EQ(v, -1.5);
    EXPECT_STREQ(editor_help[1], "Limits : -90.00000 to  90.00000 ");
    EXPECT_STREQ(editor_help[2], "Enter as  23.456 or  23 27.8 or  23 27 42");
    EXPECT_STREQ(editor_help[3], "Press ESC to Quit.");
    EXPECT_FALSE(script_running());
}
