// Comet placement: where a comet stands on the current frame and how large it is.
#include <cstdint> // Required for: int32_t, int64_t, INT32_MAX

#include "comets/comets.h"   // Required for: CometPlacement, comet_place, place_comet
#include "store/canvas.h"    // Required for: current_frame, frame_height, frame_width
#include "store/geometry.h"  // Required for: travel_offset, travel_place
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

CometSettings comet_settings()
{
    CometSettings s;
    s.width = frame_width();
    s.height = frame_height();
    s.ppd = dbl_param[D_PIXELS_PER_DEGREE];
    s.screen_aspect = dbl_param[D_ASPECT];
    s.diameter = dbl_param[D_COMET_DIAMETER];
    s.aspect = dbl_param[D_COMET_ASPECT];
    s.ref_distance = dbl_param[D_REF_DISTANCE];
    s.travel_distance = dbl_param[D_TRAVEL_DISTANCE];
    s.travel_angle = dbl_param[D_TRAVEL_ANGLE];
    s.vertical_angle = dbl_param[D_VERTICAL_ANGLE];
    s.illumination = dbl_param[D_ILLUMINATION];
    s.tail_angle = dbl_param[D_TAIL_ANGLE];
    s.type = int_param[I_COMET_TYPE];
    s.fade = int_param[I_COMET_FADE];
    s.travel_type = int_param[I_COMET_TRAVEL];
    s.x = int_param[I_COMET_X];
    s.y = int_param[I_COMET_Y];
    s.mid_colour = int_param[I_MID_COLOUR];
    s.edge_colour = int_param[I_EDGE_COLOUR];
    s.perspective = flag_param[F_X_PERSPECTIVE] != 0;
    s.frame = current_frame();
    s.start_frame = page_frames[PAGE_COMET].start;
    s.end_frame = page_frames[PAGE_COMET].end;
    return s;
}

void place_comet()
{
    const CometSettings s = comet_settings();
    CometPlacement& p = comet_place;
    const double diameter = s.diameter;
    const double aspect = s.aspect;
    const double ref = s.ref_distance;
    const double travel = s.travel_distance;
    const int type = s.type;

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
        p.xc = s.x;
        p.yc = s.y;
        p.x = p.xc;
        p.y = p.yc;
        leave_overlay();
        return;
    }

    const double d = travel_offset(travel, s.travel_type, s.start_frame, s.end_frame, s.frame);

    // A tail travels by the centre of its head, not by the centre of its box.
    int x = s.x;
    if (type == COMET_TAIL_RHS)
        x = shifted(s.x, p.hd, p.vd, -1);
    else if (type == COMET_TAIL_LHS)
        x = shifted(s.x, p.hd, p.vd, 1);

    const TravelPlace at = travel_place(s.width, s.height, s.ppd, s.perspective, x, s.y, ref, d,
                                        s.vertical_angle, s.travel_angle, ZERO_DISTANCE);
    const double dist = at.depth;
    p.dist = dist;
    p.behind = !(dist > 0);
    p.x = at.x;
    p.y = at.y;
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
