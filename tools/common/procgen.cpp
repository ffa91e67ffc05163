// Procedural planet maps and ring profiles: seeded, deterministic, drawn on
// the sphere so maps have no seam at the date line and no pinch at the poles.
#include "platform/angles.h"
#include "toolkit.h"

#include <cmath> // Required for: sin, cos, floor, exp

namespace nmk {

// ---------------------------------------------------------------------------
// Noise: integer hash of a lattice point, smoothed trilinear value noise and
// its fractal sum.

static uint32_t hash3(int x, int y, int z, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B1u;
    h ^= (uint32_t)x * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= (uint32_t)y * 0xC2B2AE3Du;
    h = (h << 17) | (h >> 15);
    h ^= (uint32_t)z * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

static double lattice(int x, int y, int z, uint32_t seed) { return (hash3(x, y, z, seed) >> 8) / 16777216.0; }

static double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

static double value_noise(double x, double y, double z, uint32_t seed)
{
    double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = (int)fx, iy = (int)fy, iz = (int)fz;
    double tx = smooth(x - fx), ty = smooth(y - fy), tz = smooth(z - fz);
    double c[2][2][2];
    for (int a = 0; a < 2; a++)
        for (int b = 0; b < 2; b++)
            for (int d = 0; d < 2; d++)
                c[a][b][d] = lattice(ix + a, iy + b, iz + d, seed);
    double x00 = c[0][0][0] + (c[1][0][0] - c[0][0][0]) * tx;
    double x10 = c[0][1][0] + (c[1][1][0] - c[0][1][0]) * tx;
    double x01 = c[0][0][1] + (c[1][0][1] - c[0][0][1]) * tx;
    double x11 = c[0][1][1] + (c[1][1][1] - c[0][1][1]) * tx;
    double y0 = x00 + (x10 - x00) * ty, y1 = x01 + (x11 - x01) * ty;
    return y0 + (y1 - y0) * tz;
}

// Fractal sum in 0..1 of 'octaves' noise layers, each twice as fine.
static double fbm(double x, double y, double z, int octaves, uint32_t seed)
{
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; o++) {
        sum += amp * value_noise(x, y, z, seed + 101u * o);
        norm += amp;
        x *= 2.0;
        y *= 2.0;
        z *= 2.0;
        amp *= 0.5;
    }
    return sum / norm;
}

// Small deterministic generator for placing features.
struct Rand {
    uint32_t s;
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    double unit() { return (next() >> 8) / 16777216.0; }
};

// Latitude and longitude (radians) of a map pixel's centre, and its point on the unit sphere.
struct MapPoint {
    double lat, lon, x, y, z;
};
static MapPoint map_point(int col, int row, int width, int height)
{
    MapPoint p;
    p.lat = PI_EXACT / 2 - (row + 0.5) * PI_EXACT / height;
    p.lon = -PI_EXACT + (col + 0.5) * 2 * PI_EXACT / width;
    p.x = std::cos(p.lat) * std::cos(p.lon);
    p.y = std::cos(p.lat) * std::sin(p.lon);
    p.z = std::sin(p.lat);
    return p;
}

static uint8_t to_byte(double v)
{
    if (v <= 0)
        return 0;
    if (v >= 255)
        return 255;
    return (uint8_t)(v + 0.5);
}

// One map pixel from red, green and blue levels of 0..255, limited and rounded.
static void put_colour(RgbImage& im, int col, int row, const double c[3])
{
    uint8_t* px = im.at(col, row);
    for (int k = 0; k < 3; k++)
        px[k] = to_byte(c[k]);
}

// ---------------------------------------------------------------------------
// Maps.

RgbImage banded_giant(uint32_t seed, int width, int height, const uint8_t light[3], const uint8_t dark[3])
{
    RgbImage im = blank_rgb(width, height);
    Rand r{seed | 1u};
    double bands = 9.0 + 6.0 * r.unit();
    double storm_lat = (r.unit() - 0.5) * 0.8, storm_lon = (r.unit() - 0.5) * 2 * PI_EXACT;
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++) {
            MapPoint p = map_point(col, row, width, height);
            double swirl = fbm(p.x * 3, p.y * 3, p.z * 12, 5, seed);
            double band = std::sin(p.lat * bands + 2.5 * swirl);
            double t = 0.5 + 0.5 * band;
            double grain = 0.85 + 0.3 * fbm(p.x * 8, p.y * 8, p.z * 24, 3, seed + 7);
            double c[3];
            for (int k = 0; k < 3; k++)
                c[k] = (dark[k] + (light[k] - dark[k]) * t) * grain;
            // One long-lived storm: an oval in longitude and latitude.
            double dlon = std::remainder(p.lon - storm_lon, 2 * PI_EXACT);
            double e = (dlon / 0.35) * (dlon / 0.35) + ((p.lat - storm_lat) / 0.12) * ((p.lat - storm_lat) / 0.12);
            if (e < 1.0) {
                double w = smooth(1.0 - e);
                const double storm[3] = {205, 120, 90};
                for (int k = 0; k < 3; k++)
                    c[k] = c[k] * (1 - w) + storm[k] * w;
            }
            put_colour(im, col, row, c);
        }
    return im;
}

RgbImage cratered_moon(uint32_t seed, int width, int height, const uint8_t tint[3])
{
    RgbImage im = blank_rgb(width, height);
    std::vector<MapPoint> points((size_t)width * height);
    std::vector<double> shade((size_t)width * height);
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++) {
            MapPoint p = map_point(col, row, width, height);
            points[(size_t)row * width + col] = p;
            double maria = fbm(p.x * 1.5, p.y * 1.5, p.z * 1.5, 4, seed);
            double base = 0.62 + 0.3 * (fbm(p.x * 6, p.y * 6, p.z * 6, 3, seed + 3) - 0.5);
            if (maria > 0.56)
                base -= 0.22 * smooth(std::fmin(1.0, (maria - 0.56) / 0.06));
            shade[(size_t)row * width + col] = base;
        }
    // Craters: a dark floor and a bright rim, small ones many, large ones few.
    // Each touches only the rows of its latitude band.
    Rand r{seed * 2654435761u | 1u};
    const int count = 160;
    for (int c = 0; c < count; c++) {
        double z = 2 * r.unit() - 1, lon = 2 * PI_EXACT * r.unit();
        double cx = std::sqrt(1 - z * z) * std::cos(lon), cy = std::sqrt(1 - z * z) * std::sin(lon), cz = z;
        double radius = 0.02 + 0.12 * std::pow(r.unit(), 3.0); // radians of arc
        double reach = radius * 1.5, limit = std::cos(reach), lat = std::asin(cz);
        int row0 = (int)((PI_EXACT / 2 - (lat + reach)) / PI_EXACT * height) - 1;
        int row1 = (int)((PI_EXACT / 2 - (lat - reach)) / PI_EXACT * height) + 1;
        for (int row = row0 < 0 ? 0 : row0; row < height && row <= row1; row++)
            for (int col = 0; col < width; col++) {
                const MapPoint& p = points[(size_t)row * width + col];
                double dot = p.x * cx + p.y * cy + p.z * cz;
                if (dot < limit)
                    continue;
                double d = std::acos(std::fmin(1.0, dot)) / radius;
                double v = 0;
                if (d < 1.0)
                    v -= 0.12 * (1.0 - d * d);
                v += 0.16 * std::exp(-((d - 1.0) / 0.12) * ((d - 1.0) / 0.12));
                shade[(size_t)row * width + col] += v;
            }
    }
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++) {
            double v = shade[(size_t)row * width + col];
            uint8_t* px = im.at(col, row);
            for (int k = 0; k < 3; k++)
                px[k] = to_byte(tint[k] * v);
        }
    return im;
}

RgbImage continents(uint32_t seed, int width, int height)
{
    RgbImage im = blank_rgb(width, height);
    for (int row = 0; row < height; row++)
        for (int col = 0; col < width; col++) {
            MapPoint p = map_point(col, row, width, height);
            double h = fbm(p.x * 1.8, p.y * 1.8, p.z * 1.8, 7, seed) - 0.53;
            double ice = std::fabs(p.lat) * 180 / PI_EXACT + 12 * (fbm(p.x * 5, p.y * 5, p.z * 5, 3, seed + 9) - 0.5);
            double c[3];
            if (ice > 74) {
                c[0] = 235, c[1] = 240, c[2] = 245;
            } else if (h < 0) {
                double depth = std::fmin(1.0, -h / 0.15);
                c[0] = 20 + 30 * (1 - depth), c[1] = 50 + 60 * (1 - depth), c[2] = 120 + 60 * (1 - depth);
            } else {
                // Green lowlands, dry brown uplands where the second noise says so.
                double t = std::fmin(1.0, h / 0.2);
                double dry = smooth(std::fmin(1.0, std::fmax(0.0, (fbm(p.x * 4, p.y * 4, p.z * 4, 3, seed + 5) - 0.4) / 0.25)));
                double green[3] = {40 + 50 * t, 120 + 30 * t, 40 + 20 * t};
                double brown[3] = {150 + 40 * t, 110 + 30 * t, 60 + 30 * t};
                for (int k = 0; k < 3; k++)
                    c[k] = green[k] * (1 - dry) + brown[k] * dry;
            }
            put_colour(im, col, row, c);
        }
    return im;
}

std::vector<uint8_t> ring_profile(uint32_t seed, int rows)
{
    std::vector<uint8_t> out(rows);
    Rand r{seed | 1u};
    double gap = 0.3 + 0.2 * r.unit(); // a division at this share of the width
    for (int i = 0; i < rows; i++) {
        double t = (i + 0.5) / rows; // 0 outer edge, 1 inner edge
        double v = 170 + 50 * std::sin(t * 9.0 + r.unit() * 0.2) + 40 * (value_noise(t * 40, 0.5, 0.5, seed) - 0.5);
        if (std::fabs(t - gap) < 0.04)
            v *= 0.15;
        if (t > 0.8)
            v *= (1.0 - t) / 0.2; // faint inner ring fading toward the planet
        out[i] = to_byte(v);
    }
    return out;
}

} // namespace nmk
