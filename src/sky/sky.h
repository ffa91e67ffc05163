// Sky: the gradient backdrop, the star catalogue and the star field.
#pragma once
#include <cstdint> // Required for: int32_t

constexpr int STAR_RECORDS = 5080;
constexpr int STAR_CHUNK = 508;
constexpr int STAR_RECORD_SIZE = 12;
constexpr int STAR_FILE_SIZE = 2 + STAR_RECORDS * STAR_RECORD_SIZE; // 60,962

// Paints the sky object's gradient (FADE TYPE none, LINEAR, POLAR).
void draw_backdrop(int mode);
// Plots the star field; returns the stars inside the rectangle.
int draw_stars(int mode);
