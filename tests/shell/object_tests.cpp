// Object commands: list order, the current object, and the object pages stored into records.
#include "shell_test_support.h"

#include <cstring>

#include "shell/shell.h"   // Required for: delete_object, replace_object, store_object
#include "store/prompt.h"  // Required for: console_yes_no_key, prompt_log
#include "store/records.h" // Required for: MAX_OBJECTS, OBJ_BITMAP, OBJ_FREE
#include "store/store.h"   // Required for: CHOICE_LISTS, DBL_PARAMS, D_REF_DISTANCE

namespace {

using Object_list = ShellTest;

TEST_F(Object_list, far_to_near_ties_in_slot_order_the_new_object_current)
{
    add_object(OBJ_RING, 10.0);
    add_object(OBJ_RING, 30.0);
    EXPECT_EQ(current_object, 0);
    add_object(OBJ_COMET, 10.0);
    EXPECT_EQ(current_object, 2);
    add_object(OBJ_BITMAP, 20.0);
    EXPECT_EQ(std::vector<int32_t>(list_order, list_order + 5), (std::vector<int32_t>{1, 3, 0, 2, -1}));
    // The pane numbers list positions from 1; page 2 of three lines holds 4 and 5.
    char lines[5][80];
    EXPECT_EQ(object_pane_lines(lines, 2, 1, 3), 3);
    EXPECT_STREQ(lines[0], "Project OBJECT List (4 defined) Page 2/2 ");
    EXPECT_EQ(std::string(lines[2], 4), "4   ");
    EXPECT_STREQ(lines[3], "5   empty");
    // Replace rewrites the current object and follows it to its new place.
    current_object = 2, dbl_param[D_REF_DISTANCE] = 50.0;
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

// Deleting the last object leaves the current position past the end, where
// there is nothing more to delete (the questions themselves are the menu's).
TEST_F(Object_list, deleting_the_last_leaves_nothing_current)
{
    for (double d : {30.0, 20.0, 10.0})
        add_object(OBJ_RING, d);
    current_object = 2;
    delete_object();
    delete_object();
    EXPECT_EQ(prompt_log, (std::vector<std::string>{"Delete Ring?", "Nothing to delete!"}));
    EXPECT_EQ(object_count * 10 + current_object, 22);
}

// Fills every store entry with a value that tells where it came from; the
// choice integers get label indices so the lists can follow them.
void fill_store(int base)
{
    reset_store();
    for (int i = 0; i < INT_PARAMS; i++)
        int_param[i] = base + i;
    for (int i = 0; i < DBL_PARAMS; i++)
        dbl_param[i] = base + i + 0.25;
    for (int i = 0; i < FLAG_PARAMS; i++)
        flag_param[i] = base + 100 + i;
    for (int n = 0; n < CHOICE_LISTS; n++)
        choice_list[n].current = int_param[choice_list[n].target] = (base / 1000) % choice_list[n].count;
    for (int p = 0; p < MENU_PAGES; p++)
        page_frames[p] = {base + 10 * p, base + 10 * p + 5};
    snprintf(str_param[S_BITMAP_FILE], STR_LEN, "B%d.TGA", base);
}

class Store_map : public ::testing::TestWithParam<int> {};

// Every row of the page shows after a restore what it held when stored (the
// values of fill_store(1000)); other pages and store-only flags keep theirs.
TEST_P(Store_map, store_then_restore_gives_the_page_back)
{
    int page = GetParam();
    clear_objects();
    fill_store(1000);
    store_object(5, page);
    EXPECT_EQ(object_slots[5].type, page);
    fill_store(2000);
    restore_object(5);
    for (int r = 0; r < page_item_count(page); r++) {
        const MenuItem& m = menu_pages[page][r];
        SCOPED_TRACE(m.name);
        if (m.kind == ITEM_CHOICE) {
            EXPECT_EQ(choice_list[m.param].current, 1 % choice_list[m.param].count);
            EXPECT_EQ(int_param[choice_list[m.param].target], 1 % choice_list[m.param].count);
        } else if (m.kind == ITEM_FLAG) {
            EXPECT_EQ(flag_param[m.param], 1100 + m.param);
        } else if (m.editor == EDIT_PAGE_FRAME) {
            EXPECT_EQ(page_frames[page].start, 1000 + 10 * page);
            EXPECT_EQ(page_frames[page].end, 1005 + 10 * page);
        } else if (m.editor == EDIT_WHOLE) {
            EXPECT_EQ(int_param[m.param], 1000 + m.param);
        } else if (m.editor == EDIT_STRING) {
            EXPECT_STREQ(str_param[m.param], "B1000.TGA");
        } else if (!(page == PAGE_RING && m.param == D_RING_ROTATION_INC)) { // no ring keeps it
            EXPECT_EQ(dbl_param[m.param], 1000 + m.param + 0.25);
        }
    }
    for (int p = 0; p < MENU_PAGES; p++)
        EXPECT_EQ(page_frames[p].start, p == page ? 1000 + 10 * p : 2000 + 10 * p);
    for (int f : {F_X_PERSPECTIVE, F_PHASE_ADJUST, F_EDGE_ADJUST}) // store-only
        EXPECT_EQ(flag_param[f], 2100 + f);
    EXPECT_EQ(int_param[I_WIDTH], 2000 + I_WIDTH);
}

INSTANTIATE_TEST_SUITE_P(Object_pages, Store_map, ::testing::Values(1, 2, 3, 4, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(page_names[info.param]);
                         });

TEST(Store_map_rules, travel_type_bitmap_distance_names_and_choice_resync)
{
    clear_objects();
    fill_store(1000);
    object_slots[2].w[14] = 3; // a ring record does not set its travel type
    int_param[I_COMET_TYPE] = 3;
    strcpy(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.TG"); // 14 characters: the name keeps 13
    for (int p = 1; p <= 5; p++)
        store_object(p - 1, p);
    // Sky and planet records set travel type 0.
    EXPECT_EQ(object_slots[0].w[14] * 100 + object_slots[1].w[14] * 10 + object_slots[2].w[14], 3);
    EXPECT_STREQ(object_slots[0].name, "STAR FIELD");
    EXPECT_STREQ(object_slots[3].name, "Halo");
    int_param[I_COMET_TYPE] = choice_list[2].current = 0;
    restore_object(3);
    EXPECT_STREQ(choice_list[2].labels[choice_list[2].current], "Halo");
    object_slots[3].w[6] = 9; // naming no label: the first label shows, the integer is kept
    restore_object(3);
    EXPECT_EQ(int_param[I_COMET_TYPE], 9);
    EXPECT_EQ(choice_list[2].current, 0);

    strcpy(str_param[S_BITMAP_FILE], "OTHER.TGA");
    dbl_param[D_REF_DISTANCE] = 1.0;
    restore_object(4); // a bitmap sets REF DISTANCE to its DISTANCE
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.T");
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], dbl_param[D_BITMAP_DISTANCE]);
    store_object(4, 6); // not an object page: the slot is cleared and restores nothing
    EXPECT_EQ(object_slots[4].type, OBJ_FREE);
    dbl_param[D_REF_DISTANCE] = 1.0;
    restore_object(4);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], 1.0);
}

} // namespace
