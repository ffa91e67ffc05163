// Batch rendering without a screen: start-up, the worker processes, the
// progress line, and the state one frame leaves for the next.
#pragma once
#include <cstdint> // Required for: int32_t, uint8_t

#include "comets/comets.h"         // Required for: CometPlacement
#include "images/images.h"         // Required for: BitmapPlacement
#include "planets/planets.h"       // Required for: PlanetState
#include "store/canvas.h"          // Required for: OverlayValues, RenderSettings
#include "store/records.h"         // Required for: MAX_OBJECTS, ObjectRecord, RingLocks
#include "store/store.h"           // Required for: ChoiceList, PageFrames, INT_PARAMS
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

// ---------------------------------------------------------------------------
// Batch run (batch.cpp).

struct BatchOptions {
    int first = -1, last = -1; // frames to render; -1: the project's START FRAME / END FRAME
    int chunk = 0, chunks = 0; // --chunk K/N: part K (0-based) of N of those frames; 0 chunks: all
    int width = 640;           // the program's screen width: 640, 800 or 1024
    bool width_given = false;  // --width: the frame buffer is that screen's page
    int size_w = 0, size_h = 0; // --size: the frame buffer, 16..8192 a side; 0: as the project needs
    const char* output = nullptr; // --output PATTERN (see output_pattern); null: the project's names
    bool skip_existing = false;   // leave frames whose files exist
    const char* video = nullptr;  // --video FILE: .mp4, .webm or .gif through ffmpeg
    int fps = 25;
    int jobs = 0;              // worker processes, 1..256; 0: one per core
    bool yes = false;          // answer Y where the program would ask
    const char* project = nullptr;
    // Reads the project file into the store and the object list; 0 on
    // success. The reader belongs to the layer above, so it is handed in.
    int (*read_project)(const char* path) = nullptr;
};

// Part k (0-based) of n near-equal contiguous parts of first..last, as
// *a..*b; the earlier parts are the shorter by one where the count does not
// divide. An empty part (more parts than frames) has *a > *b.
void chunk_range(int first, int last, int k, int n, int* a, int* b);

// Starts the library without a display and renders the frames, printing the
// progress and the summary on stderr. Returns the exit status: 0 only when
// every frame was written, else 1 (after a message).
int run_batch(const BatchOptions& o);
// The start-up of one run (also what a fresh worker holds): planet data for
// the width, planet 3's map, the project read and its size fitted to the
// frame buffer. Returns 0, or 1 after a message; the library must be up.
int start_batch(const BatchOptions& o);

// ---------------------------------------------------------------------------
// Carried state (carried.cpp): everything a frame leaves that a later frame
// reads. Restored over a fresh start-up, it puts a worker where a run from
// START FRAME would be after the captured frame.
//
// Not held, because every reader sets it again first: the ring pass (set
// before every locked ring). Not held because frames never change it: the
// Colour table, the topology index, the planet database and the writer's
// colour fit cache. The star file's "not found" notice is said once per
// process whatever is restored.
struct CarriedState {
    // The parameter store as the last object drawn left it.
    int32_t int_param[INT_PARAMS], int_min[INT_PARAMS], int_max[INT_PARAMS];
    double dbl_param[DBL_PARAMS], dbl_min[DBL_PARAMS], dbl_max[DBL_PARAMS];
    int32_t flag_param[FLAG_PARAMS];
    char str_param[STR_PARAMS][STR_LEN];
    ChoiceList choice_list[CHOICE_LISTS];
    PageFrames page_frames[MENU_PAGES];
    RenderSettings rs;
    // The object list with each object's distance d[24] on the last frame.
    ObjectRecord object_slots[MAX_OBJECTS];
    int32_t list_order[MAX_OBJECTS], depth_order[MAX_OBJECTS];
    int32_t object_count, current_object;
    RingLocks ring_locks;
    char planet_name_text[32];
    // What the renderers leave for each other and for the overlay.
    double tilt_kc, tilt_ks;
    OverlayValues overlay;
    int32_t last_star_count;
    PlanetState planet_state;
    RingState ring_state;
    CometPlacement comet_place;
    BitmapPlacement bitmap_place;
    // The surface map: a planet or ring whose record is refused draws with
    // the map already loaded, so its pixels are kept (160 KB).
    uint8_t surface_pixels[MAP_MAX_HEIGHT][MAP_MAX_WIDTH];
    uint8_t map_palette[256][3];
    int32_t map_width, map_height;
    double map_width_d, map_height_d;
    int32_t full_map, image_width, image_height;
    char image_path[80];
    int32_t backdrop_kind;
    // The held picture, read again from its file on restore rather than kept
    // here, so the state stays a plain record: a bitmap whose next picture
    // cannot be loaded is drawn with it when the user goes on.
    char held_image_file[512];
    int32_t held_image_conversion;
    // The image library: the conversion mode the last load or BMP write set
    // decides how the next 256-colour picture loads; the work palette is
    // what the last load or write left (entries 0..63 per channel).
    int32_t color_conversion;
    uint8_t work_palette[256][3];
};

void capture_carried_state(CarriedState* s);
void restore_carried_state(const CarriedState& s);

// ---------------------------------------------------------------------------
// Video (video.cpp): ffmpeg as a process fed raw frames through a pipe, in
// frame order, whichever worker finishes them.

// .mp4 (H.264), .webm (VP9) or .gif (palette made from the frames).
bool video_codec_known(const char* file);
bool encoder_installed();
// Starts the encoder for frames first..last of width x height. In process
// (one worker) each frame goes in as it is drawn; forked workers leave
// their frames as raw files until their turn. 0, or -1 after a message.
int video_open(const char* file, int fps, int width, int height, int first, int last, bool in_process);
// In a forked worker: closes this process's copy of the encoder's pipe.
void video_forget();
// The worker side, after frame f is drawn and written: 0, or -1 when its
// raw rows could not be left for the parent.
int video_frame_drawn(int frame);
// The parent side, for every frame done: drawn, or left as it was in
// kept_file by a resumed run. Sends what has its turn.
void video_frame_ready(int frame, const char* kept_file);
// Ends the input, waits for the encoder and, when ok and every frame went
// in, puts the video in place of any older file of that name. True when
// the video was written (or none was asked for).
bool video_close(bool ok);
