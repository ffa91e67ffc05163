// Screen layer: drawing target, interface palette, screen colours, fonts.
#include "ui/ui.h"

#include <cstdio>  // Required for: snprintf
#include <cstring> // Required for: strcspn

#include "platform/platform.h" // Required for: find_data_file
#include "store/palette.h"     // Required for: interface_palette
#include "store/surface.h"     // Required for: colour_table

BITMAP* screen_buffer = nullptr;
BITMAP* draw_target = nullptr;
int32_t char_width = 8, line_height = 16;
uint8_t ui_palette[256][3];
int32_t screen_colours[257];
DATAFILE* ui_datafile = nullptr;
FONT* system_font = nullptr;
FONT* list_font = nullptr;
int32_t list_font_number = 4;

void set_text_metrics(int w)
{
    if (w <= 700) {
        char_width = 8;
        line_height = 16;
    } else if (w <= 1000) {
        char_width = 10;
        line_height = 20;
    } else {
        char_width = 12;
        line_height = 24;
    }
}

int use_buffer_target(int w)
{
    draw_target = screen_buffer;
    set_text_metrics(w);
    return SCREEN_H / line_height; // 0 without a screen
}

void ui_palette_as_library(PALETTE pal)
{
    for (int i = 0; i < 256; i++) {
        pal[i].r = ui_palette[i][0];
        pal[i].g = ui_palette[i][1];
        pal[i].b = ui_palette[i][2];
        pal[i].filler = 0;
    }
}

void build_ui_palette()
{
    interface_palette(ui_palette);
    for (int i = 0; i < 256; i++)
        screen_colours[i] = i;
    screen_colours[256] = 0;
    PALETTE pal;
    ui_palette_as_library(pal);
    set_palette(pal);
}

void build_screen_colours()
{
    for (int i = 0; i < 256; i++)
        screen_colours[i] = makecol(4 * ui_palette[i][0], 4 * ui_palette[i][1], 4 * ui_palette[i][2]);
    screen_colours[256] = makecol(255, 0, 255);
}

int restore_ui_palette()
{
    build_ui_palette();
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            colour_table[i][c] = (uint8_t)(ui_palette[i][c] * 4);
    int depth = screen ? bitmap_color_depth(screen) : 8;
    if (depth > 8)
        build_screen_colours();
    return depth;
}

void use_font(int which)
{
    if (which <= 1) {
        if (system_font)
            font = system_font;
    } else if (list_font) {
        font = list_font;
    }
}

// Datafile object of each font number; higher numbers all take one object.
// Every object of the datafile is some number's font.
constexpr int NUMBERED_FONTS = 14;
constexpr int FONT_OBJECT_BEYOND = 1;
static const int font_object[NUMBERED_FONTS] = {12, 9, 13, 7, 10, 6, 14, 11, 8, 3, 4, 5, 2, 0};
static_assert(NUMBERED_FONTS + 1 == UI_FONTS, "the numbered fonts and the one beyond are the whole datafile");

FONT* numbered_font(int n)
{
    if (!ui_datafile || n < 0)
        return system_font ? system_font : font;
    return (FONT*)ui_datafile[n < NUMBERED_FONTS ? font_object[n] : FONT_OBJECT_BEYOND].dat;
}

int select_list_font(int n)
{
    if (n < 0)
        return 0;
    if (ui_datafile)
        list_font = numbered_font(n);
    use_font(2);
    list_font_number = n;
    return n;
}

int draw_text(int x, int y, int colour, const char* text)
{
    if (!draw_target || !text)
        return 0;
    // A message may end in a line break (the start-up notices do); the fonts
    // would draw it as a glyph, so a line stops at its first break.
    size_t n = strcspn(text, "\r\n");
    if (text[n] == 0) {
        textout_ex(draw_target, font, text, x, y, colour, -1);
    } else {
        char line[256];
        snprintf(line, sizeof line, "%.*s", (int)(n < sizeof line ? n : sizeof line - 1), text);
        textout_ex(draw_target, font, line, x, y, colour, -1);
    }
    return 0;
}

int fill_box(int x1, int y1, int x2, int y2, int colour)
{
    if (draw_target)
        rectfill(draw_target, x1, y1, x2, y2, colour);
    return 0;
}

int put_pixel(int x, int y, int colour)
{
    if (draw_target)
        putpixel(draw_target, x, y, colour);
    return 0;
}

// ---------------------------------------------------------------------------
// Interface set-up and the colour strip.

int interface_setup_with(DATAFILE* fonts)
{
    for (int i = 0; i < UI_FONTS; i++)
        if (!fonts || fonts[i].type != DAT_FONT)
            return -1;
    ui_datafile = fonts;
    if (!system_font)
        system_font = font;
    select_list_font(4);
    use_buffer_target(SCREEN_W);
    build_ui_palette();
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            colour_table[i][c] = (uint8_t)(ui_palette[i][c] * 4);
    if (screen && bitmap_color_depth(screen) > 8)
        build_screen_colours();
    return 0;
}

int interface_setup()
{
    char path[1024];
    if (!find_data_file("novx.dat", path, sizeof path))
        return -1;
    DATAFILE* fonts = load_datafile(path);
    if (!fonts)
        return -1;
    int count = 0;
    while (fonts[count].type != DAT_END)
        count++;
    if (count < UI_FONTS || interface_setup_with(fonts) != 0) {
        unload_datafile(fonts);
        return -1;
    }
    return 0;
}

void draw_colour_strip()
{
    for (int i = 0; i <= 256; i++)
        fill_box(2 * i, line_height + 1, 2 * i + 2, line_height + 3, screen_colours[i]);
}
