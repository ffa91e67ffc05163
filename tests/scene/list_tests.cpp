// Object list: list order by sort distance, the current object through
// insert, replace, delete and stepping, ring locks and the LIST pane.
#include <gtest/gtest.h>

#include <cstring>

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
        console_yes_no_key = 'Y';
    }
    void TearDown() override { console_yes_no_key = 'Y'; }

    // Inserts an object of the page at a sort distance; returns its slot.
    int add(int page, double distance)
    {
        dbl_param[D_REF_DISTANCE] = distance;
        dbl_param[D_BITMAP_DISTANCE] = distance;
        return insert_object(page);
    }
    bool logged(const std::string& text)
    {
        for (const std::string& s : prompt_log)
            if (s == text)
                return true;
        return false;
    }
};

TEST_F(List_order, empty_list_after_clear)
{
    EXPECT_EQ(object_count, 0);
    EXPECT_EQ(current_object, 0);
    for (int i = 0; i < MAX_OBJECTS; i++) {
        EXPECT_EQ(list_order[i], -1);
        EXPECT_EQ(object_slots[i].type, OBJ_FREE);
        EXPECT_EQ(double(object_slots[i].d[24]), -1.0);
    }
    EXPECT_EQ(first_free_slot(), 0);
}

TEST_F(List_order, sorted_far_to_near_with_ties_in_slot_order)
{
    EXPECT_EQ(add(OBJ_RING, 10.0), 0);
    EXPECT_EQ(add(OBJ_RING, 30.0), 1);
    EXPECT_EQ(add(OBJ_COMET, 10.0), 2);
    EXPECT_EQ(add(OBJ_BITMAP, 20.0), 3);
    EXPECT_EQ(object_count, 4);
    int expect[5] = {1, 3, 0, 2, -1};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(list_order[i], expect[i]) << i;
}

TEST_F(List_order, inserting_the_farthest_object_makes_position_0_current)
{
    add(OBJ_RING, 10.0);
    add(OBJ_RING, 20.0);
    int slot = add(OBJ_PLANET, 99.0);
    EXPECT_EQ(list_order[0], slot);
    EXPECT_EQ(current_object, 0);
    int near = add(OBJ_COMET, 1.0);
    EXPECT_EQ(list_order[3], near);
    EXPECT_EQ(current_object, 3);
}

TEST_F(List_order, insert_takes_the_lowest_free_slot_and_a_full_list_changes_nothing)
{
    for (int i = 0; i < MAX_OBJECTS; i++)
        ASSERT_EQ(add(OBJ_RING, i), i);
    EXPECT_EQ(first_free_slot(), -1);
    int before_current = current_object;
    EXPECT_EQ(add(OBJ_COMET, 1000.0), -1);
    EXPECT_EQ(object_count, MAX_OBJECTS);
    EXPECT_EQ(current_object, before_current);
    for (int i = 0; i < MAX_OBJECTS; i++)
        EXPECT_EQ(object_slots[i].type, OBJ_RING);

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
    current_object = 1; // slot a, the nearer one
    ASSERT_EQ(list_order[1], a);
    dbl_param[D_REF_DISTANCE] = 50.0;
    EXPECT_EQ(replace_object(OBJ_COMET), a);
    EXPECT_EQ(object_slots[a].type, OBJ_COMET);
    EXPECT_EQ(list_order[0], a);
    EXPECT_EQ(current_object, 0);
    EXPECT_EQ(object_count, 2);
}

TEST_F(List_order, replace_without_a_current_object_changes_nothing)
{
    EXPECT_EQ(replace_object(OBJ_RING), -1);
    EXPECT_EQ(object_count, 0);
    add(OBJ_RING, 10.0);
    current_object = object_count;
    ObjectRecord before = object_slots[0];
    EXPECT_EQ(replace_object(OBJ_COMET), -1);
    EXPECT_EQ(memcmp(&before, &object_slots[0], sizeof before), 0);
}

TEST_F(List_order, deleting_the_last_current_object_leaves_current_at_the_count)
{
    add(OBJ_RING, 30.0);
    add(OBJ_RING, 20.0);
    add(OBJ_RING, 10.0);
    current_object = 2;
    delete_object();
    EXPECT_TRUE(logged("Delete Ring?"));
    EXPECT_EQ(object_count, 2);
    EXPECT_EQ(current_object, 2);
}

TEST_F(List_order, delete_needs_a_current_object_and_a_yes)
{
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    add(OBJ_RING, 1.0);
    current_object = 1;
    prompt_log.clear();
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    EXPECT_EQ(object_count, 1);

    current_object = 0;
    console_yes_no_key = 'N';
    delete_object();
    EXPECT_EQ(object_count, 1);
    console_yes_no_key = 'Y';
    clear_objects_command();
    EXPECT_TRUE(logged("Erase ALL objects?"));
    EXPECT_EQ(object_count, 0);
}

TEST_F(List_order, clear_command_wants_a_yes)
{
    add(OBJ_RING, 1.0);
    console_yes_no_key = 'N';
    clear_objects_command();
    EXPECT_EQ(object_count, 1);
}

TEST_F(List_order, next_reaches_the_position_after_the_last_and_previous_stops_at_0)
{
    add(OBJ_RING, 2.0);
    add(OBJ_RING, 1.0);
    current_object = 0;
    next_object();
    next_object();
    EXPECT_EQ(current_object, 2);
    next_object();
    EXPECT_EQ(current_object, 2);
    previous_object();
    previous_object();
    previous_object();
    EXPECT_EQ(current_object, 0);
}

TEST_F(List_order, edit_restores_the_current_object_and_returns_its_page)
{
    dbl_param[D_COMET_DIAMETER] = 12.5;
    add(OBJ_COMET, 5.0);
    dbl_param[D_COMET_DIAMETER] = 1.0;
    current_object = 0;
    EXPECT_EQ(edit_object(), OBJ_COMET);
    EXPECT_EQ(dbl_param[D_COMET_DIAMETER], 12.5);

    current_object = 1;
    EXPECT_EQ(edit_object(), -1);
    EXPECT_TRUE(logged("Can't edit empty object!"));
    current_object = -3;
    EXPECT_EQ(edit_object(), OBJ_COMET);
    EXPECT_EQ(current_object, 0);
}

TEST_F(List_order, rebuild_clamps_the_current_object)
{
    add(OBJ_RING, 1.0);
    current_object = 40;
    rebuild_list();
    EXPECT_EQ(current_object, 1);
    current_object = -2;
    rebuild_list();
    EXPECT_EQ(current_object, 0);
}

TEST_F(List_order, names_by_list_and_depth_position)
{
    add(OBJ_RING, 1.0);
    dbl_param[D_BITMAP_DISTANCE] = 9.0;
    strcpy(str_param[S_BITMAP_FILE], "SHIP.TGA");
    insert_object(OBJ_BITMAP);
    int type = 0;
    EXPECT_STREQ(object_name_at(0, &type), "SHIP.TGA");
    EXPECT_EQ(type, OBJ_BITMAP);
    EXPECT_STREQ(object_name_at(1, &type), "Ring");
    EXPECT_STREQ(object_name_at(2, &type), "empty");
    EXPECT_EQ(type, OBJ_FREE);
    order_frame(0);
    double d = 0;
    EXPECT_STREQ(depth_name_at(0, &d), "SHIP.TGA");
    EXPECT_EQ(d, 9.0);
    EXPECT_STREQ(depth_name_at(2, &d), "empty");
}

TEST_F(List_order, ring_locks_hold_rings_whose_lock_is_the_planet_slot_plus_one)
{
    int planet = add(OBJ_PLANET, 50.0); // slot 0
    int_param[I_PLANET_LOCK] = planet + 1;
    int near_ring = add(OBJ_RING, 10.0);
    int far_ring = add(OBJ_RING, 60.0);
    int_param[I_PLANET_LOCK] = 0;
    add(OBJ_RING, 30.0); // free ring
    int_param[I_PLANET_LOCK] = 7;
    add(OBJ_RING, 40.0); // locked to no planet
    find_ring_locks(planet);
    ASSERT_EQ(ring_locks.count, 2);
    EXPECT_EQ(ring_locks.slot[0], far_ring); // list order
    EXPECT_EQ(ring_locks.slot[1], near_ring);
    find_ring_locks(5);
    EXPECT_EQ(ring_locks.count, 0);
}

TEST_F(List_order, list_pane_lines)
{
    for (int i = 0; i < 5; i++)
        add(OBJ_RING, 10.0 - i);
    current_object = 4;
    char lines[8][80];
    int n = object_pane_lines(lines, 2, 0, 4);
    EXPECT_EQ(n, 4);
    EXPECT_STREQ(lines[0], "Project OBJECT List (5 defined) Page 1/2 ");
    EXPECT_STREQ(lines[1], "Object Name");
    EXPECT_STREQ(lines[2], "1   Ring");
    EXPECT_EQ(lines[2][78], 0);
    n = object_pane_lines(lines, 2, 1, 4);
    EXPECT_EQ(n, 4);
    EXPECT_STREQ(lines[0], "Project OBJECT List (5 defined) Page 2/2 ");
    EXPECT_STREQ(lines[2], "5   Ring");
    EXPECT_NE(lines[2][78], 0); // the current object
    EXPECT_STREQ(lines[3], "6   empty");
}

} // namespace
