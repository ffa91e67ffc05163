// Star field of the sky object: the star catalogue, projected through a
// longitude/latitude view in pixels per degree, twinkling per star and frame.
#include "sky/sky.h"

#include <sys/stat.h> // Required for: fstat
#include <cmath>      // Required for: sin
#include <cstdio>
#include <climits>    // Required for: PATH_MAX
#include <cstdlib>    // Required for: realpath
#include <cstring>

#include "platform/angles.h"   // Required for: RAD2DEG
#include "platform/bytes.h"    // Required for: get_f32, get_i16
#include "platform/platform.h" // Required for: find_data_file
#include "sky/sky_local.h"     // Required for: sky_rectangle
#include "store/canvas.h"      // Required for: RENDER_FRAME, RENDER_PREVIEW, frame_height
#include "store/geometry.h"    // Required for: star_rotate
#include "store/prompt.h"      // Required for: log_detail
#include "store/store.h"       // Required for: D_ASPECT, D_BRIGHTNESS, D_PIXELS_PER_DEGREE

static const char STAR_FILE[] = "starcats.bin";

enum StarView : int { STARS_OFF = 0, STARS_NORTH = 1, STARS_SOUTH = 2 };

// One catalogue record as read from the file (12 bytes, little-endian).
struct StarRecord {
    float longitude; // radians
    float latitude;  // radians
    uint8_t red, green, blue;
};

// The catalogue as last read. It is read through once per frame in the
// original design; keeping it is safe because the file is identified by its
// full path, device, inode, size and times, and a changed file is read again.
static struct {
    StarRecord record[STAR_RECORDS];
    int32_t count;  // records that could be read whole, 0..5080
    int16_t header; // the count field: kept, never used as a bound
    char path[PATH_MAX];
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime, ctime;
    bool valid;
} catalogue;

// Working memory of one chunk: the screen column and row of each star.
static int32_t chunk_x[STAR_CHUNK];
static int32_t chunk_y[STAR_CHUNK];

// Conversion toward zero as the processor does it: a value that does not fit
// gives INT32_MIN, which lands every such star outside the rectangle.
static inline int32_t trunc_to_int(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return (int32_t)v;
}

// Brings the catalogue in memory up to date with the file on disk; a missing
// file leaves no records and a short one the records it holds whole.
// The user hears of a missing file once, not on every frame, until it is
// found again: on the console and in the log, since the star field opens no
// box of its own in the middle of a frame.
static void load_catalogue()
{
    static bool told_missing = false;
    char found[512], path[PATH_MAX];
    FILE* f = nullptr;
    if (find_data_file(STAR_FILE, found, sizeof found) && realpath(found, path))
        f = fopen(path, "rb");
    if (!f) {
        if (!told_missing)
            log_detail("%s: not found or unreadable; no stars are drawn", STAR_FILE);
        told_missing = true;
        catalogue.valid = false;
        catalogue.count = 0;
        return;
    }
    told_missing = false;
    struct stat st;
    memset(&st, 0, sizeof st);
    const bool known = fstat(fileno(f), &st) == 0;
    if (known && catalogue.valid && strcmp(catalogue.path, path) == 0 &&
        catalogue.dev == st.st_dev && catalogue.ino == st.st_ino && catalogue.size == st.st_size &&
        catalogue.mtime.tv_sec == st.st_mtim.tv_sec && catalogue.mtime.tv_nsec == st.st_mtim.tv_nsec &&
        catalogue.ctime.tv_sec == st.st_ctim.tv_sec && catalogue.ctime.tv_nsec == st.st_ctim.tv_nsec) {
        fclose(f);
        return;
    }
    static uint8_t bytes[STAR_FILE_SIZE];
    size_t got = fread(bytes, 1, sizeof bytes, f);
    fclose(f);
    catalogue.header = got >= 2 ? get_i16(bytes) : 0;
    int n = got >= STAR_HEADER_SIZE ? (int)((got - STAR_HEADER_SIZE) / STAR_RECORD_SIZE) : 0;
    for (int k = 0; k < n; k++) {
        const uint8_t* p = bytes + STAR_HEADER_SIZE + STAR_RECORD_SIZE * k;
        catalogue.record[k].longitude = get_f32(p + STAR_LONGITUDE_AT);
        catalogue.record[k].latitude = get_f32(p + STAR_LATITUDE_AT);
        catalogue.record[k].red = p[STAR_COLOUR_AT];
        catalogue.record[k].green = p[STAR_COLOUR_AT + 1];
        catalogue.record[k].blue = p[STAR_COLOUR_AT + 2];
    }
    catalogue.count = n;
    if (got < sizeof bytes)
        log_detail("%s: %d bytes, shorter than the %d of a whole catalogue; %d stars are drawn", path, (int)got,
                       STAR_FILE_SIZE, n);
    snprintf(catalogue.path, sizeof catalogue.path, "%s", path);
    catalogue.dev = st.st_dev;
    catalogue.ino = st.st_ino;
    catalogue.size = st.st_size;
    catalogue.mtime = st.st_mtim;
    catalogue.ctime = st.st_ctim;
    catalogue.valid = known;
}

static inline int limit_star_channel(int v)
{
    // A negative brightness factor (TWINKLE above 1, negative BRIGHTNESS)
    // gives negative channels: they cannot brighten anything, so they count
    // as 0.
    if (v > 255)
        return 255;
    if (v < 0)
        return 0;
    return v;
}

int draw_stars(int mode)
{
    const SkySettings s = sky_settings();
    int x0 = s.start_x, x1 = s.end_x;
    int y0 = s.start_y, y1 = s.end_y;
    if (y0 == y1 || x0 == x1)
        return 0;
    const int W = s.width;
    const int H = s.height;
    sky_rectangle(&x0, &y0, &x1, &y1, true, W, H);

    const double sx = s.ppd * s.aspect;
    const double sy = s.ppd;
    const int64_t wr = trunc_to_int(360.0 * sx);

    const int this_frame = s.frame;
    const int n = this_frame - s.start_frame;
    const double lon = s.star_long + n * s.star_long_inc;
    const double lat = s.star_lat + n * s.star_lat_inc;
    const bool precise = s.precise;
    const double lon0 = precise ? 0.0 : lon;
    const double lat0 = precise ? 0.0 : lat;
    const bool north = s.stars == STARS_NORTH;
    const double twinkle = s.twinkle;
    const double brightness = s.brightness;
    const bool to_frame = (mode & RENDER_FRAME) && !replay_only;
    const bool to_preview = (mode & RENDER_PREVIEW) && !replay_only;
    const bool rgb_preview = s.preview_rgb;

    load_catalogue();
    int count = 0;
    for (int chunk = 0; chunk * STAR_CHUNK < catalogue.count; chunk++) {
        const StarRecord* rec = catalogue.record + chunk * STAR_CHUNK;
        int in_chunk = catalogue.count - chunk * STAR_CHUNK;
        if (in_chunk > STAR_CHUNK)
            in_chunk = STAR_CHUNK;

        for (int i = 0; i < in_chunk; i++) {
            double lambda, phi;
            if (precise) {
                star_rotate(rec[i].longitude, rec[i].latitude, lon, lat, &phi, &lambda);
            } else {
                lambda = rec[i].longitude;
                phi = rec[i].latitude;
            }
            const int64_t hx = trunc_to_int((lambda * RAD2DEG - lon0) * sx);
            const int64_t vy = trunc_to_int((phi * RAD2DEG - lat0) * sy);
            int64_t x, y;
            if (north) {
                x = W / 2 - hx;
                y = H / 2 - vy;
            } else {
                x = W / 2 + hx;
                y = H / 2 + vy;
            }
            for (int round = 0; round < 2; round++) {
                if (x < 0)
                    x += wr;
                if (x >= wr)
                    x -= wr;
            }
            // Anything beyond 32 bits is far outside every rectangle.
            chunk_x[i] = (x < INT32_MIN || x > INT32_MAX) ? INT32_MIN : (int32_t)x;
            chunk_y[i] = (y < INT32_MIN || y > INT32_MAX) ? INT32_MIN : (int32_t)y;
        }

        for (int i = 0; i < in_chunk; i++) {
            const int x = chunk_x[i], y = chunk_y[i];
            if (!(x0 <= x && x < x1 && y0 <= y && y < y1 && x >= 0 && y >= 0))
                continue;
            count++;
            if (!to_frame && !to_preview)
                continue;
            const double f = (1.0 - sin((20.0 * this_frame + i) / 100.0) * twinkle) * brightness;
            int r = limit_star_channel(trunc_to_int(f * rec[i].red));
            int g = limit_star_channel(trunc_to_int(f * rec[i].green));
            int b = limit_star_channel(trunc_to_int(f * rec[i].blue));
            if (to_frame) {
                int pr, pg, pb;
                get_frame_pixel(x, y, &pr, &pg, &pb);
                r = pr > r ? pr : r;
                g = pg > g ? pg : g;
                b = pb > b ? pb : b;
                put_frame_pixel(x, y, r, g, b);
            }
            if (to_preview && preview_target) {
                if (rgb_preview) {
                    if (r + g + b != 0)
                        preview_plot(x, y, r, g, b);
                } else {
                    preview_plot(x, y, r, g, b);
                }
            }
        }
    }
    (void)catalogue.header;
    return count;
}
