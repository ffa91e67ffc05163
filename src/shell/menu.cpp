// The page loop: draws a menu page from its table, moves the current row,
// switches pages on hot keys and performs a row on Enter.
#include "shell/shell.h"

#include <allegro.h> // Required for: rect, clear_to_color, font

#include <cstdio>
#include <cstring>

#include "images/images.h"   // Required for: save_view
#include "render/render.h"   // Required for: generate_all, generate_frame, page_preview
#include "store/canvas.h"    // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/filelists.h" // Required for: scan_images, scan_projects
#include "store/prompt.h"    // Required for: ask_yes_no, tell_user
#include "store/store.h"     // Required for: CHOICE_LABELS, CHOICE_LISTS, ChoiceList
#include "ui/ui.h"           // Required for: BUTTON_SCREENS, KC_DELETE, KC_DOWN

int32_t page_item[MENU_PAGES] = {0, -1, 0, 0, 0, 0, 0, 0};
int32_t pane_first[LIST_KINDS] = {0, 0, 0, 0, 0};

// Geometry of a row's value, in pixels from the top-left of its text cell at
// column 13: the choice label box and the flag box with its "on" square.
constexpr int VALUE_COLUMN = 13;
constexpr int CHOICE_W = 64, CHOICE_H = 12, CHOICE_TOP = 2;
constexpr int FLAG_W = 12, FLAG_H = 10, FLAG_TOP = 3;
constexpr int FLAG_MARK_INSET = 3; // the filled square leaves 3 pixels of box around it
// Font number of the menu rows and their values (the tab bar leaves it selected).
constexpr int ROW_FONT = 4;
// The help line is cleared up to this column: the mouse status line shares
// text line 29 on a 640 x 480 screen and keeps the right-hand part.
constexpr int HELP_LINE_COLUMNS = 50;

static inline int sc(int index) { return screen_colours[index & 255]; }

// Side pane list of a page, or -1 (SKY and COMET show the colour picker,
// OPTIONS has no pane).
static int pane_kind(int page)
{
    switch (page) {
    case PAGE_FILE: return LIST_PROJECTS;
    case PAGE_PLANET: return LIST_PLANETS;
    case PAGE_RING: return LIST_RINGS;
    case PAGE_BITMAP: return LIST_IMAGES;
    case PAGE_LIST: return LIST_OBJECTS;
    default: return -1;
    }
}

// The status line always in the system font: its band is one text line
// minus six pixels high, which the 8-pixel font fits at every screen size.
void draw_menu_status_line()
{
    FONT* old = font;
    use_font(1);
    draw_status_line();
    font = old;
}

// The value of row r from column 13: a choice label in a box, a flag box,
// or a number or text through the editors' display routines.
static void draw_value(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int line = 4 + r, x = col_to_x(VALUE_COLUMN), y = row_to_y(line);
    switch (item.kind) {
    case ITEM_CHOICE: {
        if (item.param < 0 || item.param >= CHOICE_LISTS)
            break;
        const ChoiceList& list = choice_list[item.param];
        int top = y + CHOICE_TOP;
        fill_box(x, top, x + CHOICE_W - 1, top + CHOICE_H - 1, sc(UC_LIGHT_GREY));
        if (draw_target)
            rect(draw_target, x, top, x + CHOICE_W - 1, top + CHOICE_H - 1, sc(UC_GREY));
        int cur = list.current >= 0 && list.current < CHOICE_LABELS ? list.current : 0;
        char label[LABEL_LEN + 1];
        snprintf(label, sizeof label, "%.*s", LABEL_LEN, list.labels[cur]);
        draw_text(x + 3, top + 1, sc(UC_DARK_BLUE), label);
        break;
    }
    case ITEM_FLAG: {
        if (item.param < 0 || item.param >= FLAG_PARAMS)
            break;
        int top = y + FLAG_TOP;
        fill_box(x, top, x + FLAG_W - 1, top + FLAG_H - 1, sc(UC_LIGHT_GREY));
        if (draw_target)
            rect(draw_target, x, top, x + FLAG_W - 1, top + FLAG_H - 1, sc(UC_GREY));
        if (flag_param[item.param])
            fill_box(x + FLAG_MARK_INSET, top + FLAG_MARK_INSET, x + FLAG_W - 1 - FLAG_MARK_INSET,
                     top + FLAG_H - 1 - FLAG_MARK_INSET, sc(UC_RED));
        break;
    }
    case ITEM_VALUE:
        switch (item.editor) {
        case EDIT_DECIMAL:
        case EDIT_COORD:
            show_decimal(line, VALUE_COLUMN, dbl_param[item.param]);
            break;
        case EDIT_WHOLE:
            show_whole(line, VALUE_COLUMN, int_param[item.param]);
            break;
        case EDIT_STRING:
            show_field(line, VALUE_COLUMN, str_param[item.param], str_max_len[item.param]);
            break;
        case EDIT_PAGE_FRAME:
            show_whole(line, VALUE_COLUMN,
                       item.param == I_PAGE_START ? page_frames[page].start : page_frames[page].end);
            break;
        }
        break;
    default:
        break;
    }
}

static void draw_help_line(int page)
{
    int y = row_to_y(29);
    fill_box(0, y, col_to_x(HELP_LINE_COLUMNS) - 1, y + line_height - 1, sc(UC_BLACK));
    if (menu_row >= 0 && menu_row < page_item_count(page))
        draw_text(col_to_x(1), y + 2, sc(UC_YELLOW), menu_pages[page][menu_row].help);
}

// The rows of the page: each name as a button (highlighted when current),
// its value, then the help line of the current row.
static void draw_rows(int page)
{
    select_list_font(ROW_FONT);
    int count = page_item_count(page);
    for (int r = 0; r < count; r++) {
        draw_item_button(page, r, r == menu_row ? 1 : 0);
        draw_value(page, r);
    }
    draw_help_line(page);
}

// The page's side pane; returns 1 when the key chose an entry.
static int draw_pane(int page, int key)
{
    if (page == PAGE_SKY || page == PAGE_COMET) {
        colour_picker();
        return 0;
    }
    int kind = pane_kind(page);
    if (kind < 0)
        return 0;
    return list_picker(&pane_first[kind], kind, key);
}

// Everything around the rows: title bar, colour strip, status line, tabs and
// the page's buttons, with the hit map and the pane lines made anew.
static void draw_frame_of(int page)
{
    clear_to_color(screen_buffer, sc(UC_BLACK));
    clear_hit_map();
    clear_pane_codes();
    draw_title_bar();
    draw_colour_strip();
    draw_menu_status_line();
    draw_tab_bar(page);
    int screen_number = page < 0 ? BUTTON_SCREENS - 1 : page;
    register_page_buttons(screen_number);
    draw_page_buttons(screen_number, -1, 0);
    reset_clock(); // the clear wiped the clock box: the next poll draws it again
}

void draw_top_level()
{
    menu_page = -1;
    draw_frame_of(-1);
    show_buffer();
}

void draw_menu_page(int page)
{
    draw_frame_of(page);
    draw_rows(page);
    draw_pane(page, 0);
    show_buffer();
}

// ---------------------------------------------------------------------------
// Commands that draw over the menu screen.

// Puts the menu screen back after a preview or a frame: the interface
// palette first (the writers and the previews may have changed it), then
// the saved screen.
static void back_to_menu_screen()
{
    restore_ui_palette();
    restore_screen();
    show_buffer();
}

static void doframe()
{
    apply_parameters();
    if (ask_yes_no("Create frame image %03d?", int_param[I_THIS_FRAME]) != 'Y')
        return;
    save_screen();
    apply_parameters();
    preview_target = screen_buffer;
    generate_frame(RENDER_FRAME | RENDER_PREVIEW);
    show_buffer();
    read_key();
    back_to_menu_screen();
}

static void doall()
{
    apply_parameters();
    if (int_param[I_START_FRAME] > int_param[I_END_FRAME]) {
        tell_user("Frame Number Error!");
        return;
    }
    if (ask_yes_no("Create frames %03d to %03d?", int_param[I_START_FRAME], int_param[I_END_FRAME]) != 'Y')
        return;
    save_screen();
    preview_target = screen_buffer;
    generate_all(RENDER_FRAME | RENDER_PREVIEW);
    show_buffer();
    back_to_menu_screen();
}

static void preview_command()
{
    save_screen();
    apply_parameters();
    preview_target = screen_buffer;
    preview_all(RENDER_FRAME | RENDER_PREVIEW);
    show_buffer();
    read_key();
    back_to_menu_screen();
}

static void f2_view(int page)
{
    save_screen();
    preview_target = screen_buffer;
    page_preview(page);
    show_buffer();
    read_key();
    back_to_menu_screen();
}

// The editor of an ITEM_VALUE row on a copy of the value; stores it when accepted.
static void edit_row(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int line = 4 + r, column = VALUE_COLUMN;
    switch (item.editor) {
    case EDIT_DECIMAL: {
        double v = dbl_param[item.param];
        if (edit_decimal(line, column, &v, dbl_min[item.param], dbl_max[item.param]) == 0)
            dbl_param[item.param] = v;
        break;
    }
    case EDIT_COORD: {
        double v = dbl_param[item.param];
        if (edit_coordinate(line, column, &v, dbl_min[item.param], dbl_max[item.param]) == 0)
            dbl_param[item.param] = v;
        break;
    }
    case EDIT_WHOLE: {
        int32_t v = int_param[item.param];
        if (edit_whole(line, column, &v, int_min[item.param], int_max[item.param]) == 0)
            int_param[item.param] = v;
        break;
    }
    case EDIT_STRING: {
        char copy[STR_LEN] = {0};
        memcpy(copy, str_param[item.param], STR_LEN - 1);
        int len = str_max_len[item.param];
        if (len > STR_LEN - 1)
            len = STR_LEN - 1;
        if (edit_string(line, column, copy, "", len) == 0)
            memcpy(str_param[item.param], copy, STR_LEN);
        break;
    }
    case EDIT_PAGE_FRAME: {
        // The page's own START or END FRAME; integer 21 or 22 keeps the last
        // value edited besides giving the limits.
        int32_t* field = item.param == I_PAGE_START ? &page_frames[page].start : &page_frames[page].end;
        int32_t v = *field;
        if (edit_whole(line, column, &v, int_min[item.param], int_max[item.param]) == 0) {
            *field = v;
            int_param[item.param] = v;
        }
        break;
    }
    default:
        break;
    }
}

// What the loop does after a row: redraw the rows with the status line and
// the pane, redraw the whole page keeping the row, or go on with a page hot
// key (another page, or this one with its remembered row, as after DELETE
// and CLEAR OBJECTS).
constexpr int AFTER_ROWS = 0;
constexpr int AFTER_PAGE = -1;

// Enter on row r; returns AFTER_ROWS, AFTER_PAGE or a page hot key.
static int perform_row(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int next = AFTER_ROWS;
    switch (item.kind) {
    case ITEM_CHOICE:
        if (item.param >= 0 && item.param < CHOICE_LISTS)
            advance_choice(item.param);
        break;
    case ITEM_VALUE:
        edit_row(page, r);
        break;
    case ITEM_FLAG:
        if (item.param >= 0 && item.param < FLAG_PARAMS)
            flag_param[item.param] = flag_param[item.param] ? 0 : 1;
        break;
    case ITEM_HELP:
        help_for_item();
        break;
    // A frame or a preview leaves the store holding the last object drawn:
    // the whole page shows its values afterwards.
    case ITEM_DOFRAME:
        doframe();
        next = AFTER_PAGE;
        break;
    case ITEM_DOALL:
        doall();
        next = AFTER_PAGE;
        break;
    case ITEM_PREVIEW:
        preview_command();
        next = AFTER_PAGE;
        break;
    case ITEM_LOAD_PROJECT:
        load_project();
        next = AFTER_PAGE;
        break;
    case ITEM_SAVE_PROJECT:
        save_project();
        next = AFTER_PAGE;
        break;
    case ITEM_NEXT_OBJECT:
        next_object();
        break;
    case ITEM_PREV_OBJECT:
        previous_object();
        break;
    case ITEM_DELETE_OBJECT:
        delete_object();
        next = page_hot_key[page];
        break;
    case ITEM_CLEAR_OBJECTS:
        clear_objects_command();
        next = page_hot_key[page];
        break;
    case ITEM_EDIT_OBJECT: {
        int to = edit_object();
        if (to >= 0 && to < MENU_PAGES)
            next = page_hot_key[to];
        break;
    }
    default:
        break;
    }
    if (item.extra == REFRESH_PROJECT_LIST)
        scan_projects();
    else if (item.extra == REFRESH_IMAGE_LIST)
        scan_images();
    return next;
}

static int page_of_hot_key(int key)
{
    for (int p = 0; p < MENU_PAGES; p++)
        if (page_hot_key[p] == key)
            return p;
    return -1;
}

// Keys the side pane acts on besides the entry letters.
static bool is_pane_key(int key)
{
    return key == KC_PGDN || key == KC_PGUP || key == KC_F9 || key == KC_F10 || key == KC_HOME ||
           key == KC_END || (key > 0 && key <= 'z' && key != KC_ESC);
}

int page_loop(int page)
{
    menu_page = page;
    menu_row = page_item[page];
    draw_menu_page(page);
    int drawn_row = menu_row;
    int key = 0;
    while (key != KC_ESC) {
        int to = page_of_hot_key(key);
        if (to >= 0) {
            if (to != menu_page)
                page_item[menu_page] = menu_row;
            apply_parameters();
            menu_page = to;
            menu_row = page_item[to];
            draw_menu_page(to);
            drawn_row = menu_row;
        }
        if (menu_row != drawn_row) {
            draw_rows(menu_page);
            drawn_row = menu_row;
            show_buffer();
        }
        key = read_key();
        if (key == KC_UP)
            menu_row--;
        else if (key == KC_DOWN)
            menu_row++;
        else if (key == KC_F1)
            help_for_item();
        if (key == KC_F4 && page_has_button(menu_page, 2)) {
            replace_object(menu_page);
            draw_menu_status_line();
        } else if (key == KC_INSERT && page_has_button(menu_page, 3)) {
            insert_object(menu_page);
            draw_menu_status_line();
        } else if (key == KC_DELETE && page_has_button(menu_page, 4)) {
            delete_object();
            key = page_hot_key[menu_page];
            continue;
        } else if (key == KC_F2 && page_buttons[menu_page][0] == 1) {
            f2_view(menu_page);
        }
        int count = page_item_count(menu_page);
        if (menu_row < 0)
            menu_row = count - 1;
        else if (menu_row >= count)
            menu_row = 0;
        // Also a click on a row moves the row before its Enter is performed.
        if (menu_row != drawn_row) {
            draw_rows(menu_page);
            drawn_row = menu_row;
        }
        if (key == KC_F10)
            tell_user("Save View returned %d", save_view());
        if (key != KC_ENTER) {
            if (is_pane_key(key) && pane_kind(menu_page) >= 0 && draw_pane(menu_page, key)) {
                draw_rows(menu_page);
                draw_menu_status_line();
            }
            show_buffer();
            continue;
        }
        int after = menu_row >= 0 && menu_row < count ? perform_row(menu_page, menu_row) : AFTER_ROWS;
        key = after > 0 ? after : 0;
        if (after == AFTER_PAGE) {
            draw_menu_page(menu_page);
            drawn_row = menu_row;
        } else if (after == AFTER_ROWS) {
            draw_menu_status_line();
            draw_rows(menu_page);
            draw_pane(menu_page, 0);
            drawn_row = menu_row;
            show_buffer();
        }
    }
    page_item[menu_page] = menu_row;
    menu_page = -1;
    draw_top_level();
    return KC_ESC;
}
