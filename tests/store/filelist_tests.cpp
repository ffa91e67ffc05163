// File lists: what the scans find, in which order, up to which limit, and their pane lines.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/platform.h" // Required for: join_path_prefix
#include "store/filelists.h"   // Required for: MAX_IMAGE_FILES, choose_image_file, choose_project_file
#include "store/store.h"       // Required for: F_PATH_ENABLE, S_BITMAP_FILE, S_BITMAP_PATH
#include "test_support.h"

namespace {

class File_lists : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        reset_store();
        flag_param[F_PATH_ENABLE] = 0;
        project_file_selected = image_file_selected = 0;
    }
    void touch(const std::string& name) { write_file_bytes(name, {0}); }
};

TEST_F(File_lists, project_panes_count_pages_as_count_over_lines_plus_one)
{
    char lines[10][80];
    scan_projects();
    EXPECT_EQ(project_pane_lines(lines, 2, 0, 4), 0);
    EXPECT_STREQ(lines[0], "PROJECT Config. Files (0 on file) Page 1/1 ");
    for (const char* name : {"P0.CFG", "p1.cfg", "P2.CFG", "P3.CFG", "NOTE.TXT"})
        touch(name);
    std::filesystem::create_directory("D.CFG");
    EXPECT_EQ(scan_projects(), 4);
    project_file_selected = 2;
    EXPECT_EQ(project_pane_lines(lines, 2, 0, 4), 4);
    EXPECT_STREQ(lines[0], "PROJECT Config. Files (4 on file) Page 1/2 ");
    EXPECT_STREQ(lines[1], "Filename");
    EXPECT_STREQ(lines[3], "1   p1.cfg");
    EXPECT_EQ(lines[3][78], 0);
    EXPECT_NE(lines[4][78], 0);
    choose_project_file(3);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "P3.CFG");
}

TEST_F(File_lists, images_tga_then_bmp_then_pcx_and_one_more_per_pattern_when_full)
{
    for (int i = 0; i < 50; i++)
        touch("T" + std::to_string(100 + i) + ".TGA");
    touch("B1.BMP");
    touch("B2.bmp");
    touch("C1.PCX");
    EXPECT_EQ(scan_images(), MAX_IMAGE_FILES);
    EXPECT_STREQ(image_files[47], "T147.TGA");
    EXPECT_STREQ(image_files[48], "B1.BMP");
    EXPECT_STREQ(image_files[49], "C1.PCX");
    char lines[10][80];
    EXPECT_EQ(image_pane_lines(lines, 2, 6, 8), 2);
    EXPECT_STREQ(lines[0], "Image files and bitmaps (50 on file) Page 7/7 ");
    EXPECT_STREQ(lines[3], "49  C1.PCX");
    // The pictures of the add-ons follow, the same way; a full list stays full.
    for (const char* name : {"P.png", "J.JPG", "E.jpeg"})
        touch(name);
    EXPECT_EQ(scan_images(), MAX_IMAGE_FILES);
    for (int i = 0; i < 50; i++)
        std::filesystem::remove("T" + std::to_string(100 + i) + ".TGA");
    EXPECT_EQ(scan_images(), 6);
    EXPECT_STREQ(image_files[3], "P.png");
    EXPECT_STREQ(image_files[4], "J.JPG");
    EXPECT_STREQ(image_files[5], "E.jpeg");
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
    choose_image_file(0);
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "IN.TGA");
    // The path is a prefix as typed, the same join the loaders make: without
    // a separator it starts the names in the current directory.
    touch("picsSHIP.TGA");
    strcpy(str_param[S_BITMAP_PATH], "pics");
    EXPECT_EQ(scan_images(), 1);
    EXPECT_STREQ(image_files[0], "SHIP.TGA");
    char joined[80];
    join_path_prefix(str_param[S_BITMAP_PATH], image_files[0], joined, sizeof joined);
    EXPECT_TRUE(std::filesystem::is_regular_file(joined));
    // A name its 64-byte line cannot hold with the NUL is left out.
    touch("pics" + std::string(59, 'L') + ".TGA"); // 63 characters after the prefix
    touch("pics" + std::string(60, 'M') + ".TGA");
    EXPECT_EQ(scan_images(), 2);
}

} // namespace
