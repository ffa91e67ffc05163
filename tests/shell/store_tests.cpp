// Parameter store: choice lists, menu tables, the parameter block and the
// question interface.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "shell/shell.h"

namespace {

TEST(Choice_lists, start_with_their_labels_targets_and_selections)
{
    reset_store();
    struct Row {
        int count, current, target;
        const char* first;
        const char* last;
    } rows[CHOICE_LISTS] = {
        {3, 0, 8, "None", "Polar"},      {3, 1, 9, "No Stars", "South"},   {5, 0, 23, "Coma", "Torus"},
        {3, 0, 30, "None", "Fade OUT"},  {3, 0, 25, "BMP", "TGA"},         {6, 0, 24, "Flat", "Pixel"},
        {5, 0, 31, "Linear", "Cosine"},  {3, 0, 32, "None", "Fade OUT"},   {5, 0, 33, "Linear", "Cosine"},
        {6, 1, 19, "Small", "Average"},
    };
    for (int n = 0; n < CHOICE_LISTS; n++) {
        SCOPED_TRACE(n);
        const ChoiceList& c = choice_list[n];
        EXPECT_EQ(c.count, rows[n].count);
        EXPECT_EQ(c.current, rows[n].current);
        EXPECT_EQ(c.target, rows[n].target);
        EXPECT_STREQ(c.labels[0], rows[n].first);
        EXPECT_STREQ(c.labels[c.count - 1], rows[n].last);
        for (int k = c.count; k < CHOICE_LABELS; k++)
            EXPECT_TRUE(c.labels[k][0] == 0 || strcmp(c.labels[k], " ") == 0);
    }
    EXPECT_STREQ(choice_list[2].labels[1], "Tail RHS");
    EXPECT_STREQ(choice_list[2].labels[2], "Tail LHS");
}

TEST(Choice_lists, advancing_wraps_and_feeds_the_target)
{
    reset_store();
    choice_list[2].current = 4; // Torus
    int_param[I_COMET_TYPE] = 4;
    advance_choice(2);
    EXPECT_EQ(choice_list[2].current, 0);
    EXPECT_EQ(int_param[I_COMET_TYPE], 0);
    choice_list[9].current = 5; // Average
    advance_choice(9);
    EXPECT_STREQ(choice_list[9].labels[choice_list[9].current], "Small");
    EXPECT_EQ(int_param[I_LIST_FONT], 0);
}

TEST(Choice_lists, a_stored_selection_that_disagrees_shows_until_the_next_advance)
{
    reset_store();
    choice_list[6].current = 2;
    int_param[I_BITMAP_TRAVEL] = 4;
    EXPECT_EQ(int_param[I_BITMAP_TRAVEL], 4); // nothing syncs by itself
    advance_choice(6);
    EXPECT_EQ(choice_list[6].current, 3);
    EXPECT_EQ(int_param[I_BITMAP_TRAVEL], 3);
}

TEST(Choice_lists, restoring_from_the_integer)
{
    reset_store();
    int_param[I_FADE_TYPE] = 2;
    restore_choice(0);
    EXPECT_EQ(choice_list[0].current, 2);
    int_param[I_FADE_TYPE] = -1;
    restore_choice(0);
    EXPECT_EQ(choice_list[0].current, 0);
    EXPECT_EQ(int_param[I_FADE_TYPE], -1);
}

TEST(String_entries, start_values_and_edit_lengths)
{
    reset_store();
    const char* start[STR_PARAMS] = {"NOVAMIR", "SHIP.TGA", "SHIP.TGA", "\\NOVAMIR\\", "/novamir/", "", "", ""};
    int len[STR_PARAMS] = {14, 14, 14, 30, 30, 4, 4, 4};
    for (int i = 0; i < STR_PARAMS; i++) {
        EXPECT_STREQ(str_param[i], start[i]);
        EXPECT_EQ(str_max_len[i], len[i]);
    }
    strcpy(str_param[0], "OTHER");
    page_frames[3] = {4, 9};
    reset_store();
    EXPECT_STREQ(str_param[0], "NOVAMIR");
    EXPECT_EQ(page_frames[3].end, 0);
}

TEST(Menu_tables, item_counts_and_row_packing)
{
    int counts[MENU_PAGES] = {16, 18, 18, 18, 18, 18, 5, 14};
    for (int p = 0; p < MENU_PAGES; p++) {
        EXPECT_EQ(page_item_count(p), counts[p]) << page_names[p];
        // used rows first, empty rows after
        for (int r = 0; r < MENU_ROWS; r++)
            EXPECT_EQ(menu_pages[p][r].kind != ITEM_NONE, r < counts[p]) << page_names[p] << " row " << r;
    }
    EXPECT_STREQ(menu_pages[PAGE_OPTIONS][13].name, "LIST FONT");
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][13].kind, ITEM_CHOICE);
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][13].param, 9);
}

TEST(Menu_tables, rows_point_at_entries_that_exist)
{
    for (int p = 0; p < MENU_PAGES; p++)
        for (int r = 0; r < page_item_count(p); r++) {
            const MenuItem& m = menu_pages[p][r];
            SCOPED_TRACE(std::string(page_names[p]) + " " + m.name);
            EXPECT_LT(strlen(m.help), sizeof m.help);
            EXPECT_NE(m.help[0], 0);
            if (m.kind == ITEM_CHOICE) {
                EXPECT_GE(m.param, 0);
                EXPECT_LT(m.param, CHOICE_LISTS);
            } else if (m.kind == ITEM_FLAG) {
                EXPECT_LT(m.param, FLAG_PARAMS);
            } else if (m.kind == ITEM_VALUE) {
                int limit = m.editor == EDIT_STRING ? STR_PARAMS
                          : (m.editor == EDIT_WHOLE || m.editor == EDIT_PAGE_FRAME) ? INT_PARAMS
                                                                                    : DBL_PARAMS;
                EXPECT_LT(m.param, limit);
            }
        }
}

TEST(Menu_tables, shared_rows_and_odd_cells_as_tabled)
{
    // REF DISTANCE is one entry on four pages; the travel rows on four.
    for (int p : {1, 2, 3, 4}) {
        bool found = false;
        for (int r = 0; r < MENU_ROWS; r++)
            found = found || (strcmp(menu_pages[p][r].name, "REF DISTANCE") == 0 &&
                              menu_pages[p][r].param == D_REF_DISTANCE);
        EXPECT_TRUE(found) << page_names[p];
    }
    EXPECT_EQ(menu_pages[PAGE_COMET][14].param, D_VERTICAL_ANGLE);
    EXPECT_EQ(menu_pages[PAGE_BITMAP][14].param, D_VERTICAL_ANGLE);
    EXPECT_STREQ(menu_pages[PAGE_SKY][15].help, "Reference distance of the Star field");
    EXPECT_EQ(menu_pages[PAGE_SKY][2].editor, EDIT_WHOLE); // a choice row keeps its editor cell
    EXPECT_EQ(menu_pages[PAGE_COMET][0].editor, 0);
    EXPECT_EQ(menu_pages[PAGE_FILE][10].extra, REFRESH_PROJECT_LIST);
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][0].extra, REFRESH_IMAGE_LIST);
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][2].extra, REFRESH_IMAGE_LIST);
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][11].kind, ITEM_HELP);
    EXPECT_EQ(menu_pages[PAGE_OPTIONS][11].param, 17);
    EXPECT_EQ(menu_pages[PAGE_RING][16].editor, EDIT_PAGE_FRAME);
    EXPECT_EQ(menu_pages[PAGE_RING][16].param, I_PAGE_START);
    EXPECT_EQ(menu_pages[PAGE_RING][17].param, I_PAGE_END);
    EXPECT_STREQ(menu_pages[PAGE_RING][14].help, "Turn Planet shadows ON?.");
    EXPECT_STREQ(menu_pages[PAGE_LIST][0].name, "PREV OBJECT");
    EXPECT_EQ(menu_pages[PAGE_LIST][0].kind, ITEM_PREV_OBJECT);
}

TEST(Menu_tables, hot_keys_and_buttons)
{
    int keys[MENU_PAGES + 1] = {289, 287, 281, 275, 302, 304, 294, 280, 27};
    for (int p = 0; p <= MENU_PAGES; p++)
        EXPECT_EQ(page_hot_key[p], keys[p]);
    EXPECT_TRUE(page_has_button(PAGE_SKY, 3));
    EXPECT_TRUE(page_has_button(PAGE_LIST, 4));
    EXPECT_FALSE(page_has_button(PAGE_FILE, 3));
    EXPECT_FALSE(page_has_button(PAGE_FILE, 0));
    EXPECT_TRUE(page_has_button(PAGE_OPTIONS, 5));
    EXPECT_FALSE(page_has_button(8, 5));
    EXPECT_EQ(page_item_count(-1), 0);
}

TEST(Parameter_block, reads_seven_arrays_little_endian_at_their_offsets)
{
    uint8_t block[PARAM_BLOCK_SIZE] = {};
    // dbl_param[1] = 1.5 (0x3FF8000000000000), dbl_max[0] = -2.0, dbl_min[39] = 0.25
    block[8 + 7] = 0x3F;
    block[8 + 6] = 0xF8;
    block[320 + 7] = 0xC0;
    block[640 + 39 * 8 + 7] = 0x3F;
    block[640 + 39 * 8 + 6] = 0xD0;
    // int_param[2] = 0x01020304, int_max[4] = 999, int_min[0] = -1, flag_param[19] = 1
    block[960 + 8] = 4;
    block[960 + 9] = 3;
    block[960 + 10] = 2;
    block[960 + 11] = 1;
    block[1120 + 16] = 0xE7;
    block[1120 + 17] = 0x03;
    memset(block + 1280, 0xFF, 4);
    block[1440 + 76] = 1;
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

TEST(Parameter_block, a_short_block_changes_nothing_and_frame_limits_follow_the_buffer)
{
    int_param[0] = 123;
    uint8_t block[PARAM_BLOCK_SIZE] = {};
    EXPECT_EQ(read_param_block(block, PARAM_BLOCK_SIZE - 1), -1);
    EXPECT_EQ(int_param[0], 123);
    set_frame_limits(800, 600);
    EXPECT_EQ(int_max[I_WIDTH], 800);
    EXPECT_EQ(int_max[I_HEIGHT], 600);
}

// The question interface answers as a command-line tool would and records.
class Questions : public ::testing::Test {
protected:
    void SetUp() override { prompt_log.clear(); }
    void TearDown() override
    {
        console_yes_no_key = 'Y';
        console_ok_key = 13;
        prompt_hooks = {nullptr, nullptr, nullptr, nullptr};
    }
};

TEST_F(Questions, console_answers_and_log)
{
    EXPECT_EQ(ask_yes_no("Load project %s?", "A.CFG"), 'Y');
    console_yes_no_key = 'n';
    EXPECT_EQ(ask_yes_no("Again?"), 'N');
    EXPECT_EQ(tell_user("Nothing to %s!", "delete"), 13);
    EXPECT_EQ(tell_notice("Note"), 'Y'); // Enter counts as yes here
    const char* lines[2] = {"one", "two"};
    tell_user_lines(2, lines);
    std::vector<std::string> expect = {"Load project A.CFG?", "Again?", "Nothing to delete!", "Note", "one", "two"};
    EXPECT_EQ(prompt_log, expect);
}

TEST_F(Questions, file_error_prompt_texts_and_results)
{
    EXPECT_EQ(file_error_prompt(0, "A.CFG"), 27);
    EXPECT_EQ(file_error_prompt(4, "B.TGA"), 27);
    console_ok_key = 'y';
    EXPECT_EQ(file_error_prompt(5, "C.CFG"), 0);
    std::vector<std::string> expect = {"Error reading A.CFG file.", "Cannot find B.TGA file!",
                                       "Error writing C.CFG file!"};
    EXPECT_EQ(prompt_log, expect);
}

int hook_key;
std::string hook_text;
int hook_ok(const char* text)
{
    hook_text = text;
    return hook_key;
}

TEST_F(Questions, installed_boxes_take_over)
{
    prompt_hooks.ok = hook_ok;
    hook_key = 'Y';
    EXPECT_EQ(file_error_prompt(1, "X.CFG"), 0);
    EXPECT_EQ(hook_text, "Cannot find X.CFG file!");
    hook_key = 'N';
    EXPECT_EQ(file_error_prompt(1, "X.CFG"), 27);
    EXPECT_EQ(prompt_log.size(), 2u);
}

} // namespace
