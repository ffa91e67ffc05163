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
