// The page loop driven by scripted keys and clicks: what each kind of row does.
#include "shell_test_support.h"

#include <cstring>

#include "shell/shell.h"   // Required for: install_list_pages, page_loop
#include "store/canvas.h"  // Required for: create_frame_buffer, preview_colours
#include "store/filelists.h" // Required for: project_file_count
#include "store/records.h" // Required for: OBJ_COMET, OBJ_SKY, object_slots
#include "store/store.h"   // Required for: F_SAVE_BMP, I_THIS_FRAME, page_item_count
#include "test_support.h"
#include "ui/ui.h" // Required for: install_message_boxes, screen_colours

namespace {

// Deletes the old field (the editor leaves the cursor at its start), types.
std::string over(const char* text)
{
    return std::string("key Delete Delete Delete Delete Delete\ntext \"") + text + "\"\n";
}
// A click on menu row r: makes it current and performs it.
std::string click_row(int r) { return "click 40 " + std::to_string((4 + r) * 16 + 8) + "\n"; }

bool file_exists(const char* name) { return !read_file_bytes(name).empty(); }

struct MenuCase {
    const char* what;
    int page;
    void (*setup)();
    std::string script; // input after its end answers Esc, which leaves the page
    void (*check)();
};

void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.what; }

void none() {}
void three_objects() // a sky, a comet and a planet: list order far to near
{
    add_object(PAGE_SKY, 30.0);
    add_object(PAGE_COMET, 20.0);
    dbl_param[D_PLANET_DIAMETER] = 77.0;
    add_object(PAGE_PLANET, 10.0);
    dbl_param[D_PLANET_DIAMETER] = 1.0, current_object = 1;
}
void frames(int start, int end) { int_param[I_START_FRAME] = start, int_param[I_END_FRAME] = end; }

const MenuCase cases[] = {
    // Choices: FADE TYPE (None, Linear, Polar) goes round and on.
    {"choice cycles", PAGE_SKY, none, "key Down Down Down Enter Enter Enter Enter\n",
     [] { EXPECT_EQ(int_param[I_FADE_TYPE], 1); EXPECT_EQ(choice_list[0].current, 1); }},
    // Values: THIS FRAME refuses one past its maximum (the OOPS box, Enter
    // reopens the field, Esc leaves it) and keeps its row.
    {"whole refused", PAGE_FILE, none, "key Down Down Down Enter\n" + over("1000") + "key Enter Enter Esc\n",
     [] { EXPECT_EQ(int_param[I_THIS_FRAME], 0); EXPECT_EQ(page_item[PAGE_FILE], 3); }},
    {"decimal", PAGE_PLANET, none, "key Down Enter\n" + over("150.5") + "key Enter\n",
     [] { EXPECT_EQ(dbl_param[D_PLANET_DIAMETER], 150.5); }},
    {"text cut to its field", PAGE_OPTIONS, none,
     "key Down Enter\ntext \"ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789\"\nkey Enter\n",
     [] { EXPECT_STREQ(str_param[S_OUTPUT_PATH], "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"); }},
    // The page's own frames: END refused keeps both, START is the page's.
    {"page frames", PAGE_COMET, none,
     "key Up Enter\n" + over("1000") + "key Enter Enter Esc\nkey Up Enter\n" + over("5") + "key Enter\n",
     [] {
         EXPECT_EQ(page_frames[PAGE_COMET].start, 5); EXPECT_EQ(int_param[I_PAGE_START], 5);
         EXPECT_EQ(page_frames[PAGE_COMET].end, 0); EXPECT_EQ(page_frames[PAGE_PLANET].start, 0);
     }},
    // Flags: SAVE AS BMP twice is back where it was, PREVIEW RGB once is on.
    {"flag toggles", PAGE_OPTIONS, none, "key Down Down Down Enter Enter Down Down Enter\n",
     [] { EXPECT_EQ(flag_param[F_SAVE_BMP], 0); EXPECT_EQ(flag_param[F_PREVIEW_RGB], 1); }},
    // DOFRAME asks, draws and waits for a key; no writes nothing.
    {"doframe yes", PAGE_FILE, [] { flag_param[F_SAVE_TGA] = 1, int_param[I_THIS_FRAME] = 4; },
     click_row(12) + "key y\nkey Enter\n",
     [] { EXPECT_TRUE(said("Create frame image 004?")); EXPECT_TRUE(file_exists("NOVAM004.tga")); }},
    {"doframe no", PAGE_FILE, [] { flag_param[F_SAVE_TGA] = 1; }, click_row(12) + "key n\n",
     [] { EXPECT_TRUE(said("Create frame image 000?")); EXPECT_FALSE(file_exists("NOVAM000.tga")); }},
    {"doall of one frame", PAGE_FILE, [] { frames(3, 3); }, click_row(13) + "key n\n",
     [] { EXPECT_TRUE(said("Create frames 003 to 003?")); }},
    {"doall backwards", PAGE_FILE, [] { frames(5, 2); }, click_row(13) + "key Enter\n",
     [] { EXPECT_TRUE(said("Frame Number Error!")); EXPECT_EQ(prompt_log.size(), 1u); }},
    // SAVE PROJECT lists the saved file; LOAD PROJECT gives back what it holds.
    {"save then load", PAGE_FILE, [] { int_param[I_THIS_FRAME] = 9; },
     click_row(10) + "key y\n" + click_row(3) + over("5") + "key Enter\n" + click_row(9) + "key y\n",
     [] {
         EXPECT_TRUE(said("Overwrite project NOVAMIR.CFG?")); EXPECT_TRUE(said("Load project NOVAMIR.CFG?"));
         EXPECT_EQ(project_file_count, 1); EXPECT_EQ(int_param[I_THIS_FRAME], 9);
     }},
    // Objects: INSERT adds the page's object, F4 rewrites the current one.
    {"insert", PAGE_SKY, none, "key Insert Insert\n",
     [] { EXPECT_EQ(object_count, 2); EXPECT_EQ(object_slots[list_order[1]].type, OBJ_SKY); }},
    {"f4 save", PAGE_COMET, none, "key Insert\nkey Enter   # Coma to Tail RHS\nkey F4\n",
     [] {
         ASSERT_EQ(object_count, 1);
         EXPECT_STREQ(object_slots[0].name, "Tail RHS"); EXPECT_EQ(object_slots[0].w[6], 1);
     }},
    {"delete key", PAGE_LIST, three_objects, "key Delete\nkey y\n",
     [] {
         EXPECT_TRUE(said("Delete Coma?"));
         EXPECT_EQ(object_count, 2); EXPECT_EQ(object_slots[1].type, OBJ_FREE);
     }},
    {"delete row refused", PAGE_LIST, three_objects, click_row(3) + "key n\n",
     [] { EXPECT_TRUE(said("Delete Coma?")); EXPECT_EQ(object_count, 3); }},
    {"next and previous", PAGE_LIST, three_objects, "key Down Enter Enter Enter Up Enter\n",
     [] { EXPECT_EQ(current_object, 2); }},
    // EDIT OBJECT opens the object's page with its settings; Down there
    // shows which page remembered the row.
    {"edit", PAGE_LIST, three_objects, "key Down Enter Down Enter\nkey Down\n",
     [] {
         EXPECT_EQ(dbl_param[D_PLANET_DIAMETER], 77.0);
         EXPECT_EQ(page_item[PAGE_PLANET], 1); EXPECT_EQ(page_item[PAGE_LIST], 2);
     }},
    {"edit of no object", PAGE_LIST, none, click_row(2), [] { EXPECT_TRUE(said("Can't edit empty object!")); }},
    {"clear", PAGE_LIST, three_objects, click_row(4) + "key y\n",
     [] { EXPECT_TRUE(said("Erase ALL objects?")); EXPECT_EQ(object_count, 0); EXPECT_EQ(page_item[PAGE_LIST], 0); }},
    // Rows wrap both ways; each page keeps its row through hot keys (CLEAR
    // above went back to the row LIST had); a click on the last row makes it
    // current.
    {"rows wrap", PAGE_FILE, none, "key Up\n",
     [] { EXPECT_EQ(page_item[PAGE_FILE], page_item_count(PAGE_FILE) - 1); }},
    {"hot keys remember rows", PAGE_FILE, none, "key Down Down Alt-P Down Alt-F Down\n",
     [] { EXPECT_EQ(page_item[PAGE_FILE], 3); EXPECT_EQ(page_item[PAGE_PLANET], 1); }},
    {"click on the last row", PAGE_OPTIONS, none, click_row(page_item_count(PAGE_OPTIONS) - 1),
     [] { EXPECT_EQ(page_item[PAGE_OPTIONS], page_item_count(PAGE_OPTIONS) - 1); }},
};

struct Menu_loop : ShellTest, ::testing::WithParamInterface<MenuCase> {
    ScratchDir dir;
    void SetUp() override
    {
        ShellTest::SetUp();
        // Small frames; every number may be edited from 0 to 999.
        memset(int_param, 0, sizeof int_param), memset(dbl_param, 0, sizeof dbl_param);
        memset(flag_param, 0, sizeof flag_param);
        int_param[I_WIDTH] = 64, int_param[I_HEIGHT] = 48;
        for (int i = 0; i < INT_PARAMS; i++)
            int_min[i] = 0, int_max[i] = 999;
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_min[i] = 0.0, dbl_max[i] = 999.0;
        open_test_screen();
        install_message_boxes();
        install_list_pages();
        create_frame_buffer(640);
        preview_colours = screen_colours, mouse_present = 1;
        const int32_t first_rows[MENU_PAGES] = {0, -1, 0, 0, 0, 0, 0, 0};
        memcpy(page_item, first_rows, sizeof page_item);
    }
    void TearDown() override
    {
        prompt_hooks = PromptHooks{};
        preview_target = nullptr, preview_colours = nullptr;
        close_test_screen();
        ShellTest::TearDown();
    }
};

TEST_P(Menu_loop, rows_do_what_they_say)
{
    const MenuCase& c = GetParam();
    c.setup();
    prompt_log.clear();
    run_script(c.script);
    EXPECT_EQ(page_loop(c.page), KC_ESC);
    c.check();
}

INSTANTIATE_TEST_SUITE_P(Rows, Menu_loop, ::testing::ValuesIn(cases), [](const auto& info) {
    std::string name = info.param.what;
    for (char& ch : name)
        ch = isalnum((unsigned char)ch) ? ch : '_';
    return name;
});

} // namespace
