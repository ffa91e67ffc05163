// Help viewer: the topic of the current menu row in dialog box 2, with link
// buttons, Esc retracing the path taken and F1 leaving; a sheet of the
// interface fonts when no help file could be read.
#include "ui/ui.h"

#include <cstdio> // Required for: snprintf

static const int HELP_BOX = 2;
static const int TITLE_FONT = 7;          // font number of the titles
static const int TITLE_COLOUR = UC_DARK_RED;
static const int TEXT_COLOUR = UC_BLACK;

// Captions of the three link buttons (slots 52..54) while a topic is shown.
static char link_captions[HELP_LINKS][80];

int help_for_item()
{
    open_dialog(HELP_BOX);
    help_viewer(menu_page, menu_row);
    use_font(2);
    close_dialog(HELP_BOX);
    return 0;
}

void show_topic(int t, int from)
{
    if (t >= 0 && t < HELP_MAX_TOPICS)
        help_topics[t].back = (int16_t)from;
    clear_dialog(HELP_BOX);
    int left = window_left, top = window_top;
    if (const char* title = help_title(t)) {
        font = numbered_font(TITLE_FONT);
        draw_text(left + 4, top + 4, screen_colours[TITLE_COLOUR], title);
    }
    top += 16;
    use_font(2);
    // Lines below the screen's bottom edge cannot be seen: a topic that claims
    // thousands of lines costs no more than a screenful.
    int lines = help_line_count(t);
    for (int i = 0; i < lines && top + 4 + 12 * i < SCREEN_H; i++)
        if (const char* text = help_line(t, i))
            draw_text(left + 4, top + 4 + 12 * i, screen_colours[TEXT_COLOUR], text);
    int empty = 0;
    for (int i = 0; i < HELP_LINKS; i++) {
        ButtonSlot& s = button_slots[SLOT_LINK + i];
        s.key = '1' + i;
        int link = help_link(t, i);
        if (link) {
            const char* title = help_title(link);
            snprintf(link_captions[i], sizeof link_captions[i], "%d %s", i + 1, title ? title : "");
            draw_button(SLOT_LINK + i, 1, link_captions[i]);
            continue;
        }
        empty++;
        if (empty == 1) {
            s.key = KC_ESC;
            snprintf(link_captions[i], sizeof link_captions[i], "ESC  Back");
            draw_button(SLOT_LINK + i, 0, link_captions[i]);
        } else if (empty == 2) {
            s.key = KC_F1;
            snprintf(link_captions[i], sizeof link_captions[i], "F1   Exit");
            draw_button(SLOT_LINK + i, 0, link_captions[i]);
        } else {
            s.key = KC_SPACE;
            link_captions[i][0] = 0;
        }
    }
}

// The fonts of the datafile, one line each, when there is no help to show.
static void font_sheet()
{
    int y = window_top + 8;
    FONT* saved = font;
    for (int f = 0; f < UI_FONTS; f++) {
        font = numbered_font(f);
        char text[64];
        snprintf(text, sizeof text, "%2d: %2d Text Planet 1234", f, text_height(font));
        draw_text(window_left + 9, y, screen_colours[TEXT_COLOUR], text);
        y += text_height(font);
    }
    font = saved;
    use_font(2);
}

int help_viewer(int page, int row)
{
    int topic = page < 0 ? 1 : help_topic_for(page, row);
    int previous = 0;
    if (!help_loaded) {
        font_sheet();
        while (read_key() == 0) {
        }
        return 0;
    }
    if (page < 0 && !help_topic_ok(topic))
        topic = 0;
    while (topic != 0) {
        show_topic(topic, previous);
        use_font(2);
        int key = read_key();
        if (key == 0 || key == KC_F1)
            break;
        if (key == KC_ENTER)
            key = '1';
        if (key == KC_ESC) {
            topic = previous;
            previous = topic > 0 && topic < HELP_MAX_TOPICS ? help_topics[topic].back : 0;
        } else if (key >= '1' && key <= '3') {
            previous = topic;
            topic = help_link(topic, key - '1');
        }
    }
    return 0;
}
