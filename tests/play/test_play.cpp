// Flipbook: which files a pattern or a project names, and the rates + and - step through.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "play/play.h"     // Required for: frames_of_pattern, frames_of_project, next_rate
#include "shell/shell.h"   // Required for: read_project_file, write_project_file
#include "store/records.h" // Required for: clear_objects
#include "store/store.h"   // Required for: F_PATH_ENABLE, S_OUTPUT_PATH, reset_store
#include "test_support.h"

namespace {

void touch(const std::string& name) { write_file_bytes(name, {0}); }

TEST(Flipbook_frames, patterns_run_from_the_lowest_number_to_the_first_gap)
{
    ScratchDir dir;
    std::filesystem::create_directory("r");
    for (const char* name : {"r/s_0007.png", "r/s_0008.png", "r/s_0009.png", "r/s_0011.png", "r/s_7.png",
                             "r/s_00006.png", "r/100%_3.tga", "r/100%_4.tga", "one.bmp", "f12.tga", "f13.tga"})
        touch(name);
    std::filesystem::create_directory("r/s_0010.png"); // a folder is not a frame
    const struct {
        const char* pattern;
        int first;
        std::vector<std::string> names; // empty: refused
        const char* why;
    } cases[] = {
        {"r/s_%04d.png", 7, {"r/s_0007.png", "r/s_0008.png", "r/s_0009.png"}, ""},
        {"r/s_%d.png", 7, {"r/s_7.png"}, ""},
        {"r/s_%05d.png", 6, {"r/s_00006.png"}, ""},
        {"r/100%%_%d.tga", 3, {"r/100%_3.tga", "r/100%_4.tga"}, ""},
        {"f%d.tga", 12, {"f12.tga", "f13.tga"}, ""},
        {"one.bmp", 0, {"one.bmp"}, ""},
        {"r/s_%04d.tga", 0, {}, "no frame file matches r/s_%04d.tga"},
        {"gone/s_%04d.png", 0, {}, "no frame file matches gone/s_%04d.png"},
        {"none.bmp", 0, {}, "none.bmp: no such file, and no frame number"},
        {"r/s_%s.png", 0, {}, "must start a frame number"},
        {"r/s_%d_%d.png", 0, {}, "one frame number"},
        {"r%d/s.png", 0, {}, "must be in the file name"},
    };
    for (const auto& c : cases) {
        PlayFrames frames;
        char why[600] = "";
        const int result = frames_of_pattern(c.pattern, &frames, why, sizeof why);
        EXPECT_EQ(result, c.names.empty() ? 1 : 0) << c.pattern << ": " << why;
        EXPECT_EQ(frames.names, c.names) << c.pattern;
        if (!c.names.empty()) {
            EXPECT_EQ(frames.first_number, c.first) << c.pattern;
        }
        EXPECT_NE(strstr(why, c.why), nullptr) << c.pattern << ": " << why;
    }
}

TEST(Flipbook_frames, a_project_names_its_own_frames)
{
    ScratchDir dir;
    clear_objects();
    reset_store();
    strcpy(str_param[S_PROJECT_NAME], "ORBITAL");
    strcpy(str_param[S_OUTPUT_PATH], "out/");
    flag_param[F_PATH_ENABLE] = 1, flag_param[F_SAVE_TGA] = 0, flag_param[F_SAVE_BMP] = 1;
    int_param[I_START_FRAME] = 2, int_param[I_END_FRAME] = 9;
    ASSERT_EQ(write_project_file("P.CFG"), 0);
    PlayFrames frames;
    char why[600] = "";
    EXPECT_EQ(frames_of_project("P.CFG", read_project_file, &frames, why, sizeof why), 1);
    EXPECT_NE(strstr(why, "the first would be out/ORBIT002.bmp"), nullptr) << why;
    std::filesystem::create_directory("out");
    for (const char* name : {"out/ORBIT003.bmp", "out/ORBIT004.bmp", "out/ORBIT006.bmp", "out/ORBIT003.tga"})
        touch(name);
    ASSERT_EQ(frames_of_project("P.CFG", read_project_file, &frames, why, sizeof why), 0) << why;
    EXPECT_EQ(frames.names, (std::vector<std::string>{"out/ORBIT003.bmp", "out/ORBIT004.bmp"}));
    EXPECT_EQ(frames.first_number, 3);
    EXPECT_EQ(frames_of_project("NONE.CFG", read_project_file, &frames, why, sizeof why), 1);
    EXPECT_NE(strstr(why, "NONE.CFG: the project file cannot be read"), nullptr) << why;
}

TEST(Flipbook_keys, rates_step_through_the_table_and_stop_at_its_ends)
{
    const int cases[][3] = {{25, 1, 30}, {25, -1, 24}, {26, 1, 30}, {26, -1, 25}, {1, -1, 1}, {60, 1, 60}, {120, -1, 60}};
    for (const auto& c : cases)
        EXPECT_EQ(next_rate(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

} // namespace
