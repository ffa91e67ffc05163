// Travel curves, each object's distance at a frame, and the far-to-near
// drawing order.
#include <gtest/gtest.h>

#include <cmath>

#include "render/render.h"
#include "scene/scene.h"
#include "shell/shell.h"

namespace {

TEST(Travel_curves, linear_is_a_distance_per_frame_whatever_the_range)
{
    EXPECT_EQ(travel_offset(2.0, 0, 5, 6, 15), 20.0);
    EXPECT_EQ(travel_offset(2.0, 0, 5, 500, 15), 20.0);
    EXPECT_EQ(travel_offset(2.0, 0, 5, 500, 0), -10.0);
    // Unknown types travel linearly.
    EXPECT_EQ(travel_offset(2.0, 9, 5, 500, 15), 20.0);
    EXPECT_EQ(travel_offset(2.0, -1, 5, 500, 15), 20.0);
}

TEST(Travel_curves, accel_reaches_the_distance_at_the_end)
{
    EXPECT_EQ(travel_offset(8.0, 1, 10, 20, 10), 0.0);
    EXPECT_DOUBLE_EQ(travel_offset(8.0, 1, 10, 20, 20), 8.0);
    EXPECT_DOUBLE_EQ(travel_offset(8.0, 1, 10, 20, 15), 2.0);
}

TEST(Travel_curves, decel_starts_at_the_distance_and_ends_at_0)
{
    EXPECT_EQ(travel_offset(8.0, 2, 10, 20, 10), 8.0);
    EXPECT_DOUBLE_EQ(travel_offset(8.0, 2, 10, 20, 15), 6.0);
    EXPECT_NEAR(travel_offset(8.0, 2, 10, 20, 20), 0.0, 1e-12);
}

TEST(Travel_curves, an_empty_range_counts_as_a_tenth_of_a_frame)
{
    EXPECT_EQ(travel_offset(3.0, 1, 7, 7, 7), 0.0);
    // 0.5 * (2D / 0.1^2) * 1: about 100 D.
    EXPECT_NEAR(travel_offset(3.0, 1, 7, 7, 8), 300.0, 1e-9);
}

TEST(Travel_curves, sine_and_cosine_share_one_curve_that_ends_near_0)
{
    for (int f = 0; f <= 20; f++)
        EXPECT_EQ(travel_offset(5.0, 3, 0, 20, f), travel_offset(5.0, 4, 0, 20, f));
    EXPECT_DOUBLE_EQ(travel_offset(5.0, 3, 0, 20, 5), 5.0 * std::sin(6.28 * 5 / 20));
    double end = travel_offset(5.0, 3, 0, 20, 20);
    EXPECT_NE(end, 0.0); // 6.28 is not two pi
    EXPECT_NEAR(end, 0.0, 0.02);
}

class Frame_distance : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_store();
        clear_objects();
        rs.i[I_WIDTH] = 640;
        rs.d[D_PIXELS_PER_DEGREE] = 10.0;
        flag_param[F_X_PERSPECTIVE] = 0;
    }
    // A record placed directly in a slot: range, centre column, distance,
    // travel distance, angle and type.
    int object(int slot, int type, int start, int end, int x, double R, double D, double angle, int travel)
    {
        ObjectRecord& r = object_slots[slot];
        r.type = type;
        r.w[1] = start;
        r.w[2] = end;
        r.w[4] = x;
        r.w[14] = travel;
        r.d[9] = R;
        r.d[10] = D;
        r.d[11] = angle;
        r.d[24] = R;
        return slot;
    }
};

TEST_F(Frame_distance, without_perspective_travel_at_angle_0_moves_straight_away)
{
    int s = object(0, OBJ_PLANET, 0, 10, 100, 50.0, 2.0, 0.0, 0);
    frame_distance(s, 3);
    EXPECT_NEAR(double(object_slots[s].d[24]), 56.0, 1e-9);
}

TEST_F(Frame_distance, without_perspective_angle_180_approaches)
{
    int s = object(0, OBJ_COMET, 0, 10, 100, 50.0, 2.0, 180.0, 0);
    frame_distance(s, 3);
    EXPECT_NEAR(double(object_slots[s].d[24]), 44.0, 1e-9);
}

TEST_F(Frame_distance, without_perspective_angle_90_keeps_the_distance)
{
    int s = object(0, OBJ_BITMAP, 0, 10, 100, 50.0, 2.0, 90.0, 0);
    frame_distance(s, 3);
    EXPECT_NEAR(double(object_slots[s].d[24]), 50.0, 1e-9);
}

TEST_F(Frame_distance, with_perspective_the_column_direction_counts)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    // Centre column (W / 2 = 320): the direction is 90 degrees.
    int s = object(0, OBJ_RING, 0, 10, 320, 50.0, 2.0, 0.0, 0);
    frame_distance(s, 3);
    EXPECT_NEAR(double(object_slots[s].d[24]), 56.0, 1e-9);
    // 300 pixels off centre at 10 pixels a degree is 30 degrees off.
    s = object(1, OBJ_RING, 0, 10, 20, 50.0, 2.0, 0.0, 0);
    frame_distance(s, 3);
    const double k = 0.017453292519943;
    double a = (30.0 + 90) * k;
    double y = std::cos(a) * 50.0 + std::cos(90 * k) * 6.0;
    double x = std::sin(a) * 50.0 + std::sin(90 * k) * 6.0;
    EXPECT_EQ(double(object_slots[s].d[24]), std::sqrt(x * x + y * y));
}

TEST_F(Frame_distance, the_half_width_is_an_integer_division)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    rs.i[I_WIDTH] = 641; // half is 320, not 320.5
    int s = object(0, OBJ_RING, 0, 10, 320, 50.0, 2.0, 0.0, 0);
    frame_distance(s, 3);
    EXPECT_NEAR(double(object_slots[s].d[24]), 56.0, 1e-9);
}

TEST_F(Frame_distance, no_travel_keeps_the_stored_distance_even_with_perspective)
{
    flag_param[F_X_PERSPECTIVE] = 1;
    int s = object(0, OBJ_PLANET, 0, 10, 20, 50.0, 0.0, 0.0, 0);
    object_slots[s].d[24] = 12.5;
    frame_distance(s, 3);
    EXPECT_EQ(double(object_slots[s].d[24]), 12.5);
}

TEST_F(Frame_distance, outside_the_range_keeps_the_last_distance_inside)
{
    int s = object(0, OBJ_PLANET, 0, 10, 320, 50.0, 1.0, 0.0, 0);
    frame_distance(s, 10);
    EXPECT_NEAR(double(object_slots[s].d[24]), 60.0, 1e-9);
    frame_distance(s, 11);
    EXPECT_NEAR(double(object_slots[s].d[24]), 60.0, 1e-9);
    frame_distance(s, -1);
    EXPECT_NEAR(double(object_slots[s].d[24]), 60.0, 1e-9);
}

TEST_F(Frame_distance, a_star_field_never_moves_and_decel_returns_to_the_sort_distance)
{
    int sky = object(0, OBJ_SKY, 0, 10, 320, 50.0, 5.0, 0.0, 0);
    frame_distance(sky, 4);
    EXPECT_EQ(double(object_slots[sky].d[24]), 50.0);
    int s = object(1, OBJ_BITMAP, 0, 10, 320, 50.0, 5.0, 0.0, 2);
    frame_distance(s, 10);
    EXPECT_NEAR(double(object_slots[s].d[24]), 50.0, 1e-9);
}

TEST_F(Frame_distance, depth_order_runs_far_to_near_and_keeps_list_order_on_ties)
{
    dbl_param[D_REF_DISTANCE] = 10.0;
    insert_object(OBJ_RING);   // slot 0
    dbl_param[D_REF_DISTANCE] = 20.0;
    insert_object(OBJ_RING);   // slot 1
    dbl_param[D_REF_DISTANCE] = 10.0;
    insert_object(OBJ_COMET);  // slot 2
    // The near ring travels away past the others as the frames go on.
    object_slots[0].w[1] = 0;
    object_slots[0].w[2] = 100;
    object_slots[0].d[10] = 3.0;
    order_frame(0);
    EXPECT_EQ(depth_order[0], 1);
    EXPECT_EQ(depth_order[1], 0);
    EXPECT_EQ(depth_order[2], 2);
    EXPECT_EQ(depth_order[3], -1);
    order_frame(4); // slot 0 now at 22
    EXPECT_EQ(depth_order[0], 0);
    EXPECT_EQ(depth_order[1], 1);
    EXPECT_EQ(depth_order[2], 2);
    // list order itself is untouched by a frame
    EXPECT_EQ(list_order[0], 1);
}

} // namespace
