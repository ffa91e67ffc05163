// novamir-render: renders a project's frames headless, on one or more worker
// processes, writing exactly the files DOALL (or DOFRAME) would write.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include <unistd.h> // Required for: getcwd

#include "render_array.h" // Required for: RENDER_ARRAY_SCRIPT

#include "render/batch.h"  // Required for: BatchOptions, run_batch
#include "render/render.h" // Required for: check_output_pattern
#include "store/canvas.h" // Required for: MAX_FRAME_SIDE, MIN_FRAME_SIDE
#include "shell/shell.h"  // Required for: read_project_file

static const char USAGE[] =
    "usage: novamir-render [--frames A-B | --frame N] [--chunk K/N] [--size WxH | --width 640|800|1024]\n"
    "                      [--jobs N] [--output PATTERN] [--skip-existing] [--video FILE [--fps N]] [--yes]\n"
    "                      PROJECT.CFG\n"
    "       novamir-render --slurm-script N PROJECT.CFG [options]\n"
    "       novamir-render --help | --version\n"
    "\n"
    "Renders the frames of a project without a screen, as DOALL does in the program:\n"
    "the same files (SAVE AS BMP / SAVE AS TGA, PATH ENABLE and OUTPUT PATH), written\n"
    "relative to the current directory. Data files are looked up in the current\n"
    "directory, then $NOVAMIR_DATA, then the build's data directory (for a program run\n"
    "from the build tree), then the installed data (BIN/../share/novamir).\n"
    "\n"
    "  --frames A-B      render frames A to B (default: START FRAME to END FRAME)\n"
    "  --frame N         render frame N only\n"
    "  --size WxH        frame buffer of W x H (16..8192 a side); a larger project is adjusted\n"
    "                    to it as LOAD does (default: as large as the project, at least 640x480)\n"
    "  --width W         frame buffer as the program's screen of width 640, 800 or 1024 (4:3)\n"
    "  --chunk K/N       render only part K (0 to N-1) of N near-equal runs of those frames,\n"
    "                    e.g. one part per task of a job array\n"
    "  --jobs N          worker processes (default: the number of cores)\n"
    "  --output PATTERN  write each frame to PATTERN, a printf pattern with one frame number,\n"
    "                    e.g. renders/shot_%04d.png; the format from its extension (.png, .tga,\n"
    "                    .bmp), the folders made as needed (default: the project's own names)\n"
    "  --skip-existing   leave frames whose files are already there (resumes a run)\n"
    "  --video FILE      also encode the frames with ffmpeg: .mp4 (H.264), .webm (VP9) or .gif\n"
    "  --fps N           frames per second of the video, 1..240 (default 25)\n"
    "  --slurm-script N  print a Slurm script that renders the project as a job array of N\n"
    "                    tasks into --output (default frames/NAME_%04d.png) and encodes --video\n"
    "                    (default NAME.mp4) after them; run it with bash on the login node\n"
    "  --yes             answer Y where the program would ask (a missing backdrop or bitmap file)\n"
    "  --version         the program's version\n"
    "  --help            this text\n"
    "\n"
    "Every frame is identical to the same frame of one sequential run from START FRAME,\n"
    "whichever worker renders it. When standard error is not a terminal every written file\n"
    "is reported on a line of its own (\"wrote NAME\"). Exit status 0 only when every frame\n"
    "was written.\n";

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

static int slurm_tasks = 0; // --slurm-script N: print the script instead of rendering

// "K/N" with 0 <= K < N <= 1000 (there are at most 1000 frames to share).
static bool parse_chunk(const char* text, int* k, int* n)
{
    const char* slash = strchr(text, '/');
    if (!slash)
        return false;
    std::string left(text, slash - text);
    return parse_int(left.c_str(), k) && parse_int(slash + 1, n) && *n >= 1 && *n <= 1000 && *k >= 0 && *k < *n;
}

static int parse_options(int argc, char** argv, BatchOptions* o)
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
        } else if (!strcmp(a, "--version")) {
            printf("novamir-render %s\n", NOVAMIR_VERSION);
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
        } else if (!strcmp(a, "--chunk")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_chunk(v, &o->chunk, &o->chunks)) {
                fprintf(stderr, "novamir-render: --chunk wants K/N with N from 1 to 1000 and K from 0 to N-1, "
                                "got \"%s\"\n", v);
                return -1;
            }
        } else if (!strcmp(a, "--slurm-script")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &slurm_tasks) || slurm_tasks < 1 || slurm_tasks > 1000) {
                fprintf(stderr, "novamir-render: --slurm-script wants a number of tasks from 1 to 1000, got \"%s\"\n",
                        v);
                return -1;
            }
        } else if (!strcmp(a, "--width")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &o->width) || (o->width != 640 && o->width != 800 && o->width != 1024)) {
                fprintf(stderr, "novamir-render: --width must be 640, 800 or 1024, got \"%s\"\n", v);
                return -1;
            }
            o->width_given = true;
        } else if (!strcmp(a, "--size")) {
            const char* v = value(a);
            if (!v)
                return -1;
            const char* x = strchr(v, 'x');
            std::string w = x ? std::string(v, x - v) : "";
            if (!x || !parse_int(w.c_str(), &o->size_w) || !parse_int(x + 1, &o->size_h) ||
                o->size_w < MIN_FRAME_SIDE || o->size_w > MAX_FRAME_SIDE || o->size_h < MIN_FRAME_SIDE ||
                o->size_h > MAX_FRAME_SIDE) {
                fprintf(stderr, "novamir-render: --size wants WxH with each side %d to %d, got \"%s\"\n",
                        MIN_FRAME_SIDE, MAX_FRAME_SIDE, v);
                return -1;
            }
        } else if (!strcmp(a, "--output") || !strcmp(a, "-o")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (const char* why = check_output_pattern(v)) {
                fprintf(stderr, "novamir-render: --output %s: %s\n", v, why);
                return -1;
            }
            o->output = v;
        } else if (!strcmp(a, "--skip-existing")) {
            o->skip_existing = true;
        } else if (!strcmp(a, "--video")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!video_codec_known(v)) {
                fprintf(stderr, "novamir-render: --video %s: the name must end in .mp4, .webm or .gif\n", v);
                return -1;
            }
            o->video = v;
        } else if (!strcmp(a, "--fps")) {
            const char* v = value(a);
            if (!v)
                return -1;
            if (!parse_int(v, &o->fps) || o->fps < 1 || o->fps > 240) {
                fprintf(stderr, "novamir-render: --fps must be 1 to 240, got \"%s\"\n", v);
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
    if (o->size_w && o->width_given) {
        fprintf(stderr, "novamir-render: --size and --width both set the frame buffer: give one\n");
        return -1;
    }
    if (slurm_tasks && o->chunks) {
        fprintf(stderr, "novamir-render: --slurm-script gives every task its own --chunk: give one\n");
        return -1;
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

// A word for the shell, in single quotes where it needs them.
static std::string shell_word(const std::string& w)
{
    if (!w.empty() && w.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_%./:+=,-") ==
                          std::string::npos)
        return w;
    std::string q = "'";
    for (char c : w)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Prints the array script with its settings filled in for this project, this
// program, this folder and the options given. 0, or 1 when the project
// cannot be found.
static int print_slurm_script(const BatchOptions& o)
{
    char project[4096], program[4096], here[4096];
    if (!realpath(o.project, project)) {
        fprintf(stderr, "novamir-render: %s: %s\n", o.project, strerror(errno));
        return 1;
    }
    if (!getcwd(here, sizeof here) || !realpath("/proc/self/exe", program)) {
        fprintf(stderr, "novamir-render: cannot tell where this program or this folder is: %s\n", strerror(errno));
        return 1;
    }
    std::string name = strrchr(project, '/') + 1;
    name = name.substr(0, name.rfind('.'));
    std::string options = "(";
    auto option = [&](const std::string& w) { options += (options.size() > 1 ? " " : "") + shell_word(w); };
    if (o.first >= 0)
        option("--frames"), option(std::to_string(o.first) + "-" + std::to_string(o.last));
    if (o.size_w)
        option("--size"), option(std::to_string(o.size_w) + "x" + std::to_string(o.size_h));
    if (o.width_given)
        option("--width"), option(std::to_string(o.width));
    if (o.fps != 25)
        option("--fps"), option(std::to_string(o.fps));
    if (o.yes)
        option("--yes");
    options += ")";
    const char* data = getenv("NOVAMIR_DATA");
    const std::pair<const char*, std::string> settings[] = {
        {"RENDER=", shell_word(program)},
        {"PROJECT=", shell_word(project)},
        {"WORKDIR=", shell_word(here)},
        {"CHUNKS=", std::to_string(slurm_tasks)},
        {"OUTPUT=", shell_word(o.output ? o.output : "frames/" + name + "_%04d.png")},
        {"VIDEO=", shell_word(o.video ? o.video : name + ".mp4")},
        {"OPTIONS=", options},
        {"DATA=", data && *data ? shell_word(data) : ""},
    };
    // Each setting's first line is replaced, its comment kept in its column.
    bool done[sizeof settings / sizeof settings[0]] = {};
    std::string text = RENDER_ARRAY_SCRIPT;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        for (size_t i = 0; i < sizeof settings / sizeof settings[0]; i++) {
            if (done[i] || line.compare(0, strlen(settings[i].first), settings[i].first))
                continue;
            done[i] = true;
            size_t comment = line.find("  # ");
            std::string filled = settings[i].first + settings[i].second;
            if (comment != std::string::npos)
                filled += std::string(filled.size() < comment ? comment - filled.size() : 0, ' ') + "  " +
                          line.substr(line.find('#', comment));
            text.replace(at, end - at, filled);
            end = at + filled.size();
        }
        at = end + 1;
    }
    fputs(text.c_str(), stdout);
    return 0;
}

int main(int argc, char** argv)
{
    BatchOptions o;
    if (parse_options(argc, argv, &o) != 0)
        return 2;
    if (slurm_tasks)
        return print_slurm_script(o);
    o.read_project = read_project_file;
    return run_batch(o);
}
