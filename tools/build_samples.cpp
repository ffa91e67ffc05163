// Builds the sample pictures into build/data/samples/: a spacecraft on black
// (SHIP.TGA and the frame-numbered series SHIP000.TGA .. SHIP059.TGA, engine
// flicker and beacon blink), and a nebula backdrop as 24-bit TGA, 8-bit BMP
// and 8-bit PCX. Everything is drawn here from formulas and a fixed seed, so
// every build writes the same bytes.
#include <allegro.h> // Required for: create_bitmap_ex, save_tga, save_bmp, save_pcx
#include <cmath>     // Required for: exp, pow, sqrt, sin, floor
#include <cstdint>   // Required for: uint32_t
#include <cstdio>    // Required for: snprintf
#include <string>
#include <vector>
#include <algorithm> // Required for: std::fill

#include "platform/atomic_file.h" // Required for: write_file_atomically
#include "platform/platform.h"    // Required for: init_headless

constexpr int SHIP_W = 300, SHIP_H = 112; // pixels
constexpr int SHIP_SCALE = 118;           // pixels per ship unit (nose at +1, tail at -1)
constexpr int SHIP_ORIGIN_X = 164;        // pixel column of u = 0: room for the exhaust behind
constexpr int SHIP_FRAMES = 60;           // SHIP000 .. SHIP059, one per frame of the demo
constexpr int SUPERSAMPLE = 4;            // 4 x 4 samples per pixel: soft edges over black
constexpr int NEBULA_W = 640, NEBULA_H = 480;
constexpr int PCX_BAND_H = 256;           // a PCX backdrop shows at most 256 rows
constexpr uint32_t NEBULA_SEED = 20240601u;

struct Colour {
    double r = 0, g = 0, b = 0;
};

static Colour mix(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
static Colour add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
static double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
static double smoothstep(double a, double b, double x)
{
    double t = clamp01((x - a) / (b - a));
    return t * t * (3 - 2 * t);
}
static int to_byte(double v)
{
    double r = floor(v + 0.5);
    return r < 0 ? 0 : r > 255 ? 255 : (int)r;
}

// ---------------------------------------------------------------------------
// The spacecraft, in ship units: u along the hull (tail -1, nose +1), v up.

struct ShipFrame {
    double plume;  // exhaust length factor, about 1
    bool beacon;   // red beacon on the fin lit
};

// Half height of the main hull at u; 0 outside it.
static double hull_half_height(double u)
{
    if (u < -0.95 || u > 1.0)
        return 0;
    if (u <= 0.3)
        return 0.15;
    double t = (u - 0.3) / 0.7;
    return 0.15 * pow(1 - t * t, 0.6);
}

// Point in a convex quadrilateral given counter-clockwise or clockwise.
static bool in_quad(double u, double v, const double q[4][2])
{
    int sign = 0;
    for (int i = 0; i < 4; i++) {
        const double* a = q[i];
        const double* b = q[(i + 1) % 4];
        double cross = (b[0] - a[0]) * (v - a[1]) - (b[1] - a[1]) * (u - a[0]);
        int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
        if (s != 0) {
            if (sign != 0 && s != sign)
                return false;
            sign = s;
        }
    }
    return true;
}

// Metal lit as a cylinder: vn is the height across the cylinder, -1..1.
static Colour lit_metal(Colour base, double vn)
{
    const double lx = 0.55, lz = 0.835; // light from above and in front (unit vector in v, z)
    double nz = sqrt(clamp01(1 - vn * vn));
    double diffuse = vn * lx + nz * lz;
    if (diffuse < 0)
        diffuse = 0;
    // Mirror direction's z for a viewer straight ahead: highlight band above centre.
    double rz = 2 * diffuse * nz - lz;
    double specular = rz > 0 ? pow(rz, 24) : 0;
    Colour c = mix(base, 0.16 + 0.84 * diffuse);
    return add(c, {200 * specular, 200 * specular, 205 * specular});
}

static double plume(double u, double v, double ue, double ve, double length, double width)
{
    double dx = ue - u;
    if (dx < -0.02)
        return 0;
    if (dx < 0)
        dx = 0;
    double r = fabs(v - ve) / (width + 0.08 * dx);
    return exp(-dx / length) * exp(-r * r);
}

// Colour of the ship at (u, v); covered says whether the hull is there
// (exhaust light alone does not count).
static Colour ship_sample(double u, double v, const ShipFrame& f, bool* covered)
{
    *covered = false;
    Colour c;
    // Exhaust: light only, added under everything solid.
    double glow = plume(u, v, -1.0, 0.0, 0.20 * f.plume, 0.05) +
                  0.8 * plume(u, v, -0.99, -0.33, 0.14 * f.plume, 0.035);
    Colour exhaust = {150 * glow, 190 * glow, 255 * glow};
    double core = plume(u, v, -1.0, 0.0, 0.06 * f.plume, 0.025);
    exhaust = add(exhaust, {255 * core, 255 * core, 255 * core});

    const Colour hull_base = {200, 204, 214};
    const Colour dark_metal = {120, 126, 138};
    // Far wing, behind the pods and the hull.
    static const double wing[4][2] = {{-0.78, -0.08}, {0.05, -0.08}, {-0.32, -0.36}, {-0.82, -0.36}};
    if (in_quad(u, v, wing)) {
        double shade = 0.75 - 0.35 * (-0.08 - v);
        c = mix(dark_metal, shade);
        if (fmod(u + 2.0, 0.2) < 0.012)
            c = mix(c, 0.6);
        *covered = true;
    }
    // Engine pod under the wing: a capsule with a rounded intake.
    {
        double pv = v + 0.33, ph = 0.055;
        double front = -0.45;
        double h = u <= front - ph ? ph : u <= front ? sqrt(ph * ph - (u - front + ph) * (u - front + ph)) : 0;
        if (u >= -0.97 && h > 0 && fabs(pv) <= h) {
            c = lit_metal({170, 174, 186}, pv / ph);
            if (u > front - 0.03)
                c = mix(c, 0.55); // intake ring
            *covered = true;
        }
        if (u >= -1.0 && u < -0.97 && fabs(pv) <= 0.04) { // nozzle
            c = {60, 62, 70};
            *covered = true;
        }
    }
    // Main engine bell behind the hull.
    if (u >= -1.03 && u < -0.95) {
        double hb = 0.08 + 0.4 * (u + 1.03);
        if (fabs(v) <= hb) {
            c = lit_metal({90, 92, 102}, v / hb);
            *covered = true;
        }
    }
    // Hull.
    double h = hull_half_height(u);
    if (h > 0 && fabs(v) <= h) {
        double vn = v / h;
        c = lit_metal(hull_base, vn);
        if (vn > -0.28 && vn < -0.06 && u > -0.9 && u < 0.7)
            c = lit_metal({200, 70, 45}, vn); // red stripe
        if (fmod(u + 2.0, 0.16) < 0.01 && u < 0.5)
            c = mix(c, 0.65); // panel seams
        if (fabs(vn - 0.58) < 0.035)
            c = mix(c, 0.7);
        // Row of lit windows.
        for (int i = 0; i < 9; i++) {
            double du = (u - (-0.55 + 0.11 * i)) * 1.0, dv = v - 0.03;
            if (du * du + dv * dv < 0.018 * 0.018)
                c = {255, 222, 150};
        }
        // Cockpit glass near the nose.
        double cu = (u - 0.64) / 0.15, cv = (v - 0.07) / 0.05;
        if (cu * cu + cv * cv < 1 && v > 0.03) {
            double shine = pow(clamp01(1 - fabs(cv - 0.4 + 0.5 * cu)), 6);
            c = add({25, 50, 95}, {170 * shine, 190 * shine, 220 * shine});
        }
        // Keep the hull off pure black so it never turns see-through.
        if (c.r + c.g + c.b < 24)
            c = {8, 8, 10};
        *covered = true;
    }
    // Dorsal fin.
    static const double fin[4][2] = {{-0.93, 0.13}, {-0.52, 0.13}, {-0.78, 0.41}, {-0.92, 0.41}};
    if (in_quad(u, v, fin)) {
        c = mix(hull_base, 0.62 + 0.25 * (v - 0.13));
        if (u < -0.9 || v > 0.395)
            c = mix(c, 0.7); // edge trim
        *covered = true;
    }
    // Lights: red beacon on the fin, green on the wing tip, white at the nose.
    double dr = hypot(u + 0.86, v - 0.41);
    if (f.beacon && dr < 0.05) {
        double k = 1 - dr / 0.05;
        c = add(*covered && dr < 0.02 ? Colour{255, 60, 50} : c, {255 * k * k, 40 * k * k, 30 * k * k});
    }
    if (hypot(u + 0.33, v + 0.36) < 0.016) {
        c = {80, 255, 120};
        *covered = true;
    }
    if (hypot(u - 0.995, v) < 0.014) {
        c = {255, 255, 240};
        *covered = true;
    }
    return *covered ? c : add(c, exhaust);
}

static BITMAP* draw_ship(const ShipFrame& f)
{
    BITMAP* bmp = create_bitmap_ex(24, SHIP_W, SHIP_H);
    if (!bmp)
        return nullptr;
    for (int py = 0; py < SHIP_H; py++) {
        for (int px = 0; px < SHIP_W; px++) {
            Colour sum;
            for (int sy = 0; sy < SUPERSAMPLE; sy++) {
                for (int sx = 0; sx < SUPERSAMPLE; sx++) {
                    double x = px + (sx + 0.5) / SUPERSAMPLE, y = py + (sy + 0.5) / SUPERSAMPLE;
                    double u = (x - SHIP_ORIGIN_X) / SHIP_SCALE, v = (SHIP_H / 2.0 - y) / SHIP_SCALE;
                    bool covered;
                    sum = add(sum, ship_sample(u, v, f, &covered));
                }
            }
            Colour c = mix(sum, 1.0 / (SUPERSAMPLE * SUPERSAMPLE));
            putpixel(bmp, px, py, makecol24(to_byte(c.r), to_byte(c.g), to_byte(c.b)));
        }
    }
    return bmp;
}

// ---------------------------------------------------------------------------
// The nebula: value-noise clouds in two colours with dark dust lanes.

static uint32_t hash3(int x, int y, uint32_t seed)
{
    uint32_t h = (uint32_t)x * 0x8da6b343u ^ (uint32_t)y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

static double lattice(int x, int y, uint32_t seed) { return (hash3(x, y, seed) >> 8) / 16777216.0; }

static double value_noise(double x, double y, uint32_t seed)
{
    double fx = floor(x), fy = floor(y);
    int ix = (int)fx, iy = (int)fy;
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

static double fbm(double x, double y, uint32_t seed)
{
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < 6; o++) {
        sum += amp * value_noise(x, y, seed + (uint32_t)o * 101u);
        norm += amp;
        x *= 2.03;
        y *= 2.03;
        amp *= 0.5;
    }
    return sum / norm;
}

static Colour nebula_at(int px, int py)
{
    double x = px, y = py;
    // Domain warp so the clouds curl rather than blot.
    double wx = x + 60 * (fbm(x / 210, y / 210, NEBULA_SEED + 7) - 0.5);
    double wy = y + 60 * (fbm(x / 210 + 3.1, y / 210, NEBULA_SEED + 8) - 0.5);
    double red = smoothstep(0.42, 0.80, fbm(wx / 190, wy / 190, NEBULA_SEED));
    double blue = smoothstep(0.45, 0.85, fbm(wx / 150 + 5.3, wy / 150 + 1.7, NEBULA_SEED + 1));
    double dust = smoothstep(0.52, 0.72, fbm(wx / 80, wy / 80, NEBULA_SEED + 2));
    // Brightest towards the upper right, fading away from it.
    double falloff = 0.45 + 0.55 * exp(-hypot(x - 470, y - 150) / 380);
    Colour c = {5, 5, 13};
    c = add(c, mix({150, 34, 72}, pow(red, 1.5) * falloff));
    c = add(c, mix({36, 86, 160}, pow(blue, 1.5) * falloff));
    c = add(c, mix({70, 60, 70}, red * blue * falloff)); // hot glow where both gases meet
    return mix(c, 1 - 0.75 * dust);
}

static BITMAP* draw_nebula()
{
    BITMAP* bmp = create_bitmap_ex(24, NEBULA_W, NEBULA_H);
    if (!bmp)
        return nullptr;
    for (int y = 0; y < NEBULA_H; y++)
        for (int x = 0; x < NEBULA_W; x++) {
            Colour c = nebula_at(x, y);
            putpixel(bmp, x, y, makecol24(to_byte(c.r), to_byte(c.g), to_byte(c.b)));
        }
    return bmp;
}

// ---------------------------------------------------------------------------

// Saves whole or not at all, so a failed write keeps the previous file. The
// extension of the name picks the format.
static bool save(const std::string& dir, const char* name, BITMAP* bmp, const RGB* pal)
{
    std::string path = dir + "/" + name;
    if (write_file_atomically(path.c_str(), [&](const char* temp) { return save_bitmap(temp, bmp, pal); }) != 0) {
        fprintf(stderr, "build_samples: error writing %s\n", path.c_str());
        return false;
    }
    return true;
}

// Median cut: boxes of the picture's colours, split at the pixel-weighted
// median of their longest side until there are 256; each box gives the mean
// of its pixels. (The library's optimiser is not used: its result changes
// with the state of the heap, and the samples must be the same every build.)
struct ColourCount {
    int rgb[3];
    int count;
};
struct ColourBox {
    size_t first, last; // range in the colour list, last excluded
    long pixels;
    int axis, range;     // longest side and its length
};

static void measure_box(const std::vector<ColourCount>& colours, ColourBox* b)
{
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    b->pixels = 0;
    for (size_t i = b->first; i < b->last; i++) {
        for (int c = 0; c < 3; c++) {
            lo[c] = std::min(lo[c], colours[i].rgb[c]);
            hi[c] = std::max(hi[c], colours[i].rgb[c]);
        }
        b->pixels += colours[i].count;
    }
    b->axis = 0;
    for (int c = 1; c < 3; c++)
        if (hi[c] - lo[c] > hi[b->axis] - lo[b->axis])
            b->axis = c;
    b->range = hi[b->axis] - lo[b->axis];
}

static void median_cut_palette(BITMAP* src, PALETTE pal)
{
    std::vector<int> packed;
    packed.reserve((size_t)src->w * src->h);
    for (int y = 0; y < src->h; y++)
        for (int x = 0; x < src->w; x++) {
            int p = getpixel(src, x, y);
            packed.push_back(getr24(p) << 16 | getg24(p) << 8 | getb24(p));
        }
    std::sort(packed.begin(), packed.end());
    std::vector<ColourCount> colours;
    for (size_t i = 0; i < packed.size(); i++) {
        if (i == 0 || packed[i] != packed[i - 1])
            colours.push_back({{packed[i] >> 16, (packed[i] >> 8) & 255, packed[i] & 255}, 0});
        colours.back().count++;
    }
    std::vector<ColourBox> boxes(1, ColourBox{0, colours.size(), 0, 0, 0});
    measure_box(colours, &boxes[0]);
    while (boxes.size() < PAL_SIZE) {
        // The box that most deserves a split: longest side times its pixels.
        int pick = -1;
        double best = 0;
        for (size_t k = 0; k < boxes.size(); k++) {
            double score = (double)boxes[k].range * boxes[k].pixels;
            if (boxes[k].last - boxes[k].first > 1 && score > best) {
                best = score;
                pick = (int)k;
            }
        }
        if (pick < 0)
            break; // fewer colours than entries
        ColourBox b = boxes[pick];
        int axis = b.axis;
        std::sort(colours.begin() + b.first, colours.begin() + b.last,
                  [axis](const ColourCount& p, const ColourCount& q) {
                      if (p.rgb[axis] != q.rgb[axis])
                          return p.rgb[axis] < q.rgb[axis];
                      int pp = p.rgb[0] << 16 | p.rgb[1] << 8 | p.rgb[2];
                      int qq = q.rgb[0] << 16 | q.rgb[1] << 8 | q.rgb[2];
                      return pp < qq;
                  });
        long half = 0;
        size_t cut = b.first + 1;
        for (size_t i = b.first; i < b.last - 1; i++) {
            half += colours[i].count;
            cut = i + 1;
            if (2 * half >= b.pixels)
                break;
        }
        ColourBox lower = {b.first, cut, 0, 0, 0}, upper = {cut, b.last, 0, 0, 0};
        measure_box(colours, &lower);
        measure_box(colours, &upper);
        boxes[pick] = lower;
        boxes.push_back(upper);
    }
    for (int i = 0; i < PAL_SIZE; i++)
        pal[i].r = pal[i].g = pal[i].b = 0;
    for (size_t k = 0; k < boxes.size(); k++) {
        long sum[3] = {0, 0, 0};
        for (size_t i = boxes[k].first; i < boxes[k].last; i++)
            for (int c = 0; c < 3; c++)
                sum[c] += (long)colours[i].rgb[c] * colours[i].count;
        unsigned char v[3];
        for (int c = 0; c < 3; c++) {
            long mean = (sum[c] + boxes[k].pixels / 2) / boxes[k].pixels; // 0..255
            v[c] = (unsigned char)std::min(63L, (mean * 63 + 127) / 255);
        }
        pal[k].r = v[0];
        pal[k].g = v[1];
        pal[k].b = v[2];
    }
}

// The nebula reduced to 256 colours of its own palette, with Floyd-Steinberg
// error diffusion in integers so the smooth clouds do not band.
static BITMAP* to_8bit(BITMAP* src, PALETTE pal)
{
    median_cut_palette(src, pal);
    BITMAP* out = create_bitmap_ex(8, src->w, src->h);
    if (!out)
        return nullptr;
    const int w = src->w;
    // Error carried to this row and the next, per channel, with a column of
    // margin on each side.
    std::vector<int> here(3 * (w + 2), 0), next(3 * (w + 2), 0);
    for (int y = 0; y < src->h; y++) {
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < w; x++) {
            int p = getpixel(src, x, y);
            int want[3] = {getr24(p), getg24(p), getb24(p)};
            for (int c = 0; c < 3; c++) {
                want[c] += here[3 * (x + 1) + c] / 16;
                want[c] = want[c] < 0 ? 0 : want[c] > 255 ? 255 : want[c];
            }
            int index = bestfit_color(pal, want[0] >> 2, want[1] >> 2, want[2] >> 2);
            putpixel(out, x, y, index);
            const int got[3] = {pal[index].r, pal[index].g, pal[index].b};
            for (int c = 0; c < 3; c++) {
                int e = want[c] - (got[c] * 4 + got[c] / 16); // 0..63 back to 0..255
                here[3 * (x + 2) + c] += 7 * e;
                next[3 * x + c] += 3 * e;
                next[3 * (x + 1) + c] += 5 * e;
                next[3 * (x + 2) + c] += e;
            }
        }
        here.swap(next);
    }
    return out;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: build_samples OUTDIR\n");
        return 2;
    }
    if (init_headless() != 0) {
        fprintf(stderr, "build_samples: cannot start Allegro\n");
        return 1;
    }
    std::string dir = argv[1];
    bool ok = true;

    BITMAP* ship = draw_ship({1.0, true});
    ok = ok && ship && save(dir, "SHIP.TGA", ship, nullptr);
    if (ship)
        destroy_bitmap(ship);
    for (int frame = 0; ok && frame < SHIP_FRAMES; frame++) {
        // The flame breathes on two beats; the beacon is lit 4 frames in 10.
        ShipFrame f = {1.0 + 0.18 * sin(frame * 1.3) + 0.08 * sin(frame * 3.7), frame % 10 < 4};
        char name[32];
        snprintf(name, sizeof name, "SHIP%03d.TGA", frame);
        BITMAP* b = draw_ship(f);
        ok = b && save(dir, name, b, nullptr);
        if (b)
            destroy_bitmap(b);
    }

    BITMAP* nebula = ok ? draw_nebula() : nullptr;
    ok = ok && nebula && save(dir, "NEBULA.TGA", nebula, nullptr);
    if (ok) {
        PALETTE pal;
        BITMAP* indexed = to_8bit(nebula, pal);
        ok = indexed && save(dir, "NEBULA.BMP", indexed, pal);
        // The PCX path of the backdrop reads at most 256 rows: the middle band.
        BITMAP* band = indexed ? create_bitmap_ex(8, NEBULA_W, PCX_BAND_H) : nullptr;
        if (band)
            blit(indexed, band, 0, (NEBULA_H - PCX_BAND_H) / 2, 0, 0, NEBULA_W, PCX_BAND_H);
        ok = ok && band && save(dir, "NEBULA.PCX", band, pal);
        if (band)
            destroy_bitmap(band);
        if (indexed)
            destroy_bitmap(indexed);
    }
    if (nebula)
        destroy_bitmap(nebula);
    if (!ok) {
        fprintf(stderr, "build_samples: could not write the samples into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
