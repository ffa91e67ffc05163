// Helpers shared by the tests.
#include "test_support.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include "store/canvas.h"  // Required for: RenderSettings, create_frame_buffer, frame_buffer
#include "store/prompt.h"  // Required for: prompt_log
#include "store/store.h"   // Required for: I_HEIGHT, I_WIDTH, dbl_param
#include "store/surface.h" // Required for: colour_table
#include "ui/ui.h"         // Required for: UI_FONTS, close_screen, create_screen_buffer

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

ScratchDir::ScratchDir()
{
    char tmpl[] = "/tmp/novamir-test-XXXXXX";
    char* made = mkdtemp(tmpl);
    path = made ? made : "/tmp";
    char buf[4096];
    old_cwd = getcwd(buf, sizeof buf) ? buf : "/";
    if (chdir(path.c_str()) != 0)
        perror("chdir");
}

ScratchDir::~ScratchDir()
{
    if (chdir(old_cwd.c_str()) != 0)
        perror("chdir");
    std::error_code ec;
    if (path != "/tmp")
        std::filesystem::remove_all(path, ec);
}

FileSizeLimit::FileSizeLimit(uint64_t bytes)
{
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    saved_cur = limit.rlim_cur;
    saved_handler = signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = saved_cur;
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, saved_handler);
}

std::vector<uint8_t> read_file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_file_text(const std::string& path)
{
    std::vector<uint8_t> b = read_file_bytes(path);
    return std::string(b.begin(), b.end());
}

void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

uint64_t fnv1a(const void* data, size_t size)
{
    const uint8_t* p = (const uint8_t*)data;
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; i++) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

Rgb pixel(int x, int y)
{
    Rgb c;
    get_frame_pixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

void fresh_render_state(int width, int height)
{
    create_frame_buffer(width);
    memset(int_param, 0, sizeof int_param);
    memset(dbl_param, 0, sizeof dbl_param);
    memset(flag_param, 0, sizeof flag_param);
    rs = RenderSettings{};
    rs.i[I_WIDTH] = width, rs.i[I_HEIGHT] = height;
    replay_only = false;
}

void fill_frame(Rgb c)
{
    for (int y = 0; y < frame_buffer->h; y++)
        for (int x = 0; x < frame_buffer->w; x++)
            put_frame_pixel(x, y, c.r, c.g, c.b);
}

void set_colour(int index, int r, int g, int b)
{
    colour_table[index][0] = (uint8_t)r, colour_table[index][1] = (uint8_t)g, colour_table[index][2] = (uint8_t)b;
}

static DATAFILE test_fonts[UI_FONTS + 1];

static void no_end() {}

void open_test_screen(int width, int height, int depth)
{
    ASSERT_EQ(open_memory_screen(width, height, depth), 0);
    ASSERT_EQ(create_screen_buffer(), 0);
    for (int i = 0; i < UI_FONTS; i++)
        test_fonts[i] = DATAFILE{font, DAT_FONT, 0, nullptr};
    test_fonts[UI_FONTS] = DATAFILE{nullptr, DAT_END, 0, nullptr};
    if (!system_font)
        system_font = font;
    font = system_font;
    ASSERT_EQ(interface_setup_with(test_fonts), 0);
    ASSERT_EQ(init_widgets(), 0);
    mouse_present = 0, repeat_counter = 0;
    menu_page = -1, menu_row = 0;
    snprintf(fixed_clock, sizeof fixed_clock, "Mon Jan 01 00:00:00 2001");
    reset_clock();
    script_finished = no_end;
    load_script_text("", "empty");
}

void close_test_screen()
{
    load_script_text("", "empty");
    close_screen();
}

void run_script(const std::string& text)
{
    ASSERT_EQ(load_script_text(text.c_str(), "test script"), 0);
}

bool logged(const std::string& text)
{
    for (const std::string& s : prompt_log)
        if (s.find(text) != std::string::npos)
            return true;
    return false;
}
