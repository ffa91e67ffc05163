// Store map: an object page stored into a record and restored gives the page
// back; store-only fields stay in the record; names and choice lists follow.
#include <gtest/gtest.h>

#include <cstring>

#include "planets/planets.h"
#include "scene/scene.h"
#include "shell/shell.h"

namespace {

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

// Every row of the page shows after a restore what it showed when the page
// was stored, and entries of other pages keep what they hold.
TEST_P(Store_map, store_then_restore_gives_the_page_back)
{
    int page = GetParam();
    clear_objects();
    fill_store(1000);
    int32_t a_int[INT_PARAMS], a_flag[FLAG_PARAMS], a_cur[CHOICE_LISTS];
    double a_dbl[DBL_PARAMS];
    memcpy(a_int, int_param, sizeof a_int);
    memcpy(a_dbl, dbl_param, sizeof a_dbl);
    memcpy(a_flag, flag_param, sizeof a_flag);
    for (int n = 0; n < CHOICE_LISTS; n++)
        a_cur[n] = choice_list[n].current;
    PageFrames a_frames = page_frames[page];
    std::string a_file = str_param[S_BITMAP_FILE];
    store_object(5, page);
    EXPECT_EQ(object_slots[5].type, page);
    EXPECT_EQ(double(object_slots[5].d[24]), double(object_slots[5].d[9]));

    fill_store(2000);
    restore_object(5);
    for (int r = 0; r < page_item_count(page); r++) {
        const MenuItem& m = menu_pages[page][r];
        SCOPED_TRACE(m.name);
        if (m.kind == ITEM_CHOICE) {
            EXPECT_EQ(choice_list[m.param].current, a_cur[m.param]);
            EXPECT_EQ(int_param[choice_list[m.param].target], a_int[choice_list[m.param].target]);
        } else if (m.kind == ITEM_FLAG) {
            EXPECT_EQ(flag_param[m.param], a_flag[m.param]);
        } else if (m.editor == EDIT_PAGE_FRAME) {
            EXPECT_EQ(page_frames[page].start, a_frames.start);
            EXPECT_EQ(page_frames[page].end, a_frames.end);
        } else if (m.editor == EDIT_WHOLE) {
            EXPECT_EQ(int_param[m.param], a_int[m.param]);
        } else if (m.editor == EDIT_STRING) {
            EXPECT_EQ(std::string(str_param[m.param]), a_file);
        } else if (!(page == PAGE_RING && m.param == D_RING_ROTATION_INC)) { // no ring keeps it
            EXPECT_EQ(dbl_param[m.param], a_dbl[m.param]);
        }
    }
    for (int p = 0; p < MENU_PAGES; p++)
        EXPECT_EQ(page_frames[p].start, p == page ? a_frames.start : 2000 + 10 * p);
    for (int f : {F_X_PERSPECTIVE, F_PHASE_ADJUST, F_EDGE_ADJUST}) // store-only
        EXPECT_EQ(flag_param[f], 2100 + f);
    EXPECT_EQ(dbl_param[D_RING_ROTATION_INC], 2000 + D_RING_ROTATION_INC + 0.25);
    EXPECT_EQ(int_param[I_WIDTH], 2000 + I_WIDTH);
}

INSTANTIATE_TEST_SUITE_P(Object_pages, Store_map, ::testing::Values(1, 2, 3, 4, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(page_names[info.param]);
                         });

TEST(Store_map_fields, odd_places_store_only_fields_and_untouched_fields)
{
    clear_objects();
    fill_store(1000);
    object_slots[2].w[20] = 77;
    object_slots[2].w[14] = 3; // a ring record does not set its travel type
    for (int p = 1; p <= 5; p++)
        store_object(p - 1, p);
    const ObjectRecord* o = object_slots;
    EXPECT_EQ(o[0].w[14], 0); // sky and planet records set travel type 0
    EXPECT_EQ(o[1].w[14], 0);
    EXPECT_EQ(double(o[1].d[5]), dbl_param[D_ROTATION_INC]); // before ROTATION INIT
    EXPECT_EQ(double(o[1].d[6]), dbl_param[D_ROTATION_INIT]);
    EXPECT_EQ(o[1].w[7], flag_param[F_X_PERSPECTIVE]);
    EXPECT_EQ(o[2].w[14], 3);
    EXPECT_EQ(o[2].w[20], 77);
    EXPECT_EQ(o[3].w[7], int_param[I_COLOUR_ONE]);
    EXPECT_EQ(o[3].w[13], flag_param[F_X_PERSPECTIVE]);
    EXPECT_EQ(double(o[4].d[2]), dbl_param[D_BITMAP_DISTANCE]);
    EXPECT_EQ(double(o[4].d[9]), dbl_param[D_BITMAP_DISTANCE]);
    EXPECT_EQ(o[4].w[11], flag_param[F_EDGE_ADJUST]);

    // Restoring the bitmap sets REF DISTANCE to its DISTANCE.
    dbl_param[D_REF_DISTANCE] = 1.0;
    restore_object(4);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], dbl_param[D_BITMAP_DISTANCE]);

    // Another page number clears the slot; free slots restore nothing.
    store_object(4, 6);
    EXPECT_EQ(o[4].type, OBJ_FREE);
    dbl_param[D_REF_DISTANCE] = 1.0;
    restore_object(4);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], 1.0);
}

TEST(Object_names, by_type_cut_to_13_and_restored)
{
    clear_objects();
    fill_store(1000);
    store_object(0, OBJ_SKY);
    EXPECT_STREQ(object_slots[0].name, "STAR FIELD");
    int_param[I_COMET_TYPE] = 2;
    store_object(0, OBJ_COMET);
    EXPECT_STREQ(object_slots[0].name, "Tail LHS");
    planet_label(int_param[I_PLANET_NUMBER]);
    std::string label(planet_name_text);
    store_object(1, OBJ_PLANET);
    EXPECT_EQ(std::string(object_slots[1].name), label.substr(0, 13));
    strcpy(planet_name_text, "other");
    restore_object(1);
    EXPECT_EQ(std::string(planet_name_text), label.substr(0, 13));

    strcpy(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.TG"); // 14 characters
    store_object(2, OBJ_BITMAP);
    EXPECT_STREQ(object_slots[2].name, "ABCDEFGHIJK.T");
    strcpy(str_param[S_BITMAP_FILE], "OTHER.TGA");
    restore_object(2);
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.T");
}

TEST(Choice_resync, restoring_a_halo_comet_shows_halo)
{
    clear_objects();
    fill_store(1000);
    int_param[I_COMET_TYPE] = 3;
    store_object(0, OBJ_COMET);
    int_param[I_COMET_TYPE] = choice_list[2].current = 0;
    restore_object(0);
    EXPECT_EQ(int_param[I_COMET_TYPE], 3);
    EXPECT_STREQ(choice_list[2].labels[choice_list[2].current], "Halo");
    // An integer naming no label shows the first label and is kept.
    object_slots[0].w[6] = 9;
    restore_object(0);
    EXPECT_EQ(int_param[I_COMET_TYPE], 9);
    EXPECT_EQ(choice_list[2].current, 0);
}

} // namespace
