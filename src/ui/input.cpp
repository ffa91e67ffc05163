// The input routine of every page, dialog and editor: key codes from the
// keyboard, clicks on hot cells, the repeat counter, the clock box, the mouse
// status line and the pointer sprite.
#include "ui/ui.h"

#include <cstdio>   // Required for: snprintf
#include <cstring>  // Required for: strcmp, strcpy
#include <ctime>    // Required for: time, localtime, strftime
#include <unistd.h> // Required for: usleep

int32_t mouse_present = 0;
int32_t repeat_counter = 0;
char fixed_clock[40] = "";
int32_t menu_page = -1;
int32_t menu_row = 0;
int32_t pane_codes[PANE_CODES];
int32_t pane_top = 64, pane_line_height = 16;
BITMAP* pointer_sprite = nullptr;
BITMAP* pointer_backing = nullptr;

// Keys taken after a key are dropped for this many polls, so that a held key
// gives at most one code per 8 polls.
static const int REPEAT_POLLS = 8;
// Pause between two empty polls while the devices are read (microseconds):
// 8 polls then span about 80 ms, the pace of a held key.
static const int POLL_PAUSE_US = 10000;
// Font number of the clock: 6 pixels a character fits the box.
static const int CLOCK_FONT = 1;

// The PC keyboard's scan code of each library key number (0: none). Keypad
// keys share the codes of the grey keys, as a PC reports them.
static const uint8_t pc_scan[KEY_MAX] = {
    0,
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, // A .. M
    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44, // N .. Z
    11, 2, 3, 4, 5, 6, 7, 8, 9, 10,                     // 0 .. 9
    82, 79, 80, 81, 75, 76, 77, 71, 72, 73,             // keypad 0 .. 9
    59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88,     // F1 .. F12
    1, 41, 12, 13, 14, 15, 26, 27, 28, 39, 40, 43, 86,  // Esc ` - = BS Tab [ ] Enter ; ' \ \2
    51, 52, 53, 57,                                     // , . / space
    82, 83, 71, 79, 73, 81, 75, 77, 72, 80,             // Ins Del Home End PgUp PgDn Left Right Up Down
    53, 55, 74, 78, 83, 28, 55, 69,                     // keypad / * - + Del Enter, PrtScr, Pause
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    42, 54, 29, 29, 56, 56, 91, 92, 93, 70, 69, 58,     // shifts, controls, alts, win, menu, locks
};
static_assert(KEY_A == 1 && KEY_0 == 27 && KEY_0_PAD == 37 && KEY_F1 == 47 && KEY_ESC == 59 &&
                  KEY_COMMA == 72 && KEY_INSERT == 76 && KEY_SLASH_PAD == 86 &&
                  KEY_ABNT_C1 == 94 && KEY_LSHIFT == 115 && KEY_CAPSLOCK == 126,
              "the scan code table follows the library's key numbering");

int pc_scan_code(int allegro_key)
{
    if (allegro_key <= 0 || allegro_key >= KEY_MAX)
        return 0;
    return pc_scan[allegro_key];
}

int key_code_of(int value)
{
    int ascii = value & 0xff;
    int scan = (value >> 8) & 0xff;
    // The X keyboard gives Delete the character 127; a PC gives it none.
    if (scan == KEY_DEL || scan == KEY_DEL_PAD)
        ascii = 0;
    if (ascii > 8)
        return ascii;
    if (scan == KEY_BACKSPACE)
        return KC_BACKSPACE;
    return 256 + pc_scan_code(scan);
}

// The library key that types a character on a US keyboard (0 when none).
static int allegro_key_of_char(int c)
{
    if (c >= 'a' && c <= 'z')
        return KEY_A + (c - 'a');
    if (c >= 'A' && c <= 'Z')
        return KEY_A + (c - 'A');
    if (c >= '0' && c <= '9')
        return KEY_0 + (c - '0');
    static const char* const shifted_digits = ")!@#$%^&*(";
    for (int i = 0; i < 10; i++)
        if (c == shifted_digits[i])
            return KEY_0 + i;
    static const struct { char plain, shifted; int key; } punct[] = {
        {'`', '~', KEY_TILDE},     {'-', '_', KEY_MINUS},      {'=', '+', KEY_EQUALS},
        {'[', '{', KEY_OPENBRACE}, {']', '}', KEY_CLOSEBRACE}, {';', ':', KEY_COLON},
        {'\'', '"', KEY_QUOTE},    {'\\', '|', KEY_BACKSLASH}, {',', '<', KEY_COMMA},
        {'.', '>', KEY_STOP},      {'/', '?', KEY_SLASH},      {' ', ' ', KEY_SPACE},
        {'\r', '\r', KEY_ENTER},   {27, 27, KEY_ESC},          {'\t', '\t', KEY_TAB},
    };
    for (const auto& p : punct)
        if (c == p.plain || c == p.shifted)
            return p.key;
    return 0;
}

int readkey_value_of(int code)
{
    if (code == KC_BACKSPACE)
        return KEY_BACKSPACE << 8 | 8;
    if (code > 8 && code < 256)
        return allegro_key_of_char(code) << 8 | code;
    if (code >= 256 && code < 512) {
        int scan = code - 256;
        // Prefer the grey keys over the keypad for the shared codes.
        static const int preferred[] = {KEY_INSERT, KEY_DEL, KEY_HOME, KEY_END, KEY_PGUP,
                                        KEY_PGDN, KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN};
        for (int k : preferred)
            if (pc_scan[k] == scan)
                return k << 8;
        for (int k = 1; k < KEY_MAX; k++)
            if (pc_scan[k] == scan)
                return k << 8;
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Clock box and mouse status line.

// What the clock box shows now: the second drawn, or the fixed text drawn.
static time_t last_second = 0;
static char last_fixed[40] = "";

void reset_clock()
{
    last_second = 0;
    last_fixed[0] = 0;
}

void draw_clock()
{
    char text[64];
    if (fixed_clock[0]) {
        if (strcmp(fixed_clock, last_fixed) == 0)
            return;
        snprintf(last_fixed, sizeof last_fixed, "%s", fixed_clock);
        snprintf(text, sizeof text, "%s", fixed_clock);
    } else {
        last_fixed[0] = 0;
        time_t now = time(nullptr);
        if (now == last_second)
            return;
        last_second = now;
        struct tm local;
        localtime_r(&now, &local);
        strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &local);
    }
    if (!draw_target)
        return;
    FONT* old = font;
    font = numbered_font(CLOCK_FONT);
    int w = SCREEN_W;
    // The box grows to the left when the font is too wide for it.
    int left = w - 180;
    int needed = text_length(font, text) + 4;
    if (needed > 152)
        left = w - 28 - needed;
    fill_box(left, 4, w - 28, 12, screen_colours[UC_BLACK]);
    textout_ex(draw_target, font, text, left + 2, 5, screen_colours[UC_YELLOW], -1);
    font = old;
}

static void draw_mouse_status(int x, int column, int y, int row, int hit)
{
    char text[64];
    snprintf(text, sizeof text, "x=%3d (%2d) y=%3d (%2d) [%2d]", x, column, y, row, hit);
    FONT* old = font;
    font = system_font ? system_font : font;
    int width = text_length(font, text) + 4;
    int top = SCREEN_H - line_height + 1;
    fill_box(SCREEN_W - width - 4, top, SCREEN_W - 1, SCREEN_H - 1, screen_colours[UC_BLACK]);
    textout_ex(draw_target, font, text, SCREEN_W - width - 2, top + 3,
               screen_colours[UC_LIGHT_GREY], -1);
    font = old;
}

// ---------------------------------------------------------------------------
// The pointer.

static bool pointer_shown = false;
static int pointer_x = 0, pointer_y = 0;

int create_pointer()
{
    static const char* const pattern[10] = {
        "12000000", "12200000", "12220000", "12222000", "12222200",
        "12222220", "12222222", "11122200", "00012220", "00012222",
    };
    if (!screen_buffer)
        return -1;
    int depth = bitmap_color_depth(screen_buffer);
    if (pointer_sprite)
        destroy_bitmap(pointer_sprite);
    if (pointer_backing)
        destroy_bitmap(pointer_backing);
    pointer_sprite = create_bitmap_ex(depth, 8, 10);
    pointer_backing = create_bitmap_ex(depth, 8, 10);
    if (!pointer_sprite || !pointer_backing)
        return -1;
    const int ink[4] = {screen_colours[256], screen_colours[UC_POINTER_EDGE],
                        screen_colours[UC_WHITE], screen_colours[UC_DARK_RED]};
    for (int r = 0; r < 10; r++)
        for (int c = 0; c < 8; c++)
            putpixel(pointer_sprite, c, r, ink[pattern[r][c] - '0']);
    draw_pointer();
    remove_pointer();
    return 0;
}

void draw_pointer()
{
    if (!mouse_present || !pointer_sprite || !screen_buffer)
        return;
    if (pointer_shown)
        remove_pointer();
    device_mouse(&pointer_x, &pointer_y, nullptr);
    blit(screen_buffer, pointer_backing, pointer_x, pointer_y, 0, 0, 8, 10);
    masked_blit(pointer_sprite, screen_buffer, 0, 0, pointer_x, pointer_y, 8, 10);
    pointer_shown = true;
}

void remove_pointer()
{
    if (!pointer_shown || !screen_buffer)
        return;
    blit(pointer_backing, screen_buffer, 0, 0, pointer_x, pointer_y, 8, 10);
    pointer_shown = false;
}

// ---------------------------------------------------------------------------
// Keyboard poll and input event.

void clear_pane_codes()
{
    for (int i = 0; i < PANE_CODES; i++)
        pane_codes[i] = -1;
}

int keyboard_poll()
{
    draw_clock();
    script_poll(); // the script feeds the devices read below
    if (!device_key_waiting()) {
        if (repeat_counter > 0)
            repeat_counter--;
        return 0;
    }
    repeat_counter--;
    int value = device_read_key();
    device_clear_keys();
    if (repeat_counter > 0)
        return 0;
    repeat_counter = REPEAT_POLLS;
    return key_code_of(value);
}

static void wait_for_release()
{
    for (;;) {
        int x, y, buttons;
        device_mouse(&x, &y, &buttons);
        if (!buttons)
            return;
        usleep(POLL_PAUSE_US);
    }
}

int input_event()
{
    static int last_x = -1, last_y = -1;
    for (;;) {
        int key = keyboard_poll();
        if (key)
            return key;
        if (mouse_present) {
            int x, y, buttons;
            device_mouse(&x, &y, &buttons);
            int row = y / line_height, column = x / char_width;
            row = row < 0 ? 0 : (row > 29 ? 29 : row);
            column = column < 0 ? 0 : (column > 79 ? 79 : column);
            int hit = hit_map[row][column];
            if (x != last_x || y != last_y) {
                last_x = x;
                last_y = y;
                bool shown = pointer_shown;
                remove_pointer();
                draw_mouse_status(x, column, y, row, hit);
                if (shown)
                    draw_pointer();
            }
            if (buttons & 2) {
                wait_for_release();
                return KC_ESC;
            }
            if (buttons & 1) {
                if (hit >= 0 && hit < BUTTON_SLOTS) {
                    if (hit <= 19)
                        menu_row = hit;
                    wait_for_release();
                    return button_slots[hit].key;
                }
                int code = -1;
                if ((column == 25 || column == 26) && y >= pane_top && pane_line_height > 0) {
                    int line = (y - pane_top) / pane_line_height;
                    if (line < PANE_CODES)
                        code = pane_codes[line];
                }
                wait_for_release();
                if (code > 0)
                    return code;
            }
        }
        show_buffer();
        if (!device_input_possible())
            return script_exhausted();
        if (!script_running())
            usleep(POLL_PAUSE_US);
    }
}

int read_key()
{
    draw_pointer();
    int key = input_event();
    remove_pointer();
    return key;
}
