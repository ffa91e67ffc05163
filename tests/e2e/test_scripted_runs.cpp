// The interactive program driven by scripts without a display: start-up and
// the exit questions, every page drawn from its table, the value editors,
// the object commands, saving and loading projects, previews and the screen
// dump. Each run is checked by what it leaves behind: the project it saves
// (read back here), the files it writes, its screen dumps and its log of
// questions and messages.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

constexpr int W = 640, H = 480;       // the default screen
constexpr int CW = 8, LH = 16;        // its text cell
constexpr int ROWS_TOP = 4 * LH;      // text line of row 0
constexpr int STATUS_BAND_BOTTOM = 2 * LH - 2;

// ui_palette indices the page drawing uses.
constexpr int INK_WHITE = 15, INK_RED = 10, INK_YELLOW = 14, INK_PANEL = 8;

class Scripted : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string data_project; // the default project the program finds
    void SetUp() override
    {
        std::string why;
        if (!novamir_runnable(&why))
            GTEST_SKIP() << why;
        char path[1024];
        ASSERT_TRUE(find_data_file("NOVAMIR.CFG", path, sizeof path));
        data_project = path;
    }
    ProgramRun run(const std::string& script)
    {
        ProgramRun r = run_novamir(script);
        EXPECT_EQ(r.status, 0) << r.output;
        return r;
    }
    // The project a run saved, read into this process's store and list.
    void read_saved(const char* name)
    {
        clear_objects();
        ASSERT_EQ(read_project_file(name), 0) << name;
    }
    Picture dump(const char* name)
    {
        Picture p;
        EXPECT_TRUE(read_picture(name, &p)) << name;
        return p;
    }
    int count_in_rect(const Picture& p, int ink, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                n += p.at(x, y) == ink;
        return n;
    }
    // Text pixels of the highlighted colour on row r's button.
    int red_on_row(const Picture& p, int r)
    {
        return count_in_rect(p, INK_RED, 2 * CW, ROWS_TOP + r * LH + 2, 12 * CW, ROWS_TOP + r * LH + LH - 2);
    }
};

using Start_and_exit = Scripted;
using Menu_pages = Scripted;
using Value_editors = Scripted;
using Object_commands = Scripted;
using Project_round_trip = Scripted;
using Views = Scripted;

// ---------------------------------------------------------------------------

TEST_F(Start_and_exit, questions_in_order_help_at_the_top_level_and_saving_on_the_way_out)
{
    std::string script = script_start() +
                         "dump top.bmp\n"
                         "key F1\n"
                         "dump help.bmp\n"
                         "key Esc     # the first topic: back out of the help\n"
                         "dump back.bmp\n"
                         "key Esc\n"
                         "key n       # no save\n"
                         "key n       # not REALLY EXIT: the program goes on\n"
                         "key Esc\n"
                         "key y       # save first\n"
                         "key y       # Overwrite project NOVAMIR.CFG?\n"
                         "key y       # REALLY EXIT\n";
    ProgramRun r = run(script);
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log,
                                 {"Maximum Frame size: 640 x 480", "Maximum input BMP image:  640 x 256",
                                  "Planet TOPology file novamir1.top loaded", "Load project NOVAMIR.CFG?",
                                  "EXIT!! Save PROJECT file first???", "REALLY EXIT ??????",
                                  "EXIT!! Save PROJECT file first???", "Overwrite project NOVAMIR.CFG?",
                                  "REALLY EXIT ??????"},
                                 &missing))
        << "missing: " << missing;
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.back(), "REALLY EXIT ??????");

    // Loaded and saved again without a change, the project is the same file.
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), read_file_bytes(data_project));

    // The help opens in its box over the top level and leaves it as it was.
    Picture top = dump("top.bmp"), help = dump("help.bmp"), back = dump("back.bmp");
    ASSERT_EQ(top.w, W);
    ASSERT_EQ(top.h, H);
    EXPECT_GT(differing_pixels(top, help, 10 * CW, 8 * LH, 68 * CW - 1, 24 * LH - 1), 1000);
    EXPECT_EQ(differing_pixels(top, back, 0, 0, W - 1, H - 1), 0);
}

TEST_F(Start_and_exit, no_to_the_default_project_keeps_the_database_start_values)
{
    // The store is saved at the exit without loading anything first.
    ProgramRun r = run(script_start(false) + "key Esc\nkey y\nkey y\nkey y\n");
    read_saved("NOVAMIR.CFG");
    EXPECT_EQ(object_count, 0);
    std::vector<uint8_t> saved = read_file_bytes("NOVAMIR.CFG");
    EXPECT_EQ(saved.size(), (size_t)PROJECT_HEADER_SIZE);
}

TEST_F(Start_and_exit, a_script_that_ends_early_fails_the_run)
{
    ProgramRun r = run_novamir(script_start() + "key Alt-F\n");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_NE(r.output.find("script ended"), std::string::npos) << r.output;
}

TEST_F(Start_and_exit, numbers_choose_depth_and_width_others_are_ignored)
{
    ProgramRun r = run_novamir(script_start() + script_exit(), {"24", "800"});
    EXPECT_EQ(r.status, 0) << r.output;
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Maximum Frame size: 800 x 600"}, &missing));
    r = run_novamir(script_start() + script_exit(), {"1024", "640", "16", "99"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(log_has_in_order(r.log, {"Maximum Frame size: 1024 x 768"}, &missing));
}

TEST_F(Start_and_exit, without_a_display_or_a_script_the_mode_error_says_why)
{
    ProgramRun r = run_program(program_path("novamir"), {}, dir.path, {"DISPLAY="});
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.output.find("Unable to set graphics mode: no X display"), std::string::npos) << r.output;
}

// ---------------------------------------------------------------------------

TEST_F(Menu_pages, every_page_draws_its_rows_highlight_help_line_and_pane)
{
    static const char* const keys[MENU_PAGES] = {"Alt-F", "Alt-S", "Alt-P", "Alt-R",
                                                  "Alt-C", "Alt-B", "Alt-L", "Alt-O"};
    std::string script = script_start();
    for (int p = 0; p < MENU_PAGES; p++)
        script += std::string("key ") + keys[p] + "\ndump page" + std::to_string(p) + ".bmp\n";
    script += "key Esc\n" + script_exit();
    run(script);

    std::vector<Picture> pages;
    for (int p = 0; p < MENU_PAGES; p++) {
        std::string name = "page" + std::to_string(p) + ".bmp";
        pages.push_back(dump(name.c_str()));
        keep_screenshot(name, page_names[p]);
    }
    for (int p = 0; p < MENU_PAGES; p++) {
        const Picture& pic = pages[p];
        ASSERT_EQ(pic.w, W);
        int count = page_item_count(p);
        // A row button (its white top edge) on exactly the rows of the table.
        for (int r = 0; r < MENU_ROWS; r++)
            EXPECT_EQ(pic.at(3 * CW, ROWS_TOP + r * LH), r < count ? INK_WHITE : 0) << "page " << p << " row " << r;
        // Row 0 highlighted with its help line, except on SKY, which has no
        // current row until the first key.
        bool highlighted = p != PAGE_SKY;
        EXPECT_EQ(red_on_row(pic, 0) > 0, highlighted) << "page " << p;
        EXPECT_EQ(count_in_rect(pic, INK_YELLOW, CW, 29 * LH, 49 * CW, H - 1) > 0, highlighted) << "page " << p;
        // The pane: a list panel on FILE, PLANET, RING, BITMAP and LIST, the
        // colour chart on SKY and COMET, nothing on OPTIONS.
        bool list_pane = p == PAGE_FILE || p == PAGE_PLANET || p == PAGE_RING || p == PAGE_BITMAP || p == PAGE_LIST;
        EXPECT_EQ(pic.at(78 * CW, 26 * LH), list_pane ? INK_PANEL : 0) << "page " << p;
        bool chart = p == PAGE_SKY || p == PAGE_COMET;
        // Palette entry 33 (second swatch of the third chart row) in the chart.
        EXPECT_EQ(pic.at(30 * CW + CW, 10 * LH + LH / 2) == 33, chart) << "page " << p;
        for (int q = 0; q < p; q++)
            EXPECT_GT(differing_pixels(pages[q], pic, 0, ROWS_TOP, W - 1, 27 * LH), 0) << q << " and " << p;
    }
}

TEST_F(Menu_pages, rows_wrap_both_ways_and_f1_shows_the_rows_help)
{
    std::string script = script_start() +
                         "key Alt-F\n"
                         "key Up      # from row 0 to the last row\n"
                         "dump up.bmp\n"
                         "key Down    # and back to row 0\n"
                         "dump down.bmp\n"
                         "key Alt-S\n"
                         "key Down    # SKY's first key makes row 0 current\n"
                         "dump sky.bmp\n"
                         "key Alt-P\n"
                         "key Down    # DIAMETER\n"
                         "dump planet.bmp\n"
                         "key F1\n"
                         "dump help.bmp\n"
                         "key F1      # leaves the help\n"
                         "dump after.bmp\n"
                         "key Esc\n" +
                         script_exit();
    run(script);
    int last = page_item_count(PAGE_FILE) - 1;
    Picture up = dump("up.bmp"), down = dump("down.bmp"), sky = dump("sky.bmp");
    EXPECT_GT(red_on_row(up, last), 0);
    EXPECT_EQ(red_on_row(up, 0), 0);
    EXPECT_GT(red_on_row(down, 0), 0);
    EXPECT_EQ(red_on_row(down, last), 0);
    EXPECT_GT(red_on_row(sky, 0), 0);
    Picture planet = dump("planet.bmp"), help = dump("help.bmp"), after = dump("after.bmp");
    EXPECT_GT(red_on_row(planet, 1), 0);
    EXPECT_GT(differing_pixels(planet, help, 10 * CW, 8 * LH, 68 * CW - 1, 24 * LH - 1), 1000);
    EXPECT_EQ(differing_pixels(planet, after, 0, 0, W - 1, H - 1), 0);
}

TEST_F(Menu_pages, a_tab_click_opens_its_page_a_right_click_leaves_and_quit_exits)
{
    // The PLANET tab spans columns 17 to 23 of text line 2; QUIT columns 73 to 77.
    std::string script = script_start() +
                         "click 146 40\n"
                         "dump clicked.bmp\n"
                         "click 146 40 right   # ESC: back to the top level\n"
                         "dump top.bmp\n"
                         "key Alt-P\n"
                         "dump keyed.bmp\n"
                         "key Esc\n"
                         "click 600 40         # QUIT\n"
                         "key n\n"
                         "key y\n";
    ProgramRun r = run(script);
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.back(), "REALLY EXIT ??????");
    Picture clicked = dump("clicked.bmp"), top = dump("top.bmp"), keyed = dump("keyed.bmp");
    EXPECT_EQ(differing_pixels(clicked, keyed, 0, 0, W - 1, H - 1), 0);
    EXPECT_EQ(clicked.at(3 * CW, ROWS_TOP), INK_WHITE); // PLANET's row 0
    EXPECT_EQ(top.at(3 * CW, ROWS_TOP), 0);             // the top level has no rows
}

// ---------------------------------------------------------------------------

TEST_F(Value_editors, refused_values_leave_the_store_accepted_ones_are_stored)
{
    read_saved(data_project.c_str());
    const int demo_page_end = int_param[I_PAGE_END];
    const int demo_objects = object_count;

    std::string script = script_start() +
                         "key Alt-F\n"
                         "key Down Down Down   # THIS FRAME, whole numbers\n"
                         "key Enter\n" +
                         script_type_over("5000", 4) +
                         "key Enter   # refused with the OOPS box\n"
                         "key Enter   # the box closes, the field opens again\n"
                         "key Esc     # and is left: THIS FRAME keeps its value\n"
                         "key Enter\n" +
                         script_type_over("7", 4) +
                         "key Enter   # accepted\n"
                         "key Up Up Up Up   # past row 0 to the last row, FILE SEARCH\n"
                         "key Enter   # a flag toggles\n" +
                         script_click_row(8) +  // PROJECT NAME, the string editor
                         "text \"XYZ\"\n"
                         "key Esc     # abandoned: the name stays\n"
                         "key Alt-P\n"
                         "key Down    # DIAMETER, decimals\n"
                         "key Enter\n" +
                         script_type_over("5000", 10) +
                         "key Enter Enter Esc\n"
                         "key Enter\n" +
                         script_type_over("150.5", 10) +
                         "key Enter\n"
                         "key Alt-C   # COMET TYPE\n"
                         "key Enter   # a choice advances: Coma to Tail RHS\n"
                         "key Up      # END FRAME of the page\n"
                         "key Enter\n" +
                         script_type_over("1000", 4) +
                         "key Enter Enter Esc\n"
                         "key Up      # START FRAME of the page\n"
                         "key Enter\n" +
                         script_type_over("5", 4) +
                         "key Enter\n"
                         "key Insert  # a comet object carries the page frames\n"
                         "key Alt-O\n"
                         "key Down    # OUTPUT PATH, 30 characters at most\n"
                         "key Enter\n" +
                         script_type_over("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789", 30) +
                         "key Enter\n"
                         "key Down Down   # SAVE AS BMP\n"
                         "key Enter\n"
                         "key Alt-F\n" +
                         script_click_row(10) +  // SAVE PROJECT
                         "key y\n"
                         "key Esc\n" +
                         script_exit();
    ProgramRun r = run(script);
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Overwrite project NOVAMIR.CFG?"}, &missing));

    read_saved("NOVAMIR.CFG");
    EXPECT_EQ(int_param[I_THIS_FRAME], 7);
    EXPECT_EQ(flag_param[F_BACKDROP_FILE_SEARCH], 1);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "NOVAMIR");
    EXPECT_EQ(dbl_param[D_PLANET_DIAMETER], 150.5);
    EXPECT_EQ(int_param[I_COMET_TYPE], 1);
    EXPECT_EQ(choice_list[2].current, 1);
    EXPECT_EQ(int_param[I_PAGE_START], 5);
    EXPECT_EQ(int_param[I_PAGE_END], demo_page_end);
    EXPECT_STREQ(str_param[S_OUTPUT_PATH], "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    EXPECT_EQ(flag_param[F_SAVE_BMP], 1);

    ASSERT_EQ(object_count, demo_objects + 1);
    const ObjectRecord& comet = object_slots[list_order[object_count - 1]];
    EXPECT_EQ(comet.type, OBJ_COMET);
    EXPECT_STREQ(comet.name, "Tail RHS");
    EXPECT_EQ(comet.w[1], 5); // START FRAME as edited
    EXPECT_EQ(comet.w[2], 0); // END FRAME kept when 1000 was refused
}

// ---------------------------------------------------------------------------

TEST_F(Object_commands, insert_save_edit_delete_previous_and_next)
{
    read_saved(data_project.c_str());
    // Every demo object lies farther than 100, the distance new objects get
    // from the store, so new objects follow the demo's in the list.
    ASSERT_EQ(object_count, 6);
    ASSERT_STREQ(object_slots[list_order[0]].name, "STAR FIELD");
    ASSERT_STREQ(object_slots[list_order[2]].name, "SATURN");
    for (int k = 0; k < object_count; k++)
        ASSERT_GT(double(object_slots[list_order[k]].d[9]), 100.0); // copied: the record packs its doubles
    const int saturn_number = object_slots[list_order[2]].w[3];
    const double saturn_distance = object_slots[list_order[2]].d[9];

    std::string script = script_start() +
                         "key Alt-S\nkey Insert\n"
                         "key Alt-P\nkey Insert\n"
                         "key Alt-R\nkey Insert\n"
                         "key Alt-C\n"
                         "key Down    # MID COLOUR\n"
                         "key Enter\n" +
                         script_type_over("12", 4) +
                         "key Enter\n"
                         "key Insert\n"
                         "key Up      # COMET TYPE\n"
                         "key Enter\n"
                         "key F4      # the new comet takes the new type\n"
                         "key Alt-B\nkey Insert\n"
                         "key Alt-L\n"
                         "key c       # the pane makes the third object current\n"
                         "key Down Down   # EDIT OBJECT\n"
                         "key Enter   # on to the PLANET page with its settings\n"
                         "key Alt-L\n"
                         "key a       # the first object\n"
                         "key Delete\n"
                         "key y       # Delete STAR FIELD?\n"
                         "key Up Up   # PREV OBJECT\n"
                         "key Enter\n"
                         "key Down    # NEXT OBJECT\n"
                         "key Enter\n"
                         "key Alt-F\n" +
                         script_click_row(10) + "key y\nkey Esc\n" + script_exit();
    ProgramRun r = run(script);
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Delete STAR FIELD?", "Overwrite project NOVAMIR.CFG?"}, &missing))
        << missing;

    read_saved("NOVAMIR.CFG");
    ASSERT_EQ(object_count, 10);
    EXPECT_EQ(current_object, 1);
    const int types[10] = {OBJ_COMET, OBJ_PLANET, OBJ_RING, OBJ_PLANET, OBJ_BITMAP,
                           OBJ_SKY,   OBJ_PLANET, OBJ_RING, OBJ_COMET,  OBJ_BITMAP};
    for (int k = 0; k < 10; k++)
        EXPECT_EQ(object_slots[list_order[k]].type, types[k]) << "position " << k;
    EXPECT_STREQ(object_slots[list_order[5]].name, "STAR FIELD"); // the new sky
    const ObjectRecord& comet = object_slots[list_order[8]];
    EXPECT_STREQ(comet.name, "Tail RHS");
    EXPECT_EQ(comet.w[6], 1);  // comet type
    EXPECT_EQ(comet.w[9], 12); // MID COLOUR
    // EDIT OBJECT left SATURN's settings in the store.
    EXPECT_EQ(int_param[I_PLANET_NUMBER], saturn_number);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], saturn_distance);
}

TEST_F(Object_commands, edit_on_the_empty_position_and_delete_on_an_empty_list_only_tell)
{
    std::string script = script_start() +
                         "key Alt-L\n"
                         "key Down Down Down Down   # CLEAR OBJECTS\n"
                         "key Enter\n"
                         "key y       # the page comes back at its remembered row 0\n"
                         "key Down Down   # EDIT OBJECT\n"
                         "key Enter\n"
                         "key Enter   # Can't edit empty object!\n"
                         "key Delete\n"
                         "key Enter   # Nothing to delete!\n"
                         "key Alt-S\n"
                         "key F4      # no current object to save\n"
                         "key Enter\n"
                         "key Esc\n" +
                         script_exit();
    ProgramRun r = run(script);
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log,
                                 {"Erase ALL objects?", "Can't edit empty object!", "Nothing to delete!"},
                                 &missing))
        << missing;
}

// ---------------------------------------------------------------------------

TEST_F(Project_round_trip, save_change_load_gives_back_the_saved_state)
{
    std::string script = script_start() + "key Alt-F\n" + script_click_row(10) +  // SAVE PROJECT
                         "key y\n" + script_click_row(3) +                         // THIS FRAME
                         script_type_over("9", 4) +
                         "key Enter\n"
                         "key Alt-L\n"
                         "key Down Down Down Down   # CLEAR OBJECTS\n"
                         "key Enter\n"
                         "key y\n"
                         "key Alt-F\n" +
                         script_click_row(9) +  // LOAD PROJECT
                         "key y\n" + script_click_row(8) +  // PROJECT NAME
                         script_type_over("COPY") +
                         "key Enter\n" + script_click_row(10) +
                         "key y\n"
                         "key Esc\n" +
                         script_exit();
    ProgramRun r = run(script);
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log,
                                 {"Load project NOVAMIR.CFG?", "Overwrite project NOVAMIR.CFG?",
                                  "Erase ALL objects?", "Load project NOVAMIR.CFG?", "Overwrite project COPY.CFG?"},
                                 &missing))
        << missing;

    std::vector<uint8_t> first = read_file_bytes("NOVAMIR.CFG"), second = read_file_bytes("COPY.CFG");
    EXPECT_EQ(first, read_file_bytes(data_project));
    ASSERT_EQ(first.size(), second.size());
    // Everything but PROJECT NAME (string 0, bytes 600 to 639) is as saved.
    for (size_t i = 0; i < first.size(); i++) {
        if (i < 600 || i >= 640) {
            ASSERT_EQ(first[i], second[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(memcmp(&second[600], "COPY", 5), 0);
}

// ---------------------------------------------------------------------------

TEST_F(Views, preview_page_view_debug_overlay_and_screen_dump)
{
    // PREVIEW DEBUG: one box before each planet, free ring, comet and bitmap
    // of the demo that frame 0 lies in (a locked ring is drawn with its
    // planet and has none), each box three lines.
    read_saved(data_project.c_str());
    std::vector<std::string> expected;
    for (int k = 0; k < object_count; k++) {
        const ObjectRecord& o = object_slots[list_order[k]];
        if (o.w[1] > 0 || o.w[2] < 0)
            continue;
        if (o.type == OBJ_PLANET)
            expected.push_back(std::string("Planet  ") + o.name);
        else if (o.type == OBJ_RING && o.w[6] == 0)
            expected.push_back(std::string("Ring  ") + o.name);
        else if (o.type == OBJ_COMET || o.type == OBJ_BITMAP)
            expected.push_back(std::string(o.name) + " ");
    }
    ASSERT_GE(expected.size(), 3u);
    std::string enter_per_box;
    for (size_t k = 0; k < expected.size(); k++)
        enter_per_box += "key Enter\n";

    std::string script = script_start() +
                         "key Alt-F\n"
                         "key Down Down Down Down Down Down Down Down Down Down Down   # PREVIEW\n"
                         "dump page.bmp\n"
                         "key Enter\n"
                         "dump preview.bmp\n"
                         "key Enter   # back to the page\n"
                         "dump back.bmp\n"
                         "key Alt-S\n"
                         "key Down    # row 0: the rows stay as they are through F2\n"
                         "dump sky.bmp\n"
                         "key F2\n"
                         "dump view.bmp\n"
                         "key Enter\n"
                         "dump sky_back.bmp\n"
                         "key Alt-O\n"
                         "key Down Down Down Down Down Down   # PREVIEW DEBUG\n"
                         "key Enter\n"
                         "key Alt-F   # still on PREVIEW\n"
                         "key Enter\n" +
                         enter_per_box +
                         "key Enter   # the preview itself\n"
                         "dump before_f10.bmp\n"
                         "key F10\n"
                         "key Enter   # Save View returned 0\n"
                         "key Esc\n" +
                         script_exit();
    ProgramRun r = run(script);

    Picture page = dump("page.bmp"), preview = dump("preview.bmp"), back = dump("back.bmp");
    // The preview covers the screen with the scene; the page comes back as
    // it was but for the status line, which names the last object drawn.
    EXPECT_GT(differing_pixels(page, preview, 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(page, back, 0, STATUS_BAND_BOTTOM + 1, W - 1, H - 1), 0);

    // F2 VIEW on SKY draws the gradient and the stars over the whole screen.
    Picture sky = dump("sky.bmp"), view = dump("view.bmp"), sky_back = dump("sky_back.bmp");
    EXPECT_GT(differing_pixels(sky, view, 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(sky, sky_back, 0, 0, W - 1, H - 1), 0);

    std::vector<std::string> boxes;
    for (size_t i = 0; i < r.log.size(); i++)
        if (r.log[i].rfind("FR ", 0) == 0 && i > 0 && i + 1 < r.log.size() && r.log[i + 1].rfind("plot ", 0) == 0)
            boxes.push_back(r.log[i - 1]);
    ASSERT_EQ(boxes.size(), expected.size());
    for (const std::string& want : expected) {
        bool found = false;
        for (const std::string& box : boxes)
            found = found || box.rfind(want, 0) == 0;
        EXPECT_TRUE(found) << "no box for " << want;
    }

    // F10 writes what the screen shows.
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Save View returned 0"}, &missing));
    Picture before = dump("before_f10.bmp"), view_file = dump("NVMRVIEW.PCX");
    EXPECT_EQ(differing_pixels(before, view_file, 0, 0, W - 1, H - 1), 0);
}

} // namespace
