// Flipbook: plays rendered frame files in a window (or a memory screen under
// a script) in a loop, a few frames read ahead, never the whole run at once.
#pragma once
#include <cstddef> // Required for: size_t
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Frame files (frames.cpp).

// Most frames one sequence may hold: a 5-digit number field and then some.
constexpr int PLAY_MAX_FRAMES = 100000;

// The files to play, in order, and the number of the first.
struct PlayFrames {
    std::vector<std::string> names;
    int first_number;
};

// Checks a printf-style pattern: exactly one %d with an optional zero flag
// and width (up to 9), any number of "%%". 0, or 1 with the reason in why.
int check_frame_pattern(const char* pattern, char* why, size_t why_size);
// The name of frame n under a checked pattern.
std::string frame_file_name(const char* pattern, int n);
// Frames of a pattern: from the lowest number whose file exists up to the
// first missing one. A name without "%" is one frame when the file exists.
// 0, or 1 with the reason (naming the pattern) in why.
int frames_of_pattern(const char* pattern, PlayFrames* out, char* why, size_t why_size);
// Frames of a project file: its own frame names (NAME###.tga, or .bmp when
// SAVE AS TGA is off; OUTPUT PATH in front with PATH ENABLE), START FRAME to
// END FRAME, from the first that exists up to the first missing one. The
// project reader belongs to a layer above and is handed in (0 on success).
int frames_of_project(const char* path, int (*read_project)(const char* path), PlayFrames* out, char* why,
                      size_t why_size);

// ---------------------------------------------------------------------------
// Playing (player.cpp).

// Frame rates + and - step through (frames per second).
constexpr int PLAY_RATES[] = {1, 2, 5, 10, 12, 15, 20, 24, 25, 30, 50, 60};
constexpr int PLAY_RATE_COUNT = (int)(sizeof PLAY_RATES / sizeof PLAY_RATES[0]);
constexpr int PLAY_MAX_FPS = 120;

// Where the playback stands: the keys change only this.
struct PlayState {
    int frame;   // index into the frames, 0..count-1
    int count;   // frames in the sequence
    int fps;     // 1..PLAY_MAX_FPS
    bool paused;
    bool quit;
};

// One key code (the interface's KeyCode values, characters as themselves):
// Space pauses and plays, Left/Right step one frame and pause, Home/End jump
// to the first/last frame, + and - (also =, _) step the rate, Esc and q quit.
// Stepping wraps around as playing does. Returns true when the key was one
// of these.
bool play_key(PlayState* s, int key);
// The next rate of PLAY_RATES above (dir > 0) or below the given one; the
// rate itself at either end.
int next_rate(int fps, int dir);

struct PlayOptions {
    const char* source = nullptr; // PATTERN or PROJECT.CFG
    int fps = 25;
    const char* script = nullptr; // run headless from this script
    int (*read_project)(const char* path) = nullptr;
};

// Opens the window (a memory screen when a script runs without a display),
// plays until Esc, the window's close button or the script's end. Returns
// the exit status: 0, 1 when a frame file could not be read or no frames
// were found (after a message naming the file), 2 ... never (options are the
// program's own).
int run_flipbook(const PlayOptions& o);
