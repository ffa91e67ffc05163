// Planet database: start-up of the planet data, the novamir3.dat reader
// (parameter block, two embedded images, their palette and the Colour table).
#include "planets/planets.h"

#include <allegro.h> // Required for: create_bitmap_ex, clear_to_color, get_palette
#include <cmath>     // Required for: std::isfinite
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/bytes.h"        // Required for: get_f64, get_i16, get_i32
#include "platform/platform.h"     // Required for: open_data_file, read_rest
#include "store/canvas.h"          // Required for: create_frame_buffer, frame_buffer
#include "store/filelists.h"       // Required for: scan_images, scan_projects
#include "store/palette.h"         // Required for: interface_palette, startup_palette
#include "store/param_block.h"     // Required for: BLOCK_DBL_PARAM ..., DATABASE_IMAGE1_AT ...
#include "store/prompt.h"          // Required for: tell_screen_notice, tell_user
#include "store/store.h"           // Required for: DBL_PARAMS, FLAG_PARAMS, INT_PARAMS
#include "store/surface.h"         // Required for: colour_table, map_palette, surface_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

// ---------------------------------------------------------------------------
// Global tables.

int32_t db_image1_w = 0, db_image1_h = 0, db_image2_w = 0, db_image2_h = 0;
uint8_t db_image1_palette[256][3];

char planet_database_name[32] = "novamir3.dat";

// Frame size kept by init_planet_data for the limits of WIDTH and HEIGHT.
static int frame_limit_width = 640;

// ---------------------------------------------------------------------------
// File-private helpers.

// Reads a whole file found through the data lookup; false when it does not open.
static bool read_whole_file(const char* name, std::vector<uint8_t>& out)
{
    FILE* f = open_data_file(name, "rb");
    if (!f)
        return false;
    const bool ok = read_rest(f, out);
    fclose(f);
    return ok;
}

// Checks the parameter block before it reaches the store: finite decimals,
// limits in order, start values inside them, flags 0 or 1. Writes the first
// problem into why and returns false.
static bool check_param_block(const uint8_t* b, char* why, size_t why_size)
{
    for (int i = 0; i < DBL_PARAMS; i++) {
        double v = get_f64(b + BLOCK_DBL_PARAM + 8 * i), hi = get_f64(b + BLOCK_DBL_MAX + 8 * i),
               lo = get_f64(b + BLOCK_DBL_MIN + 8 * i);
        if (!std::isfinite(v) || !std::isfinite(hi) || !std::isfinite(lo)) {
            snprintf(why, why_size, "decimal %d is not a number", i);
            return false;
        }
        if (lo > hi || v < lo || v > hi) {
            snprintf(why, why_size, "decimal %d start value %g is outside %g..%g", i, v, lo, hi);
            return false;
        }
    }
    for (int i = 0; i < INT_PARAMS; i++) {
        int32_t v = get_i32(b + BLOCK_INT_PARAM + 4 * i), hi = get_i32(b + BLOCK_INT_MAX + 4 * i),
                lo = get_i32(b + BLOCK_INT_MIN + 4 * i);
        if (lo > hi || v < lo || v > hi) {
            snprintf(why, why_size, "integer %d start value %d is outside %d..%d", i, (int)v, (int)lo,
                     (int)hi);
            return false;
        }
    }
    for (int i = 0; i < FLAG_PARAMS; i++) {
        int32_t v = get_i32(b + BLOCK_FLAG_PARAM + 4 * i);
        if (v != 0 && v != 1) {
            snprintf(why, why_size, "flag %d is %d, not 0 or 1", i, (int)v);
            return false;
        }
    }
    return true;
}

// Where the parts after the parameter block lie, once their sizes are checked.
struct DatabaseLayout {
    int w1, h1, w2, h2;
    size_t image1, palette1, image2, colours;
};

// Walks the image part of the file; false with the problem in why.
// Reads the size fields of one embedded picture at pos; false with the
// problem in why when the file ends first (`ends` says where) or the size is
// beyond the picture's limits.
static bool picture_size(const std::vector<uint8_t>& d, size_t pos, const char* ends, const char* which,
                         int max_w, int* w, int* h, char* why, size_t n)
{
    if (d.size() < pos + DATABASE_SIZE_BYTES) {
        snprintf(why, n, "the file ends %s", ends);
        return false;
    }
    *w = get_i16(&d[pos]);
    *h = get_i16(&d[pos + 2]);
    if (*w < 0 || *w > max_w || *h < 0 || *h > DATABASE_IMAGE_MAX_HEIGHT) {
        snprintf(why, n, "%s image of %d x %d is not within %d x %d", which, *w, *h, max_w,
                 DATABASE_IMAGE_MAX_HEIGHT);
        return false;
    }
    return true;
}

static bool check_image_part(const std::vector<uint8_t>& d, DatabaseLayout& L, char* why, size_t n)
{
    size_t pos = DATABASE_IMAGE1_AT;
    if (!picture_size(d, pos, "before the first image", "first", DATABASE_IMAGE1_MAX_WIDTH, &L.w1, &L.h1,
                      why, n))
        return false;
    L.image1 = pos + DATABASE_SIZE_BYTES;
    L.palette1 = L.image1 + (size_t)L.w1 * L.h1;
    pos = L.palette1 + DATABASE_PALETTE_BYTES;
    if (!picture_size(d, pos, "inside the first image or its palette", "second", DATABASE_IMAGE2_MAX_WIDTH,
                      &L.w2, &L.h2, why, n))
        return false;
    L.image2 = pos + DATABASE_SIZE_BYTES;
    L.colours = L.image2 + (size_t)L.w2 * L.h2;
    if (d.size() < L.colours + DATABASE_PALETTE_BYTES) {
        snprintf(why, n, "the file ends inside the second image or the Colour table");
        return false;
    }
    return true;
}

// Without usable images the Colour table is the interface palette, so that
// colour numbers still mean what the palette chart shows.
static void colour_table_from_interface()
{
    uint8_t interface[256][3];
    interface_palette(interface);
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            colour_table[i][c] = (uint8_t)(interface[i][c] * 4);
}

// ---------------------------------------------------------------------------
// Public functions.

int read_planet_database()
{
    std::vector<uint8_t> d;
    if (!read_whole_file(planet_database_name, d)) {
        tell_user("Planet database %s not found.", planet_database_name);
        return -1;
    }
    char why[160];
    if (d.size() < (size_t)PARAM_BLOCK_SIZE) {
        tell_user("%s: %d bytes, shorter than its parameter block.", planet_database_name, (int)d.size());
        return -1;
    }
    if (!check_param_block(d.data(), why, sizeof why)) {
        tell_user("%s: %s.", planet_database_name, why);
        return -1;
    }
    // The choice lists keep their own start selections: the database's start
    // values of the integers they feed are chosen to match them, so label and
    // value agree on the first screen without either overriding the other.
    read_param_block(d.data(), d.size());
    int fw = frame_buffer ? frame_buffer->w : frame_limit_width;
    set_frame_limits(fw, (3 * fw) / 4);

    DatabaseLayout L;
    if (!check_image_part(d, L, why, sizeof why)) {
        // The store is usable; only the pictures and the Colour table are not.
        tell_user("%s: %s; its images are not used.", planet_database_name, why);
        db_image1_w = db_image1_h = db_image2_w = db_image2_h = 0;
        if (surface_map)
            clear_to_color(surface_map, 0);
        colour_table_from_interface();
        memcpy(map_palette, colour_table, sizeof map_palette);
        return 0;
    }
    if (surface_map) {
        clear_to_color(surface_map, 0);
        for (int r = 0; r < L.h1; r++)
            memcpy(surface_map->line[r], &d[L.image1 + (size_t)r * L.w1], (size_t)L.w1);
        for (int r = 0; r < L.h2; r++)
            memcpy(surface_map->line[r] + DATABASE_IMAGE2_COLUMN, &d[L.image2 + (size_t)r * L.w2], (size_t)L.w2);
    }
    memcpy(map_palette, &d[L.palette1], DATABASE_PALETTE_BYTES);
    memcpy(db_image1_palette, &d[L.palette1], DATABASE_PALETTE_BYTES);
    memcpy(colour_table, &d[L.colours], DATABASE_PALETTE_BYTES);
    db_image1_w = L.w1;
    db_image1_h = L.h1;
    db_image2_w = L.w2;
    db_image2_h = L.h2;
    return 0;
}

int init_planet_data(int width)
{
    int height = (3 * width) / 4;
    frame_limit_width = width;
    if (create_frame_buffer(width) != 0)
        return -1;
    if (!surface_map)
        surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
    if (!surface_map)
        return -1;
    clear_to_color(surface_map, 0);
    snprintf(topology_file_name, sizeof topology_file_name, "novamir%d.top", 1);
    tell_screen_notice("Maximum Frame size: %d x %d\n", width, height);

    // Without a parameter block the store holds no values at all: the
    // program cannot go on, and start-up reports it as a start-up failure.
    if (read_planet_database() < 0)
        return -1;
    tell_screen_notice("Maximum input BMP image:  %d x %d\n", MAP_MAX_WIDTH, MAP_MAX_HEIGHT);

    topology_loaded = read_topology_index();
    if (topology_loaded == 0)
        tell_user("Planet TOPOLOGY file not found.");
    else
        tell_screen_notice("Planet TOPology file %s loaded", topology_file_name);

    set_frame_limits(width, height);
    scan_projects();
    scan_images();
    if (screen)
        get_palette(startup_palette);
    colour_table[255][0] = colour_table[255][1] = colour_table[255][2] = 255;
    return 0;
}
