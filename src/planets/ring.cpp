// Ring renderer: free and planet-locked rings, blended over the frame.
#include "planets/planets.h"

static int ring_pass = 0; // 0 before the far half around a planet, 1 between the halves

void reset_ring_pass() { ring_pass = 0; }

int render_ring(int mode, int lock)
{
    (void)mode;
    (void)lock;
    return 0;
}
