// Golden screen dumps of the interface at two sizes and depths, against the hashes in golden.txt.
#include "ui_test_support.h"

#include "store/store.h" // Required for: I_COLOUR_ONE, I_COLOUR_TWO, I_LIST_FONT
#include "ui/ui.h"       // Required for: LIST_LINE_LEN, LIST_PLANETS, SLOT_BOTTOM
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

namespace {

const char* golden_path = NOVAMIR_SOURCE_DIR "/tests/ui/golden.txt";

std::map<std::string, std::string> read_golden()
{
    std::map<std::string, std::string> table;
    std::ifstream in(golden_path);
    std::string name, hash;
    while (in >> name >> hash)
        table[name] = hash;
    return table;
}

// The menu page the other pictures are drawn over: title bar, colour strip,
// tab bar, status line, the PLANET page's rows and buttons, a few values.
void draw_menu_screen()
{
    menu_page = PAGE_PLANET, menu_row = 3;
    clear_bitmap(screen_buffer);
    reset_clock();
    clear_hit_map();
    draw_title_bar();
    draw_colour_strip();
    draw_tab_bar(PAGE_PLANET);
    draw_status_line();
    select_list_font(4);
    for (int r = 0; r < 18; r++)
        draw_item_button(PAGE_PLANET, r, r == menu_row ? 1 : 0);
    register_page_buttons(PAGE_PLANET);
    draw_page_buttons(PAGE_PLANET, SLOT_BOTTOM + 2, 2);
    show_whole(4, 13, 3);
    show_decimal(5, 13, 123.25);
    show_decimal(6, 13, 1.05);
    show_field(12, 13, "SHIP.TGA", 14);
    draw_text(8, 29 * line_height + 2, screen_colours[UC_YELLOW], menu_pages[PAGE_PLANET][3].help);
}

struct Picture {
    const char* name;
    std::string script;     // run after draw_menu_screen; must dump "shot.bmp"
    void (*act)();          // the widget under test
};

int three_planets() { return 3; }
int planet_lines(char lines[][LIST_LINE_LEN], int first_line, int start, int per_page)
{
    static const char* names[3] = {"Mercury", "Venus", "Earth"};
    snprintf(lines[0], LIST_LINE_LEN, "PLANETS in novamir1.top file (3 on file) Page 1/1 ");
    snprintf(lines[1], LIST_LINE_LEN, "Planet  ( Full map WHITE, Half map BLUE )");
    int n = 0;
    for (int j = start; j < 3 && n < per_page; j++, n++) {
        snprintf(lines[first_line + n], LIST_LINE_LEN, "%-3d:  %s", j, names[j]);
        lines[first_line + n][78] = j == 1 ? 'A' : 0;
        lines[first_line + n][79] = j == 2 ? 'F' : 'H';
    }
    return n;
}
void lists_act()
{
    list_page_builders[LIST_PLANETS] = planet_lines;
    list_item_counts[LIST_PLANETS] = three_planets;
    int_param[I_LIST_FONT] = 1;
    int32_t first = 0;
    list_picker(&first, LIST_PLANETS, 0);
    read_key();
    list_page_builders[LIST_PLANETS] = nullptr;
    list_item_counts[LIST_PLANETS] = nullptr;
}

const Picture pictures[] = {
    {"menu", "dump shot.bmp\nkey Esc\n", [] { read_key(); }},
    {"yesno", "dump shot.bmp\nkey Esc\n", [] { yes_no_box("Create frame image 001?"); }},
    {"editor", "key End Backspace Left Insert\ntext \"7\"\ndump shot.bmp\nkey Esc\n",
     [] { double v = 12.5; edit_decimal(4 + 5, 13, &v, -90.0, 90.0); }},
    {"help", "dump shot.bmp\nkey 1 Esc F1\n", [] { help_for_item(); }},
    {"startup", "dump shot.bmp\nkey Enter\n", [] { startup_box(); }},
    {"colours", "dump shot.bmp\nkey Esc\n", [] {
         int_param[I_COLOUR_ONE] = 37, int_param[I_COLOUR_TWO] = 200;
         colour_picker();
         colour_swatch(90, 1);
         read_key();
     }},
    {"lists", "dump shot.bmp\nkey Esc\n", lists_act},
};

}  // namespace

TEST(Golden_screens, menu_box_editor_and_help_dumps_match)
{
    ScratchDir dir;
    auto table = read_golden();
    const int sizes[2][2] = {{640, 480}, {1024, 768}};
    for (auto& size : sizes)
        for (int depth : {8, 24}) {
            open_test_screen(size[0], size[1], depth);
            load_test_help(
                {{"Contents", {"Help for every page of the program."}, {0, 0, 0}},
                 {"PLANET page", {"The planet page sets the planets of the scene:", "size, shading,",
                                  "rotation and travel."}, {2, 0, 3}},
                 {"Planet maps", {"Maps come from the topology file."}, {0, 0, 0}},
                 {"Rotation", {"ROTATION INC turns the planet each frame."}, {1, 0, 0}}},
                {{20 * PAGE_PLANET + 3, 1}}, "test.hlp");
            for (const Picture& p : pictures) {
                draw_menu_screen();
                run_script(p.script);
                p.act();
                std::string name = std::string(p.name) + "-" + std::to_string(size[0]) + "x" +
                                   std::to_string(size[1]) + "x" + std::to_string(depth);
                char hash[32];
                snprintf(hash, sizeof hash, "%016llx", (unsigned long long)file_hash("shot.bmp"));
                EXPECT_EQ(table[name], hash) << name << " dump";
                EXPECT_EQ(script_overruns, 0) << name;
                EXPECT_FALSE(script_running()) << name;
                remove("shot.bmp");
            }
            unload_help();
            close_test_screen();
        }
}
