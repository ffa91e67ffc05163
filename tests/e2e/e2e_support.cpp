// Running the programs from the tests.
#include "e2e_support.h"

#include <allegro.h>  // Required for: load_bitmap, set_color_conversion
#include <signal.h>   // Required for: kill
#include <sys/stat.h> // Required for: stat, mkdir
#include <sys/wait.h> // Required for: waitpid
#include <fcntl.h>    // Required for: open
#include <unistd.h>   // Required for: fork, execvp, usleep

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h" // Required for: find_data_file
#include "test_support.h"

std::string program_path(const char* name) { return std::string(NOVAMIR_BIN_DIR) + "/" + name; }

bool novamir_runnable(std::string* why)
{
    struct stat st;
    if (stat(program_path("novamir").c_str(), &st) != 0) {
        *why = "novamir is not built";
        return false;
    }
    char path[1024];
    for (const char* name : {"novamir3.dat", "novx.dat", "novamir.hlp", "novamir1.top", "NOVAMIR.CFG"})
        if (!find_data_file(name, path, sizeof path)) {
            *why = std::string("the data file ") + name + " is not built";
            return false;
        }
    return true;
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& dir, const std::vector<std::string>& env,
            const std::string& out)
{
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (chdir(dir.c_str()) != 0)
        _exit(126);
    for (const std::string& e : env) {
        size_t eq = e.find('=');
        if (eq == std::string::npos || eq + 1 == e.size())
            unsetenv(e.substr(0, eq).c_str());
        else
            setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
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

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                       const std::vector<std::string>& env)
{
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), program);
    // A hanging run is killed so the suite goes on; the test fails on the status.
    ProgramRun run;
    run.status = finish(spawn(argv, dir, env, dir + "/run.out"), 300);
    std::vector<uint8_t> out = read_file_bytes(dir + "/run.out");
    run.output.assign(out.begin(), out.end());
    return run;
}

ProgramRun run_novamir(const std::string& script, const std::vector<std::string>& args)
{
    char cwd[4096];
    std::string dir = getcwd(cwd, sizeof cwd) ? cwd : ".";
    write_file_bytes(dir + "/run.script", std::vector<uint8_t>(script.begin(), script.end()));
    unlink((dir + "/run.log").c_str());
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--script", "run.script", "--log", "run.log"});
    ProgramRun run = run_program(program_path("novamir"), all, dir, {"DISPLAY="});
    std::string line;
    for (uint8_t c : read_file_bytes(dir + "/run.log")) {
        if (c != '\n') {
            line += (char)c;
            continue;
        }
        run.log.push_back(line);
        line.clear();
    }
    if (!line.empty())
        run.log.push_back(line);
    return run;
}

std::string script_start(bool load_default)
{
    // The title, then the frame size, image size, topology and help notices.
    return std::string("clock Mon Jan 01 00:00:00 2024\nkey Enter Enter Enter Enter Enter\n") +
           (load_default ? "key y\n" : "key n\n");
}

std::string script_exit() { return "key Esc\nkey n   # no save\nkey y   # REALLY EXIT\n"; }

bool read_picture(const std::string& path, Picture* out)
{
    int old = get_color_conversion();
    set_color_conversion(COLORCONV_NONE);
    PALETTE pal;
    BITMAP* bmp = load_bitmap(path.c_str(), pal);
    set_color_conversion(old);
    if (!bmp)
        return false;
    bool ok = bitmap_color_depth(bmp) == 8;
    if (ok) {
        out->w = bmp->w;
        out->h = bmp->h;
        out->index.resize((size_t)bmp->w * bmp->h);
        for (int y = 0; y < bmp->h; y++)
            memcpy(&out->index[(size_t)y * bmp->w], bmp->line[y], bmp->w);
    }
    destroy_bitmap(bmp);
    return ok;
}

int differing_pixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    if (a.w != b.w || a.h != b.h)
        return -1;
    int n = 0;
    for (int y = y0; y <= y1 && y < a.h; y++)
        for (int x = x0; x <= x1 && x < a.w; x++)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

bool log_has_in_order(const std::vector<std::string>& log, const std::vector<std::string>& want,
                      std::string* missing)
{
    size_t at = 0;
    for (const std::string& w : want) {
        while (at < log.size() && log[at] != w)
            at++;
        if (at == log.size()) {
            *missing = w;
            return false;
        }
        at++;
    }
    return true;
}
