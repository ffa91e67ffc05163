// Golden frames: small projects that together touch every renderer, every
// travel curve and the state carried from frame to frame are rendered by
// novamir-render, and every frame's bytes are compared with the hashes kept
// in golden_frames.txt. A change that alters pictures, even all of them alike,
// fails here; re-record only on purpose (see the top of golden_frames.txt).
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: stat
#include <sys/wait.h> // Required for: WIFEXITED

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace {

using json = nlohmann::ordered_json;

const std::string bin_dir = NOVAMIR_BIN_DIR;
const std::string scene_dir = std::string(NOVAMIR_SOURCE_DIR) + "/tests/render/scenes/";
const std::string golden_path = std::string(NOVAMIR_SOURCE_DIR) + "/tests/render/golden_frames.txt";

// Each scene: a project file of scenes/ (or the demo project), rendered from
// its START FRAME to its END FRAME in one run, so every frame carries the
// state the frames before it left; the frames whose hashes are kept.
struct Scene {
    const char* name;
    const char* hashed; // three-digit frame numbers, or "" for every frame
};
const Scene scenes[] = {
    {"sky_linear_north", ""},
    {"sky_polar_south_precise", ""},
    {"backdrop_tga_no_fade", ""},
    {"backdrop_bmp_8bit_output", ""},
    {"backdrop_pcx", ""},
    {"planets_full_and_colour", ""},
    {"planets_half_maps", ""},
    {"ring_locked_shadow", ""},
    {"ring_locked_colour", ""},
    {"rings_free", ""},
    {"comets", ""},
    {"bitmaps", ""},
    {"bitmaps_edges", ""},
    {"demo", "000 005 030 059"}, // first, the ship's first, middle, last
};

json read_json(const std::string& path)
{
    std::ifstream in(path);
    json j;
    if (in)
        j = json::parse(in, nullptr, false);
    return j;
}

// A scene file gives only what differs from base.json; each of its objects
// only what differs from the template of its type there.
json scene_project(const std::string& name)
{
    if (name == "demo")
        return read_json(std::string(NOVAMIR_SOURCE_DIR) + "/data/demo.json");
    json base = read_json(scene_dir + "base.json");
    json scene = read_json(scene_dir + name + ".json");
    if (base.is_discarded() || scene.is_discarded() || !scene.is_object())
        return json();
    json templates = base["object templates"];
    base.erase("object templates");
    json objects = json::array();
    for (const json& o : scene.value("objects", json::array())) {
        json t = templates[o.value("type", "")];
        t.merge_patch(o);
        // At rest an object keeps the distance it was stored with: its REF DISTANCE.
        if (!o.contains("distance"))
            for (const auto& f : t["fields"].items())
                if (f.key().find("(d9)") != std::string::npos)
                    t["distance"] = f.value();
        objects.push_back(t);
    }
    scene.erase("objects");
    base.merge_patch(scene);
    base["objects"] = objects;
    return base;
}

int run(const std::string& cmd)
{
    int status = system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Renders a scene in the current directory: "file hash" for every frame written.
std::map<std::string, std::string> render_scene(const Scene& s)
{
    std::map<std::string, std::string> out;
    json project = scene_project(s.name);
    EXPECT_TRUE(project.is_object()) << "cannot read the scene " << s.name;
    if (!project.is_object())
        return out;
    std::ofstream(std::string(s.name) + ".json") << project.dump(1);
    std::string cfg = std::string(s.name) + ".CFG";
    EXPECT_EQ(run("'" + bin_dir + "/novamir-project' build " + s.name + ".json -o " + cfg + " 2>build.txt"), 0)
        << s.name << ": the project does not build";
    if (run("'" + bin_dir + "/novamir-render' --jobs 1 --yes " + cfg + " >render.txt 2>&1") != 0) {
        std::vector<uint8_t> said = read_file_bytes("render.txt");
        ADD_FAILURE() << s.name << ": novamir-render failed:\n" << std::string(said.begin(), said.end());
    }
    FILE* p = popen("ls | grep -E '[0-9]{3}\\.(tga|bmp)$'", "r");
    char line[256];
    while (p && fgets(line, sizeof line, p)) {
        line[strcspn(line, "\n")] = 0;
        std::string number(line + strlen(line) - 7, 3);
        if (s.hashed[0] && !strstr(s.hashed, number.c_str()))
            continue;
        std::vector<uint8_t> bytes = read_file_bytes(line);
        char hex[17];
        snprintf(hex, sizeof hex, "%016" PRIx64, fnv1a(bytes.data(), bytes.size()));
        out[line] = hex;
    }
    if (p)
        pclose(p);
    return out;
}

using Table = std::map<std::string, std::map<std::string, std::string>>; // scene -> file -> hash

Table read_golden()
{
    Table t;
    std::ifstream in(golden_path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream f(line);
        std::string scene, file, hash;
        if (f >> scene >> file >> hash)
            t[scene][file] = hash;
    }
    return t;
}

void write_golden(const Table& t)
{
    std::string header;
    std::ifstream in(golden_path);
    for (std::string line; std::getline(in, line) && !line.empty() && line[0] == '#';)
        header += line + "\n";
    std::ofstream out(golden_path);
    out << header;
    for (const auto& scene : t)
        for (const auto& frame : scene.second)
            out << scene.first << " " << frame.first << " " << frame.second << "\n";
}

bool built(const std::string& program)
{
    struct stat st;
    return stat((bin_dir + "/" + program).c_str(), &st) == 0;
}

} // namespace

TEST(Golden_frames, every_scene_renders_its_recorded_frames)
{
    ASSERT_TRUE(built("novamir-render") && built("novamir-project"))
        << "build novamir-render and novamir-project first (cmake --build build)";
    const bool record = getenv("NOVAMIR_RECORD_GOLDEN") != nullptr;
    const char* keep = getenv("NOVAMIR_GOLDEN_FRAMES_DIR");
    Table golden = read_golden();
    Table seen;
    for (const Scene& s : scenes) {
        ScratchDir dir;
        seen[s.name] = render_scene(s);
        if (keep)
            run(std::string("mkdir -p '") + keep + "/" + s.name + "' && cp *.tga *.bmp *.json '" + keep + "/" +
                s.name + "/' 2>/dev/null");
        EXPECT_FALSE(seen[s.name].empty()) << s.name << ": no frame was written";
        if (record)
            continue;
        EXPECT_EQ(seen[s.name], golden[s.name]) << s.name << ": the frames differ from golden_frames.txt";
    }
    if (record && !::testing::Test::HasFailure())
        write_golden(seen);
}
