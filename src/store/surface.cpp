// The surface map and the Colour table: the one planet map or ring image in
// memory, which the planet and ring renderers sample and the backdrop loader
// may fill, and the colours that colour planets, gradients and comets name.
#include "store/surface.h"

#include <allegro.h> // Required for: clear_to_color
#include <cstring>   // Required for: memcpy, memset

#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

BITMAP* surface_map = nullptr;
uint8_t map_palette[256][3];
int32_t map_width = 512, map_height = 256;
double map_width_d = 512.0, map_height_d = 256.0;
int32_t full_map = 1;
uint8_t colour_table[256][3];
int32_t image_width = 0, image_height = 0;
char topology_file_name[32] = "novamir1.top";

void reset_surface_map(int colour_index)
{
    if (surface_map)
        clear_to_color(surface_map, colour_index);
    image_width = 512;
    image_height = 256;
    memcpy(map_palette, colour_table, sizeof map_palette);
}

void fill_colour_map(int colour_index)
{
    reset_surface_map(colour_index);
    map_width = 512;
    map_height = 256;
    map_width_d = 512.0;
    map_height_d = 256.0;
    full_map = 1;
}

void fill_lower_half(int colour_index)
{
    if (surface_map)
        for (int r = 128; r < MAP_MAX_HEIGHT; r++)
            memset(surface_map->line[r], (uint8_t)colour_index, MAP_MAX_WIDTH);
    image_width = 512;
    image_height = 256;
    memcpy(map_palette, colour_table, sizeof map_palette);
}
