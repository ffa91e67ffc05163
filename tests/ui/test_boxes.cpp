// Message boxes and dialog boxes: key mapping, clicks on their buttons, and
// the screen and hit map restored exactly on closing.
#include "ui_test_support.h"

#include "store/prompt.h" // Required for: PromptHooks, ask_yes_no, prompt_hooks
#include "store/store.h"  // Required for: PAGE_FILE
#include "ui/ui.h"        // Required for: SLOT_DIALOG_CANCEL, SLOT_DIALOG_OK, TEXT_COLUMNS
#include "test_support.h"

using Message_boxes = UiScreen;

TEST_F(Message_boxes, keys_map_to_answers)
{
    const char* keys[] = {"Enter", "y", "Y", "Esc", "n", "N", "F1", "q"};
    const int results[] = {89, 89, 89, 78, 78, 78, 315, 81};
    for (int i = 0; i < 8; i++) {
        run_script(std::string("key ") + keys[i] + "\n");
        EXPECT_EQ(yes_no_box("Overwrite project NOVAMIR.CFG?"), results[i]) << keys[i];
    }
    run_script("key Enter\nkey Enter\nkey a\nkey Esc\n");
    EXPECT_EQ(ok_box_text("Load project NOVAMIR.CFG?"), 89);
    EXPECT_EQ(ok_box("Help File Error"), 13);
    EXPECT_EQ(ok_box("Help File Error"), 'A');
    const char* lines[] = {"one", "two"};
    EXPECT_EQ(ok_box_lines(2, lines), 27);
    // Up to three lines, the fourth place holds "Press any key to continue.":
    // the same picture as a box that is given that line itself.
    ScratchDir dir;
    const char* four[] = {"one", "two", "three", "Press any key to continue."};
    run_script("dump three.bmp\nkey Esc\ndump four.bmp\nkey Esc\n");
    ok_box_lines(3, four);
    ok_box_lines(4, four);
    const std::vector<uint8_t> three_shot = read_file_bytes("three.bmp");
    EXPECT_FALSE(three_shot.empty());
    EXPECT_TRUE(three_shot == read_file_bytes("four.bmp"));
    // The program's questions go through the same boxes once installed.
    PromptHooks saved = prompt_hooks;
    install_message_boxes();
    run_script("key n\nkey y\n");
    EXPECT_EQ(ask_yes_no("Delete %s?", "P3 Mars"), 78);
    EXPECT_EQ(ask_yes_no("Delete %s?", "P3 Mars"), 89);
    prompt_hooks = saved;
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Message_boxes, clicks_on_the_buttons_answer)
{
    mouse_present = 1;
    auto click = [](int column) {
        return "click " + std::to_string(column * char_width) + " " + std::to_string(19 * line_height + 4) + "\n";
    };
    run_script(click(39) + click(29) + click(36) + "click 5 5 right\n");
    EXPECT_EQ(yes_no_box("Erase ALL objects?"), 78); // NO, slot 51 at column 38
    EXPECT_EQ(yes_no_box("Erase ALL objects?"), 89); // YES, slot 50 at column 28
    EXPECT_EQ(ok_box("Nothing to delete!"), 13);     // the centred OKay: columns 35..44
    EXPECT_EQ(ok_box("Nothing to delete!"), 27);
    EXPECT_EQ(script_overruns, 0);
}

struct Dialog_boxes : ::testing::TestWithParam<int> {
    void SetUp() override { open_test_screen(640, 480, GetParam()); }
    void TearDown() override { close_test_screen(); }
};

TEST_P(Dialog_boxes, closing_restores_pixels_and_hit_map_exactly)
{
    for (int y = 0; y < SCREEN_H; y++)
        for (int x = 0; x < SCREEN_W; x++)
            put_pixel(x, y, screen_colours[(x * 7 + y * 13) & 255]);
    clear_hit_map();
    draw_button(SLOT_DIALOG_OK, 0, "OKay");
    register_page_buttons(PAGE_FILE);
    std::string pixels = buffer_pixels();
    std::vector<int32_t> hits(&hit_map[0][0], &hit_map[0][0] + TEXT_ROWS * TEXT_COLUMNS);
    EXPECT_EQ(open_dialog(3), 3);
    EXPECT_EQ(hit_map[19][28], -1); // the box hides the button beneath
    EXPECT_EQ(open_dialog(4), 4);
    panel_background(190);
    draw_text(window_left + 12, window_top + 12, screen_colours[0], "inner");
    EXPECT_EQ(close_dialog(4), 0);
    EXPECT_EQ(open_dialog_number, 3);
    EXPECT_EQ(window_left, 20 * char_width); // box 3's window again
    draw_button(SLOT_DIALOG_CANCEL, 1, "NO");
    EXPECT_EQ(close_dialog(3), 0);
    EXPECT_EQ(open_dialog_number, -1);
    EXPECT_TRUE(buffer_pixels() == pixels);
    std::vector<int32_t> after(&hit_map[0][0], &hit_map[0][0] + TEXT_ROWS * TEXT_COLUMNS);
    EXPECT_EQ(after, hits);
    EXPECT_EQ(open_dialog(5), -1);
    // The information panel stays until closed, then leaves the same pixels.
    const char* lines[] = {"Rendering frame 12", "Please wait"};
    EXPECT_EQ(info_open(2, lines), 0);
    EXPECT_NE(buffer_pixels(), pixels);
    EXPECT_EQ(info_close(), 0);
    EXPECT_TRUE(buffer_pixels() == pixels);
    save_screen();
    clear_bitmap(screen_buffer);
    restore_screen();
    EXPECT_TRUE(buffer_pixels() == pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, Dialog_boxes, ::testing::Values(8, 24));
