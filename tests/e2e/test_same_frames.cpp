// DOFRAME and DOALL in the interactive program write the very files the
// batch renderer writes for the same project and data.
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

#include <string>
#include <vector>

#include "e2e_support.h"
#include "test_support.h"

namespace {

class Same_frames : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        std::string why;
        if (!novamir_runnable(&why))
            GTEST_SKIP() << why;
    }
    // The demo from frame 20 (every object in range, the ship among them),
    // with both writers on, saved by the program itself; then the command
    // row r of the FILE page, answered yes.
    std::string script_for(int row, int end_frame, bool wait_after)
    {
        return script_start() +
               "key Alt-O\n"
               "key Down Down Down   # SAVE AS BMP\n"
               "key Enter\n"
               "key Alt-F\n" +
               script_click_row(1) + script_type_over("20", 4) + "key Enter\n" +  // START FRAME
               script_click_row(2) + script_type_over(std::to_string(end_frame), 4) + "key Enter\n" +
               script_click_row(3) + script_type_over("20", 4) + "key Enter\n" +  // THIS FRAME
               script_click_row(10) + "key y\n" +                                 // SAVE PROJECT
               script_click_row(row) + "key y\n" + (wait_after ? "key Enter\n" : "") + "key Esc\n" +
               script_exit();
    }
    // Renders the saved project with novamir-render in a directory of its own.
    std::string render(const std::vector<std::string>& args)
    {
        std::string batch = dir.path + "/batch";
        mkdir(batch.c_str(), 0755);
        write_file_bytes(batch + "/NOVAMIR.CFG", read_file_bytes("NOVAMIR.CFG"));
        std::vector<std::string> all = args;
        all.insert(all.end(), {"--jobs", "1", "NOVAMIR.CFG"});
        ProgramRun r = run_program(program_path("novamir-render"), all, batch);
        EXPECT_EQ(r.status, 0) << r.output;
        return batch;
    }
    void expect_same_file(const std::string& name, const std::string& batch)
    {
        std::vector<uint8_t> ours = read_file_bytes(name), theirs = read_file_bytes(batch + "/" + name);
        ASSERT_FALSE(ours.empty()) << name << " was not written by the program";
        ASSERT_FALSE(theirs.empty()) << name << " was not written by novamir-render";
        EXPECT_TRUE(ours == theirs) << name << " differs";
    }
};

TEST_F(Same_frames, doframe_writes_the_renderers_bmp_and_tga)
{
    ProgramRun r = run_novamir(script_for(12, 59, true));
    ASSERT_EQ(r.status, 0) << r.output;
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Create frame image 020?"}, &missing));
    std::string batch = render({"--frame", "20"});
    expect_same_file("NOVAM020.bmp", batch);
    expect_same_file("NOVAM020.tga", batch);
}

TEST_F(Same_frames, doall_writes_the_renderers_frames)
{
    ProgramRun r = run_novamir(script_for(13, 22, false));
    ASSERT_EQ(r.status, 0) << r.output;
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Create frames 020 to 022?"}, &missing));
    std::string batch = render({});
    for (int f = 20; f <= 22; f++) {
        expect_same_file("NOVAM0" + std::to_string(f) + ".bmp", batch);
        expect_same_file("NOVAM0" + std::to_string(f) + ".tga", batch);
    }
    std::vector<uint8_t> none = read_file_bytes("NOVAM023.tga");
    EXPECT_TRUE(none.empty());
}

} // namespace
