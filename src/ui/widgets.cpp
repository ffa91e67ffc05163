// Widgets of the menu screen: box styles, the panel background, buttons and
// their hit map, page tabs, the status line, dialog boxes, the title bar,
// the notes file, the pick lists, the start-up box and the colour picker.
#include "ui/ui.h"

#include "platform/platform.h" // Required for: open_data_file
#include "store/filelists.h"   // Required for: choose_image_file, choose_project_file, image_file_count
#include "store/records.h"     // Required for: current_object, object_count
#include "store/store.h"       // Required for: I_COLOUR_ONE, I_COLOUR_TWO, I_EDGE_COLOUR
#include "store/surface.h"     // Required for: topology_file_name

#include <cstdio>  // Required for: snprintf, fprintf
#include <cstring> // Required for: strchr, memset, strlen

const char* const title_line = "NOVAMIR Ver 3.0 Alpha 11 ";
const char* const second_title_line = "Planetary animation generator";

// Slot rows: column, line, width, height, normal and highlighted text
// colours, key code.
ButtonSlot button_slots[BUTTON_SLOTS] = {
    {1, 4, 12, 1, 1, 10, 13},   {1, 5, 12, 1, 1, 10, 13},   {1, 6, 12, 1, 1, 10, 13},
    {1, 7, 12, 1, 1, 10, 13},   {1, 8, 12, 1, 1, 10, 13},   {1, 9, 12, 1, 1, 10, 13},
    {1, 10, 12, 1, 1, 10, 13},  {1, 11, 12, 1, 1, 10, 13},  {1, 12, 12, 1, 1, 10, 13},
    {1, 13, 12, 1, 1, 10, 13},  {1, 14, 12, 1, 1, 10, 13},  {1, 15, 12, 1, 1, 10, 13},
    {1, 16, 12, 1, 1, 10, 13},  {1, 17, 12, 1, 1, 10, 13},  {1, 18, 12, 1, 1, 10, 13},
    {1, 19, 12, 1, 1, 10, 13},  {1, 20, 12, 1, 1, 10, 13},  {1, 21, 12, 1, 1, 10, 13},
    {1, 22, 12, 1, 1, 10, 13},  {1, 23, 12, 1, 1, 10, 13},  // 0..19 menu items
    {77, 5, 3, 1, 1, 10, 35},   {77, 6, 3, 1, 1, 10, 78},   {77, 7, 3, 1, 1, 10, 65},
    {77, 8, 3, 1, 1, 10, 73},   {77, 9, 3, 1, 1, 10, 67},   {77, 10, 3, 1, 1, 10, 78},
    {77, 11, 3, 1, 1, 10, 84},  {77, 12, 3, 1, 1, 10, 76},  {77, 13, 3, 1, 1, 10, 13}, // 20..28 side
    {76, 28, 3, 1, 1, 10, 27},  // 29 side ESC
    {1, 28, 7, 1, 1, 10, 315},  {8, 28, 6, 1, 1, 10, 316},  {14, 28, 9, 1, 1, 10, 317},
    {23, 28, 8, 1, 1, 10, 318}, {31, 28, 7, 1, 1, 10, 319}, {38, 28, 9, 1, 1, 10, 320},
    {47, 28, 8, 1, 1, 10, 321}, {55, 28, 7, 1, 1, 10, 322}, {62, 28, 7, 1, 1, 10, 323},
    {69, 28, 7, 1, 1, 10, 324}, // 30..39 function-key bar
    {1, 2, 8, 1, 1, 10, 289},   {9, 2, 8, 1, 1, 10, 287},   {17, 2, 8, 1, 1, 10, 281},
    {25, 2, 8, 1, 1, 10, 275},  {33, 2, 8, 1, 1, 10, 302},  {41, 2, 8, 1, 1, 10, 304},
    {49, 2, 8, 1, 1, 10, 294},  {57, 2, 8, 1, 1, 10, 280},  // 40..47 page tabs
    {65, 2, 8, 1, 1, 10, 27},   {73, 2, 5, 1, 1, 10, 27},   // 48 OPTIONS position, 49 QUIT
    {28, 19, 10, 1, 1, 10, 13}, {38, 19, 10, 1, 1, 10, 27}, // 50, 51 dialog buttons
    {12, 22, 12, 1, 1, 10, 49}, {25, 22, 12, 1, 1, 10, 50}, {38, 22, 12, 1, 1, 10, 51}, // 52..54
    {38, 20, 10, 1, 1, 10, 13}, // 55 single dialog button
};

const ButtonLabel button_labels[BUTTON_LABELS] = {
    {"", 0},          {"F2 VIEW", 316}, {"F4 SAVE", 318},  {"INSERT", 338},  {"DELETE", 339},
    {"QUIT", 27},     {"START", 317},   {"STOP", 317},     {"F1 HELP", 315}, {"F9 NOTES", 323},
    {"F10 COPY", 324}, {"PAGEUP", 329}, {"PAGEDOWN", 337}, {"BEGIN", 327},   {"END ", 335},
    {"CLOSE", 27},    {"OKay", 13},     {"Cancel", 317},   {"ESC", 27},      {" # ", 35},
    {"Cat", 99},      {"Ast", 65},      {"ID", 73},        {"Con", 67},      {"N/S", 78},
    {"Tel", 84},      {"Lck", 76},      {"", 0},           {"", 0},          {"F2 SAVE", 316},
    {"F3 FIND", 317}, {"F4 GOTO", 318},
};

// Side slots 20..29, then bottom slots 30..39.
#define SIDE_ESC 0, 0, 0, 0, 0, 0, 0, 0, 0, 18
const int32_t page_button_labels[BUTTON_SCREENS][20] = {
    {SIDE_ESC, 8, 0, 0, 0, 0, 11, 12, 13, 14, 10}, // 0 FILE
    {SIDE_ESC, 8, 1, 2, 3, 0, 0, 0, 0, 0, 10},     // 1 SKY
    {SIDE_ESC, 8, 1, 2, 3, 0, 11, 12, 13, 14, 10}, // 2 PLANET
    {SIDE_ESC, 8, 1, 2, 3, 0, 11, 12, 13, 14, 10}, // 3 RING
    {SIDE_ESC, 8, 1, 2, 3, 0, 0, 0, 0, 0, 10},     // 4 COMET
    {SIDE_ESC, 8, 1, 2, 3, 0, 11, 12, 13, 14, 10}, // 5 BITMAP
    {SIDE_ESC, 8, 0, 0, 0, 0, 4, 0, 0, 0, 10},     // 6 LIST
    {SIDE_ESC, 8, 0, 0, 0, 0, 0, 0, 0, 0, 10},     // 7 OPTIONS
    {SIDE_ESC, 8, 0, 0, 0, 0, 0, 0, 0, 0, 10},     // 8 top level
};
#undef SIDE_ESC

const TabEntry tab_entries[] = {
    {1, 7, 1, 2, 'F', 0, "FILE"},     {9, 7, 1, 2, 'S', 0, "SKY"},
    {17, 7, 1, 2, 'P', 0, "PLANET"},  {25, 7, 1, 2, 'R', 0, "RING"},
    {33, 7, 1, 2, 'C', 0, "COMET"},   {41, 7, 1, 2, 'B', 0, "BITMAP"},
    {49, 7, 1, 2, 'L', 0, "LIST"},    {65, 7, 1, 2, 'O', 0, "OPTIONS"},
    {73, 5, 1, 2, 'Q', 0, "QUIT"},    {0, 0, 0, 0, 0, 0, nullptr},
};

int32_t hit_map[TEXT_ROWS][TEXT_COLUMNS];
DialogBox dialog_boxes[DIALOG_BOXES];
int32_t window_left = 0, window_top = 0;
int32_t open_dialog_number = -1;
char list_lines[LIST_LINES][LIST_LINE_LEN];
ListPageBuilder list_page_builders[LIST_KINDS];
int (*list_item_counts[LIST_KINDS])();

// Title bar, set up once with the dialog boxes.
static struct {
    char text[96];
    int colour;
} title_bar;

static inline int sc(int index) { return screen_colours[index & 255]; }

// ---------------------------------------------------------------------------
// Boxes.

// Edges: top (x, y)-(x2, y), left (x, y+1)-(x, y2-1), bottom (x, y2)-(x2, y2),
// right (x2, y+1)-(x2, y2-1).
static void box_edges(int x, int y, int x2, int y2, int top_left, int bottom_right)
{
    if (!draw_target)
        return;
    hline(draw_target, x, y, x2, top_left);
    vline(draw_target, x, y + 1, y2 - 1, top_left);
    hline(draw_target, x, y2, x2, bottom_right);
    vline(draw_target, x2, y + 1, y2 - 1, bottom_right);
}

int sunken_box(int x, int y, int width, int height)
{
    int x2 = x + width - 1, y2 = y + height - 1;
    fill_box(x, y, x2, y2, sc(UC_DARK_GREY));
    box_edges(x, y, x2, y2, sc(UC_GREY), sc(UC_WHITE));
    return 0;
}

// A light grey face inside its edges; raised and pressed differ only in
// which edges catch the light. A box too small for a face keeps its edges.
static int grey_face_box(int x, int y, int width, int height, int top_left, int bottom_right)
{
    int x2 = x + width - 1, y2 = y + height - 1;
    if (x2 - 1 >= x + 1 && y2 - 1 >= y + 1)
        fill_box(x + 1, y + 1, x2 - 1, y2 - 1, sc(UC_LIGHT_GREY));
    box_edges(x, y, x2, y2, top_left, bottom_right);
    return 0;
}

int raised_box(int x, int y, int width, int height)
{
    return grey_face_box(x, y, width, height, sc(UC_WHITE), sc(UC_GREY));
}

int pressed_box(int x, int y, int width, int height)
{
    return grey_face_box(x, y, width, height, sc(UC_GREY), sc(UC_WHITE));
}

int panel_background(int base)
{
    static const uint8_t tile[8] = {0x00, 0x44, 0xaa, 0x55, 0x99, 0x55, 0xbb, 0xff};
    if (!draw_target)
        return 0;
    int x = 40, y = 4 * line_height, w = 320, h = 22 * line_height;
    if (open_dialog_number >= 0 && open_dialog_number < DIALOG_BOXES) {
        const DialogBox& d = dialog_boxes[open_dialog_number];
        x = d.x + 4;
        y = d.y + 4;
        w = d.w - 8;
        h = d.h - 8;
    }
    for (int b = 0; b * 8 < h; b++) {
        int i0 = b <= 28 ? base + b : base + 58 - b;
        int i1 = b <= 28 ? base + b + 1 : base + 57 - b;
        i0 = i0 < 0 ? 0 : (i0 > 255 ? 255 : i0);
        i1 = i1 < 0 ? 0 : (i1 > 255 ? 255 : i1);
        int c0 = screen_colours[i0], c1 = screen_colours[i1];
        for (int r = 0; r < 8 && b * 8 + r < h; r++)
            for (int t = 0; t < w / 8; t++)
                for (int c = 0; c < 8; c++)
                    putpixel(draw_target, x + 8 * t + c, y + 8 * b + r,
                             (tile[r] >> (7 - c)) & 1 ? c1 : c0);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Buttons and the hit map.

void clear_hit_map()
{
    for (int r = 0; r < TEXT_ROWS; r++)
        for (int c = 0; c < TEXT_COLUMNS; c++)
            hit_map[r][c] = -1;
}

static void mark_cells(int line, int column, int height, int width, int value)
{
    for (int r = 0; r < height; r++)
        for (int u = 0; u < width; u++)
            if (line + r >= 0 && line + r < TEXT_ROWS && column + u >= 0 &&
                column + u < TEXT_COLUMNS)
                hit_map[line + r][column + u] = value;
}

// The box and text of a button at pixel x, y, w wide.
static void button_face(const ButtonSlot& s, int x, int w, int state, const char* text)
{
    int y = s.line * line_height, h = line_height;
    int colour = sc(state >= 1 ? s.text_high : s.text_normal);
    int shift = state >= 2 ? 1 : 0;
    if (state >= 2)
        pressed_box(x, y, w, h);
    else
        raised_box(x, y, w, h);
    draw_text(x + 2 + shift, y + 3 + shift, colour, text);
}

int draw_button(int slot, int state, const char* text)
{
    if (slot < 0 || slot >= BUTTON_SLOTS || !text || !text[0])
        return 0;
    const ButtonSlot& s = button_slots[slot];
    button_face(s, s.column * char_width, s.width * char_width, state, text);
    mark_cells(s.line, s.column, s.height, s.width, slot);
    return 0;
}

// Text of a page's item (slots 0..19) or side and bottom button (20..39).
static const char* item_text(int page, int slot)
{
    if (slot >= 0 && slot < MENU_ROWS)
        return page < MENU_PAGES ? menu_pages[page][slot].name : "";
    if (slot >= SLOT_SIDE && slot < SLOT_TABS && page < BUTTON_SCREENS) {
        int label = page_button_labels[page][slot - SLOT_SIDE];
        return button_labels[label].text;
    }
    return "";
}

int draw_item_button(int page, int slot, int state)
{
    if (page < 0)
        return -1;
    if (slot < 0 || slot >= SLOT_TABS)
        return 0;
    char text[17];
    snprintf(text, sizeof text, "%.16s", item_text(page, slot));
    if (!text[0])
        return 0;
    const ButtonSlot& s = button_slots[slot];
    button_face(s, s.column * char_width + 2, s.width * char_width - 2, state, text);
    return 0;
}

// Side and bottom buttons fill their slots exactly, like every other button;
// only the menu rows sit 2 pixels in from the screen's left edge. The hit map
// is register_page_buttons' business.
int draw_page_buttons(int page, int slot, int state)
{
    if (page < 0)
        return -1;
    for (int n = SLOT_SIDE; n < SLOT_TABS; n++) {
        const char* text = item_text(page, n);
        if (!text[0])
            continue;
        const ButtonSlot& s = button_slots[n];
        button_face(s, s.column * char_width, s.width * char_width, n == slot ? state : 0, text);
    }
    return 0;
}

int register_page_buttons(int page)
{
    if (page < 0)
        return -1;
    for (int slot = 0; slot < MENU_ROWS; slot++) {
        const ButtonSlot& s = button_slots[slot];
        if (page < MENU_PAGES && menu_pages[page][slot].name[0])
            mark_cells(s.line, s.column, s.height, s.width, slot);
    }
    if (page >= BUTTON_SCREENS)
        return 0;
    for (int slot = SLOT_SIDE; slot < SLOT_TABS; slot++) {
        ButtonSlot& s = button_slots[slot];
        int label = page_button_labels[page][slot - SLOT_SIDE];
        s.key = button_labels[label].key;
        if (label)
            mark_cells(s.line, s.column, s.height, s.width, slot);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Tab bar and status line.

void draw_tab_bar(int page)
{
    select_list_font(7);
    for (int k = 0; tab_entries[k].text; k++) {
        const TabEntry& t = tab_entries[k];
        int x = t.column * char_width, y = 2 * line_height;
        raised_box(x, y, t.width * char_width + 6, line_height);
        if (k == page)
            fill_box(x + 1, y + 2, x + t.width * char_width + 4, y + line_height - 4, 30);
        draw_text(x + 2, y + 3, sc(t.text_colour), t.text);
        char hot[2] = {(char)t.hot_letter, 0};
        draw_text(x + 2, y + 3, sc(t.hot_colour), hot);
        mark_cells(2, t.column, 1, t.width, SLOT_TABS + k);
    }
    select_list_font(4);
    if (menu_page < 0)
        for (int s = 31; s <= 36; s++)
            button_slots[s].key = 316 + (s - 31);
}

// One field of the status line from column a to column b.
static void status_field(int a, int b, int colour, const char* text)
{
    int top = line_height + 4, bottom = 2 * line_height - 2;
    fill_box(a * char_width, top, b * char_width - 1, bottom, sc(UC_BLACK));
    draw_text(a * char_width + 2, line_height + 6, sc(colour), text);
}

void draw_status_line()
{
    char text[96];
    if (topology_file_name[0])
        status_field(1, 15, UC_YELLOW, topology_file_name);
    snprintf(text, sizeof text, "%.39s", str_param[S_PROJECT_NAME]);
    status_field(15, 30, UC_BLUE, text);
    snprintf(text, sizeof text, "%3d Objects defined. ", (int)object_count);
    status_field(30, 50, UC_BLUE, text);
    int type = -1;
    const char* name = object_name_at(current_object, &type);
    int frames_of = type >= 1 && type < MENU_PAGES ? type : menu_page;
    int start = 0, end = 0;
    if (frames_of >= 0 && frames_of < MENU_PAGES) {
        start = page_frames[frames_of].start;
        end = page_frames[frames_of].end;
    }
    snprintf(text, sizeof text, "FR: %d-%d, OBJ %d, %s", start, end, (int)current_object + 1,
             name ? name : "");
    status_field(50, 78, type >= 0 && type == menu_page ? UC_RED : UC_MID_GREY, text);
}

// ---------------------------------------------------------------------------
// Screen backup, dialog boxes and the title bar.

void save_screen()
{
    const DialogBox& d = dialog_boxes[0];
    if (draw_target && d.backup)
        blit(draw_target, d.backup, 0, 0, 0, 0, d.w, d.h);
}

void restore_screen()
{
    const DialogBox& d = dialog_boxes[0];
    if (draw_target && d.backup)
        blit(d.backup, draw_target, 0, 0, 0, 0, d.w, d.h);
}

int init_widgets()
{
    static const int cells[DIALOG_BOXES][4] = {
        {0, 0, 80, 32}, {0, 3, 80, 27}, {10, 8, 58, 16}, {20, 5, 40, 16}, {24, 10, 38, 14},
    };
    int depth = draw_target ? bitmap_color_depth(draw_target) : 8;
    int result = 0;
    for (int n = 0; n < DIALOG_BOXES; n++) {
        DialogBox& d = dialog_boxes[n];
        if (d.backup)
            destroy_bitmap(d.backup);
        d = DialogBox{};
        d.column = cells[n][0];
        d.line = cells[n][1];
        d.width = cells[n][2];
        d.height = cells[n][3];
        d.x = d.column * char_width;
        d.y = d.line * line_height;
        d.w = d.width * char_width;
        d.h = d.height * line_height;
        d.colour1 = screen_colours[0];
        d.colour2 = screen_colours[8];
        d.frame = n <= 2 ? 1 : 2;
        d.saved_dialog = -1;
        d.backup = create_bitmap_ex(depth, d.w, d.h);
        if (!d.backup)
            result = -1;
    }
    open_dialog_number = -1;
    window_left = window_top = 0;
    snprintf(title_bar.text, sizeof title_bar.text, "%s  %s", title_line, second_title_line);
    title_bar.colour = makecol(250, 100, 100);
    clear_hit_map();
    clear_pane_codes();
    return result;
}

static void copy_box_cells(DialogBox& d, bool save)
{
    for (int r = d.line; r < d.line + d.height && r < TEXT_ROWS; r++)
        for (int c = d.column; c < d.column + d.width && c < TEXT_COLUMNS; c++) {
            if (save)
                d.saved_hits[r][c] = hit_map[r][c];
            else
                hit_map[r][c] = d.saved_hits[r][c];
        }
}

static void clear_box_cells(const DialogBox& d)
{
    mark_cells(d.line, d.column, d.height, d.width, -1);
}

int open_dialog(int n)
{
    if (n < 0 || n >= DIALOG_BOXES)
        return -1;
    DialogBox& d = dialog_boxes[n];
    d.saved_dialog = open_dialog_number;
    if (draw_target && d.backup)
        blit(draw_target, d.backup, d.x, d.y, 0, 0, d.w, d.h);
    fill_box(d.x, d.y, d.x + d.w - 1, d.y + d.h - 1, d.colour2);
    if (d.frame)
        box_edges(d.x, d.y, d.x + d.w - 1, d.y + d.h - 1, sc(UC_WHITE), sc(UC_GREY));
    d.saved_left = window_left;
    d.saved_top = window_top;
    window_left = d.x;
    window_top = d.y;
    open_dialog_number = n;
    copy_box_cells(d, true);
    clear_box_cells(d);
    clear_pane_codes();
    if (menu_page >= 0)
        register_page_buttons(menu_page);
    return n;
}

int clear_dialog(int n)
{
    if (n < 0 || n > 2)
        return 0;
    DialogBox& d = dialog_boxes[n];
    fill_box(d.x, d.y, d.x + d.w - 1, d.y + d.h - 1, d.colour2);
    box_edges(d.x, d.y, d.x + d.w - 1, d.y + d.h - 1, d.frame, 7);
    window_left = d.x;
    window_top = d.y;
    open_dialog_number = n;
    clear_box_cells(d);
    clear_pane_codes();
    register_page_buttons(menu_page);
    return 0;
}

int close_dialog(int n)
{
    if (n < 0 || n >= DIALOG_BOXES)
        return -1;
    DialogBox& d = dialog_boxes[n];
    if (draw_target && d.backup)
        blit(d.backup, draw_target, 0, 0, d.x, d.y, d.w, d.h);
    window_left = d.saved_left;
    window_top = d.saved_top;
    open_dialog_number = d.saved_dialog;
    copy_box_cells(d, false);
    clear_pane_codes();
    return 0;
}

int draw_title_bar()
{
    use_font(1);
    int w = SCREEN_W, h = line_height;
    raised_box(1, 1, w - 2, h - 1);
    if (draw_target)
        rect(draw_target, 0, 0, w - 1, h, makecol(50, 50, 50));
    draw_text(4, (16 - text_height(font)) / 2, title_bar.colour, title_bar.text);
    mark_cells(0, 77, 1, 2, SLOT_QUIT_TAB);
    raised_box(77 * char_width + 2, 2, 2 * char_width - 4, line_height - 4);
    return 0;
}

// ---------------------------------------------------------------------------
// Notes and pick lists.

int save_notes(int n)
{
    FILE* f = open_data_file("notes.txt", "ab");
    if (!f) {
        ok_box("Unable to save notes.txt");
        return 0;
    }
    fprintf(f, "\r\n%s  %s\r\n", title_line, second_title_line);
    for (int i = 0; i < n && i < LIST_LINES; i++)
        fprintf(f, "%.*s\r\n", LIST_LINE_LEN, list_lines[i]);
    fprintf(f, "\r\n\r\n");
    return fclose(f) == 0 ? 1 : 0;
}

static const char choice_characters[] =
    "abcdefghijklmnopqrstuvwxyz1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Font number of each LIST FONT label: Small, Normal, Huge, Micro, Big, Average.
static int list_font_setting()
{
    static const int numbers[6] = {9, 4, 11, 0, 7, 1};
    int i = int_param[I_LIST_FONT];
    return numbers[i < 0 || i > 5 ? 1 : i];
}

// Stores entry item of the list kind.
static void choose_entry(int kind, int item)
{
    switch (kind) {
    case LIST_PROJECTS:
        if (item < project_file_count)
            choose_project_file(item);
        break;
    case LIST_PLANETS:
        int_param[I_PLANET_NUMBER] = item;
        break;
    case LIST_RINGS:
        int_param[I_RING_NUMBER] = item;
        break;
    case LIST_IMAGES:
        if (item < image_file_count)
            choose_image_file(item);
        break;
    case LIST_OBJECTS:
        current_object = item;
        break;
    }
}

// Fills list_lines with the page at first; returns its entries.
static int build_list_page(int kind, int first, int per_page)
{
    memset(list_lines, 0, sizeof list_lines);
    if (!list_page_builders[kind])
        return 0;
    int entries = list_page_builders[kind](list_lines, 2, first, per_page);
    return entries < 0 ? 0 : (entries > per_page ? per_page : entries);
}

int list_picker(int32_t* first, int kind, int key)
{
    if (kind < 0 || kind >= LIST_KINDS)
        return 0;
    select_list_font(10);
    int count = list_item_counts[kind] ? list_item_counts[kind]() : 0;
    select_list_font(list_font_setting());
    int th = text_height(font);
    int per_page = (21 * line_height) / (th + 4);
    per_page = per_page > 60 ? 60 : (per_page < 1 ? 1 : per_page);
    int f = *first;
    switch (key) {
    case KC_PGDN: f += per_page; break;
    case KC_PGUP: f -= per_page; break;
    case KC_HOME: f = 0; break;
    case KC_END: f = (count / per_page - (count % per_page == 0 ? 1 : 0)) * per_page; break;
    }
    if (f < 0 || f >= count)
        f = 0;
    *first = f;
    fill_box(25 * char_width - 1, 4 * line_height - 4, 79 * char_width, 26 * line_height + 10,
             sc(UC_MID_GREY));
    if (draw_target)
        rect(draw_target, 25 * char_width - 1, 4 * line_height - 4, 79 * char_width,
             26 * line_height + 10, sc(UC_GREY));
    int entries = build_list_page(kind, f, per_page);
    int chosen = 0;
    const char* at = key > 0 && key < 256 ? strchr(choice_characters, key) : nullptr;
    if (at && at - choice_characters < entries) {
        choose_entry(kind, f + (int)(at - choice_characters));
        entries = build_list_page(kind, f, per_page);
        chosen = 1;
    }
    clear_pane_codes();
    pane_top = 4 * line_height;
    pane_line_height = th + 4;
    for (int k = 0; k < entries + 2; k++) {
        const char* line = list_lines[k];
        int y = 4 * line_height + k * (th + 4);
        if (k >= 2) {
            raised_box(25 * char_width, y, 2 * char_width - 2, th + 3);
            char mark[2] = {choice_characters[k - 2], 0};
            draw_text(25 * char_width + 2, y + 2, sc(UC_DARK_BLUE), mark);
            if (k < PANE_CODES)
                pane_codes[k] = choice_characters[k - 2];
        }
        int colour = UC_DARK_BLUE;
        if (line[LIST_LINE_LEN - 1] == 'F')
            colour = UC_WHITE;
        if (line[LIST_LINE_LEN - 2] != 0)
            colour = UC_RED;
        char text[LIST_LINE_LEN - 2];
        snprintf(text, sizeof text, "%.*s", LIST_LINE_LEN - 3, line);
        draw_text(27 * char_width, y, sc(colour), text);
    }
    if (key == KC_F9)
        save_notes(entries + 2);
    select_list_font(4);
    return chosen;
}

// ---------------------------------------------------------------------------
// Start-up box and colour picker.

int startup_box()
{
    const int n = 3;
    open_dialog(n);
    panel_background(220);
    int x = window_left, y = window_top;
    use_font(1);
    draw_text(x + char_width + 4, y + line_height + 3, sc(20), title_line);
    draw_text(x + char_width + 3, y + line_height + 2, sc(UC_YELLOW), title_line);
    use_font(0);
    draw_text(x + char_width + 24, y + line_height + 33, sc(20), second_title_line);
    draw_text(x + char_width + 23, y + line_height + 32, sc(UC_DARK_RED), second_title_line);
    const char* press = "Press any key to continue.";
    draw_text(x + char_width + 24, y + line_height + 109, sc(166), press);
    draw_text(x + char_width + 23, y + line_height + 108, sc(UC_YELLOW), press);
    select_list_font(4);
    int key = input_event(); // the pointer stays hidden here
    if (key == KC_F1)
        help_for_item();
    close_dialog(n);
    return key;
}

// The pair of colour settings the picker shows on the current page.
static void picked_pair(int* first, int* second)
{
    bool comet = menu_page == PAGE_COMET;
    *first = int_param[comet ? I_MID_COLOUR : I_COLOUR_ONE];
    *second = int_param[comet ? I_EDGE_COLOUR : I_COLOUR_TWO];
}

void colour_swatch(int i, int pressed)
{
    int first, second;
    picked_pair(&first, &second);
    int cw = char_width, ch = line_height;
    int x = (2 * (i % 16) + 28) * cw, y = (i / 16 + 8) * ch;
    int frame = i == first ? UC_RED : (i == second ? UC_WHITE : 20);
    fill_box(x + 1, y, x + 2 * cw - 2, y + ch - 2, sc(frame));
    int inset = pressed ? 2 : 1;
    fill_box(x + 1 + inset, y + inset, x + 2 * cw - 2 - inset, y + ch - 2 - inset, sc(i));
}

void colour_picker()
{
    int first, second;
    picked_pair(&first, &second);
    int cw = char_width, ch = line_height;
    int X = 25 * cw, T = (menu_page == PAGE_COMET ? 5 : 4) * ch + 3;
    fill_box(X, T, X + ch, T + ch - 4, sc(UC_RED));
    fill_box(X, T + ch, X + ch, T + 2 * ch - 4, sc(UC_WHITE));
    fill_box(X + 2, T + 2, X + ch - 2, T + ch - 6, sc(first));
    fill_box(X + 2, T + ch + 2, X + ch - 2, T + 2 * ch - 6, sc(second));
    FONT* old = font;
    use_font(0);
    char text[8];
    for (int i = 0; i < 16; i++) {
        snprintf(text, sizeof text, "%d", i);
        draw_text(28 * cw + i * ch, 120, sc(UC_GREY), text);
        snprintf(text, sizeof text, "%3d", 16 * i);
        draw_text(X, (i + 8) * ch + 4, sc(UC_GREY), text);
    }
    for (int i = 0; i < 256; i++)
        colour_swatch(i, 0);
    font = old;
}
