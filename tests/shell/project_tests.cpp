// Project file: name rules, byte layout, load-save identity, refusal of
// malformed files with nothing changed, and saves that never lose the old file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "scene/scene.h"
#include "shell/project_layout.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

// Everything a load may change, as bytes.
std::vector<uint8_t> state()
{
    ProjectImage* p = new ProjectImage;
    capture_project(p);
    std::vector<uint8_t> b = encode_project(*p);
    delete p;
    const uint8_t* slots = (const uint8_t*)object_slots;
    b.insert(b.end(), slots, slots + sizeof object_slots);
    const uint8_t* order = (const uint8_t*)list_order;
    b.insert(b.end(), order, order + sizeof list_order);
    return b;
}

class Project_file : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        reset_store();
        clear_objects();
        prompt_log.clear();
        for (int i = 0; i < INT_PARAMS; i++)
            int_param[i] = i * 3 - 7;
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_param[i] = i / 7.0;
        for (int i = 0; i < FLAG_PARAMS; i++)
            flag_param[i] = i & 1;
        int_param[I_WIDTH] = 320;
        int_param[I_HEIGHT] = 240;
        project_frame_width = 0;
        project_frame_height = 0;
    }
    void TearDown() override
    {
        console_yes_no_key = 'Y';
        console_ok_key = 13;
        project_frame_width = 0;
        project_frame_height = 0;
    }
    // Three objects inserted near to far, so slot order differs from list order.
    void three_objects()
    {
        dbl_param[D_REF_DISTANCE] = 5.0;
        insert_object(OBJ_RING);
        dbl_param[D_REF_DISTANCE] = 50.0;
        insert_object(OBJ_COMET);
        dbl_param[D_BITMAP_DISTANCE] = 20.0;
        insert_object(OBJ_BITMAP);
    }
    bool logged(const std::string& text)
    {
        for (const std::string& s : prompt_log)
            if (s == text)
                return true;
        return false;
    }
};

TEST_F(Project_file, names_cut_at_the_first_dot_or_slash)
{
    char out[64];
    project_file_name("MARS.OLD", out, sizeof out);
    EXPECT_STREQ(out, "MARS.CFG");
    project_file_name("A/B.C", out, sizeof out);
    EXPECT_STREQ(out, "A.CFG");
    project_file_name("NOVAMIR", out, sizeof out);
    EXPECT_STREQ(out, "NOVAMIR.CFG");
}

TEST_F(Project_file, saving_mars_old_writes_mars_cfg_and_loading_renames_the_project)
{
    strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
    EXPECT_EQ(save_project(), 0);
    EXPECT_TRUE(logged("Overwrite project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD"); // the save cuts a copy
    EXPECT_TRUE(std::filesystem::exists("MARS.CFG"));
    console_yes_no_key = 'N';
    EXPECT_EQ(load_project(), 0);
    EXPECT_TRUE(logged("Load project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS"); // cut in place
    EXPECT_EQ(memcmp(str_param[S_PROJECT_NAME] + 5, "OLD", 3), 0); // bytes after the NUL stay
    // Loading then takes the name the file holds.
    console_yes_no_key = 'Y';
    EXPECT_EQ(load_project(), 0);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD");
}

TEST_F(Project_file, layout_of_a_project_with_three_objects)
{
    three_objects();
    current_object = 1;
    choice_list[5].current = 4;
    strcpy(str_param[7], "XY");
    ASSERT_EQ(write_project_file("P.CFG"), 0);
    std::vector<uint8_t> b = read_file_bytes("P.CFG");
    ASSERT_EQ(b.size(), 1900u);
    double d1;
    memcpy(&d1, &b[8], 8); // little-endian host
    EXPECT_EQ(d1, dbl_param[1]);
    EXPECT_EQ((int32_t)u32_at(b, 320 + 4 * 39), int_param[39]);
    EXPECT_EQ(u32_at(b, 480 + 4 * 19), (uint32_t)flag_param[19]);
    EXPECT_EQ(u32_at(b, 560 + 4 * 5), 4u);
    EXPECT_EQ(memcmp(&b[600 + 7 * 40], "XY\0", 3), 0);
    EXPECT_EQ(u32_at(b, 920), 3u);
    EXPECT_EQ(u32_at(b, 924), 1u);
    // records in list order: comet (50), bitmap (20), ring (5)
    EXPECT_EQ(u32_at(b, 928), (uint32_t)OBJ_COMET);
    EXPECT_EQ(u32_at(b, 928 + 324), (uint32_t)OBJ_BITMAP);
    EXPECT_EQ(u32_at(b, 928 + 648), (uint32_t)OBJ_RING);
    EXPECT_EQ(memcmp(&b[928 + 648 + 300], "Ring\0", 5), 0);
}

TEST_F(Project_file, an_empty_project_is_928_bytes)
{
    ASSERT_EQ(write_project_file("E.CFG"), 0);
    EXPECT_EQ(read_file_bytes("E.CFG").size(), 928u);
}

TEST_F(Project_file, load_save_load_is_byte_identical)
{
    three_objects();
    ASSERT_EQ(write_project_file("A.CFG"), 0);
    // Shuffle the records of the file out of list order by hand: slot order
    // in the list after loading must not matter for the next save.
    std::vector<uint8_t> a = read_file_bytes("A.CFG");
    std::vector<uint8_t> shuffled(a.begin(), a.begin() + 928);
    shuffled.insert(shuffled.end(), a.begin() + 928 + 648, a.end());
    shuffled.insert(shuffled.end(), a.begin() + 928, a.begin() + 928 + 648);
    write_file_bytes("B.CFG", shuffled);

    reset_store();
    clear_objects();
    ASSERT_EQ(read_project_file("B.CFG"), 0);
    EXPECT_EQ(object_count, 3);
    ASSERT_EQ(write_project_file("C.CFG"), 0);
    EXPECT_EQ(read_file_bytes("C.CFG"), a);
    ASSERT_EQ(read_project_file("C.CFG"), 0);
    ASSERT_EQ(write_project_file("D.CFG"), 0);
    EXPECT_EQ(read_file_bytes("D.CFG"), a);
}

TEST_F(Project_file, a_current_object_after_the_last_stays_so)
{
    three_objects();
    current_object = 3;
    ASSERT_EQ(write_project_file("A.CFG"), 0);
    current_object = 0;
    ASSERT_EQ(read_project_file("A.CFG"), 0);
    EXPECT_EQ(current_object, 3);
}

TEST_F(Project_file, malformed_files_are_refused_with_nothing_changed)
{
    three_objects();
    ASSERT_EQ(write_project_file("GOOD.CFG"), 0);
    std::vector<uint8_t> good = read_file_bytes("GOOD.CFG");
    // The store now differs from the file, so a partial read would show.
    dbl_param[3] = 99.0;
    int_param[3] = 99;
    strcpy(str_param[S_PROJECT_NAME], "BAD");
    current_object = 2;
    std::vector<uint8_t> before = state();

    auto with_u32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        for (int k = 0; k < 4; k++)
            b[at + k] = (uint8_t)(v >> (8 * k));
        return b;
    };
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.begin() + 500),         // short header
        std::vector<uint8_t>(good.begin(), good.begin() + 927),
        std::vector<uint8_t>(good.begin(), good.end() - 1),             // short last record
        with_u32(good, 920, 4),                                         // count beyond the records
        with_u32(good, 920, 65),                                        // count above 64
        with_u32(good, 920, 0xFFFFFFFF),                                // negative count
        with_u32(good, 560 + 4 * 2, 5),                                 // comet type list has 5 labels
    };
    std::vector<uint8_t> unterminated = good;
    memset(&unterminated[600 + 40], 'A', 40);
    bad.push_back(unterminated);
    for (size_t k = 0; k < bad.size(); k++) {
        SCOPED_TRACE(k);
        write_file_bytes("BAD.CFG", bad[k]);
        prompt_log.clear();
        EXPECT_NE(read_project_file("BAD.CFG"), 0);
        EXPECT_EQ(state(), before);
        EXPECT_EQ(load_project(), 27);
        EXPECT_TRUE(logged("Error reading BAD.CFG file."));
        EXPECT_EQ(state(), before);
    }
}

TEST_F(Project_file, bytes_after_the_last_record_are_ignored)
{
    three_objects();
    ASSERT_EQ(write_project_file("A.CFG"), 0);
    std::vector<uint8_t> b = read_file_bytes("A.CFG");
    std::vector<uint8_t> longer = b;
    longer.push_back(0xAB);
    write_file_bytes("L.CFG", longer);
    clear_objects();
    ASSERT_EQ(read_project_file("L.CFG"), 0);
    EXPECT_EQ(object_count, 3);
}

TEST_F(Project_file, a_missing_file_is_reported_and_changes_nothing)
{
    strcpy(str_param[S_PROJECT_NAME], "NOSUCHPRJ");
    std::vector<uint8_t> before = state();
    EXPECT_EQ(load_project(), 27);
    EXPECT_TRUE(logged("Cannot find NOSUCHPRJ.CFG file!"));
    EXPECT_FALSE(logged("Load project NOSUCHPRJ.CFG?"));
    EXPECT_EQ(state(), before);
}

TEST_F(Project_file, answering_no_reads_nothing_but_still_checks_the_size)
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
    EXPECT_TRUE(logged("1000x100 exceeds Page size!"));
    EXPECT_TRUE(logged("SIZE ADJUSTED!"));
    EXPECT_EQ(int_param[I_WIDTH], 640);
    EXPECT_EQ(int_param[I_HEIGHT], 480);
}

TEST_F(Project_file, a_loaded_frame_size_that_fits_is_kept)
{
    project_frame_width = 640;
    project_frame_height = 480;
    int_param[I_WIDTH] = 640;
    int_param[I_HEIGHT] = 480;
    strcpy(str_param[S_PROJECT_NAME], "FITS");
    ASSERT_EQ(write_project_file("FITS.CFG"), 0);
    EXPECT_EQ(load_project(), 0);
    EXPECT_FALSE(logged("SIZE ADJUSTED!"));
    EXPECT_EQ(int_param[I_WIDTH], 640);
}

TEST_F(Project_file, answering_no_to_overwrite_leaves_the_file)
{
    write_file_bytes("NOVAMIR.CFG", {1, 2, 3});
    console_yes_no_key = 'N';
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(Project_file, an_interrupted_save_keeps_the_old_file)
{
    ASSERT_EQ(write_project_file("NOVAMIR.CFG"), 0);
    std::vector<uint8_t> old = read_file_bytes("NOVAMIR.CFG");
    three_objects(); // 1,900 bytes to write
    // Let the system stop the write after 1,000 bytes.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    int result = save_project();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, old_handler);

    EXPECT_EQ(result, 27);
    EXPECT_TRUE(logged("Error writing NOVAMIR.CFG file!"));
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), old);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1); // no temporary left behind
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG").size(), 1900u);
}

TEST_F(Project_file, a_save_that_cannot_replace_the_target_keeps_it)
{
    std::filesystem::create_directory("DIR.CFG");
    strcpy(str_param[S_PROJECT_NAME], "DIR");
    EXPECT_EQ(save_project(), 27);
    EXPECT_TRUE(std::filesystem::is_directory("DIR.CFG"));
    EXPECT_EQ(write_project_file("nowhere/X.CFG"), -1);
}

} // namespace
