// The interactive program driven by scripts without a display. Each run is
// checked by what it leaves behind: the project it saves (read back here),
// the files and screen dumps it writes and its log of questions. DOFRAME and
// DOALL write the very files novamir-render writes for the same project.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: PROJECT_HEADER_SIZE, read_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, OBJ_COMET, OBJ_PLANET
#include "store/store.h"       // Required for: ChoiceList, D_PLANET_DIAMETER, D_REF_DISTANCE
#include "test_support.h"

namespace {

constexpr int W = 640, H = 480, CW = 8, LH = 16; // the default screen and its text cell
constexpr int ROWS_TOP = 4 * LH;                 // text line of row 0
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
    ProgramRun run(const std::string& script, const std::vector<std::string>& want_in_log = {})
    {
        ProgramRun r = run_novamir(script);
        EXPECT_EQ(r.status, 0) << r.output;
        std::string missing;
        EXPECT_TRUE(log_has_in_order(r.log, want_in_log, &missing)) << "missing: " << missing;
        return r;
    }
    void read_saved(const char* name)
    {
        clear_objects();
        ASSERT_EQ(read_project_file(name), 0) << name;
    }
    Picture dump(const std::string& name)
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
    // Highlighted text on row r's button.
    bool row_current(const Picture& p, int r)
    {
        return count_in_rect(p, INK_RED, 2 * CW, ROWS_TOP + r * LH + 2, 12 * CW, ROWS_TOP + r * LH + LH - 2) > 0;
    }
};

using Start_and_exit = Scripted;
using Menu_pages = Scripted;
using Value_editors = Scripted;
using Object_commands = Scripted;
using Project_round_trip = Scripted;
using Views = Scripted;

class Same_frames : public Scripted {
protected:
    // The demo from frame 20 (every object in range, the ship among them)
    // with BMP output on too, saved by the program, then FILE rows `rows`.
    void run_gui(std::vector<int> rows, int end_frame, const std::vector<std::string>& questions)
    {
        std::string s = script_start() + "key Alt-O\nkey Down Down Down Enter   # SAVE AS BMP\nkey Alt-F\n";
        const int values[3] = {20, end_frame, 20}; // START, END and THIS FRAME on rows 1 to 3
        for (int k = 0; k < 3; k++)
            s += script_click_row(k + 1) + script_type_over(std::to_string(values[k]), 4) + "key Enter\n";
        s += script_click_row(10) + "key y\n";
        for (int row : rows) // DOFRAME (12) waits for a key after the frame
            s += script_click_row(row) + "key y\n" + (row == 12 ? "key Enter\n" : "");
        run(s + "key Esc\n" + script_exit(), questions);
    }
    // The saved project through novamir-render in a directory of its own.
    std::string render(std::vector<std::string> args)
    {
        std::string batch = dir.path + "/batch";
        mkdir(batch.c_str(), 0755);
        write_file_bytes(batch + "/NOVAMIR.CFG", read_file_bytes("NOVAMIR.CFG"));
        args.insert(args.end(), {"--jobs", "1", "NOVAMIR.CFG"});
        ProgramRun r = run_program(program_path("novamir-render"), args, batch);
        EXPECT_EQ(r.status, 0) << r.output;
        return batch;
    }
    void expect_same_frame(int frame, const std::string& batch)
    {
        for (const char* ext : {".bmp", ".tga"}) {
            std::string name = "NOVAM0" + std::to_string(frame) + ext;
            std::vector<uint8_t> ours = read_file_bytes(name);
            ASSERT_FALSE(ours.empty()) << name << " was not written by the program";
            EXPECT_TRUE(ours == read_file_bytes(batch + "/" + name)) << name << " differs";
        }
    }
};

TEST_F(Start_and_exit, questions_in_order_and_saving_on_the_way_out)
{
    run(script_start() +
            "key Esc\nkey n\nkey n   # not REALLY EXIT: the program goes on\n"
            "key Esc\nkey y\nkey y   # save over NOVAMIR.CFG\nkey y\n",
        {"Maximum Frame size: 640 x 480", "Maximum input BMP image:  640 x 256",
         "Planet TOPology file novamir1.top loaded", "Load project NOVAMIR.CFG?",
         "EXIT!! Save PROJECT file first???", "REALLY EXIT ??????", "EXIT!! Save PROJECT file first???",
         "Overwrite project NOVAMIR.CFG?", "REALLY EXIT ??????"});
    // Loaded and saved again unchanged, the project is the same file.
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), read_file_bytes(data_project));

    // Without the default project the store keeps its start values: every
    // choice shows the label of its integer, so FADE TYPE's first Enter gives
    // "Linear" after "None".
    run(script_start(false) + "key Alt-S\nkey Down Down Down Enter   # FADE TYPE\nkey Esc\n" +
        "key Esc\nkey y\nkey y\nkey y\n");
    read_saved("NOVAMIR.CFG");
    EXPECT_EQ(object_count, 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG").size(), (size_t)PROJECT_HEADER_SIZE);
    EXPECT_STREQ(choice_list[0].labels[choice_list[0].current], "Linear");
    for (const ChoiceList& c : choice_list)
        EXPECT_EQ(c.current, int_param[c.target]) << c.labels[0];
}

TEST_F(Start_and_exit, the_command_line_and_the_mode_error)
{
    // Depth and width by number, other numbers ignored.
    ProgramRun r = run_novamir(script_start() + script_exit(), {"24", "99", "800"});
    EXPECT_EQ(r.status, 0) << r.output;
    std::string missing;
    EXPECT_TRUE(log_has_in_order(r.log, {"Maximum Frame size: 800 x 600"}, &missing));
    r = run_program(program_path("novamir"), {}, dir.path, {"DISPLAY="});
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.output.find("Unable to set graphics mode: no X display"), std::string::npos) << r.output;
}

TEST_F(Menu_pages, every_page_draws_its_rows_pane_and_help_and_rows_wrap)
{
    static const char* const keys[MENU_PAGES] = {"Alt-F", "Alt-S", "Alt-P", "Alt-R",
                                                  "Alt-C", "Alt-B", "Alt-L", "Alt-O"};
    std::string script = script_start();
    for (int p = 0; p < MENU_PAGES; p++)
        script += std::string("key ") + keys[p] + "\ndump page" + std::to_string(p) + ".bmp\n";
    // Rows wrap both ways, a tab click opens its page, F1 shows the row's help.
    run(script + "key Alt-F\nkey Up\ndump up.bmp\nkey Down\ndump down.bmp\n"
                 "key Alt-S\nkey Down   # SKY's first key makes row 0 current\ndump sky.bmp\n"
                 "key Esc\nclick 146 40   # the PLANET tab\ndump clicked.bmp\n"
                 "key Down\ndump planet.bmp\nkey F1\ndump help.bmp\nkey F1\ndump after.bmp\nkey Esc\n" +
        script_exit());

    std::vector<Picture> pages;
    for (int p = 0; p < MENU_PAGES; p++) {
        std::string name = "page" + std::to_string(p) + ".bmp";
        pages.push_back(dump(name));
        keep_screenshot(name, page_names[p]);
        const Picture& pic = pages[p];
        ASSERT_EQ(pic.w, W);
        int count = page_item_count(p);
        // A row button (its white top edge) on exactly the rows of the table.
        for (int r = 0; r < MENU_ROWS; r++)
            EXPECT_EQ(pic.at(3 * CW, ROWS_TOP + r * LH), r < count ? INK_WHITE : 0) << "page " << p << " row " << r;
        // Row 0 current with its help line, except on SKY until the first key.
        bool highlighted = p != PAGE_SKY;
        EXPECT_EQ(row_current(pic, 0), highlighted) << "page " << p;
        EXPECT_EQ(count_in_rect(pic, INK_YELLOW, CW, 29 * LH, 49 * CW, H - 1) > 0, highlighted) << "page " << p;
        // A list panel on FILE, PLANET, RING, BITMAP and LIST, the colour
        // chart (entry 33 at its third row) on SKY and COMET.
        bool list_pane = p == PAGE_FILE || p == PAGE_PLANET || p == PAGE_RING || p == PAGE_BITMAP || p == PAGE_LIST;
        EXPECT_EQ(pic.at(78 * CW, 26 * LH), list_pane ? INK_PANEL : 0) << "page " << p;
        EXPECT_EQ(pic.at(31 * CW, 10 * LH + LH / 2) == 33, p == PAGE_SKY || p == PAGE_COMET) << "page " << p;
        for (int q = 0; q < p; q++)
            EXPECT_GT(differing_pixels(pages[q], pic, 0, ROWS_TOP, W - 1, 27 * LH), 0) << q << " and " << p;
    }
    int last = page_item_count(PAGE_FILE) - 1;
    Picture up = dump("up.bmp"), down = dump("down.bmp");
    EXPECT_TRUE(row_current(up, last) && !row_current(up, 0));
    EXPECT_TRUE(row_current(down, 0) && !row_current(down, last));
    EXPECT_TRUE(row_current(dump("sky.bmp"), 0));
    Picture clicked = dump("clicked.bmp"), planet = dump("planet.bmp"), help = dump("help.bmp");
    int planet_rows = page_item_count(PAGE_PLANET);
    EXPECT_EQ(clicked.at(3 * CW, ROWS_TOP + (planet_rows - 1) * LH), INK_WHITE);
    EXPECT_EQ(clicked.at(3 * CW, ROWS_TOP + planet_rows * LH), 0);
    EXPECT_TRUE(row_current(clicked, 0));
    EXPECT_TRUE(row_current(planet, 1));
    EXPECT_GT(differing_pixels(planet, help, 10 * CW, 8 * LH, 68 * CW - 1, 24 * LH - 1), 1000);
    EXPECT_EQ(differing_pixels(planet, dump("after.bmp"), 0, 0, W - 1, H - 1), 0);
}

TEST_F(Value_editors, refused_values_leave_the_store_accepted_ones_are_stored)
{
    read_saved(data_project.c_str());
    const int demo_page_end = int_param[I_PAGE_END];
    const int demo_objects = object_count;
    // Each refusal: the OOPS box, Enter closes it and reopens the field, Esc leaves it.
    const std::string refused = "key Enter Enter Esc\n";
    std::string script = script_start() +
                         "key Alt-F\nkey Down Down Down Enter   # THIS FRAME, whole numbers\n" +
                         script_type_over("5000", 4) + refused + "key Enter\n" + script_type_over("7", 4) +
                         "key Enter\n"
                         "key Up Up Up Up Enter   # wraps to FILE SEARCH, a flag\n" +
                         script_click_row(8) + "text \"XYZ\"\nkey Esc   # PROJECT NAME abandoned\n"
                         "key Alt-P\nkey Down Enter   # DIAMETER, decimals\n" +
                         script_type_over("5000", 10) + refused + "key Enter\n" + script_type_over("150.5", 10) +
                         "key Enter\n"
                         "key Alt-C\nkey Enter   # COMET TYPE: Coma to Tail RHS\n"
                         "key Up Enter   # END FRAME of the page\n" +
                         script_type_over("1000", 4) + refused +
                         "key Up Enter   # START FRAME of the page\n" + script_type_over("5", 4) +
                         "key Enter\nkey Insert   # the comet carries the page frames\n"
                         "key Alt-O\nkey Down Enter   # OUTPUT PATH, 30 characters at most\n" +
                         script_type_over("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789", 30) +
                         "key Enter\nkey Down Down Enter Enter   # SAVE AS BMP on and off again\n" +
                         script_save_and_exit();
    run(script, {"Overwrite project NOVAMIR.CFG?"});

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
    EXPECT_EQ(flag_param[F_SAVE_BMP], 0); // a flag row toggles
    ASSERT_EQ(object_count, demo_objects + 1);
    const ObjectRecord& comet = object_slots[list_order[object_count - 1]];
    EXPECT_EQ(comet.type, OBJ_COMET);
    EXPECT_STREQ(comet.name, "Tail RHS");
    EXPECT_EQ(comet.w[1], 5); // START FRAME as edited
    EXPECT_EQ(comet.w[2], 0); // END FRAME kept when 1000 was refused
}

TEST_F(Object_commands, insert_save_edit_delete_previous_and_next)
{
    read_saved(data_project.c_str());
    // Every demo object lies farther than 100, the distance new objects get,
    // so new objects follow the demo's in the list.
    ASSERT_EQ(object_count, 6);
    ASSERT_STREQ(object_slots[list_order[0]].name, "STAR FIELD");
    ASSERT_STREQ(object_slots[list_order[2]].name, "SATURN");
    for (int k = 0; k < object_count; k++)
        ASSERT_GT(double(object_slots[list_order[k]].d[9]), 100.0); // copied: the record packs its doubles
    const int saturn_number = object_slots[list_order[2]].w[3];
    const double saturn_distance = object_slots[list_order[2]].d[9];

    std::string script = script_start() +
                         "key Alt-S\nkey Insert\nkey Alt-P\nkey Insert\nkey Alt-R\nkey Insert\n"
                         "key Alt-C\nkey Down Enter   # MID COLOUR\n" +
                         script_type_over("12", 4) +
                         "key Enter\nkey Insert\n"
                         "key Up Enter   # COMET TYPE\nkey F4   # the new comet takes it\n"
                         "key Alt-B\nkey Insert\n"
                         "key Alt-L\nkey c   # the pane makes the third object current\n"
                         "key Down Down Enter   # EDIT OBJECT: to PLANET with its settings\n"
                         "key Alt-L\nkey a\nkey Delete\nkey y\n"
                         "key Up Up Enter   # PREV OBJECT\nkey Down Enter   # NEXT OBJECT\n" +
                         script_save_and_exit();
    run(script, {"Delete STAR FIELD?", "Overwrite project NOVAMIR.CFG?"});

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
    EXPECT_EQ(int_param[I_PLANET_NUMBER], saturn_number);
    EXPECT_EQ(dbl_param[D_REF_DISTANCE], saturn_distance);
}

TEST_F(Project_round_trip, save_clear_load_gives_back_the_saved_state)
{
    // Between save and load: THIS FRAME changed, every object erased, and
    // EDIT OBJECT and DELETE tried on the empty list.
    std::string script = script_start() + "key Alt-F\n" + script_click_row(10) + "key y\n" +
                         script_click_row(3) + script_type_over("9", 4) +
                         "key Enter\nkey Alt-L\nkey Down Down Down Down Enter   # CLEAR OBJECTS\nkey y\n"
                         "key Down Down Enter   # EDIT OBJECT\nkey Enter\nkey Delete\nkey Enter\n"
                         "key Alt-F\n" + script_click_row(9) + "key y   # LOAD PROJECT\n" +
                         script_click_row(8) + script_type_over("COPY") + "key Enter\n" + script_click_row(10) +
                         "key y\nkey Esc\n" + script_exit();
    run(script, {"Load project NOVAMIR.CFG?", "Overwrite project NOVAMIR.CFG?", "Erase ALL objects?",
                 "Can't edit empty object!", "Nothing to delete!", "Load project NOVAMIR.CFG?",
                 "Overwrite project COPY.CFG?"});

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

TEST_F(Views, preview_page_view_debug_overlay_and_screen_dump)
{
    // PREVIEW DEBUG: one box for each planet, free ring, comet and bitmap of
    // the demo in frame 0 (a locked ring is drawn with its planet).
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
    std::string script = script_start() +
                         "key Alt-F\nkey Down Down Down Down Down Down Down Down Down Down Down   # PREVIEW\n"
                         "dump page.bmp\n"
                         "key Enter\ndump preview.bmp\nkey Enter\ndump back.bmp\n"
                         "key Alt-S\nkey Down\ndump sky.bmp\nkey F2\ndump view.bmp\nkey Enter\ndump sky_back.bmp\n"
                         "key Alt-O\nkey Down Down Down Down Down Down Enter   # PREVIEW DEBUG\n"
                         "key Alt-F\nkey Enter\n";
    for (size_t k = 0; k <= expected.size(); k++) // each box, then the preview itself
        script += "key Enter\n";
    script += "dump before_f10.bmp\nkey F10\nkey Enter\nkey Esc\n" + script_exit();
    ProgramRun r = run(script, {"Save View returned 0"});

    // The preview covers the screen; the page comes back but for the status
    // band, which names the last object drawn.
    Picture page = dump("page.bmp");
    EXPECT_GT(differing_pixels(page, dump("preview.bmp"), 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(page, dump("back.bmp"), 0, 2 * LH - 1, W - 1, H - 1), 0);
    // F2 VIEW on SKY draws the gradient and stars over the whole screen.
    Picture sky = dump("sky.bmp");
    EXPECT_GT(differing_pixels(sky, dump("view.bmp"), 0, 0, W - 1, H - 1), W * H / 4);
    EXPECT_EQ(differing_pixels(sky, dump("sky_back.bmp"), 0, 0, W - 1, H - 1), 0);

    std::vector<std::string> boxes;
    for (size_t i = 1; i + 1 < r.log.size(); i++)
        if (r.log[i].rfind("FR ", 0) == 0 && r.log[i + 1].rfind("plot ", 0) == 0)
            boxes.push_back(r.log[i - 1]);
    ASSERT_EQ(boxes.size(), expected.size());
    for (const std::string& want : expected) {
        bool found = false;
        for (const std::string& box : boxes)
            found = found || box.rfind(want, 0) == 0;
        EXPECT_TRUE(found) << "no box for " << want;
    }
    // F10 writes what the screen shows.
    EXPECT_EQ(differing_pixels(dump("before_f10.bmp"), dump("NVMRVIEW.PCX"), 0, 0, W - 1, H - 1), 0);
}

TEST_F(Same_frames, doall_of_one_frame_then_doframe_write_the_renderers_bmp_and_tga)
{
    run_gui({13, 12}, 20, {"Create frames 020 to 020?", "Create frame image 020?"});
    expect_same_frame(20, render({"--frame", "20"}));
    EXPECT_TRUE(read_file_bytes("NOVAM021.tga").empty());
}

TEST_F(Same_frames, doall_writes_the_renderers_frames_and_no_more)
{
    run_gui({13}, 22, {"Create frames 020 to 022?"});
    std::string batch = render({});
    for (int f = 20; f <= 22; f++)
        expect_same_frame(f, batch);
    EXPECT_TRUE(read_file_bytes("NOVAM023.tga").empty());
}

} // namespace
