// Frame generation speed for reference scenes: drawing time per frame inside
// the driver, and whole runs of novamir-render (files written) on one and on
// two workers. Needs the built data files (planet database, topology, stars).
#include <allegro.h>
#include <sys/resource.h> // Required for: getrusage
#include <sys/wait.h>     // Required for: WIFEXITED
#include <unistd.h>   // Required for: readlink, chdir

#include <chrono>
#include <ctime> // Required for: clock_gettime
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "planets/planets.h"   // Required for: init_planet_data, select_planet_map
#include "platform/platform.h" // Required for: find_data_file, init_headless
#include "render/render.h"     // Required for: generate_frame
#include "shell/shell.h"       // Required for: insert_object, read_project_file, write_project_file
#include "store/canvas.h"      // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/prompt.h"      // Required for: console_quiet
#include "store/records.h"     // Required for: clear_objects
#include "store/store.h"       // Required for: DBL_PARAMS, D_COMET_DIAMETER, D_PLANET_DIAMETER

constexpr int RUN_FRAMES = 24;

static std::string bin_dir;
static std::string work_dir;

using bench_clock = std::chrono::steady_clock;

static double seconds_since(bench_clock::time_point t0)
{
    return std::chrono::duration<double>(bench_clock::now() - t0).count();
}

// The store as start-up leaves it: the database's start values.
static struct {
    int32_t ints[INT_PARAMS];
    double dbls[DBL_PARAMS];
    int32_t flags[FLAG_PARAMS];
    char strs[STR_PARAMS][STR_LEN];
} start_store;

// A fresh store from the start values with an empty list.
static void new_scene(int width)
{
    clear_objects();
    memcpy(int_param, start_store.ints, sizeof int_param);
    memcpy(dbl_param, start_store.dbls, sizeof dbl_param);
    memcpy(flag_param, start_store.flags, sizeof flag_param);
    memcpy(str_param, start_store.strs, sizeof str_param);
    int_param[I_WIDTH] = width;
    int_param[I_HEIGHT] = width * 3 / 4;
    int_param[I_START_FRAME] = 0;
    int_param[I_END_FRAME] = RUN_FRAMES - 1;
    int_param[I_THIS_FRAME] = 0;
    flag_param[F_SAVE_BMP] = 1;
    flag_param[F_SAVE_TGA] = 1;
    flag_param[F_PATH_ENABLE] = 0;
    str_param[S_BACKDROP][0] = 0;
    strcpy(str_param[S_PROJECT_NAME], "BENCH");
    for (int p = PAGE_SKY; p <= PAGE_BITMAP; p++)
        page_frames[p] = {0, RUN_FRAMES - 1};
}

static void add_sky(int width)
{
    int_param[I_FADE_TYPE] = 2;
    int_param[I_STARS] = 1;
    int_param[I_COLOUR_ONE] = 1;
    int_param[I_COLOUR_TWO] = 200;
    int_param[I_START_X] = width / 3;
    int_param[I_START_Y] = width / 4;
    int_param[I_END_X] = width - 1;
    int_param[I_END_Y] = width * 3 / 4 - 1;
    flag_param[F_STAR_CALC] = 1;
    dbl_param[D_STAR_LONG_INC] = 0.5;
    dbl_param[D_TWINKLE] = 0.3;
    dbl_param[D_REF_DISTANCE] = 1000.0;
    insert_object(PAGE_SKY);
}

static double cpu_seconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Milliseconds per frame of drawing only (no files), in this process, in
// processor time so that a busy machine does not inflate it.
static double draw_ms(int frames)
{
    const int save_bmp = flag_param[F_SAVE_BMP], save_tga = flag_param[F_SAVE_TGA];
    flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 0;
    apply_parameters();
    double t0 = cpu_seconds();
    for (int f = 0; f < frames; f++) {
        rs.i[I_THIS_FRAME] = int_param[I_THIS_FRAME] = f;
        generate_frame(RENDER_FRAME | RENDER_PREVIEW);
    }
    double ms = 1000.0 * (cpu_seconds() - t0) / frames;
    flag_param[F_SAVE_BMP] = save_bmp;
    flag_param[F_SAVE_TGA] = save_tga;
    return ms;
}

static double children_cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

// Processor milliseconds per frame of a replay (state only, no pixels).
static double replay_ms(int frames)
{
    apply_parameters();
    replay_only = true;
    double t0 = cpu_seconds();
    for (int f = 0; f < frames; f++) {
        rs.i[I_THIS_FRAME] = int_param[I_THIS_FRAME] = f;
        generate_frame(RENDER_FRAME | RENDER_PREVIEW);
    }
    replay_only = false;
    return 1000.0 * (cpu_seconds() - t0) / frames;
}

// Processor milliseconds per frame of the last run, start-up included.
static double last_run_cpu_ms;

// Frames per second of a whole novamir-render run of the scene.
static double run_fps(int width, int jobs)
{
    if (write_project_file((work_dir + "/BENCH.CFG").c_str()) != 0)
        return 0.0;
    char cmd[2048];
    snprintf(cmd, sizeof cmd, "cd '%s' && '%s/novamir-render' --width %d --jobs %d BENCH.CFG >/dev/null 2>&1",
             work_dir.c_str(), bin_dir.c_str(), width, jobs);
    const double cpu0 = children_cpu_seconds();
    auto t0 = bench_clock::now();
    int status = system(cmd);
    double s = seconds_since(t0);
    last_run_cpu_ms = 1000.0 * (children_cpu_seconds() - cpu0) / RUN_FRAMES;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 0.0;
    return RUN_FRAMES / s;
}

static void report(const char* name, int width)
{
    // The frame buffer and the WIDTH limits follow the width of the scene.
    if (frame_buffer->w != width) {
        create_frame_buffer(width);
        set_frame_limits(width, width * 3 / 4);
    }
    double ms = draw_ms(6);
    double replay = replay_ms(6);
    double one = run_fps(width, 1);
    double run_ms = last_run_cpu_ms;
    double two = run_fps(width, 2);
    printf("%-34s %5dx%-4d %8.1f %9.2f %9.1f %9.2f %9.2f\n", name, width, width * 3 / 4, ms, replay, run_ms, one,
           two);
    fflush(stdout);
}

int main(int, char** argv)
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    self[n > 0 ? n : 0] = 0;
    bin_dir = n > 0 ? std::string(self).substr(0, std::string(self).rfind('/')) : ".";
    (void)argv;
    char tmpl[] = "/tmp/novamir-bench-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    work_dir = tmpl;

    if (init_headless() != 0) {
        fprintf(stderr, "cannot start Allegro headless\n");
        return 1;
    }
    console_quiet = true;
    if (init_planet_data(1024) != 0) {
        fprintf(stderr, "the data files are not built (planet database, topology)\n");
        return 1;
    }
    select_planet_map(3);
    memcpy(start_store.ints, int_param, sizeof int_param);
    memcpy(start_store.dbls, dbl_param, sizeof dbl_param);
    memcpy(start_store.flags, flag_param, sizeof flag_param);
    memcpy(start_store.strs, str_param, sizeof str_param);
    if (chdir(work_dir.c_str()) != 0)
        return 1;

    // draw ms: processor time of the drawing alone; replay ms: of a frame
    // replayed by a worker before its first frame; run ms: processor time per
    // frame of a one-worker run with TGA and BMP written; then frames per
    // second of whole runs (wall clock, so a busy machine lowers them).
    printf("%-34s %10s %8s %9s %9s %9s %9s\n", "scene", "frame", "draw ms", "replay ms", "run ms", "1 job f/s",
           "2 jobs f/s");
    for (int width : {640, 1024}) {
        new_scene(width);
        add_sky(width);
        report("POLAR sky, precise stars", width);
    }

    new_scene(640);
    add_sky(640);
    int_param[I_PLANET_NUMBER] = 5;
    int_param[I_PLANET_X] = 320;
    int_param[I_PLANET_Y] = 240;
    dbl_param[D_PLANET_DIAMETER] = 400.0;
    dbl_param[D_REF_DISTANCE] = 100.0;
    int planet = insert_object(PAGE_PLANET);
    int_param[I_RING_X] = 320;
    int_param[I_RING_Y] = 240;
    int_param[I_RING_WIDTH] = 620;
    int_param[I_RING_HEIGHT] = 140;
    int_param[I_PLANET_LOCK] = planet + 1;
    dbl_param[D_REF_DISTANCE] = 100.0;
    insert_object(PAGE_RING);
    report("sky + planet 400 px, locked ring", 640);

    new_scene(640);
    int_param[I_COMET_X] = 320;
    int_param[I_COMET_Y] = 240;
    dbl_param[D_COMET_DIAMETER] = 300.0;
    dbl_param[D_REF_DISTANCE] = 100.0;
    insert_object(PAGE_COMET);
    report("comet 300 px", 640);

    new_scene(640);
    strcpy(str_param[S_BITMAP_FILE], "SHIP.TGA");
    int_param[I_BITMAP_X] = 320;
    int_param[I_BITMAP_Y] = 240;
    dbl_param[D_X_SCALE] = dbl_param[D_Y_SCALE] = 1.0;
    insert_object(PAGE_BITMAP);
    report("bitmap SHIP.TGA", 640);

    char path[1024];
    if (find_data_file("NOVAMIR.CFG", path, sizeof path) && read_project_file(path) == 0) {
        int_param[I_START_FRAME] = 0;
        int_param[I_END_FRAME] = RUN_FRAMES - 1;
        flag_param[F_SAVE_BMP] = 1;
        report("demo project (TGA + BMP)", 640);
    }
    if (system(("rm -rf '" + work_dir + "'").c_str()) != 0)
        return 1;
    return 0;
}
