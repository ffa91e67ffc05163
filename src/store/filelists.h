// File lists of the current directory (FILE and BITMAP side panes).
#pragma once
#include <cstdint> // Required for: int32_t

constexpr int FILE_LINE_LEN = 64;
constexpr int MAX_PROJECT_FILES = 48;
constexpr int MAX_IMAGE_FILES = 50;
extern char project_files[MAX_PROJECT_FILES][FILE_LINE_LEN];
extern int32_t project_file_count, project_file_selected;
extern char image_files[MAX_IMAGE_FILES][FILE_LINE_LEN];
extern int32_t image_file_count, image_file_selected;
int scan_projects();
int scan_images();
// Side pane lines (80 bytes each): line 0 the header with the count and the
// page, line 1 the column title, then the entries of pane page `page` (from 0)
// from lines[first_line] on; byte 78 of the selected entry's line is 'A'.
// Returns the number of entry lines written.
int project_pane_lines(char lines[][80], int first_line, int page, int per_page);
int image_pane_lines(char lines[][80], int first_line, int page, int per_page);
// A chosen line becomes the selected one and sets PROJECT NAME (string 0) or
// BITMAP FILE (string 2) to its file name.
void choose_project_file(int index);
void choose_image_file(int index);
