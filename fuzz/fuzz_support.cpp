// Shared set-up of the fuzz harnesses.
#include "fuzz_support.h"

#include <allegro.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/platform.h"     // Required for: init_headless
#include "store/canvas.h"          // Required for: RenderSettings, create_frame_buffer, rs
#include "store/prompt.h"          // Required for: console_quiet, prompt_hooks, prompt_log
#include "store/store.h"           // Required for: I_HEIGHT, I_WIDTH
#include "store/surface.h"         // Required for: surface_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

// Questions answer at once: a box that waits for a key would stop the run.
static int answer_no(const char*) { return 'N'; }
static int answer_enter(const char*) { return 13; }
static int answer_lines(int, const char* const*) { return 13; }

static char scratch[4096];
static char home[4096]; // the fuzzer's own working directory

// Removes the scratch directory and what the last run left in it.
static void remove_scratch()
{
    std::error_code ec;
    if (scratch[0])
        std::filesystem::remove_all(scratch, ec);
}

void fuzz_start()
{
    if (init_headless() != 0) {
        fprintf(stderr, "fuzz: cannot start Allegro headless\n");
        abort();
    }
    // Only what a harness writes may be found: no data directory behind it.
    unsetenv("NOVAMIR_DATA");
    // In memory where possible; scripts/fuzz names a parent it removes
    // afterwards, since a crash ends the process without the clean-up below.
    const char* parent = getenv("NOVAMIR_FUZZ_TMP");
    if (!parent || !parent[0])
        parent = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    snprintf(scratch, sizeof scratch, "%s/novamir-fuzz-XXXXXX", parent);
    if (!getcwd(home, sizeof home) || !mkdtemp(scratch)) {
        perror("fuzz: scratch directory");
        abort();
    }
    atexit(remove_scratch);
    console_quiet = true;
    prompt_hooks.yes_no = answer_no;
    prompt_hooks.ok = answer_enter;
    prompt_hooks.ok_lines = answer_lines;
    prompt_hooks.ok_text = answer_enter;
    if (create_frame_buffer(640) != 0) {
        fprintf(stderr, "fuzz: no frame buffer\n");
        abort();
    }
    rs = RenderSettings{};
    rs.i[I_WIDTH] = 640;
    rs.i[I_HEIGHT] = 480;
    if (!surface_map)
        surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
}

FuzzInput::FuzzInput(const char* name, const uint8_t* data, size_t size) : written(false)
{
    prompt_log.clear();
    if (chdir(scratch) != 0)
        return;
    // A new file each time: readers that keep what they read know a file by
    // its inode, size and times, and two runs can fall in one clock tick.
    unlink(name);
    FILE* f = fopen(name, "wb");
    if (!f)
        return;
    const bool ok = fwrite(data, 1, size, f) == size;
    written = fclose(f) == 0 && ok;
}

FuzzInput::~FuzzInput()
{
    if (chdir(home) != 0)
        abort();
}
