// Sky: the gradient backdrop, the star catalogue and the star field.
#pragma once
#include <cstdint> // Required for: int32_t

// Star catalogue file (starcats.bin): a 2-byte record count, then the
// records. The reader goes by the file's size, never by the count, and takes
// the stars in chunks of STAR_CHUNK (the twinkle phase counts within a chunk).
constexpr int STAR_RECORDS = 5080;      // a whole catalogue
constexpr int STAR_CHUNK = 508;         // ten chunks
constexpr int STAR_HEADER_SIZE = 2;     // uint16 count: the real stars, padding not counted
constexpr int STAR_RECORD_SIZE = 12;
constexpr int STAR_LONGITUDE_AT = 0;    // float32, radians
constexpr int STAR_LATITUDE_AT = 4;     // float32, radians
constexpr int STAR_COLOUR_AT = 8;       // red, green, blue bytes; the twelfth byte is spare (0)
constexpr int STAR_FILE_SIZE = STAR_HEADER_SIZE + STAR_RECORDS * STAR_RECORD_SIZE;
static_assert(STAR_FILE_SIZE == 60962, "a whole star catalogue is 60,962 bytes");
static_assert(STAR_RECORDS % STAR_CHUNK == 0, "the catalogue is whole chunks");

// Everything the gradient and the star field read of the render settings
// and the store, taken in one place at the start of each.
struct SkySettings {
    int32_t width, height;            // frame size in pixels
    int32_t start_x, start_y;         // the sky rectangle's corners, pixels (store)
    int32_t end_x, end_y;
    int32_t fade;                     // FADE TYPE: 0 none, 1 LINEAR, 2 POLAR
    int32_t colour_one, colour_two;   // Colour table indices of the gradient
    int32_t stars;                    // STARS: 0 off, 1 north view, 2 south view
    bool precise;                     // STAR CALC: every star turned to the view
    double ppd;                       // PIXELS/DEGREE
    double aspect;                    // screen ASPECT RATIO
    int32_t frame;                    // current frame
    int32_t start_frame;              // the sky's START FRAME (store)
    double star_long, star_lat;       // view centre at START FRAME, degrees
    double star_long_inc, star_lat_inc; // its motion, degrees per frame
    double twinkle;                   // TWINKLE, 0..1 of the brightness
    double brightness;                // BRIGHTNESS factor
    bool preview_rgb;                 // PREVIEW RGB (store)
};
SkySettings sky_settings();

// Paints the sky object's gradient (FADE TYPE none, LINEAR, POLAR).
void draw_backdrop(int mode);
// Plots the star field; returns the stars inside the rectangle.
int draw_stars(int mode);
