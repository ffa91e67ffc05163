// Comets: where a comet stands and how large it is on a frame, and its glow.
#pragma once
#include <cstdint> // Required for: int32_t

// Everything placement and drawing read of the render settings and the
// store, taken in one place at the start of each.
struct CometSettings {
    int32_t width, height;   // frame size in pixels
    double ppd;              // PIXELS/DEGREE (store)
    double screen_aspect;    // ASPECT RATIO (store)
    double diameter;         // DIAMETER, pixels at REF DISTANCE
    double aspect;           // COMET ASPECT RATIO, width over height
    double ref_distance;     // REF DISTANCE
    double travel_distance;  // TRAVEL DISTANCE, 0 = at rest
    double travel_angle;     // TRAVEL ANGLE, degrees
    double vertical_angle;   // VERTICAL ANGLE of the travel, degrees
    double illumination;     // ILLUMINATION, 0..1 brightness and opacity
    double tail_angle;       // TAIL ANGLE, degrees
    int32_t type;            // COMET TYPE: coma, tail right, tail left, halo, torus
    int32_t fade;            // FADE: none, in, out over the frame range
    int32_t travel_type;     // travel curve 0..4
    int32_t x, y;            // X/Y CENTRE, pixels
    int32_t mid_colour, edge_colour; // Colour table indices
    bool perspective;        // X PERSPECTIVE
    int32_t frame;           // current frame
    int32_t start_frame, end_frame; // the comet's frame range (store)
};
CometSettings comet_settings();

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
