// The surface map and the Colour table: the one planet map or ring image in
// memory, which the planet and ring renderers sample and the backdrop loader
// may fill, and the colours that colour planets, gradients and comets name.
#pragma once
#include <cstdint> // Required for: int32_t, uint8_t

struct BITMAP;

// The 8-bit 640 x 256 map now loaded, its palette and size.
extern BITMAP* surface_map;
extern uint8_t map_palette[256][3];
extern int32_t map_width, map_height;
extern double map_width_d, map_height_d;
extern int32_t full_map;
// Colour table: palette of colour planets and rings, of COLOUR ONE/TWO and
// MID/EDGE COLOUR; from the database, rebuilt from the interface palette.
extern uint8_t colour_table[256][3];
// Size of the image read last (an object image, a backdrop or a map record).
extern int32_t image_width, image_height;
// The topology file in use ("novamir1.top"), shown on the status line.
extern char topology_file_name[32];

// Clears the map to one colour and gives it the Colour table as palette.
void reset_surface_map(int colour_index);
// The same as a full 512 x 256 map: a colour planet or ring.
void fill_colour_map(int colour_index);
// Paints the lower half of the map one colour (a colour ring's clear half).
void fill_lower_half(int colour_index);
