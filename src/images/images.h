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
extern int32_t backdrop_kind; // -1 unknown, 1 TGA, 2 BMP, 3 PCX, 4 PNG or JPEG
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

// Everything placement and drawing read of the render settings and the
// store, taken in one place at the start of each.
struct BitmapSettings {
    int32_t width, height;   // frame size in pixels
    double ppd;              // PIXELS/DEGREE (store)
    int32_t x, y;            // X/Y CENTRE, pixels
    double x_scale, y_scale; // frame pixels per picture pixel at DISTANCE
    double distance;         // DISTANCE of the picture at rest
    double travel_distance;  // TRAVEL DISTANCE, 0 = at rest
    double travel_angle;     // TRAVEL ANGLE, degrees
    double vertical_angle;   // VERTICAL ANGLE of the travel, degrees
    int32_t travel_type;     // travel curve 0..4
    bool perspective;        // X PERSPECTIVE
    double lighting;         // LIGHTING, brightness factor
    int32_t fade;            // FADE: none, in, out over the frame range
    int32_t edge_adjust;     // EDGE ADJUST
    int32_t function;        // TRANS FUNCTION
    double transparency;     // TRANSPARENCY of the FLAT function
    int32_t frame;           // current frame
    int32_t start_frame, end_frame; // the picture's frame range (store)
};
BitmapSettings bitmap_settings();

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

// ---------------------------------------------------------------------------
// Frames under a chosen name (output.cpp).

// 24-bit PNG of the frame, written whole or not at all; 0 or -1 (logged).
int save_frame_png(const char* path);
// The frame in the format path's extension names (.png, .bmp, else TGA),
// the folders on the way made; the library state the BMP writer leaves is
// put back. 0 or -1 (logged).
int save_frame_as(const char* path);
