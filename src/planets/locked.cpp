// The driver's planet row: a planet with the rings locked to it.
#include "planets/planets.h"

void draw_planet_object(int slot, int flags)
{
    (void)slot;
    (void)flags;
}
