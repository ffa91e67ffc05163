// Screen and widgets, dialogs, value editors and help: everything the user
// sees is drawn through this layer into the screen buffer.
#pragma once
#include <cstddef> // Required for: offsetof
#include <cstdint> // Required for: int32_t, uint8_t
#include <type_traits> // Required for: std::is_trivially_copyable_v
#include <allegro.h> // Required for: BITMAP, FONT, DATAFILE, PALETTE

// ---------------------------------------------------------------------------
// Screen layer (screen.cpp).

extern BITMAP* screen_buffer;  // 8-bit off-screen bitmap of screen size
extern BITMAP* draw_target;    // receives all drawing of this layer
extern int32_t char_width, line_height;
extern uint8_t ui_palette[256][3];     // 0..63 per channel
extern int32_t screen_colours[257];    // entry 256 is the mask colour
extern DATAFILE* ui_datafile;
extern FONT* system_font;
extern FONT* list_font;
extern int32_t list_font_number;

void set_text_metrics(int screen_width);
int use_buffer_target(int screen_width);
inline int col_to_x(int column) { return column * char_width; }
inline int row_to_y(int line) { return line * line_height; }
void build_ui_palette();
void build_screen_colours();
int restore_ui_palette();
void use_font(int which);
int select_list_font(int n);
int draw_text(int x, int y, int colour, const char* text);
int fill_box(int x1, int y1, int x2, int y2, int colour);
int put_pixel(int x, int y, int colour);

// ---------------------------------------------------------------------------
// Help file (help_file.cpp): the topics of novamir.hlp, read once at start-up
// by load_help and kept for the whole run.
//
// File layout (little-endian): int32 N, int32 headlen, int32 textlen; N int16
// map entries; N topic records; the title block (headlen bytes of
// zero-terminated titles); the text block (textlen bytes of zero-terminated
// lines, every non-zero byte stored 30 lower, modulo 256).

constexpr int HELP_MAX_TOPICS = 220;  // topic records that exist; a larger N is refused
constexpr int HELP_MAP_STRIDE = 20;   // map entry of a menu row = 20 * page + row
constexpr int HELP_LINKS = 3;         // link buttons of a topic
constexpr int HELP_TEXT_SHIFT = 30;   // the text block is stored this much lower
constexpr int HELP_BLOCK_PAD = 16;    // zero bytes kept after each block
constexpr int HELP_HEADER_SIZE = 12;  // N, headlen, textlen
constexpr int HELP_TOPIC_SIZE = 16;   // bytes of one topic record on file

// One topic record, exactly as stored in the file.
struct HelpTopic {
    int16_t title;            // offset of the title in help_titles
    int16_t lines;            // text lines; 0 = topic 0's count, from text offset 0
    int32_t text;             // offset of the first line in help_text
    int16_t link[HELP_LINKS]; // linked topics, 0 = none
    int16_t back;             // topic this one was last reached from (show_topic)
};
static_assert(sizeof(HelpTopic) == HELP_TOPIC_SIZE, "help topic record is 16 bytes");
static_assert(offsetof(HelpTopic, title) == 0 && offsetof(HelpTopic, lines) == 2 &&
                  offsetof(HelpTopic, text) == 4 && offsetof(HelpTopic, link) == 8 &&
                  offsetof(HelpTopic, back) == 14,
              "help topic record layout");
static_assert(std::is_trivially_copyable_v<HelpTopic>, "help topics are read as bytes");

extern HelpTopic help_topics[HELP_MAX_TOPICS]; // records 0 .. help_count-1 are loaded
extern int16_t help_map[HELP_MAX_TOPICS];      // topic of menu row 20*page+row, 0 = none
extern uint8_t help_usable[HELP_MAX_TOPICS];   // 1 when the record's title and lines lie
                                               // inside their blocks; 0 = refused
extern int32_t help_count;     // N of the loaded file (0 when nothing is loaded)
extern char* help_titles;      // title block, headlen + 16 bytes, zero padded
extern char* help_text;        // text block, already decoded, textlen + 16 bytes
extern int32_t help_title_len; // headlen
extern int32_t help_text_len;  // textlen
extern bool help_loaded;       // false: the help key shows the font sheet instead

// Reads novamir.hlp (found with open_data_file). Returns 0 when loaded, 27
// when not; every failure is told to the user ("Help File Error", "Help Memory
// Error") with the file name and the problem, and leaves the help unloaded.
// Topics pointing outside their blocks are refused one by one (help_usable 0)
// while the rest of the file still serves. On success it shows the notice
// "textlen %d headlen %d". Safe to call again: the old help is dropped first.
int load_help();
// The same from a named file (tests, tools); load_help is load_help_file("novamir.hlp").
int load_help_file(const char* name);
// Drops the loaded help (blocks freed, help_loaded false).
void unload_help();

// Lookups for the viewer. Each answers 0 / nullptr for anything not usable,
// so the viewer never needs to check offsets itself.
// True when t is a loaded, usable topic (1 <= t < help_count for a real
// topic; topic 0 is "no help" and never shown).
bool help_topic_ok(int t);
// Topic of a menu row: topic 1 for a page below 0 (the top level), else map
// entry 20*page+row; 0 = no help (row outside 0..19, entry beyond N, or the
// entry names a topic that is missing or refused).
int help_topic_for(int page, int row);
// Link slot 0..2 of topic t, or 0 when empty, beyond the loaded topics or refused.
int help_link(int t, int slot);
// Title of topic t, or nullptr.
const char* help_title(int t);
// Number of text lines topic t shows (topic 0's count when its record says 0).
int help_line_count(int t);
// Line i (0-based) of topic t, or nullptr when i is outside 0..help_line_count(t)-1.
const char* help_line(int t, int i);
