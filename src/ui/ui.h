// Screen and widgets, dialogs, value editors and help: everything the user
// sees is drawn through this layer into the screen buffer.
#pragma once
#include <cstdint> // Required for: int32_t, uint8_t
#include <allegro.h> // Required for: BITMAP, FONT, DATAFILE, PALETTE

// ---------------------------------------------------------------------------
// Screen layer (screen.cpp).

extern BITMAP* screen_buffer;  // 8-bit off-screen bitmap of screen size
extern BITMAP* draw_target;    // receives all drawing of this layer
extern int32_t char_width, line_height;
extern uint8_t ui_palette[256][3];     // 0..63 per channel
extern int32_t screen_colours[257];    // entry 256 is the mask colour
extern DATAFILE* ui_datafile;
extern FONT* system_font;
extern FONT* list_font;
extern int32_t list_font_number;

void set_text_metrics(int screen_width);
int use_buffer_target(int screen_width);
inline int col_to_x(int column) { return column * char_width; }
inline int row_to_y(int line) { return line * line_height; }
void build_ui_palette();
void build_screen_colours();
int restore_ui_palette();
void use_font(int which);
int select_list_font(int n);
int draw_text(int x, int y, int colour, const char* text);
int fill_box(int x1, int y1, int x2, int y2, int colour);
int put_pixel(int x, int y, int colour);
