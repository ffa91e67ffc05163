// Benchmark: frames per second of a 400-pixel planet with a locked ring and
// SUBPIXELLATION, drawn through the frame driver at 640 x 480 and 1024 x 768.
#include <allegro.h>
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

// The scene: a planet of diameter 400 at the frame centre with one locked ring.
static void build_scene(int width, int height)
{
    clear_objects();
    str_param[S_BACKDROP][0] = 0;
    flag_param[F_SAVE_BMP] = 0;
    flag_param[F_SAVE_TGA] = 0;
    int_param[I_WIDTH] = width;
    int_param[I_HEIGHT] = height;
    dbl_param[D_ASPECT] = 1.0;
    dbl_param[D_PIXELS_PER_DEGREE] = 10.0;
    page_frames[PAGE_PLANET] = {0, 999};
    page_frames[PAGE_RING] = {0, 999};
    int_param[I_PLANET_NUMBER] = 0;
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
    dbl_param[D_REF_DISTANCE] = 100.0;
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

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? atoi(argv[1]) : 20;
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
    printf("planet 400 px, locked ring 220%%, SUBPIXELLATION on, %d frames each\n", frames);
    const int sizes[2][2] = {{640, 480}, {1024, 768}};
    for (const auto& size : sizes) {
        double cpu_fps;
        double fps = frames_per_second(size[0], size[1], frames, &cpu_fps);
        printf("%4d x %d: %.2f frames per second (%.2f per CPU second)\n", size[0], size[1], fps, cpu_fps);
    }
    return 0;
}
