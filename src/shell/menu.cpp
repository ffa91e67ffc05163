// The page loop: draws a menu page from its table, moves the current row,
// switches pages on hot keys and performs a row on Enter.
#include "shell/shell.h"

#include <allegro.h> // Required for: rect, clear_to_color

#include <cstdio>
#include <cstring>

#include "images/images.h"
#include "render/render.h"
#include "scene/scene.h"
#include "ui/ui.h"

int32_t page_item[MENU_PAGES] = {0, -1, 0, 0, 0, 0, 0, 0};
int32_t pane_first[5] = {0, 0, 0, 0, 0};

static inline int sc(int index) { return screen_colours[index & 255]; }

// Side pane list of a page, or -1 (SKY and COMET show the colour picker).
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

// The value of row r from column 13: a choice label in a box, a flag box,
// or a number or text through the editors' display routines.
static void draw_value(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int line = 4 + r, x = col_to_x(13), y = row_to_y(line);
    switch (item.kind) {
    case ITEM_CHOICE: {
        const ChoiceList& list = choice_list[item.param];
        fill_box(x, y + 2, x + 63, y + 13, sc(UC_LIGHT_GREY));
        if (draw_target)
            rect(draw_target, x, y + 2, x + 63, y + 13, sc(UC_GREY));
        int cur = list.current >= 0 && list.current < CHOICE_LABELS ? list.current : 0;
        char label[LABEL_LEN + 1];
        snprintf(label, sizeof label, "%.*s", LABEL_LEN, list.labels[cur]);
        draw_text(x + 3, y + 3, sc(UC_DARK_BLUE), label);
        break;
    }
    case ITEM_FLAG:
        fill_box(x, y + 3, x + 11, y + 12, sc(UC_LIGHT_GREY));
        if (draw_target)
            rect(draw_target, x, y + 3, x + 11, y + 12, sc(UC_GREY));
        if (flag_param[item.param])
            fill_box(x + 3, y + 6, x + 8, y + 9, sc(UC_RED));
        break;
    case ITEM_VALUE:
        switch (item.editor) {
        case EDIT_DECIMAL:
        case EDIT_COORD:
            show_decimal(line, 13, dbl_param[item.param]);
            break;
        case EDIT_WHOLE:
            show_whole(line, 13, int_param[item.param]);
            break;
        case EDIT_STRING:
            show_field(line, 13, str_param[item.param], str_max_len[item.param]);
            break;
        case EDIT_PAGE_FRAME:
            show_whole(line, 13, item.param == I_PAGE_START ? page_frames[page].start : page_frames[page].end);
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
    fill_box(0, y, SCREEN_W - 1, y + line_height - 1, sc(UC_BLACK));
    if (menu_row >= 0 && menu_row < page_item_count(page))
        draw_text(col_to_x(1), y + 2, sc(UC_YELLOW), menu_pages[page][menu_row].help);
}

static void draw_rows(int page)
{
    int count = page_item_count(page);
    for (int r = 0; r < count; r++) {
        draw_item_button(page, r, r == menu_row ? 1 : 0);
        draw_value(page, r);
    }
    draw_help_line(page);
}

// The page's side pane; returns 1 when a key chose an entry.
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

static void draw_frame_of(int page)
{
    clear_to_color(screen_buffer, sc(UC_BLACK));
    clear_hit_map();
    clear_pane_codes();
    draw_title_bar();
    draw_colour_strip();
    draw_status_line();
    draw_tab_bar(page);
    int screen_number = page < 0 ? BUTTON_SCREENS - 1 : page;
    register_page_buttons(screen_number);
    draw_page_buttons(screen_number, -1, 0);
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

// Runs a frame command with the preview on screen, then brings the menu back.
static void with_preview(int (*run)(int), int flags, bool wait)
{
    save_screen();
    apply_parameters();
    preview_target = screen_buffer;
    run(flags);
    show_buffer();
    if (wait)
        read_key();
    restore_ui_palette();
    restore_screen();
    show_buffer();
}

static int run_preview(int flags) { return preview_all(flags); }

static void doframe()
{
    apply_parameters();
    if (ask_yes_no("Create frame image %03d?", int_param[I_THIS_FRAME]) != 'Y')
        return;
    with_preview(generate_frame, 3, true);
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
    with_preview(generate_all, 3, false);
}

static void f2_view(int page)
{
    save_screen();
    preview_target = screen_buffer;
    page_preview(page);
    show_buffer();
    read_key();
    restore_ui_palette();
    restore_screen();
    show_buffer();
}

// The editor of an ITEM_VALUE row on a copy of the value; stores it when accepted.
static void edit_row(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int line = 4 + r, column = 13;
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

// What the loop does after a row: redraw the rows, redraw the whole page
// keeping the row, or go on with a page hot key (another page, or this one
// with its remembered row, as after DELETE and CLEAR OBJECTS).
constexpr int AFTER_ROWS = 0;
constexpr int AFTER_PAGE = -1;

// Enter on row r; returns AFTER_ROWS, AFTER_PAGE or a page hot key.
static int perform_row(int page, int r)
{
    const MenuItem& item = menu_pages[page][r];
    int next = 0;
    switch (item.kind) {
    case ITEM_CHOICE:
        advance_choice(item.param);
        next = AFTER_PAGE;
        break;
    case ITEM_VALUE:
        edit_row(page, r);
        break;
    case ITEM_FLAG:
        flag_param[item.param] = flag_param[item.param] ? 0 : 1;
        break;
    case ITEM_HELP:
        help_for_item();
        break;
    case ITEM_DOFRAME:
        doframe();
        break;
    case ITEM_DOALL:
        doall();
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
        next = AFTER_PAGE;
        break;
    case ITEM_PREV_OBJECT:
        previous_object();
        next = AFTER_PAGE;
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
        if (to >= 0)
            next = page_hot_key[to];
        break;
    }
    case ITEM_PREVIEW:
        with_preview(run_preview, 3, true);
        next = AFTER_PAGE;
        break;
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
        int count = page_item_count(menu_page);
        if (menu_row != drawn_row) {
            draw_rows(menu_page);
            drawn_row = menu_row;
            show_buffer();
        }
        key = read_key();
        int row_before = menu_row;
        if (key == KC_UP)
            menu_row--;
        else if (key == KC_DOWN)
            menu_row++;
        else if (key == KC_F1)
            help_for_item();
        if (key == KC_F4 && page_has_button(menu_page, 2)) {
            replace_object(menu_page);
            draw_status_line();
        } else if (key == KC_INSERT && page_has_button(menu_page, 3)) {
            insert_object(menu_page);
            draw_status_line();
        } else if (key == KC_DELETE && page_has_button(menu_page, 4)) {
            delete_object();
            key = page_hot_key[menu_page];
            continue;
        } else if (key == KC_F2 && page_buttons[menu_page][0] == 1) {
            f2_view(menu_page);
        }
        if (menu_row < 0)
            menu_row = count - 1;
        else if (menu_row >= count)
            menu_row = 0;
        if (menu_row != row_before) {
            draw_rows(menu_page);
            drawn_row = menu_row;
        }
        if (key == KC_F10)
            tell_user("Save View returned %d", save_view());
        if (key != KC_ENTER) {
            bool pane_key = key == KC_PGDN || key == KC_PGUP || key == KC_F9 || key == KC_F10 ||
                            key == KC_HOME || key == KC_END || (key > 0 && key <= 122);
            if (pane_key && key != KC_ESC && pane_kind(menu_page) >= 0 && draw_pane(menu_page, key)) {
                draw_rows(menu_page);
                draw_status_line();
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
            draw_status_line();
            draw_rows(menu_page);
            show_buffer();
        }
    }
    page_item[menu_page] = menu_row;
    menu_page = -1;
    draw_top_level();
    return KC_ESC;
}
