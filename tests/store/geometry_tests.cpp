// The travel curve: an object's offset along its path at a frame.
#include <gtest/gtest.h>

#include "store/geometry.h" // Required for: travel_offset

namespace {

TEST(Travel_curves, offsets_over_the_range)
{
    struct Case {
        double D;
        int type, start, end, frame;
        double want, tolerance;
    } cases[] = {
        {2.0, 0, 5, 6, 15, 20.0, 0},     // LINEAR: D a frame, whatever the range
        {2.0, 9, 5, 500, 15, 20.0, 0},   // an unknown type is LINEAR
        {8.0, 1, 10, 20, 15, 2.0, 1e-12}, // ACCEL reaches D at the end
        {8.0, 1, 10, 20, 20, 8.0, 1e-12},
        {8.0, 2, 10, 20, 10, 8.0, 0},     // DECEL starts at D, ends at 0
        {8.0, 2, 10, 20, 20, 0.0, 1e-12},
        {3.0, 1, 7, 7, 8, 300.0, 1e-9},   // an empty range counts as a tenth of a frame
        {5.0, 3, 0, 20, 20, -0.0159265, 1e-7}, // the curve is built on 6.28: ends near 0, not at it
    };
    for (const Case& c : cases)
        EXPECT_NEAR(travel_offset(c.D, c.type, c.start, c.end, c.frame), c.want, c.tolerance)
            << c.type << " at " << c.frame;
    EXPECT_EQ(travel_offset(5.0, 4, 0, 20, 5), travel_offset(5.0, 3, 0, 20, 5)); // COSINE = SINE
}

} // namespace
