// The screen: a window or the full screen on a display, or a memory bitmap
// standing in for it when the program runs from a script with no display.
#include "ui/ui.h"

#include "platform/platform.h" // Required for: platform_headless, platform_set_mode

#include <cstdlib> // Required for: atexit
#include <cstring> // Required for: strrchr
#include <strings.h> // Required for: strcasecmp

bool memory_screen = false;

// The stand-in graphics driver of the memory screen: the size, so that
// SCREEN_W and SCREEN_H answer as with a display, and empty palette and
// retrace methods for the library's palette calls.
static GFX_DRIVER memory_driver;
static void memory_vsync() {}
static void memory_set_palette(const RGB*, int, int, int) {}

// Runs before the library's own exit handler so that it never tries to shut
// down a driver that does not exist.
static void drop_memory_screen()
{
    if (!memory_screen)
        return;
    if (screen_buffer) {
        destroy_bitmap(screen_buffer);
        screen_buffer = nullptr;
    }
    draw_target = nullptr;
    BITMAP* bmp = screen;
    gfx_driver = nullptr;
    screen = nullptr;
    if (bmp)
        destroy_bitmap(bmp);
    memory_screen = false;
}

int open_memory_screen(int width, int height, int depth)
{
    static bool exit_hooked = false;
    close_screen();
    set_color_depth(depth);
    BITMAP* bmp = create_bitmap_ex(depth, width, height);
    if (!bmp)
        return -1;
    clear_bitmap(bmp);
    memory_driver = GFX_DRIVER{};
    memory_driver.id = AL_ID('M', 'E', 'M', 'S');
    memory_driver.name = memory_driver.desc = memory_driver.ascii_name = "memory screen";
    memory_driver.vsync = memory_vsync;
    memory_driver.set_palette = memory_set_palette;
    memory_driver.w = width;
    memory_driver.h = height;
    memory_driver.linear = TRUE;
    memory_driver.windowed = TRUE;
    gfx_driver = &memory_driver;
    screen = bmp;
    memory_screen = true;
    if (!exit_hooked) {
        atexit(drop_memory_screen);
        exit_hooked = true;
    }
    return 0;
}

int open_screen(int width, int height, int depth)
{
    if (platform_headless)
        return open_memory_screen(width, height, depth);
    close_screen();
    set_color_depth(depth);
    return platform_set_mode(width, height);
}

int create_screen_buffer()
{
    if (screen_buffer) {
        destroy_bitmap(screen_buffer);
        screen_buffer = nullptr;
    }
    if (!screen)
        return -1;
    screen_buffer = create_bitmap_ex(bitmap_color_depth(screen), SCREEN_W, SCREEN_H);
    if (!screen_buffer)
        return -1;
    clear_bitmap(screen_buffer);
    draw_target = screen_buffer;
    return 0;
}

void close_screen()
{
    if (memory_screen) {
        drop_memory_screen();
        return;
    }
    if (screen_buffer) {
        destroy_bitmap(screen_buffer);
        screen_buffer = nullptr;
        draw_target = nullptr;
    }
}

void show_buffer()
{
    if (screen && screen_buffer) {
        acquire_screen();
        blit(screen_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        release_screen();
    }
}

int dump_screen(const char* path)
{
    if (!screen || !path || !path[0])
        return -1;
    BITMAP* copy = create_bitmap_ex(bitmap_color_depth(screen), SCREEN_W, SCREEN_H);
    if (!copy)
        return -1;
    blit(screen, copy, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    PALETTE pal;
    ui_palette_as_library(pal);
    if (bitmap_color_depth(copy) == 8)
        get_palette(pal); // what the screen is showing now
    int result = save_bitmap(path, copy, pal) == 0 ? 0 : -1;
    destroy_bitmap(copy);
    return result;
}
