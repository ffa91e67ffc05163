// Widgets: palette and colours, box geometry, the panel tiles, the tab bar,
// the colour strip, pick lists and the notes file.
#include "ui_test_support.h"

#include "planets/planets.h"
#include "shell/shell.h"
#include "test_support.h"

#include <cstring>

TEST(Ui_palette, tabled_entries_and_screen_colours)
{
    ASSERT_EQ(open_memory_screen(320, 240, 8), 0);
    EXPECT_EQ(restore_ui_palette(), 8);
    const int expect[][4] = {{0, 0, 0, 0},     {1, 0, 0, 30},     {8, 43, 43, 43},
                             {15, 63, 63, 63}, {16, 3, 3, 3},     {31, 63, 63, 63},
                             {32, 4, 4, 4},    {33, 4, 4, 18},    {156, 60, 60, 60},
                             {157, 0, 0, 0},   {158, 1, 1, 1},    {189, 63, 63, 63},
                             {190, 53, 33, 3}, {216, 27, 59, 29}, {219, 24, 62, 32},
                             {220, 53, 3, 27}, {254, 19, 37, 61}, {255, 63, 63, 63}};
    for (auto& e : expect) {
        EXPECT_EQ(ui_palette[e[0]][0], e[1]) << e[0];
        EXPECT_EQ(ui_palette[e[0]][1], e[2]) << e[0];
        EXPECT_EQ(ui_palette[e[0]][2], e[3]) << e[0];
    }
    EXPECT_EQ(screen_colours[216], 216);
    EXPECT_EQ(screen_colours[256], 0);
    EXPECT_EQ(colour_table[15][0], 252);
    ASSERT_EQ(open_memory_screen(320, 240, 16), 0);
    EXPECT_EQ(restore_ui_palette(), 16);
    EXPECT_EQ(screen_colours[216], makecol16(108, 236, 116));
    EXPECT_EQ(screen_colours[256], makecol16(255, 0, 255));
    close_screen();
}

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
    EXPECT_EQ(select_list_font(20), 20);
    EXPECT_EQ(list_font, &stand_in[1]);
    EXPECT_EQ(select_list_font(14), 14);
    EXPECT_EQ(list_font, &stand_in[1]);
    EXPECT_EQ(select_list_font(3), 3);
    EXPECT_EQ(list_font, &stand_in[7]);
    EXPECT_EQ(font, &stand_in[7]);
    EXPECT_EQ(numbered_font(5), &stand_in[6]);
    EXPECT_EQ(select_list_font(-1), 0);
    EXPECT_EQ(list_font_number, 3);
    fonts[4].type = DAT_BITMAP;
    EXPECT_EQ(interface_setup_with(fonts), -1);
    ui_datafile = saved;
    font = saved_font;
    list_font = saved_font;
}

using Widget_geometry = UiScreen;

TEST(Widget_sizes, buttons_at_800_by_600)
{
    open_test_screen(800, 600, 8);
    draw_item_button(PAGE_FILE, 0, 0);
    // Item 0: a 118 x 20 raised box at (12, 80).
    EXPECT_EQ(getpixel(screen_buffer, 12, 80), UC_WHITE);
    EXPECT_EQ(getpixel(screen_buffer, 129, 99), UC_GREY);
    EXPECT_EQ(getpixel(screen_buffer, 130, 99), 0);
    EXPECT_EQ(getpixel(screen_buffer, 13, 81), UC_LIGHT_GREY);
    // F1 HELP: a 70 x 20 box at (10, 560), its cells marked with slot 30.
    clear_hit_map();
    draw_button(SLOT_BOTTOM, 2, "F1 HELP");
    EXPECT_EQ(getpixel(screen_buffer, 10, 560), UC_GREY); // pressed: dark top edge
    EXPECT_EQ(getpixel(screen_buffer, 79, 579), UC_WHITE);
    EXPECT_EQ(getpixel(screen_buffer, 80, 579), 0);
    EXPECT_EQ(hit_map[28][1], SLOT_BOTTOM);
    EXPECT_EQ(hit_map[28][7], SLOT_BOTTOM);
    EXPECT_EQ(hit_map[28][8], -1);
    close_test_screen();
}

TEST_F(Widget_geometry, empty_names_and_labels_draw_nothing)
{
    std::string before = buffer_pixels();
    EXPECT_EQ(draw_item_button(PAGE_LIST, 7, 0), 0); // LIST has five rows
    EXPECT_EQ(draw_item_button(PAGE_LIST, 31, 0), 0); // no F2 VIEW on LIST
    EXPECT_EQ(draw_button(50, 0, ""), 0);
    EXPECT_TRUE(buffer_pixels() == before);
    EXPECT_EQ(draw_item_button(-1, 0, 0), -1);
    EXPECT_EQ(draw_page_buttons(-1, 0, 0), -1);
    EXPECT_EQ(register_page_buttons(-1), -1);
}

TEST_F(Widget_geometry, list_page_bottom_bar_and_keys)
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
}

TEST_F(Widget_geometry, pressed_text_moves_one_pixel)
{
    draw_button(SLOT_DIALOG_OK, 1, "I");
    std::string high = buffer_pixels();
    clear_bitmap(screen_buffer);
    draw_button(SLOT_DIALOG_OK, 2, "I");
    int x = 28 * char_width, y = 19 * line_height;
    // The same glyph column, one pixel right and down, in colour 10 both times.
    int found_high = -1, found_pressed = -1;
    for (int dx = 0; dx < 12 && (found_high < 0 || found_pressed < 0); dx++) {
        if (found_pressed < 0 && getpixel(screen_buffer, x + 2 + dx, y + 4 + 1) == UC_RED)
            found_pressed = dx;
        int offset = (y + 4) * screen_buffer->w + x + 2 + dx;
        if (found_high < 0 && (uint8_t)high[offset] == UC_RED)
            found_high = dx;
    }
    ASSERT_GE(found_high, 0);
    EXPECT_EQ(found_pressed, found_high + 1);
}

TEST_F(Widget_geometry, tab_bar_marks_the_page_and_its_cells)
{
    clear_hit_map();
    menu_page = -1;
    button_slots[31].key = 0;
    draw_tab_bar(PAGE_RING);
    EXPECT_EQ(hit_map[2][25], 43);
    EXPECT_EQ(hit_map[2][31], 43);
    EXPECT_EQ(hit_map[2][73], 48);
    EXPECT_EQ(button_slots[31].key, 316);
    // The current tab is filled with the raw value 30 inside its raised box.
    int x = 25 * char_width, y = 2 * line_height;
    EXPECT_EQ(getpixel(screen_buffer, x + 7 * char_width + 4, y + line_height - 4), 30);
    EXPECT_EQ(list_font_number, 4);
}

TEST_F(Widget_geometry, colour_strip_shows_every_colour_two_pixels_wide)
{
    draw_colour_strip();
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(getpixel(screen_buffer, 2 * i, line_height + 2), i);
        EXPECT_EQ(getpixel(screen_buffer, 2 * i + 1, line_height + 2), i);
    }
    EXPECT_EQ(getpixel(screen_buffer, 514, line_height + 3), 0);
}

TEST_F(Widget_geometry, panel_tiles_climb_then_fall)
{
    panel_background(190);
    int top = 4 * line_height;
    EXPECT_EQ(getpixel(screen_buffer, 40, top), 190);         // band 0, tile row 0
    EXPECT_EQ(getpixel(screen_buffer, 41, top + 1), 191);     // row 1, column 1 is pattern 1
    EXPECT_EQ(getpixel(screen_buffer, 47, top + 7), 191);     // row 7 is all pattern 1
    EXPECT_EQ(getpixel(screen_buffer, 40, top + 28 * 8), 218);
    EXPECT_EQ(getpixel(screen_buffer, 40, top + 29 * 8), 190 + 29);
    EXPECT_EQ(getpixel(screen_buffer, 40, top + 29 * 8 + 7), 190 + 28);
    EXPECT_EQ(getpixel(screen_buffer, 40, top + 30 * 8), 190 + 28);
    EXPECT_EQ(getpixel(screen_buffer, 359, top), 190);
    EXPECT_EQ(getpixel(screen_buffer, 360, top), 0);
    EXPECT_EQ(getpixel(screen_buffer, 39, top), 0);
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

using Pick_lists = UiScreen;

TEST_F(Pick_lists, keys_page_and_choose)
{
    list_page_builders[LIST_PLANETS] = fake_page;
    list_item_counts[LIST_PLANETS] = fake_count;
    int_param[I_LIST_FONT] = 1; // Normal: font 4, stand-in 8 pixels high
    int per_page = (21 * line_height) / (text_height(font) + 4);
    int32_t first = 0;
    EXPECT_EQ(list_picker(&first, LIST_PLANETS, KC_PGDN), 0);
    EXPECT_EQ(first, per_page);
    ASSERT_EQ(per_page, 28);
    EXPECT_EQ(list_picker(&first, LIST_PLANETS, 'b'), 1); // the second entry, item 29
    EXPECT_EQ(int_param[I_PLANET_NUMBER], 29);
    EXPECT_EQ(pane_codes[2], 'a');
    EXPECT_EQ(pane_codes[3], 'b');
    EXPECT_EQ(pane_codes[4], -1);
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
    list_page_builders[LIST_PLANETS] = nullptr;
    list_item_counts[LIST_PLANETS] = nullptr;
}

TEST_F(Pick_lists, f9_appends_the_page_to_the_notes)
{
    ScratchDir dir;
    list_page_builders[LIST_PLANETS] = fake_page;
    list_item_counts[LIST_PLANETS] = fake_count;
    int32_t first = 25;
    list_picker(&first, LIST_PLANETS, KC_F9);
    list_picker(&first, LIST_PLANETS, KC_F9);
    std::vector<uint8_t> bytes = read_file_bytes("notes.txt");
    std::string text(bytes.begin(), bytes.end());
    std::string one = std::string("\r\n") + title_line + "  " + second_title_line +
                      "\r\nFake list\r\nNo. Name\r\n25  item 25\r\n26  item 26\r\n27  item 27\r\n"
                      "28  item 28\r\n29  item 29\r\n\r\n\r\n";
    EXPECT_EQ(text, one + one);
    list_page_builders[LIST_PLANETS] = nullptr;
    list_item_counts[LIST_PLANETS] = nullptr;
}
