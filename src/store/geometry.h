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

// Where a comet or a picture that travels stands on a frame. It rests at
// column x, row y of a width x height frame at distance ref, moves d along
// TRAVEL ANGLE ta (degrees) and climbs by VERTICAL ANGLE va (degrees). Gives
// its fractional frame position and its depth (a depth of exactly 0 becomes
// zero_depth, so the projection stays finite).
struct TravelPlace {
    double x, y;
    double depth;
};
TravelPlace travel_place(int width, int height, double ppd, bool perspective, int x, int y, double ref,
                         double d, double va, double ta, double zero_depth);
