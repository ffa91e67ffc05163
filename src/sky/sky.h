// Sky: the gradient backdrop, the star catalogue and star field, and the
// small spherical-geometry routines shared with the planet renderer.
#pragma once
#include <cstdint> // Required for: int32_t

#include "platform/angles.h" // Required for: PI, TWO_PI, HALF_PI, DEG2RAD, RAD2DEG

constexpr int STAR_RECORDS = 5080;
constexpr int STAR_CHUNK = 508;
constexpr int STAR_RECORD_SIZE = 12;
constexpr int STAR_FILE_SIZE = 2 + STAR_RECORDS * STAR_RECORD_SIZE; // 60,962

// Paints the sky object's gradient (FADE TYPE none, LINEAR, POLAR).
void draw_backdrop(int mode);
// Plots the star field; returns the stars inside the rectangle.
int draw_stars(int mode);

// Angle in [0, 2PI) of the point (a, b).
double full_angle(double a, double b);
// Precise-mode rotation of a star (radians) for the view LON, LAT (degrees).
void star_rotate(double x, double y, double lon, double lat, double* latitude, double* longitude);
// Tilt rotation for the planet renderer, using tilt_kc and tilt_ks.
void tilt_rotate(double a, double b, double* azimuth, double* altitude);
extern double tilt_kc; // cosine of the planet's rotation angle (Kc)
extern double tilt_ks; // sine (Ks)
