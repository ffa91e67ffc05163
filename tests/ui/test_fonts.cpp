// Interface fonts: the built novx.dat and the font numbers the program picks from it.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "ui/ui.h"             // Required for: list_font, select_list_font, ui_datafile
#include "test_support.h"

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
        FONT* f = (FONT*)data[i].dat;
        EXPECT_TRUE(text_height(f) >= 6 && text_height(f) <= 24) << "object " << i;
        EXPECT_GT(ink_pixels(f, "Planet 1234"), 20) << "object " << i; // mono: drawn in its colour
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

    font = saved_font;
    ui_datafile = saved_datafile;
    list_font = saved_list_font;
    unload_datafile(data);
}

