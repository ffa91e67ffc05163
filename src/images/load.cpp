// Image file loading: the bitmap object's picture through the library, and
// the frame backdrop through our own TGA and 8-bit BMP readers or, for PCX,
// through the library into the surface map.
#include "images/images.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "planets/planets.h"   // Required for: surface_map, map_palette, map_width, reset_surface_map
#include "platform/platform.h" // Required for: open_data_file, find_data_file
#include "render/render.h"     // Required for: frame_buffer, put_frame_pixel, rs, replay_only
#include "shell/shell.h"       // Required for: str_param, flag_param, tell_user, file_error_prompt
#include "ui/ui.h"             // Required for: screen_buffer, screen_colours

char image_path[80];
BITMAP* object_image = nullptr;
int32_t image_width = 0, image_height = 0;
PALETTE work_palette;
PALETTE startup_palette;
int32_t backdrop_kind = -1;

enum BackdropKind : int { KIND_UNKNOWN = -1, KIND_TGA = 1, KIND_BMP = 2, KIND_PCX = 3 };

constexpr int TGA_HEADER_SIZE = 18;
constexpr int BMP_HEADER_SIZE = 54;   // file header 14 + information header 40
constexpr int BMP_PALETTE_SIZE = 1024; // 256 x (blue, green, red, reserved)
constexpr int PREVIEW_MAX_X = 319;     // backdrop preview: top-left 320 x 240
constexpr int PREVIEW_MAX_Y = 239;
constexpr int PREVIEW_DARK = 216;      // screen colour of near-black RGB previews
constexpr int PREVIEW_DARK_LIMIT = 24;
// Largest row a backdrop may need: a TGA row is at most 3 x 32,767 bytes;
// a BMP row beyond this is not a picture anybody can paint.
constexpr int64_t MAX_ROW_BYTES = 1 << 24;

// The BMP stream left open by read_bmp_header for load_backdrop.
static FILE* bmp_stream = nullptr;
// Set by load_map_image when the library could not load the picture.
static bool map_image_failed = false;

static int16_t le16(const uint8_t* p) { return (int16_t)(p[0] | p[1] << 8); }
static int32_t le32(const uint8_t* p)
{
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

// Copies at most n bytes of a string and always terminates it.
static void copy_text(char* out, size_t size, const char* text)
{
    snprintf(out, size, "%s", text ? text : "");
}

// Common start of both loaders: the name, the BITMAP PATH, the numbered file.
static void start_image_path(const char* name, int search_flag)
{
    if (flag_param[F_PATH_ENABLE])
        snprintf(image_path, sizeof image_path, "%s%s", str_param[S_BITMAP_PATH], name);
    else
        copy_text(image_path, sizeof image_path, name);
    if (flag_param[search_flag]) {
        char path[sizeof image_path];
        copy_text(path, sizeof path, image_path);
        frame_numbered_name(path);
    }
}

int frame_numbered_name(const char* path)
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
    char numbered[sizeof copy + 16];
    snprintf(numbered, sizeof numbered, "%s%03d", copy, current_frame());
    if (dot) {
        size_t at = strlen(numbered);
        for (int k = 0; k < 4 && path[d + k] && at + 1 < sizeof numbered; k++)
            numbered[at++] = path[d + k];
        numbered[at] = 0;
    }
    FILE* f = open_data_file(numbered, "rb");
    if (!f)
        return 0;
    fclose(f);
    copy_text(image_path, sizeof image_path, numbered);
    return 1;
}

int load_object_image(const char* name)
{
    start_image_path(name, F_BITMAP_FILE_SEARCH);
    set_color_conversion(COLORCONV_NONE);
    char real[512];
    FILE* f = find_data_file(image_path, real, sizeof real) ? fopen(real, "rb") : nullptr;
    if (!f)
        return file_error_prompt(0, name);
    fclose(f);
    if (object_image)
        destroy_bitmap(object_image);
    object_image = load_bitmap(real, work_palette);
    if (!object_image) {
        tell_user("Image loading error!");
        return 1;
    }
    image_width = object_image->w;
    image_height = object_image->h;
    return 0;
}

void palette_to_rgb(const PALETTE pal, uint8_t rgb[256][3])
{
    for (int i = 0; i < 256; i++) {
        rgb[i][0] = (uint8_t)(pal[i].r * 4);
        rgb[i][1] = (uint8_t)(pal[i].g * 4);
        rgb[i][2] = (uint8_t)(pal[i].b * 4);
    }
}

void rgb_to_palette(const uint8_t rgb[256][3], PALETTE pal)
{
    for (int i = 0; i < 256; i++) {
        pal[i].r = (unsigned char)(rgb[i][0] / 4);
        pal[i].g = (unsigned char)(rgb[i][1] / 4);
        pal[i].b = (unsigned char)(rgb[i][2] / 4);
    }
}

// Opens the 8-bit BMP, reads its size and palette and leaves the stream at
// the first (bottom) pixel row in bmp_stream. 0, or 1 after a message.
static int read_bmp_header(const char* path)
{
    FILE* f = open_data_file(path, "rb");
    if (!f) {
        tell_user("Can't find BMP image file!");
        return 1;
    }
    uint8_t head[BMP_HEADER_SIZE];
    if (fread(head, 1, sizeof head, f) != sizeof head) {
        fclose(f);
        tell_user("%s: the BMP header is cut short", path);
        return 1;
    }
    int32_t width = le32(head + 18);
    int32_t height = le32(head + 22);
    int bits = (uint16_t)le16(head + 28);
    if (bits != 8) {
        fclose(f);
        tell_user("NOT a 256 colour BMP image!");
        return 1;
    }
    uint8_t table[BMP_PALETTE_SIZE];
    if (fread(table, 1, sizeof table, f) != sizeof table) {
        fclose(f);
        tell_user("%s: the BMP colour table is cut short", path);
        return 1;
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
    if (object_image)
        destroy_bitmap(object_image);
    char real[512];
    object_image = find_data_file(path, real, sizeof real) ? load_bitmap(real, work_palette) : nullptr;
    if (!object_image) {
        map_image_failed = true;
        tell_user("Can't find image file %s\n", path);
        return 0;
    }
    reset_surface_map(0);
    const int screen_w = frame_buffer ? frame_buffer->w : 0;
    const int screen_h = frame_buffer ? frame_buffer->h : 0;
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

// Preview colour of one backdrop pixel on the 8-bit screen buffer.
static inline int backdrop_preview_colour(int r, int g, int b)
{
    if (flag_param[F_PREVIEW_RGB]) {
        if (r + g + b == 0)
            return 0;
        if (r <= PREVIEW_DARK_LIMIT && g <= PREVIEW_DARK_LIMIT && b <= PREVIEW_DARK_LIMIT)
            return screen_colours[PREVIEW_DARK];
        return makecol(r, g, b);
    }
    return screen_colours[(r + g + b) / 3];
}

static void store_backdrop_pixel(int x, int y, int r, int g, int b)
{
    put_frame_pixel(x, y, r, g, b);
    if (screen_buffer && x <= PREVIEW_MAX_X && y <= PREVIEW_MAX_Y)
        putpixel(screen_buffer, x, y, backdrop_preview_colour(r, g, b));
}

int load_backdrop(const char* name)
{
    if (!name || !name[0])
        return 1;
    start_image_path(name, F_BACKDROP_FILE_SEARCH);
    FILE* f = open_data_file(image_path, "rb");
    if (!f)
        return file_error_prompt(0, name);

    backdrop_kind = KIND_UNKNOWN;
    uint8_t head[TGA_HEADER_SIZE] = {0};
    size_t got = fread(head, 1, sizeof head, f);
    int64_t row_bytes = 0;
    if (got >= 2 && (uint16_t)le16(head) == 0x4D42) {
        fclose(f);
        f = nullptr;
        backdrop_kind = KIND_BMP;
        if (read_bmp_header(image_path) != 0)
            return 1;
        f = bmp_stream;
        bmp_stream = nullptr;
        row_bytes = ((int64_t)image_width + 3) / 4 * 4;
    } else if (got >= 2 && (uint16_t)le16(head) == 0x050A) {
        fclose(f);
        f = nullptr;
        backdrop_kind = KIND_PCX;
        load_map_image(image_path);
        row_bytes = image_width;
    } else if (got == TGA_HEADER_SIZE && head[2] == 2 && head[16] == 24) {
        backdrop_kind = KIND_TGA;
        image_width = le16(head + 12);
        image_height = le16(head + 14);
        row_bytes = 3 * (int64_t)image_width;
        if (head[0] != 0) {
            uint8_t skip[256];
            if (fread(skip, 1, head[0], f) != head[0]) {
                fclose(f);
                tell_user("%s: the TGA file ends inside its header", image_path);
                return 1;
            }
        }
    }
    if (backdrop_kind == KIND_UNKNOWN) {
        fclose(f);
        tell_user("Unknown Image format error!");
        return 1;
    }
    if (backdrop_kind == KIND_PCX && map_image_failed)
        return 0; // reported by load_map_image; the frame goes on without a backdrop

    const int W = frame_width();
    const int H = frame_height();
    const int w = image_width;
    const int h = image_height;
    if (w <= 0 || h <= 0) {
        // A top-down BMP (negative height) or an empty picture paints no rows.
        if (f)
            fclose(f);
        return 0;
    }
    if (row_bytes > MAX_ROW_BYTES) {
        if (f)
            fclose(f);
        tell_user("%s: image width %d is too large", image_path, w);
        return 1;
    }
    uint8_t* row = (uint8_t*)malloc((size_t)row_bytes + 16);
    if (!row) {
        if (f)
            fclose(f);
        tell_user("Image memory error!");
        return 1;
    }

    int rows, first_row, skip = 0;
    if (h > H) {
        skip = (h - H) / 2;
        rows = H;
        first_row = 0;
    } else {
        rows = h;
        first_row = (H - h) / 2;
    }
    int source_col, columns, first_col;
    if (w > W) {
        source_col = (w - W) / 2;
        columns = W;
        first_col = 0;
    } else {
        first_col = (W - w) / 2;
        columns = w;
        source_col = 0;
    }

    int result = 0;
    if (backdrop_kind == KIND_TGA) {
        for (int i = 0; i < skip && result == 0; i++)
            if (fread(row, 1, (size_t)row_bytes, f) != (size_t)row_bytes)
                result = 1;
    }
    const bool top_down = head[17] == 32;
    for (int i = 0; i < rows && result == 0; i++) {
        int y;
        const uint8_t* src;
        if (backdrop_kind == KIND_PCX) {
            y = first_row + i;
            int map_row = skip + i;
            if (!surface_map || map_row >= MAP_MAX_HEIGHT)
                break;
            src = surface_map->line[map_row] + source_col;
        } else {
            if (fread(row, 1, (size_t)row_bytes, f) != (size_t)row_bytes) {
                result = 1;
                break;
            }
            if (backdrop_kind == KIND_TGA)
                y = top_down ? first_row + i : first_row + rows - 1 - i;
            else
                y = first_row + rows - 1 - i;
            src = row + (backdrop_kind == KIND_TGA ? 3 * (int64_t)source_col : source_col);
        }
        if (replay_only)
            continue;
        if (backdrop_kind == KIND_TGA) {
            for (int k = 0; k < columns; k++)
                store_backdrop_pixel(first_col + k, y, src[3 * k + 2], src[3 * k + 1], src[3 * k]);
        } else {
            for (int k = 0; k < columns; k++) {
                const uint8_t* c = map_palette[src[k]];
                store_backdrop_pixel(first_col + k, y, c[0], c[1], c[2]);
            }
        }
    }
    free(row);
    if (f)
        fclose(f);
    if (result != 0)
        tell_user("%s: the file ends before its last pixel row", image_path);
    return result;
}
