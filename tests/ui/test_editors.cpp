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
        {PAGE_PLANET, 3, 1, std::string(clear) + "text \"90.5\"\nkey Enter Esc Home\ntext \"-90.\"\nkey Delete Enter\n", 0,
         -90, "OOPS! POLAR ANGLE out of range!|Limits : -90.00000 to  90.00000 "},
        {PAGE_PLANET, 3, 2, std::string(clear) + "text \"99 30\"\nkey Enter\nkey Space\nkey End Backspace Backspace "
                            "Backspace Backspace Backspace\ntext \"-1 30\"\nkey Enter\n", 0, -1.5, nullptr},
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
