// Running the programs from the tests: scripted runs without a display, the
// script pieces every run shares, screen dumps read back as pictures.
#pragma once
#include <sys/types.h>
#include <cstdint>
#include <string>
#include <vector>

std::string program_path(const char* name);
// True when novamir and the data files it starts from are built.
bool novamir_runnable(std::string* why);

struct ProgramRun {
    int status = -1;              // exit status, -1 when it had to be killed
    std::vector<std::string> log; // novamir --log: every question and message
    std::string output;           // what it printed
};

// Starts argv in dir with stdout and stderr in the file out; env entries
// NAME=VALUE are set, NAME= removed.
pid_t spawn(const std::vector<std::string>& argv, const std::string& dir, const std::vector<std::string>& env,
            const std::string& out);
// Waits for a child; its exit status, or -1 when it had to be killed.
int finish(pid_t pid, int seconds);
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& dir, const std::vector<std::string>& env = {});
// novamir in the current directory, headless, reading the script.
ProgramRun run_novamir(const std::string& script, const std::vector<std::string>& args = {});

// Through the title, the four start-up notices and "Load project NOVAMIR.CFG?".
std::string script_start(bool load_default = true);
// From the top level: ESC, no to saving, yes to "REALLY EXIT ??????".
std::string script_exit();
// A screen dump read back: 8-bit palette indices.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> index;
    int at(int x, int y) const { return index[(size_t)y * w + x]; }
};
bool read_picture(const std::string& path, Picture* out);
// Pixels that differ inside x0..x1, y0..y1 (inclusive); -1 for other sizes.
int differing_pixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1);
// True when the lines of want appear in log in this order; else the first missing.
bool log_has_in_order(const std::vector<std::string>& log, const std::vector<std::string>& want,
                      std::string* missing);
