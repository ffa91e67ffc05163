// Frames written under a name the user chose (the batch renderer's
// --output): the format from the extension, PNG through libpng, the folders
// made on the way, the library state of the program's own writers left as
// it was so that no later frame changes.
#include "images/images.h"

#include <png.h>      // Required for: png_create_write_struct, png_write_row
#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: mkdir

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/atomic_file.h" // Required for: write_file_atomically
#include "store/canvas.h"         // Required for: frame_buffer, frame_height, frame_width
#include "store/prompt.h"         // Required for: log_detail

// Makes every folder on the way to a file; errno tells why it could not.
static bool make_folders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// 24-bit RGB, rows top-down, straight from the frame buffer's blue, green,
// red bytes. Deterministic: the same frame gives the same file.
static int write_png(const char* temp)
{
    FILE* f = fopen(temp, "wb");
    if (!f)
        return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    int result = -1;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        // Fast compression: frames are many and big, and a farm waits on them.
        png_set_compression_level(png, 3);
        png_set_IHDR(png, info, (png_uint_32)frame_width(), (png_uint_32)frame_height(), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < frame_height(); y++)
            png_write_row(png, frame_buffer->line[y]);
        png_write_end(png, nullptr);
        result = 0;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (fclose(f) != 0)
        result = -1;
    if (result != 0 && !errno)
        errno = EIO;
    return result;
}

int save_frame_png(const char* path)
{
    if (replay_only)
        return 0;
    if (frame_width() > frame_buffer->w || frame_height() > frame_buffer->h) {
        log_detail("cannot write %s: a %d x %d frame does not fit the frame buffer", path, frame_width(),
                   frame_height());
        return -1;
    }
    if (write_file_atomically(path, write_png) == 0)
        return 0;
    log_detail("cannot write %s: %s", path, errno ? strerror(errno) : "the PNG library could not write it");
    return -1;
}

int save_frame_as(const char* path)
{
    if (replay_only)
        return 0;
    if (!make_folders(path)) {
        log_detail("cannot write %s: %s", path, strerror(errno));
        return -1;
    }
    const char* dot = strrchr(path, '.');
    if (dot && !strcasecmp(dot, ".png"))
        return save_frame_png(path);
    if (dot && !strcasecmp(dot, ".bmp")) {
        // The BMP writer leaves its conversion mode and palette behind for
        // the picture loads that follow; a frame the project itself would
        // not write as BMP must not change them.
        const int conversion = get_color_conversion();
        PALETTE palette;
        memcpy(palette, work_palette, sizeof palette);
        const int result = save_frame_bmp(path);
        set_color_conversion(conversion);
        memcpy(work_palette, palette, sizeof palette);
        return result;
    }
    return save_frame_tga(path);
}
