// Planets and rings: the planet database and topology file, the surface map
// that holds one planet map or ring image at a time, the planet and ring
// renderers, and the planet, ring and colour pickers.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int32_t, uint8_t

struct BITMAP;

// ---------------------------------------------------------------------------
// Data files (database.cpp, topology.cpp).

// MAX_TOPOLOGY_RECORDS, MAP_MAX_WIDTH, MAP_MAX_HEIGHT, TOPOLOGY_NAME_LEN and
// the layout of novamir1.top.
#include "store/surface.h"         // Required for: full_map
#include "store/topology_format.h" // Required for: MAX_TOPOLOGY_RECORDS, TOPOLOGY_NAME_LEN

// Sizes of the two embedded database images (title picture and second image).
extern int32_t db_image1_w, db_image1_h, db_image2_w, db_image2_h;
extern uint8_t db_image1_palette[256][3];

// One index entry of the topology file (in memory).
struct TopologyEntry {
    char name[TOPOLOGY_NAME_LEN]; // at most 11 characters
    int32_t palette_source;        // record number, 0 = none
    int32_t map_type;
    int32_t zero_index;
    int32_t dark_index;
};
struct TopologyIndex {
    int32_t record_limit;
    int32_t count; // N, 0..48
    int32_t widths[MAX_TOPOLOGY_RECORDS];
    int32_t heights[MAX_TOPOLOGY_RECORDS];
    int32_t offsets[MAX_TOPOLOGY_RECORDS];
    int32_t sizes[MAX_TOPOLOGY_RECORDS];
    TopologyEntry entries[MAX_TOPOLOGY_RECORDS];
    uint8_t full_flags[MAX_TOPOLOGY_RECORDS];
    int32_t planets_on_file;
    int32_t rings_on_file;
    int32_t ring_records[MAX_TOPOLOGY_RECORDS];
    int32_t trailer; // 0 none, 1 "AH", 2 "AM"
};
extern TopologyIndex topology;
extern int32_t topology_loaded;
extern char planet_database_name[32]; // "novamir3.dat"

// Creates the frame buffer and surface map, reads both files; 0 or -1.
int init_planet_data(int width);
// Reads novamir3.dat: parameter block, images, palettes, Colour table.
// Returns -1 after a message when the parameter block cannot be used (the
// store is then unchanged); 0 otherwise, also when only the images were
// refused (with a message; the Colour table is then the interface palette).
int read_planet_database();
// Reads the topology index; 1 when read, 0 when the file does not open.
int read_topology_index();
void select_planet_map(int n);
// Loads record k (clamped to record_limit - 1); returns its map_type.
int load_map_record(int k);
// Sets planet_name_text to the short label of planet n.
void planet_label(int n);
int build_ring_table();
int planet_list_page(char lines[][80], int first_line, int start, int per_page);
int ring_list_page(char lines[][80], int first_line, int start, int per_page);

// ---------------------------------------------------------------------------
// Planet renderer (planet.cpp).

// Everything the planet renderer reads, taken in one place when the planet
// is set up: the render settings as apply_parameters left them, and the few
// entries read from the store itself.
struct PlanetSettings {
    int32_t width, height;      // frame size in pixels
    double aspect;              // screen ASPECT RATIO (column stretch)
    double ppd;                 // PIXELS/DEGREE
    int32_t x, y;               // X CENTRE, Y CENTRE at rest, pixels
    double diameter;            // DIAMETER pole to pole at rest, pixels
    double oblate;              // OBLATE RATIO, equator over pole
    double polar_angle;         // POLAR ANGLE, degrees (90 = north up)
    double phase;               // PHASE, degrees (180 = full)
    double latitude;            // LATITUDE of the view, degrees
    double rotation_init;       // ROTATION INIT, degrees (store)
    double rotation_inc;        // ROTATION INC, degrees per frame
    double shading;             // SHADING, brightness factor of the lit side
    double backlight;           // BACKLIGHT, least brightness
    double lighting_limit;      // LIGHTING LIMIT, greatest brightness (store)
    double ref_distance;        // REF DISTANCE
    double travel_distance;     // TRAVEL DISTANCE per frame, 0 = at rest
    double travel_angle;        // TRAVEL ANGLE, degrees
    bool phase_adjust;          // PHASE ADJUST (store)
    bool perspective;           // X PERSPECTIVE (store)
    bool preview_rgb;           // PREVIEW RGB (store)
    int32_t frame;              // current frame
    int32_t start_frame;        // the planet's START FRAME (store)
};
PlanetSettings planet_settings();

// What setup_planet leaves for render_planet, the ring renderer and the overlay.
struct PlanetState {
    double x, y;                // fractional placed centre
    int32_t xc, yc;             // placed centre, truncated
    double diameter;            // placed pole-to-pole diameter, at least 2
    double polar_angle;         // degrees; 90 for a half map
    double equatorial_diameter;
    int32_t rows, columns;      // plot size
    double terminator_angle;    // radians
    double planet_rotation;     // degrees
    double planet_latitude;     // radians
    int32_t full_map;           // copy for the ring renderer
    int32_t zero_colour, dark_colour;
    double scale;
};
extern PlanetState planet_state;

void place_planet(const PlanetSettings& s);
// Refreshes the render settings, then sets the planet up from them.
void setup_planet(int n);
// Sets planet n up from settings taken earlier (the planet row sets the
// planet up twice from one filling).
void setup_planet_from(const PlanetSettings& s, int n);
int render_planet(int mode);

// Planets and rings that only turn between frames reuse the per-pixel
// geometry that does not depend on the turn (same pixels either way); off,
// every pixel is computed afresh. For tests and side-by-side timings.
extern bool geometry_reuse;
// Frees all kept geometry: the next frame of every planet and ring is drawn
// as a first sight (benchmarks time first frames with it).
void drop_kept_geometry();

// ---------------------------------------------------------------------------
// Ring renderer (ring.cpp).

// Everything the ring renderer reads of the render settings and the store,
// taken in one place.
struct RingSettings {
    int32_t width, height;   // frame size in pixels
    double aspect;           // screen ASPECT RATIO
    double ppd;              // PIXELS/DEGREE
    int32_t frame;           // current frame
    int32_t start_frame;     // the ring's START FRAME (store)
    // From the store itself:
    int32_t number;          // RING NUMBER: picture record, or a colour past the pictures
    int32_t ring_width;      // RING WIDTH: pixels, or % of the planet's equator when locked
    int32_t ring_height;     // RING HEIGHT: likewise
    int32_t x, y;            // RING X/Y CENTRE, pixels (free rings)
    double rotation_init;    // ROTATION INIT, degrees
    double rotation_inc;     // ROTATION INC, degrees per frame
    double lighting_limit;   // LIGHTING LIMIT, how far bright texels cover the background
    double ref_distance;     // REF DISTANCE
    double travel_distance;  // TRAVEL DISTANCE per frame, 0 = at rest
    double travel_angle;     // TRAVEL ANGLE, degrees
    bool perspective;        // X PERSPECTIVE
    bool shadow;             // PLANET SHADOW
    bool subpixel;           // SUBPIXELLATION
    bool preview_rgb;        // PREVIEW RGB
};
RingSettings ring_settings();

// Where the last render_ring call put its ring.
struct RingState {
    int32_t cx, cy;          // centre, pixels
    double Wr, Hr;           // width and height of the ellipse, pixels
    int32_t rows, columns;   // plot size
    int mask;                // halves drawn: 1 the upper, 2 the lower, 3 both
    double Rs;               // reach of the planet's shadow
    double Pn;               // turn of the ring, degrees
    double half_eq;          // half the shadowing width: the planet's, or the free ring's own
    double scale;            // REF DISTANCE / distance of a travelling ring
};
extern RingState ring_state;

void reset_ring_pass();
// Reads the ring settings, then draws the ring.
int render_ring(int mode, int lock);
int render_ring_from(const RingSettings& s, int mode, int lock);

// The driver's PLANET row (locked.cpp): the planet at slot with every ring
// locked to it, far halves before the planet and near halves after, each
// drawn with its own record's settings.
void draw_planet_object(int slot, int flags);
