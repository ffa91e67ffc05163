// Palettes as plain tables: the interface palette, the palette kept from
// start-up, and the conversions between 0..63 library palettes and 0..255
// colour tables.
#pragma once
#include <cstdint>   // Required for: uint8_t
#include <allegro.h> // Required for: PALETTE

// The palette the screen had when the program started (the screen dump
// writes its TGA with it).
extern PALETTE startup_palette;

// The interface palette, 0..63 per channel: the menus' colours, and the
// Colour table of a database without usable images (times four).
void interface_palette(uint8_t out[256][3]);
// Library palette (0..63) to colour table (0..255) and back.
void palette_to_rgb(const PALETTE pal, uint8_t rgb[256][3]);
void rgb_to_palette(const uint8_t rgb[256][3], PALETTE pal);
