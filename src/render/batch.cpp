// Batch rendering: start-up without a screen, the frames handed out to forked
// worker processes as they free up, their events gathered by the parent into
// a progress line and one summary.
#include "render/batch.h"

#include <limits.h>   // Required for: PIPE_BUF
#include <sys/mman.h> // Required for: mmap, munmap
#include <sys/stat.h> // Required for: stat
#include <sys/wait.h> // Required for: waitpid
#include <unistd.h>   // Required for: fork, pipe, isatty, sysconf

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: init_headless
#include "render/render.h"     // Required for: generate_frame
#include "store/prompt.h"      // Required for: console_notices, console_ok_key, console_quiet, prompt_log

// What a worker tells the parent, one fixed record per event.
enum EventKind : int32_t { EVENT_FRAME = 0, EVENT_STOPPED = 1, EVENT_DONE = 2, EVENT_SKIPPED = 3 };
struct WorkerEvent {
    int32_t kind;
    int32_t frame;
    int32_t result;
    // The last message shown for the frame, if any; for a skipped frame, the
    // file that was there.
    char text[1012];
};
// Writes to a pipe up to PIPE_BUF bytes arrive whole, never interleaved.
static_assert(sizeof(WorkerEvent) == 1024 && sizeof(WorkerEvent) <= PIPE_BUF, "one event is written in one piece");

static int event_fd = -1; // worker side of the pipe; -1 when rendering in-process

// Parent-side tallies.
static struct {
    int total;
    int done;
    int stop_frame; // first abandoned frame, or -1
    std::string stop_text;
    bool tty;
    int skipped;
} progress;

// ---------------------------------------------------------------------------
// Start-up.

int start_batch(const BatchOptions& o)
{
    clear_objects();
    reset_store();
    if (init_planet_data(o.width) != 0) {
        fprintf(stderr, "novamir-render: the planet database could not be read\n");
        return 1;
    }
    // Start-up leaves planet 3's map in the surface map.
    select_planet_map(3);
    if (!o.read_project || o.read_project(o.project) != 0) {
        fprintf(stderr, "novamir-render: cannot read the project file %s\n", o.project);
        return 1;
    }
    // The frame buffer: the screen page for --width, the given size for
    // --size, else as large as the project needs. Only the buffer changes:
    // the page stays, so a frame is the same whatever buffer it is drawn in.
    int bw = frame_buffer->w, bh = frame_buffer->h;
    if (o.size_w > 0) {
        bw = o.size_w;
        bh = o.size_h;
    } else if (!o.width_given) {
        bw = std::max(bw, std::min(int_param[I_WIDTH], MAX_FRAME_SIDE));
        bh = std::max(bh, std::min(int_param[I_HEIGHT], MAX_FRAME_SIDE));
    }
    if (bw != frame_buffer->w || bh != frame_buffer->h) {
        if (create_frame_buffer(bw, bh) != 0) {
            fprintf(stderr, "novamir-render: no memory for a %d x %d frame buffer\n", bw, bh);
            return 1;
        }
        set_frame_limits(bw, bh);
    }
    fit_frame_size(frame_buffer->w, frame_buffer->h);
    // A project that cannot give a single file is refused, saying why.
    const char* why = nullptr;
    char size[80];
    if (int_param[I_WIDTH] < 1 || int_param[I_HEIGHT] < 1) {
        snprintf(size, sizeof size, "its frame size is %d x %d", int_param[I_WIDTH], int_param[I_HEIGHT]);
        why = size;
    } else if (o.output) {
        why = nullptr; // the files are named and typed by the pattern
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

static void note_stop(int frame, const char* text)
{
    if (progress.stop_frame < 0 || frame < progress.stop_frame) {
        progress.stop_frame = frame;
        progress.stop_text = text;
    }
}

static void take_event(const WorkerEvent& e)
{
    if (e.kind == EVENT_FRAME || e.kind == EVENT_SKIPPED) {
        // An abandoned frame or one that could not be written ends the run.
        if (e.result != 0) {
            note_stop(e.frame, e.text);
        } else {
            progress.done++;
            progress.skipped += e.kind == EVENT_SKIPPED;
            video_frame_ready(e.frame, e.kind == EVENT_SKIPPED ? e.text : nullptr);
        }
        draw_progress();
    } else if (e.kind == EVENT_STOPPED) {
        note_stop(e.frame, e.text);
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

// Makes f the frame the driver draws, as DOALL's loop does.
static void set_this_frame(int f)
{
    rs.i[I_THIS_FRAME] = f;
    int_param[I_THIS_FRAME] = f;
}

// One frame at f; returns its result with the last message it logged.
static int render_one(int f, int flags, const char** text)
{
    size_t logged = prompt_log.size();
    set_this_frame(f);
    int result = generate_frame(flags);
    *text = prompt_log.size() > logged ? prompt_log.back().c_str() : "";
    return result;
}

constexpr int BATCH_FLAGS = RENDER_FRAME | RENDER_PREVIEW;

// Brings every piece of state that carries from frame to frame to where a
// run from START FRAME leaves it before first, painting and writing nothing.
// Returns 0, or -1 after telling the parent the frame that was abandoned.
static int replay_to(int start, int first)
{
    if (start >= first)
        return 0;
    replay_only = true;
    const bool quiet = console_quiet;
    console_quiet = true; // the worker that renders a frame reports its messages
    int result = 0;
    for (int f = start; f < first && result == 0; f++) {
        const char* text;
        if (render_one(f, BATCH_FLAGS, &text) == RESULT_ABANDON) {
            send_event(EVENT_STOPPED, f, RESULT_ABANDON, text);
            result = -1;
        }
    }
    replay_only = false;
    console_quiet = quiet;
    return result;
}

// Frames are handed out one at a time, in ascending order, from a counter
// the workers share: a worker that frees up takes the next frame, so a run
// whose late frames cost more (objects that start late, grow with
// perspective) keeps every core busy to the end. A worker reaches its next
// frame by replaying the ones the others took, which costs a few per cent of
// drawing one; the order makes sure no frame is rendered from any state but
// the one a sequential run leaves.
struct FrameQueue {
    std::atomic<int> next; // the next frame to hand out
    std::atomic<int> stop; // no frame after this one is handed out: the last, or the first that failed
};
static_assert(std::atomic<int>::is_always_lock_free, "the queue is shared between processes");

static FrameQueue* queue = nullptr;
static FrameQueue local_queue; // a run on one worker

// The next frame for this worker, or -1 when the run is over.
static int take_frame()
{
    int f = queue->next.fetch_add(1);
    return f > queue->stop.load() ? -1 : f;
}

// The first failed frame ends the run: frames after it are no longer handed out.
static void stop_after(int frame)
{
    int seen = queue->stop.load();
    while (frame < seen && !queue->stop.compare_exchange_weak(seen, frame)) {
    }
}

static bool skip_existing = false;
static bool say_written = false; // "wrote NAME" lines, for logs rather than a terminal

// The file frame f would be written to, when every one of its files exists.
static const char* existing_frame_file(int f)
{
    set_this_frame(f);
    frame_names();
    const char* names[2];
    const int n = frame_file_names(names);
    struct stat st;
    for (int k = 0; k < n; k++)
        if (stat(names[k], &st) != 0 || !S_ISREG(st.st_mode))
            return nullptr;
    return n ? names[0] : nullptr;
}

// After a frame is written: its lines for the log and its turn in the video.
static int frame_written(int f)
{
    if (say_written) {
        const char* names[2];
        const int n = frame_file_names(names);
        for (int k = 0; k < n; k++) {
            char line[600];
            int len = snprintf(line, sizeof line, "wrote %s\n", names[k]);
            if (len > 0 && write(2, line, std::min<size_t>((size_t)len, sizeof line - 1)) < 0) {
            }
        }
    }
    if (video_frame_drawn(f) != 0) {
        log_detail("cannot leave frame %d for the video: %s", f, strerror(errno));
        return -1;
    }
    return 0;
}

// Renders and writes the frames it is handed, each from the state the frame
// before left, until the queue runs dry or a frame fails.
static void run_worker(int start)
{
    apply_parameters(); // as DOALL does once before its first frame
    int at = start;     // the next frame this worker's state stands before
    for (int f; (f = take_frame()) >= 0;) {
        if (replay_to(at, f) != 0) {
            stop_after(f);
            return;
        }
        at = f + 1;
        const char* there = skip_existing ? existing_frame_file(f) : nullptr;
        if (there) {
            // Left as it is; the frame is still replayed for what it carries.
            const std::string file = there;
            if (replay_to(f, f + 1) != 0) {
                stop_after(f);
                return;
            }
            send_event(EVENT_SKIPPED, f, 0, file.c_str());
            continue;
        }
        const char* text;
        int result = render_one(f, BATCH_FLAGS, &text);
        if (result == 0 && frame_written(f) != 0) {
            result = -1;
            text = prompt_log.empty() ? "" : prompt_log.back().c_str();
        }
        send_event(EVENT_FRAME, f, result, text);
        if (result != 0) {
            stop_after(f);
            return;
        }
    }
}

static int default_jobs()
{
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : (n > 256 ? 256 : (int)n);
}

// Forks the workers over a shared frame queue and gathers their events.
static int run_parallel(int start, int first, int last, int jobs)
{
    void* shared = mmap(nullptr, sizeof(FrameQueue), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        fprintf(stderr, "novamir-render: cannot share the frame queue: %s\n", strerror(errno));
        return -1;
    }
    queue = new (shared) FrameQueue{{first}, {last}};
    int fds[2];
    if (pipe(fds) != 0) {
        fprintf(stderr, "novamir-render: cannot create a pipe: %s\n", strerror(errno));
        munmap(shared, sizeof(FrameQueue));
        return -1;
    }
    std::vector<pid_t> pids;
    fflush(stdout);
    fflush(stderr);
    for (int j = 0; j < jobs; j++) {
        pid_t pid = fork();
        if (pid < 0) {
            fprintf(stderr, "novamir-render: cannot start a worker: %s\n", strerror(errno));
            break;
        }
        if (pid == 0) {
            close(fds[0]);
            video_forget();
            event_fd = fds[1];
            run_worker(start);
            send_event(EVENT_DONE, last, 0, nullptr);
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
    // Without a single worker nothing was rendered; with fewer than asked
    // the others took every frame.
    if (pids.empty())
        bad++;
    munmap(shared, sizeof(FrameQueue));
    queue = nullptr;
    return bad ? -1 : 0;
}

// ---------------------------------------------------------------------------
// The run.

void chunk_range(int first, int last, int k, int n, int* a, int* b)
{
    const long count = last - first + 1;
    *a = first + (int)(count * k / n);
    *b = first + (int)(count * (k + 1) / n) - 1;
}

int run_batch(const BatchOptions& o)
{
    // What cannot work is said before anything is rendered.
    if (o.video && !encoder_installed()) {
        fprintf(stderr, "novamir-render: --video needs ffmpeg, which is not on PATH (Debian: apt-get install ffmpeg)\n");
        return 1;
    }
    if (init_headless() != 0) {
        fprintf(stderr, "novamir-render: cannot start the graphics library without a display\n");
        return 1;
    }
    console_ok_key = o.yes ? 'Y' : 13;
    console_yes_no_key = 'Y';
    // The start-up notices ("Maximum Frame size" ...) are for the screen;
    // every warning and error is printed as it happens.
    console_notices = false;
    output_pattern = o.output;
    skip_existing = o.skip_existing;
    say_written = !isatty(2);
    if (start_batch(o) != 0)
        return 1;

    const int start = int_param[I_START_FRAME];
    int first = o.first >= 0 ? o.first : start;
    int last = o.first >= 0 ? o.last : int_param[I_END_FRAME];
    if (first > last) {
        fprintf(stderr, "novamir-render: Frame Number Error! (START FRAME %d is after END FRAME %d)\n", first,
                last);
        return 1;
    }
    if (o.chunks) {
        // An array task knows only its index: a share with no frame is a
        // finished share, not a failure.
        const int whole_first = first, whole_last = last;
        chunk_range(whole_first, whole_last, o.chunk, o.chunks, &first, &last);
        if (first > last) {
            fprintf(stderr, "novamir-render: chunk %d/%d of frames %d-%d holds no frame\n", o.chunk, o.chunks,
                    whole_first, whole_last);
            return 0;
        }
    }
    int jobs = o.jobs ? o.jobs : default_jobs();
    if (jobs > last - first + 1)
        jobs = last - first + 1;
    if (o.video &&
        video_open(o.video, o.fps, int_param[I_WIDTH], int_param[I_HEIGHT], first, last, jobs <= 1) != 0)
        return 1;

    progress.total = last - first + 1;
    progress.done = 0;
    progress.skipped = 0;
    progress.stop_frame = -1;
    progress.stop_text.clear();
    progress.tty = isatty(2);
    draw_progress();
    auto t0 = std::chrono::steady_clock::now();
    int rc = 0;
    if (jobs <= 1) {
        queue = new (&local_queue) FrameQueue{{first}, {last}};
        run_worker(start);
        queue = nullptr;
    } else {
        rc = run_parallel(start, first, last, jobs);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (progress.tty)
        fputc('\n', stderr);

    if (progress.stop_frame >= 0)
        fprintf(stderr, "novamir-render: stopped at frame %d%s%s\n", progress.stop_frame,
                progress.stop_text.empty() ? "" : ": ", progress.stop_text.c_str());
    if (rc != 0)
        fprintf(stderr, "novamir-render: a worker failed\n");
    bool ok = rc == 0 && progress.stop_frame < 0 && progress.done == progress.total;
    if (!video_close(ok))
        ok = false;
    else if (o.video && say_written)
        fprintf(stderr, "wrote %s\n", o.video);
    fprintf(stderr, "novamir-render: %d of %d frames in %.2f s (%.2f frames/s), %d job%s", progress.done,
            progress.total, seconds, seconds > 0 ? progress.done / seconds : 0.0, jobs, jobs == 1 ? "" : "s");
    if (progress.skipped)
        fprintf(stderr, ", %d left as they were", progress.skipped);
    fputc('\n', stderr);
    output_pattern = nullptr;
    return ok ? 0 : 1;
}
