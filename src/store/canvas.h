// What every renderer draws into and reads: the frame buffer, the preview
// target, the render settings and the values left for the preview overlay.
#pragma once
#include <cstdint> // Required for: int32_t

struct BITMAP;

// Render mode bits passed to every renderer.
constexpr int RENDER_FRAME = 1;   // paint into the frame buffer
constexpr int RENDER_PREVIEW = 2; // also plot into the preview
constexpr int RESULT_ABANDON = 27;

// The 24-bit frame buffer (bytes blue, green, red), screen width by three
// quarters of it in the program (the batch renderer may make it any size);
// the output frame is its top-left WIDTH x HEIGHT part.
extern BITMAP* frame_buffer;
// The screen page the program works in (640 x 480, 800 x 600 or 1024 x 768):
// besides the frame buffer's size it bounds the map pictures taken in, so a
// frame buffer of another size leaves every frame as the page would give it.
extern int32_t page_width, page_height;
// Sides of a frame buffer the batch renderer makes to a project's size: at
// 8192 x 8192 it takes 192 MiB; below 16 a frame holds little to see.
constexpr int32_t MIN_FRAME_SIDE = 16, MAX_FRAME_SIDE = 8192;
// Creates the frame buffer (fixing the 24-bit byte order first); 0 or -1.
// Without a height it is the page of a screen that wide: width x 3/4 width,
// and the page follows; with a height only the buffer changes.
int create_frame_buffer(int width, int height = -1);
// A loaded WIDTH x HEIGHT larger than width x height (the frame buffer) is
// cut to it, saying "WxH exceeds Page size!" / "SIZE ADJUSTED!"; a zero
// width or height skips the check.
void fit_frame_size(int width, int height);

// Working copies of the store that the renderers read, refreshed by
// apply_parameters before every object: integers 0..18, decimals 0..32,
// STAR CALC, and the comet's effective aspect ratio.
struct RenderSettings {
    int32_t i[19];
    double d[33];
    int32_t star_calc;
    double comet_aspect; // COMET ASPECT RATIO x ASPECT RATIO
};
extern RenderSettings rs;
void apply_parameters();
// Shorthands for the settings every renderer reads.
inline int32_t frame_width() { return rs.i[4]; }
inline int32_t frame_height() { return rs.i[5]; }
inline int32_t current_frame() { return rs.i[3]; }

// Stores one pixel of the frame buffer; callers keep 0 <= x < W, 0 <= y < H.
void put_frame_pixel(int x, int y, int r, int g, int b);
// Reads one pixel of the frame buffer as 0..255 channels.
void get_frame_pixel(int x, int y, int* r, int* g, int* b);

// The preview target: the screen buffer during generation and previews when
// the interactive program runs; null in headless runs, where nothing is plotted.
extern BITMAP* preview_target;
// Plots makecol(r, g, b) with PREVIEW RGB on, else the grey (r + g + b) / 3.
void preview_plot(int x, int y, int r, int g, int b);
// Screen values of the interface palette's 257 colours when the preview is
// the program's screen buffer (the backdrop preview picks its grey levels
// from them); null, and no backdrop preview, otherwise.
extern const int32_t* preview_colours;
// One backdrop pixel on the preview (the top-left 320 x 240 quarter): an RGB
// colour with PREVIEW RGB on (near-black shown dark), else the grey level.
void backdrop_preview_plot(int x, int y, int r, int g, int b);
// Called after each object so the user sees the preview grow; null headless.
extern void (*present_preview)();

// When set, renderers compute and leave all their state exactly as usual but
// paint no pixel: a worker uses it to bring its state to its first frame.
extern bool replay_only;

// Values the renderers leave for the preview overlay.
struct OverlayValues {
    double scale;        // current scale factor
    int32_t image_w;     // loaded image size (bitmaps)
    int32_t image_h;
    int32_t plot_w;      // plotted size in pixels
    int32_t plot_h;
    double plot_x;       // plot position
    double plot_y;
};
extern OverlayValues overlay;
extern int32_t last_star_count; // what the star field returned last
