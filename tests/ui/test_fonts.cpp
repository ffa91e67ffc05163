// Interface fonts: the built novx.dat, the font numbers the program picks
// from it, and the BDF-to-grid converter that feeds Allegro's dat tool.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"
#include "ui/ui.h"

namespace {

constexpr int FONT_OBJECTS = 15;

// Font numbers of the LIST FONT labels, smallest label first.
struct Label {
    const char* name;
    int number;
};
const Label list_font_labels[] = {{"Micro", 0}, {"Small", 9}, {"Average", 1},
                                  {"Normal", 4}, {"Big", 7},   {"Huge", 11}};

// Loads the built novx.dat into ui_datafile for one test and puts the
// library's state back afterwards.
class Interface_fonts : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[512];
        ASSERT_TRUE(find_data_file("novx.dat", path, sizeof path)) << "build the data files first";
        data = load_datafile(path);
        ASSERT_NE(data, nullptr) << path;
        saved_font = font;
        saved_datafile = ui_datafile;
        saved_list_font = list_font;
        ui_datafile = data;
    }
    void TearDown() override
    {
        font = saved_font;
        ui_datafile = saved_datafile;
        list_font = saved_list_font;
        if (data)
            unload_datafile(data);
    }
    FONT* numbered(int n)
    {
        select_list_font(n);
        return list_font;
    }
    DATAFILE* data = nullptr;
    FONT* saved_font = nullptr;
    FONT* saved_list_font = nullptr;
    DATAFILE* saved_datafile = nullptr;
};

// Ink pixels of text drawn in colour 7 on a cleared 8-bit bitmap, or -1 when
// a pixel of any colour but 0 and 7 appears.
int ink_pixels(FONT* f, const char* text)
{
    BITMAP* b = create_bitmap_ex(8, 200, 60);
    clear_to_color(b, 0);
    textout_ex(b, f, text, 0, 0, 7, -1);
    int ink = 0;
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++) {
            int c = getpixel(b, x, y);
            if (c == 7)
                ink++;
            else if (c != 0)
                ink = -1000000;
        }
    destroy_bitmap(b);
    return ink < 0 ? -1 : ink;
}

int run(const std::string& cmd) { return system((cmd + " 2>tool.err >/dev/null").c_str()); }

std::string tool(const char* name) { return std::string(NOVAMIR_BIN_DIR) + "/" + name; }

std::string tool_messages()
{
    std::vector<uint8_t> e = read_file_bytes("tool.err");
    return std::string(e.begin(), e.end());
}

// A small BDF: cell 5 wide, ascent 6, descent 2; 'A' is a 3x4 box whose top
// row is full, 1 pixel in from the left, sitting on the baseline (cell rows
// 2..5); '!' is a 1x2 bar at the right edge reaching one row below the
// baseline (yoff -1: cell rows 5 and 6).
const char* const tiny_bdf =
    "STARTFONT 2.1\n"
    "FONT tiny\n"
    "SIZE 8 75 75\n"
    "FONTBOUNDINGBOX 5 8 0 -2\n"
    "STARTPROPERTIES 2\n"
    "FONT_ASCENT 6\n"
    "FONT_DESCENT 2\n"
    "ENDPROPERTIES\n"
    "CHARS 3\n"
    "STARTCHAR space\nENCODING 32\nSWIDTH 480 0\nDWIDTH 5 0\nBBX 5 8 0 -2\nBITMAP\n"
    "00\n00\n00\n00\n00\n00\n00\n00\nENDCHAR\n"
    "STARTCHAR exclam\nENCODING 33\nSWIDTH 480 0\nDWIDTH 5 0\nBBX 1 2 4 -1\nBITMAP\n"
    "80\n80\nENDCHAR\n"
    "STARTCHAR A\nENCODING 65\nSWIDTH 480 0\nDWIDTH 5 0\nBBX 3 4 1 0\nBITMAP\n"
    "E0\nA0\nA0\nE0\nENDCHAR\n"
    "ENDFONT\n";

void write_text(const std::string& path, const std::string& text)
{
    write_file_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

// ---------------------------------------------------------------------------

TEST_F(Interface_fonts, DatafileHoldsFifteenFonts)
{
    int k = 0;
    while (data[k].type != DAT_END)
        k++;
    EXPECT_EQ(k, FONT_OBJECTS);
    for (int i = 0; i < FONT_OBJECTS && i < k; i++) {
        EXPECT_EQ(data[i].type, DAT_FONT) << "object " << i;
        FONT* f = (FONT*)data[i].dat;
        EXPECT_GE(text_height(f), 6) << "object " << i;
        EXPECT_LE(text_height(f), 24) << "object " << i;
        // Mono fonts: text takes the colour it is drawn in.
        EXPECT_GT(ink_pixels(f, "Planet 1234"), 20) << "object " << i;
    }
}

TEST_F(Interface_fonts, ListFontLabelsGrowInSize)
{
    int last_height = 0, last_width = 0;
    for (const Label& l : list_font_labels) {
        FONT* f = numbered(l.number);
        ASSERT_NE(f, nullptr) << l.name;
        int h = text_height(f), w = text_length(f, "PLANET");
        EXPECT_GT(h, last_height) << l.name;
        EXPECT_GE(w, last_width) << l.name;
        last_height = h;
        last_width = w;
    }
    EXPECT_LE(text_height(numbered(0)), 7);   // Micro
    EXPECT_GE(text_height(numbered(11)), 18); // Huge
    // Numbers beyond the table take the last object, as 14 does.
    EXPECT_EQ(numbered(20), numbered(14));
}

TEST_F(Interface_fonts, FontsFitWhereTheProgramPutsThem)
{
    // Font 4 draws menu rows and buttons: text starts 3 pixels down a
    // 16-pixel button, and the longest row name fits the 12-cell (96 pixel) field.
    FONT* normal = numbered(4);
    EXPECT_LE(text_height(normal), 12);
    EXPECT_LE(text_length(normal, "TRAVEL DISTANCE") + 2, 96);
    // Font 7 draws the page tabs in the same 16-pixel band.
    EXPECT_LE(text_height(numbered(7)), 13);
    // Font 3 fills value fields sized 6 pixels a character.
    EXPECT_EQ(text_length(numbered(3), "0123456789"), 60);
    EXPECT_LE(text_height(numbered(3)), 13);
    // Font 5 writes message box lines 16 pixels apart.
    EXPECT_LE(text_height(numbered(5)), 15);
}

TEST_F(Interface_fonts, LatinOneLettersHaveGlyphs)
{
    FONT* f = numbered(4);
    // Allegro reads strings as UTF-8: e acute and the degree sign.
    EXPECT_GT(ink_pixels(f, "\xc3\xa9"), 5);
    EXPECT_GT(ink_pixels(f, "\xc2\xb0"), 3);
    EXPECT_EQ(ink_pixels(f, " "), 0);
}

// ---------------------------------------------------------------------------

TEST(Font_grid_converter, GlyphsLandInTheirCellsOnTheBaseline)
{
    ScratchDir dir;
    write_text("tiny.bdf", tiny_bdf);
    ASSERT_EQ(run(tool("bdf_to_grid") + " tiny.bdf tiny.pcx"), 0) << tool_messages();
    PALETTE pal;
    BITMAP* b = load_bitmap("tiny.pcx", pal);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(bitmap_color_depth(b), 8);
    // 16 cells of 5+1 across plus the border; 191 characters in 12 rows of 8+1.
    EXPECT_EQ(b->w, 1 + 16 * 6);
    EXPECT_EQ(b->h, 1 + 12 * 9);
    for (int x = 0; x < b->w; x++)
        ASSERT_EQ(getpixel(b, x, 0), 255) << "top border at " << x;
    for (int y = 0; y < b->h; y++)
        ASSERT_EQ(getpixel(b, 0, y), 255) << "left border at " << y;
    // 'A' is character 65: cell 33, column 1 of row 2; top-left pixel (7, 19).
    const int ax = 1 + 1 * 6, ay = 1 + 2 * 9;
    const char* const want_a[8] = {".....", ".....", ".###.", ".#.#.",
                                   ".#.#.", ".###.", ".....", "....."};
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(getpixel(b, ax + x, ay + y), want_a[y][x] == '#' ? 1 : 0)
                << "A at " << x << "," << y;
    EXPECT_EQ(getpixel(b, ax + 5, ay), 255); // separator after the cell
    EXPECT_EQ(getpixel(b, ax, ay + 8), 255);
    // '!' in cell 1, column 4: rows 5 and 6, nothing above or below.
    EXPECT_EQ(getpixel(b, 1 + 6 + 4, 1 + 4), 0);
    EXPECT_EQ(getpixel(b, 1 + 6 + 4, 1 + 5), 1);
    EXPECT_EQ(getpixel(b, 1 + 6 + 4, 1 + 6), 1);
    EXPECT_EQ(getpixel(b, 1 + 6 + 4, 1 + 7), 0);
    // 'B' is missing from the font: its cell stays blank.
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(getpixel(b, ax + 6 + x, ay + y), 0);
    destroy_bitmap(b);
}

TEST(Font_grid_converter, RefusesBrokenFonts)
{
    ScratchDir dir;
    std::string good = tiny_bdf;
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"a bitmap row missing", std::string(good).replace(good.find("E0\nA0\nA0\nE0\n"), 12, "E0\nA0\nA0\n"),
         "rows"},
        {"a bitmap row that is not hex", std::string(good).replace(good.find("A0\nA0"), 2, "Z0"),
         "bad bitmap row"},
        {"no letter A", std::string(good).replace(good.find("ENCODING 65"), 11, "ENCODING 66"),
         "no glyph for 'A'"},
        {"no height", std::string(good).replace(good.find("FONT_ASCENT 6"), 13, "FONT_ASCENT 0")
                          .replace(good.find("FONT_DESCENT 2"), 14, "FONT_DESCENT 0"),
         "not a usable size"},
    };
    for (const Case& c : cases) {
        write_text("bad.bdf", c.text);
        EXPECT_NE(run(tool("bdf_to_grid") + " bad.bdf bad.pcx"), 0) << c.what;
        EXPECT_NE(tool_messages().find(c.message), std::string::npos) << c.what << ": " << tool_messages();
        EXPECT_NE(tool_messages().find("bad.bdf"), std::string::npos) << c.what;
        EXPECT_TRUE(read_file_bytes("bad.pcx").empty()) << c.what;
    }
    EXPECT_NE(run(tool("bdf_to_grid") + " missing.bdf out.pcx"), 0);
    EXPECT_NE(tool_messages().find("missing.bdf"), std::string::npos);
}

// The whole chain twice: BDF -> grid -> dat -> load_datafile. Same bytes
// both times, and the loaded font draws the glyph exactly as the BDF has it.
TEST(Font_grid_converter, DatafileRoundTripIsExactAndRepeatable)
{
    ScratchDir dir;
    write_text("tiny.bdf", tiny_bdf);
    write_text("tiny.txt", "tiny.pcx 0x20 0x7E\n- 0xA0 0xFF\n");
    std::vector<uint8_t> first;
    for (int pass = 0; pass < 2; pass++) {
        ASSERT_EQ(run(tool("bdf_to_grid") + " tiny.bdf tiny.pcx"), 0) << tool_messages();
        remove("fonts.dat");
        ASSERT_EQ(run("dat fonts.dat -n0 -s1 -a -t FONT tiny.txt"), 0) << tool_messages();
        std::vector<uint8_t> bytes = read_file_bytes("fonts.dat");
        ASSERT_FALSE(bytes.empty());
        if (pass == 0)
            first = bytes;
        else
            EXPECT_TRUE(bytes == first);
    }
    DATAFILE* d = load_datafile("fonts.dat");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d[0].type, DAT_FONT);
    FONT* f = (FONT*)d[0].dat;
    EXPECT_EQ(text_height(f), 8);
    EXPECT_EQ(text_length(f, "A!A"), 15);
    BITMAP* b = create_bitmap_ex(8, 10, 8);
    clear_to_color(b, 0);
    textout_ex(b, f, "A!", 0, 0, 9, -1);
    const char* const want[8] = {"..........", "..........", ".###......", ".#.#......",
                                 ".#.#......", ".###.....#", ".........#", ".........."};
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 10; x++)
            EXPECT_EQ(getpixel(b, x, y), want[y][x] == '#' ? 9 : 0) << x << "," << y;
    destroy_bitmap(b);
    unload_datafile(d);
}
