// Comet drawing speed: one comet of each type at the 320-pixel width cap,
// straight and turned by TAIL ANGLE, over a 640 x 480 frame.
#include <ctime>
#include <cstdio>
#include <cstring>

#include "comets/comets.h" // Required for: comet_place, draw_comet, place_comet
#include "store/canvas.h"  // Required for: RENDER_FRAME, rs
#include "store/store.h"   // Required for: D_ASPECT, D_COMET_ASPECT, D_COMET_DIAMETER
#include "store/surface.h" // Required for: colour_table
#include "bench_support.h"

static const char* const type_names[5] = {"Coma", "Tail RHS", "Tail LHS", "Halo", "Torus"};

// Draws the comet set up in the store repeatedly for about a second of processor time; comets per second.
static double comets_per_second()
{
    // Processor time of this process: steadier than wall time on a busy machine.
    const std::clock_t start = std::clock();
    long count = 0;
    double seconds = 0;
    do {
        for (int k = 0; k < 10; k++) {
            place_comet();
            draw_comet(RENDER_FRAME);
        }
        count += 10;
        seconds = (double)(std::clock() - start) / CLOCKS_PER_SEC;
    } while (seconds < 1.0);
    return count / seconds;
}

int main()
{
    if (!bench_start(640, 480))
        return 1;
    rs.i[I_THIS_FRAME] = 10;
    page_frames[PAGE_COMET] = {0, 20};
    for (int n = 0; n < 256; n++)
        colour_table[n][0] = colour_table[n][1] = colour_table[n][2] = (uint8_t)n;
    dbl_param[D_ASPECT] = 1;
    dbl_param[D_PIXELS_PER_DEGREE] = 5;
    dbl_param[D_REF_DISTANCE] = 100;
    dbl_param[D_ILLUMINATION] = 1.2;
    dbl_param[D_TRAVEL_DISTANCE] = -5; // approaching: twice the size at frame 10
    int_param[I_COMET_X] = 320;
    int_param[I_COMET_Y] = 240;
    int_param[I_MID_COLOUR] = 250;
    int_param[I_EDGE_COLOUR] = 40;
    int_param[I_COMET_FADE] = 1;

    printf("%-9s %6s %9s %12s %12s\n", "type", "aspect", "box", "comets/s", "turned 30");
    for (int type = 0; type < 5; type++) {
        int_param[I_COMET_TYPE] = type;
        const double aspect = (type == 1 || type == 2) ? 3 : 1;
        dbl_param[D_COMET_ASPECT] = aspect;
        dbl_param[D_COMET_DIAMETER] = 400 / aspect; // 800 wide at frame 10, capped to 320
        dbl_param[D_TAIL_ANGLE] = 0;
        place_comet();
        const double straight = comets_per_second();
        dbl_param[D_TAIL_ANGLE] = 30;
        const double turned = comets_per_second();
        printf("%-9s %6.1f %4dx%-4d %12.1f %12.1f\n", type_names[type], aspect, comet_place.hd, comet_place.vd,
               straight, turned);
    }
    return 0;
}
