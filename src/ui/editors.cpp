// Value editors: the line editor under the string, whole-number, decimal and
// co-ordinate editors with their range checks, and the plain value fields.
#include "ui/ui.h"

#include "store/store.h" // Required for: MENU_PAGES, MENU_ROWS, menu_pages

#include <cerrno>
#include <climits> // Required for: LONG_MIN
#include <cmath>   // Required for: fabs
#include <cstdio>  // Required for: snprintf
#include <cstdlib> // Required for: strtol, strtod
#include <cstring> // Required for: strlen, strchr, memmove
#include <string>

char editor_help[HELP_LINES][80];
int32_t editor_help_count = 0;

static const int FIELD_FONT = 3;       // font number of the fields (6 pixels a character)
static const int GLYPH = 6;            // pixels per character in a field
static const int FIELD_FACE = UC_WHITE;    // while editing
static const int FIELD_TEXT = UC_DARK_BLUE;
static const int FIELD_CURSOR = UC_RED;
static const int SHOWN_FACE = UC_DARK_GREY; // the field as the page shows it
static const int SHOWN_TEXT = UC_WHITE;
static const int NUMBER_TEXT = 80;     // text buffer of the numeric editors

static void set_help(int count, const char* l0, const char* l1, const char* l2,
                     const char* l3 = "")
{
    const char* lines[HELP_LINES] = {l0, l1, l2, l3};
    for (int i = 0; i < HELP_LINES; i++)
        snprintf(editor_help[i], sizeof editor_help[i], "%s", lines[i]);
    editor_help_count = count;
}

static void show_help(int count)
{
    const char* lines[HELP_LINES] = {editor_help[0], editor_help[1], editor_help[2],
                                     editor_help[3]};
    ok_box_lines(count, lines);
}

// The "OOPS!" line with the name of the current menu row.
static void set_oops_line()
{
    char name[17] = "";
    if (menu_page >= 0 && menu_page < MENU_PAGES && menu_row >= 0 && menu_row < MENU_ROWS)
        snprintf(name, sizeof name, "%.16s", menu_pages[menu_page][menu_row].name);
    snprintf(editor_help[0], sizeof editor_help[0], "OOPS! %s out of range!", name);
}

// The field box and its text at pixel X, Y.
static void draw_field(int X, int Y, int L, const char* text, int face, int ink)
{
    fill_box(X + 1, Y + 2, X + GLYPH * L + 6, Y + 13, screen_colours[face]);
    std::string shown = std::string(text) + " ";
    draw_text(X + 2, Y + 3, screen_colours[ink], shown.c_str());
}

int edit_line(int line, int column, char* buffer, const char* accepted, int L)
{
    const int X = column * char_width, Y = line * line_height;
    if (L < 1)
        L = 1;
    int len = (int)strlen(buffer);
    if (len > L) {
        buffer[L] = 0;
        len = L;
    }
    int pos = 0;
    bool insert = false;
    int result = 0;
    bool done = false;
    std::string drawn;
    FONT* saved = font;
    while (!done) {
        font = numbered_font(FIELD_FONT);
        drawn = buffer;
        draw_field(X, Y, L, buffer, FIELD_FACE, FIELD_TEXT);
        int cx = X + GLYPH * pos + 1, cursor = screen_colours[FIELD_CURSOR];
        if (draw_target) {
            if (insert)
                vline(draw_target, cx, Y + 2, Y + 11, cursor);
            else
                hline(draw_target, cx, Y + 13, cx + 4, cursor);
        }
        font = saved;
        int key = read_key();
        switch (key) {
        case KC_ENTER:
            done = true;
            break;
        case KC_ESC:
        case KC_F3:
            len = 0;
            result = key;
            done = true;
            break;
        case KC_UP:
        case KC_DOWN:
            break;
        case KC_BACKSPACE:
            if (pos > 0) {
                memmove(buffer + pos - 1, buffer + pos, (size_t)(len - pos));
                pos--;
                len--;
            }
            break;
        case KC_DELETE:
            if (pos < len) {
                memmove(buffer + pos, buffer + pos + 1, (size_t)(len - pos - 1));
                len--;
            }
            break;
        case KC_HOME:
            pos = 0;
            break;
        case KC_END:
            pos = len < L ? len : L - 1;
            break;
        case KC_LEFT:
            if (pos > 0)
                pos--;
            break;
        case KC_RIGHT:
            if (pos < len && pos < L - 1)
                pos++;
            break;
        case KC_INSERT:
            insert = !insert;
            break;
        case KC_F1:
            show_help(editor_help_count);
            break;
        default:
            if (key >= 32 && key <= 126 && len < L &&
                (!accepted || !accepted[0] || strchr(accepted, key))) {
                if (insert) {
                    memmove(buffer + pos + 1, buffer + pos, (size_t)(len - pos));
                    len++;
                } else if (pos == len) {
                    len++;
                }
                buffer[pos++] = (char)key;
            }
            break;
        }
        buffer[len] = 0;
    }
    font = numbered_font(FIELD_FONT);
    draw_field(X, Y, L, drawn.c_str(), SHOWN_FACE, SHOWN_TEXT);
    use_font(2);
    return result;
}

int edit_string(int line, int column, char* buffer, const char* accepted, int max_len)
{
    char second[80];
    snprintf(second, sizeof second, "up to %d characters long.", max_len);
    set_help(3, "Please enter a character string of", second, "Press ESC to Quit.");
    return edit_line(line, column, buffer, accepted, max_len);
}

int edit_whole(int line, int column, int32_t* value, int32_t min, int32_t max)
{
    char text[NUMBER_TEXT];
    char limits[80];
    snprintf(text, sizeof text, "%d", (int)*value);
    snprintf(limits, sizeof limits, "Limits are : %d to %d ", (int)min, (int)max);
    set_help(3, "Please enter a whole number.", limits, "Press ESC to Quit.");
    for (;;) {
        snprintf(editor_help[0], sizeof editor_help[0], "Please enter a whole number.");
        int key = edit_line(line, column, text, "-1234567890", 10);
        if (key)
            return key;
        long v = strtol(text, nullptr, 10); // a lone sign or no digits read 0
        set_oops_line();
        if (v >= min && v <= max) {
            *value = (int32_t)v;
            return 0;
        }
        show_help(3);
    }
}

const char* decimal_format(double value)
{
    if (fabs(value) < 100)
        return "%9.6f";
    if (fabs(value) < 1000)
        return "%9.5f";
    return "%9.1f";
}

static const char* limit_format(double limit)
{
    if (fabs(limit) < 10)
        return "%9.6f";
    if (fabs(limit) < 100)
        return "%9.5f";
    return "%9.1f";
}

// Prints the two limits into "Limits : %s to %s " with their own formats.
static void limits_line(char* out, size_t size, double min, double max, bool coordinate)
{
    char format[64];
    snprintf(format, sizeof format, "Limits : %s to %s ",
             coordinate ? "%9.5f" : limit_format(min), coordinate ? "%9.5f" : limit_format(max));
    snprintf(out, size, format, min, max);
}

int edit_decimal(int line, int column, double* value, double min, double max)
{
    char text[NUMBER_TEXT];
    char limits[80];
    const char* prompt = "Please enter a decimal point number";
    snprintf(text, sizeof text, decimal_format(*value), *value);
    limits_line(limits, sizeof limits, min, max, false);
    set_help(3, prompt, limits, "Press ESC to Quit.");
    for (;;) {
        snprintf(editor_help[0], sizeof editor_help[0], "%s", prompt);
        int key = edit_line(line, column, text, "+-eE.1234567890", 10);
        if (key)
            return key;
        double v = strtod(text, nullptr);
        set_oops_line();
        if (min <= v && v <= max) {
            *value = v;
            return 0;
        }
        show_help(3);
    }
}

double parse_coordinate(const char* text)
{
    std::string field[3];
    int f = 0;
    bool negative = false;
    for (const char* p = text; *p; p++) {
        if (*p == ' ') {
            if (++f == 3)
                break;
        } else if (*p == '-') {
            negative = true;
        } else if (*p != '+') {
            field[f] += *p;
        }
    }
    double part[3];
    for (int i = 0; i < 3; i++)
        part[i] = strtod(field[i].c_str(), nullptr);
    double sign = negative ? -1.0 : 1.0;
    return sign * (part[0] + part[1] / 60 + part[2] / 3600);
}

int edit_coordinate(int line, int column, double* value, double min, double max)
{
    char text[NUMBER_TEXT];
    char limits[80];
    const char* prompt = "Please enter a co-ordinate. (deg min sec)";
    snprintf(text, sizeof text, "%9.5f", *value);
    limits_line(limits, sizeof limits, min, max, true);
    set_help(4, prompt, limits, "Enter as  23.456 or  23 27.8 or  23 27 42", "Press ESC to Quit.");
    for (;;) {
        snprintf(editor_help[0], sizeof editor_help[0], "%s", prompt);
        int key = edit_line(line, column, text, " +-.1234567890", 12);
        if (key)
            return key;
        double v = text[0] ? parse_coordinate(text) : 0.0;
        set_oops_line();
        if (min <= v && v <= max) {
            *value = v;
            return 0;
        }
        show_help(3);
    }
}

int show_field(int line, int column, const char* text, int width)
{
    const int X = column * char_width, Y = line * line_height;
    fill_box(X, Y + 1, X + GLYPH * width + 7, Y + line_height - 2, screen_colours[SHOWN_FACE]);
    font = numbered_font(FIELD_FONT);
    std::string shown = std::string(text) + " ";
    draw_text(X + 2, Y + 3, screen_colours[SHOWN_TEXT], shown.c_str());
    use_font(2);
    return 0;
}

int show_whole(int line, int column, int32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", (int)value);
    return show_field(line, column, text, 10);
}

int show_decimal(int line, int column, double value)
{
    char text[64];
    snprintf(text, sizeof text, decimal_format(value), value);
    return show_field(line, column, text, 10);
}
