// Store map: a page stored into a record and restored gives the page back,
// store-only fields stay in the record, names and choice lists follow.
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
    for (int n = 0; n < CHOICE_LISTS; n++) {
        int v = (base / 1000) % choice_list[n].count;
        int_param[choice_list[n].target] = v;
        choice_list[n].current = v;
    }
    for (int p = 0; p < MENU_PAGES; p++)
        page_frames[p] = {base + 10 * p, base + 10 * p + 5};
    snprintf(str_param[S_BITMAP_FILE], STR_LEN, "B%d.TGA", base);
}

struct Snapshot {
    int32_t ints[INT_PARAMS];
    double dbls[DBL_PARAMS];
    int32_t flags[FLAG_PARAMS];
    int32_t currents[CHOICE_LISTS];
    PageFrames frames[MENU_PAGES];
    char bitmap_file[STR_LEN];
};

Snapshot take()
{
    Snapshot s;
    memcpy(s.ints, int_param, sizeof s.ints);
    memcpy(s.dbls, dbl_param, sizeof s.dbls);
    memcpy(s.flags, flag_param, sizeof s.flags);
    for (int n = 0; n < CHOICE_LISTS; n++)
        s.currents[n] = choice_list[n].current;
    memcpy(s.frames, page_frames, sizeof s.frames);
    memcpy(s.bitmap_file, str_param[S_BITMAP_FILE], STR_LEN);
    return s;
}

// Every row of an object page shows after a restore what it showed when the
// page was stored. Ring ROTATION INC is the one entry no ring record keeps.
void expect_page_back(int page, const Snapshot& a)
{
    for (int r = 0; r < MENU_ROWS; r++) {
        const MenuItem& m = menu_pages[page][r];
        SCOPED_TRACE(std::string(page_names[page]) + " " + m.name);
        if (m.kind == ITEM_CHOICE) {
            EXPECT_EQ(choice_list[m.param].current, a.currents[m.param]);
            EXPECT_EQ(int_param[choice_list[m.param].target], a.ints[choice_list[m.param].target]);
        } else if (m.kind == ITEM_FLAG) {
            EXPECT_EQ(flag_param[m.param], a.flags[m.param]);
        } else if (m.kind == ITEM_VALUE && m.editor == EDIT_PAGE_FRAME) {
            EXPECT_EQ(page_frames[page].start, a.frames[page].start);
            EXPECT_EQ(page_frames[page].end, a.frames[page].end);
        } else if (m.kind == ITEM_VALUE && m.editor == EDIT_WHOLE) {
            EXPECT_EQ(int_param[m.param], a.ints[m.param]);
        } else if (m.kind == ITEM_VALUE && m.editor == EDIT_DECIMAL) {
            if (page == PAGE_RING && m.param == D_RING_ROTATION_INC)
                continue;
            EXPECT_EQ(dbl_param[m.param], a.dbls[m.param]);
        } else if (m.kind == ITEM_VALUE && m.editor == EDIT_STRING) {
            EXPECT_STREQ(str_param[m.param], a.bitmap_file);
        }
    }
}

class Store_map : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { clear_objects(); }
};

TEST_P(Store_map, store_clear_restore_gives_the_page_back)
{
    int page = GetParam();
    fill_store(1000);
    Snapshot a = take();
    store_object(5, page);
    EXPECT_EQ(object_slots[5].type, page);
    EXPECT_EQ(object_slots[5].w[1], a.frames[page].start);
    EXPECT_EQ(object_slots[5].w[2], a.frames[page].end);
    EXPECT_EQ(double(object_slots[5].d[24]), double(object_slots[5].d[9]));

    fill_store(2000);
    restore_object(5);
    expect_page_back(page, a);
}

TEST_P(Store_map, restore_touches_no_other_page_frames_and_keeps_unmapped_entries)
{
    int page = GetParam();
    fill_store(1000);
    store_object(7, page);
    fill_store(2000);
    Snapshot b = take();
    restore_object(7);
    for (int p = 0; p < MENU_PAGES; p++)
        if (p != page) {
            EXPECT_EQ(page_frames[p].start, b.frames[p].start);
        }
    // Entries of the OPTIONS and FILE pages never come from a record.
    EXPECT_EQ(int_param[I_WIDTH], b.ints[I_WIDTH]);
    EXPECT_EQ(dbl_param[D_PIXELS_PER_DEGREE], b.dbls[D_PIXELS_PER_DEGREE]);
    EXPECT_EQ(dbl_param[D_RING_ROTATION_INC], b.dbls[D_RING_ROTATION_INC]);
    EXPECT_EQ(flag_param[F_X_PERSPECTIVE], b.flags[F_X_PERSPECTIVE]);
    EXPECT_EQ(flag_param[F_PHASE_ADJUST], b.flags[F_PHASE_ADJUST]);
    EXPECT_EQ(flag_param[F_EDGE_ADJUST], b.flags[F_EDGE_ADJUST]);
}

INSTANTIATE_TEST_SUITE_P(Object_pages, Store_map, ::testing::Values(1, 2, 3, 4, 5),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(page_names[info.param]);
                         });

TEST(Store_map_fields, land_where_the_record_layout_says)
{
    clear_objects();
    fill_store(1000);
    store_object(0, OBJ_SKY);
    store_object(1, OBJ_PLANET);
    store_object(2, OBJ_RING);
    store_object(3, OBJ_COMET);
    store_object(4, OBJ_BITMAP);
    const ObjectRecord* o = object_slots;
    // Sky: star calc flag in w11, decimal 7 in d6, travel type forced to 0.
    EXPECT_EQ(o[0].w[11], flag_param[F_STAR_CALC]);
    EXPECT_EQ(double(o[0].d[6]), dbl_param[D_SKY_SPARE]);
    EXPECT_EQ(o[0].w[14], 0);
    // Planet: ROTATION INC before ROTATION INIT, store-only flags.
    EXPECT_EQ(double(o[1].d[5]), dbl_param[D_ROTATION_INC]);
    EXPECT_EQ(double(o[1].d[6]), dbl_param[D_ROTATION_INIT]);
    EXPECT_EQ(o[1].w[6], flag_param[F_PHASE_ADJUST]);
    EXPECT_EQ(o[1].w[7], flag_param[F_X_PERSPECTIVE]);
    EXPECT_EQ(o[1].w[14], 0);
    // Ring: PLANET LOCK in w6, no rotation increment anywhere.
    EXPECT_EQ(o[2].w[6], int_param[I_PLANET_LOCK]);
    EXPECT_EQ(o[2].w[7], int_param[I_RING_WIDTH]);
    for (int i = 0; i < 24; i++)
        EXPECT_NE(double(o[2].d[i]), dbl_param[D_RING_ROTATION_INC]) << "d" << i;
    // Comet: sky colours kept too, travel type in w14, perspective in w13.
    EXPECT_EQ(o[3].w[7], int_param[I_COLOUR_ONE]);
    EXPECT_EQ(o[3].w[14], int_param[I_COMET_TRAVEL]);
    EXPECT_EQ(o[3].w[13], flag_param[F_X_PERSPECTIVE]);
    // Bitmap: DISTANCE is both d2 and the sort distance d9.
    EXPECT_EQ(double(o[4].d[2]), dbl_param[D_BITMAP_DISTANCE]);
    EXPECT_EQ(double(o[4].d[9]), dbl_param[D_BITMAP_DISTANCE]);
    EXPECT_EQ(double(o[4].d[24]), dbl_param[D_BITMAP_DISTANCE]);
    EXPECT_EQ(o[4].w[16], flag_param[F_PLOT_BLACK]);
    EXPECT_EQ(o[4].w[15], flag_param[F_X_PERSPECTIVE]);
}

TEST(Store_map_fields, store_leaves_unlisted_fields_alone)
{
    clear_objects();
    fill_store(1000);
    object_slots[3].w[20] = 77;
    object_slots[3].d[20] = 7.5;
    object_slots[3].w[14] = 3; // a ring record does not set its travel type
    store_object(3, OBJ_RING);
    EXPECT_EQ(object_slots[3].w[20], 77);
    EXPECT_EQ(double(object_slots[3].d[20]), 7.5);
    EXPECT_EQ(object_slots[3].w[14], 3);
}

TEST(Store_map_fields, restoring_any_object_sets_ref_distance_from_d9)
{
    clear_objects();
    fill_store(1000);
    dbl_param[D_BITMAP_DISTANCE] = 42.0;
    store_object(0, OBJ_BITMAP);
    dbl_param[D_REF_DISTANCE] = 1.0;
    dbl_param[D_BITMAP_DISTANCE] = 2.0;
    restore_object(0);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], 42.0);
    EXPECT_EQ(dbl_param[D_BITMAP_DISTANCE], 42.0);
}

TEST(Store_map_fields, page_outside_1_to_5_clears_the_slot_and_free_slots_restore_nothing)
{
    clear_objects();
    fill_store(1000);
    store_object(2, OBJ_COMET);
    store_object(2, 6);
    EXPECT_EQ(object_slots[2].type, OBJ_FREE);
    EXPECT_STREQ(object_slots[2].name, "empty");
    Snapshot before = take();
    restore_object(2);
    object_slots[3].type = 9;
    restore_object(3);
    Snapshot after = take();
    EXPECT_EQ(memcmp(&before, &after, sizeof before), 0);
}

TEST(Object_names, follow_the_type)
{
    clear_objects();
    fill_store(1000);
    store_object(0, OBJ_SKY);
    EXPECT_STREQ(object_slots[0].name, "STAR FIELD");
    store_object(0, OBJ_RING);
    EXPECT_STREQ(object_slots[0].name, "Ring");
    const char* comets[5] = {"Coma", "Tail RHS", "Tail LHS", "Halo", "Torus"};
    for (int t = 0; t < 5; t++) {
        int_param[I_COMET_TYPE] = t;
        store_object(0, OBJ_COMET);
        EXPECT_STREQ(object_slots[0].name, comets[t]);
    }
    int_param[I_PLANET_NUMBER] = 3;
    planet_label(3);
    std::string label(planet_name_text);
    store_object(0, OBJ_PLANET);
    EXPECT_EQ(std::string(object_slots[0].name), label.substr(0, 13));
}

TEST(Object_names, a_bitmap_file_name_is_cut_to_13_and_comes_back_cut)
{
    clear_objects();
    fill_store(1000);
    strcpy(str_param[S_BITMAP_FILE], "ABCDEFGHIJ.TG"); // 13 characters
    store_object(0, OBJ_BITMAP);
    EXPECT_STREQ(object_slots[0].name, "ABCDEFGHIJ.TG");
    strcpy(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.TG"); // 14 characters
    store_object(1, OBJ_BITMAP);
    EXPECT_STREQ(object_slots[1].name, "ABCDEFGHIJK.T");
    strcpy(str_param[S_BITMAP_FILE], "OTHER.TGA");
    restore_object(1);
    EXPECT_STREQ(str_param[S_BITMAP_FILE], "ABCDEFGHIJK.T");
}

TEST(Object_names, restoring_a_planet_brings_its_name_back)
{
    clear_objects();
    fill_store(1000);
    strcpy(object_slots[0].name, "P7 Somewhere");
    object_slots[0].type = OBJ_PLANET;
    strcpy(planet_name_text, "other");
    restore_object(0);
    EXPECT_STREQ(planet_name_text, "P7 Somewhere");
}

TEST(Choice_resync, restoring_a_halo_comet_shows_halo)
{
    clear_objects();
    fill_store(1000);
    int_param[I_COMET_TYPE] = 3;
    store_object(0, OBJ_COMET);
    int_param[I_COMET_TYPE] = 0;
    choice_list[2].current = 0;
    restore_object(0);
    EXPECT_EQ(int_param[I_COMET_TYPE], 3);
    EXPECT_EQ(choice_list[2].current, 3);
    EXPECT_STREQ(choice_list[2].labels[choice_list[2].current], "Halo");
}

TEST(Choice_resync, an_integer_naming_no_label_shows_the_first)
{
    clear_objects();
    fill_store(1000);
    store_object(0, OBJ_SKY);
    object_slots[0].w[10] = 9; // stars: only 0..2 have labels
    choice_list[1].current = 2;
    restore_object(0);
    EXPECT_EQ(int_param[I_STARS], 9);
    EXPECT_EQ(choice_list[1].current, 0);
}

} // namespace
