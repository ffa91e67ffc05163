// Widgets: the font table, box geometry, hot cells of buttons and tabs,
// pick lists and the notes file.
#include "ui_test_support.h"

#include "store/store.h" // Required for: I_LIST_FONT, I_PLANET_NUMBER, PAGE_LIST
#include "ui/ui.h"       // Required for: KC_DELETE, KC_END, KC_F9
#include "test_support.h"

#include <cstring>

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
    ui_datafile = saved;
    font = saved_font;
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
    EXPECT_EQ(hit_map[2][25] * 10000 + hit_map[2][31] * 100 + hit_map[2][73], 434348);
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
    EXPECT_EQ(pane_codes[2] * 1000 + pane_codes[3] * 10 + pane_codes[4], 'a' * 1000 + 'b' * 10 - 1);
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
    std::vector<uint8_t> bytes = read_file_bytes("notes.txt");
    std::string text(bytes.begin(), bytes.end());
    std::string one = std::string("\r\n") + title_line + "  " + second_title_line +
                      "\r\nFake list\r\nNo. Name\r\n25  item 25\r\n26  item 26\r\n27  item 27\r\n"
                      "28  item 28\r\n29  item 29\r\n\r\n\r\n";
    EXPECT_EQ(text, one + one);
}
