// Output image writers: the finished frame as an 8-bit BMP with the fixed
// 3-3-2 palette or as a 24-bit TGA, and the screen dump.
#include "images/images.h"

#include <cerrno> // Required for: errno
#include <cstdio> // Required for: snprintf
#include <cstring>
#include <string>

#include "platform/atomic_file.h" // Required for: write_file_atomically
#include "platform/platform.h"    // Required for: resolve_path
#include "store/canvas.h"         // Required for: frame_buffer, frame_height, frame_width
#include "store/palette.h"        // Required for: startup_palette
#include "store/prompt.h"         // Required for: log_detail

// Under this conversion mode a 256-colour image is loaded in its 8-bit form;
// the BMP writer leaves it in force for the image loads that follow.
constexpr int BMP_WRITE_CONVERSION = COLORCONV_NONE;
static const char VIEW_FILE[] = "NVMRVIEW.PCX";

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
template <typename Writer>
static int write_replacing(const char* path, Writer write)
{
    char target[512];
    disk_name(path, target, sizeof target);
    if (write_file_atomically(target, write) == 0)
        return 0;
    const int reason = errno;
    log_detail("cannot write %s: %s", path, reason ? strerror(reason) : "the image library could not write it");
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

int save_frame_bmp(const char* path)
{
    const int w = frame_width();
    const int h = frame_height();
    set_color_conversion(BMP_WRITE_CONVERSION);
    generate_332_palette(work_palette);
    if (replay_only)
        return 0;
    BITMAP* image = create_bitmap_ex(8, w, h);
    if (!image) {
        log_detail("cannot write %s: no memory for a %d x %d image", path, w, h);
        return -1;
    }
    if (!fit_palette_ready) {
        memcpy(fit_palette, work_palette, sizeof fit_palette);
        fit_palette_ready = true;
    }
    select_palette(work_palette);
    for (int y = 0; y < h; y++) {
        const uint8_t* src = frame_buffer->line[y];
        uint8_t* dst = image->line[y];
        for (int x = 0; x < w; x++, src += 3)
            dst[x] = fit_332(src[2], src[1], src[0]);
    }
    int result = write_replacing(path, [&](const char* temp) { return save_bmp(temp, image, work_palette); });
    unselect_palette();
    destroy_bitmap(image);
    return result;
}

int save_frame_tga(const char* path)
{
    if (replay_only)
        return 0;
    BITMAP* view = create_sub_bitmap(frame_buffer, 0, 0, frame_width(), frame_height());
    if (!view) {
        log_detail("cannot write %s: a %d x %d frame does not fit the frame buffer", path, frame_width(),
                   frame_height());
        return -1;
    }
    int result = write_replacing(path, [&](const char* temp) { return save_tga(temp, view, startup_palette); });
    destroy_bitmap(view);
    return result;
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
