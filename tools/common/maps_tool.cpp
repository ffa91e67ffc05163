// novamir-maps: lists, adds, replaces, removes and extracts the map records
// of a topology file. Every change is written whole or not at all.
#include "maps_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib> // Required for: strtol
#include <cstring>
#include <string>
#include <vector>

#include <png.h> // Required for: png_image_write_to_file

#include "maps.h"
#include "platform/atomic_file.h" // Required for: write_bytes_atomically, write_file_atomically
#include "platform/platform.h"    // Required for: find_data_file, read_rest
#include "store/topology_format.h" // Required for: TOPOLOGY_NAME_LEN, topology_type_is_raw

namespace nmk {

static const char* const TOOL = "novamir-maps";
static const char* const TOPOLOGY_NAME = "novamir1.top"; // the file the program looks up

static const char USAGE[] =
    "usage: novamir-maps [-f FILE.top] [-o OUT.top] COMMAND ...\n"
    "  list                          records: number, picker number, name, kind, size, palette\n"
    "  add NAME IMAGE [--kind full|half|ring-strip|ring-face] [--at N]\n"
    "                                a picture (PNG, JPEG, TGA, BMP) of any size as a new record\n"
    "  replace N IMAGE               record N's picture; name, kind and size stay\n"
    "  remove N                      record N; the records after it move down one\n"
    "  extract N OUT.png             record N's picture in its colours\n"
    "-f names the topology file (else novamir1.top as the program finds it);\n"
    "-o writes the changed file there instead of over the one read.\n";

static int bad_usage(const char* why)
{
    fprintf(stderr, "%s: %s\n%s", TOOL, why, USAGE);
    return 2;
}

static int fail(const std::string& file, const std::string& why)
{
    fprintf(stderr, "%s: %s: %s\n", TOOL, file.c_str(), why.c_str());
    return 1;
}

static bool read_whole(const std::string& path, std::vector<uint8_t>& out)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    const bool ok = read_rest(f, out);
    fclose(f);
    return ok;
}

// A whole non-negative number, or -1.
static int number_of(const char* text)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (!*text || *end || errno || v < 0 || v > 100000)
        return -1;
    return (int)v;
}

static void list_records(const TopoFile& file)
{
    printf("%-6s %-6s %-11s %-10s %-7s %s\n", "record", "picker", "name", "kind", "size", "palette");
    for (int i = 0; i < (int)file.records.size(); i++) {
        const TopoRecord& r = file.records[i];
        std::string picker = i < file.planets_on_file ? "P" + std::to_string(i) : "";
        for (int j = 0; j < file.rings_on_file; j++)
            if (file.ring_records[j] == i)
                picker += (picker.empty() ? "R" : " R") + std::to_string(j);
        std::string size = r.map_type == 6 ? std::to_string(r.opaque.size()) + "B"
                                           : std::to_string(r.image.width) + "x" + std::to_string(r.image.height);
        std::string palette = topology_type_is_raw(r.map_type)
                                  ? (r.palette_source ? "record " + std::to_string(r.palette_source) : "previous")
                                  : (r.map_type == 6 ? "-" : "own");
        printf("%-6d %-6s %-11s %-10s %-7s %s\n", i, picker.empty() ? "-" : picker.c_str(), r.name.c_str(),
               record_kind_word(file, i).c_str(), size.c_str(), palette.c_str());
    }
}

static int write_png(const std::string& path, const RgbImage& im)
{
    return write_file_atomically(path.c_str(), [&](const char* temp) {
        png_image out;
        memset(&out, 0, sizeof out);
        out.version = PNG_IMAGE_VERSION;
        out.width = (png_uint_32)im.width;
        out.height = (png_uint_32)im.height;
        out.format = PNG_FORMAT_RGB;
        return png_image_write_to_file(&out, temp, 0, im.pixels.data(), 0, nullptr) ? 0 : -1;
    });
}

int maps_tool(int argc, char** argv)
{
    std::string in_path, out_path;
    std::vector<std::string> args;
    MapKind kind = KIND_FULL;
    int at = -1;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            fputs(USAGE, stdout);
            return 0;
        }
        if (a == "--version") {
            printf("%s %s\n", TOOL, NOVAMIR_VERSION);
            return 0;
        }
        bool takes = a == "-f" || a == "-o" || a == "--kind" || a == "--at";
        if (takes && i + 1 >= argc)
            return bad_usage((a + " needs a value").c_str());
        if (a == "-f")
            in_path = argv[++i];
        else if (a == "-o")
            out_path = argv[++i];
        else if (a == "--kind") {
            kind = map_kind_named(argv[++i]);
            if (kind == KIND_COUNT)
                return bad_usage("--kind is one of full, half, ring-strip, ring-face");
        } else if (a == "--at") {
            if ((at = number_of(argv[++i])) < 0)
                return bad_usage("--at needs a record number");
        } else if (a.size() > 1 && a[0] == '-')
            return bad_usage(("unknown option " + a).c_str());
        else
            args.push_back(a);
    }
    if (args.empty())
        return bad_usage("no command");
    const std::string cmd = args[0];
    const size_t want = cmd == "list" ? 1 : (cmd == "remove" ? 2 : 3);
    if (cmd != "list" && cmd != "add" && cmd != "replace" && cmd != "remove" && cmd != "extract")
        return bad_usage(("unknown command " + cmd).c_str());
    if (args.size() != want)
        return bad_usage((cmd + " takes " + std::to_string(want - 1) + " arguments").c_str());
    int n = -1;
    if (cmd == "replace" || cmd == "remove" || cmd == "extract")
        if ((n = number_of(args[1].c_str())) < 0)
            return bad_usage((cmd + " needs a record number").c_str());

    if (in_path.empty()) {
        char found[4096];
        if (!find_data_file(TOPOLOGY_NAME, found, sizeof found))
            return fail(TOPOLOGY_NAME, "not found here, in $NOVAMIR_DATA or with the program's data");
        in_path = found;
    }
    std::vector<uint8_t> bytes;
    if (!read_whole(in_path, bytes))
        return fail(in_path, std::string("cannot read the file: ") + strerror(errno));
    TopoFile file;
    std::string error;
    if (!parse_topology(bytes, file, error))
        return fail(in_path, error);

    if (cmd == "list") {
        list_records(file);
        return 0;
    }
    if (cmd == "extract") {
        RgbImage picture;
        if (!record_picture(file, n, picture, error))
            return fail(in_path, error);
        if (write_png(args[2], picture) != 0)
            return fail(args[2], std::string("cannot write the picture: ") + strerror(errno));
        return 0;
    }

    std::string said;
    if (cmd == "remove") {
        said = "removed record " + std::to_string(n) + " (" + (n < (int)file.records.size() ? file.records[n].name : "") + ")";
        if (!remove_record(file, n, error))
            return fail(in_path, error);
    } else {
        const std::string& image_path = args[2];
        RgbImage picture;
        if (!read_any_picture(image_path, picture, error))
            return fail(image_path, error);
        if (cmd == "replace") {
            if (!replace_record(file, n, picture, error))
                return fail(in_path, error);
            said = "replaced the picture of record " + std::to_string(n) + " (" + file.records[n].name + ")";
        } else {
            const std::string& name = args[1];
            if (name.empty() || name.size() > TOPOLOGY_NAME_LEN - 1)
                return fail(in_path, "a record's name is 1 to 11 characters; \"" + name + "\" is not");
            const MapKindRow& k = map_kinds[kind];
            RgbImage sized = resample_map(picture, k.width, k.height, kind == KIND_FULL || kind == KIND_RING_STRIP);
            if (!insert_record(file, at, record_of_kind(name, kind, sized), k.ring, error))
                return fail(in_path, error);
            said = "added " + name + " as record " + std::to_string(at) + " (" + k.name + ")";
        }
    }
    const std::string target = out_path.empty() ? in_path : out_path;
    std::vector<uint8_t> out = topology_bytes(file);
    if (write_bytes_atomically(target.c_str(), out.data(), out.size()) != 0)
        return fail(target, std::string("cannot write the file: ") + strerror(errno));
    printf("%s: %s\n", target.c_str(), said.c_str());
    return 0;
}

} // namespace nmk
