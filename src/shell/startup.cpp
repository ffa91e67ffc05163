// Start-up and shutdown of the interactive program: the command line, the
// graphics mode with its fall-back, the start-up files in their fixed order,
// the top level and the two exit questions.
#include "shell/shell.h"

#include <allegro.h> // Required for: allegro_init, set_display_switch_callback

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "images/images.h"     // Required for: save_view
#include "planets/planets.h"   // Required for: init_planet_data, select_planet_map
#include "platform/platform.h" // Required for: init_headless, platform_fullscreen, register_picture_types
#include "store/canvas.h"      // Required for: frame_buffer, present_preview, preview_colours
#include "store/prompt.h"      // Required for: ask_yes_no, prompt_log, tell_user
#include "store/records.h"     // Required for: clear_objects
#include "store/store.h"       // Required for: MENU_PAGES, page_hot_key, reset_store
#include "ui/ui.h"             // Required for: KC_ESC, KC_F1, KC_F10

// What the command line asks for.
struct StartOptions {
    int depth = 8;
    int width = 640;
    const char* script = nullptr;
    const char* log = nullptr;
};

static void usage()
{
    printf("usage: novamir [15|16|24] [800|1024] [--fullscreen] [--script FILE] [--log FILE]\n"
           "  15, 16, 24     colour depth of the screen (8 by default)\n"
           "  800, 1024      screen width (640 by default); the height is 3/4 of it\n"
           "  --fullscreen   take the whole screen instead of a window\n"
           "  --script FILE  read keys, clicks and screen dumps from FILE; without an X\n"
           "                 display the program then draws into a memory screen\n"
           "  --log FILE     write every question and message shown to FILE, one a line,\n"
           "                 when the program ends\n"
           "  --version      the program's version\n"
           "  --help         this text\n");
}

// Numbers choose the depth or the width, a later one overriding an earlier
// one; any other number is ignored.
static int read_command_line(int argc, char** argv, StartOptions* o)
{
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            usage();
            return 1;
        }
        if (!strcmp(a, "--version")) {
            printf("novamir %s\n", NOVAMIR_VERSION);
            return 1;
        }
        if (!strcmp(a, "--fullscreen")) {
            platform_fullscreen = true;
            continue;
        }
        // The options that take a file name.
        const char** file = !strcmp(a, "--script") ? &o->script : !strcmp(a, "--log") ? &o->log : nullptr;
        if (file) {
            if (i + 1 >= argc) {
                fprintf(stderr, "novamir: %s needs a file name\n", a);
                return -1;
            }
            *file = argv[++i];
            continue;
        }
        if (a[0] == '-' && a[1] == '-') {
            fprintf(stderr, "novamir: unknown option %s (try --help)\n", a);
            return -1;
        }
        int n = atoi(a);
        if (n == 15 || n == 16 || n == 24)
            o->depth = n;
        else if (n == 800 || n == 1024)
            o->width = n;
    }
    return 0;
}

// Set by the display-switch callback: the screen is repainted from the
// screen buffer (the input routine also copies it on every poll).
static volatile int repaint_wanted = 0;
static void display_switched_in() { repaint_wanted = 1; }

static void set_mode(const StartOptions& o)
{
    static const int widths[3] = {1024, 800, 640};
    int first = o.width == 1024 ? 0 : (o.width == 800 ? 1 : 2);
    for (int i = first; i < 3; i++)
        if (open_screen(widths[i], widths[i] * 3 / 4, o.depth) == 0)
            return;
    critical_error("Unable to set graphics mode: %s", platform_gfx_error());
}

// Screen and data set-up, in the order the user sees it: fonts, palette,
// pointer, object list, widgets, title screen, frame buffer and database,
// file lists, colour strip, help, the default project, the status line.
static int setup_screen_and_data()
{
    if (interface_setup() != 0)
        return -1;
    if (mouse_present && create_pointer() != 0)
        mouse_present = 0;
    clear_objects();
    if (init_widgets() != 0)
        return -1;
    clear_hit_map();
    draw_title_bar();
    show_buffer();
    startup_box();
    reset_store();
    if (init_planet_data(SCREEN_W) != 0)
        return -1;
    // Start-up leaves planet 3's map in the surface map, as the batch
    // renderer does, so that frames come out the same from both.
    select_planet_map(3);
    project_frame_width = frame_buffer->w;
    project_frame_height = frame_buffer->h;
    preview_target = screen_buffer;
    preview_colours = screen_colours;
    present_preview = show_buffer;
    draw_colour_strip();
    load_help();
    draw_top_level();
    load_startup_project();
    draw_menu_status_line();
    show_buffer();
    return 0;
}

// The top level: F1 opens the help, a page hot key runs that page; ESC asks
// the two exit questions.
static void top_level()
{
    for (;;) {
        int key = read_key();
        if (repaint_wanted) {
            repaint_wanted = 0;
            show_buffer();
        }
        if (key == KC_F1) {
            help_for_item();
            continue;
        }
        // The top level shows an F10 COPY button too; it works as on a page.
        if (key == KC_F10) {
            tell_user("Save View returned %d", save_view());
            continue;
        }
        for (int p = 0; p < MENU_PAGES; p++)
            if (key == page_hot_key[p]) {
                page_loop(p);
                key = 0;
                break;
            }
        if (key != KC_ESC)
            continue;
        if (ask_yes_no("EXIT!! Save PROJECT file first???") == 'Y')
            save_project();
        if (ask_yes_no("REALLY EXIT ??????") == 'Y')
            return;
        draw_top_level();
    }
}

// --log: the questions and messages of the run, written when it ends
// (also when a script ends it).
static const char* log_path = nullptr;
static void write_log()
{
    if (!log_path)
        return;
    FILE* f = fopen(log_path, "w");
    if (!f) {
        fprintf(stderr, "novamir: cannot write the log %s\n", log_path);
        return;
    }
    // One line per text: the line ends some messages carry are left out.
    for (std::string line : prompt_log) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        fprintf(f, "%s\n", line.c_str());
    }
    fclose(f);
}

// A script that runs out while the program still waits for input did not
// finish its work: the run ends with status 3 (after `quit`, with 0).
static void script_ran_out()
{
    if (script_overruns > 0) {
        fprintf(stderr, "novamir: the script ended while the program was waiting for input\n");
        exit(3);
    }
    exit(0);
}

// Why no display could be opened, for the critical error: the library leaves
// its error text empty when there is no X server to talk to.
static const char* no_display_reason()
{
    static char text[200];
    const char* display = getenv("DISPLAY");
    if (allegro_error[0])
        snprintf(text, sizeof text, "%s", allegro_error);
    else if (!display || !display[0])
        snprintf(text, sizeof text, "no X display (DISPLAY is not set); use --script FILE to run without one");
    else
        snprintf(text, sizeof text, "the X display \"%.100s\" cannot be opened", display);
    return text;
}

int novamir_main(int argc, char** argv)
{
    StartOptions o;
    int cmd = read_command_line(argc, argv, &o);
    if (cmd != 0)
        return cmd > 0 ? 0 : 2;
    if (o.log) {
        log_path = o.log;
        atexit(write_log);
    }
    // A script may run without any display: the program then draws into a
    // memory screen. Without a script a display is required.
    const char* display = getenv("DISPLAY");
    bool headless = o.script && (!display || !display[0]);
    if (headless) {
        if (init_headless() != 0)
            critical_error("Unable to set graphics mode: %s", "the graphics library cannot start without a display");
    } else if (allegro_init() != 0) {
        critical_error("Unable to set graphics mode: %s", no_display_reason());
    }
    register_picture_types();
    set_window_title("NOVAMIR");
    set_color_depth(o.depth);
    set_mode(o);
    if (o.script) {
        if (open_script(o.script) != 0)
            critical_error("Cannot read the script %s", o.script);
        script_finished = script_ran_out;
    }
    install_input();
    if (create_screen_buffer() != 0)
        critical_error("Unable to create buffer bitmap");
    clear_bitmap(screen_buffer);
    install_message_boxes();
    install_list_pages();
    if (setup_screen_and_data() != 0)
        critical_error("Improper Start up Files.");
    if (!headless)
        set_display_switch_callback(SWITCH_IN, display_switched_in);
    top_level();
    close_screen();
    allegro_exit();
    return 0;
}
