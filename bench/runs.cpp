// Whole runs of novamir-render side by side: the demo project and a long
// travelling project on one and on two workers (and, given --baseline, an
// older renderer on one worker), at 640x480 and 1024x768, with each run's
// peak resident size. Runs of one comparison alternate, so a machine that
// gets busier part-way through slows both sides alike; the figures are
// medians of --repeat runs.
#include <fcntl.h>        // Required for: open
#include <sys/resource.h> // Required for: rusage
#include <sys/wait.h>     // Required for: wait4
#include <unistd.h>       // Required for: fork, execv, chdir, readlink

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "planets/planets.h"   // Required for: init_planet_data
#include "platform/platform.h" // Required for: find_data_file, init_headless
#include "shell/shell.h"       // Required for: read_project_file, write_project_file
#include "store/prompt.h"      // Required for: console_quiet
#include "store/records.h"     // Required for: object_count, object_slots
#include "store/store.h"       // Required for: I_END_FRAME, I_HEIGHT, I_WIDTH

namespace {

std::string bin_dir, work_dir, baseline;
int repeat = 5;

struct Run {
    double seconds = 0; // wall clock
    long peak_kib = 0;  // largest resident size of the run's processes
    bool ok = false;
};

// One run of RENDERER on PROJECT in its own folder, output discarded.
Run run(const std::string& renderer, const std::string& project, int width, int jobs)
{
    Run r;
    const std::string w = std::to_string(width), j = std::to_string(jobs);
    fflush(stdout);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        if (chdir(work_dir.c_str()) != 0)
            _exit(127);
        execl(renderer.c_str(), renderer.c_str(), "--yes", "--width", w.c_str(), "--jobs", j.c_str(),
              project.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    rusage u;
    if (pid < 0 || wait4(pid, &status, 0, &u) < 0)
        return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.peak_kib = u.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Alternating runs of the sides of one comparison; frames per second per side.
struct Side {
    const char* label;
    std::string renderer;
    int jobs;
    std::vector<double> seconds;
    long peak_kib = 0;
};

bool compare(const char* project, int width, int frames, std::vector<Side>& sides)
{
    for (int k = 0; k < repeat; k++)
        for (Side& s : sides) {
            Run r = run(s.renderer, project, width, s.jobs);
            if (!r.ok) {
                fprintf(stderr, "bench-runs: %s failed on %s\n", s.renderer.c_str(), project);
                return false;
            }
            s.seconds.push_back(r.seconds);
            s.peak_kib = std::max(s.peak_kib, r.peak_kib);
        }
    for (Side& s : sides)
        printf("  %-28s %8.1f frames/s  (median of %d: %.2f s)  peak %.1f MiB\n", s.label,
               frames / median(s.seconds), repeat, median(s.seconds), s.peak_kib / 1024.0);
    return true;
}

// The ratio of two sides' speeds as the median of the ratios of runs taken
// one after the other, which a machine that changes pace between runs
// disturbs less than a ratio of medians.
double speedup(const Side& faster, const Side& slower)
{
    std::vector<double> r;
    for (size_t k = 0; k < faster.seconds.size() && k < slower.seconds.size(); k++)
        r.push_back(slower.seconds[k] / faster.seconds[k]);
    return median(r);
}

// Writes the store as NAME in the work folder.
bool save(const char* name)
{
    return write_project_file((work_dir + "/" + name).c_str()) == 0;
}

// The demo stretched to FRAMES frames: every object's range and travel per
// frame scaled so that the objects cover the same path, more slowly.
void stretch(int frames)
{
    const double k = 60.0 / frames;
    int_param[I_END_FRAME] = frames - 1;
    for (int slot = 0; slot < object_count; slot++) {
        ObjectRecord& o = object_slots[slot];
        o.w[1] = (int)(o.w[1] / k);
        o.w[2] = frames - 1;
        o.d[10] *= k; // TRAVEL DISTANCE, per frame
    }
}

void bench_project(const char* title, const char* project, int width, int frames)
{
    printf("%s (%d frames, %dx%d)\n", title, frames, width, width * 3 / 4);
    std::vector<Side> sides = {{"novamir-render --jobs 1", bin_dir + "/novamir-render", 1, {}},
                               {"novamir-render --jobs 2", bin_dir + "/novamir-render", 2, {}}};
    if (!baseline.empty())
        sides.push_back({"baseline --jobs 1", baseline, 1, {}});
    if (!compare(project, width, frames, sides))
        return;
    printf("  speed --jobs 2 / --jobs 1: %.2f\n", speedup(sides[1], sides[0]));
    if (!baseline.empty())
        printf("  speed --jobs 1 / baseline --jobs 1: %.2f\n", speedup(sides[0], sides[2]));
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--baseline") && i + 1 < argc) {
            baseline = argv[++i];
        } else if (!strcmp(argv[i], "--repeat") && i + 1 < argc) {
            repeat = std::max(1, atoi(argv[++i]));
        } else {
            fprintf(stderr, "usage: bench-runs [--baseline OLD-NOVAMIR-RENDER] [--repeat N]\n");
            return 2;
        }
    }
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    self[n > 0 ? n : 0] = 0;
    bin_dir = n > 0 ? std::string(self).substr(0, std::string(self).rfind('/')) : ".";
    char tmpl[] = "/tmp/novamir-runs-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    work_dir = tmpl;

    console_quiet = true;
    char demo[1024];
    if (init_headless() != 0 || init_planet_data(1024) != 0 || !find_data_file("NOVAMIR.CFG", demo, sizeof demo)) {
        fprintf(stderr, "bench-runs: the data files are not built\n");
        return 1;
    }
    // Every renderer, the baseline too, reads the data found here.
    if (!getenv("NOVAMIR_DATA"))
        setenv("NOVAMIR_DATA", std::string(demo).substr(0, std::string(demo).rfind('/')).c_str(), 1);
    bool ok = read_project_file(demo) == 0 && save("DEMO.CFG");
    int_param[I_WIDTH] = 1024;
    int_param[I_HEIGHT] = 768;
    ok = ok && save("DEMO1024.CFG");
    ok = ok && read_project_file(demo) == 0;
    stretch(300);
    ok = ok && save("LONG.CFG");
    if (!ok) {
        fprintf(stderr, "bench-runs: cannot write the projects into %s\n", work_dir.c_str());
        return 1;
    }
    bench_project("demo project", "DEMO.CFG", 640, 60);
    bench_project("demo project", "DEMO1024.CFG", 1024, 60);
    bench_project("demo stretched to 300 frames, objects travelling", "LONG.CFG", 640, 300);
    return system(("rm -rf '" + work_dir + "'").c_str()) == 0 ? 0 : 1;
}
