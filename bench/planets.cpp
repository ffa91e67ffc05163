// Benchmark at 640 x 480 and 1024 x 768: a 400-pixel planet and a ring that
// only turn, first frame against later frames (kept geometry) and against
// travelling frames; and frames per second of the planet with a locked ring
// and SUBPIXELLATION through the frame driver, geometry kept and not.
#include <allegro.h>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "planets/planets.h"       // Required for: read_topology_index, topology_loaded
#include "platform/platform.h"     // Required for: init_headless
#include "render/render.h"         // Required for: generate_frame
#include "shell/shell.h"           // Required for: store_object
#include "store/canvas.h"          // Required for: RENDER_FRAME, apply_parameters, create_frame_buffer
#include "store/prompt.h"          // Required for: console_quiet
#include "store/records.h"         // Required for: clear_objects, rebuild_list
#include "store/store.h"           // Required for: D_ASPECT, D_OBLATE, D_PHASE
#include "store/surface.h"         // Required for: surface_map
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

static void put16(std::vector<uint8_t>& b, size_t at, int v)
{
    b[at] = (uint8_t)(v & 255);
    b[at + 1] = (uint8_t)((v >> 8) & 255);
}

// A topology file of one 512 x 256 planet map and one 360 x 64 ring strip,
// both with a smooth procedural pattern, written to the current directory.
static void write_bench_topology()
{
    const int n = 2;
    const size_t data = 580 + 16 * n + 2 + 48 + 2 + 2 + 96;
    std::vector<uint8_t> b(data, 0);
    put16(b, 0, n);
    put16(b, 2, n);
    const int w[n] = {512, 360}, h[n] = {256, 64}, type[n] = {2, 14};
    size_t at = data;
    for (int i = 0; i < n; i++) {
        put16(b, 4 + 2 * i, w[i]);
        put16(b, 100 + 2 * i, h[i]);
        for (int k = 0; k < 4; k++)
            b[196 + 4 * i + k] = (uint8_t)(at >> (8 * k));
        uint8_t* e = &b[580 + 16 * i];
        snprintf((char*)e, 12, i ? "bench ring" : "bench");
        e[13] = (uint8_t)type[i];
        e[14] = 250; // zero index
        e[15] = 251; // dark index
        std::vector<uint8_t> rec(4);
        put16(rec, 0, w[i]);
        put16(rec, 2, h[i]);
        for (int y = 0; y < h[i]; y++)
            for (int x = 0; x < w[i]; x++)
                rec.push_back((uint8_t)(1 + ((x * 7 + y * 13 + (x * y) / 64) % 200)));
        for (int c = 0; c < 256; c++) {
            rec.push_back((uint8_t)(c * 5 % 256));
            rec.push_back((uint8_t)(c * 3 % 256));
            rec.push_back((uint8_t)(255 - c));
        }
        b.insert(b.end(), rec.begin(), rec.end());
        at += rec.size();
    }
    const size_t trailer = 580 + 16 * n;
    b[trailer] = 'A';
    b[trailer + 1] = 'M';
    b[trailer + 2] = 1;
    b[trailer + 3] = 1;
    put16(b, trailer + 50, 1); // planets on file
    put16(b, trailer + 52, 1); // rings on file
    put16(b, trailer + 54, 1); // ring 0 is record 1
    FILE* f = fopen("novamir1.top", "wb");
    if (!f || fwrite(b.data(), 1, b.size(), f) != b.size()) {
        fprintf(stderr, "bench-planets: cannot write novamir1.top in the temporary directory\n");
        exit(1);
    }
    fclose(f);
}

// The store for one object drawn on its own: the frame size, 10 pixels per
// degree, every page's frames 0 .. 999.
static void object_store(int width, int height)
{
    clear_objects();
    memset(int_param, 0, sizeof int_param);
    memset(dbl_param, 0, sizeof dbl_param);
    memset(flag_param, 0, sizeof flag_param);
    int_param[I_WIDTH] = width;
    int_param[I_HEIGHT] = height;
    dbl_param[D_ASPECT] = 1.0;
    dbl_param[D_PIXELS_PER_DEGREE] = 10.0;
    dbl_param[D_REF_DISTANCE] = 100.0;
    for (int p = PAGE_SKY; p <= PAGE_BITMAP; p++)
        page_frames[p] = {0, 999};
}

// A planet of diameter 400 at the frame centre, turning.
static void planet_store(int width, int height, double travel)
{
    object_store(width, height);
    int_param[I_PLANET_X] = width / 2;
    int_param[I_PLANET_Y] = height / 2;
    dbl_param[D_PLANET_DIAMETER] = 400.0;
    dbl_param[D_OBLATE] = 1.0;
    dbl_param[D_POLAR_ANGLE] = 80.0;
    dbl_param[D_PHASE] = 120.0;
    dbl_param[D_PLANET_LATITUDE] = 20.0;
    dbl_param[D_ROTATION_INC] = 2.0;
    dbl_param[D_SHADING] = 1.0;
    dbl_param[D_PLANET_BACKLIGHT] = 0.05;
    dbl_param[D_PLANET_LIGHTING] = 1.0;
    dbl_param[D_TRAVEL_DISTANCE] = travel;
    dbl_param[D_TRAVEL_ANGLE] = 90.0;
}

// The scene: a planet of diameter 400 at the frame centre with one locked ring.
static void build_scene(int width, int height)
{
    planet_store(width, height, 0.0);
    str_param[S_BACKDROP][0] = 0;
    store_object(0, PAGE_PLANET);
    int_param[I_RING_NUMBER] = 0;
    int_param[I_RING_WIDTH] = 220;
    int_param[I_RING_HEIGHT] = 40;
    int_param[I_PLANET_LOCK] = 1;
    flag_param[F_PLANET_SHADOW] = 1;
    flag_param[F_SUBPIXELLATION] = 1;
    dbl_param[D_RING_LIGHTING] = 0.9;
    dbl_param[D_RING_ROTATION_INC] = 1.5;
    dbl_param[D_REF_DISTANCE] = 200.0;
    store_object(1, PAGE_RING);
    rebuild_list();
}

// Runs the frames; gives frames per second of wall time and of CPU time
// (the second is steadier on a busy machine).
static double frames_per_second(int width, int height, int frames, double* cpu_fps)
{
    build_scene(width, height);
    const std::clock_t cpu_start = std::clock();
    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; f++) {
        int_param[I_THIS_FRAME] = f;
        apply_parameters();
        if (generate_frame(RENDER_FRAME) != 0) {
            fprintf(stderr, "bench-planets: frame %d was not drawn\n", f);
            exit(1);
        }
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    *cpu_fps = frames / ((double)(std::clock() - cpu_start) / CLOCKS_PER_SEC);
    return frames / took.count();
}

static double median_ms(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A free ring strip 400 x 120 pixels at the frame centre, sampled with
// SUBPIXELLATION.
static void ring_store(int width, int height, double travel)
{
    object_store(width, height);
    int_param[I_RING_NUMBER] = 0;
    int_param[I_RING_WIDTH] = 400;
    int_param[I_RING_HEIGHT] = 120;
    int_param[I_RING_X] = width / 2;
    int_param[I_RING_Y] = height / 2;
    flag_param[F_SUBPIXELLATION] = 1;
    dbl_param[D_RING_LIGHTING] = 0.9;
    dbl_param[D_RING_ROTATION_INC] = 1.5;
    dbl_param[D_TRAVEL_DISTANCE] = travel;
    dbl_param[D_TRAVEL_ANGLE] = 90.0;
}

// CPU milliseconds of this thread: steadier than wall time on a busy machine.
static double cpu_ms()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU milliseconds of frame f of the object the store holds.
static double object_ms(bool planet, int f)
{
    int_param[I_THIS_FRAME] = f;
    apply_parameters();
    const double start = cpu_ms();
    if (planet) {
        setup_planet(0);
        render_planet(RENDER_FRAME);
    } else {
        render_ring(RENDER_FRAME, -1);
    }
    return cpu_ms() - start;
}

// Medians over `frames` frames of a turning object: first sights (kept
// geometry dropped before each), second sights (the geometry is kept), later
// frames, frames with reuse off; and of the same object travelling.
static void object_figures(bool planet, int width, int height, int frames)
{
    const char* what = planet ? "planet 400 px" : "ring 400 x 120, SUBPIXELLATION";
    std::vector<double> first, second, later, off, travel;
    (planet ? planet_store : ring_store)(width, height, 0.0);
    object_ms(planet, 0); // warms the caches of the machine
    for (int f = 0; f < frames; f++) {
        drop_kept_geometry();
        first.push_back(object_ms(planet, f));
        second.push_back(object_ms(planet, f + 1));
    }
    for (int f = 0; f < frames; f++)
        later.push_back(object_ms(planet, frames + f));
    geometry_reuse = false;
    for (int f = 0; f < frames; f++)
        off.push_back(object_ms(planet, f));
    geometry_reuse = true;
    (planet ? planet_store : ring_store)(width, height, 2.0);
    drop_kept_geometry();
    for (int f = 0; f < frames; f++)
        travel.push_back(object_ms(planet, f));
    const double m_first = median_ms(first), m_second = median_ms(second), m_later = median_ms(later);
    const double m_off = median_ms(off), m_travel = median_ms(travel);
    printf("%4d x %d %s turning: first frame %.2f ms, later frames %.2f ms: %.1fx faster\n", width, height,
           what, m_first, m_later, m_first / m_later);
    printf("%4d x %d %s second frame (kept): %.2f ms, first frame %.2f ms: %.2fx\n", width, height, what,
           m_second, m_first, m_second / m_first);
    printf("%4d x %d %s reuse off: %.2f ms a frame, first frame %.2f ms: %.2fx\n", width, height, what, m_off,
           m_first, m_first / m_off);
    printf("%4d x %d %s travelling: %.2f ms a frame, first frame %.2f ms: %.2fx\n", width, height, what,
           m_travel, m_first, m_travel / m_first);
}

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? atoi(argv[1]) : 20;
    if (frames < 1) {
        fprintf(stderr, "usage: bench-planets [FRAMES]\n");
        return 1;
    }
    if (init_headless() != 0) {
        fprintf(stderr, "bench-planets: cannot start Allegro headless\n");
        return 1;
    }
    console_quiet = true;
    char dir[] = "/tmp/bench-planets-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) {
        fprintf(stderr, "bench-planets: cannot make a temporary directory\n");
        return 1;
    }
    write_bench_topology();
    if (create_frame_buffer(1024) != 0) {
        fprintf(stderr, "bench-planets: cannot create the frame buffer\n");
        return 1;
    }
    surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
    topology_loaded = read_topology_index();
    unlink("novamir1.top");
    rmdir(dir);
    if (!surface_map || topology_loaded != 1) {
        fprintf(stderr, "bench-planets: cannot load the benchmark maps\n");
        return 1;
    }
    const int sizes[2][2] = {{640, 480}, {1024, 768}};
    printf("medians of %d frames each\n", frames);
    for (const auto& size : sizes) {
        object_figures(true, size[0], size[1], frames);
        object_figures(false, size[0], size[1], frames);
    }
    printf("planet 400 px, locked ring 220%%, SUBPIXELLATION on, through the frame driver, %d frames each\n",
           frames);
    for (const auto& size : sizes) {
        double cpu_fps[2], fps[2];
        for (int reuse = 1; reuse >= 0; reuse--) {
            geometry_reuse = reuse != 0;
            drop_kept_geometry();
            fps[reuse] = frames_per_second(size[0], size[1], frames, &cpu_fps[reuse]);
        }
        geometry_reuse = true;
        printf("%4d x %d: %.2f frames per second (%.2f per CPU second), reuse off %.2f (%.2f): %.1fx\n",
               size[0], size[1], fps[1], cpu_fps[1], fps[0], cpu_fps[0], cpu_fps[1] / cpu_fps[0]);
    }
    return 0;
}
