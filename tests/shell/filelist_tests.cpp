// File lists: what the scans find, in which order, up to which limit, and the
// pane lines built from them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "shell/shell.h"
#include "test_support.h"

namespace {

class File_lists : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        reset_store();
        flag_param[F_PATH_ENABLE] = 0;
        project_file_selected = 0;
        image_file_selected = 0;
    }
    void touch(const std::string& name) { write_file_bytes(name, {0}); }
};

TEST_F(File_lists, no_projects_gives_page_1_of_1_and_no_lines)
{
    EXPECT_EQ(scan_projects(), 0);
    char lines[10][80];
    EXPECT_EQ(project_pane_lines(lines, 2, 0, 8), 0);
    EXPECT_STREQ(lines[0], "PROJECT Config. Files (0 on file) Page 1/1 ");
    EXPECT_STREQ(lines[1], "Filename");
}

TEST_F(File_lists, projects_match_in_any_case_and_skip_directories)
{
    touch("A.CFG");
    touch("b.cfg");
    touch("C.TXT");
    std::filesystem::create_directory("D.CFG");
    EXPECT_EQ(scan_projects(), 2);
    EXPECT_STREQ(project_files[0], "A.CFG");
    EXPECT_STREQ(project_files[1], "b.cfg");
}

TEST_F(File_lists, exactly_one_pane_of_files_reads_page_1_of_2)
{
    for (int i = 0; i < 4; i++)
        touch("P" + std::to_string(i) + ".CFG");
    scan_projects();
    project_file_selected = 2;
    char lines[10][80];
    EXPECT_EQ(project_pane_lines(lines, 2, 0, 4), 4);
    EXPECT_STREQ(lines[0], "PROJECT Config. Files (4 on file) Page 1/2 ");
    EXPECT_STREQ(lines[2], "0   P0.CFG");
    EXPECT_EQ(lines[3][78], 0);
    EXPECT_NE(lines[4][78], 0); // selected line
    EXPECT_EQ(project_pane_lines(lines, 2, 1, 4), 0);
}

TEST_F(File_lists, the_project_list_stops_at_48)
{
    for (int i = 0; i < 60; i++)
        touch("P" + std::to_string(100 + i) + ".CFG");
    EXPECT_EQ(scan_projects(), MAX_PROJECT_FILES);
}

TEST_F(File_lists, images_list_tga_then_bmp_then_pcx)
{
    touch("Z.PCX");
    touch("A.BMP");
    touch("M.TGA");
    touch("N.tga");
    EXPECT_EQ(scan_images(), 4);
    EXPECT_STREQ(image_files[0], "M.TGA");
    EXPECT_STREQ(image_files[1], "N.tga");
    EXPECT_STREQ(image_files[2], "A.BMP");
    EXPECT_STREQ(image_files[3], "Z.PCX");
    char lines[10][80];
    EXPECT_EQ(image_pane_lines(lines, 2, 0, 8), 4);
    EXPECT_STREQ(lines[0], "Image files and bitmaps (4 on file) Page 1/1 ");
    EXPECT_STREQ(lines[1], "No. Filename");
    EXPECT_STREQ(lines[5], "3   Z.PCX");
}

TEST_F(File_lists, a_full_image_list_still_takes_one_name_per_later_pattern)
{
    for (int i = 0; i < 50; i++)
        touch("T" + std::to_string(100 + i) + ".TGA");
    touch("B1.BMP");
    touch("B2.BMP");
    touch("C1.PCX");
    EXPECT_EQ(scan_images(), MAX_IMAGE_FILES);
    EXPECT_STREQ(image_files[48], "B1.BMP");
    EXPECT_STREQ(image_files[49], "C1.PCX");
}

TEST_F(File_lists, the_bitmap_path_counts_only_with_path_enable)
{
    std::filesystem::create_directory("pics");
    touch("pics/IN.TGA");
    touch("HERE.BMP");
    strcpy(str_param[S_BITMAP_PATH], "PICS\\");
    EXPECT_EQ(scan_images(), 1);
    EXPECT_STREQ(image_files[0], "HERE.BMP");
    flag_param[F_PATH_ENABLE] = 1;
    EXPECT_EQ(scan_images(), 1);
    EXPECT_STREQ(image_files[0], "IN.TGA");
    strcpy(str_param[S_BITMAP_PATH], "nowhere/");
    EXPECT_EQ(scan_images(), 0);
}

TEST_F(File_lists, choosing_a_line_sets_the_name)
{
    touch("MARS.CFG");
    touch("SHIP2.TGA");
    scan_projects();
    scan_images();
    choose_project_file(0);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.CFG");
    choose_image_file(0);
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "SHIP2.TGA");
    choose_image_file(5); // no such line
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "SHIP2.TGA");
    EXPECT_EQ(image_file_selected, 0);
}

} // namespace
