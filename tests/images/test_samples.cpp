// Sample pictures: the ship sprite, its frame-numbered series and the nebula
// backdrop in its three formats are rebuilt byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "test_support.h"

namespace {

std::string sample_path(const char* name)
{
    char path[512];
    return find_data_file(name, path, sizeof path) ? path : "";
}

} // namespace

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
