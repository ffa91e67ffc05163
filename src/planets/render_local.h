// Internals shared by the planet renderer, the ring renderer and the planet
// row of the driver (planet.cpp, ring.cpp, locked.cpp).
#pragma once
#include <cstdint> // Required for: int32_t, INT32_MAX

// Conversion toward zero, as the renderers' arithmetic asks for; values
// beyond the 32-bit range stop at its ends and NaN gives 0, so an absurd
// setting gives an absurd picture, never undefined behaviour.
inline int32_t trunc_int(double v)
{
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    if (v != v)
        return 0;
    return (int32_t)v;
}

// A span between two truncated corners, kept inside the 32-bit range.
inline int32_t span_int(int64_t v) { return v > INT32_MAX ? INT32_MAX : (int32_t)v; }

// Keeps an arcsine argument inside [-1, 1] (NaN, from 0 / 0 at a pole of the
// light, becomes 0), so a pixel past the limb is lit like the limb.
inline double unit_clamp(double v)
{
    if (v > 1)
        return 1;
    if (v < -1)
        return -1;
    if (v != v)
        return 0;
    return v;
}

// Plot size in whole pixels of the rectangle (+-half_w, +-half_h) turned by
// `turn` degrees, columns widened by the screen aspect: the spans of the four
// truncated corners, minima and maxima starting at 0.
void turned_box(double half_w, double half_h, double turn, double aspect, int32_t* columns,
                int32_t* rows);

// The view a travelling planet or ring is seen in: frame size in pixels,
// PIXELS/DEGREE and X PERSPECTIVE.
struct TravelView {
    int32_t width, height;
    double ppd;
    bool perspective;
};

// Where a travelling planet or ring stands on frame f of its range, seen from
// the viewer: the direction a (degrees) and distance d of the moved point and
// the height Z of the start point. A zero distance becomes zero_d (-1.0 for
// a planet, -0.1 for a ring).
struct TravelPoint {
    double a, d, Z;
};
TravelPoint travel_point(const TravelView& view, int xc, int yc, double ref, double td, double ta, int f,
                         double zero_d);

// Plots palette index 0 on the preview target: the planet's and the ring's
// preview colour for a black pixel when PREVIEW RGB is on.
void plot_preview_zero(int x, int y);

// Sets the ring pass directly: 0 means the next locked ring call draws its
// far half, 1 its near half. The planet row uses it to give every locked
// ring its own pair of passes.
void set_ring_pass(int pass);
