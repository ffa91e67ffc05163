// Shared start of the object benchmarks: Allegro without a display, a frame
// buffer, an empty store and the render settings of a W x H frame.
#pragma once
#include <cstdio>
#include <ctime> // Required for: clock
#include <cstring>

#include "platform/platform.h" // Required for: init_headless
#include "store/canvas.h"      // Required for: create_frame_buffer, rs
#include "store/prompt.h"      // Required for: console_quiet
#include "store/store.h"       // Required for: I_HEIGHT, I_WIDTH, dbl_param

inline bool bench_start(int width, int height)
{
    if (init_headless() != 0 || create_frame_buffer(width) != 0) {
        fprintf(stderr, "cannot start Allegro headless\n");
        return false;
    }
    console_quiet = true;
    memset(int_param, 0, sizeof int_param);
    memset(dbl_param, 0, sizeof dbl_param);
    memset(flag_param, 0, sizeof flag_param);
    rs.i[I_WIDTH] = width;
    rs.i[I_HEIGHT] = height;
    return true;
}

// Milliseconds of processor time a call of f takes, calling it for about
// `seconds` (processor time of this process: steadier than wall time on a
// busy machine).
template <typename F>
double ms_per_call(F f, double seconds = 0.5)
{
    const std::clock_t start = std::clock();
    long count = 0;
    double spent = 0;
    do {
        f();
        count++;
        spent = (double)(std::clock() - start) / CLOCKS_PER_SEC;
    } while (spent < seconds);
    return 1000.0 * spent / count;
}
