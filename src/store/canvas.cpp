// Frame buffer, render settings and the preview pixel shared by every renderer.
#include "store/canvas.h"

#include <allegro.h> // Required for: create_bitmap_ex, putpixel, makecol

#include <cstdio> // Required for: snprintf

#include "platform/platform.h" // Required for: fix_24bit_byte_order
#include "store/prompt.h"      // Required for: tell_user_lines
#include "store/store.h"       // Required for: D_ASPECT, D_COMET_ASPECT, F_PREVIEW_RGB

BITMAP* frame_buffer = nullptr;
int32_t page_width = 640, page_height = 480;
RenderSettings rs;
BITMAP* preview_target = nullptr;
void (*present_preview)() = nullptr;
const int32_t* preview_colours = nullptr;
bool replay_only = false;
OverlayValues overlay;
int32_t last_star_count = 0;

int create_frame_buffer(int width, int height)
{
    if (height < 0) {
        height = (3 * width) / 4;
        page_width = width;
        page_height = height;
    }
    // The buffer must hold blue, green, red bytes whatever depth the screen
    // has, so the shifts are set before the bitmap is made.
    fix_24bit_byte_order();
    if (frame_buffer && frame_buffer->w == width && frame_buffer->h == height) {
        clear_to_color(frame_buffer, 0);
        return 0;
    }
    if (frame_buffer)
        destroy_bitmap(frame_buffer);
    frame_buffer = create_bitmap_ex(24, width, height);
    if (!frame_buffer)
        return -1;
    clear_to_color(frame_buffer, 0);
    return 0;
}

void fit_frame_size(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    if (int_param[I_WIDTH] <= width && int_param[I_HEIGHT] <= height)
        return;
    char first[64];
    snprintf(first, sizeof first, "%dx%d exceeds Page size!", int_param[I_WIDTH], int_param[I_HEIGHT]);
    const char* lines[2] = {first, "SIZE ADJUSTED!"};
    tell_user_lines(2, lines);
    int_param[I_WIDTH] = width;
    int_param[I_HEIGHT] = height;
}

void apply_parameters()
{
    for (int k = 0; k < 19; k++)
        rs.i[k] = int_param[k];
    for (int k = 0; k < 33; k++)
        rs.d[k] = dbl_param[k];
    rs.star_calc = flag_param[F_STAR_CALC];
    rs.comet_aspect = dbl_param[D_COMET_ASPECT] * dbl_param[D_ASPECT];
}

void put_frame_pixel(int x, int y, int r, int g, int b)
{
    uint8_t* p = frame_buffer->line[y] + 3 * x;
    p[0] = (uint8_t)b;
    p[1] = (uint8_t)g;
    p[2] = (uint8_t)r;
}

void get_frame_pixel(int x, int y, int* r, int* g, int* b)
{
    const uint8_t* p = frame_buffer->line[y] + 3 * x;
    *b = p[0];
    *g = p[1];
    *r = p[2];
}

void preview_plot(int x, int y, int r, int g, int b)
{
    if (!preview_target)
        return;
    int colour;
    if (flag_param[F_PREVIEW_RGB]) {
        colour = makecol(r, g, b);
    } else {
        int m = (r + g + b) / 3;
        colour = makecol(m, m, m);
    }
    // putpixel clips to the target, so callers need not.
    putpixel(preview_target, x, y, colour);
}

constexpr int PREVIEW_MAX_X = 319;     // backdrop preview: top-left 320 x 240
constexpr int PREVIEW_MAX_Y = 239;
constexpr int PREVIEW_DARK = 216;      // screen colour of near-black RGB previews
constexpr int PREVIEW_DARK_LIMIT = 24;

// Preview colour of one backdrop pixel on the 8-bit screen buffer.
static inline int backdrop_preview_colour(int r, int g, int b)
{
    if (flag_param[F_PREVIEW_RGB]) {
        if (r + g + b == 0)
            return 0;
        if (r <= PREVIEW_DARK_LIMIT && g <= PREVIEW_DARK_LIMIT && b <= PREVIEW_DARK_LIMIT)
            return preview_colours[PREVIEW_DARK];
        return makecol(r, g, b);
    }
    return preview_colours[(r + g + b) / 3];
}

void backdrop_preview_plot(int x, int y, int r, int g, int b)
{
    if (preview_target && preview_colours && x <= PREVIEW_MAX_X && y <= PREVIEW_MAX_Y)
        putpixel(preview_target, x, y, backdrop_preview_colour(r, g, b));
}
