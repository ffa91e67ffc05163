// Fuzz harness: the star catalogue read from the input as starcats.bin and
// drawn over the whole frame, once per view (north fast, south precise).
#include <cstring>

#include "fuzz_support.h"
#include "sky/sky.h"      // Required for: draw_stars
#include "store/canvas.h" // Required for: RENDER_FRAME, apply_parameters
#include "store/store.h"  // Required for: D_ASPECT, D_BRIGHTNESS, D_PIXELS_PER_DEGREE

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input("starcats.bin", data, size);
    if (!input.written)
        return 0;
    memset(int_param, 0, sizeof int_param);
    memset(dbl_param, 0, sizeof dbl_param);
    memset(flag_param, 0, sizeof flag_param);
    int_param[I_WIDTH] = 640;
    int_param[I_HEIGHT] = 480;
    int_param[I_END_X] = 639;
    int_param[I_END_Y] = 479;
    dbl_param[D_ASPECT] = dbl_param[D_PIXELS_PER_DEGREE] = dbl_param[D_BRIGHTNESS] = 1.0;
    dbl_param[D_TWINKLE] = 0.5;
    for (int view = 1; view <= 2; view++) {
        int_param[I_STARS] = view;
        flag_param[F_STAR_CALC] = view == 2;
        dbl_param[D_STAR_LONG] = 30.0 * view;
        dbl_param[D_STAR_LAT] = -20.0 * view;
        apply_parameters();
        draw_stars(RENDER_FRAME);
    }
    return 0;
}
