// The interactive program driven by scripts without a display. Each run is
// checked by what it leaves behind: the project it saves (read back here),
// the files and screen dumps it writes and its log of questions.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: PROJECT_HEADER_SIZE, read_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, OBJ_COMET, OBJ_PLANET
#include "store/store.h"       // Required for: ChoiceList, D_PLANET_DIAMETER, D_REF_DISTANCE
#include "test_support.h"

namespace {

constexpr int W = 640, H = 480, LH = 16; // the default screen and its text line

class Scripted : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string data_project; // the default project the program finds
    void SetUp() override
    {
        std::string why;
        if (!novamir_runnable(&why))
            GTEST_SKIP() << why;
        char path[1024];
        ASSERT_TRUE(find_data_file("NOVAMIR.CFG", path, sizeof path));
        data_project = path;
    }
    ProgramRun run(const std::string& script, const std::vector<std::string>& want_in_log = {})
    {
        ProgramRun r = run_novamir(script);
        EXPECT_EQ(r.status, 0) << r.output;
        std::string missing;
        EXPECT_TRUE(log_has_in_order(r.log, want_in_log, &missing)) << "missing: " << missing;
        return r;
    }
    void read_saved(const char* name)
    {
        clear_objects();
        ASSERT_EQ(read_project_file(name), 0) << name;
    }
    Picture dump(const std::string& name)
    {
        Picture p;
        EXPECT_TRUE(read_picture(name, &p)) << name;
        return p;
    }
};

using Start_and_exit = Scripted;
using Views = Scripted;

TEST_F(Start_and_exit, questions_in_order_and_saving_on_the_way_out)
{
    run(script_start() +
            "key Esc\nkey n\nkey n   # not REALLY EXIT: the program goes on\n"
            "key Esc\nkey y\nkey y   # save over NOVAMIR.CFG\nkey y\n",
        {"Maximum Frame size: 640 x 480", "Maximum input BMP image:  640 x 256",
         "Planet TOPology file novamir1.top loaded", "Load project NOVAMIR.CFG?",
         "EXIT!! Save PROJECT file first???", "REALLY EXIT ??????", "EXIT!! Save PROJECT file first???",
         "Overwrite project NOVAMIR.CFG?", "REALLY EXIT ??????"});
    // Loaded and saved again unchanged, the project is the same file.
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), read_file_bytes(data_project));

    // Without the default project the store keeps its start values: every
    // choice shows the label of its integer, so FADE TYPE's first Enter gives
    // "Linear" after "None".
    run(script_start(false) + "key Alt-S\nkey Down Down Down Enter   # FADE TYPE\nkey Esc\n" +
        "key Esc\nkey y\nkey y\nkey y\n");
    read_saved("NOVAMIR.CFG");
    EXPECT_EQ(object_count, 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG").size(), (size_t)PROJECT_HEADER_SIZE);
    EXPECT_STREQ(choice_list[0].labels[choice_list[0].current], "Linear");
    for (const ChoiceList& c : choice_list)
        EXPECT_EQ(c.current, int_param[c.target]) << c.labels[0];
}

TEST_F(Start_and_exit, the_command_line_and_the_mode_error)
{
    // Depth and width by number, other numbers ignored.
    ProgramRun r = run_novamir(script_start() + script_exit(), {"24", "99", "800"});
    EXPECT_EQ(r.status, 0) << r.output;
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Maximum Frame size: 800 x 600"}, &missing));
    r = run_program(program_path("novamir"), {}, dir.path, {"DISPLAY="});
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.output.find("Unable to set graphics mode: no X display"), std::string::npos) << r.output;
}

TEST_F(Views, preview_page_view_debug_overlay_and_screen_dump)
{
    // PREVIEW DEBUG: one box for each planet, free ring, comet and bitmap of
    // the demo in frame 0 (a locked ring is drawn with its planet).
    read_saved(data_project.c_str());
    std::vector<std::string> expected;
    for (int k = 0; k < object_count; k++) {
        const ObjectRecord& o = object_slots[list_order[k]];
        if (o.w[1] > 0 || o.w[2] < 0)
            continue;
        if (o.type == OBJ_PLANET)
            expected.push_back(std::string("Planet  ") + o.name);
        else if (o.type == OBJ_RING && o.w[6] == 0)
            expected.push_back(std::string("Ring  ") + o.name);
        else if (o.type == OBJ_COMET || o.type == OBJ_BITMAP)
            expected.push_back(std::string(o.name) + " ");
    }
    ASSERT_GE(expected.size(), 3u);
    std::string script = script_start() +
                         "key Alt-F\nkey Down Down Down Down Down Down Down Down Down Down Down   # PREVIEW\n"
                         "dump page.bmp\n"
                         "key Enter\ndump preview.bmp\nkey Enter\ndump back.bmp\n"
                         "key Alt-S\nkey Down\ndump sky.bmp\nkey F2\ndump view.bmp\nkey Enter\ndump sky_back.bmp\n"
                         "key Alt-O\nkey Down Down Down Down Down Down Enter   # PREVIEW DEBUG\n"
                         "key Alt-F\nkey Enter\n";
    for (size_t k = 0; k <= expected.size(); k++) // each box, then the preview itself
        script += "key Enter\n";
    script += "dump before_f10.bmp\nkey F10\nkey Enter\nkey Esc\n" + script_exit();
    ProgramRun r = run(script, {"Save View returned 0"});

    // The preview covers the screen; the page comes back but for the status
    // band, which names the last object drawn.
    Picture page = dump("page.bmp");
    EXPECT_GT(differing_pixels(page, dump("preview.bmp"), 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(page, dump("back.bmp"), 0, 2 * LH - 1, W - 1, H - 1), 0);
    // F2 VIEW on SKY draws the gradient and stars over the whole screen.
    Picture sky = dump("sky.bmp");
    EXPECT_GT(differing_pixels(sky, dump("view.bmp"), 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(sky, dump("sky_back.bmp"), 0, 0, W - 1, H - 1), 0);

    std::vector<std::string> boxes;
    for (size_t i = 1; i + 1 < r.log.size(); i++)
        if (r.log[i].rfind("FR ", 0) == 0 && r.log[i + 1].rfind("plot ", 0) == 0)
            boxes.push_back(r.log[i - 1]);
    ASSERT_EQ(boxes.size(), expected.size());
    for (const std::string& want : expected) {
        bool found = false;
        for (const std::string& box : boxes)
            found = found || box.rfind(want, 0) == 0;
        EXPECT_TRUE(found) << "no box for " << want;
    }
    // F10 writes what the screen shows.
    EXPECT_EQ(differing_pixels(dump("before_f10.bmp"), dump("NVMRVIEW.PCX"), 0, 0, W - 1, H - 1), 0);
}

} // namespace
