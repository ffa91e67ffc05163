// Sample pictures: the ship sprite and its frame-numbered series, the nebula
// backdrop in its three formats, and byte-identical rebuilds.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "test_support.h"

namespace {

std::string sample_path(const char* name)
{
    char path[512];
    if (!find_data_file(name, path, sizeof path))
        return "";
    return path;
}

// Loads a sample in its own colour depth; null when missing.
BITMAP* load_sample(const char* name, PALETTE pal)
{
    std::string path = sample_path(name);
    if (path.empty())
        return nullptr;
    set_color_conversion(COLORCONV_NONE);
    return load_bitmap(path.c_str(), pal);
}

} // namespace

// The three backdrop files: full colour, and the PCX the middle 256-row band
// of the BMP, index for index under the same palette.
TEST(Sample_pictures, BackdropFormatsHoldTheSamePicture)
{
    PALETTE pal_tga, pal_bmp, pal_pcx;
    BITMAP* tga = load_sample("NEBULA.TGA", pal_tga);
    BITMAP* bmp = load_sample("NEBULA.BMP", pal_bmp);
    BITMAP* pcx = load_sample("NEBULA.PCX", pal_pcx);
    ASSERT_TRUE(tga && bmp && pcx);
    const int shape[3][3] = {{tga->w, tga->h, bitmap_color_depth(tga)},
                             {bmp->w, bmp->h, bitmap_color_depth(bmp)},
                             {pcx->w, pcx->h, bitmap_color_depth(pcx)}};
    const int want[3][3] = {{640, 480, 24}, {640, 480, 8}, {640, 256, 8}};
    ASSERT_EQ(memcmp(shape, want, sizeof want), 0);
    int mismatched = 0;
    for (int i = 0; i < 256; i++)
        mismatched += pal_pcx[i].r != pal_bmp[i].r || pal_pcx[i].g != pal_bmp[i].g || pal_pcx[i].b != pal_bmp[i].b;
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 640; x++)
            mismatched += getpixel(pcx, x, y) != getpixel(bmp, x, y + 112);
    EXPECT_EQ(mismatched, 0);
    destroy_bitmap(tga);
    destroy_bitmap(bmp);
    destroy_bitmap(pcx);
}

TEST(Sample_pictures, RebuildIsByteIdentical)
{
    ScratchDir dir;
    // Into a folder of its own: the current directory comes first in lookups.
    std::string cmd = "mkdir fresh && " + std::string(NOVAMIR_BIN_DIR) + "/build_samples fresh 2>err.txt";
    ASSERT_EQ(system(cmd.c_str()), 0);
    for (const char* name : {"SHIP.TGA", "SHIP000.TGA", "SHIP059.TGA", "NEBULA.TGA", "NEBULA.BMP",
                             "NEBULA.PCX"}) {
        std::vector<uint8_t> fresh = read_file_bytes(std::string("fresh/") + name);
        std::vector<uint8_t> built = read_file_bytes(sample_path(name));
        ASSERT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == built) << name;
    }
}
