// Images and bitmap objects: image file loading, the bitmap renderer and
// the output image writers.
#pragma once
#include <cstdint> // Required for: int32_t, uint8_t
#include <allegro.h> // Required for: PALETTE, BITMAP

// ---------------------------------------------------------------------------
// Loading (load.cpp).

extern char image_path[80];
extern BITMAP* object_image;
extern PALETTE work_palette;
extern int32_t backdrop_kind; // -1 unknown, 1 TGA, 2 BMP, 3 PCX
// Where object_image was read from ("" when none is held) and the colour
// conversion mode it was read under, so the same picture can be read again.
extern char object_image_file[512];
extern int32_t object_image_conversion;

int frame_numbered_name(const char* path);
int load_object_image(const char* name);
int load_backdrop(const char* name);
int load_map_image(const char* path);

// ---------------------------------------------------------------------------
// Bitmap renderer (bitmap.cpp).

struct BitmapPlacement {
    double centre_x, centre_y;
    double sx, sy;        // frame pixels per source pixel
    double sw, sh;        // scaled size
    int32_t iw, ih;       // pixel size, iw at most 1,024
    double left, top, right, bottom;
    int32_t ileft, itop;
    float fleft, ftop;    // fractional parts (negative for a negative edge)
};
extern BitmapPlacement bitmap_place;
void place_bitmap();
void draw_bitmap(int skip_black, int mode);

// ---------------------------------------------------------------------------
// Writers (write.cpp).

int save_frame_bmp(const char* path);
int save_frame_tga(const char* path);
int save_view();
