// The program in a real X window (a virtual X server): keys and a mouse
// click sent by xdotool reach the page, the window shows what the program's
// own screen dump (F10) holds, and a script sending the same input reaches
// the same state, so scripted runs test the paths real keys take.
#include <gtest/gtest.h>
#include <signal.h>   // Required for: kill
#include <sys/stat.h> // Required for: stat, mkdir
#include <sys/wait.h> // Required for: waitpid
#include <fcntl.h>    // Required for: open
#include <unistd.h>   // Required for: fork, execvp, usleep

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "scene/scene.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

bool have_tool(const char* name)
{
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Output of a shell command (stderr dropped).
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
    pclose(p);
    return out;
}

// Starts a program in the background with its output in a file.
pid_t spawn(const std::vector<std::string>& argv, const std::string& dir, const std::string& display,
            const std::string& out)
{
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    if (!display.empty())
        setenv("DISPLAY", display.c_str(), 1);
    int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back((char*)a.c_str());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits for a child; returns its exit status, or -1 when it had to be killed.
int finish(pid_t pid, int seconds)
{
    int status = 0;
    for (int ms = 0; ms < seconds * 1000; ms += 20) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(20000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

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
            int n = 100 + (int)((getpid() * 7 + attempt * 13) % 400);
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (file_exists(lock) || file_exists(socket))
                continue;
            name = ":" + std::to_string(n);
            pid = spawn({"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, dir, "",
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

// An RGB picture read from a binary PPM file.
struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
};

bool read_ppm(const std::string& path, Rgb* out)
{
    std::vector<uint8_t> b = read_file_bytes(path);
    size_t at = 0;
    auto token = [&]() {
        std::string t;
        while (at < b.size()) {
            if (b[at] == '#') {
                while (at < b.size() && b[at] != '\n')
                    at++;
            } else if (isspace(b[at])) {
                if (!t.empty())
                    break;
                at++;
            } else {
                t += (char)b[at++];
            }
        }
        return t;
    };
    if (token() != "P6")
        return false;
    out->w = atoi(token().c_str());
    out->h = atoi(token().c_str());
    int maxval = atoi(token().c_str());
    at++; // the single white space after the header
    size_t need = (size_t)out->w * out->h * 3;
    if (maxval != 255 || out->w <= 0 || out->h <= 0 || b.size() < at + need)
        return false;
    out->px.assign(b.begin() + at, b.begin() + at + need);
    return true;
}

class Real_window : public ::testing::Test {
protected:
    ScratchDir dir;
    VirtualDisplay display;
    std::string wid;
    int win_x = 0, win_y = 0, win_w = 0, win_h = 0;

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
    std::string xdotool(const std::string& args)
    {
        return command_output("DISPLAY=" + display.name + " xdotool " + args);
    }
    // The whole virtual screen as raw bytes, for telling when it changes.
    std::vector<uint8_t> screen_bytes()
    {
        std::string path = dir.path + "/sync.ppm";
        command_output("DISPLAY=" + display.name + " import -window root ppm:" + path);
        return read_file_bytes(path);
    }
    // After an action: the screen must change from `before` and then hold
    // still for one more look. Returns the settled screen.
    std::vector<uint8_t> settled_after(const std::vector<uint8_t>& before, const char* what)
    {
        std::vector<uint8_t> now = screen_bytes();
        int looks = 0;
        while (now == before && looks++ < 600) {
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
        xdotool("key --window " + wid + " " + name);
        return settled_after(before, name.c_str());
    }
    // The window's part of a screenshot, cut out by ImageMagick.
    bool window_shot(const std::string& ppm)
    {
        std::string png = dir.path + "/shot.png";
        command_output("DISPLAY=" + display.name + " import -window root " + png);
        char crop[64];
        snprintf(crop, sizeof crop, "%dx%d+%d+%d", win_w, win_h, win_x, win_y);
        command_output("convert " + png + " -crop " + crop + " +repage ppm:" + ppm);
        return file_exists(ppm);
    }
};

// Keys for both runs after the start-up: the OPTIONS page, a click on its
// PREVIEW DEBUG row (row 6: the row becomes current and its flag toggles),
// one row down, the screen dump and its message, then out through both
// exit questions, saving the project.
constexpr int CLICK_X = 40, CLICK_Y = (4 + 6) * 16 + 8;

TEST_F(Real_window, keys_and_a_click_reach_the_page_and_the_window_shows_it)
{
    std::string xdir = dir.path + "/x";
    mkdir(xdir.c_str(), 0755);
    std::string start = script_start() + "dump ready.bmp\n";
    write_file_bytes(xdir + "/start.script", std::vector<uint8_t>(start.begin(), start.end()));
    pid_t program = spawn({program_path("novamir"), "--script", "start.script", "--log", "run.log"}, xdir,
                          display.name, xdir + "/run.out");
    // The script answers the start-up; the dump it ends with says the
    // program is waiting at the top level, now for the real keyboard.
    for (int ms = 0; ms < 120000 && !file_exists(xdir + "/ready.bmp") && still_running(program); ms += 100)
        usleep(100000);
    std::vector<uint8_t> printed = read_file_bytes(xdir + "/run.out");
    ASSERT_TRUE(file_exists(xdir + "/ready.bmp")) << std::string(printed.begin(), printed.end());
    for (int k = 0; k < 100 && wid.empty(); k++) {
        std::string found = xdotool("search --name '^NOVAMIR$'");
        wid = found.substr(0, found.find('\n'));
        if (wid.empty())
            usleep(100000);
    }
    ASSERT_FALSE(wid.empty()) << "no window named NOVAMIR";
    std::string geometry = xdotool("getwindowgeometry --shell " + wid);
    sscanf(strstr(geometry.c_str(), "X=") ? strstr(geometry.c_str(), "X=") : "", "X=%d", &win_x);
    sscanf(strstr(geometry.c_str(), "Y=") ? strstr(geometry.c_str(), "Y=") : "", "Y=%d", &win_y);
    sscanf(strstr(geometry.c_str(), "WIDTH=") ? strstr(geometry.c_str(), "WIDTH=") : "", "WIDTH=%d", &win_w);
    sscanf(strstr(geometry.c_str(), "HEIGHT=") ? strstr(geometry.c_str(), "HEIGHT=") : "", "HEIGHT=%d", &win_h);
    ASSERT_EQ(win_w, 640);
    ASSERT_EQ(win_h, 480);

    std::vector<uint8_t> screen = screen_bytes();
    screen = key(screen, "alt+o");
    xdotool("mousemove --window " + wid + " " + std::to_string(CLICK_X) + " " + std::to_string(CLICK_Y));
    screen = settled_after(screen, "moving the pointer");
    // A person's click: the button is held for a moment.
    xdotool("mousedown 1");
    usleep(200000);
    xdotool("mouseup 1");
    screen = settled_after(screen, "the click");
    screen = key(screen, "Down");
    screen = key(screen, "F10");
    ASSERT_TRUE(file_exists(xdir + "/NVMRVIEW.PCX"));
    screen = key(screen, "Return");
    std::string shot = dir.path + "/window.ppm";
    ASSERT_TRUE(window_shot(shot));
    keep_screenshot(shot, "window");
    screen = key(screen, "Escape");
    screen = key(screen, "Escape");
    screen = key(screen, "y");  // save first
    screen = key(screen, "y");  // Overwrite project NOVAMIR.CFG?
    xdotool("key --window " + wid + " y"); // REALLY EXIT
    EXPECT_EQ(finish(program, 60), 0);

    // The window shows exactly what the program dumped: the page with the
    // clicked row's flag on and the row below it current.
    std::string view = dir.path + "/view.ppm";
    command_output("convert " + xdir + "/NVMRVIEW.PCX ppm:" + view);
    Rgb window, dumped;
    ASSERT_TRUE(read_ppm(shot, &window));
    ASSERT_TRUE(read_ppm(view, &dumped));
    ASSERT_EQ(window.w, dumped.w);
    ASSERT_EQ(window.h, dumped.h);
    int differ = 0;
    for (size_t i = 0; i < window.px.size(); i += 3)
        for (int c = 0; c < 3; c++)
            if (abs(window.px[i + c] - dumped.px[i + c]) > 4) {
                differ++;
                break;
            }
    EXPECT_EQ(differ, 0);

    // The same input as a script, without a display.
    std::string sdir = dir.path + "/s";
    mkdir(sdir.c_str(), 0755);
    ASSERT_EQ(chdir(sdir.c_str()), 0);
    std::string script = script_start() + "key Alt-O\n" + "click " + std::to_string(CLICK_X) + " " +
                         std::to_string(CLICK_Y) + "\nkey Down\nkey F10\nkey Enter\nkey Esc\nkey Esc\nkey y\nkey y\nkey y\n";
    ProgramRun scripted = run_novamir(script);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    EXPECT_EQ(scripted.status, 0) << scripted.output;
    Picture real_dump, script_dump;
    ASSERT_TRUE(read_picture(xdir + "/NVMRVIEW.PCX", &real_dump));
    ASSERT_TRUE(read_picture(sdir + "/NVMRVIEW.PCX", &script_dump));
    EXPECT_EQ(differing_pixels(real_dump, script_dump, 0, 0, real_dump.w - 1, real_dump.h - 1), 0);
    std::vector<uint8_t> real_project = read_file_bytes(xdir + "/NOVAMIR.CFG");
    EXPECT_FALSE(real_project.empty());
    EXPECT_TRUE(real_project == read_file_bytes(sdir + "/NOVAMIR.CFG"));
    clear_objects();
    ASSERT_EQ(read_project_file((xdir + "/NOVAMIR.CFG").c_str()), 0);
    EXPECT_EQ(flag_param[F_PREVIEW_DEBUG], 1);
}

} // namespace
