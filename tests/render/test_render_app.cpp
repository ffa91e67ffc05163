// novamir-render end to end: every frame is the same whether it comes from
// one sequential run, a sub-range, a single frame or any worker of --jobs;
// an abandoned frame stops the run wherever it falls.
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir, stat

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: read_project_file, write_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, ObjectRecord, object_slots
#include "store/store.h"       // Required for: F_PATH_ENABLE, F_SAVE_BMP, F_SAVE_TGA
#include "test_support.h"

namespace {

const std::string renderer = std::string(NOVAMIR_BIN_DIR) + "/novamir-render";

// Runs the renderer in directory dir; returns its exit status.
int render(const std::string& dir, const std::string& args)
{
    std::string cmd = "cd '" + dir + "' && '" + renderer + "' " + args + " >out.txt 2>&1";
    int status = system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every frame file of a directory with its bytes.
std::map<std::string, std::vector<uint8_t>> frames_in(const std::string& dir)
{
    std::map<std::string, std::vector<uint8_t>> out;
    FILE* p = popen(("ls '" + dir + "' | grep -E '[0-9]{3}\\.(tga|bmp)$'").c_str(), "r");
    char line[256];
    while (p && fgets(line, sizeof line, p)) {
        line[strcspn(line, "\n")] = 0;
        out[line] = read_file_bytes(dir + "/" + line);
    }
    if (p)
        pclose(p);
    return out;
}

class Render_app : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        struct stat st;
        if (stat(renderer.c_str(), &st) != 0)
            GTEST_SKIP() << "novamir-render is not built";
        char path[1024];
        if (!find_data_file("novamir3.dat", path, sizeof path) || !find_data_file("NOVAMIR.CFG", path, sizeof path))
            GTEST_SKIP() << "the data files are not built";
        ASSERT_EQ(read_project_file(path), 0);
        // Twelve frames from 20, both writers, in the middle of every journey.
        int_param[I_START_FRAME] = 20;
        int_param[I_END_FRAME] = 31;
        flag_param[F_SAVE_BMP] = 1;
        flag_param[F_SAVE_TGA] = 1;
        flag_param[F_PATH_ENABLE] = 0;
        strcpy(str_param[S_PROJECT_NAME], "SCENE");
        for (int k = 0; k < object_count; k++)
            if (object_slots[k].type == OBJ_BITMAP)
                ship = &object_slots[k];
        ASSERT_NE(ship, nullptr);
    }
    ObjectRecord* ship = nullptr; // the demo's bitmap object
    // A fresh sub-directory holding SCENE.CFG (the store, or raw bytes) and
    // the samples in use; returns its path.
    std::string prepare(const std::string& name, const std::vector<uint8_t>& raw = {})
    {
        std::string sub = dir.path + "/" + name;
        mkdir(sub.c_str(), 0755);
        if (raw.empty())
            EXPECT_EQ(write_project_file((sub + "/SCENE.CFG").c_str()), 0);
        else
            write_file_bytes(sub + "/SCENE.CFG", raw);
        for (const std::string& extra : extra_files)
            write_file_bytes(sub + "/" + extra, read_file_bytes(dir.path + "/" + extra));
        return sub;
    }
    std::string output(const std::string& sub)
    {
        std::vector<uint8_t> out = read_file_bytes(sub + "/out.txt");
        return std::string(out.begin(), out.end());
    }
    // Renders into a fresh sub-directory; returns its path.
    std::string run(const std::string& name, const std::string& args, int expect_status = 0)
    {
        std::string sub = prepare(name);
        EXPECT_EQ(render(sub, args + " SCENE.CFG"), expect_status) << name << ": " << output(sub);
        return sub;
    }
    // Copies a sample into the scratch directory, to be copied into every run.
    void use_sample(const char* name, const char* as = nullptr)
    {
        char from[1024];
        ASSERT_TRUE(find_data_file(name, from, sizeof from)) << name;
        std::string to = as ? as : name;
        write_file_bytes(dir.path + "/" + to, read_file_bytes(from));
        extra_files.push_back(to);
    }
    std::vector<std::string> extra_files;
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
    for (int f = 20; f <= 31; f++) {
        char name[32];
        snprintf(name, sizeof name, "SHIP%03d.TGA", f);
        use_sample(name);
    }
    auto all = frames_in(run("seq", "--jobs 1"));
    ASSERT_EQ(all.size(), 24u);
    auto jobs = frames_in(run("jobs", "--jobs 3"));
    auto single = frames_in(run("single", "--frame 31"));
    EXPECT_EQ(jobs.size(), 24u);
    EXPECT_EQ(single.size(), 2u);
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
    for (int f = 20; f <= 24; f++) {
        char name[32];
        snprintf(name, sizeof name, "GONE%03d.TGA", f);
        use_sample("SHIP.TGA", name);
    }
    auto stopped = frames_in(run("stop", "--jobs 3", 1));
    EXPECT_EQ(stopped.size(), 10u);
    EXPECT_EQ(stopped.count("SCENE024.tga"), 1u);
    EXPECT_EQ(stopped.count("SCENE025.tga"), 0u);
    auto late = frames_in(run("late", "--jobs 2 --frames 28-31", 1));
    EXPECT_TRUE(late.empty());
    std::string text = output(dir.path + "/late");
    EXPECT_NE(text.find("stopped at frame 25"), std::string::npos) << text;
    EXPECT_NE(text.find("Error reading GONE.TGA file."), std::string::npos) << text;

    // --yes goes on with the picture held from before, the same in every worker.
    auto yes_seq = frames_in(run("yes1", "--yes --jobs 1"));
    auto yes_par = frames_in(run("yes3", "--yes --jobs 3"));
    ASSERT_EQ(yes_seq.size(), 24u);
    for (auto& [name, bytes] : yes_par)
        EXPECT_TRUE(bytes == yes_seq[name]) << name;
    EXPECT_EQ(yes_par.size(), 24u);
}

TEST_F(Render_app, usage_errors_and_missing_projects)
{
    EXPECT_EQ(render(dir.path, "--width 700 X.CFG"), 2);
    EXPECT_EQ(render(dir.path, "--frames 9-3 X.CFG"), 2);
    EXPECT_EQ(render(dir.path, "--help"), 0);
    EXPECT_EQ(render(dir.path, "NOPE.CFG"), 1);
}

// The exit status tells the truth and every message reaches stderr: warnings
// keep 0 when the frames are written, a project that cannot give one file
// and the first frame that cannot be written end the run with 1.
TEST_F(Render_app, exit_status_and_messages)
{
    const int saved_end = int_param[I_END_FRAME];
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    struct Case {
        const char* name;
        void (*change)(); // on the store before SCENE.CFG is written
        std::vector<uint8_t> raw; // written as SCENE.CFG instead, when not empty
        const char* extra_file; // a broken novamir1.top
        const char* args;
        int status;
        const char* text;
    } cases[] = {
        {"long", nullptr, std::vector<uint8_t>(2200), nullptr, "", 1,
         "SCENE.CFG: no frame can be written: its frame size is 0 x 0"},
        {"no format", [] { flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 0; }, {}, nullptr, "", 1,
         "neither SAVE AS TGA nor SAVE AS BMP is on"},
        {"too wide", [] { int_param[I_WIDTH] = 1000; }, {}, nullptr, "--frame 20", 0, "exceeds Page size!"},
        {"end frame", [] { int_param[I_END_FRAME] = INT32_MAX; }, {}, nullptr, "--frame 20", 0,
         "SCENE.CFG: END FRAME 2147483647 is cut to 999"},
        {"no dir", [] {
             flag_param[F_PATH_ENABLE] = 1;
             strcpy(str_param[S_OUTPUT_PATH], "nodir/");
             str_param[S_BITMAP_PATH][0] = 0; // the pictures lie beside the project
         }, {}, nullptr, "--jobs 2", 1, "cannot write nodir/SCENE020.bmp: No such file or directory"},
        {"topology", nullptr, {}, "novamir1.top", "--frame 20", 0,
         "novamir1.top: 100 bytes, shorter than its 580-byte header."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 1;
        flag_param[F_PATH_ENABLE] = 0;
        int_param[I_WIDTH] = 320;
        int_param[I_END_FRAME] = saved_end;
        if (c.change)
            c.change();
        std::string sub = prepare(c.name, c.raw);
        if (c.extra_file)
            write_file_bytes(sub + "/" + c.extra_file, std::vector<uint8_t>(100, 1));
        EXPECT_EQ(render(sub, std::string(c.args) + " SCENE.CFG"), c.status);
        std::string text = output(sub);
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        EXPECT_EQ(text.find("Maximum Frame size"), std::string::npos) << text;
        EXPECT_TRUE(c.status == 0 || frames_in(sub).empty());
    }
}
