// novamir-project: the text face of project files. Prints a project as JSON,
// builds the binary file back from JSON byte for byte, or writes a new
// project holding the planet database's start values.
//
//   novamir-project dump FILE.CFG
//   novamir-project build FILE.json -o FILE.CFG
//   novamir-project new -o FILE.CFG
//
// The JSON: "integers", "decimals", "flags" and "strings" name every store
// entry (by menu name, or "integer 20" for one without); "choices" give each
// list's selection by label; "objects" in file order, each with its type,
// frame range, name, "fields" named "<entry> (<field>)" by the store map,
// "distance" (d24) and "other" for non-zero fields its type does not use.
// Decimals are the shortest numbers that read back to the same bits; a NaN
// or infinity is the text "0x" and its 16 hex digits. A text field whose
// bytes its text alone cannot give back (bytes after the NUL, no NUL,
// unprintable bytes) is {"text", "raw"}, raw being all its bytes in hex.
// Bytes after the last record are kept as "trailing_bytes".
#include <cstdio>  // Required for: fprintf, printf
#include <cstring> // Required for: strcmp
#include <string>
#include <vector>

#include "planets/planets.h"      // Required for: read_planet_database
#include "platform/platform.h"    // Required for: init_headless
#include "shell/project_json.h"   // Required for: PROJECT_JSON_MAX_SIZE, project_from_json, project_to_json
#include "shell/project_layout.h" // Required for: ProjectImage, decode_project, encode_project
#include "shell/shell.h"          // Required for: write_project_file
#include "store/canvas.h"         // Required for: MAX_FRAME_SIDE, MIN_FRAME_SIDE
#include "store/records.h"        // Required for: clear_objects
#include "store/store.h"          // Required for: reset_store

// Reads a whole file, at most cap bytes and one more to tell that it is longer.
static bool read_bytes(const char* path, std::vector<uint8_t>* bytes, size_t cap)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while (bytes->size() <= cap && (got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = !ferror(f);
    fclose(f);
    if (bytes->size() > cap + 1)
        bytes->resize(cap + 1);
    return ok;
}

// Longest file the tool reads: a full project plus generous trailing bytes.
constexpr size_t TOOL_READ_LIMIT = 1 << 20;

// Says where the project's frame size stands against what the renderers
// make: a warning on stderr, the file is still read or written.
static void check_frame_size(const char* path, const ProjectImage& p)
{
    const int w = p.ints[I_WIDTH], h = p.ints[I_HEIGHT];
    if (w < MIN_FRAME_SIDE || h < MIN_FRAME_SIDE || w > MAX_FRAME_SIDE || h > MAX_FRAME_SIDE)
        fprintf(stderr,
                "novamir-project: %s: WIDTH x HEIGHT %d x %d: novamir-render makes frames of %d to %d pixels a side\n",
                path, w, h, MIN_FRAME_SIDE, MAX_FRAME_SIDE);
    else if (w > 1024 || h > 768)
        fprintf(stderr,
                "novamir-project: %s: WIDTH x HEIGHT %d x %d: novamir-render makes frames of this size; the "
                "program's largest screen (1024 x 768) adjusts it on LOAD\n",
                path, w, h);
}

static int cmd_dump(const char* path)
{
    std::vector<uint8_t> bytes;
    if (!read_bytes(path, &bytes, TOOL_READ_LIMIT)) {
        fprintf(stderr, "novamir-project: %s: cannot read the file\n", path);
        return 1;
    }
    if (bytes.size() > TOOL_READ_LIMIT) {
        fprintf(stderr, "novamir-project: %s: longer than any project file\n", path);
        return 1;
    }
    ProjectImage* p = new ProjectImage;
    const char* why = "";
    if (decode_project(bytes.data(), bytes.size(), p, &why) != 0) {
        fprintf(stderr, "novamir-project: %s: not a project file: %s\n", path, why);
        delete p;
        return 1;
    }
    check_frame_size(path, *p);
    std::vector<uint8_t> trailing(bytes.end() - (long)p->trailing, bytes.end());
    std::string text = project_to_json(*p, trailing);
    delete p;
    printf("%s\n", text.c_str());
    return 0;
}

static int cmd_build(const char* in_path, const char* out_path)
{
    std::vector<uint8_t> text;
    if (!read_bytes(in_path, &text, PROJECT_JSON_MAX_SIZE)) {
        fprintf(stderr, "novamir-project: %s: cannot read the file\n", in_path);
        return 1;
    }
    ProjectImage* p = new ProjectImage;
    std::vector<uint8_t> trailing;
    std::string error;
    bool ok = project_from_json((const char*)text.data(), text.size(), p, &trailing, &error) == 0;
    std::vector<uint8_t> bytes;
    if (ok) {
        check_frame_size(in_path, *p);
        bytes = encode_project(*p);
        bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    }
    delete p;
    if (!ok) {
        fprintf(stderr, "novamir-project: %s: %s\n", in_path, error.c_str());
        return 1;
    }
    if (replace_file_safely(out_path, bytes) != 0) {
        fprintf(stderr, "novamir-project: %s: cannot write the file\n", out_path);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// new

static int cmd_new(const char* out_path)
{
    if (init_headless() != 0) {
        fprintf(stderr, "novamir-project: cannot start the graphics library\n");
        return 1;
    }
    reset_store();
    clear_objects();
    if (read_planet_database() != 0)
        return 1; // the database loader has said why
    if (write_project_file(out_path) != 0) {
        fprintf(stderr, "novamir-project: %s: cannot write the file\n", out_path);
        return 1;
    }
    return 0;
}

static const char USAGE[] =
    "usage: novamir-project dump FILE.CFG              print a project as JSON\n"
    "       novamir-project build FILE.json -o FILE.CFG  write a project from JSON\n"
    "       novamir-project new -o FILE.CFG            write a project of start values\n"
    "       novamir-project --help | --version\n";

// A bad command line: the usage on stderr, status 2.
static int usage()
{
    fputs(USAGE, stderr);
    return 2;
}

int main(int argc, char** argv)
{
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("novamir-project %s\n", NOVAMIR_VERSION);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "dump") == 0)
        return cmd_dump(argv[2]);
    if (argc == 5 && strcmp(argv[1], "build") == 0 && strcmp(argv[3], "-o") == 0)
        return cmd_build(argv[2], argv[4]);
    if (argc == 4 && strcmp(argv[1], "new") == 0 && strcmp(argv[2], "-o") == 0)
        return cmd_new(argv[3]);
    return usage();
}
