// Object list: list order by sort distance, the current object through
// insert, replace, delete and stepping, ring locks and the LIST pane.
#include <gtest/gtest.h>

#include <algorithm>

#include "scene/scene.h"
#include "shell/shell.h"

namespace {

class List_order : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_store();
        clear_objects();
        prompt_log.clear();
    }
    void TearDown() override { console_yes_no_key = 'Y'; }
    int add(int page, double distance)
    {
        dbl_param[D_REF_DISTANCE] = dbl_param[D_BITMAP_DISTANCE] = distance;
        return insert_object(page);
    }
    bool logged(const char* text) { return std::count(prompt_log.begin(), prompt_log.end(), text) > 0; }
};

TEST_F(List_order, far_to_near_with_ties_in_slot_order_and_the_new_object_current)
{
    add(OBJ_RING, 10.0);
    add(OBJ_RING, 30.0);
    EXPECT_EQ(current_object, 0);
    add(OBJ_COMET, 10.0);
    EXPECT_EQ(current_object, 2);
    add(OBJ_BITMAP, 20.0);
    int expect[5] = {1, 3, 0, 2, -1};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(list_order[i], expect[i]) << i;
    EXPECT_EQ(add(OBJ_PLANET, 99.0), 4);
    EXPECT_EQ(list_order[0], 4);
    EXPECT_EQ(current_object, 0);
}

TEST_F(List_order, a_full_list_refuses_insert_and_a_freed_slot_is_reused)
{
    for (int i = 0; i < MAX_OBJECTS; i++)
        ASSERT_EQ(add(OBJ_RING, i), i);
    EXPECT_EQ(add(OBJ_COMET, 1000.0), -1);
    EXPECT_EQ(object_count, MAX_OBJECTS);
    EXPECT_EQ(list_order[0], 63);
    current_object = 10;
    int slot = list_order[10];
    delete_object();
    EXPECT_EQ(first_free_slot(), slot);
    EXPECT_EQ(add(OBJ_COMET, 0.5), slot);
}

TEST_F(List_order, replace_rewrites_the_current_object_and_follows_it)
{
    int a = add(OBJ_RING, 10.0);
    add(OBJ_RING, 20.0);
    current_object = 1;
    dbl_param[D_REF_DISTANCE] = 50.0;
    EXPECT_EQ(replace_object(OBJ_COMET), a);
    EXPECT_EQ(object_slots[a].type, OBJ_COMET);
    EXPECT_EQ(current_object, 0);
    current_object = 2;
    EXPECT_EQ(replace_object(OBJ_RING), -1);
    EXPECT_EQ(object_slots[a].type, OBJ_COMET);
}

TEST_F(List_order, delete_and_clear_need_a_current_object_and_a_yes)
{
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    add(OBJ_RING, 30.0);
    add(OBJ_RING, 20.0);
    add(OBJ_RING, 10.0);
    console_yes_no_key = 'N';
    delete_object();
    clear_objects_command();
    EXPECT_EQ(object_count, 3);
    console_yes_no_key = 'Y';
    current_object = 2; // the last in list order
    delete_object();
    EXPECT_TRUE(logged("Delete Ring?"));
    EXPECT_EQ(object_count, 2);
    EXPECT_EQ(current_object, 2);
    prompt_log.clear();
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    clear_objects_command();
    EXPECT_TRUE(logged("Erase ALL objects?"));
    EXPECT_EQ(object_count, 0);
}

TEST_F(List_order, stepping_and_editing)
{
    dbl_param[D_COMET_DIAMETER] = 12.5;
    add(OBJ_COMET, 2.0);
    add(OBJ_RING, 1.0);
    dbl_param[D_COMET_DIAMETER] = 1.0;
    for (int i = 0; i < 3; i++)
        next_object();
    EXPECT_EQ(current_object, 2); // the position after the last
    EXPECT_EQ(edit_object(), -1);
    EXPECT_TRUE(logged("Can't edit empty object!"));
    for (int i = 0; i < 3; i++)
        previous_object();
    EXPECT_EQ(current_object, 0);
    EXPECT_EQ(edit_object(), OBJ_COMET);
    EXPECT_EQ(dbl_param[D_COMET_DIAMETER], 12.5);
}

TEST_F(List_order, ring_locks_hold_rings_whose_lock_is_the_planet_slot_plus_one)
{
    int planet = add(OBJ_PLANET, 50.0);
    int_param[I_PLANET_LOCK] = planet + 1;
    int near_ring = add(OBJ_RING, 10.0);
    int far_ring = add(OBJ_RING, 60.0);
    int_param[I_PLANET_LOCK] = 0;
    add(OBJ_RING, 30.0);
    int_param[I_PLANET_LOCK] = 7;
    add(OBJ_RING, 40.0);
    find_ring_locks(planet);
    ASSERT_EQ(ring_locks.count, 2);
    EXPECT_EQ(ring_locks.slot[0], far_ring);
    EXPECT_EQ(ring_locks.slot[1], near_ring);
}

TEST_F(List_order, list_pane_lines_mark_the_current_object)
{
    for (int i = 0; i < 5; i++)
        add(OBJ_RING, 10.0 - i);
    char lines[8][80];
    EXPECT_EQ(object_pane_lines(lines, 2, 1, 4), 4);
    EXPECT_STREQ(lines[0], "Project OBJECT List (5 defined) Page 2/2 ");
    EXPECT_STREQ(lines[1], "Object Name");
    EXPECT_STREQ(lines[2], "5   Ring");
    EXPECT_NE(lines[2][78], 0);
    EXPECT_STREQ(lines[3], "6   empty");
    EXPECT_EQ(lines[3][78], 0);
}

} // namespace
