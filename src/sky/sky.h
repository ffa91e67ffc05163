// Sky: the gradient backdrop, the star catalogue and the star field.
#pragma once
#include <cstdint> // Required for: int32_t

// Star catalogue file (starcats.bin): a 2-byte record count, then the
// records. The reader goes by the file's size, never by the count, and takes
// the stars in chunks of STAR_CHUNK (the twinkle phase counts within a chunk).
constexpr int STAR_RECORDS = 5080;      // a whole catalogue
constexpr int STAR_CHUNK = 508;         // ten chunks
constexpr int STAR_HEADER_SIZE = 2;     // uint16 count, written as STAR_RECORDS
constexpr int STAR_RECORD_SIZE = 12;
constexpr int STAR_LONGITUDE_AT = 0;    // float32, radians
constexpr int STAR_LATITUDE_AT = 4;     // float32, radians
constexpr int STAR_COLOUR_AT = 8;       // red, green, blue bytes; the twelfth byte is spare (0)
constexpr int STAR_FILE_SIZE = STAR_HEADER_SIZE + STAR_RECORDS * STAR_RECORD_SIZE;
static_assert(STAR_FILE_SIZE == 60962, "a whole star catalogue is 60,962 bytes");
static_assert(STAR_RECORDS % STAR_CHUNK == 0, "the catalogue is whole chunks");

// Paints the sky object's gradient (FADE TYPE none, LINEAR, POLAR).
void draw_backdrop(int mode);
// Plots the star field; returns the stars inside the rectangle.
int draw_stars(int mode);
