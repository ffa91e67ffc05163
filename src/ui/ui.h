// Screen and widgets, dialogs, value editors and help: everything the user
// sees is drawn through this layer into the screen buffer.
#pragma once
#include <cstddef> // Required for: offsetof
#include <cstdint> // Required for: int32_t, uint8_t
#include <type_traits> // Required for: std::is_trivially_copyable_v
#include <allegro.h> // Required for: BITMAP, FONT, DATAFILE, PALETTE

// ---------------------------------------------------------------------------
// Screen layer (screen.cpp): drawing target, interface palette, screen
// colours, text grid, fonts, and the screen itself (a window, the full screen,
// or a memory bitmap standing in for it when the program runs from a script
// without a display).

extern BITMAP* screen_buffer;  // off-screen bitmap of screen size and depth
extern BITMAP* draw_target;    // receives all drawing of this layer
extern int32_t char_width, line_height; // text cell in pixels
extern uint8_t ui_palette[256][3];     // 0..63 per channel
extern int32_t screen_colours[257];    // screen values of ui_palette; 256 is the mask colour
extern DATAFILE* ui_datafile;          // novx.dat: objects 0..14 are fonts
extern FONT* system_font;              // the library's own font
extern FONT* list_font;                // the font chosen by select_list_font
extern int32_t list_font_number;       // last select_list_font choice, starts at 4

constexpr int UI_FONTS = 15;           // fonts the interface datafile must hold
constexpr int TEXT_ROWS = 32;          // text lines of the grid (hit map height)
constexpr int TEXT_COLUMNS = 80;

// ui_palette indices the widgets name.
enum UiColour : int {
    UC_BLACK = 0, UC_DARK_BLUE = 1, UC_DARK_RED = 2, UC_GREY = 7, UC_MID_GREY = 8,
    UC_BLUE = 9, UC_RED = 10, UC_YELLOW = 14, UC_WHITE = 15, UC_DARK_GREY = 18,
    UC_POINTER_EDGE = 20, UC_LIGHT_GREY = 30,
};

void set_text_metrics(int screen_width);
// draw_target = screen_buffer, metrics from the width; returns the text lines
// of the screen (0 without a screen).
int use_buffer_target(int screen_width);
inline int col_to_x(int column) { return column * char_width; }
inline int row_to_y(int line) { return line * line_height; }
void build_ui_palette();
void ui_palette_as_library(PALETTE pal); // ui_palette as the library's 0..63 entries
void build_screen_colours();
// Rebuilds the palette, the Colour table and, on deeper screens, the screen
// colours; returns the screen's bits per pixel.
int restore_ui_palette();
void use_font(int which);   // 0, 1 system font; 2 and more the list font
int select_list_font(int n); // n < 0: nothing, 0; else n
// The font select_list_font(n) would choose (the system font when there is
// no datafile); fields, boxes and help titles take their fonts this way,
// leaving list_font alone.
FONT* numbered_font(int n);
int draw_text(int x, int y, int colour, const char* text);
int fill_box(int x1, int y1, int x2, int y2, int colour);
int put_pixel(int x, int y, int colour);
// Interface set-up after the mode is set: loads novx.dat (all 15 fonts), the
// list font 4, the buffer target, palette and colours. 0, or -1 when the
// datafile is missing or is not 15 fonts.
int interface_setup();
// Uses a datafile of fonts given by the caller instead of novx.dat (tests).
int interface_setup_with(DATAFILE* fonts);
// The 257 screen colours as a strip under the title bar.
void draw_colour_strip();

// The screen. open_screen sets a window (or the full screen with
// platform_fullscreen) of the size and depth; when the platform runs headless
// it makes a memory bitmap the screen instead, so that SCREEN_W and SCREEN_H
// and every blit to the screen work as with a display. 0, or -1 with the
// reason in platform_gfx_error().
int open_screen(int width, int height, int depth);
int open_memory_screen(int width, int height, int depth);
// Creates screen_buffer at the screen's size and depth; 0 or -1.
int create_screen_buffer();
// Puts the screen away (the memory screen and its buffer are destroyed).
void close_screen();
// True when the screen is a memory bitmap (no display).
extern bool memory_screen;
// Copies screen_buffer to the screen.
void show_buffer();
// Writes what the screen shows to a file (.pcx, .bmp or .tga by its
// extension, 8-bit files with the interface palette); 0 or -1.
int dump_screen(const char* path);

// ---------------------------------------------------------------------------
// Key codes and input (input.cpp). Keys are the character code for plain
// keys, 8 for Backspace, 256 + the PC keyboard scan code for extended keys,
// Alt-letters and Ctrl-A..Ctrl-H; 27 is also a right click; 0 is no input.

enum KeyCode : int {
    KC_NONE = 0, KC_BACKSPACE = 8, KC_ENTER = 13, KC_ESC = 27, KC_SPACE = 32,
    KC_F1 = 315, KC_F2 = 316, KC_F3 = 317, KC_F4 = 318, KC_F5 = 319, KC_F6 = 320,
    KC_F7 = 321, KC_F8 = 322, KC_F9 = 323, KC_F10 = 324,
    KC_HOME = 327, KC_UP = 328, KC_PGUP = 329, KC_LEFT = 331, KC_RIGHT = 333,
    KC_END = 335, KC_DOWN = 336, KC_PGDN = 337, KC_INSERT = 338, KC_DELETE = 339,
    KC_ALT_F = 289, KC_ALT_S = 287, KC_ALT_P = 281, KC_ALT_R = 275, KC_ALT_C = 302,
    KC_ALT_B = 304, KC_ALT_L = 294, KC_ALT_O = 280,
};

// A readkey() value (library scan code << 8 | character) as a key code.
int key_code_of(int readkey_value);
// The readkey() value a keyboard sends for a key code (for scripts); -1 when
// no key gives that code.
int readkey_value_of(int key_code);
// PC scan code of a library KEY_* number (0 when it has none).
int pc_scan_code(int allegro_key);

extern int32_t mouse_present;   // 1 when clicks and the pointer are in use
extern int32_t repeat_counter;  // polls left during which keys are dropped
extern char fixed_clock[40];    // when not empty, the clock shows this text

// Installs keyboard, timer and mouse on a display (nothing headless, where a
// script drives a stand-in mouse); sets mouse_present. 0 or -1 (no keyboard).
int install_input();
// One keyboard poll: the clock, the repeat counter, the key code or 0.
int keyboard_poll();
// Waits for a key or a click (the input routine of every page and dialog).
int input_event();
// input_event with the pointer drawn around the wait (when a mouse is present).
int read_key();
void draw_clock();
// Makes the next poll draw the clock again (after the screen was cleared).
void reset_clock();

// The pointer: an 8 x 10 sprite drawn into screen_buffer, and what it covers.
extern BITMAP* pointer_sprite;
extern BITMAP* pointer_backing;
int create_pointer();   // 0 or -1; draws and removes it once
void draw_pointer();
void remove_pointer();

// Menu state the widgets read and the menu loop writes: the current page
// (-1 outside the page loops) and its current row.
extern int32_t menu_page;
extern int32_t menu_row;

// Lines of the list pane that a click picks (the entry's choice character,
// -1 for none), the pane's top and line height in pixels.
constexpr int PANE_CODES = 40;
extern int32_t pane_codes[PANE_CODES];
extern int32_t pane_top, pane_line_height;
void clear_pane_codes();

// ---------------------------------------------------------------------------
// Scripted input (script.cpp). A script stands in for the keyboard and mouse:
// its events are handed to the input routine at the level of the devices, so
// they take exactly the paths of real keys and clicks. The format is
// described at the top of script.cpp.

// Reads a script file; 0, or -1 after a message naming the file and line.
int open_script(const char* path);
// The same from text (tests); name is used in messages.
int load_script_text(const char* text, const char* name);
// True while script lines remain.
bool script_running();
// Called when input is wanted, the script is finished and there is no
// keyboard: the default ends the program with status 0. A replacement that
// returns makes the input routine answer ESC.
extern void (*script_finished)();
// Number of times input was asked for after the script ran out.
extern int32_t script_overruns;

// What the devices report, with the script's events mixed in (the input
// routine reads only these).
bool device_key_waiting();
int device_read_key();          // a readkey() value
void device_clear_keys();
// Pointer position; with buttons given, the buttons held (1 left, 2 right)
// plus any press since the last look, which that look consumes.
void device_mouse(int* x, int* y, int* buttons);
// False when nothing could ever deliver input (no keyboard, script done).
bool device_input_possible();
// Lets the script advance; called by each keyboard poll before it reads.
void script_poll();
// Input wanted after the script ended with no keyboard: runs script_finished
// and, when that returns, answers ESC.
int script_exhausted();

// ---------------------------------------------------------------------------
// Widgets (widgets.cpp): box styles, buttons and their hit map, page tabs,
// status line, dialog boxes, title bar, notes file, pick lists.

int sunken_box(int x, int y, int width, int height);
int raised_box(int x, int y, int width, int height);
int pressed_box(int x, int y, int width, int height);
// Shaded tiles over the panel region (or the open dialog's box inset by 4).
int panel_background(int base);

constexpr int BUTTON_SLOTS = 56;
struct ButtonSlot {
    int32_t column, line;     // text cell of the left end
    int32_t width, height;    // in cells
    int32_t text_normal;      // ui_palette index of the text
    int32_t text_high;        // highlighted and pressed
    int32_t key;              // key code a click delivers
};
extern ButtonSlot button_slots[BUTTON_SLOTS];
enum ButtonSlotNumber : int {
    SLOT_ITEMS = 0, SLOT_SIDE = 20, SLOT_SIDE_ESC = 29, SLOT_BOTTOM = 30, SLOT_TABS = 40,
    SLOT_OPTIONS_TAB = 48, SLOT_QUIT_TAB = 49, SLOT_DIALOG_OK = 50, SLOT_DIALOG_CANCEL = 51,
    SLOT_LINK = 52, SLOT_SINGLE = 55,
};

constexpr int BUTTON_LABELS = 32;
struct ButtonLabel {
    char text[16];
    int32_t key;
};
extern const ButtonLabel button_labels[BUTTON_LABELS]; // 0 = no button
constexpr int BUTTON_SCREENS = 9;  // the 8 menu pages and the top level
// Label numbers of side slots 20..29 then bottom slots 30..39 per screen.
extern const int32_t page_button_labels[BUTTON_SCREENS][20];

struct TabEntry {
    int32_t column, width;    // cells
    uint8_t text_colour, hot_colour, hot_letter, spare;
    const char* text;         // nullptr ends the table
};
extern const TabEntry tab_entries[];

// Slot numbers of the buttons under each text cell, -1 for none.
extern int32_t hit_map[TEXT_ROWS][TEXT_COLUMNS];
void clear_hit_map();

// state 0 normal, 1 highlighted, 2 or more pressed.
int draw_button(int slot, int state, const char* text);
int draw_item_button(int page, int slot, int state);
int draw_page_buttons(int page, int slot, int state);
int register_page_buttons(int page);
void draw_tab_bar(int page);
void draw_status_line();
void save_screen();
void restore_screen();

constexpr int DIALOG_BOXES = 5;
struct DialogBox {
    int32_t column, line, width, height; // cells
    int32_t x, y, w, h;                  // pixels
    int32_t colour1, colour2;            // screen colours: frame, face
    BITMAP* backup;                      // what the box covers
    int32_t frame;                       // frame colour value for clear_dialog
    int32_t saved_left, saved_top;       // window origin before opening
    int32_t saved_dialog;                // open dialog before opening
    int32_t saved_hits[TEXT_ROWS][TEXT_COLUMNS]; // hit_map cells under the box
};
extern DialogBox dialog_boxes[DIALOG_BOXES];
extern int32_t window_left, window_top; // origin of the open dialog's texts
extern int32_t open_dialog_number;      // -1 when none
// Defines the dialog boxes and the title bar, clears the hit map; 0 or -1.
int init_widgets();
int open_dialog(int n);
int clear_dialog(int n);
int close_dialog(int n);
int draw_title_bar();

extern const char* const title_line;        // "NOVAMIR Ver 3.0 Alpha 11 "
extern const char* const second_title_line;

// Pick lists of the side panes: list kinds and the lines one page fills.
enum ListKind : int { LIST_PROJECTS = 0, LIST_PLANETS = 1, LIST_RINGS = 2, LIST_IMAGES = 3,
                      LIST_OBJECTS = 4, LIST_KINDS = 5 };
constexpr int LIST_LINES = 64;
constexpr int LIST_LINE_LEN = 80;
extern char list_lines[LIST_LINES][LIST_LINE_LEN];
// A page builder fills list_lines[0] (title), [1] (column header) and the
// entries from list_lines[first_line] on, starting at item start, at most
// per_page of them; returns the entries written. Byte 79 "F" draws an entry
// white, a non-zero byte 78 red.
typedef int (*ListPageBuilder)(char lines[][LIST_LINE_LEN], int first_line, int start,
                               int per_page);
extern ListPageBuilder list_page_builders[LIST_KINDS];
// Item count of each kind (nullptr counts 0).
extern int (*list_item_counts[LIST_KINDS])();
// Draws a page of the list, acts on key; *first is read and written back.
// Returns 1 when an entry was chosen (the setting changed), else 0.
int list_picker(int32_t* first, int kind, int key);
// Appends the first n list lines to notes.txt; 1 on success, 0 on failure.
int save_notes(int n);
// The title screen in a dialog box; waits for a key (F1 opens the help).
int startup_box();
// The colour pair of the SKY or COMET page beside a 16 x 16 palette chart.
void colour_picker();
void colour_swatch(int index, int pressed);
// The message boxes as the program's way of asking (prompt_hooks).
void install_message_boxes();

// ---------------------------------------------------------------------------
// Message boxes (msgbox.cpp). Results are key codes; a..z come back upper-cased.

int ok_box_lines(int count, const char* const* lines);
int ok_box_text(const char* text);   // Enter gives 89 ('Y')
int ok_box(const char* text);
int yes_no_box(const char* question); // Enter 'Y', Esc 'N'; 89 is yes
int info_open(int count, const char* const* lines);
int info_close();

// ---------------------------------------------------------------------------
// Value editors (editors.cpp). Each returns 0 when the value was accepted and
// stored, otherwise the key that ended the edit (27 Esc, 317 F3).

constexpr int HELP_LINES = 4;
extern char editor_help[HELP_LINES][80];
extern int32_t editor_help_count;

int edit_line(int line, int column, char* buffer, const char* accepted, int max_len);
int edit_string(int line, int column, char* buffer, const char* accepted, int max_len);
int edit_whole(int line, int column, int32_t* value, int32_t min, int32_t max);
int edit_decimal(int line, int column, double* value, double min, double max);
int edit_coordinate(int line, int column, double* value, double min, double max);
int show_field(int line, int column, const char* text, int width);
int show_whole(int line, int column, int32_t value);
int show_decimal(int line, int column, double value);
// printf format of a decimal value in its field ("%9.1f", "%9.5f", "%9.6f").
const char* decimal_format(double value);
// Degrees [minutes [seconds]] with a '-' anywhere for negative.
double parse_coordinate(const char* text);

// ---------------------------------------------------------------------------
// Help viewer (help.cpp), over the help file data below.

// F1 and help items: box 2, the viewer for menu_page and menu_row.
int help_for_item();
int help_viewer(int page, int row);
void show_topic(int topic, int from);

// ---------------------------------------------------------------------------
// Help file (help_file.cpp): the topics of novamir.hlp, read once at start-up
// by load_help and kept for the whole run.
//
// File layout (little-endian): int32 N, int32 headlen, int32 textlen; N int16
// map entries; N topic records; the title block (headlen bytes of
// zero-terminated titles); the text block (textlen bytes of zero-terminated
// lines, every non-zero byte stored 30 lower, modulo 256).

constexpr int HELP_MAX_TOPICS = 220;  // topic records that exist; a larger N is refused
constexpr int HELP_MAP_STRIDE = 20;   // map entry of a menu row = 20 * page + row
constexpr int HELP_LINKS = 3;         // link buttons of a topic
constexpr int HELP_TEXT_SHIFT = 30;   // the text block is stored this much lower
constexpr int HELP_BLOCK_PAD = 16;    // zero bytes kept after each block
constexpr int HELP_HEADER_SIZE = 12;  // N, headlen, textlen
constexpr int HELP_TOPIC_SIZE = 16;   // bytes of one topic record on file

// One topic record, exactly as stored in the file.
struct HelpTopic {
    int16_t title;            // offset of the title in help_titles
    int16_t lines;            // text lines; 0 = topic 0's count, from text offset 0
    int32_t text;             // offset of the first line in help_text
    int16_t link[HELP_LINKS]; // linked topics, 0 = none
    int16_t back;             // topic this one was last reached from (show_topic)
};
static_assert(sizeof(HelpTopic) == HELP_TOPIC_SIZE, "help topic record is 16 bytes");
static_assert(offsetof(HelpTopic, title) == 0 && offsetof(HelpTopic, lines) == 2 &&
                  offsetof(HelpTopic, text) == 4 && offsetof(HelpTopic, link) == 8 &&
                  offsetof(HelpTopic, back) == 14,
              "help topic record layout");
static_assert(std::is_trivially_copyable_v<HelpTopic>, "help topics are read as bytes");

extern HelpTopic help_topics[HELP_MAX_TOPICS]; // records 0 .. help_count-1 are loaded
extern int16_t help_map[HELP_MAX_TOPICS];      // topic of menu row 20*page+row, 0 = none
extern uint8_t help_usable[HELP_MAX_TOPICS];   // 1 when the record's title and lines lie
                                               // inside their blocks; 0 = refused
extern int32_t help_count;     // N of the loaded file (0 when nothing is loaded)
extern char* help_titles;      // title block, headlen + 16 bytes, zero padded
extern char* help_text;        // text block, already decoded, textlen + 16 bytes
extern int32_t help_title_len; // headlen
extern int32_t help_text_len;  // textlen
extern bool help_loaded;       // false: the help key shows the font sheet instead

// Reads novamir.hlp (found with open_data_file). Returns 0 when loaded, 27
// when not; every failure shows "Help File Error" or "Help Memory Error" in a
// box, with the file name and the problem on the console and in the log, and
// leaves the help unloaded.
// Topics pointing outside their blocks are refused one by one (help_usable 0)
// while the rest of the file still serves. On success it shows the notice
// "textlen %d headlen %d". Safe to call again: the old help is dropped first.
int load_help();
// The same from a named file (tests, tools); load_help is load_help_file("novamir.hlp").
int load_help_file(const char* name);
// Drops the loaded help (blocks freed, help_loaded false).
void unload_help();

// Lookups for the viewer. Each answers 0 / nullptr for anything not usable,
// so the viewer never needs to check offsets itself.
// True when t is a loaded, usable topic (1 <= t < help_count for a real
// topic; topic 0 is "no help" and never shown).
bool help_topic_ok(int t);
// Topic of a menu row: topic 1 for a page below 0 (the top level), else map
// entry 20*page+row; 0 = no help (row outside 0..19, entry beyond N, or the
// entry names a topic that is missing or refused).
int help_topic_for(int page, int row);
// Link slot 0..2 of topic t, or 0 when empty, beyond the loaded topics or refused.
int help_link(int t, int slot);
// Title of topic t, or nullptr.
const char* help_title(int t);
// Number of text lines topic t shows (topic 0's count when its record says 0).
int help_line_count(int t);
// Line i (0-based) of topic t, or nullptr when i is outside 0..help_line_count(t)-1.
const char* help_line(int t, int i);
