// novamir-render end to end: the same frames every way, abandoned frames, exit statuses, messages.
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir
#include <sys/wait.h> // Required for: WEXITSTATUS

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: read_project_file, write_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, ObjectRecord, object_slots
#include "store/store.h"       // Required for: F_PATH_ENABLE, F_SAVE_BMP, F_SAVE_TGA
#include "test_support.h"

namespace {

const std::string renderer = std::string(NOVAMIR_BIN_DIR) + "/novamir-render";
using Frames = std::map<std::string, std::vector<uint8_t>>;

class Render_app : public ::testing::Test {
protected:
    ScratchDir dir;
    ObjectRecord* ship = nullptr; // the demo's bitmap object
    std::vector<std::string> samples;
    void SetUp() override
    {
        char path[1024];
        if (!std::filesystem::exists(renderer))
            GTEST_SKIP() << "novamir-render is not built";
        if (!find_data_file("novamir3.dat", path, sizeof path) || !find_data_file("NOVAMIR.CFG", path, sizeof path))
            GTEST_SKIP() << "the data files are not built";
        ASSERT_EQ(read_project_file(path), 0);
        // Twelve frames from 20, both writers, in the middle of every journey.
        int_param[I_START_FRAME] = 20, int_param[I_END_FRAME] = 31;
        flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 1, flag_param[F_PATH_ENABLE] = 0;
        strcpy(str_param[S_PROJECT_NAME], "SCENE");
        for (int k = 0; k < object_count; k++)
            if (object_slots[k].type == OBJ_BITMAP)
                ship = &object_slots[k];
        ASSERT_NE(ship, nullptr);
    }
    // Copies a sample (as name, or as stem%03d.TGA for frames first..last)
    // into the scratch directory, to be copied into every run.
    void use_sample(const char* name, const char* stem = nullptr, int first = 0, int last = -1)
    {
        char from[1024];
        ASSERT_TRUE(find_data_file(name, from, sizeof from)) << name;
        for (int f = first; f <= (stem ? last : first); f++) {
            char to[64];
            snprintf(to, sizeof to, stem ? "%s%03d.TGA" : "%s", stem ? stem : name, f);
            write_file_bytes(dir.path + "/" + to, read_file_bytes(from));
            samples.push_back(to);
        }
    }
    // Renders the store as SCENE.CFG, with the samples (and a broken data
    // file of that name, if given) in a fresh sub-directory. Returns the
    // frame files written; the output goes to *text.
    Frames run(const std::string& name, const std::string& args, int status = 0, const char* broken = nullptr,
               std::string* text = nullptr)
    {
        std::string sub = dir.path + "/" + name;
        mkdir(sub.c_str(), 0755);
        EXPECT_EQ(write_project_file((sub + "/SCENE.CFG").c_str()), 0);
        for (const std::string& s : samples)
            write_file_bytes(sub + "/" + s, read_file_bytes(dir.path + "/" + s));
        if (broken)
            write_file_bytes(sub + "/" + broken, std::vector<uint8_t>(100, 1));
        int rc = system(("cd '" + sub + "' && '" + renderer + "' " + args + " SCENE.CFG >out.txt 2>&1").c_str());
        std::string out = read_file_text(sub + "/out.txt");
        EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, status) << name << ": " << out;
        if (text)
            *text = out;
        Frames frames;
        for (const auto& e : std::filesystem::directory_iterator(sub))
            if (std::regex_match(e.path().filename().string(), std::regex(".*[0-9]{3}\\.(tga|bmp)")))
                frames[e.path().filename().string()] = read_file_bytes(e.path().string());
        return frames;
    }
};

} // namespace

TEST_F(Render_app, every_way_of_rendering_gives_the_same_frames)
{
    // The ship takes a new picture every frame and the backdrop is a PCX, so
    // the held image and the surface map change hands within each frame.
    strcpy(str_param[S_BACKDROP], "NEBULA.PCX");
    ship->w[13] = 1; // FILE SEARCH
    use_sample("NEBULA.PCX");
    use_sample("SHIP.TGA");
    use_sample("SHIP.TGA", "SHIP", 20, 31);
    Frames all = run("seq", "--jobs 1"), jobs = run("jobs", "--jobs 3"), single = run("single", "--frame 31");
    ASSERT_EQ(std::make_tuple(all.size(), jobs.size(), single.size()), std::make_tuple(24u, 24u, 2u));
    for (auto* set : {&jobs, &single})
        for (auto& [name, bytes] : *set)
            EXPECT_TRUE(bytes == all[name]) << name;
    // The frames do change along the run.
    EXPECT_FALSE(all["SCENE020.tga"] == all["SCENE031.tga"]);
}

TEST_F(Render_app, an_abandoned_frame_stops_every_worker_at_the_same_place)
{
    // The ship's numbered pictures run out after frame 24 and the plain name
    // does not exist: frame 25 asks, and without --yes the run stops there.
    ship->w[13] = 1;
    strcpy(ship->name, "GONE.TGA");
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA", "GONE", 20, 24);
    Frames stopped = run("stop", "--jobs 3", 1);
    EXPECT_EQ(stopped.size(), 10u);
    EXPECT_EQ(stopped.count("SCENE024.tga") * 10 + stopped.count("SCENE025.tga"), 10u);
    std::string text;
    EXPECT_TRUE(run("late", "--jobs 2 --frames 28-31", 1, nullptr, &text).empty());
    for (const char* said : {"stopped at frame 25", "Error reading GONE.TGA file."})
        EXPECT_NE(text.find(said), std::string::npos) << text;

    // --yes goes on with the picture held from before, the same in every worker.
    Frames yes_seq = run("yes1", "--yes --jobs 1");
    Frames yes_par = run("yes3", "--yes --jobs 3");
    ASSERT_EQ(yes_seq.size(), 24u);
    EXPECT_TRUE(yes_par == yes_seq);
}

// The exit status tells the truth and every message reaches stderr: usage
// errors give 2, warnings keep 0 when the frames are written, a project that
// cannot give one file and the first frame that cannot be written end the
// run with 1.
TEST_F(Render_app, exit_status_and_messages)
{
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    struct Case {
        const char* name;
        void (*change)(); // on the store before SCENE.CFG is written
        const char* broken_file;
        const char* args;
        int status;
        const char* text;
    } cases[] = {
        {"width", nullptr, nullptr, "--width 700", 2, "--width must be 640, 800 or 1024, got \"700\""},
        {"frames", nullptr, nullptr, "--frames 9-3", 2, "frames must run from a lower to a higher number"},
        {"help", nullptr, nullptr, "--help", 0, "usage: novamir-render"},
        {"no size", [] { int_param[I_WIDTH] = 0; }, nullptr, "", 1,
         "SCENE.CFG: no frame can be written: its frame size is 0 x"},
        {"no format", [] { flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 0; }, nullptr, "", 1,
         "neither SAVE AS TGA nor SAVE AS BMP is on"},
        {"no dir", [] {
             flag_param[F_PATH_ENABLE] = 1;
             strcpy(str_param[S_OUTPUT_PATH], "nodir/");
             str_param[S_BITMAP_PATH][0] = 0; // the pictures lie beside the project
         }, nullptr, "--jobs 2", 1, "cannot write nodir/SCENE020.bmp: No such file or directory"},
        {"topology", nullptr, "novamir1.top", "--frame 20", 0,
         "novamir1.top: 100 bytes, shorter than its 580-byte header."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 1, flag_param[F_PATH_ENABLE] = 0;
        int_param[I_WIDTH] = 320;
        if (c.change)
            c.change();
        std::string text;
        Frames frames = run(c.name, c.args, c.status, c.broken_file, &text);
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        EXPECT_EQ(text.find("Maximum Frame size"), std::string::npos) << text;
        EXPECT_TRUE(c.status == 0 || frames.empty());
    }
    int rc = system(("cd '" + dir.path + "' && '" + renderer + "' NOPE.CFG >out.txt 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 1) << "a project that cannot be read";
}
