// The parameter store: every setting of the project and of the object being
// edited, their limits, the choice lists, the page frames and the menu tables
// that name them. Everything above reads its settings from here.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int32_t, uint8_t

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
