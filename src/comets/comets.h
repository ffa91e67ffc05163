// Comets: where a comet stands and how large it is on a frame, and its glow.
#pragma once
#include <cstdint> // Required for: int32_t

// Results of place_comet for the current frame, read by draw_comet.
struct CometPlacement {
    int32_t xc, yc; // centre column and row
    double x, y;    // the same before truncation
    double dh, dv;  // horizontal and vertical diameters, before the screen aspect
    int32_t hd, vd; // their truncated values
    double scale;   // REF DISTANCE / distance
    double dist;    // distance on this frame (REF DISTANCE at rest)
    bool behind;    // travel has brought it to or behind the viewer: not drawn
};
extern CometPlacement comet_place;

void place_comet();
void draw_comet(int mode);
