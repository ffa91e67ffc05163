// The program in a real X window on a virtual X server: xdotool keys and a
// click reach the page and the window shows what the program's own F10 dump
// holds.
#include <gtest/gtest.h>
#include <signal.h>   // Required for: kill
#include <sys/stat.h> // Required for: stat, mkdir
#include <sys/wait.h> // Required for: waitpid
#include <unistd.h>   // Required for: usleep

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "shell/shell.h"   // Required for: read_project_file
#include "store/records.h" // Required for: clear_objects
#include "store/store.h"   // Required for: F_PREVIEW_DEBUG, flag_param
#include "test_support.h"

namespace {

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Output of a shell command (stderr dropped); "" when it failed.
std::string command_output(const std::string& cmd)
{
    std::string out;
    FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
    if (!p)
        return out;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    return pclose(p) == 0 ? out : "";
}

bool have_tool(const char* name) { return !command_output(std::string("command -v ") + name).empty(); }

bool still_running(pid_t pid)
{
    int status;
    return waitpid(pid, &status, WNOHANG) == 0;
}

// A virtual X server on a display number no one else uses.
struct VirtualDisplay {
    pid_t pid = -1;
    std::string name;
    bool start(const std::string& dir)
    {
        for (int attempt = 0; attempt < 20; attempt++) {
            std::string n = std::to_string(100 + (getpid() * 7 + attempt * 13) % 400);
            std::string socket = "/tmp/.X11-unix/X" + n;
            if (file_exists("/tmp/.X" + n + "-lock") || file_exists(socket))
                continue;
            name = ":" + n;
            pid = spawn({"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, dir, {},
                        dir + "/xvfb.out");
            for (int ms = 0; ms < 20000 && still_running(pid); ms += 50) {
                if (file_exists(socket))
                    return true;
                usleep(50000);
            }
            if (still_running(pid))
                finish(pid, 0);
            pid = -1; // taken meanwhile, or it failed: try another number
        }
        return false;
    }
    ~VirtualDisplay()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            finish(pid, 10);
        }
    }
};

class Real_window : public ::testing::Test {
protected:
    ScratchDir dir;
    VirtualDisplay display;
    std::string wid;

    void SetUp() override
    {
        if (!have_tool("Xvfb") || !have_tool("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/bootstrap installs them)";
        ASSERT_TRUE(have_tool("import") && have_tool("convert")) << "ImageMagick is needed for the screenshots";
        std::string why;
        if (!novamir_runnable(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(display.start(dir.path)) << "no virtual X server could be started";
    }
    std::string x(const std::string& command) { return command_output("DISPLAY=" + display.name + " " + command); }
    std::vector<uint8_t> screen_bytes()
    {
        x("import -window root ppm:" + dir.path + "/sync.ppm");
        return read_file_bytes(dir.path + "/sync.ppm");
    }
    // The screen must change from `before`, then hold still for one more look.
    std::vector<uint8_t> settled_after(const std::vector<uint8_t>& before, const std::string& what)
    {
        std::vector<uint8_t> now = screen_bytes();
        for (int looks = 0; now == before && looks < 600; looks++) {
            usleep(100000);
            now = screen_bytes();
        }
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
    std::string xdir = dir.path + "/x";
    mkdir(xdir.c_str(), 0755);
    std::string start = script_start() + "dump ready.bmp\n";
    write_file_bytes(xdir + "/start.script", std::vector<uint8_t>(start.begin(), start.end()));
    pid_t program = spawn({program_path("novamir"), "--script", "start.script", "--log", "run.log"}, xdir,
                          {"DISPLAY=" + display.name}, xdir + "/run.out");
    for (int ms = 0; ms < 120000 && !file_exists(xdir + "/ready.bmp") && still_running(program); ms += 100)
        usleep(100000);
    std::vector<uint8_t> printed = read_file_bytes(xdir + "/run.out");
    ASSERT_TRUE(file_exists(xdir + "/ready.bmp")) << std::string(printed.begin(), printed.end());
    for (int k = 0; k < 100 && wid.empty(); k++) {
        std::string found = x("xdotool search --name '^NOVAMIR$'");
        wid = found.substr(0, found.find('\n'));
        if (wid.empty())
            usleep(100000);
    }
    ASSERT_FALSE(wid.empty()) << "no window named NOVAMIR";
    int win_x = -1, win_y = -1, win_w = -1, win_h = -1;
    std::string g = x("xdotool getwindowgeometry --shell " + wid);
    sscanf(g.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &win_x, &win_y, &win_w, &win_h);
    ASSERT_EQ(win_w, 640) << g;
    ASSERT_EQ(win_h, 480) << g;

    std::vector<uint8_t> screen = key(screen_bytes(), "alt+o");
    x("xdotool mousemove --window " + wid + " " + std::to_string(CLICK_X) + " " + std::to_string(CLICK_Y));
    screen = settled_after(screen, "moving the pointer");
    x("xdotool mousedown 1"); // a person's click: the button held a moment
    usleep(200000);
    x("xdotool mouseup 1");
    screen = settled_after(screen, "the click");
    screen = key(screen, "Down");
    screen = key(screen, "F10");
    ASSERT_TRUE(file_exists(xdir + "/NVMRVIEW.PCX"));
    screen = key(screen, "Return");
    char crop[64];
    snprintf(crop, sizeof crop, "%dx%d+%d+%d", win_w, win_h, win_x, win_y);
    std::string shot = dir.path + "/window.png";
    x("import -window root ppm:- | convert - -crop " + std::string(crop) + " +repage " + shot);
    ASSERT_TRUE(file_exists(shot));
    for (const char* k : {"Escape", "Escape", "y", "y"}) // save first, over NOVAMIR.CFG
        screen = key(screen, k);
    x("xdotool key --window " + wid + " y"); // REALLY EXIT
    EXPECT_EQ(finish(program, 60), 0);

    // The window shows exactly what the program dumped (colour within 4).
    command_output("convert " + shot + " -depth 8 rgb:" + dir.path + "/window.rgb");
    command_output("convert " + xdir + "/NVMRVIEW.PCX -depth 8 rgb:" + dir.path + "/view.rgb");
    std::vector<uint8_t> window = read_file_bytes(dir.path + "/window.rgb");
    std::vector<uint8_t> dumped = read_file_bytes(dir.path + "/view.rgb");
    ASSERT_EQ(window.size(), (size_t)640 * 480 * 3);
    ASSERT_EQ(dumped.size(), window.size());
    int differ = 0;
    for (size_t i = 0; i < window.size(); i += 3)
        differ += abs(window[i] - dumped[i]) > 4 || abs(window[i + 1] - dumped[i + 1]) > 4 ||
                  abs(window[i + 2] - dumped[i + 2]) > 4;
    EXPECT_EQ(differ, 0);

    clear_objects();
    ASSERT_EQ(read_project_file((xdir + "/NOVAMIR.CFG").c_str()), 0);
    EXPECT_EQ(flag_param[F_PREVIEW_DEBUG], 1);
}

} // namespace
