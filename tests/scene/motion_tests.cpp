// Travel curves, each object's distance at a frame, and the far-to-near
// drawing order.
#include <gtest/gtest.h>

#include <cmath>

#include "render/render.h"
#include "scene/scene.h"
#include "shell/shell.h"

namespace {

TEST(Travel_curves, shapes_over_the_range)
{
    // LINEAR (and any unknown type): D per frame, whatever the range.
    EXPECT_EQ(travel_offset(2.0, 0, 5, 6, 15), 20.0);
    EXPECT_EQ(travel_offset(2.0, 9, 5, 500, 15), 20.0);
    // ACCEL reaches D at the end; DECEL starts at D and ends at 0.
    EXPECT_DOUBLE_EQ(travel_offset(8.0, 1, 10, 20, 15), 2.0);
    EXPECT_DOUBLE_EQ(travel_offset(8.0, 1, 10, 20, 20), 8.0);
    EXPECT_EQ(travel_offset(8.0, 2, 10, 20, 10), 8.0);
    EXPECT_NEAR(travel_offset(8.0, 2, 10, 20, 20), 0.0, 1e-12);
    // An empty range counts as a tenth of a frame: about 100 D one frame on.
    EXPECT_EQ(travel_offset(3.0, 1, 7, 7, 7), 0.0);
    EXPECT_NEAR(travel_offset(3.0, 1, 7, 7, 8), 300.0, 1e-9);
    // SINE and COSINE share one curve, built on 6.28, so it ends near 0.
    EXPECT_EQ(travel_offset(5.0, 4, 0, 20, 5), travel_offset(5.0, 3, 0, 20, 5));
    EXPECT_EQ(travel_offset(5.0, 3, 0, 20, 5), 5.0 * std::sin(6.28 * 5 / 20));
    EXPECT_NE(travel_offset(5.0, 3, 0, 20, 20), 0.0);
    EXPECT_NEAR(travel_offset(5.0, 3, 0, 20, 20), 0.0, 0.02);
}

class Frame_distance : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_store();
        clear_objects();
        rs.i[I_WIDTH] = 641; // the half width is 320, an integer division
        rs.d[D_PIXELS_PER_DEGREE] = 10.0;
        flag_param[F_X_PERSPECTIVE] = 0;
    }
    // A record in slot s: range 0..10, centre column, sort distance 50,
    // travel distance, angle and type.
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

TEST_F(Frame_distance, without_perspective_only_the_travel_angle_counts)
{
    EXPECT_NEAR(at(0, OBJ_PLANET, 100, 2.0, 0.0, 0, 3), 56.0, 1e-9);  // straight away
    EXPECT_NEAR(at(0, OBJ_COMET, 100, 2.0, 180.0, 0, 3), 44.0, 1e-9); // approaching
    EXPECT_NEAR(at(0, OBJ_BITMAP, 100, 2.0, 90.0, 0, 3), 50.0, 1e-9); // sideways
    EXPECT_EQ(at(0, OBJ_SKY, 100, 2.0, 0.0, 0, 3), 50.0);             // a sky never moves
    EXPECT_NEAR(at(0, OBJ_RING, 100, 5.0, 0.0, 2, 10), 50.0, 1e-9);   // DECEL ends home
}

TEST_F(Frame_distance, with_perspective_the_column_direction_counts)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    EXPECT_NEAR(at(0, OBJ_RING, 320, 2.0, 0.0, 0, 3), 56.0, 1e-9);
    // 300 pixels left of centre at 10 pixels a degree: 30 degrees off.
    const double k = 0.017453292519943;
    double y = std::cos(120 * k) * 50.0 + std::cos(90 * k) * 6.0;
    double x = std::sin(120 * k) * 50.0 + std::sin(90 * k) * 6.0;
    EXPECT_EQ(at(1, OBJ_RING, 20, 2.0, 0.0, 0, 3), std::sqrt(x * x + y * y));
    // No travel distance: the stored distance stays, even off centre.
    EXPECT_EQ(at(1, OBJ_RING, 20, 0.0, 0.0, 0, 3), 50.0);
}

TEST_F(Frame_distance, outside_the_range_the_last_distance_inside_stays)
{
    at(0, OBJ_PLANET, 320, 1.0, 0.0, 0, 10);
    for (int frame : {11, -1}) {
        frame_distance(0, frame);
        EXPECT_NEAR(double(object_slots[0].d[24]), 60.0, 1e-9);
    }
}

TEST_F(Frame_distance, depth_order_runs_far_to_near_and_keeps_list_order_on_ties)
{
    for (double d : {10.0, 20.0, 10.0}) {
        dbl_param[D_REF_DISTANCE] = d;
        insert_object(OBJ_RING);
    }
    object_slots[0].w[2] = 100; // slot 0 travels away 3 a frame
    object_slots[0].d[10] = 3.0;
    order_frame(0);
    int before[4] = {1, 0, 2, -1};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(depth_order[i], before[i]);
    order_frame(4); // slot 0 now at 22
    int after[4] = {0, 1, 2, -1};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(depth_order[i], after[i]);
    EXPECT_EQ(list_order[0], 1); // the list itself keeps its order
    double d;
    EXPECT_STREQ(depth_name_at(0, &d), "Ring");
    EXPECT_NEAR(d, 22.0, 1e-9);
}

} // namespace
