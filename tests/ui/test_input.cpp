// Input: key codes, the repeat counter, clicks, scripts, and the value editors driven by keys.
#include "ui_test_support.h"

#include "store/store.h" // Required for: MENU_ROWS, page_item_count
#include "ui/ui.h"       // Required for: KC_ALT_P, KC_BACKSPACE, KC_DELETE
#include "test_support.h"

TEST(Key_codes, library_keys_become_pc_codes_and_back)
{
    // Values read from the X keyboard with readkey().
    const int pairs[][2] = {
        {0x4d7f, KC_DELETE},  {0x5a00, KC_DELETE}, // Delete comes with 127; keypad Delete
        {0x2c00, KC_HOME},    {0x3f08, KC_BACKSPACE}, {0x2f00, KC_F1},     {0x1000, KC_ALT_P},
        {0x0101, 256 + 30},   {0x0808, 256 + 35},     // Ctrl-A; Ctrl-H is not Backspace
        {0x0909, 9},          {0x5b0d, KC_ENTER},     {0x3b1b, KC_ESC},    {0x0161, 'a'},
    };
    for (auto& p : pairs)
        EXPECT_EQ(key_code_of(p[0]), p[1]) << std::hex << p[0];
    const int codes[] = {8, 13, 27, 32, 'a', 'Z', '7', '-', '.', 315, 316, 317, 318, 323, 324,
                         327, 328, 329, 331, 333, 335, 336, 337, 338, 339,
                         289, 287, 281, 275, 302, 304, 294, 280};
    for (int c : codes) {
        int value = readkey_value_of(c);
        ASSERT_GE(value, 0) << c;
        EXPECT_EQ(key_code_of(value), c) << c;
    }
    EXPECT_EQ(readkey_value_of(256 + 100), -1);
}

using Repeat_counter = UiScreen;

TEST_F(Repeat_counter, keys_within_seven_polls_are_dropped_a_held_key_repeats_every_eight)
{
    run_script("gap 7\nkey a b\n");
    EXPECT_EQ(input_event(), 'a');
    EXPECT_EQ(input_event(), KC_ESC); // b was dropped, the script ran out
    run_script("gap 8\nkey a b\n");
    EXPECT_EQ(input_event(), 'a');
    EXPECT_EQ(input_event(), 'b');
    EXPECT_EQ(script_overruns, 0);
    repeat_counter = 0;
    run_script("gap 1\nkey a a a a a a a a a a a a a a a a a\n");
    int got = 0;
    while (input_event() == 'a')
        got++;
    EXPECT_EQ(got, 3); // polls 1, 9 and 17
}

using Clicks = UiScreen;

TEST_F(Clicks, hot_cells_give_their_key_codes)
{
    mouse_present = 1, menu_page = 6;
    clear_hit_map();
    draw_tab_bar(6);
    register_page_buttons(6);
    int cw = char_width, lh = line_height;
    auto at = [&](int column, int line) {
        return std::to_string(column * cw + 2) + " " + std::to_string(line * lh + 3);
    };
    run_script("click " + at(38, 28) + "\nclick " + at(18, 2) + "\nclick " + at(5, 7) +
               "\nclick " + at(77, 28) + "\nclick " + at(40, 15) + " right\nclick " + at(40, 15) +
               "\nkey x\n");
    EXPECT_EQ(input_event(), KC_DELETE); // DELETE on the LIST page's bar
    EXPECT_EQ(input_event(), KC_ALT_P);  // the PLANET tab
    menu_row = 0;
    EXPECT_EQ(input_event(), KC_ENTER);  // menu row 3 of the LIST page
    EXPECT_EQ(menu_row, 3);
    EXPECT_EQ(input_event(), KC_ESC);    // side ESC button
    EXPECT_EQ(input_event(), KC_ESC);    // right click anywhere
    EXPECT_EQ(input_event(), 'x');       // a click on nothing waits on
    EXPECT_EQ(hit_map[4 + page_item_count(6)][1], -1); // nothing below the last row
    // The last of the row slots, which no page fills, is a row all the same.
    hit_map[4 + MENU_ROWS - 1][1] = MENU_ROWS - 1;
    run_script("click " + at(1, 4 + MENU_ROWS - 1) + "\n");
    EXPECT_EQ(input_event(), KC_ENTER);
    EXPECT_EQ(menu_row, MENU_ROWS - 1);
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Clicks, pane_lines_give_their_choice_characters)
{
    mouse_present = 1;
    clear_pane_codes();
    pane_top = 4 * line_height;
    pane_line_height = 12;
    pane_codes[2] = 'a';
    pane_codes[3] = 'b';
    run_script("click " + std::to_string(25 * char_width + 3) + " " +
               std::to_string(pane_top + 3 * 12 + 5) + "\nclick " + std::to_string(26 * char_width) +
               " " + std::to_string(pane_top + 5) + "\nkey z\n");
    EXPECT_EQ(input_event(), 'b');
    EXPECT_EQ(input_event(), 'z'); // the title line has no code
}

TEST(Scripts, bad_lines_are_refused)
{
    for (const char* bad : {"key Foo\n", "click 1\n", "frobnicate\n", "text \"open\n", "code 999\n", "wait -1\n"})
        EXPECT_EQ(load_script_text(bad, "t"), -1) << bad;
    EXPECT_EQ(load_script_text("# only a comment\n\nkey F12 Alt-x Ctrl-b PgDn\r\nclock live\n", "t"), 0);
    load_script_text("", "t");
}

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

// Each editor takes exactly its limits, refuses beyond them with the OOPS box
// (a key closes it and the field comes back holding the refused text), and
// Esc or F3 keep the old value.
TEST_F(Value_editors, limits_refusals_and_keys_that_keep_the_old_value)
{
    const char* clear = "key Home Delete Delete Delete Delete Delete Delete Delete Delete Delete\n";
    const struct {
        int page, row, kind; // kind 0: whole number 0..999, 1: decimal -90..90, 2: co-ordinate -90..90
        std::string script;
        int result;
        double want;
        const char* help; // editor_help[0], [1] afterwards
    } cases[] = {
        {PAGE_FILE, 1, 0, std::string(clear) + "text \"999\"\nkey Enter\n", 0, 999, nullptr},
        {PAGE_FILE, 1, 0, std::string(clear) + "text \"0\"\nkey Enter\n", 0, 0, nullptr},
        {PAGE_FILE, 1, 0, "key Delete 7 Esc\n", KC_ESC, 5, nullptr},
        {PAGE_FILE, 1, 0, "key Delete 7 F3\n", KC_F3, 5, nullptr},
        {PAGE_FILE, 1, 0, "key Delete\ntext \"1000\"\nkey Enter Space End Backspace Enter\n", 0, 100,
         "OOPS! START FRAME out of range!|Limits are : 0 to 999 "},
        {PAGE_PLANET, 3, 1, std::string(clear) + "text \"90\"\nkey Enter\n", 0, 90, nullptr},
        {PAGE_PLANET, 3, 1, std::string(clear) + "text \"90.5\"\nkey Enter Esc Home\ntext \"-90.\"\nkey Enter\n",
         0, -90, "OOPS! POLAR ANGLE out of range!|Limits : -90.00000 to  90.00000 "},
        {PAGE_PLANET, 3, 2,
         std::string(clear) + "text \"99 30\"\nkey Enter Space End Backspace Backspace Backspace Backspace "
                              "Backspace\ntext \"-1 30\"\nkey Enter\n",
         0, -1.5, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        menu_page = c.page, menu_row = c.row;
        run_script(c.script);
        int32_t whole = 5;
        double v = 5;
        EXPECT_EQ(c.kind == 0   ? edit_whole(9, 13, &whole, 0, 999)
                  : c.kind == 1 ? edit_decimal(9, 13, &v, -90.0, 90.0)
                                : edit_coordinate(9, 13, &v, -90.0, 90.0),
                  c.result);
        EXPECT_DOUBLE_EQ(c.kind == 0 ? whole : v, c.want);
        if (c.help) {
            EXPECT_EQ(std::string(editor_help[0]) + "|" + editor_help[1], c.help);
        }
        EXPECT_FALSE(script_running());
        EXPECT_EQ(script_overruns, 0);
    }
    EXPECT_STREQ(editor_help[2], "Enter as  23.456 or  23 27.8 or  23 27 42");
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
