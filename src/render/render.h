// Frame generation: the driver that draws one frame or a run of frames, the
// per-type draw table and the previews.
#pragma once
#include <cstdint> // Required for: int32_t

struct BITMAP;

// Output names of the current frame ("%s%03d.tga" / "%s%03d.bmp", project
// name cut to 5 characters, OUTPUT PATH in front with PATH ENABLE on).
extern char tga_name[128];
extern char bmp_name[128];
void frame_names();

// A printf pattern with one frame number (the batch renderer's --output,
// e.g. "renders/shot_%04d.png"): when set, each frame is written there
// instead, in the format its extension names (.tga, .bmp, .png), and the
// project's own names are not written. Null: the project's names, as ever.
extern const char* output_pattern;
// The current frame's name under output_pattern (set by frame_names()).
extern char output_name[512];
// The files generate_frame writes for the current frame (after
// frame_names()); returns how many (0 to 2).
int frame_file_names(const char* names[2]);
// Checks a printf pattern of frame files: one frame number in the file name
// (%d, or %0Nd / %Nd with a width of one or two digits), %% for a percent
// sign. Null when it serves, else why not.
const char* check_frame_number(const char* pattern);
// The same for output_pattern, which also needs an extension .tga, .bmp or .png.
const char* check_output_pattern(const char* pattern);

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
