// Geometry the renderers share: directions, the star rotation of the precise
// star mode, the tilt rotation of the planets and the travel curve of the
// moving objects.
#pragma once

#include "platform/angles.h"

// Angle in [0, 2PI) of the point (a, b).
double full_angle(double a, double b);
// Precise-mode rotation of a star (radians) for the view LON, LAT (degrees).
void star_rotate(double x, double y, double lon, double lat, double* latitude, double* longitude);
// Tilt rotation for the planet renderer, using tilt_kc and tilt_ks.
void tilt_rotate(double a, double b, double* azimuth, double* altitude);
extern double tilt_kc; // cosine of the planet's rotation angle (Kc)
extern double tilt_ks; // sine (Ks)
// Direction of (x, y) in degrees, [0, 360).
double angle_deg(double x, double y);
// Distance travelled at frame over start..end by travel type 0..4.
double travel_offset(double D, int type, int start, int end, int frame);
