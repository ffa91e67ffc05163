// Image file loading: the bitmap object's picture through the library, and
// the frame backdrop through our own TGA and 8-bit BMP readers or, for PCX,
// through the library into the surface map, or, for PNG and JPEG, through
// the library's add-ons into a picture of its own.
#include "images/images.h"
#include "images/formats.h"        // Required for: FORMAT_PCX, ImageCheck, check_backdrop_bmp
#include "platform/bytes.h"        // Required for: get_i16, get_i32, get_u16
#include "platform/platform.h"     // Required for: LOOKUP_NONE, LOOKUP_UNREADABLE, find_data_file
#include "store/canvas.h"          // Required for: backdrop_preview_plot, current_frame, frame_buffer
#include "store/palette.h"         // Required for: palette_to_rgb
#include "store/prompt.h"          // Required for: file_error_prompt, log_detail, tell_user_file
#include "store/store.h"           // Required for: F_BACKDROP_FILE_SEARCH, F_BITMAP_FILE_SEARCH, F_PATH_ENABLE
#include "store/surface.h"         // Required for: full_map, image_height, image_width
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

#include <jpgalleg.h> // Required for: load_jpg
#include <loadpng.h>  // Required for: load_png
#include <cstdio>
#include <cstdlib>
#include <cstring>

char image_path[80];
BITMAP* object_image = nullptr;
PALETTE work_palette;
int32_t backdrop_kind = -1;
char object_image_file[512];
int32_t object_image_conversion = 0;

enum BackdropKind : int { KIND_UNKNOWN = -1, KIND_TGA = 1, KIND_BMP = 2, KIND_PCX = 3, KIND_PICTURE = 4 };

constexpr int TGA_HEADER_SIZE = 18;
constexpr int BMP_HEADER_SIZE = 54;   // file header 14 + information header 40
constexpr int BMP_PALETTE_SIZE = 1024; // 256 x (blue, green, red, reserved)

// Largest backdrop file kept in memory between frames: a 4,096 x 4,096 TGA
// is 48 MiB. A larger picture is read from its file on every frame.
constexpr size_t HELD_BACKDROP_MAX = 64u << 20;
// A decode writes 6-bit palette entries; an entry still at this value after
// one was left alone.
constexpr uint8_t UNWRITTEN = 255;
// Conversion mode, colour depth and the channel positions of four depths.
constexpr int DECODE_SETTINGS = 14;

// The BMP stream left open by read_bmp_header for load_backdrop.
static FILE* bmp_stream = nullptr;
// Set by load_map_image when the library could not load the picture.
static bool map_image_failed = false;
// A PNG or JPEG backdrop as the library decoded it, held while it is painted.
static BITMAP* backdrop_picture = nullptr;
static PALETTE backdrop_picture_palette;

// Pictures read on every frame are read once and kept while their file stays
// as it was: the path as looked up and the same identity on disk (device and
// inode tell it from any other file, size and times from its earlier states).
// A changed file is read, and checked, again; a refused file is never kept,
// so its messages come every time.
//
// The bitmap object's picture as the library decoded it. The decode depends
// on the conversion mode, the colour depth and the channel positions as well
// as on the bytes, so those are kept with it.
static struct {
    char path[512];       // path as looked up; "" when nothing is held
    FileIdentity file;
    int settings[DECODE_SETTINGS]; // decode_settings when it was decoded
    BITMAP* picture;      // a copy of what the decode gave
    RGB palette[256];     // the palette as the decode left it, UNWRITTEN where it did not write
} held_picture;

// The backdrop file's bytes (TGA and BMP; PCX goes through the library), and
// whether the current load reads them instead of the file.
static struct {
    char path[512];
    FileIdentity file;
    uint8_t* bytes; // null when nothing is held
    size_t size;
    bool in_use;
} held_backdrop;

// Everything besides the file's bytes that the library's decode depends on.
static void decode_settings(int out[DECODE_SETTINGS])
{
    const int values[DECODE_SETTINGS] = {get_color_conversion(), get_color_depth(),
                            _rgb_r_shift_15,        _rgb_g_shift_15,
                            _rgb_b_shift_15,        _rgb_r_shift_16,
                            _rgb_g_shift_16,        _rgb_b_shift_16,
                            _rgb_r_shift_24,        _rgb_g_shift_24,
                            _rgb_b_shift_24,        _rgb_r_shift_32,
                            _rgb_g_shift_32,        _rgb_b_shift_32};
    memcpy(out, values, sizeof values);
}

// Copies a memory bitmap into another of its size and depth: into itself,
// or a new one that replaces it (into is destroyed). Null, with into left as
// it was, when there is no memory for a new one.
static BITMAP* copy_bitmap(BITMAP* from, BITMAP* into)
{
    const int depth = bitmap_color_depth(from);
    BITMAP* out = into;
    if (!out || out->w != from->w || out->h != from->h || bitmap_color_depth(out) != depth)
        out = create_bitmap_ex(depth, from->w, from->h);
    if (!out)
        return nullptr;
    if (into && out != into)
        destroy_bitmap(into);
    blit(from, out, 0, 0, 0, 0, from->w, from->h);
    return out;
}

// Takes into work_palette the entries a decode wrote, as if it had written
// into work_palette itself.
static void merge_palette(const RGB* decoded)
{
    for (int i = 0; i < 256; i++) {
        const RGB& c = decoded[i];
        if (c.r == UNWRITTEN && c.g == UNWRITTEN && c.b == UNWRITTEN)
            continue;
        work_palette[i].r = c.r;
        work_palette[i].g = c.g;
        work_palette[i].b = c.b;
        if (c.filler != UNWRITTEN)
            work_palette[i].filler = c.filler;
    }
}

// Puts the held picture in object_image when it was decoded from this very
// file under the settings in force; false when it was not.
static bool take_held_picture(const char* real, const FileIdentity& file)
{
    int settings[DECODE_SETTINGS];
    decode_settings(settings);
    if (!held_picture.picture || strcmp(held_picture.path, real) != 0 || !same_file(held_picture.file, file) ||
        memcmp(settings, held_picture.settings, sizeof settings) != 0)
        return false;
    BITMAP* image = copy_bitmap(held_picture.picture, object_image);
    if (!image)
        return false;
    object_image = image;
    merge_palette(held_picture.palette);
    snprintf(object_image_file, sizeof object_image_file, "%s", real);
    object_image_conversion = get_color_conversion();
    return true;
}

// Decodes the picture at real into object_image and work_palette, as the
// library's load_bitmap does, and keeps a copy when the file (its identity
// taken before the decode) has settled.
static void decode_held_picture(const char* real, const FileIdentity* file)
{
    if (object_image)
        destroy_bitmap(object_image);
    PALETTE probe;
    memset(probe, UNWRITTEN, sizeof probe);
    object_image = load_bitmap(real, probe);
    merge_palette(probe);
    snprintf(object_image_file, sizeof object_image_file, "%s", object_image ? real : "");
    object_image_conversion = get_color_conversion();

    held_picture.path[0] = 0;
    if (!object_image || !file || !identity_settled(*file)) {
        if (held_picture.picture)
            destroy_bitmap(held_picture.picture);
        held_picture.picture = nullptr;
        return;
    }
    BITMAP* copy = copy_bitmap(object_image, held_picture.picture);
    if (!copy) {
        if (held_picture.picture)
            destroy_bitmap(held_picture.picture);
        held_picture.picture = nullptr;
        return;
    }
    held_picture.picture = copy;
    snprintf(held_picture.path, sizeof held_picture.path, "%s", real);
    held_picture.file = *file;
    decode_settings(held_picture.settings);
    memcpy(held_picture.palette, probe, sizeof probe);
}

// Opens the backdrop at real: the held bytes when the current load uses them.
static FILE* open_backdrop(const char* real)
{
    if (held_backdrop.in_use)
        return fmemopen(held_backdrop.bytes, held_backdrop.size, "rb");
    return fopen(real, "rb");
}

// Keeps the bytes of a backdrop that was read and painted whole, when the
// file is still the one whose identity was taken before the read.
static void hold_backdrop(const char* real, const FileIdentity& file)
{
    if (file.size <= 0 || (unsigned long long)file.size > HELD_BACKDROP_MAX || !identity_settled(file))
        return;
    FILE* f = fopen(real, "rb");
    if (!f)
        return;
    FileIdentity now;
    uint8_t* bytes = nullptr;
    if (file_identity(fileno(f), &now) == 0 && same_file(now, file))
        bytes = (uint8_t*)malloc((size_t)file.size);
    if (bytes && fread(bytes, 1, (size_t)file.size, f) == (size_t)file.size && fgetc(f) == EOF) {
        free(held_backdrop.bytes);
        held_backdrop.bytes = bytes;
        held_backdrop.size = (size_t)file.size;
        held_backdrop.file = file;
        snprintf(held_backdrop.path, sizeof held_backdrop.path, "%s", real);
    } else {
        free(bytes);
    }
    fclose(f);
}

// Reads a picture into object_image, remembering where from.
static void read_object_image(const char* real)
{
    if (object_image)
        destroy_bitmap(object_image);
    object_image = real ? load_bitmap(real, work_palette) : nullptr;
    snprintf(object_image_file, sizeof object_image_file, "%s", object_image ? real : "");
    object_image_conversion = get_color_conversion();
}

// Copies at most n bytes of a string and always terminates it.
static void copy_text(char* out, size_t size, const char* text)
{
    const size_t n = text ? strnlen(text, size - 1) : 0;
    memcpy(out, text ? text : "", n);
    out[n] = 0;
}

// The frame-numbered form of path (SHIP.TGA at frame 7 gives SHIP007.TGA).
static void numbered_name(const char* path, char* out, size_t out_size)
{
    int s = 0, d = 0;
    bool dot = false;
    const int len = (int)strlen(path);
    for (int k = 0; k < len; k++) {
        if (path[k] == '\\' || path[k] == '/')
            s = k;
        if (path[k] == '.') {
            d = k;
            dot = true;
        }
    }
    char copy[sizeof image_path + 8];
    copy_text(copy, sizeof copy, path);
    if (s + 5 < (int)sizeof copy)
        copy[s + 5] = 0;
    if (d > s && d < (int)sizeof copy)
        copy[d] = 0;
    snprintf(out, out_size, "%s%03d", copy, current_frame());
    if (dot) {
        size_t at = strlen(out);
        for (int k = 0; k < 4 && path[d + k] && at + 1 < out_size; k++)
            out[at++] = path[d + k];
        out[at] = 0;
    }
}

// Common start of both loaders: the name, the BITMAP PATH, the numbered file,
// looked up directory by directory (numbered name, then plain name, in each).
// Returns 0 with the file's real path in real, LOOKUP_NONE, or
// LOOKUP_UNREADABLE after saying which file could not be read and why.
static int start_image_path(const char* name, int search_flag, char* real, size_t real_size)
{
    if (flag_param[F_PATH_ENABLE])
        join_path_prefix(str_param[S_BITMAP_PATH], name, image_path, sizeof image_path);
    else
        copy_text(image_path, sizeof image_path, name);
    char numbered[sizeof image_path + 32] = "";
    if (flag_param[search_flag])
        numbered_name(image_path, numbered, sizeof numbered);
    const char* names[2] = {numbered, image_path};
    char reason[128];
    const int found = find_data_file_first(names, 2, real, real_size, reason, sizeof reason);
    if (found == 0)
        copy_text(image_path, sizeof image_path, numbered);
    if (found == LOOKUP_UNREADABLE) {
        log_detail("%s: cannot be read: %s", real, reason);
        return LOOKUP_UNREADABLE;
    }
    return found < 0 ? LOOKUP_NONE : 0;
}

int frame_numbered_name(const char* path)
{
    char numbered[sizeof image_path + 32];
    numbered_name(path, numbered, sizeof numbered);
    // The same lookup as the loaders': found only where it can be read.
    const char* names[1] = {numbered};
    char real[512], reason[128];
    if (find_data_file_first(names, 1, real, sizeof real, reason, sizeof reason) != 0)
        return 0;
    copy_text(image_path, sizeof image_path, numbered);
    return 1;
}

int load_object_image(const char* name)
{
    char real[512];
    const int found = start_image_path(name, F_BITMAP_FILE_SEARCH, real, sizeof real);
    set_color_conversion(COLORCONV_NONE);
    if (found != 0)
        return file_error_prompt(0, name);
    FileIdentity file{};
    const bool known = file_identity(real, &file) == 0;
    if (known && take_held_picture(real, file)) {
        image_width = object_image->w;
        image_height = object_image->h;
        return 0;
    }
    // The library's readers trust their headers; the file is checked first,
    // and a refused file leaves the held image as it was.
    ImageCheck check;
    if (check_library_image(real, format_by_extension(real), &check) != 0) {
        log_detail("%s: %s", image_path, check.why);
        tell_user_file(image_path, "Image loading error!");
        return 1;
    }
    decode_held_picture(real, known ? &file : nullptr);
    if (!object_image) {
        tell_user_file(image_path, "Image loading error!");
        return 1;
    }
    image_width = object_image->w;
    image_height = object_image->h;
    return 0;
}

// A backdrop file the checks refused: the box keeps the program's short
// text, the console and the log say which file and why.
static int refuse_backdrop(const char* why)
{
    log_detail("%s: %s", image_path, why);
    tell_user_file(image_path, "Image loading error!");
    return 1;
}

// Opens the 8-bit BMP at its real path, reads its size and palette and leaves
// the stream at the first (bottom) pixel row in bmp_stream. 0, or 1 after a
// message.
static int read_bmp_header(const char* path)
{
    FILE* f = open_backdrop(path);
    if (!f) {
        tell_user_file(image_path, "Can't find BMP image file!");
        return 1;
    }
    uint8_t head[BMP_HEADER_SIZE];
    if (fread(head, 1, sizeof head, f) != sizeof head) {
        fclose(f);
        return refuse_backdrop("the file ends inside its header");
    }
    int32_t width = get_i32(head + 18);
    int32_t height = get_i32(head + 22);
    int bits = get_u16(head + 28);
    if (bits != 8) {
        fclose(f);
        tell_user_file(image_path, "NOT a 256 colour BMP image!");
        return 1;
    }
    ImageCheck check;
    uint8_t table[BMP_PALETTE_SIZE];
    check.why[0] = 0;
    if ((!held_backdrop.in_use && check_backdrop_bmp(path, &check) != 0) ||
        fread(table, 1, sizeof table, f) != sizeof table) {
        fclose(f);
        return refuse_backdrop(check.why[0] ? check.why : "the file ends inside its colour table");
    }
    image_width = width;
    image_height = height < frame_height() ? height : frame_height();
    for (int i = 0; i < 256; i++) {
        map_palette[i][0] = table[4 * i + 2];
        map_palette[i][1] = table[4 * i + 1];
        map_palette[i][2] = table[4 * i + 0];
    }
    bmp_stream = f;
    return 0;
}

int load_map_image(const char* path)
{
    map_image_failed = false;
    char real[512];
    read_object_image(find_data_file(path, real, sizeof real) ? real : nullptr);
    if (!object_image) {
        map_image_failed = true;
        tell_user_file(path, "Can't find image file %s\n", path);
        return 0;
    }
    reset_surface_map(0);
    const int screen_w = frame_buffer ? page_width : 0;
    const int screen_h = frame_buffer ? page_height : 0;
    int w = object_image->w;
    if (w > screen_w)
        w = screen_w;
    if (w > map_width)
        w = map_width;
    int h = object_image->h;
    if (h > screen_h)
        h = screen_h;
    if (h > MAP_MAX_HEIGHT)
        h = MAP_MAX_HEIGHT;
    if (w > MAP_MAX_WIDTH)
        w = MAP_MAX_WIDTH;
    image_width = w;
    image_height = h;
    palette_to_rgb(work_palette, map_palette);
    if (surface_map)
        blit(object_image, surface_map, 0, 0, 0, 0, w, h);
    full_map = w > 256;
    return 0;
}

static void store_backdrop_pixel(int x, int y, int r, int g, int b)
{
    put_frame_pixel(x, y, r, g, b);
    backdrop_preview_plot(x, y, r, g, b);
}

// What load_backdrop knows of the open picture between its stages.
struct BackdropFile {
    FILE* f;                       // the stream rows are read from; null for PCX
    uint8_t head[TGA_HEADER_SIZE]; // the first bytes of the file (zero past its end)
    int64_t row_bytes;             // bytes of one stored row
};

// Which part of the picture lands where: centred on the frame and cut to it.
struct BackdropWindow {
    int rows, first_row, skip;          // rows painted, first frame row, source rows passed over
    int columns, first_col, source_col; // columns painted, first frame column, first source column
};

// Decodes a PNG or JPEG into backdrop_picture at the file's own depth (the
// conversion mode in force is left as it was), by its content whatever its
// name says. 0, or 1 when it cannot.
static int read_backdrop_picture(const char* real, ImageFormat format)
{
    const int conversion = get_color_conversion();
    set_color_conversion(COLORCONV_NONE);
    backdrop_picture = format == FORMAT_PNG ? load_png(real, backdrop_picture_palette)
                                            : load_jpg(real, backdrop_picture_palette);
    set_color_conversion(conversion);
    return backdrop_picture ? 0 : 1;
}

// One row of backdrop_picture from column x as blue, green, red triples. A
// colour-mapped picture takes its palette's 6-bit values times 4, as a PCX
// backdrop does.
static void picture_row(int row, int x, int columns, uint8_t* out)
{
    const int depth = bitmap_color_depth(backdrop_picture);
    for (int k = 0; k < columns; k++) {
        const int c = getpixel(backdrop_picture, x + k, row);
        if (depth == 8) {
            out[3 * k + 2] = (uint8_t)(backdrop_picture_palette[c].r * 4);
            out[3 * k + 1] = (uint8_t)(backdrop_picture_palette[c].g * 4);
            out[3 * k + 0] = (uint8_t)(backdrop_picture_palette[c].b * 4);
        } else {
            out[3 * k + 2] = (uint8_t)getr_depth(depth, c);
            out[3 * k + 1] = (uint8_t)getg_depth(depth, c);
            out[3 * k + 0] = (uint8_t)getb_depth(depth, c);
        }
    }
}

// Tells the kind from the first bytes and checks the whole file before a
// pixel is painted, so that a refused file leaves the frame as it was.
// Returns -1 when the rows can be painted, else load_backdrop's result.
static int identify_backdrop(const char* real, BackdropFile& b)
{
    backdrop_kind = KIND_UNKNOWN;
    size_t got = fread(b.head, 1, sizeof b.head, b.f);
    ImageCheck check;
    if (got >= 2 && get_u16(b.head) == 0x4D42) {
        fclose(b.f);
        b.f = nullptr;
        backdrop_kind = KIND_BMP;
        if (read_bmp_header(real) != 0)
            return 1;
        b.f = bmp_stream;
        bmp_stream = nullptr;
        b.row_bytes = ((int64_t)image_width + 3) / 4 * 4;
    } else if (got >= 2 && get_u16(b.head) == 0x050A) {
        fclose(b.f);
        b.f = nullptr;
        backdrop_kind = KIND_PCX;
        if (check_library_image(real, FORMAT_PCX, &check) != 0)
            return refuse_backdrop(check.why);
        load_map_image(image_path);
        b.row_bytes = image_width;
    } else if (got == TGA_HEADER_SIZE && b.head[2] == 2 && b.head[16] == 24) {
        backdrop_kind = KIND_TGA;
        if (!held_backdrop.in_use && check_backdrop_tga(real, &check) != 0) {
            fclose(b.f);
            return refuse_backdrop(check.why);
        }
        image_width = get_i16(b.head + 12);
        image_height = get_i16(b.head + 14);
        b.row_bytes = 3 * (int64_t)image_width;
        if (b.head[0] != 0) {
            uint8_t skip[256];
            if (fread(skip, 1, b.head[0], b.f) != b.head[0]) {
                fclose(b.f);
                return refuse_backdrop("the file ends inside its identification field");
            }
        }
    } else if (const ImageFormat picture = picture_format_by_signature(b.head, got); picture != FORMAT_UNKNOWN) {
        fclose(b.f);
        b.f = nullptr;
        backdrop_kind = KIND_PICTURE;
        if (check_library_image(real, picture, &check) != 0)
            return refuse_backdrop(check.why);
        if (read_backdrop_picture(real, picture) != 0)
            return refuse_backdrop("the picture library could not decode it");
        image_width = backdrop_picture->w;
        image_height = backdrop_picture->h;
        b.row_bytes = 3 * (int64_t)image_width;
    }
    if (backdrop_kind == KIND_UNKNOWN) {
        fclose(b.f);
        tell_user_file(image_path, "Unknown Image format error!");
        return 1;
    }
    if (backdrop_kind == KIND_PCX && map_image_failed)
        return 0; // reported by load_map_image; the frame goes on without a backdrop
    return -1;
}

// A picture larger than the frame shows its middle; a smaller one sits in
// the middle of the frame.
static BackdropWindow backdrop_window(int W, int H, int w, int h)
{
    BackdropWindow win;
    win.skip = 0;
    if (h > H) {
        win.skip = (h - H) / 2;
        win.rows = H;
        win.first_row = 0;
    } else {
        win.rows = h;
        win.first_row = (H - h) / 2;
    }
    if (w > W) {
        win.source_col = (w - W) / 2;
        win.columns = W;
        win.first_col = 0;
    } else {
        win.first_col = (W - w) / 2;
        win.columns = w;
        win.source_col = 0;
    }
    return win;
}

// One painted row from its source bytes: BGR triples for a TGA, palette
// indices otherwise.
static void paint_backdrop_row(const BackdropWindow& win, int y, const uint8_t* src)
{
    if (!(preview_target && preview_colours)) {
        // Nothing to plot on a preview: the row goes straight into the
        // frame buffer, whose pixels are blue, green, red bytes as a TGA's are.
        uint8_t* dst = frame_buffer->line[y] + 3 * (int64_t)win.first_col;
        if (backdrop_kind == KIND_TGA || backdrop_kind == KIND_PICTURE) {
            memcpy(dst, src, 3 * (size_t)win.columns);
            return;
        }
        for (int k = 0; k < win.columns; k++, dst += 3) {
            const uint8_t* c = map_palette[src[k]];
            dst[0] = c[2];
            dst[1] = c[1];
            dst[2] = c[0];
        }
        return;
    }
    if (backdrop_kind == KIND_TGA || backdrop_kind == KIND_PICTURE) {
        for (int k = 0; k < win.columns; k++)
            store_backdrop_pixel(win.first_col + k, y, src[3 * k + 2], src[3 * k + 1], src[3 * k]);
    } else {
        for (int k = 0; k < win.columns; k++) {
            const uint8_t* c = map_palette[src[k]];
            store_backdrop_pixel(win.first_col + k, y, c[0], c[1], c[2]);
        }
    }
}

// Reads (or, for PCX, takes from the surface map) and paints the rows of the
// window; 1 when the file ends before its last row.
static int paint_backdrop_rows(const BackdropFile& b, const BackdropWindow& win, uint8_t* row)
{
    int result = 0;
    if (backdrop_kind == KIND_TGA) {
        for (int i = 0; i < win.skip && result == 0; i++)
            if (fread(row, 1, (size_t)b.row_bytes, b.f) != (size_t)b.row_bytes)
                result = 1;
    }
    const bool top_down = b.head[17] == 32;
    for (int i = 0; i < win.rows && result == 0; i++) {
        int y;
        const uint8_t* src;
        if (backdrop_kind == KIND_PCX) {
            y = win.first_row + i;
            int map_row = win.skip + i;
            if (!surface_map || map_row >= MAP_MAX_HEIGHT)
                break;
            src = surface_map->line[map_row] + win.source_col;
        } else if (backdrop_kind == KIND_PICTURE) {
            y = win.first_row + i;
            picture_row(win.skip + i, win.source_col, win.columns, row);
            src = row;
        } else {
            if (fread(row, 1, (size_t)b.row_bytes, b.f) != (size_t)b.row_bytes) {
                result = 1;
                break;
            }
            if (backdrop_kind == KIND_TGA)
                y = top_down ? win.first_row + i : win.first_row + win.rows - 1 - i;
            else
                y = win.first_row + win.rows - 1 - i;
            src = row + (backdrop_kind == KIND_TGA ? 3 * (int64_t)win.source_col : win.source_col);
        }
        if (replay_only)
            continue;
        paint_backdrop_row(win, y, src);
    }
    return result;
}

static int paint_backdrop(BackdropFile& b);

int load_backdrop(const char* name)
{
    if (!name || !name[0])
        return 1;
    char real[512];
    if (start_image_path(name, F_BACKDROP_FILE_SEARCH, real, sizeof real) != 0)
        return file_error_prompt(0, name);
    FileIdentity file{};
    const bool known = file_identity(real, &file) == 0;
    held_backdrop.in_use = known && held_backdrop.bytes && strcmp(held_backdrop.path, real) == 0 &&
                           same_file(held_backdrop.file, file);
    BackdropFile b = {open_backdrop(real), {0}, 0};
    if (!b.f)
        return file_error_prompt(0, name);
    const int identified = identify_backdrop(real, b);
    int result;
    if (identified >= 0) {
        result = identified;
    } else if (held_backdrop.in_use && replay_only) {
        // Held bytes passed the checks, which found every row there: a
        // replay would only read them to paint nothing.
        if (b.f)
            fclose(b.f);
        result = 0;
    } else {
        result = paint_backdrop(b);
        if (result == 0 && !held_backdrop.in_use && known && (backdrop_kind == KIND_TGA || backdrop_kind == KIND_BMP))
            hold_backdrop(real, file);
    }
    if (backdrop_picture) {
        destroy_bitmap(backdrop_picture);
        backdrop_picture = nullptr;
    }
    return result;
}

// Paints the identified backdrop; load_backdrop's result.
static int paint_backdrop(BackdropFile& b)
{
    const int W = frame_width();
    const int H = frame_height();
    const int w = image_width;
    const int h = image_height;
    if (w <= 0 || h <= 0) {
        // A top-down BMP (negative height) paints no rows.
        if (b.f)
            fclose(b.f);
        return 0;
    }
    uint8_t* row = (uint8_t*)malloc((size_t)b.row_bytes + 16);
    if (!row) {
        if (b.f)
            fclose(b.f);
        tell_user_file(image_path, "Image memory error!");
        return 1;
    }
    const int result = paint_backdrop_rows(b, backdrop_window(W, H, w, h), row);
    free(row);
    if (b.f)
        fclose(b.f);
    if (result != 0)
        return refuse_backdrop("the file ends before its last pixel row");
    return result;
}
