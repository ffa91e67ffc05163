// Geometry the renderers share: directions, the star rotation of the precise
// star mode, the tilt rotation of the planets and the travel curve.
#include "store/geometry.h"

#include <cmath>   // Required for: atan, asin, sin, cos, tan, hypot
#include <cstdint> // Required for: int64_t

#include "platform/angles.h" // Required for: DEG2RAD, PI, TWO_PI

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

double angle_deg(double x, double y)
{
    if (x == 0)
        x = 0.00001;
    double a = atan(y / x);
    if (x < 0)
        a += PI;
    if (a < 0)
        a += TWO_PI;
    return a * (180 / PI);
}

double travel_offset(double D, int type, int start, int end, int frame)
{
    // Differences taken in double: exact for every 32-bit frame number.
    double N = (double)end - (double)start;
    if (N == 0)
        N = 0.1;
    double t = (double)frame - (double)start;
    switch (type) {
    case 1: { // ACCEL: reaches D at t = N
        double A = 2 * D / (N * N);
        return 0.5 * A * (t * t);
    }
    case 2: { // DECEL: D at t = 0, back to 0 at t = N
        double A = 2 * D / (N * N);
        return D - 0.5 * A * (t * t);
    }
    case 3: // SINE; 6.28 rather than 2 pi, so a run ends near but not at 0
    case 4: // COSINE draws the same curve
        return D * std::sin(6.28 * t / N);
    default: // LINEAR: D is a distance per frame
        return D * t;
    }
}

TravelPlace travel_place(int width, int height, double ppd, bool perspective, int x, int y, double ref,
                         double d, double va, double ta, double zero_depth)
{
    // Directions from the viewer to the point at rest, then its position in
    // space: px across, pz away from the viewer, vz up. Differences in 64
    // bits, so no setting can overflow them.
    const double alpha = ((double)((int64_t)(width / 2) - x) / ppd + 90) * DEG2RAD;
    const double beta = ((double)((int64_t)(height / 2) - y) / ppd) * DEG2RAD;
    double vz = ref * std::tan(beta);
    if (va != 0)
        vz = vz + std::tan(va * DEG2RAD) * d;
    double px = ref * std::cos(alpha);
    double pz = perspective ? ref * std::sin(alpha) : ref;
    px = px + std::cos((ta + 90) * DEG2RAD) * d;
    pz = pz + std::sin((ta + 90) * DEG2RAD) * d;

    const double theta = angle_deg(px, pz);
    double depth = perspective ? std::hypot(px, pz) : pz;
    if (depth == 0)
        depth = zero_depth;
    TravelPlace p;
    p.depth = depth;
    // Back onto the frame.
    p.x = width / 2.0 - (theta - 90) * ppd;
    p.y = height / 2.0 - (std::atan(vz / depth) / DEG2RAD) * ppd;
    return p;
}
