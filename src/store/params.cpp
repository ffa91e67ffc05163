// Parameter store: the settings arrays and their limits, the choice lists, the
// string start values, the page frame ranges and the parameter block codec.
#include <cstring> // Required for: memcpy, memset

#include "platform/bytes.h"    // Required for: get_f64, get_u32, put_f64
#include "store/param_block.h" // Required for: BLOCK_DBL_MAX, BLOCK_DBL_MIN, BLOCK_DBL_PARAM
#include "store/store.h"       // Required for: CHOICE_LISTS, ChoiceList, DBL_PARAMS

// ---------------------------------------------------------------------------
// Global tables. The numeric entries and their limits have no start values of
// their own: the parameter block of the planet database fills them.

int32_t int_param[INT_PARAMS];
int32_t int_min[INT_PARAMS];
int32_t int_max[INT_PARAMS];
double dbl_param[DBL_PARAMS];
double dbl_min[DBL_PARAMS];
double dbl_max[DBL_PARAMS];
int32_t flag_param[FLAG_PARAMS];

// Start values of the strings; the backslashes of BITMAP PATH are the stored
// form of a directory name (file lookup accepts both separators).
static const char str_start[STR_PARAMS][STR_LEN] = {
    "NOVAMIR",   // 0 PROJECT NAME
    "SHIP.TGA",  // 1 BACKDROP
    "SHIP.TGA",  // 2 BITMAP FILE
    "\\NOVAMIR\\", // 3 BITMAP PATH
    "/novamir/", // 4 OUTPUT PATH
    "", "", "",  // 5..7 no menu row
};
char str_param[STR_PARAMS][STR_LEN] = {
    "NOVAMIR", "SHIP.TGA", "SHIP.TGA", "\\NOVAMIR\\", "/novamir/", "", "", "",
};

// Longest text the string editor accepts for each string (characters).
int32_t str_max_len[STR_PARAMS] = {14, 14, 14, 30, 30, 4, 4, 4};

// The ten cycling selections: count, start selection, fed integer, labels.
// Labels beyond count are empty.
static const ChoiceList choice_start[CHOICE_LISTS] = {
    {3, 0, I_FADE_TYPE, {"None", "Linear", "Polar"}},                          // 0 SKY FADE TYPE
    {3, 1, I_STARS, {"No Stars", "North", "South"}},                          // 1 SKY STARS ENABLE
    {5, 0, I_COMET_TYPE, {"Coma", "Tail RHS", "Tail LHS", "Halo", "Torus"}},   // 2 COMET TYPE
    {3, 0, I_BITMAP_FADE, {"None", "Fade IN", "Fade OUT"}},                   // 3 BITMAP FADE FUNCTION
    {3, 0, I_IMAGE_KIND, {"BMP", "PCX", "TGA"}},                              // 4 no menu row
    {6, 0, I_TRANS_FUNCTION, {"Flat", "Left", "Right", "Top", "Bottom", "Pixel"}}, // 5 TRANS FUNCTION
    {5, 0, I_BITMAP_TRAVEL, {"Linear", "Accel", "Decel", "Sine", "Cosine"}},  // 6 BITMAP TRAVEL TYPE
    {3, 0, I_COMET_FADE, {"None", "Fade IN", "Fade OUT"}},                    // 7 COMET FADE FUNCTION
    {5, 0, I_COMET_TRAVEL, {"Linear", "Accel", "Decel", "Sine", "Cosine"}},   // 8 COMET TRAVEL TYPE
    {6, 1, I_LIST_FONT, {"Small", "Normal", "Huge", "Micro", "Big", "Average"}}, // 9 OPTIONS LIST FONT
};
ChoiceList choice_list[CHOICE_LISTS] = {
    choice_start[0], choice_start[1], choice_start[2], choice_start[3], choice_start[4],
    choice_start[5], choice_start[6], choice_start[7], choice_start[8], choice_start[9],
};

PageFrames page_frames[MENU_PAGES];

// ---------------------------------------------------------------------------
// Public functions.

void reset_store()
{
    memcpy(str_param, str_start, sizeof str_param);
    memcpy(choice_list, choice_start, sizeof choice_list);
    memset(page_frames, 0, sizeof page_frames);
}

void advance_choice(int n)
{
    if (n < 0 || n >= CHOICE_LISTS)
        return;
    ChoiceList& c = choice_list[n];
    c.current = c.current + 1;
    if (c.current >= c.count)
        c.current = 0;
    int_param[c.target] = c.current;
}

void restore_choice(int n)
{
    if (n < 0 || n >= CHOICE_LISTS)
        return;
    ChoiceList& c = choice_list[n];
    int32_t v = int_param[c.target];
    // An integer that names no label (an old or edited file) shows the first
    // label; the integer itself is left for the renderer, which treats unknown
    // values as its default.
    c.current = (v >= 0 && v < c.count) ? v : 0;
}

int read_param_block(const uint8_t* bytes, size_t size)
{
    if (!bytes || size < (size_t)PARAM_BLOCK_SIZE)
        return -1;
    for (int i = 0; i < DBL_PARAMS; i++) {
        dbl_param[i] = get_f64(bytes + BLOCK_DBL_PARAM + 8 * i);
        dbl_max[i] = get_f64(bytes + BLOCK_DBL_MAX + 8 * i);
        dbl_min[i] = get_f64(bytes + BLOCK_DBL_MIN + 8 * i);
    }
    for (int i = 0; i < INT_PARAMS; i++) {
        int_param[i] = (int32_t)get_u32(bytes + BLOCK_INT_PARAM + 4 * i);
        int_max[i] = (int32_t)get_u32(bytes + BLOCK_INT_MAX + 4 * i);
        int_min[i] = (int32_t)get_u32(bytes + BLOCK_INT_MIN + 4 * i);
    }
    for (int i = 0; i < FLAG_PARAMS; i++)
        flag_param[i] = (int32_t)get_u32(bytes + BLOCK_FLAG_PARAM + 4 * i);
    return 0;
}

void write_param_block(uint8_t out[PARAM_BLOCK_SIZE])
{
    for (int i = 0; i < DBL_PARAMS; i++) {
        put_f64(out + BLOCK_DBL_PARAM + 8 * i, dbl_param[i]);
        put_f64(out + BLOCK_DBL_MAX + 8 * i, dbl_max[i]);
        put_f64(out + BLOCK_DBL_MIN + 8 * i, dbl_min[i]);
    }
    for (int i = 0; i < INT_PARAMS; i++) {
        put_u32(out + BLOCK_INT_PARAM + 4 * i, (uint32_t)int_param[i]);
        put_u32(out + BLOCK_INT_MAX + 4 * i, (uint32_t)int_max[i]);
        put_u32(out + BLOCK_INT_MIN + 4 * i, (uint32_t)int_min[i]);
    }
    for (int i = 0; i < FLAG_PARAMS; i++)
        put_u32(out + BLOCK_FLAG_PARAM + 4 * i, (uint32_t)flag_param[i]);
}

void set_frame_limits(int width, int height)
{
    int_max[I_WIDTH] = width;
    int_max[I_HEIGHT] = height;
}
