// novamir-play: a flipbook of rendered frames, in a window or under a script.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "play/play.h"   // Required for: PlayOptions, run_flipbook
#include "shell/shell.h" // Required for: read_project_file

static const char USAGE[] =
    "usage: novamir-play [--fps N] [--script FILE] PATTERN | PROJECT.CFG\n"
    "       novamir-play --help | --version\n"
    "\n"
    "Plays rendered frames in a loop in a window, reading a few frames ahead.\n"
    "PATTERN names the frames with a printf-style number, e.g. renders/shot_%04d.png;\n"
    "they are played from the lowest number there up to the first one missing.\n"
    "PROJECT.CFG plays that project's own frames (NAME000.tga, or .bmp with SAVE AS TGA\n"
    "off, in OUTPUT PATH with PATH ENABLE) from START FRAME to END FRAME.\n"
    "Frames may be TGA, BMP, PCX, PNG or JPEG.\n"
    "\n"
    "  --fps N        frames per second, 1 to 120 (default 25)\n"
    "  --script FILE  take the keys from FILE (the program's script format); without\n"
    "                 a display it runs headless, and `dump FILE` saves the screen\n"
    "  --version      the program's version\n"
    "  --help         this text\n"
    "\n"
    "Keys: Space pause/play, Left/Right step one frame, +/- faster/slower,\n"
    "Home/End first/last frame, Esc (or q) quit.\n"
    "Exit status: 0; 1 when no frames were found or a frame could not be read;\n"
    "2 for a bad command line.\n";

static int parse_options(int argc, char** argv, PlayOptions* o)
{
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            fputs(USAGE, stdout);
            exit(0);
        } else if (!strcmp(a, "--version")) {
            printf("novamir-play %s\n", NOVAMIR_VERSION);
            exit(0);
        } else if (!strcmp(a, "--fps") || !strcmp(a, "--script")) {
            if (i + 1 >= argc) {
                fprintf(stderr, "novamir-play: %s needs a value\n", a);
                return -1;
            }
            const char* v = argv[++i];
            if (!strcmp(a, "--script")) {
                o->script = v;
                continue;
            }
            char* end = nullptr;
            errno = 0;
            const long fps = strtol(v, &end, 10);
            if (errno || end == v || *end || fps < 1 || fps > PLAY_MAX_FPS) {
                fprintf(stderr, "novamir-play: --fps must be 1 to %d, got \"%s\"\n", PLAY_MAX_FPS, v);
                return -1;
            }
            o->fps = (int)fps;
        } else if (a[0] == '-' && a[1]) {
            fprintf(stderr, "novamir-play: unknown option %s\n\n%s", a, USAGE);
            return -1;
        } else if (o->source) {
            fprintf(stderr, "novamir-play: one pattern or project only (%s and %s)\n", o->source, a);
            return -1;
        } else {
            o->source = a;
        }
    }
    if (!o->source) {
        fprintf(stderr, "novamir-play: no frame pattern or project file given\n\n%s", USAGE);
        return -1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    PlayOptions o;
    if (parse_options(argc, argv, &o) != 0)
        return 2;
    o.read_project = read_project_file;
    return run_flipbook(o);
}
