// novamir-render: renders a project's frames headless, on one or more worker
// processes, writing exactly the files DOALL (or DOFRAME) would write.
#include <allegro.h>  // Required for: BITMAP
#include <sys/wait.h> // Required for: waitpid
#include <unistd.h>   // Required for: fork, pipe, isatty, sysconf
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "planets/planets.h"   // Required for: init_planet_data, select_planet_map
#include "platform/platform.h" // Required for: init_headless
#include "render/render.h"     // Required for: generate_frame
#include "shell/shell.h"       // Required for: read_project_file
#include "store/canvas.h"      // Required for: RENDER_FRAME, RENDER_PREVIEW, RESULT_ABANDON
#include "store/prompt.h"      // Required for: console_notices, console_ok_key, console_quiet
#include "store/records.h"     // Required for: clear_objects
#include "store/store.h"       // Required for: F_SAVE_BMP, F_SAVE_TGA, I_END_FRAME

static const char USAGE[] =
    "usage: novamir-render [--frames A-B | --frame N] [--width 640|800|1024] [--jobs N] [--yes] PROJECT.CFG\n"
    "\n"
    "Renders the frames of a project without a screen, as DOALL does in the program:\n"
    "the same files (SAVE AS BMP / SAVE AS TGA, PATH ENABLE and OUTPUT PATH), written\n"
    "relative to the current directory. Data files are looked up in the current\n"
    "directory, then $NOVAMIR_DATA, then the built data directory.\n"
    "\n"
    "  --frames A-B  render frames A to B (default: START FRAME to END FRAME)\n"
    "  --frame N     render frame N only\n"
    "  --width W     frame buffer width as the program's screen width: 640, 800 or 1024 (default 640)\n"
    "  --jobs N      worker processes (default: the number of cores)\n"
    "  --yes         answer Y where the program would ask (a missing backdrop or bitmap file)\n"
    "  --help        this text\n"
    "\n"
    "Every frame is identical to the same frame of one sequential run from START FRAME,\n"
    "whichever worker renders it. Exit status 0 only when every frame was written.\n";

// What a worker tells the parent, one fixed record per event.
enum EventKind : int32_t { EVENT_FRAME = 0, EVENT_STOPPED = 1, EVENT_DONE = 2 };
struct WorkerEvent {
    int32_t kind;
    int32_t frame;
    int32_t result;
    char text[244]; // the last message shown for the frame, if any
};
static_assert(sizeof(WorkerEvent) == 256, "one event is written in one piece");

struct Options {
    int first = -1, last = -1; // -1: the project's START FRAME / END FRAME
    int width = 640;
    int jobs = 0;
    bool yes = false;
    const char* project = nullptr;
};

static int event_fd = -1; // worker side of the pipe; -1 when rendering in-process

// Parent-side tallies.
static struct {
    int total;
    int done;
    int stop_frame; // first abandoned frame, or -1
    std::string stop_text;
    bool tty;
} progress;

static bool parse_int(const char* text, int* out)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || end == text || *end || v < -1000000 || v > 1000000)
        return false;
    *out = (int)v;
    return true;
}

static int parse_options(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                fprintf(stderr, "novamir-render: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            fputs(USAGE, stdout);
            exit(0);
        } else if (!strcmp(a, "--yes") || !strcmp(a, "-y")) {
            o->yes = true;
        } else if (!strcmp(a, "--frames")) {
            const char* v = value(a);
            if (!v)
                return -1;
            const char* dash = strchr(v, '-');
            std::string lo = dash ? std::string(v, dash - v) : "";
            if (!dash || !parse_int(lo.c_str(), &o->first) || !parse_int(dash + 1, &o->last)) {
                fprintf(stderr, "novamir-render: --frames wants A-B, got \"%s\"\n", v);
                return -1;
            }
        } else if (!strcmp(a, "--frame")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &o->first)) {
                fprintf(stderr, "novamir-render: --frame wants a number, got \"%s\"\n", v);
                return -1;
            }
            o->last = o->first;
        } else if (!strcmp(a, "--width")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &o->width) || (o->width != 640 && o->width != 800 && o->width != 1024)) {
                fprintf(stderr, "novamir-render: --width must be 640, 800 or 1024, got \"%s\"\n", v);
                return -1;
            }
        } else if (!strcmp(a, "--jobs") || !strcmp(a, "-j")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &o->jobs) || o->jobs < 1 || o->jobs > 256) {
                fprintf(stderr, "novamir-render: --jobs must be 1 to 256, got \"%s\"\n", v);
                return -1;
            }
        } else if (a[0] == '-' && a[1]) {
            fprintf(stderr, "novamir-render: unknown option %s\n\n%s", a, USAGE);
            return -1;
        } else if (o->project) {
            fprintf(stderr, "novamir-render: one project only (%s and %s)\n", o->project, a);
            return -1;
        } else {
            o->project = a;
        }
    }
    if (!o->project) {
        fprintf(stderr, "novamir-render: no project file given\n\n%s", USAGE);
        return -1;
    }
    if (o->first >= 0 && (o->first > o->last || o->first < 0 || o->last > 999)) {
        fprintf(stderr, "novamir-render: frames must run from a lower to a higher number within 0..999\n");
        return -1;
    }
    return 0;
}

// Start-up as the program does it without a screen, then LOAD PROJECT
// without asking. Returns 0, or 1 after a message.
static int start_up(const Options& o)
{
    if (init_headless() != 0) {
        fprintf(stderr, "novamir-render: cannot start the graphics library without a display\n");
        return 1;
    }
    console_ok_key = o.yes ? 'Y' : 13;
    console_yes_no_key = 'Y';
    // The start-up notices ("Maximum Frame size" ...) are for the screen;
    // every warning and error is printed as it happens.
    console_notices = false;
    clear_objects();
    reset_store();
    if (init_planet_data(o.width) != 0) {
        fprintf(stderr, "novamir-render: the planet database could not be read\n");
        return 1;
    }
    // Start-up leaves planet 3's map in the surface map.
    select_planet_map(3);
    if (read_project_file(o.project) != 0) {
        fprintf(stderr, "novamir-render: cannot read the project file %s\n", o.project);
        return 1;
    }
    if (int_param[I_WIDTH] > frame_buffer->w || int_param[I_HEIGHT] > frame_buffer->h) {
        char first[64];
        snprintf(first, sizeof first, "%dx%d exceeds Page size!", int_param[I_WIDTH], int_param[I_HEIGHT]);
        const char* lines[2] = {first, "SIZE ADJUSTED!"};
        tell_user_lines(2, lines);
        int_param[I_WIDTH] = frame_buffer->w;
        int_param[I_HEIGHT] = frame_buffer->h;
    }
    // A project that cannot give a single file is refused, saying why.
    const char* why = nullptr;
    char size[80];
    if (int_param[I_WIDTH] < 1 || int_param[I_HEIGHT] < 1) {
        snprintf(size, sizeof size, "its frame size is %d x %d", int_param[I_WIDTH], int_param[I_HEIGHT]);
        why = size;
    } else if (!str_param[S_PROJECT_NAME][0]) {
        why = "it has no PROJECT NAME to name the frame files after";
    } else if (!flag_param[F_SAVE_TGA] && !flag_param[F_SAVE_BMP]) {
        why = "neither SAVE AS TGA nor SAVE AS BMP is on";
    }
    if (why) {
        fprintf(stderr, "novamir-render: %s: no frame can be written: %s\n", o.project, why);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Progress (parent side).

static void draw_progress()
{
    if (!progress.tty)
        return;
    const int bar = 40;
    int filled = progress.total ? progress.done * bar / progress.total : bar;
    char line[bar + 1];
    for (int k = 0; k < bar; k++)
        line[k] = k < filled ? '#' : '.';
    line[bar] = 0;
    fprintf(stderr, "\r[%s] %d/%d frames", line, progress.done, progress.total);
    fflush(stderr);
}

static void take_event(const WorkerEvent& e)
{
    if (e.kind == EVENT_FRAME) {
        if (e.result != 0) {
            // An abandoned frame or one that could not be written ends the run.
            if (progress.stop_frame < 0 || e.frame < progress.stop_frame) {
                progress.stop_frame = e.frame;
                progress.stop_text = e.text;
            }
        } else {
            progress.done++;
        }
        draw_progress();
    } else if (e.kind == EVENT_STOPPED) {
        if (progress.stop_frame < 0 || e.frame < progress.stop_frame) {
            progress.stop_frame = e.frame;
            progress.stop_text = e.text;
        }
    }
}

// ---------------------------------------------------------------------------
// Workers.

static void send_event(int kind, int frame, int result, const char* text)
{
    WorkerEvent e;
    memset(&e, 0, sizeof e);
    e.kind = kind;
    e.frame = frame;
    e.result = result;
    snprintf(e.text, sizeof e.text, "%s", text ? text : "");
    if (event_fd < 0) {
        take_event(e);
        return;
    }
    const char* p = (const char*)&e;
    size_t left = sizeof e;
    while (left > 0) {
        ssize_t n = write(event_fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= (size_t)n;
    }
}

static void set_frame(int f)
{
    rs.i[I_THIS_FRAME] = f;
    int_param[I_THIS_FRAME] = f;
}

// Renders frames first..last after bringing every piece of state that
// carries from frame to frame to where a run from START FRAME leaves it.
static void run_worker(int start, int first, int last)
{
    const int flags = RENDER_FRAME | RENDER_PREVIEW;
    apply_parameters();
    replay_only = true;
    const bool quiet = console_quiet;
    console_quiet = true; // the worker that renders a frame reports its messages
    for (int f = start; f < first; f++) {
        size_t logged = prompt_log.size();
        set_frame(f);
        if (generate_frame(flags) == RESULT_ABANDON) {
            const char* text = prompt_log.size() > logged ? prompt_log.back().c_str() : "";
            send_event(EVENT_STOPPED, f, RESULT_ABANDON, text);
            replay_only = false;
            console_quiet = quiet;
            return;
        }
    }
    replay_only = false;
    console_quiet = quiet;
    for (int f = first; f <= last; f++) {
        size_t logged = prompt_log.size();
        set_frame(f);
        int result = generate_frame(flags);
        const char* text = prompt_log.size() > logged ? prompt_log.back().c_str() : "";
        send_event(EVENT_FRAME, f, result, text);
        if (result != 0)
            return;
    }
}

static int default_jobs()
{
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : (n > 256 ? 256 : (int)n);
}

// Forks the workers, each with a contiguous chunk, and gathers their events.
static int run_parallel(int start, int first, int last, int jobs)
{
    int fds[2];
    if (pipe(fds) != 0) {
        fprintf(stderr, "novamir-render: cannot create a pipe: %s\n", strerror(errno));
        return -1;
    }
    const int count = last - first + 1;
    const int chunk = (count + jobs - 1) / jobs;
    std::vector<pid_t> pids;
    fflush(stdout);
    fflush(stderr);
    for (int j = 0; j < jobs; j++) {
        int lo = first + j * chunk;
        int hi = lo + chunk - 1 > last ? last : lo + chunk - 1;
        if (lo > last)
            break;
        pid_t pid = fork();
        if (pid < 0) {
            fprintf(stderr, "novamir-render: cannot start a worker: %s\n", strerror(errno));
            break;
        }
        if (pid == 0) {
            close(fds[0]);
            event_fd = fds[1];
            run_worker(start, lo, hi);
            send_event(EVENT_DONE, hi, 0, nullptr);
            fflush(stderr);
            _exit(0);
        }
        pids.push_back(pid);
    }
    close(fds[1]);
    WorkerEvent e;
    size_t have = 0;
    for (;;) {
        ssize_t n = read(fds[0], (char*)&e + have, sizeof e - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += (size_t)n;
        if (have == sizeof e) {
            take_event(e);
            have = 0;
        }
    }
    close(fds[0]);
    int bad = 0;
    for (pid_t pid : pids) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            bad++;
    }
    if ((int)pids.size() < jobs && (int)pids.size() * chunk < count)
        bad++;
    return bad ? -1 : 0;
}

int main(int argc, char** argv)
{
    Options o;
    if (parse_options(argc, argv, &o) != 0)
        return 2;
    if (start_up(o) != 0)
        return 1;

    const int start = int_param[I_START_FRAME];
    int first = o.first >= 0 ? o.first : start;
    int last = o.first >= 0 ? o.last : int_param[I_END_FRAME];
    if (first > last) {
        fprintf(stderr, "novamir-render: Frame Number Error! (START FRAME %d is after END FRAME %d)\n", first,
                last);
        return 1;
    }
    int jobs = o.jobs ? o.jobs : default_jobs();
    if (jobs > last - first + 1)
        jobs = last - first + 1;

    progress.total = last - first + 1;
    progress.stop_frame = -1;
    progress.tty = isatty(2);
    draw_progress();
    auto t0 = std::chrono::steady_clock::now();
    int rc = 0;
    if (jobs <= 1)
        run_worker(start, first, last);
    else
        rc = run_parallel(start, first, last, jobs);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (progress.tty)
        fputc('\n', stderr);

    if (progress.stop_frame >= 0)
        fprintf(stderr, "novamir-render: stopped at frame %d%s%s\n", progress.stop_frame,
                progress.stop_text.empty() ? "" : ": ", progress.stop_text.c_str());
    if (rc != 0)
        fprintf(stderr, "novamir-render: a worker failed\n");
    fprintf(stderr, "novamir-render: %d of %d frames in %.2f s (%.2f frames/s), %d job%s\n", progress.done,
            progress.total, seconds, seconds > 0 ? progress.done / seconds : 0.0, jobs, jobs == 1 ? "" : "s");
    bool ok = rc == 0 && progress.stop_frame < 0 && progress.done == progress.total;
    return ok ? 0 : 1;
}
