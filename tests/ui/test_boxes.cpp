// Message boxes and dialog boxes: key mapping, layouts compared by pixels,
// and the screen and hit map restored exactly on closing.
#include "ui_test_support.h"

#include "shell/shell.h"
#include "test_support.h"

#include <cstdlib>

using Message_boxes = UiScreen;

TEST_F(Message_boxes, yes_no_maps_enter_and_esc_and_upper_cases)
{
    const char* keys[] = {"Enter", "y", "Y", "Esc", "n", "N", "F1", "q"};
    const int results[] = {89, 89, 89, 78, 78, 78, 315, 81};
    for (int i = 0; i < 8; i++) {
        run_script(std::string("key ") + keys[i] + "\n");
        EXPECT_EQ(yes_no_box("Overwrite project NOVAMIR.CFG?"), results[i]) << keys[i];
    }
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Message_boxes, ok_boxes_return_the_key)
{
    run_script("key Enter\n");
    EXPECT_EQ(ok_box_text("Load project NOVAMIR.CFG?"), 89);
    run_script("key Enter\n");
    EXPECT_EQ(ok_box("Help File Error"), 13);
    run_script("key a\n");
    EXPECT_EQ(ok_box("Help File Error"), 'A');
    const char* lines[] = {"one", "two"};
    run_script("key Esc\n");
    EXPECT_EQ(ok_box_lines(2, lines), 27);
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Message_boxes, three_lines_get_the_press_any_key_line_four_do_not)
{
    const char* three[] = {"OOPS! WIDTH out of range!", "Limits are : 1 to 640 ",
                           "Press ESC to Quit."};
    const char* four[] = {three[0], three[1], three[2], "Press any key to continue."};
    run_script("dump three.bmp\nkey Enter\n");
    ScratchDir dir;
    ok_box_lines(3, three);
    run_script("dump four.bmp\nkey Enter\n");
    ok_box_lines(4, four);
    run_script("dump plain.bmp\nkey Enter\n");
    const char* other[] = {three[0], three[1], three[2], "Something else"};
    ok_box_lines(4, other);
    EXPECT_EQ(file_hash("three.bmp"), file_hash("four.bmp"));
    EXPECT_NE(file_hash("three.bmp"), file_hash("plain.bmp"));
}

TEST_F(Message_boxes, clicks_on_the_buttons_answer)
{
    mouse_present = 1;
    int cw = char_width, lh = line_height;
    // NO is slot 51 at column 38, line 19; YES slot 50 at column 28.
    run_script("click " + std::to_string(39 * cw) + " " + std::to_string(19 * lh + 4) + "\n");
    EXPECT_EQ(yes_no_box("Erase ALL objects?"), 78);
    run_script("click " + std::to_string(29 * cw) + " " + std::to_string(19 * lh + 4) + "\n");
    EXPECT_EQ(yes_no_box("Erase ALL objects?"), 89);
    // The centred OKay button: box 3 is 40 columns from column 20, so 35..44.
    run_script("click " + std::to_string(36 * cw) + " " + std::to_string(19 * lh + 4) + "\n");
    EXPECT_EQ(ok_box("Nothing to delete!"), 13);
    run_script("click 5 5 right\n");
    EXPECT_EQ(ok_box("Nothing to delete!"), 27);
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Message_boxes, answer_the_questions_of_the_program)
{
    PromptHooks saved = prompt_hooks;
    install_message_boxes();
    run_script("key n\nkey y\n");
    EXPECT_EQ(ask_yes_no("Delete %s?", "P3 Mars"), 78);
    EXPECT_EQ(ask_yes_no("Delete %s?", "P3 Mars"), 89);
    prompt_hooks = saved;
    EXPECT_EQ(script_overruns, 0);
}

TEST_F(Message_boxes, the_information_panel_stays_until_closed)
{
    for (int i = 0; i < 200; i++)
        put_pixel(300 + i % 50, 200 + i / 50, i);
    std::string before = buffer_pixels();
    const char* lines[] = {"Rendering frame 12", "Please wait"};
    EXPECT_EQ(info_open(2, lines), 0);
    EXPECT_EQ(open_dialog_number, 4);
    EXPECT_NE(buffer_pixels(), before);
    EXPECT_EQ(info_close(), 0);
    EXPECT_EQ(open_dialog_number, -1);
    EXPECT_EQ(buffer_pixels(), before);
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
    EXPECT_EQ(window_left, 20 * char_width);
    EXPECT_EQ(open_dialog(4), 4);
    panel_background(190);
    draw_text(window_left + 12, window_top + 12, screen_colours[0], "inner");
    EXPECT_EQ(close_dialog(4), 0);
    EXPECT_EQ(open_dialog_number, 3);
    EXPECT_EQ(window_left, 20 * char_width);
    draw_button(SLOT_DIALOG_CANCEL, 1, "NO");
    EXPECT_EQ(close_dialog(3), 0);
    EXPECT_EQ(open_dialog_number, -1);
    EXPECT_TRUE(buffer_pixels() == pixels);
    std::vector<int32_t> after(&hit_map[0][0], &hit_map[0][0] + TEXT_ROWS * TEXT_COLUMNS);
    EXPECT_EQ(after, hits);
    EXPECT_EQ(open_dialog(5), -1);
}

TEST_P(Dialog_boxes, save_and_restore_screen_cover_the_whole_screen)
{
    for (int x = 0; x < SCREEN_W; x++)
        put_pixel(x, x % SCREEN_H, screen_colours[x & 255]);
    std::string pixels = buffer_pixels();
    save_screen();
    clear_bitmap(screen_buffer);
    restore_screen();
    EXPECT_TRUE(buffer_pixels() == pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, Dialog_boxes, ::testing::Values(8, 24));
