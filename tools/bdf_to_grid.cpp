// Converts a BDF bitmap font into the character grid picture from which
// Allegro's dat tool grabs a FONT object: 8-bit, background 0, ink 1, a
// one-pixel border and separators of colour 255, characters in reading order.
// The grid holds ASCII 32..126 and then Latin-1 160..255; glyphs the font
// lacks stay blank. Cells are the font's advance wide and its ascent plus
// descent high, so every character keeps its own baseline.
#include <allegro.h> // Required for: create_bitmap_ex, putpixel, save_bitmap, PALETTE
#include <cstdio>    // Required for: fopen, fgets, fprintf
#include <cstdlib>   // Required for: strtol
#include <cstring>   // Required for: strncmp, strlen
#include <string>
#include <vector>

#include "platform/atomic_file.h" // Required for: write_file_atomically
#include "platform/platform.h"    // Required for: init_headless

constexpr int GRID_COLUMNS = 16;
constexpr int SEPARATOR = 255; // border and separator colour the grabber looks for
constexpr int INK = 1;
// Character ranges in grid order: printable ASCII, then printable Latin-1.
constexpr int RANGES[2][2] = {{32, 126}, {160, 255}};
constexpr int MAX_CELL = 64; // largest cell side accepted, in pixels

struct Glyph {
    int code = -1;
    int width = 0, height = 0, xoff = 0, yoff = 0; // BBX
    std::vector<std::vector<uint8_t>> rows;        // bitmap bytes per row
};

struct BdfFont {
    int advance = 0;          // cell width: the fonts used are monospaced
    int ascent = 0, descent = 0;
    std::vector<Glyph> glyphs; // indexed by code 0..255, code -1 when absent
};

static bool hex_row(const char* s, int bytes, std::vector<uint8_t>* out)
{
    out->clear();
    for (int i = 0; i < bytes; i++) {
        char pair[3] = {s[2 * i], (char)(s[2 * i] ? s[2 * i + 1] : 0), 0};
        char* end;
        long v = strtol(pair, &end, 16);
        if (!pair[0] || !pair[1] || *end)
            return false;
        out->push_back((uint8_t)v);
    }
    return true;
}

// Reads the header metrics and the glyphs 0..255; false after a message.
static bool read_bdf(const char* path, BdfFont* font)
{
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "bdf_to_grid: cannot open %s\n", path);
        return false;
    }
    font->glyphs.assign(256, Glyph());
    char line[1024];
    int line_no = 0;
    Glyph g;
    bool in_char = false, in_bitmap = false, ok = true;
    int dwidth = 0, box_width = 0;
    while (ok && fgets(line, sizeof line, f)) {
        line_no++;
        if (!in_char) {
            sscanf(line, "FONT_ASCENT %d", &font->ascent);
            sscanf(line, "FONT_DESCENT %d", &font->descent);
            sscanf(line, "FONTBOUNDINGBOX %d", &box_width);
            if (strncmp(line, "STARTCHAR", 9) == 0) {
                in_char = true;
                g = Glyph();
            }
            continue;
        }
        if (in_bitmap) {
            if (strncmp(line, "ENDCHAR", 7) == 0) {
                in_char = in_bitmap = false;
                if ((int)g.rows.size() != g.height) {
                    fprintf(stderr, "bdf_to_grid: %s:%d: glyph %d has %zu rows, not %d\n", path,
                            line_no, g.code, g.rows.size(), g.height);
                    ok = false;
                } else if (g.code >= 0 && g.code < 256) {
                    font->glyphs[g.code] = g;
                }
                continue;
            }
            std::vector<uint8_t> row;
            if (!hex_row(line, (g.width + 7) / 8, &row)) {
                fprintf(stderr, "bdf_to_grid: %s:%d: bad bitmap row\n", path, line_no);
                ok = false;
            }
            g.rows.push_back(row);
            continue;
        }
        sscanf(line, "ENCODING %d", &g.code);
        if (sscanf(line, "DWIDTH %d", &dwidth) == 1 && g.code >= 32 && g.code < 256 &&
            dwidth > font->advance)
            font->advance = dwidth;
        sscanf(line, "BBX %d %d %d %d", &g.width, &g.height, &g.xoff, &g.yoff);
        if (strncmp(line, "BITMAP", 6) == 0) {
            if (g.width < 0 || g.height < 0 || g.width > MAX_CELL || g.height > MAX_CELL) {
                fprintf(stderr, "bdf_to_grid: %s:%d: glyph %d is %dx%d\n", path, line_no, g.code,
                        g.width, g.height);
                ok = false;
            }
            in_bitmap = true;
        }
    }
    fclose(f);
    if (!ok)
        return false;
    if (font->advance <= 0)
        font->advance = box_width;
    int height = font->ascent + font->descent;
    if (font->advance <= 0 || font->advance > MAX_CELL || height <= 0 || height > MAX_CELL) {
        fprintf(stderr, "bdf_to_grid: %s: cell %dx%d is not a usable size\n", path, font->advance,
                height);
        return false;
    }
    if (font->glyphs['A'].code < 0) {
        fprintf(stderr, "bdf_to_grid: %s: no glyph for 'A', not a text font\n", path);
        return false;
    }
    return true;
}

// Draws glyph g into the cell whose top-left pixel is (cx, cy).
static void draw_glyph(BITMAP* bmp, const BdfFont& font, const Glyph& g, int cx, int cy)
{
    int cell_h = font.ascent + font.descent;
    // Top row of the glyph's box, counted from the cell top.
    int top = font.ascent - (g.yoff + g.height);
    for (int j = 0; j < g.height; j++) {
        int y = top + j;
        if (y < 0 || y >= cell_h)
            continue;
        for (int i = 0; i < g.width; i++) {
            int x = g.xoff + i;
            if (x < 0 || x >= font.advance)
                continue;
            if (g.rows[j][i / 8] & (0x80 >> (i % 8)))
                putpixel(bmp, cx + x, cy + y, INK);
        }
    }
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bdf_to_grid FONT.BDF GRID.PCX\n");
        return 2;
    }
    BdfFont font;
    if (!read_bdf(argv[1], &font))
        return 1;
    if (init_headless() != 0) {
        fprintf(stderr, "bdf_to_grid: cannot start Allegro\n");
        return 1;
    }
    int count = 0;
    for (const auto& r : RANGES)
        count += r[1] - r[0] + 1;
    int rows = (count + GRID_COLUMNS - 1) / GRID_COLUMNS;
    int cw = font.advance, ch = font.ascent + font.descent;
    BITMAP* bmp = create_bitmap_ex(8, 1 + GRID_COLUMNS * (cw + 1), 1 + rows * (ch + 1));
    if (!bmp) {
        fprintf(stderr, "bdf_to_grid: out of memory\n");
        return 1;
    }
    clear_to_color(bmp, SEPARATOR);
    int k = 0;
    for (const auto& r : RANGES) {
        for (int code = r[0]; code <= r[1]; code++, k++) {
            int cx = 1 + (k % GRID_COLUMNS) * (cw + 1), cy = 1 + (k / GRID_COLUMNS) * (ch + 1);
            rectfill(bmp, cx, cy, cx + cw - 1, cy + ch - 1, 0);
            if (font.glyphs[code].code == code)
                draw_glyph(bmp, font, font.glyphs[code], cx, cy);
        }
    }
    // Cells past the last character are left as separator colour: the grabber
    // stops at the first position with no cell.
    PALETTE pal;
    for (int i = 0; i < 256; i++)
        pal[i].r = pal[i].g = pal[i].b = 0;
    pal[INK].r = pal[INK].g = pal[INK].b = 63;
    pal[SEPARATOR].r = pal[SEPARATOR].b = 63;
    int failed = write_file_atomically(argv[2], [&](const char* temp) { return save_pcx(temp, bmp, pal); });
    destroy_bitmap(bmp);
    if (failed != 0) {
        fprintf(stderr, "bdf_to_grid: error writing %s\n", argv[2]);
        return 1;
    }
    return 0;
}
