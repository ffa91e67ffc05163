// Sample pictures: the ship sprite and its frame-numbered series, the nebula
// backdrop in its three formats, and byte-identical rebuilds.
#include <gtest/gtest.h>

#include <allegro.h>
#include <cmath>
#include <cstdlib>
#include <algorithm>
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

Rgb pixel24(BITMAP* b, int x, int y)
{
    int c = getpixel(b, x, y);
    return {getr24(c), getg24(c), getb24(c)};
}

} // namespace

TEST(Sample_pictures, BackdropFormatsHoldTheSamePicture)
{
    PALETTE pal_tga, pal_bmp, pal_pcx;
    BITMAP* tga = load_sample("NEBULA.TGA", pal_tga);
    BITMAP* bmp = load_sample("NEBULA.BMP", pal_bmp);
    BITMAP* pcx = load_sample("NEBULA.PCX", pal_pcx);
    ASSERT_TRUE(tga && bmp && pcx);
    EXPECT_EQ(bitmap_color_depth(tga), 24);
    EXPECT_EQ(bitmap_color_depth(bmp), 8);
    EXPECT_EQ(bitmap_color_depth(pcx), 8);
    ASSERT_EQ(tga->w, 640);
    ASSERT_EQ(tga->h, 480);
    ASSERT_EQ(bmp->w, 640);
    ASSERT_EQ(bmp->h, 480);
    ASSERT_EQ(pcx->w, 640);
    ASSERT_EQ(pcx->h, 256); // the PCX backdrop path reads at most 256 rows
    // The 8-bit pictures follow the full-colour one: dithering keeps the
    // local average, so 8 x 8 block means stay close.
    double worst = 0, total = 0;
    int blocks = 0;
    for (int by = 0; by < 480; by += 8)
        for (int bx = 0; bx < 640; bx += 8) {
            double d[3] = {0, 0, 0};
            for (int y = by; y < by + 8; y++)
                for (int x = bx; x < bx + 8; x++) {
                    Rgb t = pixel24(tga, x, y);
                    const RGB& p = pal_bmp[getpixel(bmp, x, y)];
                    d[0] += t.r - p.r * 4;
                    d[1] += t.g - p.g * 4;
                    d[2] += t.b - p.b * 4;
                }
            for (double v : d) {
                worst = std::max(worst, fabs(v) / 64);
                total += fabs(v) / 64;
            }
            blocks++;
        }
    EXPECT_LT(worst, 12.0); // a flipped or misread picture is off by tens
    EXPECT_LT(total / (3 * blocks), 2.0);
    // The PCX is the middle band of the BMP, index for index, same palette.
    for (int i = 0; i < 256; i++)
        EXPECT_TRUE(pal_pcx[i].r == pal_bmp[i].r && pal_pcx[i].g == pal_bmp[i].g &&
                    pal_pcx[i].b == pal_bmp[i].b)
            << i;
    int mismatched = 0;
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
