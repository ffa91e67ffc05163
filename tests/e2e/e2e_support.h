// Running the interactive program from the tests: scripted runs without a
// display, the pieces of script every run shares, screen dumps as pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The built programs.
std::string program_path(const char* name);
// True when the program and the data files it starts from are there.
bool novamir_runnable(std::string* why);

// One finished run of a program.
struct ProgramRun {
    int status = -1;              // exit status, -1 when it did not exit by itself
    std::vector<std::string> log; // novamir --log: every question and message
    std::string output;           // what it printed
};

// Runs novamir in the current directory without a display, reading the
// script text (written to a file first), with extra arguments before it.
// A run that hangs is killed after a generous time and reported.
ProgramRun run_novamir(const std::string& script, const std::vector<std::string>& args = {});
// Runs a program with arguments in a directory; extra environment settings
// NAME=VALUE are added, and names given as NAME= are removed.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                const std::string& dir, const std::vector<std::string>& env = {},
                int seconds_allowed = 300);

// Script pieces. The start-up shows the title, four notices (frame size,
// image size, topology file, help file) and asks "Load project NOVAMIR.CFG?".
std::string script_start(bool load_default = true);
// From the top level: ESC, no to saving, yes to "REALLY EXIT ??????".
std::string script_exit();
// Clears a field of the value editor and types the text (Delete at the
// cursor, which the editor leaves at the start of the field).
std::string script_type_over(const std::string& text, int old_length = 14);
// A click on menu row r of a 640 x 480 screen (the row is then performed).
std::string script_click_row(int row);

// A screen dump read back: 8-bit palette indices as written by the program.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> index;
    int at(int x, int y) const { return index[(size_t)y * w + x]; }
};
bool read_picture(const std::string& path, Picture* out);
// Pixels that differ inside the rectangle x0..x1, y0..y1 (inclusive).
int differing_pixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1);

// Keeps a copy of a picture as build/screenshots/NAME.png (through
// ImageMagick's convert when it is there, else as NAME.bmp) for the README.
void keep_screenshot(const std::string& picture, const std::string& name);

// True when every line of want appears in log in this order (others may
// come between). On failure, what was missing.
bool log_has_in_order(const std::vector<std::string>& log, const std::vector<std::string>& want,
                      std::string* missing);
