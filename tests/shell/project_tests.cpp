// Project file: name rules, byte layout, load-save identity, refusal of
// malformed files with nothing changed, and saves that never lose the old file.
#include "shell_test_support.h"

#include <cstring>
#include <filesystem>

#include "platform/bytes.h"       // Required for: get_u32
#include "platform/platform.h"    // Required for: find_data_file
#include "shell/project_layout.h" // Required for: ProjectImage, capture_project, encode_project
#include "shell/shell.h"          // Required for: insert_object, load_project, load_startup_project
#include "store/prompt.h"         // Required for: console_yes_no_key, prompt_log
#include "store/records.h"        // Required for: MAX_OBJECTS, OBJECT_NAME_LEN, OBJECT_RECORD_SIZE
#include "store/store.h"          // Required for: DBL_PARAMS, D_REF_DISTANCE, I_END_FRAME
#include "test_support.h"

namespace {

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at) { return get_u32(&b[at]); }

// Everything a load may change, as bytes.
std::vector<uint8_t> state()
{
    ProjectImage* p = new ProjectImage;
    capture_project(p);
    std::vector<uint8_t> b = encode_project(*p);
    delete p;
    b.insert(b.end(), (const uint8_t*)object_slots, (const uint8_t*)(object_slots + MAX_OBJECTS));
    b.insert(b.end(), (const uint8_t*)list_order, (const uint8_t*)(list_order + MAX_OBJECTS));
    return b;
}

class Project_file : public ShellTest {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        ShellTest::SetUp();
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_param[i] = i / 7.0;
        int_param[I_WIDTH] = 320;
        int_param[I_HEIGHT] = 240;
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        project_frame_width = project_frame_height = 0;
    }
    // Three objects inserted near to far, so slot order differs from list order.
    void three_objects()
    {
        for (double d : {5.0, 50.0, 20.0})
            add_object(d == 50.0 ? OBJ_COMET : OBJ_RING, d);
    }
};

TEST_F(Project_file, name_cut_at_the_first_dot_on_a_copy_when_saving_in_place_when_loading)
{
    char out[64];
    project_file_name("A/B.C", out, sizeof out);
    EXPECT_STREQ(out, "A.CFG");
    strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
    EXPECT_EQ(save_project(), 0);
    EXPECT_TRUE(logged("Overwrite project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD");
    console_yes_no_key = 'N';
    EXPECT_EQ(load_project(), 0);
    EXPECT_TRUE(logged("Load project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS");
    EXPECT_EQ(memcmp(str_param[S_PROJECT_NAME] + 5, "OLD", 3), 0); // the tail stays behind the NUL
    console_yes_no_key = 'Y';
    EXPECT_EQ(load_project(), 0);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD"); // as the file holds it
}

TEST_F(Project_file, layout_of_three_objects_in_list_order)
{
    ASSERT_EQ(write_project_file("E.CFG"), 0);
    EXPECT_EQ(read_file_bytes("E.CFG").size(), 928u);
    three_objects();
    current_object = 1;
    choice_list[5].current = 4;
    int_param[39] = -5;
    strcpy(str_param[7], "XY");
    ASSERT_EQ(write_project_file("P.CFG"), 0);
    std::vector<uint8_t> b = read_file_bytes("P.CFG");
    ASSERT_EQ(b.size(), 1900u);
    EXPECT_EQ(memcmp(&b[8], &dbl_param[1], 8), 0);
    // An integer, a choice, the object count, the current object, the first
    // record's type (50, then 20, then 5).
    const uint32_t fields[][2] = {{320 + 4 * 39, (uint32_t)-5}, {560 + 4 * 5, 4}, {920, 3}, {924, 1},
                                  {928, (uint32_t)OBJ_COMET}};
    for (auto& f : fields)
        EXPECT_EQ(u32_at(b, f[0]), f[1]) << f[0];
    EXPECT_EQ(memcmp(&b[600 + 7 * 40], "XY\0", 3), 0);
    EXPECT_EQ(memcmp(&b[928 + 648 + 300], "Ring\0", 5), 0);
}

TEST_F(Project_file, load_save_load_is_byte_identical)
{
    three_objects();
    current_object = 3; // after the last object: stays so
    ASSERT_EQ(write_project_file("A.CFG"), 0);
    std::vector<uint8_t> a = read_file_bytes("A.CFG");
    // The same records in another order load into other slots.
    std::vector<uint8_t> shuffled(a.begin(), a.begin() + 928);
    shuffled.insert(shuffled.end(), a.begin() + 928 + 648, a.end());
    shuffled.insert(shuffled.end(), a.begin() + 928, a.begin() + 928 + 648);
    write_file_bytes("B.CFG", shuffled);
    reset_store();
    clear_objects();
    ASSERT_EQ(read_project_file("B.CFG"), 0);
    EXPECT_EQ(current_object, 3);
    ASSERT_EQ(write_project_file("C.CFG"), 0);
    EXPECT_EQ(read_file_bytes("C.CFG"), a);
}

TEST_F(Project_file, malformed_files_are_refused_with_nothing_changed)
{
    three_objects();
    ASSERT_EQ(write_project_file("GOOD.CFG"), 0);
    std::vector<uint8_t> good = read_file_bytes("GOOD.CFG");
    dbl_param[3] = 99.0; // the store differs from the file now
    strcpy(str_param[S_PROJECT_NAME], "BAD");
    current_object = 2;
    std::vector<uint8_t> before = state();
    auto with_u32 = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 4; k++)
            b[at + k] = (uint8_t)(v >> (8 * k));
        return b;
    };
    auto with_name = [&](size_t at) { // 40-byte string or 24-byte object name, no NUL
        std::vector<uint8_t> b = good;
        memset(&b[at], 'A', at < 928 ? 40 : OBJECT_NAME_LEN);
        return b;
    };
    const size_t last_name = good.size() - OBJECT_RECORD_SIZE + 300; // the last record's name
    const struct {
        std::vector<uint8_t> bytes;
        const char* why;
    } bad[] = {
        {std::vector<uint8_t>(good.begin(), good.begin() + 927), "shorter than its settings blocks"},
        {std::vector<uint8_t>(good.begin(), good.end() - 1), "shorter than its object records"},
        {with_u32(920, 4), "shorter than its object records"},
        {with_u32(920, 65), "object count outside 0..64"},
        {with_u32(920, 0xFFFFFFFF), "object count outside 0..64"},
        {with_u32(560 + 4 * 2, 5), "a choice selection outside its list"}, // comet type list has 5 labels
        {with_name(640), "a string without its terminating NUL"},
        {with_name(last_name), "an object name without its terminating NUL"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.why);
        write_file_bytes("BAD.CFG", c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_project(), 27);
        EXPECT_TRUE(logged("Error reading BAD.CFG file."));
        EXPECT_TRUE(logged(std::string("BAD.CFG: not a project file: ") + c.why));
        EXPECT_EQ(state(), before);
    }
    prompt_log.clear();
    strcpy(str_param[S_PROJECT_NAME], "NOSUCHPRJ");
    EXPECT_EQ(load_project(), 27);
    EXPECT_TRUE(logged("Cannot find NOSUCHPRJ.CFG file!"));
    EXPECT_EQ(prompt_log.size(), 1u);
}

TEST_F(Project_file, answering_no_still_checks_the_frame_size)
{
    strcpy(str_param[S_PROJECT_NAME], "SIZE");
    ASSERT_EQ(write_project_file("SIZE.CFG"), 0);
    int_param[I_WIDTH] = 1000;
    int_param[I_HEIGHT] = 100;
    dbl_param[0] = 77.0;
    project_frame_width = 640;
    project_frame_height = 480;
    console_yes_no_key = 'N';
    EXPECT_EQ(load_project(), 0);
    EXPECT_EQ(dbl_param[0], 77.0);
    EXPECT_TRUE(logged("1000x100 exceeds Page size!") && logged("SIZE ADJUSTED!"));
    EXPECT_EQ(int_param[I_WIDTH] * 1000 + int_param[I_HEIGHT], 640480);
}

// Values no frame could be rendered with are cut into their ranges on
// loading, each with a message naming the file; sound values are untouched.
TEST_F(Project_file, absurd_sizes_and_frame_numbers_are_cut_with_a_message)
{
    insert_object(OBJ_SKY);
    strcpy(str_param[S_PROJECT_NAME], "CUT");
    const struct {
        int param;
        int32_t value, kept;
        const char* message; // nullptr: no message
    } cases[] = {
        {I_WIDTH, -1, 0, "CUT.CFG: WIDTH -1 is cut to 0"},
        {I_HEIGHT, INT32_MIN, 0, "CUT.CFG: HEIGHT -2147483648 is cut to 0"},
        {I_END_FRAME, INT32_MAX, 999, "CUT.CFG: END FRAME 2147483647 is cut to 999"},
        {I_START_FRAME, -5, 0, "CUT.CFG: START FRAME -5 is cut to 0"},
        {I_START_X, INT32_MIN, -(1 << 20), "CUT.CFG: START X -2147483648 is cut to -1048576"},
        {I_WIDTH, 640, 640, nullptr},
        {I_END_Y, -2000, -2000, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        int_param[I_WIDTH] = 320;
        int_param[c.param] = c.value;
        ASSERT_EQ(write_project_file("CUT.CFG"), 0);
        prompt_log.clear();
        ASSERT_EQ(read_project_file("CUT.CFG"), 0);
        EXPECT_EQ(int_param[c.param], c.kept);
        EXPECT_EQ(prompt_log, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        int_param[c.param] = 0;
    }
    // A sky object keeps its rectangle in its record: cut there too.
    object_slots[list_order[0]].w[1] = -7;
    object_slots[list_order[0]].w[4] = INT32_MAX;
    ASSERT_EQ(write_project_file("CUT.CFG"), 0);
    prompt_log.clear();
    ASSERT_EQ(read_project_file("CUT.CFG"), 0);
    EXPECT_EQ(object_slots[0].w[1], 0);
    EXPECT_EQ(object_slots[0].w[4], 1 << 20);
    EXPECT_TRUE(logged("CUT.CFG: object 1 START FRAME -7 is cut to 0"));
    EXPECT_TRUE(logged("CUT.CFG: object 1 END X 2147483647 is cut to 1048576"));
}

// LOAD PROJECT reads the current directory only; start-up alone may offer
// the project of that name from the data directory (the demo).
TEST_F(Project_file, load_reads_the_current_directory_and_start_up_may_offer_the_demo)
{
    char demo[1024];
    if (!find_data_file("NOVAMIR.CFG", demo, sizeof demo))
        GTEST_SKIP() << "no demo project built";
    strcpy(str_param[S_PROJECT_NAME], "NOVAMIR");
    std::vector<uint8_t> before = state();
    EXPECT_EQ(load_project(), 27);
    EXPECT_TRUE(logged("Cannot find NOVAMIR.CFG file!"));
    EXPECT_EQ(state(), before);
    prompt_log.clear();
    EXPECT_EQ(load_startup_project(), 0);
    ASSERT_EQ(prompt_log.size(), 2u);
    EXPECT_NE(prompt_log[0].find("offering " + std::string(demo) + " from the data directory"), std::string::npos);
    EXPECT_EQ(prompt_log[1], "Load project NOVAMIR.CFG?");
    EXPECT_NE(state(), before);
}

TEST_F(Project_file, a_failed_save_keeps_the_old_file)
{
    ASSERT_EQ(write_project_file("NOVAMIR.CFG"), 0);
    std::vector<uint8_t> old = read_file_bytes("NOVAMIR.CFG");
    console_yes_no_key = 'N';
    three_objects();
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), old);
    console_yes_no_key = 'Y';
    {
        FileSizeLimit full_disk(1000); // stops the 1,900-byte write after 1,000 bytes
        EXPECT_EQ(save_project(), 27);
    }
    EXPECT_TRUE(logged("Error writing NOVAMIR.CFG file!"));
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), old);
    auto entries = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1); // no temporary left
    // A target that cannot be replaced stays too.
    std::filesystem::create_directory("DIR.CFG");
    EXPECT_EQ(write_project_file("DIR.CFG"), -1);
    EXPECT_TRUE(std::filesystem::is_directory("DIR.CFG"));
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG").size(), 1900u);
}

} // namespace
