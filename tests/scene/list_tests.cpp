// Object list: list order by sort distance and the current object through
// insert, replace, delete and stepping.
#include "scene_test_support.h"

#include "shell/shell.h"   // Required for: clear_objects_command, delete_object, edit_object
#include "store/prompt.h"  // Required for: console_yes_no_key, prompt_log
#include "store/records.h" // Required for: MAX_OBJECTS, OBJ_BITMAP, OBJ_COMET
#include "store/store.h"   // Required for: D_COMET_DIAMETER, D_REF_DISTANCE, dbl_param

namespace {

using Object_list = SceneTest;

TEST_F(Object_list, far_to_near_ties_in_slot_order_the_new_object_current)
{
    add_object(OBJ_RING, 10.0);
    add_object(OBJ_RING, 30.0);
    EXPECT_EQ(current_object, 0);
    add_object(OBJ_COMET, 10.0);
    EXPECT_EQ(current_object, 2);
    add_object(OBJ_BITMAP, 20.0);
    const int expect[5] = {1, 3, 0, 2, -1};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(list_order[i], expect[i]) << i;
    // The pane numbers list positions from 1; page 2 of three lines holds 4 and 5.
    char lines[5][80];
    EXPECT_EQ(object_pane_lines(lines, 2, 1, 3), 3);
    EXPECT_STREQ(lines[0], "Project OBJECT List (4 defined) Page 2/2 ");
    EXPECT_EQ(std::string(lines[2], 4), "4   ");
    EXPECT_STREQ(lines[3], "5   empty");
    // Replace rewrites the current object and follows it to its new place.
    current_object = 2;
    dbl_param[D_REF_DISTANCE] = 50.0;
    EXPECT_EQ(replace_object(OBJ_COMET), 0);
    EXPECT_EQ(object_slots[0].type, OBJ_COMET);
    EXPECT_EQ(current_object, 0);
    current_object = 4; // past the last object: nothing to replace
    EXPECT_EQ(replace_object(OBJ_RING), -1);
}

TEST_F(Object_list, a_full_list_refuses_insert_and_a_freed_slot_is_reused)
{
    for (int i = 0; i < MAX_OBJECTS; i++)
        ASSERT_EQ(add_object(OBJ_RING, i), i);
    EXPECT_EQ(add_object(OBJ_COMET, 1000.0), -1);
    EXPECT_EQ(object_count, MAX_OBJECTS);
    current_object = 10;
    int slot = list_order[10];
    delete_object();
    EXPECT_EQ(add_object(OBJ_COMET, 0.5), slot);
}

TEST_F(Object_list, delete_and_clear_need_a_current_object_and_a_yes)
{
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    for (double d : {30.0, 20.0, 10.0})
        add_object(OBJ_RING, d);
    console_yes_no_key = 'N';
    delete_object();
    clear_objects_command();
    EXPECT_EQ(object_count, 3);
    console_yes_no_key = 'Y';
    current_object = 2;
    delete_object();
    EXPECT_TRUE(logged("Delete Ring?"));
    EXPECT_EQ(object_count, 2);
    EXPECT_EQ(current_object, 2); // now past the last: nothing more to delete
    prompt_log.clear();
    delete_object();
    EXPECT_TRUE(logged("Nothing to delete!"));
    clear_objects_command();
    EXPECT_TRUE(logged("Erase ALL objects?"));
    EXPECT_EQ(object_count, 0);
}

TEST_F(Object_list, stepping_stops_past_the_last_and_edit_restores_the_page)
{
    dbl_param[D_COMET_DIAMETER] = 12.5;
    add_object(OBJ_COMET, 2.0);
    add_object(OBJ_RING, 1.0);
    dbl_param[D_COMET_DIAMETER] = 1.0;
    for (int i = 0; i < 3; i++)
        next_object();
    EXPECT_EQ(current_object, 2);
    EXPECT_EQ(edit_object(), -1);
    EXPECT_TRUE(logged("Can't edit empty object!"));
    for (int i = 0; i < 3; i++)
        previous_object();
    EXPECT_EQ(current_object, 0);
    EXPECT_EQ(edit_object(), OBJ_COMET);
    EXPECT_EQ(dbl_param[D_COMET_DIAMETER], 12.5);
}

} // namespace
