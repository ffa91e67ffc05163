// Application shell: the project file commands, the object list commands,
// the menu loop and start-up.
#pragma once
#include <cstddef> // Required for: size_t

#include "store/store.h" // Required for: MENU_PAGES

// ---------------------------------------------------------------------------
// Project file: PROJECT NAME cut at its first "." or "/", plus ".CFG".

constexpr int PROJECT_HEADER_SIZE = 928;

// Builds the file name from name (not changed).
void project_file_name(const char* name, char* out, size_t out_size);
// SAVE PROJECT: asks "Overwrite project %s?", writes through a temporary file.
int save_project();
// LOAD PROJECT: cuts string 0 in place, asks "Load project %s?", reads the
// file of the current directory into scratch and commits only a sound file,
// then the frame size check.
int load_project();
// The same at start-up, where a current directory without the file gets the
// project of that name from the data directory (the demo) offered instead.
int load_startup_project();
// The file layer under both, without questions: 0 on success, -1 on failure
// (with nothing changed on a failed read, the old file kept on a failed write).
int write_project_file(const char* path);
// read_project_file tells why a file is refused (naming it) and cuts values
// no frame could be rendered with (negative sizes, frame numbers beyond
// 0..999), each with a message.
int read_project_file(const char* path);
// Frame buffer size used by the size check of load_project (set by start-up);
// 0 skips the check.
extern int project_frame_width;
extern int project_frame_height;

// ---------------------------------------------------------------------------
// Object list commands of the object pages and the LIST page (objects.cpp).

// Snapshot page (1..5) into slot by the store map; another page clears the slot.
void store_object(int slot, int page);
// INSERT: returns the new slot, or -1 when the list is full.
int insert_object(int page);
// F4 SAVE: returns the slot written, or -1 when there is no current object.
int replace_object(int page);
// DELETE: asks "Delete %s?"; reports "Nothing to delete!".
void delete_object();
void next_object();
void previous_object();
// EDIT OBJECT: restores the current object and returns its page (type), or
// -1 after "Can't edit empty object!".
int edit_object();
// CLEAR OBJECTS: asks "Erase ALL objects?".
void clear_objects_command();

// ---------------------------------------------------------------------------
// Menu loop (menu.cpp) and start-up (startup.cpp).

// Row remembered per page; SKY starts at -1 (no highlighted row until a key).
extern int32_t page_item[MENU_PAGES];
// First entry shown of each side pane list (projects, planets, rings, images, objects).
extern int32_t pane_first[5];
// Runs a page until ESC (page switches happen inside); returns 27.
int page_loop(int page);
// Draws a page whole: title bar, tabs, status line, buttons, rows, help line, pane.
void draw_menu_page(int page);
// The top-level screen (no page current, its only button QUIT).
void draw_top_level();
// The status line as the menu screens show it (in the system font).
void draw_menu_status_line();
// The side panes' page builders and counts (hooks.cpp).
void install_list_pages();
// The interactive program: command line, start-up, top level, exit questions.
int novamir_main(int argc, char** argv);
