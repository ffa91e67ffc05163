// Help viewer: the path of topics followed by links and retraced by Esc, the
// link buttons, and the font sheet without a help file.
#include "ui_test_support.h"

#include "store/store.h" // Required for: PAGE_FILE, PAGE_OPTIONS
#include "ui/ui.h"       // Required for: KC_ESC, KC_F1, KC_SPACE
#include "test_support.h"

namespace {

struct Help_viewer : UiScreen {
    ScratchDir dir;
    void SetUp() override
    {
        UiScreen::SetUp();
        // Topic 1 (FILE row 0) links to 2 and 3; 2 links on to 4; 3 has all
        // three links; 5 has links 0, 4, 0.
        load_test_help({{"", {}, {0, 0, 0}},
                        {"First", {"the first topic"}, {2, 3, 0}},
                        {"Second", {"second, one line", "and two"}, {4, 0, 0}},
                        {"Third", {"third"}, {1, 2, 4}},
                        {"Fourth", {"fourth"}, {0, 0, 0}},
                        {"Fifth", {"fifth"}, {0, 4, 0}}},
                       {{20 * PAGE_FILE + 0, 1}, {20 * PAGE_FILE + 1, 0}, {20 * PAGE_FILE + 2, 5}},
                       "test.hlp");
        menu_page = PAGE_FILE;
    }
    void TearDown() override
    {
        unload_help();
        UiScreen::TearDown();
    }
};

}  // namespace

TEST_F(Help_viewer, esc_retraces_the_path_taken)
{
    // First -(1)-> Second -(1)-> Fourth; Esc shows Second again, Esc First.
    // Then First -(2)-> Third -(2)-> Second; Esc, Esc: First; Esc leaves.
    run_script("dump first.bmp\nkey 1\ndump second.bmp\nkey 1\nkey Esc\ndump second_again.bmp\n"
               "key Esc\ndump first_again.bmp\nkey 2\nkey 2\nkey Esc Esc\ndump back.bmp\nkey Esc\n");
    menu_row = 0;
    EXPECT_EQ(help_for_item(), 0);
    EXPECT_FALSE(script_running());
    EXPECT_EQ(script_overruns, 0);
    EXPECT_EQ(file_hash("first.bmp"), file_hash("first_again.bmp"));
    EXPECT_EQ(file_hash("first.bmp"), file_hash("back.bmp"));
    EXPECT_EQ(file_hash("second.bmp"), file_hash("second_again.bmp"));
    EXPECT_NE(file_hash("first.bmp"), file_hash("second.bmp"));
    EXPECT_EQ(help_topics[2].back, 3); // Second was last reached from Third
    EXPECT_EQ(open_dialog_number, -1);
}

TEST_F(Help_viewer, link_buttons_take_the_keys_of_their_links)
{
    const int topic[3] = {5, 3, 4}, keys[3][3] = {{KC_ESC, '2', KC_F1}, {'1', '2', '3'}, {KC_ESC, KC_F1, KC_SPACE}};
    for (int t = 0; t < 3; t++) {
        show_topic(topic[t], 0);
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(button_slots[52 + k].key, keys[t][k]) << topic[t] << "/" << k;
    }
    EXPECT_EQ(hit_map[22][38], -1); // the third empty slot is not drawn
}

TEST_F(Help_viewer, enter_follows_link_1_f1_leaves_an_empty_link_or_row_opens_nothing)
{
    // Enter on First goes to Second, on to Fourth; Fourth has no link 1: Enter leaves.
    run_script("key Enter Enter Enter\nkey 2 F1\n");
    help_viewer(PAGE_FILE, 0);
    EXPECT_EQ(help_topics[4].back, 2);
    help_viewer(PAGE_FILE, 0);
    EXPECT_FALSE(script_running());
    EXPECT_EQ(script_overruns, 0);
    run_script("key 3 x\n"); // First's third link is empty: the help ends, x stays
    help_viewer(PAGE_FILE, 0);
    help_viewer(PAGE_FILE, 1);     // map entry 0
    help_viewer(PAGE_OPTIONS, 13); // beyond the map
    EXPECT_TRUE(script_running());
    load_script_text("", "none");
}

TEST_F(Help_viewer, the_font_sheet_when_no_help_was_read)
{
    unload_help();
    open_dialog(2);
    std::string before = buffer_pixels();
    run_script("dump sheet.bmp\nkey a\n");
    EXPECT_EQ(help_viewer(PAGE_FILE, 0), 0);
    EXPECT_FALSE(script_running());
    EXPECT_NE(buffer_pixels(), before);
    close_dialog(2);
}
