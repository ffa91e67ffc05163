// Frame writers, read back by the library: sizes, depths, pixels, the 3-3-2
// mapping, failed writes and the state a write leaves.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "images/images.h" // Required for: save_frame_bmp, save_frame_tga, save_view
#include "store/canvas.h"  // Required for: apply_parameters, create_frame_buffer, frame_buffer
#include "store/store.h"   // Required for: I_HEIGHT, I_WIDTH, int_param
#include "test_support.h"

namespace {

class WriterTest : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        if (!frame_buffer || frame_buffer->w != 640) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        // Something in the whole buffer, so a write of the buffer size would show.
        for (int y = 0; y < frame_buffer->h; y++)
            for (int x = 0; x < frame_buffer->w; x++)
                put_frame_pixel(x, y, (x * 3) & 255, (y * 5) & 255, (x + y) & 255);
        int_param[I_WIDTH] = 100;
        int_param[I_HEIGHT] = 50;
        apply_parameters();
        replay_only = false;
    }
    void TearDown() override { replay_only = false; }
};

} // namespace

using Frame_writers = WriterTest;

// The TGA keeps every value at the frame size; the BMP holds, at 8 bits, what
// the library's own 24 to 8-bit blit gives through the 3-3-2 palette.
TEST_F(Frame_writers, tga_keeps_every_value_bmp_takes_the_332_colours)
{
    ASSERT_EQ(save_frame_tga("OUT007.tga"), 0);
    ASSERT_EQ(save_frame_bmp("OUT007.bmp"), 0);
    set_color_conversion(COLORCONV_NONE);
    PALETTE pal, file_pal;
    BITMAP* tga = load_tga("OUT007.tga", file_pal);
    BITMAP* back = load_bmp("OUT007.bmp", file_pal);
    ASSERT_TRUE(tga && back);
    ASSERT_EQ(tga->w * 1000 + tga->h * 10 + bitmap_color_depth(tga) / 8, 100503);
    ASSERT_EQ(back->w * 1000 + back->h * 10 + bitmap_color_depth(back) / 8, 100501);

    generate_332_palette(pal);
    select_palette(pal);
    BITMAP* sub = create_sub_bitmap(frame_buffer, 0, 0, 100, 50);
    BITMAP* expect = create_bitmap_ex(8, 100, 50);
    blit(sub, expect, 0, 0, 0, 0, 100, 50);
    unselect_palette();
    int differ = 0;
    for (int y = 0; y < 50; y++)
        for (int x = 0; x < 100; x++) {
            differ += back->line[y][x] != expect->line[y][x];
            int c = getpixel(tga, x, y);
            differ += Rgb{getr24(c), getg24(c), getb24(c)} != pixel(x, y);
        }
    EXPECT_EQ(differ, 0);
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(file_pal[i].r == pal[i].r && file_pal[i].g == pal[i].g && file_pal[i].b == pal[i].b) << i;
    for (BITMAP* b : {tga, back, expect, sub})
        destroy_bitmap(b);
}

TEST_F(Frame_writers, black_and_the_palette_corners)
{
    int_param[I_WIDTH] = 4;
    int_param[I_HEIGHT] = 1;
    apply_parameters();
    put_frame_pixel(0, 0, 0, 0, 0);
    put_frame_pixel(1, 0, 255, 255, 255);
    put_frame_pixel(2, 0, 255, 0, 0);
    put_frame_pixel(3, 0, 0, 0, 255);
    ASSERT_EQ(save_frame_bmp("C.bmp"), 0);
    PALETTE pal;
    BITMAP* back = load_bmp("C.bmp", pal);
    ASSERT_NE(back, nullptr);
    // Index 0 of the 3-3-2 palette is magenta: black is found at 254.
    EXPECT_EQ(back->line[0][0], 254);
    EXPECT_EQ(back->line[0][1], 255);
    EXPECT_EQ(back->line[0][2], 7 << 5);
    EXPECT_EQ(back->line[0][3], 3);
    destroy_bitmap(back);
}

TEST_F(Frame_writers, a_failed_write_keeps_the_previous_file)
{
    ASSERT_EQ(save_frame_tga("KEEP.tga"), 0);
    ASSERT_EQ(save_frame_bmp("KEEP.bmp"), 0);
    std::vector<uint8_t> tga = read_file_bytes("KEEP.tga");
    std::vector<uint8_t> bmp = read_file_bytes("KEEP.bmp");
    clear_to_color(frame_buffer, 0);
    {
        FileSizeLimit full_disk(1000);
        EXPECT_NE(save_frame_tga("KEEP.tga"), 0);
        EXPECT_NE(save_frame_bmp("KEEP.bmp"), 0);
    }
    EXPECT_TRUE(read_file_bytes("KEEP.tga") == tga);
    EXPECT_TRUE(read_file_bytes("KEEP.bmp") == bmp);
    auto entries = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2); // no temporary left
    EXPECT_NE(save_frame_tga("NO/SUCH/DIR.tga"), 0);
    EXPECT_NE(save_view(), 0); // no screen to dump
    EXPECT_TRUE(read_file_bytes("NVMRVIEW.PCX").empty());
}

TEST_F(Frame_writers, backslashes_separate_directories)
{
    mkdir("OUT", 0755);
    ASSERT_EQ(save_frame_tga("OUT\\F000.tga"), 0);
    EXPECT_FALSE(read_file_bytes("OUT/F000.tga").empty());
    // An existing directory is found whatever its case.
    mkdir("Frames", 0755);
    ASSERT_EQ(save_frame_bmp("FRAMES\\F000.bmp"), 0);
    EXPECT_FALSE(read_file_bytes("Frames/F000.bmp").empty());
}

TEST_F(Frame_writers, replay_writes_nothing_but_leaves_the_library_state)
{
    memset(work_palette, 0, sizeof work_palette);
    set_color_conversion(COLORCONV_TOTAL);
    replay_only = true;
    EXPECT_EQ(save_frame_bmp("R.bmp"), 0);
    EXPECT_EQ(save_frame_tga("R.tga"), 0);
    replay_only = false;
    EXPECT_TRUE(read_file_bytes("R.bmp").empty());
    EXPECT_TRUE(read_file_bytes("R.tga").empty());
    PALETTE pal;
    generate_332_palette(pal);
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(pal[i].r == work_palette[i].r && pal[i].g == work_palette[i].g && pal[i].b == work_palette[i].b);
    EXPECT_EQ(get_color_conversion(), COLORCONV_NONE);
}

