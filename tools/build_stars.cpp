// Builds the star catalogue starcats.bin from the readable star table
// data/stars.txt: positions in radians, colour from the B-V index through a
// black-body temperature, brightness from the magnitude.
//
// Catalogue layout (little-endian, packed): signed 16-bit star count, then
// STAR_RECORDS records of 12 bytes: float longitude (right ascension,
// radians, 0..2PI), float latitude (declination, radians), red, green, blue
// (0..255), one reserved byte (0).
//
// Colour model:
//   1. B-V -> effective temperature with Ballesteros' formula (2012),
//      T = 4600 K * (1 / (0.92 BV + 1.7) + 1 / (0.92 BV + 0.62)),
//      B-V clamped to -0.4..2.0 (about 21,700 K down to 3,200 K).
//   2. Planck's black-body spectrum at T, summed over 380..780 nm in 5 nm
//      steps against the CIE 1931 colour matching functions (the multi-lobe
//      Gaussian fit of Wyman, Sloan and Shirley, 2013) gives X, Y, Z.
//   3. XYZ -> linear sRGB primaries (D65), negative parts cut to 0, scaled so
//      the strongest channel is 1.
//   4. A star is one pixel, where true black-body tints hardly show; each
//      linear channel is raised to COLOUR_CONTRAST to make the tint readable,
//      then encoded with the sRGB transfer curve.
// Brightness model: a star's flux relative to magnitude SATURATION_MAG,
// raised to BRIGHTNESS_GAMMA, times 255 and capped at 255:
//   level = 255 * 10^(-0.4 * BRIGHTNESS_GAMMA * (mag - SATURATION_MAG)).
// The 15 stars of first magnitude or brighter reach 255, second-magnitude
// stars sit near 200, the faintest (6.0) near 70: faint but visible over a
// dark backdrop. The brightest channel of a star is its level; the others
// follow its colour.
#include <cmath>   // Required for: exp, pow, floor
#include <cstdint> // Required for: uint8_t, uint32_t, int16_t
#include <cerrno>  // Required for: errno
#include <cstdio>  // Required for: fopen, fgets, fprintf
#include <cstring> // Required for: memcpy, strlen
#include <string>
#include <vector>

#include "platform/angles.h"      // Required for: TWO_PI
#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "platform/bytes.h"       // Required for: put_f32, put_u16
#include "sky/sky.h"              // Required for: STAR_FILE_SIZE, STAR_RECORDS, STAR_*_AT

constexpr double SATURATION_MAG = 1.0;   // stars at least this bright are at 255
constexpr double BRIGHTNESS_GAMMA = 0.28; // compresses 7.5 magnitudes into 255..60
constexpr double COLOUR_CONTRAST = 1.5;   // exponent on linear channels, > 1 saturates
constexpr double BV_MIN = -0.4, BV_MAX = 2.0;

struct StarRow {
    double ra_deg;  // right ascension, degrees 0..360
    double dec_deg; // declination, degrees -90..90
    double mag;     // visual magnitude
    double bv;      // B-V colour index
};

// ---------------------------------------------------------------------------
// Colour and brightness.

static double lobe(double lambda, double mu, double s1, double s2)
{
    double s = lambda < mu ? s1 : s2;
    double t = (lambda - mu) / s;
    return exp(-0.5 * t * t);
}

static double temperature_of(double bv)
{
    if (bv < BV_MIN)
        bv = BV_MIN;
    if (bv > BV_MAX)
        bv = BV_MAX;
    return 4600.0 * (1.0 / (0.92 * bv + 1.7) + 1.0 / (0.92 * bv + 0.62));
}

static double srgb_encode(double v)
{
    return v <= 0.0031308 ? 12.92 * v : 1.055 * pow(v, 1.0 / 2.4) - 0.055;
}

// Display colour of a black body at T kelvin, strongest channel 1.
static void blackbody_rgb(double t, double rgb[3])
{
    const double c2 = 1.4388e-2; // second radiation constant, m K
    double x = 0, y = 0, z = 0;
    for (int i = 0; i <= 80; i++) {
        double nm = 380.0 + 5.0 * i;
        double m = nm * 1e-9;
        double radiance = 1.0 / (m * m * m * m * m * (exp(c2 / (m * t)) - 1.0));
        x += radiance * (1.056 * lobe(nm, 599.8, 37.9, 31.0) + 0.362 * lobe(nm, 442.0, 16.0, 26.7) -
                         0.065 * lobe(nm, 501.1, 20.4, 26.2));
        y += radiance * (0.821 * lobe(nm, 568.8, 46.9, 40.5) + 0.286 * lobe(nm, 530.9, 16.3, 31.1));
        z += radiance * (1.217 * lobe(nm, 437.0, 11.8, 36.0) + 0.681 * lobe(nm, 459.0, 26.0, 13.8));
    }
    double lin[3] = {3.2406 * x - 1.5372 * y - 0.4986 * z, -0.9689 * x + 1.8758 * y + 0.0415 * z,
                     0.0557 * x - 0.2040 * y + 1.0570 * z};
    double top = 0;
    for (double& v : lin) {
        if (v < 0)
            v = 0;
        if (v > top)
            top = v;
    }
    for (int k = 0; k < 3; k++)
        rgb[k] = srgb_encode(pow(lin[k] / top, COLOUR_CONTRAST));
}

static double level_of(double mag)
{
    double level = 255.0 * pow(10.0, -0.4 * BRIGHTNESS_GAMMA * (mag - SATURATION_MAG));
    return level > 255.0 ? 255.0 : level;
}

static uint8_t channel(double v)
{
    double r = floor(v + 0.5);
    return (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
}

// ---------------------------------------------------------------------------
// The table.

// "hh:mm:ss.ss" or "+dd:mm:ss.s" as a number of units (hours or degrees).
static bool sexagesimal(const char* s, bool signed_field, double* out)
{
    double sign = 1;
    if (signed_field) {
        if (*s != '+' && *s != '-')
            return false;
        sign = *s == '-' ? -1 : 1;
        s++;
    }
    int a, b, used = 0;
    double c;
    if (sscanf(s, "%2d:%2d:%lf%n", &a, &b, &c, &used) != 3 || s[used] != '\0')
        return false;
    if (a < 0 || b < 0 || b > 59 || c < 0 || c >= 60)
        return false;
    *out = sign * (a + b / 60.0 + c / 3600.0);
    return true;
}

// Reads the table; false after a message naming the file and the line.
static bool read_table(const char* path, std::vector<StarRow>* rows)
{
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "build_stars: cannot open %s\n", path);
        return false;
    }
    char line[512];
    int line_no = 0;
    bool ok = true;
    while (ok && fgets(line, sizeof line, f)) {
        line_no++;
        size_t n = strlen(line);
        if (n == sizeof line - 1 && line[n - 1] != '\n') {
            fprintf(stderr, "build_stars: %s:%d: line too long\n", path, line_no);
            ok = false;
            break;
        }
        char ra[32], dec[32];
        double mag, bv, hours, deg;
        if (line[0] == '#' || line[0] == '\n' || line[0] == '\r' || line[0] == '\0')
            continue;
        if (sscanf(line, "%31s %31s %lf %lf", ra, dec, &mag, &bv) != 4 ||
            !sexagesimal(ra, false, &hours) || !sexagesimal(dec, true, &deg) || hours >= 24 ||
            deg < -90 || deg > 90 || !(mag > -30 && mag < 30) || !(bv > -5 && bv < 10)) {
            fprintf(stderr, "build_stars: %s:%d: not a star row (ra dec mag b-v [name])\n", path,
                    line_no);
            ok = false;
            break;
        }
        rows->push_back({hours * 15.0, deg, mag, bv});
    }
    fclose(f);
    if (ok && (int)rows->size() != STAR_RECORDS) {
        fprintf(stderr, "build_stars: %s: %zu stars, the catalogue needs exactly %d\n", path,
                rows->size(), STAR_RECORDS);
        ok = false;
    }
    return ok;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: build_stars STARS.TXT STARCATS.BIN\n");
        return 2;
    }
    std::vector<StarRow> rows;
    if (!read_table(argv[1], &rows))
        return 1;

    std::vector<uint8_t> out(STAR_FILE_SIZE, 0);
    put_u16(&out[0], STAR_RECORDS);
    for (int k = 0; k < STAR_RECORDS; k++) {
        const StarRow& s = rows[k];
        uint8_t* rec = &out[STAR_HEADER_SIZE + STAR_RECORD_SIZE * k];
        // The renderer turns radians back into degrees with 360 / TWO_PI.
        put_f32(rec + STAR_LONGITUDE_AT, (float)(s.ra_deg * (TWO_PI / 360.0)));
        put_f32(rec + STAR_LATITUDE_AT, (float)(s.dec_deg * (TWO_PI / 360.0)));
        double rgb[3];
        blackbody_rgb(temperature_of(s.bv), rgb);
        double level = level_of(s.mag);
        for (int c = 0; c < 3; c++)
            rec[STAR_COLOUR_AT + c] = channel(level * rgb[c]);
        rec[STAR_COLOUR_AT + 3] = 0;
    }

    // A failed write keeps the old file.
    if (write_bytes_atomically(argv[2], out.data(), out.size()) != 0) {
        fprintf(stderr, "build_stars: error writing %s: %s\n", argv[2], strerror(errno));
        return 1;
    }
    return 0;
}
