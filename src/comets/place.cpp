// Comet placement: where a comet stands on the current frame and how large it is.
#include <cmath>   // Required for: tan, cos, sin, atan, hypot
#include <cstdint> // Required for: int32_t, int64_t, INT32_MAX

#include "comets/comets.h"   // Required for: CometPlacement, comet_place, place_comet
#include "platform/angles.h" // Required for: DEG2RAD
#include "store/canvas.h"    // Required for: current_frame, frame_height, frame_width
#include "store/geometry.h"  // Required for: angle_deg, travel_offset
#include "store/store.h"     // Required for: D_COMET_ASPECT, D_COMET_DIAMETER, D_PIXELS_PER_DEGREE

// ---------------------------------------------------------------------------
// Constants

// A comet is never drawn wider than this many pixels; its aspect is kept.
static constexpr double MAX_COMET_WIDTH = 320.0;
// Replaces a distance of exactly 0 so the projection stays finite.
static constexpr double ZERO_DISTANCE = -0.1;

enum CometType : int { COMET_COMA = 0, COMET_TAIL_RHS = 1, COMET_TAIL_LHS = 2 };

// ---------------------------------------------------------------------------
// Global tables

CometPlacement comet_place;

// ---------------------------------------------------------------------------
// File-private helpers

// Conversion toward zero. A value that int cannot hold (or NaN) gives
// INT32_MIN, as the processor's own conversion does, instead of undefined
// behaviour: sizes that large then draw nothing.
static int32_t trunc_i(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return (int32_t)v;
}

// x moved by sign x (hd/2 - vd/2), how far a tail's head centre lies from its
// box centre. Sums saturate for the absurd sizes of a comet that has come too
// close.
static int32_t shifted(int32_t x, int32_t hd, int32_t vd, int sign)
{
    const int64_t v = (int64_t)x + sign * ((int64_t)(hd / 2) - vd / 2);
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v;
}

// The preview overlay shows the comet's scale, plotted size and position.
static void leave_overlay()
{
    overlay.scale = comet_place.scale;
    overlay.plot_w = comet_place.hd;
    overlay.plot_h = comet_place.vd;
    overlay.plot_x = comet_place.x;
    overlay.plot_y = comet_place.y;
}

// ---------------------------------------------------------------------------
// Public functions

void place_comet()
{
    CometPlacement& p = comet_place;
    const double diameter = dbl_param[D_COMET_DIAMETER];
    const double aspect = dbl_param[D_COMET_ASPECT];
    const double ref = dbl_param[D_REF_DISTANCE];
    const double travel = dbl_param[D_TRAVEL_DISTANCE];
    const int type = int_param[I_COMET_TYPE];

    p.dh = diameter * aspect;
    p.dv = diameter;
    p.hd = trunc_i(p.dh);
    p.vd = trunc_i(p.dv);
    p.scale = 1.0;
    p.dist = ref;
    // At rest the comet is drawn at its DIAMETER wherever REF DISTANCE puts
    // it; only a distance that comes out of travel can hide it.
    p.behind = false;

    if (travel == 0) {
        p.xc = int_param[I_COMET_X];
        p.yc = int_param[I_COMET_Y];
        p.x = p.xc;
        p.y = p.yc;
        leave_overlay();
        return;
    }

    const double ppd = dbl_param[D_PIXELS_PER_DEGREE];
    const int w = frame_width();
    const int h = frame_height();
    const int xperspective = flag_param[F_X_PERSPECTIVE];
    const double d = travel_offset(travel, int_param[I_COMET_TRAVEL], page_frames[PAGE_COMET].start,
                                   page_frames[PAGE_COMET].end, current_frame());

    // A tail travels by the centre of its head, not by the centre of its box.
    int x = int_param[I_COMET_X];
    if (type == COMET_TAIL_RHS)
        x = shifted(int_param[I_COMET_X], p.hd, p.vd, -1);
    else if (type == COMET_TAIL_LHS)
        x = shifted(int_param[I_COMET_X], p.hd, p.vd, 1);
    const int y = int_param[I_COMET_Y];

    // Directions from the viewer to the point at rest, then its position in
    // space: px across, pz away from the viewer, vz up.
    const double alpha = ((double)((int64_t)(w / 2) - x) / ppd + 90) * DEG2RAD;
    const double beta = ((h / 2 - y) / ppd) * DEG2RAD;
    double vz = ref * tan(beta);
    if (dbl_param[D_VERTICAL_ANGLE] != 0)
        vz = vz + tan(dbl_param[D_VERTICAL_ANGLE] * DEG2RAD) * d;
    double px = ref * cos(alpha);
    double pz = xperspective ? ref * sin(alpha) : ref;
    px = px + cos((dbl_param[D_TRAVEL_ANGLE] + 90) * DEG2RAD) * d;
    pz = pz + sin((dbl_param[D_TRAVEL_ANGLE] + 90) * DEG2RAD) * d;

    const double theta = angle_deg(px, pz);
    double dist = xperspective ? hypot(px, pz) : pz;
    if (dist == 0)
        dist = ZERO_DISTANCE;
    p.dist = dist;
    p.behind = !(dist > 0);

    // Back onto the frame.
    p.x = w / 2.0 - (theta - 90) * ppd;
    p.y = h / 2.0 - (atan(vz / dist) / DEG2RAD) * ppd;
    p.xc = trunc_i(p.x);
    p.yc = trunc_i(p.y);

    p.scale = ref / dist;
    p.dv = p.scale * diameter;
    p.dh = p.dv * aspect;
    p.hd = trunc_i(p.dh);
    if (p.hd > MAX_COMET_WIDTH) {
        p.hd = (int32_t)MAX_COMET_WIDTH;
        p.dh = MAX_COMET_WIDTH;
        p.dv = MAX_COMET_WIDTH / aspect;
    }
    p.vd = trunc_i(p.dv);

    // The box centre moves so that the head stays on the projected point.
    if (type == COMET_TAIL_RHS)
        p.xc = shifted(p.xc, p.hd, p.vd, 1);
    else if (type == COMET_TAIL_LHS)
        p.xc = shifted(p.xc, p.hd, p.vd, -1);
    leave_overlay();
}
