// Message boxes: the three OK boxes, the YES/NO box and the information
// panel, through which every message and question reaches the user.
#include "ui/ui.h"

#include "store/prompt.h" // Required for: prompt_hooks

#include <cctype> // Required for: toupper

static const char* const press_any_key = "Press any key to continue.";
static const int BOX = 3;       // dialog box of the modal boxes
static const int INFO_BOX = 4;  // dialog box of the information panel
static const int BOX_FONT = 5;  // font number while a box is open
static const int TEXT_COLOUR = UC_BLACK;

// Font and state kept while a modal box is open.
static FONT* box_saved_font = nullptr;

static void open_box(int panel_base)
{
    open_dialog(BOX);
    panel_background(panel_base);
    box_saved_font = font;
    font = numbered_font(BOX_FONT);
}

static int close_box(int key)
{
    font = box_saved_font ? box_saved_font : font;
    close_dialog(BOX);
    return key;
}

static void box_text(int x, int y, const char* text)
{
    draw_text(x, y, screen_colours[TEXT_COLOUR], text);
}

// The "OKay" button, centred across the window for the drawing only.
static void draw_ok_button()
{
    ButtonSlot& s = button_slots[SLOT_DIALOG_OK];
    const DialogBox& d = dialog_boxes[BOX];
    int saved = s.column;
    s.column = d.column + d.width / 2 - s.width / 2;
    draw_button(SLOT_DIALOG_OK, 1, "OKay");
    s.column = saved;
}

static int upper(int key) { return key >= 'a' && key <= 'z' ? toupper(key) : key; }

static int first_nonzero_key()
{
    int key;
    do
        key = read_key();
    while (key == 0);
    return key;
}

int ok_box_lines(int count, const char* const* lines)
{
    open_box(190);
    for (int i = 0; i < count; i++)
        box_text(window_left + 3, window_top + 3 + i * line_height, lines[i]);
    if (count < 4)
        box_text(window_left + 3, window_top + 3 + 3 * line_height, press_any_key);
    draw_ok_button();
    return close_box(upper(first_nonzero_key()));
}

int ok_box_text(const char* text)
{
    open_box(190);
    box_text(window_left + 13, window_top + 13, text);
    box_text(window_left + 13, window_top + 13 + 3 * line_height, press_any_key);
    draw_ok_button();
    int key = first_nonzero_key();
    if (key == KC_ENTER)
        key = 'y';
    return close_box(upper(key));
}

int ok_box(const char* text)
{
    open_box(190);
    box_text(window_left + 13, window_top + 13, text);
    box_text(window_left + 13, window_top + 49, press_any_key);
    draw_ok_button();
    return close_box(upper(read_key()));
}

int yes_no_box(const char* question)
{
    open_box(220);
    draw_button(SLOT_DIALOG_OK, 1, "YES");
    draw_button(SLOT_DIALOG_CANCEL, 0, "NO");
    box_text(window_left + 13, window_top + 13, question);
    box_text(window_left + 13, window_top + 49, " YES! or NO?");
    int key = read_key();
    if (key == KC_ENTER)
        key = 'y';
    else if (key == KC_ESC)
        key = 'n';
    return close_box(upper(key));
}

int info_open(int count, const char* const* lines)
{
    open_dialog(INFO_BOX);
    panel_background(190);
    FONT* saved = font;
    font = numbered_font(BOX_FONT);
    for (int i = 0; i < count; i++)
        box_text(window_left + 12, window_top + 12 + i * line_height, lines[i]);
    font = saved;
    return 0;
}

int info_close()
{
    close_dialog(INFO_BOX);
    return 0;
}

void install_message_boxes()
{
    prompt_hooks.yes_no = yes_no_box;
    prompt_hooks.ok = ok_box;
    prompt_hooks.ok_lines = ok_box_lines;
    prompt_hooks.ok_text = ok_box_text;
}
