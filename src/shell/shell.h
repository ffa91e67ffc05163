// Application shell: the parameter store and menu tables, the question
// interface, the project file, the file lists, the menu loop and start-up.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int32_t, uint8_t
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Parameter store: every setting of the project and of the object being edited.
// Entries are addressed by array and index; the names below are the menu names.

constexpr int INT_PARAMS = 40;
constexpr int DBL_PARAMS = 40;
constexpr int FLAG_PARAMS = 20;
constexpr int STR_PARAMS = 8;
constexpr int STR_LEN = 40;      // bytes of one string entry, NUL included
constexpr int CHOICE_LISTS = 10;
constexpr int CHOICE_LABELS = 6;
constexpr int LABEL_LEN = 10;
constexpr int MENU_PAGES = 8;
constexpr int MENU_ROWS = 20;
constexpr int PARAM_BLOCK_SIZE = 1520; // head of the planet database file

enum IntParam : int {
    I_FRAME_SPAN = 0, I_START_FRAME = 1, I_END_FRAME = 2, I_THIS_FRAME = 3,
    I_WIDTH = 4, I_HEIGHT = 5, I_COLOUR_ONE = 6, I_COLOUR_TWO = 7,
    I_FADE_TYPE = 8,          // list 0
    I_STARS = 9,              // list 1
    I_PLANET_NUMBER = 10, I_PLANET_X = 11, I_PLANET_Y = 12,
    I_COMET_X = 13, I_COMET_Y = 14, I_MID_COLOUR = 15, I_EDGE_COLOUR = 16,
    I_BITMAP_X = 17, I_BITMAP_Y = 18,
    I_LIST_FONT = 19,         // list 9
    I_UNUSED_20 = 20,
    I_PAGE_START = 21, I_PAGE_END = 22, // limits of the page frame editors
    I_COMET_TYPE = 23,        // list 2
    I_TRANS_FUNCTION = 24,    // list 5
    I_IMAGE_KIND = 25,        // list 4, no menu row
    I_START_X = 26, I_END_X = 27, I_START_Y = 28, I_END_Y = 29,
    I_BITMAP_FADE = 30,       // list 3
    I_BITMAP_TRAVEL = 31,     // list 6
    I_COMET_FADE = 32,        // list 7
    I_COMET_TRAVEL = 33,      // list 8
    I_RING_NUMBER = 34, I_RING_WIDTH = 35, I_RING_HEIGHT = 36,
    I_RING_X = 37, I_RING_Y = 38, I_PLANET_LOCK = 39,
};

enum DblParam : int {
    D_ASPECT = 0, D_BRIGHTNESS = 1, D_STAR_LONG = 2, D_STAR_LAT = 3,
    D_STAR_LONG_INC = 4, D_STAR_LAT_INC = 5, D_PIXELS_PER_DEGREE = 6,
    D_SKY_SPARE = 7, D_TWINKLE = 8,
    D_PLANET_DIAMETER = 9, D_OBLATE = 10, D_POLAR_ANGLE = 11, D_PHASE = 12,
    D_PLANET_LATITUDE = 13, D_ROTATION_INIT = 14, D_SHADING = 15,
    D_PLANET_BACKLIGHT = 16, D_ROTATION_INC = 17,
    D_REF_DISTANCE = 18,      // shared by SKY, PLANET, RING, COMET
    D_COMET_DIAMETER = 19, D_COMET_ASPECT = 20, D_ILLUMINATION = 21,
    D_COMET_SPARE = 22, D_X_SCALE = 23, D_Y_SCALE = 24, D_BITMAP_DISTANCE = 25,
    D_VERTICAL_ANGLE = 26,    // shared by COMET and BITMAP
    D_BITMAP_SPARE = 27, D_BITMAP_TRANSPARENCY = 28,
    D_TRAVEL_DISTANCE = 29, D_TRAVEL_ANGLE = 30, // shared by the moving objects
    D_PLANET_LIGHTING = 31, D_BITMAP_LIGHTING = 32, D_SPECKLE = 33,
    D_TAIL_ANGLE = 34, D_RING_TRANSPARENCY = 35, D_RING_ROTATION_INIT = 36,
    D_RING_ROTATION_INC = 37, D_RING_LIGHTING = 38, D_RING_BACKLIGHT = 39,
};

enum FlagParam : int {
    F_SAVE_BMP = 2, F_SAVE_TGA = 3, F_BITMAP_FILE_SEARCH = 5, F_PHASE_ADJUST = 6,
    F_PREVIEW_RGB = 7, F_PREVIEW_DEBUG = 8, F_STAR_CALC = 9, F_EDGE_ADJUST = 10,
    F_X_PERSPECTIVE = 12, F_PLOT_BLACK = 13, F_PATH_ENABLE = 14,
    F_BACKDROP_FILE_SEARCH = 15, F_PLANET_SHADOW = 16, F_SUBPIXELLATION = 17,
};

enum StrParam : int {
    S_PROJECT_NAME = 0, S_BACKDROP = 1, S_BITMAP_FILE = 2, S_BITMAP_PATH = 3,
    S_OUTPUT_PATH = 4,
};

extern int32_t int_param[INT_PARAMS];
extern int32_t int_min[INT_PARAMS];
extern int32_t int_max[INT_PARAMS];
extern double dbl_param[DBL_PARAMS];
extern double dbl_min[DBL_PARAMS];
extern double dbl_max[DBL_PARAMS];
extern int32_t flag_param[FLAG_PARAMS];
extern char str_param[STR_PARAMS][STR_LEN];
extern int32_t str_max_len[STR_PARAMS];

// A cycling selection; int_param[target] always receives current.
struct ChoiceList {
    int32_t count;                         // labels in use
    int32_t current;                       // 0 <= current < count
    int32_t target;                        // int_param index fed
    char labels[CHOICE_LABELS][LABEL_LEN]; // NUL-terminated
};
extern ChoiceList choice_list[CHOICE_LISTS];

// START FRAME and END FRAME shown on each object page (index = page number).
struct PageFrames {
    int32_t start;
    int32_t end;
};
extern PageFrames page_frames[MENU_PAGES];

// Resets the strings, choice lists and page frames to their start values
// (the numeric entries come from the parameter block).
void reset_store();
// Advances list n to its next label, wrapping to 0; its target receives it.
void advance_choice(int n);
// Sets list n's current from its target integer (after an object restore).
void restore_choice(int n);

// The parameter block: 1,520 bytes laid out as dbl_param, dbl_max, dbl_min,
// int_param, int_max, int_min, flag_param, little-endian.
// Reading returns 0, or -1 when fewer than 1,520 bytes are given (store unchanged).
int read_param_block(const uint8_t* bytes, size_t size);
void write_param_block(uint8_t out[PARAM_BLOCK_SIZE]);
// Sets int_max[4] and int_max[5] from the frame buffer size after a block read.
void set_frame_limits(int width, int height);

// ---------------------------------------------------------------------------
// Menu tables.

enum ItemKind : int {
    ITEM_NONE = 0, ITEM_CHOICE = 1, ITEM_VALUE = 2, ITEM_FLAG = 3, ITEM_HELP = 5,
    ITEM_DOFRAME = 7, ITEM_DOALL = 8, ITEM_LOAD_PROJECT = 9, ITEM_SAVE_PROJECT = 10,
    ITEM_NEXT_OBJECT = 11, ITEM_PREV_OBJECT = 12, ITEM_DELETE_OBJECT = 13,
    ITEM_CLEAR_OBJECTS = 14, ITEM_EDIT_OBJECT = 15, ITEM_PREVIEW = 16,
};
enum EditorKind : int {
    EDIT_DECIMAL = 1, EDIT_WHOLE = 2, EDIT_STRING = 3, EDIT_COORD = 6, EDIT_PAGE_FRAME = 7,
};
enum RowExtra : int { REFRESH_PROJECT_LIST = 1, REFRESH_IMAGE_LIST = 2 };
enum PageNumber : int {
    PAGE_FILE = 0, PAGE_SKY = 1, PAGE_PLANET = 2, PAGE_RING = 3, PAGE_COMET = 4,
    PAGE_BITMAP = 5, PAGE_LIST = 6, PAGE_OPTIONS = 7,
};

struct MenuItem {
    char name[16];  // row button text
    char help[40];  // help line while the row is current
    int32_t kind;   // ItemKind; 0 marks an empty row
    int32_t editor; // EditorKind, for ITEM_VALUE rows
    int32_t param;  // store index acted on; help topic for ITEM_HELP
    int32_t extra;  // 0 or a RowExtra list to rescan after the action
};
extern const MenuItem menu_pages[MENU_PAGES][MENU_ROWS];
extern const char* const page_names[MENU_PAGES];
// Hot keys of the pages (256 + scan code of the Alt-letter) followed by 27.
extern const int32_t page_hot_key[MENU_PAGES + 1];
// Button codes per page: 0 none, 1 F2 VIEW, 2 F4 SAVE, 3 INSERT, 4 DELETE, 5 QUIT, 6 START.
extern const int32_t page_buttons[MENU_PAGES][4];
// Rows of non-zero kind.
int page_item_count(int page);
// True when the page's button set holds the code.
bool page_has_button(int page, int code);

// ---------------------------------------------------------------------------
// Questions and messages. Everything that asks or tells the user goes through
// these; without an interactive screen they answer as a command-line tool
// would and record what was asked. The program installs its message boxes
// into prompt_hooks.

struct PromptHooks {
    int (*yes_no)(const char* question);                  // key; 89 ('Y') is yes
    int (*ok)(const char* text);                           // key read, upper-cased
    int (*ok_lines)(int count, const char* const* lines);  // first non-zero key
    int (*ok_text)(const char* text);                      // Enter counts as 'Y'
};
extern PromptHooks prompt_hooks;

// Console answers: the key a yes/no question gets (default 'Y') and the key
// an OK box gets (default 13, which file-error prompts read as "stop"; the
// renderer's --yes makes it 'Y').
extern int console_yes_no_key;
extern int console_ok_key;
extern bool console_quiet;                // do not print to stderr
// Whether screen notices reach the console (a batch run leaves them out:
// they describe the program's screen, not the run).
extern bool console_notices;
extern std::vector<std::string> prompt_log; // every text asked or shown, in order

int ask_yes_no(const char* fmt, ...);   // returns the key; compare with 89
int tell_user(const char* fmt, ...);    // ok_box
int tell_user_lines(int count, const char* const* lines);
int tell_notice(const char* fmt, ...);  // ok_box_text
// An ok_box that only informs about the screen session ("Maximum Frame size:
// ..."): shown in a box as tell_user, on the console only with console_notices.
int tell_screen_notice(const char* fmt, ...);
// A message about one file: the box shows the text as given (the program's
// own short texts stay exactly as they are), the console and the log show
// "FILE: text" so the user learns which file it was.
int tell_user_file(const char* file, const char* fmt, ...);
// A detail for the console and the log only, never a box: what a short box
// text leaves out (which record, which offset, the system's reason).
void log_detail(const char* fmt, ...);
// "Error reading %s file." (0), "Cannot find %s file!" (1), "Error writing %s
// file!" (2), chosen by kind mod 3; returns 0 when answered Y, else 27.
int file_error_prompt(int kind, const char* name);

// ---------------------------------------------------------------------------
// Project file: PROJECT NAME cut at its first "." or "/", plus ".CFG".

constexpr int PROJECT_HEADER_SIZE = 928;

// Builds the file name from name (not changed).
void project_file_name(const char* name, char* out, size_t out_size);
// SAVE PROJECT: asks "Overwrite project %s?", writes through a temporary file.
int save_project();
// LOAD PROJECT: cuts string 0 in place, asks "Load project %s?", reads the
// file of the current directory into scratch and commits only a sound file,
// then the frame size check.
int load_project();
// The same at start-up, where a current directory without the file gets the
// project of that name from the data directory (the demo) offered instead.
int load_startup_project();
// The file layer under both, without questions: 0 on success, -1 on failure
// (with nothing changed on a failed read, the old file kept on a failed write).
int write_project_file(const char* path);
// read_project_file tells why a file is refused (naming it) and cuts values
// no frame could be rendered with (negative sizes, frame numbers beyond
// 0..999), each with a message.
int read_project_file(const char* path);
// Frame buffer size used by the size check of load_project (set by start-up
// and by the batch renderer); 0 skips the check.
extern int project_frame_width;
extern int project_frame_height;

// ---------------------------------------------------------------------------
// File lists of the current directory (FILE and BITMAP side panes).

constexpr int FILE_LINE_LEN = 64;
constexpr int MAX_PROJECT_FILES = 48;
constexpr int MAX_IMAGE_FILES = 50;
extern char project_files[MAX_PROJECT_FILES][FILE_LINE_LEN];
extern int32_t project_file_count, project_file_selected;
extern char image_files[MAX_IMAGE_FILES][FILE_LINE_LEN];
extern int32_t image_file_count, image_file_selected;
int scan_projects();
int scan_images();
// Side pane lines (80 bytes each): line 0 the header with the count and the
// page, line 1 the column title, then the entries of pane page `page` (from 0)
// from lines[first_line] on; byte 78 of the selected entry's line is 'A'.
// Returns the number of entry lines written.
int project_pane_lines(char lines[][80], int first_line, int page, int per_page);
int image_pane_lines(char lines[][80], int first_line, int page, int per_page);
// A chosen line becomes the selected one and sets PROJECT NAME (string 0) or
// BITMAP FILE (string 2) to its file name.
void choose_project_file(int index);
void choose_image_file(int index);

// ---------------------------------------------------------------------------
// Menu loop (menu.cpp) and start-up (startup.cpp).

// Row remembered per page; SKY starts at -1 (no highlighted row until a key).
extern int32_t page_item[MENU_PAGES];
// First entry shown of each side pane list (projects, planets, rings, images, objects).
extern int32_t pane_first[5];
// Runs a page until ESC (page switches happen inside); returns 27.
int page_loop(int page);
// Draws a page whole: title bar, tabs, status line, buttons, rows, help line, pane.
void draw_menu_page(int page);
// The top-level screen (no page current, its only button QUIT).
void draw_top_level();
// The status line as the menu screens show it (in the system font).
void draw_menu_status_line();
// The interactive program: command line, start-up, top level, exit questions.
int novamir_main(int argc, char** argv);
