// Widgets: fonts, box geometry, hot cells of buttons and tabs, pick lists, notes, message boxes.
#include "ui_test_support.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "store/prompt.h" // Required for: PromptHooks, ask_yes_no, prompt_hooks
#include "store/store.h" // Required for: I_LIST_FONT, I_PLANET_NUMBER, PAGE_LIST
#include "ui/ui.h"       // Required for: KC_DELETE, KC_END, KC_F9
#include "test_support.h"

TEST(Font_numbers, follow_the_object_table)
{
    DATAFILE fonts[UI_FONTS + 1];
    static FONT stand_in[UI_FONTS];
    for (int i = 0; i < UI_FONTS; i++)
        fonts[i] = DATAFILE{&stand_in[i], DAT_FONT, 0, nullptr};
    fonts[UI_FONTS] = DATAFILE{nullptr, DAT_END, 0, nullptr};
    DATAFILE* saved = ui_datafile;
    FONT* saved_font = font;
    ui_datafile = fonts;
    const int object_of[][2] = {{20, 1}, {14, 1}, {13, 0}, {3, 7}}; // beyond the table: as 14
    for (auto& e : object_of) {
        EXPECT_EQ(select_list_font(e[0]), e[0]);
        EXPECT_EQ(list_font, &stand_in[e[1]]) << e[0];
    }
    EXPECT_EQ(font, &stand_in[7]);
    EXPECT_EQ(numbered_font(5), &stand_in[6]);
    EXPECT_EQ(select_list_font(-1), 0);
    EXPECT_EQ(list_font_number, 3);
    fonts[4].type = DAT_BITMAP;
    EXPECT_EQ(interface_setup_with(fonts), -1);
    ui_datafile = saved, font = saved_font;
    list_font = saved_font;
}

using Widget_geometry = UiScreen;

// The LIST page's bottom bar and keys; the tab bar marks the page and its cells.
TEST_F(Widget_geometry, bottom_bar_and_tab_bar)
{
    clear_hit_map();
    register_page_buttons(PAGE_LIST);
    for (int slot = SLOT_BOTTOM; slot < SLOT_TABS; slot++) {
        bool shown = slot == 30 || slot == 35 || slot == 39;
        EXPECT_EQ(hit_map[28][button_slots[slot].column] == slot, shown) << slot;
    }
    EXPECT_EQ(button_slots[35].key, KC_DELETE);
    EXPECT_EQ(hit_map[28][76], SLOT_SIDE_ESC);
    register_page_buttons(PAGE_PLANET);
    EXPECT_EQ(button_slots[35].key, KC_PGUP);
    clear_hit_map();
    menu_page = -1;
    button_slots[31].key = 0;
    draw_tab_bar(PAGE_RING);
    EXPECT_EQ(std::make_tuple(hit_map[2][25], hit_map[2][31], hit_map[2][73]), std::make_tuple(43, 43, 48));
    EXPECT_EQ(button_slots[31].key, 316);
}

// A list of 30 fake entries: "item NN", the one equal to PLANET NUMBER marked.
static int fake_count() { return 30; }
static int fake_page(char lines[][LIST_LINE_LEN], int first_line, int start, int per_page)
{
    snprintf(lines[0], LIST_LINE_LEN, "Fake list");
    snprintf(lines[1], LIST_LINE_LEN, "No. Name");
    int n = 0;
    for (int j = start; j < 30 && n < per_page; j++, n++) {
        snprintf(lines[first_line + n], LIST_LINE_LEN, "%-3d item %02d", j, j);
        lines[first_line + n][78] = j == int_param[I_PLANET_NUMBER] ? 'A' : 0;
    }
    return n;
}

struct Pick_lists : UiScreen {
    void SetUp() override
    {
        UiScreen::SetUp();
        list_page_builders[LIST_PLANETS] = fake_page;
        list_item_counts[LIST_PLANETS] = fake_count;
    }
    void TearDown() override
    {
        list_page_builders[LIST_PLANETS] = nullptr;
        list_item_counts[LIST_PLANETS] = nullptr;
        UiScreen::TearDown();
    }
};

TEST_F(Pick_lists, keys_page_and_choose)
{
    int_param[I_LIST_FONT] = 1; // Normal: font 4, stand-in 8 pixels high
    int per_page = (21 * line_height) / (text_height(font) + 4);
    int32_t first = 0;
    EXPECT_EQ(list_picker(&first, LIST_PLANETS, KC_PGDN), 0);
    EXPECT_EQ(first, per_page);
    ASSERT_EQ(per_page, 28);
    EXPECT_EQ(list_picker(&first, LIST_PLANETS, 'b'), 1); // the second entry, item 29
    EXPECT_EQ(int_param[I_PLANET_NUMBER], 29);
    EXPECT_EQ(std::make_tuple(pane_codes[2], pane_codes[3], pane_codes[4]), std::make_tuple('a', 'b', -1));
    list_picker(&first, LIST_PLANETS, KC_END);
    EXPECT_EQ(first, 30 / per_page * per_page);
    list_picker(&first, LIST_PLANETS, KC_HOME);
    EXPECT_EQ(first, 0);
    list_picker(&first, LIST_PLANETS, KC_PGUP);
    EXPECT_EQ(first, 0);
    // A character beyond the page's entries chooses nothing.
    first = 28;
    EXPECT_EQ(list_picker(&first, LIST_PLANETS, 'e'), 0);
    EXPECT_EQ(list_font_number, 4);
}

TEST_F(Pick_lists, f9_appends_the_page_to_the_notes)
{
    ScratchDir dir;
    int32_t first = 25;
    list_picker(&first, LIST_PLANETS, KC_F9);
    list_picker(&first, LIST_PLANETS, KC_F9);
    std::string text = read_file_text("notes.txt");
    std::string one = std::string("\r\n") + title_line + "  " + second_title_line +
                      "\r\nFake list\r\nNo. Name\r\n25  item 25\r\n26  item 26\r\n27  item 27\r\n"
                      "28  item 28\r\n29  item 29\r\n\r\n\r\n";
    EXPECT_EQ(text, one + one);
}

namespace {

constexpr int FONT_OBJECTS = 15;

// Ink pixels of text drawn in colour 7 on a cleared 8-bit bitmap, or -1 when
// a pixel of any colour but 0 and 7 appears.
int ink_pixels(FONT* f, const char* text)
{
    BITMAP* b = create_bitmap_ex(8, 200, 60);
    clear_to_color(b, 0);
    textout_ex(b, f, text, 0, 0, 7, -1);
    int ink = 0;
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++)
            ink += b->line[y][x] == 7 ? 1 : b->line[y][x] ? -1000000 : 0;
    destroy_bitmap(b);
    return ink < 0 ? -1 : ink;
}

} // namespace

// The built novx.dat: fifteen mono fonts, the LIST FONT labels growing, the
// fonts fitting the places the program draws them, Latin-1 letters present.
TEST(Interface_fonts, the_built_datafile)
{
    char path[512];
    ASSERT_TRUE(find_data_file("novx.dat", path, sizeof path)) << "build the data files first";
    DATAFILE* data = load_datafile(path);
    ASSERT_NE(data, nullptr) << path;
    FONT* saved_font = font;
    FONT* saved_list_font = list_font;
    DATAFILE* saved_datafile = ui_datafile;
    ui_datafile = data;
    auto numbered = [](int n) { select_list_font(n); return list_font; };

    int k = 0;
    while (data[k].type != DAT_END)
        k++;
    EXPECT_EQ(k, FONT_OBJECTS);
    for (int i = 0; i < FONT_OBJECTS && i < k; i++) {
        ASSERT_EQ(data[i].type, DAT_FONT) << "object " << i;
        EXPECT_GT(ink_pixels((FONT*)data[i].dat, "Planet 1234"), 20) << "object " << i; // mono: drawn in its colour
    }
    int last_height = 0;
    for (int n : {0, 9, 1, 4, 7, 11}) { // Micro, Small, Average, Normal, Big, Huge
        EXPECT_GT(text_height(numbered(n)), last_height) << n;
        last_height = text_height(numbered(n));
    }
    // Font 4 draws menu rows in 16-pixel buttons, the longest name in a
    // 96-pixel field; 3 fills value fields 6 pixels a character; 5 writes
    // message lines 16 pixels apart.
    EXPECT_LE(text_height(numbered(4)), 12);
    EXPECT_LE(text_length(numbered(4), "TRAVEL DISTANCE") + 2, 96);
    EXPECT_LE(text_height(numbered(7)), 13);
    EXPECT_EQ(text_length(numbered(3), "0123456789"), 60);
    EXPECT_LE(text_height(numbered(5)), 15);
    EXPECT_GT(ink_pixels(numbered(4), "\xc3\xa9"), 5); // e acute, as UTF-8
    EXPECT_GT(ink_pixels(numbered(4), "\xc2\xb0"), 3); // the degree sign

    font = saved_font, ui_datafile = saved_datafile;
    list_font = saved_list_font;
    unload_datafile(data);
}

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
