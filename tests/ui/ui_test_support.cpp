// Shared set-up of the interface tests.
#include "ui_test_support.h"

#include "test_support.h"

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
    mouse_present = 0;
    repeat_counter = 0;
    menu_page = -1;
    menu_row = 0;
    snprintf(fixed_clock, sizeof fixed_clock, "Mon Jan 01 00:00:00 2001");
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

std::string buffer_pixels()
{
    std::string bytes;
    int row_bytes = screen_buffer->w * ((bitmap_color_depth(screen_buffer) + 7) / 8);
    for (int y = 0; y < screen_buffer->h; y++)
        bytes.append((const char*)screen_buffer->line[y], (size_t)row_bytes);
    return bytes;
}

uint64_t buffer_hash()
{
    std::string bytes = buffer_pixels();
    return fnv1a(bytes.data(), bytes.size());
}
