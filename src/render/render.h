// Frame generation: the frame buffer, the render settings, the driver that
// draws one frame or a run of frames, and the previews.
#pragma once
#include <cstdint> // Required for: int32_t

struct BITMAP;

// Render mode bits passed to every renderer.
constexpr int RENDER_FRAME = 1;   // paint into the frame buffer
constexpr int RENDER_PREVIEW = 2; // also plot into the preview
constexpr int RESULT_ABANDON = 27;

// The 24-bit frame buffer (bytes blue, green, red), screen width by three
// quarters of it; the output frame is its top-left WIDTH x HEIGHT part.
extern BITMAP* frame_buffer;
// Creates the frame buffer (fixing the 24-bit byte order first); 0 or -1.
int create_frame_buffer(int width);

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

// Output names of the current frame ("%s%03d.tga" / "%s%03d.bmp", project
// name cut to 5 characters, OUTPUT PATH in front with PATH ENABLE on).
extern char tga_name[128];
extern char bmp_name[128];
void frame_names();

// One frame at current_frame(): 0, 27 when abandoned, or the last writer's result.
int generate_frame(int flags);
// START FRAME to END FRAME; 0, or 27 when a frame returned 27.
int generate_all(int flags);
// Called after each frame with its number and result (progress display); may be null.
extern void (*frame_done)(int frame, int result);

// Who draws, for the few calls that differ: the frame driver; PREVIEW, which
// plots a free ring only and, with PREVIEW DEBUG on, shows the position box
// before each planet, free ring, comet and bitmap; F2 VIEW, which draws the
// page's own settings (type = page) with flags 2 and ignores ring locks.
enum DrawMode { DRAW_FRAME, DRAW_PREVIEW, DRAW_PREVIEW_DEBUG, DRAW_PAGE };
// Calls the renderers of one object of a type (draw.cpp); slot and depth
// position are those of the drawing order, -1 on F2 VIEW. Returns 27 when a
// bitmap image cannot be loaded (0 on F2 VIEW), else 0; other types draw nothing.
int draw_object(int slot, int type, int flags, int position = -1, DrawMode mode = DRAW_FRAME);

// ---------------------------------------------------------------------------
// Previews (preview.cpp). The callers save the menu screen before and wait
// for a key, restore the palette and the screen after.

// PREVIEW: the whole object list at THIS FRAME, with the debug overlay when
// PREVIEW DEBUG is on; 0, or 27 when an image cannot be loaded.
int preview_all(int flags);
// F2 VIEW: only the page's current settings, preview only (flags 2).
void page_preview(int page);
// The three-line position box for the object at a depth position.
void debug_overlay(int type, int position);
