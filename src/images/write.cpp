// Output image writers: the finished frame as an 8-bit BMP with the fixed
// 3-3-2 palette or as a 24-bit TGA, and the screen dump.
#include "images/images.h"

#include <cerrno> // Required for: errno
#include <cstdio> // Required for: snprintf
#include <cstring>
#include <cstdlib> // Required for: realloc
#include <string>

#include "images/formats.h"       // Required for: BMP_PIXELS_AT, TGA_HEADER_BYTES
#include "platform/atomic_file.h" // Required for: write_bytes_atomically, write_file_atomically
#include "platform/bytes.h"       // Required for: put_u16, put_u32
#include "platform/platform.h"    // Required for: resolve_path
#include "store/canvas.h"         // Required for: frame_buffer, frame_height, frame_width
#include "store/palette.h"        // Required for: startup_palette
#include "store/prompt.h"         // Required for: log_detail

// Under this conversion mode a 256-colour image is loaded in its 8-bit form;
// the BMP writer leaves it in force for the image loads that follow.
constexpr int BMP_WRITE_CONVERSION = COLORCONV_NONE;
static const char VIEW_FILE[] = "NVMRVIEW.PCX";
// Resolution in a BMP header: 2,834 pixels a metre is 72 dots an inch.
constexpr uint32_t BMP_PIXELS_PER_METRE = 2834;

// The file being written, built whole before a byte goes to the disk, and
// the bytes it has room for.
static uint8_t* file_bytes = nullptr;
static size_t file_room = 0;

// Index of the 3-3-2 palette for each 6-bit colour, as the library's own
// best fit picks it (the same pick the 24 to 8-bit blit makes through the
// selected palette). Filled on first use: the palette never changes.
static uint8_t fit_index[64 * 64 * 64];
static uint8_t fit_known[64 * 64 * 64];
static PALETTE fit_palette;
static bool fit_palette_ready = false;

// Name used on disk: "\" is a separator in stored names, and an existing
// directory is found whatever the case the user typed it in.
static void disk_name(const char* path, char* out, size_t size)
{
    char name[512];
    snprintf(name, sizeof name, "%s", path);
    for (char* c = name; *c; c++)
        if (*c == '\\')
            *c = '/';
    snprintf(out, size, "%s", name);
    char* slash = strrchr(name, '/');
    if (!slash || slash == name)
        return;
    *slash = 0;
    char dir[512];
    if (resolve_path(name, dir, sizeof dir)) {
        std::string found = std::string(dir) + "/" + (slash + 1);
        snprintf(out, size, "%s", found.c_str());
    }
}

// Writes whole or not at all, so a failed write never destroys the frame
// written before under the same name. A failure is logged with the path and
// the system's reason (the writers show no box of their own).
static int write_replacing(const char* path, const uint8_t* bytes, size_t size)
{
    char target[512];
    disk_name(path, target, sizeof target);
    if (write_bytes_atomically(target, bytes, size, false) == 0)
        return 0;
    const int reason = errno;
    log_detail("cannot write %s: %s", path, reason ? strerror(reason) : "the file could not be written");
    return -1;
}

static inline uint8_t fit_332(int r, int g, int b)
{
    const int key = (r >> 2) << 12 | (g >> 2) << 6 | (b >> 2);
    if (!fit_known[key]) {
        fit_index[key] = (uint8_t)bestfit_color(fit_palette, r >> 2, g >> 2, b >> 2);
        fit_known[key] = 1;
    }
    return fit_index[key];
}

// The part of the frame buffer a writer takes: the frame, cut to the buffer.
static void frame_extent(int* w, int* h)
{
    *w = frame_width() < frame_buffer->w ? frame_width() : frame_buffer->w;
    *h = frame_height() < frame_buffer->h ? frame_height() : frame_buffer->h;
}

// Room for one file, its first `zeroed` bytes cleared (what the writer does
// not fill itself); kept between frames, which are all the same size.
static uint8_t* size_file(size_t size, size_t zeroed, const char* path, int w, int h)
{
    if (size > file_room) {
        uint8_t* grown = (uint8_t*)realloc(file_bytes, size);
        if (!grown) {
            log_detail("cannot write %s: no memory for a %d x %d image", path, w, h);
            return nullptr;
        }
        file_bytes = grown;
        file_room = size;
    }
    memset(file_bytes, 0, zeroed);
    return file_bytes;
}

int save_frame_bmp(const char* path)
{
    set_color_conversion(BMP_WRITE_CONVERSION);
    generate_332_palette(work_palette);
    if (replay_only)
        return 0;
    int w, h;
    frame_extent(&w, &h);
    const size_t stride = ((size_t)w + 3) / 4 * 4; // rows are padded to whole 4-byte words
    const size_t size = BMP_PIXELS_AT + stride * (size_t)h;
    // Header fields left zero, palette reserved bytes and row padding.
    uint8_t* b = size_file(size, size, path, w, h);
    if (!b)
        return -1;
    if (!fit_palette_ready) {
        memcpy(fit_palette, work_palette, sizeof fit_palette);
        fit_palette_ready = true;
    }
    select_palette(work_palette);
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b + 2, (uint32_t)size);
    put_u32(b + 10, BMP_PIXELS_AT);
    put_u32(b + 14, BMP_INFO_BYTES);
    put_u32(b + 18, (uint32_t)w);
    put_u32(b + 22, (uint32_t)h);
    put_u16(b + 26, 1);  // planes
    put_u16(b + 28, 8);  // bits a pixel
    put_u32(b + 34, (uint32_t)(stride * (size_t)h));
    put_u32(b + 38, BMP_PIXELS_PER_METRE);
    put_u32(b + 42, BMP_PIXELS_PER_METRE);
    put_u32(b + 46, 256); // colours used
    put_u32(b + 50, 256); // colours that matter
    uint8_t* entry = b + BMP_FILE_HEADER_BYTES + BMP_INFO_BYTES;
    for (int i = 0; i < 256; i++, entry += 4) {
        entry[0] = (uint8_t)_rgb_scale_6[work_palette[i].b];
        entry[1] = (uint8_t)_rgb_scale_6[work_palette[i].g];
        entry[2] = (uint8_t)_rgb_scale_6[work_palette[i].r];
    }
    // Rows from the bottom up; the padding stays zero.
    uint8_t* dst = b + BMP_PIXELS_AT;
    for (int y = h - 1; y >= 0; y--, dst += stride) {
        const uint8_t* src = frame_buffer->line[y];
        for (int x = 0; x < w; x++, src += 3)
            dst[x] = fit_332(src[2], src[1], src[0]);
    }
    int result = write_replacing(path, b, size);
    unselect_palette();
    return result;
}

int save_frame_tga(const char* path)
{
    if (replay_only)
        return 0;
    int w, h;
    frame_extent(&w, &h);
    if (w <= 0 || h <= 0) {
        log_detail("cannot write %s: a %d x %d frame does not fit the frame buffer", path, frame_width(),
                   frame_height());
        return -1;
    }
    const size_t size = TGA_HEADER_BYTES + 3 * (size_t)w * (size_t)h;
    uint8_t* b = size_file(size, TGA_HEADER_BYTES, path, w, h); // every pixel byte is written below
    if (!b)
        return -1;
    b[2] = 2; // uncompressed true colour
    put_u16(b + 12, (uint16_t)w);
    put_u16(b + 14, (uint16_t)h);
    b[16] = 24; // bits a pixel; descriptor 0: rows from the bottom up
    // Pixels are stored blue, green, red; the buffer holds them in that order
    // unless the library's channel positions were changed after it was made.
    const bool stored_order = _rgb_b_shift_24 == 0 && _rgb_g_shift_24 == 8 && _rgb_r_shift_24 == 16;
    uint8_t* dst = b + TGA_HEADER_BYTES;
    for (int y = h - 1; y >= 0; y--, dst += 3 * (size_t)w) {
        const uint8_t* src = frame_buffer->line[y];
        if (stored_order) {
            memcpy(dst, src, 3 * (size_t)w);
            continue;
        }
        for (int x = 0; x < w; x++) {
            const int c = src[3 * x] | src[3 * x + 1] << 8 | src[3 * x + 2] << 16;
            dst[3 * x] = (uint8_t)getb24(c);
            dst[3 * x + 1] = (uint8_t)getg24(c);
            dst[3 * x + 2] = (uint8_t)getr24(c);
        }
    }
    return write_replacing(path, b, size);
}

int save_view()
{
    if (!screen || !gfx_driver)
        return -1;
    get_palette(work_palette);
    BITMAP* view = create_sub_bitmap(screen, 0, 0, gfx_driver->w, gfx_driver->h);
    if (!view)
        return -1;
    int result = write_file_atomically(VIEW_FILE, [&](const char* temp) { return save_bitmap(temp, view, work_palette); });
    destroy_bitmap(view);
    return result;
}
