// The interactive program and the flipbook end to end: scripted runs without a display and in a real X window.
#include <allegro.h>
#include <gtest/gtest.h>
#include <fcntl.h>    // Required for: open
#include <signal.h>   // Required for: kill
#include <sys/stat.h> // Required for: stat, mkdir
#include <sys/wait.h> // Required for: waitpid
#include <unistd.h>   // Required for: fork, execvp, usleep

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: read_project_file, write_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, clear_objects, object_slots
#include "store/store.h"       // Required for: F_PREVIEW_DEBUG, flag_param
#include "test_support.h"

namespace {

const std::string novamir = std::string(NOVAMIR_BIN_DIR) + "/novamir";
const std::string novamir_play = std::string(NOVAMIR_BIN_DIR) + "/novamir-play";
// Through the title, the four start-up notices and "Load project NOVAMIR.CFG?".
const std::string script_start = "clock Mon Jan 01 00:00:00 2024\nkey Enter Enter Enter Enter Enter\nkey y\n";

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Whether novamir and the data files it starts from are built; else *why.
bool novamir_runnable(std::string* why)
{
    char path[1024];
    for (const char* name : {"novamir3.dat", "novx.dat", "novamir.hlp", "novamir1.top", "NOVAMIR.CFG"})
        if (!find_data_file(name, path, sizeof path))
            return *why = std::string("the data file ") + name + " is not built", false;
    return *why = "novamir is not built", file_exists(novamir);
}

// Starts argv in dir with stdout and stderr in the file out (the display
// given by an "env" in front).
pid_t spawn(const std::vector<std::string>& argv, const std::string& dir, const std::string& out)
{
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0)
        dup2(fd, 1), dup2(fd, 2), close(fd);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back((char*)a.c_str());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits for a child; its exit status, or -1 when it had to be killed (a
// hanging run is killed so the suite goes on).
int finish(pid_t pid, int seconds)
{
    int status = 0;
    for (long ms = 0; ms < seconds * 1000L; ms += 20) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(20000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(Start_and_exit, questions_in_order_and_saving_on_the_way_out)
{
    ScratchDir dir;
    std::string why;
    if (!novamir_runnable(&why))
        GTEST_SKIP() << why;
    char data_project[1024];
    ASSERT_TRUE(find_data_file("NOVAMIR.CFG", data_project, sizeof data_project));
    std::string script = script_start + "key Esc\nkey n\nkey n   # not REALLY EXIT: the program goes on\n"
                                        "key Esc\nkey y\nkey y   # save over NOVAMIR.CFG\nkey y\n";
    write_file_bytes("run.script", std::vector<uint8_t>(script.begin(), script.end()));
    int status = finish(spawn({"env", "-u", "DISPLAY", novamir, "--script", "run.script", "--log", "run.log"},
                              dir.path, "run.out"), 300);
    EXPECT_EQ(status, 0) << read_file_text("run.out");
    // The questions and notices in this order in the log, one a line.
    std::string log = "\n" + read_file_text("run.log");
    size_t at = 0;
    for (const char* line : {"Maximum Frame size: 640 x 480", "Maximum input BMP image:  640 x 256",
                             "Planet TOPology file novamir1.top loaded", "Load project NOVAMIR.CFG?",
                             "EXIT!! Save PROJECT file first???", "REALLY EXIT ??????",
                             "EXIT!! Save PROJECT file first???", "Overwrite project NOVAMIR.CFG?",
                             "REALLY EXIT ??????"}) {
        at = log.find("\n" + std::string(line) + "\n", at);
        ASSERT_NE(at, std::string::npos) << "missing: " << line << " in" << log;
        at += strlen(line) + 1; // the closing newline opens the next line
    }
    // Loaded and saved again unchanged, the project is the same file.
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), read_file_bytes(data_project));
    // Without a display the program stops before its first question.
    EXPECT_EQ(finish(spawn({"env", "-u", "DISPLAY", novamir}, dir.path, "run.out"), 300), 255);
    EXPECT_NE(read_file_text("run.out").find("Unable to set graphics mode: no X display"), std::string::npos)
        << read_file_text("run.out");
}

// Output of a shell command (stderr dropped); "" when it failed.
std::string command_output(const std::string& cmd)
{
    std::string out;
    FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
    char buf[512];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    return p && pclose(p) == 0 ? out : "";
}

bool have_tool(const char* name) { return !command_output(std::string("command -v ") + name).empty(); }

bool still_running(pid_t pid)
{
    int status;
    return waitpid(pid, &status, WNOHANG) == 0;
}

// Frames of 64 x 48 pixels through the library's writer, one colour each;
// colour(n) of frame n.
void write_frames(const char* pattern, int first, int count, Rgb (*colour)(int))
{
    BITMAP* pic = create_bitmap_ex(24, 64, 48);
    for (int n = first; n < first + count; n++) {
        const Rgb c = colour(n);
        clear_to_color(pic, makecol24(c.r, c.g, c.b));
        char name[256];
        snprintf(name, sizeof name, pattern, n);
        save_bitmap(name, pic, nullptr);
    }
    destroy_bitmap(pic);
}

Rgb shade(int n) { return {n * 10, 100, 255 - n * 10}; }

// The frame a flipbook screen dump shows: the number its colour tells.
int frame_shown(const std::string& dump)
{
    PALETTE pal;
    set_color_conversion(COLORCONV_NONE);
    BITMAP* b = load_bitmap(dump.c_str(), pal);
    if (!b)
        return -1;
    const int c = getpixel(b, b->w / 2, 24), red = getr_depth(bitmap_color_depth(b), c);
    destroy_bitmap(b);
    return red / 10;
}

// The keys from a script on 20 PNG frames numbered 3 to 22, played from 2
// frames a second: each dump shows the frame the keys before it chose.
TEST(Flipbook, keys_step_jump_pause_and_change_the_rate)
{
    ScratchDir dir;
    if (!file_exists(novamir_play))
        GTEST_SKIP() << "novamir-play is not built";
    mkdir("r", 0755);
    write_frames("r/f_%04d.png", 3, 20, shade);
    const std::string script = "gap 1\nkey Space Home\ndump home.tga\nkey Right Right\ndump right.tga\n"
                               "key End\ndump end.tga\nkey Right\ndump wrap.tga\nkey Left\ndump back.tga\n"
                               "key Home Space\nwait 30\nkey Space\ndump slow.tga\n"
                               "key + + + + Home Space\nwait 30\nkey Space\ndump fast.tga\nkey Esc\n";
    write_file_bytes("keys.script", std::vector<uint8_t>(script.begin(), script.end()));
    const int status = finish(spawn({"env", "-u", "DISPLAY", novamir_play, "--fps", "2", "--script", "keys.script",
                                     "r/f_%04d.png"}, dir.path, "run.out"), 120);
    EXPECT_EQ(status, 0) << read_file_text("run.out");
    const struct {
        const char* dump;
        int low, high; // the frame number shown
    } cases[] = {{"home.tga", 3, 3}, {"right.tga", 5, 5}, {"end.tga", 22, 22}, {"wrap.tga", 3, 3},
                 {"back.tga", 22, 22}, {"slow.tga", 3, 4}, {"fast.tga", 6, 8}};
    for (const auto& c : cases) {
        const int shown = frame_shown(c.dump);
        EXPECT_TRUE(shown >= c.low && shown <= c.high) << c.dump << " shows frame " << shown;
    }
}

// Bad command lines say so with status 2 (--help is no error); no frames or
// a frame that cannot be read, naming the file, with status 1.
TEST(Flipbook, refusals_name_what_is_wrong)
{
    ScratchDir dir;
    if (!file_exists(novamir_play))
        GTEST_SKIP() << "novamir-play is not built";
    write_frames("b_%d.tga", 0, 3, shade);
    std::vector<uint8_t> broken = read_file_bytes("b_1.tga");
    broken.resize(broken.size() / 2);
    write_file_bytes("b_1.tga", broken);
    const std::string script = "gap 1\nkey Space Right Right\nkey Esc\n";
    write_file_bytes("run.script", std::vector<uint8_t>(script.begin(), script.end()));
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"--fps", "0", "b_%d.tga"}, 2, "--fps must be 1 to 120, got \"0\""},
        {{"--script"}, 2, "--script needs a value"},
        {{}, 2, "no frame pattern or project file given"},
        {{"--help"}, 0, "usage: novamir-play"},
        {{"--script", "run.script", "none_%04d.png"}, 1, "no frame file matches none_%04d.png"},
        {{"--script", "run.script", "b_%d.tga"}, 1, "novamir-play: b_1.tga: holds"},
        {{"--script", "run.script", "GONE.CFG"}, 1, "GONE.CFG: the project file cannot be read"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {"env", "-u", "DISPLAY", novamir_play};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(finish(spawn(argv, dir.path, "run.out"), 60), c.status) << c.message;
        EXPECT_NE(read_file_text("run.out").find(c.message), std::string::npos) << read_file_text("run.out");
    }
}

// The demo rendered by novamir-render with its ship and a backdrop as TGA,
// and again with both saved as PNG: the frames are the same bytes.
TEST(Pictures, png_sprite_and_backdrop_render_as_their_tga)
{
    ScratchDir dir;
    const std::string renderer = std::string(NOVAMIR_BIN_DIR) + "/novamir-render";
    char project[1024], ship[1024], nebula[1024];
    if (!file_exists(renderer) || !find_data_file("NOVAMIR.CFG", project, sizeof project) ||
        !find_data_file("SHIP.TGA", ship, sizeof ship) || !find_data_file("NEBULA.TGA", nebula, sizeof nebula))
        GTEST_SKIP() << "novamir-render or the data files are not built";
    std::map<std::string, std::vector<uint8_t>> frames[2];
    for (int png = 0; png < 2; png++) {
        const std::string sub = dir.path + (png ? "/png" : "/tga"), ext = png ? ".PNG" : ".TGA";
        mkdir(sub.c_str(), 0755);
        for (const auto& [from, to] : {std::make_pair(ship, "SHIP"), std::make_pair(nebula, "BACK")}) {
            set_color_conversion(COLORCONV_NONE);
            PALETTE pal;
            BITMAP* pic = load_bitmap(from, pal);
            ASSERT_NE(pic, nullptr) << from;
            ASSERT_EQ(save_bitmap((sub + "/" + to + ext).c_str(), pic, pal), 0);
            destroy_bitmap(pic);
        }
        clear_objects();
        ASSERT_EQ(read_project_file(project), 0);
        int_param[I_START_FRAME] = 20, int_param[I_END_FRAME] = 22;
        flag_param[F_SAVE_TGA] = 1, flag_param[F_SAVE_BMP] = 0, flag_param[F_PATH_ENABLE] = 0;
        strcpy(str_param[S_PROJECT_NAME], "SCENE");
        snprintf(str_param[S_BACKDROP], STR_LEN, "BACK%s", ext.c_str());
        for (int k = 0; k < object_count; k++)
            if (object_slots[k].type == OBJ_BITMAP)
                snprintf(object_slots[k].name, sizeof object_slots[k].name, "SHIP%s", ext.c_str());
        ASSERT_EQ(write_project_file((sub + "/SCENE.CFG").c_str()), 0);
        EXPECT_EQ(finish(spawn({renderer, "--jobs", "1", "SCENE.CFG"}, sub, sub + "/out.txt"), 300), 0)
            << read_file_text(sub + "/out.txt");
        for (int f = 20; f <= 22; f++) {
            const std::string name = "SCENE0" + std::to_string(f) + ".tga";
            frames[png][name] = read_file_bytes(sub + "/" + name);
        }
    }
    EXPECT_FALSE(frames[0]["SCENE020.tga"].empty());
    EXPECT_TRUE(frames[0] == frames[1]);
}

class Real_window : public ::testing::Test {
protected:
    ScratchDir dir;
    pid_t xvfb = -1;
    std::string display, wid;

    void SetUp() override
    {
        if (!have_tool("Xvfb") || !have_tool("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/bootstrap installs them)";
        ASSERT_TRUE(have_tool("import") && have_tool("convert")) << "ImageMagick is needed for the screenshots";
        std::string why;
        if (!novamir_runnable(&why))
            GTEST_SKIP() << why;
        // The server picks a free display itself and writes its number once
        // it takes connections.
        const std::string number = dir.path + "/display";
        xvfb = spawn({"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>" + number},
                     dir.path, dir.path + "/xvfb.out");
        for (int ms = 0; ms < 20000 && still_running(xvfb) && read_file_text(number).find('\n') == std::string::npos;
             ms += 50)
            usleep(50000);
        const std::string n = read_file_text(number);
        ASSERT_NE(n.find('\n'), std::string::npos) << "no virtual X server could be started";
        display = ":" + n.substr(0, n.find('\n'));
    }
    void TearDown() override
    {
        if (xvfb > 0)
            kill(xvfb, SIGTERM), finish(xvfb, 10);
    }
    std::string x(const std::string& command) { return command_output("DISPLAY=" + display + " " + command); }
    std::vector<uint8_t> screen_bytes()
    {
        x("import -window root ppm:" + dir.path + "/sync.ppm");
        return read_file_bytes(dir.path + "/sync.ppm");
    }
    // The screen must change from `before`, then hold still for one more look.
    std::vector<uint8_t> settled_after(const std::vector<uint8_t>& before, const std::string& what)
    {
        std::vector<uint8_t> now = screen_bytes();
        for (int looks = 0; now == before && looks < 600; looks++)
            usleep(100000), now = screen_bytes();
        EXPECT_NE(now, before) << "the screen did not change after " << what;
        for (int k = 0; k < 100; k++) {
            usleep(100000);
            std::vector<uint8_t> again = screen_bytes();
            if (again == now)
                break;
            now = again;
        }
        return now;
    }
    std::vector<uint8_t> key(const std::vector<uint8_t>& before, const std::string& name)
    {
        x("xdotool key --window " + wid + " " + name);
        return settled_after(before, name);
    }
};

// The input after the start-up: OPTIONS, a click on its PREVIEW DEBUG row
// (row 6, whose flag toggles), Down, F10 and its message, then out through
// both exit questions, saving the project.
constexpr int CLICK_X = 40, CLICK_Y = (4 + 6) * 16 + 8;

TEST_F(Real_window, keys_and_a_click_reach_the_page_and_the_window_shows_it)
{
    // A script answers the start-up; the dump it ends with says the program
    // now waits at the top level for the real keyboard.
    const std::string& xdir = dir.path;
    std::string start = script_start + "dump ready.bmp\n";
    write_file_bytes(xdir + "/start.script", std::vector<uint8_t>(start.begin(), start.end()));
    pid_t program = spawn({"env", "DISPLAY=" + display, novamir, "--script", "start.script", "--log", "run.log"},
                          xdir, xdir + "/run.out");
    for (int ms = 0; ms < 120000 && !file_exists(xdir + "/ready.bmp") && still_running(program); ms += 100)
        usleep(100000);
    ASSERT_TRUE(file_exists(xdir + "/ready.bmp")) << read_file_text(xdir + "/run.out");
    std::string found = x("xdotool search --sync --name '^NOVAMIR$'"); // the window is up by now
    wid = found.substr(0, found.find('\n'));
    ASSERT_FALSE(wid.empty()) << "no window named NOVAMIR";

    std::vector<uint8_t> screen = key(screen_bytes(), "alt+o");
    x("xdotool mousemove --window " + wid + " " + std::to_string(CLICK_X) + " " + std::to_string(CLICK_Y));
    screen = settled_after(screen, "moving the pointer");
    x("xdotool mousedown 1 sleep 0.2 mouseup 1"); // a person's click: the button held a moment
    screen = settled_after(screen, "the click");
    screen = key(screen, "Down");
    screen = key(screen, "F10");
    ASSERT_TRUE(file_exists(xdir + "/NVMRVIEW.PCX"));
    screen = key(screen, "Return");
    // The window alone, 640 x 480, as the screen shows it.
    x("import -window " + wid + " -depth 8 rgb:" + dir.path + "/window.rgb");
    for (const char* k : {"Escape", "Escape", "y", "y"}) // save first, over NOVAMIR.CFG
        screen = key(screen, k);
    x("xdotool key --window " + wid + " y"); // REALLY EXIT
    EXPECT_EQ(finish(program, 60), 0);

    // The window shows exactly what the program dumped (colour within 4).
    command_output("convert " + xdir + "/NVMRVIEW.PCX -depth 8 rgb:" + dir.path + "/view.rgb");
    std::vector<uint8_t> window = read_file_bytes(dir.path + "/window.rgb");
    std::vector<uint8_t> dumped = read_file_bytes(dir.path + "/view.rgb");
    ASSERT_EQ(window.size(), (size_t)640 * 480 * 3);
    ASSERT_EQ(dumped.size(), window.size());
    int differ = 0;
    for (size_t i = 0; i < window.size(); i++)
        differ += abs(window[i] - dumped[i]) > 4;
    EXPECT_EQ(differ, 0);

    clear_objects();
    ASSERT_EQ(read_project_file((xdir + "/NOVAMIR.CFG").c_str()), 0);
    EXPECT_EQ(flag_param[F_PREVIEW_DEBUG], 1);
}

// The flipbook in a window: the screen shows a frame, Esc ends it.
TEST_F(Real_window, the_flipbook_plays_in_a_window)
{
    const std::string& xdir = dir.path;
    write_frames((xdir + "/f_%02d.png").c_str(), 0, 12, [](int) { return Rgb{200, 100, 50}; });
    pid_t program = spawn({"env", "DISPLAY=" + display, novamir_play, "--fps", "10", "f_%02d.png"}, xdir,
                          xdir + "/play.out");
    for (int ms = 0; ms < 30000 && wid.empty() && still_running(program); ms += 100) {
        usleep(100000);
        std::string found = x("xdotool search --name '^novamir-play$'");
        wid = found.substr(0, found.find('\n'));
    }
    ASSERT_FALSE(wid.empty()) << read_file_text(xdir + "/play.out");
    // The frame sits in the middle of a 480-pixel-wide view, 48 high.
    Rgb centre{-1, -1, -1};
    for (int looks = 0; looks < 100 && centre != Rgb{200, 100, 50}; looks++) {
        usleep(100000);
        x("import -window " + wid + " -depth 8 rgb:" + xdir + "/window.rgb");
        std::vector<uint8_t> window = read_file_bytes(xdir + "/window.rgb");
        const size_t at = (size_t)(24 * 480 + 240) * 3;
        if (window.size() > at + 2)
            centre = {window[at], window[at + 1], window[at + 2]};
    }
    EXPECT_EQ(centre, (Rgb{200, 100, 50}));
    x("xdotool key --window " + wid + " Escape");
    EXPECT_EQ(finish(program, 30), 0) << read_file_text(xdir + "/play.out");
}

} // namespace
