// Palettes as plain tables: the interface palette, the palette kept from
// start-up, and the conversions between 0..63 library palettes and 0..255
// colour tables.
#include "store/palette.h"

PALETTE startup_palette;

void interface_palette(uint8_t out[256][3])
{
    static const uint8_t low[16][3] = {
        {0, 0, 0},   {0, 0, 30},  {30, 0, 0},  {0, 30, 0},  {0, 30, 30},  {33, 0, 33},
        {33, 33, 0}, {33, 33, 33}, {43, 43, 43}, {0, 0, 63}, {63, 0, 0}, {0, 63, 63},
        {0, 63, 0},  {63, 0, 63}, {63, 63, 0}, {63, 63, 63}};
    auto set = [out](int i, int r, int g, int b) {
        out[i][0] = (uint8_t)r;
        out[i][1] = (uint8_t)g;
        out[i][2] = (uint8_t)b;
    };
    for (int i = 0; i < 16; i++)
        set(i, low[i][0], low[i][1], low[i][2]);
    for (int k = 0; k < 16; k++)
        set(16 + k, 4 * k + 3, 4 * k + 3, 4 * k + 3);
    static const int cube[5] = {4, 18, 32, 46, 60};
    for (int i = 0; i < 125; i++)
        set(32 + i, cube[i / 25], cube[(i / 5) % 5], cube[i % 5]);
    set(157, 0, 0, 0);
    for (int k = 0; k < 32; k++)
        set(158 + k, 2 * k + 1, 2 * k + 1, 2 * k + 1);
    for (int k = 0; k < 30; k++)
        set(190 + k, 53 - k, 33 + k, 3 + k);
    for (int k = 0; k < 35; k++)
        set(220 + k, 53 - k, 3 + k, 27 + k);
    set(255, 63, 63, 63);
}

void palette_to_rgb(const PALETTE pal, uint8_t rgb[256][3])
{
    for (int i = 0; i < 256; i++) {
        rgb[i][0] = (uint8_t)(pal[i].r * 4);
        rgb[i][1] = (uint8_t)(pal[i].g * 4);
        rgb[i][2] = (uint8_t)(pal[i].b * 4);
    }
}

void rgb_to_palette(const uint8_t rgb[256][3], PALETTE pal)
{
    for (int i = 0; i < 256; i++) {
        pal[i].r = (unsigned char)(rgb[i][0] / 4);
        pal[i].g = (unsigned char)(rgb[i][1] / 4);
        pal[i].b = (unsigned char)(rgb[i][2] / 4);
    }
}
