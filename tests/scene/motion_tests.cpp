// Each object's distance at a frame and the far-to-near drawing order.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/scene.h"    // Required for: frame_distance, order_frame
#include "store/canvas.h"   // Required for: rs
#include "store/records.h"  // Required for: OBJ_BITMAP, OBJ_COMET, OBJ_PLANET
#include "store/store.h"    // Required for: D_PIXELS_PER_DEGREE, F_X_PERSPECTIVE, I_WIDTH

namespace {

struct Frame_distance : ::testing::Test {
    void SetUp() override
    {
        reset_store();
        clear_objects();
        rs.i[I_WIDTH] = 641; // the half width is 320, an integer division
        rs.d[D_PIXELS_PER_DEGREE] = 10.0, flag_param[F_X_PERSPECTIVE] = 0;
    }
    // Slot s over frames 0..10 at column x, sort distance 50, travel D at angle.
    double at(int s, int type, int x, double D, double angle, int travel, int frame)
    {
        ObjectRecord& r = object_slots[s];
        r.type = type;
        r.w[1] = 0;
        r.w[2] = 10;
        r.w[4] = x;
        r.w[14] = travel;
        r.d[9] = r.d[24] = 50.0;
        r.d[10] = D;
        r.d[11] = angle;
        frame_distance(s, frame);
        return r.d[24];
    }
};

TEST_F(Frame_distance, the_travel_angle_and_with_perspective_the_column_count)
{
    EXPECT_NEAR(at(0, OBJ_PLANET, 100, 2.0, 0.0, 0, 3), 56.0, 1e-9);
    EXPECT_NEAR(at(0, OBJ_COMET, 100, 2.0, 180.0, 0, 3), 44.0, 1e-9);
    EXPECT_NEAR(at(0, OBJ_BITMAP, 100, 2.0, 90.0, 0, 3), 50.0, 1e-9);
    EXPECT_EQ(at(0, OBJ_SKY, 100, 2.0, 0.0, 0, 3), 50.0); // a sky never moves
    for (int frame : {11, -1}) { // outside the range the last distance inside stays
        at(0, OBJ_PLANET, 320, 1.0, 0.0, 0, 10);
        frame_distance(0, frame);
        EXPECT_NEAR(double(object_slots[0].d[24]), 60.0, 1e-9);
    }
    flag_param[F_X_PERSPECTIVE] = 1;
    EXPECT_NEAR(at(0, OBJ_RING, 320, 2.0, 0.0, 0, 3), 56.0, 1e-9);
    // 300 pixels left of centre at 10 pixels a degree: 30 degrees off.
    const double k = 0.017453292519943;
    double y = std::cos(120 * k) * 50.0 + std::cos(90 * k) * 6.0;
    double x = std::sin(120 * k) * 50.0 + std::sin(90 * k) * 6.0;
    EXPECT_EQ(at(1, OBJ_RING, 20, 2.0, 0.0, 0, 3), std::sqrt(x * x + y * y));
    EXPECT_EQ(at(1, OBJ_RING, 20, 0.0, 0.0, 0, 3), 50.0); // no travel: the distance stays
}

TEST_F(Frame_distance, depth_order_runs_far_to_near_and_keeps_list_order_on_ties)
{
    const double start[3] = {10.0, 20.0, 10.0};
    for (int s = 0; s < 3; s++) {
        object_slots[s].type = OBJ_RING;
        object_slots[s].d[9] = object_slots[s].d[24] = start[s];
        set_object_name(object_slots[s], "Ring", OBJECT_NAME_LEN);
    }
    rebuild_list();
    object_slots[0].w[2] = 100; // slot 0 travels away 3 a frame
    object_slots[0].d[10] = 3.0;
    const int expect[2][4] = {{1, 0, 2, -1}, {0, 1, 2, -1}};
    for (int k = 0; k < 2; k++) {
        order_frame(4 * k); // at frame 4 slot 0 is at 22
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(depth_order[i], expect[k][i]) << k << "/" << i;
    }
    EXPECT_EQ(list_order[0], 1); // the list itself keeps its order
    double d;
    EXPECT_STREQ(depth_name_at(0, &d), "Ring");
    EXPECT_NEAR(d, 22.0, 1e-9);
}

} // namespace
