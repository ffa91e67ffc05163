// Spherical geometry of the sky: the full-circle arctangent, the star
// rotation of the precise star mode and the tilt rotation of the planets.
#include "sky/sky.h"

#include <cmath> // Required for: atan, asin, sin, cos

double tilt_kc = 1.0;
double tilt_ks = 0.0;

double full_angle(double a, double b)
{
    if (a == 0.0) {
        if (b > 0.0)
            return 0.5 * PI;
        if (b < 0.0)
            return 1.5 * PI;
        return 0.0;
    }
    if (b == 0.0)
        return a < 0.0 ? PI : 0.0;
    double angle = atan(b / a);
    if (a > 0.0 && b > 0.0)
        return angle;
    if (a > 0.0 && b < 0.0)
        return angle + TWO_PI;
    return angle + PI;
}

void star_rotate(double x, double y, double lon, double lat, double* latitude, double* longitude)
{
    const double l1 = (180.0 + lon) * DEG2RAD;
    const double l2 = (90.0 - lat) * DEG2RAD;
    const double xr = x - l1;
    *latitude = asin(sin(y) * sin(l2) + cos(y) * cos(xr) * cos(l2));
    *longitude = full_angle(sin(y) * cos(l2) - cos(y) * cos(xr) * sin(l2), -cos(y) * sin(xr));
}

void tilt_rotate(double a, double b, double* azimuth, double* altitude)
{
    double az = full_angle(sin(a) * tilt_kc - cos(a) * cos(b) * tilt_ks, -cos(a) * sin(b));
    while (az < 0.0)
        az += TWO_PI;
    while (az > TWO_PI)
        az -= TWO_PI;
    *azimuth = az;
    *altitude = asin(tilt_kc * cos(a) * cos(b) + sin(a) * tilt_ks);
}
