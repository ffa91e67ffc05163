// Value editors driven by scripted keys: limits, refusals, the line
// editor's cursor rules and the co-ordinate parser.
#include "ui_test_support.h"

#include "store/store.h" // Required for: PAGE_FILE, PAGE_PLANET
#include "ui/ui.h"       // Required for: KC_ESC, KC_F3, edit_coordinate

using Line_editor = UiScreen;

TEST_F(Line_editor, cursor_keys_modes_and_a_full_field)
{
    struct Case {
        const char *start, *script, *accepted;
        int length;
        const char* want;
    } cases[] = {
        {"12.500000", "key End Backspace Left Insert\ntext \"7\"\nkey Enter\n", "+-eE.1234567890", 10,
         "12.500070"},
        // Overwrite at 0 of a full field refuses x; End goes to the last
        // character, Delete frees a place and z goes to the end.
        {"abcde", "key x End Delete z Enter\n", "", 5, "abcdz"},
        {"abcde", "key End Right Backspace Enter\n", "", 5, "abce"}, // Right stays on the last place
        // Right stops at the end; Home; Backspace at 1 deletes Y; Left at 0 stays.
        {"abc", "key Right Right Right Right Insert X Home Y Backspace Left Delete Enter\n", "", 10,
         "bcX"},
        {"", "text \"1a-2 .\"\nkey Tab Enter\n", "-1234567890", 10, "1-2"},
    };
    for (const Case& c : cases) {
        char text[16];
        snprintf(text, sizeof text, "%s", c.start);
        run_script(c.script);
        EXPECT_EQ(edit_line(9, 13, text, c.accepted, c.length), 0) << c.script;
        EXPECT_STREQ(text, c.want) << c.script;
        EXPECT_EQ(script_overruns, 0) << c.script;
    }
}

TEST_F(Line_editor, a_long_text_is_cut_to_the_field_and_esc_empties_it)
{
    char text[32] = "ABCDEFGHIJKLMNOPQRST";
    run_script("key F1 Space Enter\n"); // the help box comes and goes
    EXPECT_EQ(edit_string(9, 13, text, "", 14), 0);
    EXPECT_STREQ(text, "ABCDEFGHIJKLMN");
    run_script("key Esc\n");
    EXPECT_EQ(edit_string(9, 13, text, "", 14), KC_ESC);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(script_running());
}

using Value_editors = UiScreen;

TEST_F(Value_editors, whole_accepts_exactly_the_limits_and_esc_f3_keep_the_old_value)
{
    int32_t v = 5;
    run_script("key Delete\ntext \"-3\"\nkey Enter\nkey Delete Delete\ntext \"999\"\nkey Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, -3, 999), 0);
    EXPECT_EQ(v, -3);
    EXPECT_EQ(edit_whole(9, 13, &v, -3, 999), 0);
    EXPECT_EQ(v, 999);
    for (const char* end : {"Esc", "F3"}) {
        run_script(std::string("key Delete 7 ") + end + "\n");
        EXPECT_EQ(edit_whole(9, 13, &v, 0, 999), end[0] == 'E' ? KC_ESC : KC_F3);
        EXPECT_EQ(v, 999);
    }
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Value_editors, whole_refuses_out_of_range_and_reopens_with_the_text)
{
    menu_page = PAGE_FILE;
    menu_row = 1;
    int32_t v = 5;
    // 1000 is refused; the box takes a key; the field comes back holding
    // "1000" and End, Backspace make it 100.
    run_script("key Delete\ntext \"1000\"\nkey Enter Space End Backspace Enter\n");
    EXPECT_EQ(edit_whole(9, 13, &v, 0, 999), 0);
    EXPECT_EQ(v, 100);
    EXPECT_STREQ(editor_help[0], "OOPS! START FRAME out of range!");
    EXPECT_STREQ(editor_help[1], "Limits are : 0 to 999 ");
    EXPECT_FALSE(script_running());
}

TEST_F(Value_editors, decimal_accepts_the_limit_and_refuses_beyond)
{
    menu_page = PAGE_PLANET;
    menu_row = 3;
    double v = 1.0;
    run_script("key Home\ntext \"90\"\nkey Delete Delete Delete Delete Delete Delete Delete Enter\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_EQ(v, 90.0);
    // 90.5 is refused, then corrected to -90.
    run_script("key Home\ntext \"90.5\"\nkey Delete Delete Delete Delete Delete Enter Esc Home\n"
               "text \"-90.\"\nkey Delete Enter\n");
    EXPECT_EQ(edit_decimal(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_EQ(v, -90.0);
    EXPECT_STREQ(editor_help[0], "OOPS! POLAR ANGLE out of range!");
    EXPECT_STREQ(editor_help[1], "Limits : -90.00000 to  90.00000 ");
    EXPECT_FALSE(script_running());
}

TEST(Coordinates, fields_signs_and_the_third_space)
{
    const double dms = 23 + 27.0 / 60 + 42.0 / 3600;
    struct Case {
        const char* text;
        double want;
    } cases[] = {
        {"23.456", 23.456},  {"23 27.8", 23 + 27.8 / 60}, {"23 27 42", dms},
        {"-23 27 42", -dms}, {"23 -27 42", -dms},         {"23  42", 23 + 42.0 / 3600},
        {"23 27 42 99", dms}, {"+23", 23.0},              {"", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(parse_coordinate(c.text), c.want) << '"' << c.text << '"';
}

TEST_F(Value_editors, coordinate_stores_the_parsed_value_and_refuses_with_the_enter_as_line)
{
    double v = 0.0;
    run_script("key Home Delete Delete Delete Delete Delete Delete Delete Delete Delete\n"
               "text \"99 30\"\nkey Enter\nkey Space\nkey End Backspace Backspace Backspace Backspace Backspace\n"
               "text \"-1 30\"\nkey Enter\n");
    EXPECT_EQ(edit_coordinate(9, 13, &v, -90.0, 90.0), 0);
    EXPECT_DOUBLE_EQ(v, -1.5);
    EXPECT_STREQ(editor_help[2], "Enter as  23.456 or  23 27.8 or  23 27 42");
    EXPECT_FALSE(script_running());
}
