// Helpers shared by the tests: a scratch directory per test, file bytes.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// Creates a fresh empty directory under the system temp dir, makes it the
// current directory for the lifetime of the object, and removes it after.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    std::string path;
    std::string old_cwd;
};

// While it lives, the system refuses to let any file grow past bytes (the
// write fails with EFBIG instead of raising SIGXFSZ): a disk that fills up.
struct FileSizeLimit {
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    uint64_t saved_cur;
    void (*saved_handler)(int);
};

std::vector<uint8_t> read_file_bytes(const std::string& path);
std::string read_file_text(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Whether any message said so far contains text.
bool logged(const std::string& text);
// FNV-1a 64-bit of a byte range, for golden hashes.
uint64_t fnv1a(const void* data, size_t size);

// A pixel as three 0..255 channels, comparable and printable in assertions.
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
// The frame buffer's pixel at (x, y).
Rgb pixel(int x, int y);
// A fresh W x H frame for a renderer test: frame buffer, an all-zero store,
// render settings of that size, replay off.
void fresh_render_state(int width, int height);
// Paints the whole frame buffer in one colour.
void fill_frame(Rgb c);
// Colour table entry index as (r, g, b).
void set_colour(int index, int r, int g, int b);

// Opens a memory screen of the size and depth with 15 stand-in fonts (the
// library's own font) and the widgets defined; no pointer, a fixed clock.
void open_test_screen(int width = 640, int height = 480, int depth = 8);
void close_test_screen();
// Loads a script of the given text; input after its end answers ESC.
void run_script(const std::string& text);
