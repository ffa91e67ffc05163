// Bitmap object renderer: a picture placed with perspective, scaled by exact
// area averaging, lit, faded and blended over the frame buffer.
#include <allegro.h> // Required for: BITMAP, bitmap_color_depth, getpixel, getr_depth, _rgb_* shifts
#include <cstdint>   // Required for: int32_t, uint8_t, uint16_t, uint32_t

#include "images/images.h"   // Required for: BitmapPlacement, bitmap_place, draw_bitmap
#include "store/canvas.h"    // Required for: RENDER_FRAME, RENDER_PREVIEW, current_frame, frame_width
#include "store/geometry.h"  // Required for: travel_offset, travel_place
#include "store/store.h"     // Required for: D_BITMAP_DISTANCE, D_BITMAP_LIGHTING, D_BITMAP_TRANSPARENCY
#include "store/surface.h"   // Required for: image_height, image_width

// ---------------------------------------------------------------------------
// Constants

// Replaces a depth of exactly 0 so the projection stays finite.
static constexpr double ZERO_DEPTH = -0.01;
// Output columns one row can hold: the width of the widest frame buffer.
static constexpr int MAX_COLUMNS = 1024;
// Divisor of the PIXEL function: a white pixel stays slightly transparent.
static constexpr double PIXEL_DIVISOR = 768.0;

enum TransFunction : int { TRANS_FLAT = 0, TRANS_LEFT = 1, TRANS_RIGHT = 2, TRANS_TOP = 3, TRANS_BOTTOM = 4, TRANS_PIXEL = 5 };
enum BitmapFade : int { FADE_NONE = 0, FADE_IN = 1, FADE_OUT = 2 };

// ---------------------------------------------------------------------------
// Types

// One output column of the row being built: colour sums of the source pixels
// it covers, each weighted by its share, and the share of black pixels apart.
struct ColumnAccumulator {
    int32_t red, green, blue;
    float black; // summed weight of black source pixels
};

// ---------------------------------------------------------------------------
// Global tables

BitmapPlacement bitmap_place;

// Distance of the picture on this frame: DISTANCE at rest, the depth after
// travel. Set by place_bitmap for the draw_bitmap that follows.
static double placed_depth;

// ---------------------------------------------------------------------------
// File-private state: one draw_bitmap call.

static struct {
    ColumnAccumulator columns[MAX_COLUMNS];
    // Source picture.
    BITMAP* image;
    const uint8_t* row; // image row being read
    int depth;
    int32_t width, height;  // readable area: image size limited to the bitmap
    int32_t palette[256][3]; // work_palette at 0..252, for 8-bit pictures
    // Settings of this object and frame, fixed for the whole draw.
    int32_t frame_w, frame_h;
    int skip_black, mode;
    double light;      // LIGHTING, faded
    double floor_t;    // transparency floor from the fade
    int edge_adjust;
    int function;      // TRANS FUNCTION
    double flat_t;     // TRANSPARENCY
    double half_sw, half_sh;
    int32_t half_iw, half_ih;
    double row_t;      // TOP or BOTTOM transparency of the current row
} draw;

// ---------------------------------------------------------------------------
// File-private helpers

// Conversion toward zero. A value that int cannot hold (or NaN) gives
// INT32_MIN, as the processor's own conversion does, instead of undefined
// behaviour: sizes that large then draw nothing.
static int32_t trunc_i(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return (int32_t)v;
}

// Pictures of 15 or 16 bits go through the library's own pixel functions.
static __attribute__((noinline)) void library_rgb(int x, int y, int* r, int* g, int* b)
{
    const int c = getpixel(draw.image, x, y);
    *r = getr_depth(draw.depth, c);
    *g = getg_depth(draw.depth, c);
    *b = getb_depth(draw.depth, c);
}

// Reads source pixel (x, y) as 0..255 channels, exactly as the library's
// getpixel and getr_depth/getg_depth/getb_depth would, straight from memory.
static inline __attribute__((always_inline)) void source_rgb(int x, int y, int* r, int* g, int* b)
{
    const uint8_t* row = draw.row;
    switch (draw.depth) {
    case 8: {
        const int32_t* c = draw.palette[row[x]];
        *r = c[0];
        *g = c[1];
        *b = c[2];
        return;
    }
    case 24: {
        const uint8_t* p = row + 3 * x;
        const int c = p[0] | (p[1] << 8) | (p[2] << 16);
        *r = (c >> _rgb_r_shift_24) & 0xFF;
        *g = (c >> _rgb_g_shift_24) & 0xFF;
        *b = (c >> _rgb_b_shift_24) & 0xFF;
        return;
    }
    case 32: {
        const int c = (int)((const uint32_t*)row)[x];
        *r = (c >> _rgb_r_shift_32) & 0xFF;
        *g = (c >> _rgb_g_shift_32) & 0xFF;
        *b = (c >> _rgb_b_shift_32) & 0xFF;
        return;
    }
    default:
        library_rgb(x, y, r, g, b);
        return;
    }
}

// Adds source pixel (x, y) with weight w to output column i. Each product is
// truncated on its own, so the sums may fall a few units short of the true mean.
static inline __attribute__((always_inline)) void accumulate_pixel(int i, int x, int y, double w)
{
    if (x < 0 || x >= draw.width || y < 0 || y >= draw.height)
        return;
    int red, green, blue;
    source_rgb(x, y, &red, &green, &blue);
    // A weight is at most the coverage of one pixel (below 2) times that of
    // one row: the products always fit an int.
    const int32_t r = (int32_t)(w * red);
    const int32_t g = (int32_t)(w * green);
    const int32_t b = (int32_t)(w * blue);
    ColumnAccumulator& c = draw.columns[i];
    if (r + g + b == 0) {
        c.black += w;
    } else {
        c.red += r;
        c.green += g;
        c.blue += b;
    }
}

// Spreads source row r, with row weight w, over the output columns: each
// output column takes the source columns it covers, the first and last of
// them only in part.
static void resample_row(int r, double w)
{
    const BitmapPlacement& p = bitmap_place;
    if (r < 0 || r >= draw.height)
        return; // a row outside the picture contributes nothing
    draw.row = draw.image->line[r];
    int s = 0;
    double q = p.sx; // width of source column s not yet given to a column
    for (int i = 0; i < p.iw; i++) {
        double k = i == 0 ? 1 - (double)p.fleft : 1; // width of column i still to fill
        while (k >= q) {
            accumulate_pixel(i, s, r, w * q);
            s = s + 1;
            k = k - q;
            q = p.sx;
        }
        if (k > 0) {
            accumulate_pixel(i, s, r, w * k);
            q = q - k;
        }
    }
}

// Lights, fades and blends output column i of output row j into the frame.
static void put_bitmap_pixel(int i, int j)
{
    const BitmapPlacement& p = bitmap_place;
    const int x = p.ileft + i;
    const int y = p.itop + j;
    if (x < 0 || x >= draw.frame_w || y < 0 || y >= draw.frame_h)
        return;
    const ColumnAccumulator& c = draw.columns[i];
    int32_t red = trunc_i(draw.light * c.red);
    int32_t green = trunc_i(draw.light * c.green);
    int32_t blue = trunc_i(draw.light * c.blue);

    // A pixel lit to black is drawn opaque: no transparency, no blend.
    if ((int64_t)red + green + blue != 0) {
        double t0 = draw.floor_t;
        if (draw.edge_adjust && c.black > t0)
            t0 = c.black;
        double t;
        switch (draw.function) {
        case TRANS_FLAT:
            t = draw.flat_t;
            break;
        case TRANS_LEFT:
            t = i < draw.half_iw ? 1 - i / draw.half_sw : 0;
            break;
        case TRANS_RIGHT:
            t = i > draw.half_iw ? (i - draw.half_iw) / draw.half_sw : 0;
            break;
        case TRANS_TOP:
        case TRANS_BOTTOM:
            t = draw.row_t;
            break;
        case TRANS_PIXEL:
            t = 1 - ((int64_t)red + green + blue) / PIXEL_DIVISOR;
            break;
        default:
            t = 0;
            break;
        }
        if (t > t0)
            t0 = t;
        t0 = t0 > 1 ? 1 : t0 < 0 ? 0 : t0;
        const double opacity = 1 - t0;
        red = trunc_i((red > 255 ? 255 : red) * opacity);
        green = trunc_i((green > 255 ? 255 : green) * opacity);
        blue = trunc_i((blue > 255 ? 255 : blue) * opacity);
        if (t0 > 0) {
            int fr, fg, fb;
            get_frame_pixel(x, y, &fr, &fg, &fb);
            red += trunc_i(t0 * fr);
            green += trunc_i(t0 * fg);
            blue += trunc_i(t0 * fb);
        }
    }
    // Channels are bytes; a negative LIGHTING gives 0 rather than a wrapped value.
    red = red > 255 ? 255 : red < 0 ? 0 : red;
    green = green > 255 ? 255 : green < 0 ? 0 : green;
    blue = blue > 255 ? 255 : blue < 0 ? 0 : blue;
    const int grey = (red + green + blue) / 3;
    if (draw.skip_black == 1 && grey == 0)
        return;
    if (draw.mode & RENDER_FRAME)
        put_frame_pixel(x, y, red, green, blue);
    if (draw.mode & RENDER_PREVIEW)
        preview_plot(x, y, red, green, blue);
}

// Per-draw settings: the fade, the transparency function and the source.
static void prepare_draw(const BitmapSettings& s, int skip_black, int mode)
{
    const BitmapPlacement& p = bitmap_place;
    const int start = s.start_frame;
    const int end = s.end_frame;
    const int frame = s.frame;

    draw.frame_w = s.width;
    draw.frame_h = s.height;
    draw.skip_black = skip_black;
    draw.mode = mode;
    draw.light = s.lighting;
    draw.floor_t = 0;
    const int fade = s.fade;
    if (fade == FADE_IN || fade == FADE_OUT) {
        int n = end - start;
        if (n < 1)
            n = 1;
        if (fade == FADE_IN)
            draw.light = s.lighting * (frame - start) / n;
        else
            draw.light = s.lighting * (end - frame) / n;
        draw.floor_t = 1 - draw.light;
    }
    draw.edge_adjust = s.edge_adjust;
    draw.function = s.function;
    draw.flat_t = s.transparency;
    draw.half_sw = p.sw / 2;
    draw.half_sh = p.sh / 2;
    draw.half_iw = p.iw / 2;
    draw.half_ih = p.ih / 2;

    draw.image = object_image;
    draw.depth = bitmap_color_depth(object_image);
    // Never read beyond the bitmap, whatever image_width and image_height say.
    draw.width = image_width < object_image->w ? image_width : object_image->w;
    draw.height = image_height < object_image->h ? image_height : object_image->h;
    for (int n = 0; n < 256; n++) {
        draw.palette[n][0] = work_palette[n].r * 4;
        draw.palette[n][1] = work_palette[n].g * 4;
        draw.palette[n][2] = work_palette[n].b * 4;
    }
}

// The TOP and BOTTOM functions depend on the output row only.
static double row_transparency(int j)
{
    if (draw.function == TRANS_TOP)
        return j < draw.half_ih ? 1 - j / draw.half_sh : 0;
    if (draw.function == TRANS_BOTTOM)
        return j > draw.half_ih ? (j - draw.half_ih) / draw.half_sh : 0;
    return 0;
}

// The preview overlay shows the picture's size, scale, plotted size and position.
static void leave_overlay()
{
    const BitmapPlacement& p = bitmap_place;
    overlay.scale = p.sx;
    overlay.image_w = image_width;
    overlay.image_h = image_height;
    overlay.plot_w = p.iw;
    overlay.plot_h = p.ih;
    overlay.plot_x = p.centre_x;
    overlay.plot_y = p.centre_y;
}

// ---------------------------------------------------------------------------
// Public functions

BitmapSettings bitmap_settings()
{
    BitmapSettings s;
    s.width = frame_width();
    s.height = frame_height();
    s.ppd = dbl_param[D_PIXELS_PER_DEGREE];
    s.x = int_param[I_BITMAP_X];
    s.y = int_param[I_BITMAP_Y];
    s.x_scale = dbl_param[D_X_SCALE];
    s.y_scale = dbl_param[D_Y_SCALE];
    s.distance = dbl_param[D_BITMAP_DISTANCE];
    s.travel_distance = dbl_param[D_TRAVEL_DISTANCE];
    s.travel_angle = dbl_param[D_TRAVEL_ANGLE];
    s.vertical_angle = dbl_param[D_VERTICAL_ANGLE];
    s.travel_type = int_param[I_BITMAP_TRAVEL];
    s.perspective = flag_param[F_X_PERSPECTIVE] != 0;
    s.lighting = dbl_param[D_BITMAP_LIGHTING];
    s.fade = int_param[I_BITMAP_FADE];
    s.edge_adjust = flag_param[F_EDGE_ADJUST];
    s.function = int_param[I_TRANS_FUNCTION];
    s.transparency = dbl_param[D_BITMAP_TRANSPARENCY];
    s.frame = current_frame();
    s.start_frame = page_frames[PAGE_BITMAP].start;
    s.end_frame = page_frames[PAGE_BITMAP].end;
    return s;
}

void place_bitmap()
{
    const BitmapSettings s = bitmap_settings();
    BitmapPlacement& p = bitmap_place;
    const double travel = s.travel_distance;
    if (travel == 0) {
        p.centre_x = s.x;
        p.centre_y = s.y;
        p.sx = s.x_scale;
        p.sy = s.y_scale;
        placed_depth = s.distance;
    } else {
        const double r = s.distance;
        const double d = travel_offset(travel, s.travel_type, s.start_frame, s.end_frame, s.frame);
        // Without X PERSPECTIVE the picture moves in a flat plane at distance
        // R: the start position lies close to, not exactly on, X CENTRE.
        const TravelPlace at = travel_place(s.width, s.height, s.ppd, s.perspective, s.x, s.y, r, d,
                                            s.vertical_angle, s.travel_angle, ZERO_DEPTH);
        const double depth = at.depth;
        placed_depth = depth;
        p.centre_x = at.x;
        p.centre_y = at.y;
        p.sx = s.x_scale * r / depth;
        p.sy = r * s.y_scale / depth;
    }
    p.sh = p.sy * image_height;
    p.sw = p.sx * image_width;
    p.iw = trunc_i(p.sw);
    if (p.iw > MAX_COLUMNS) {
        p.iw = MAX_COLUMNS;
        p.sx = (double)MAX_COLUMNS / image_width;
        p.sw = MAX_COLUMNS;
    }
    p.ih = trunc_i(p.sh);
    leave_overlay();
}

void draw_bitmap(int skip_black, int mode)
{
    const BitmapSettings s = bitmap_settings();
    BitmapPlacement& p = bitmap_place;
    if (!object_image)
        return;
    p.left = p.centre_x - p.sw / 2;
    p.top = p.centre_y - p.sh / 2;
    p.right = p.left + p.sw;
    p.bottom = p.top + p.sh;
    p.ileft = trunc_i(p.left);
    p.itop = trunc_i(p.top);
    p.iw = trunc_i(p.right - p.left);
    p.ih = trunc_i(p.bottom - p.top);
    if (p.iw > MAX_COLUMNS)
        p.iw = MAX_COLUMNS; // rounding of right - left; the accumulators hold no more
    p.fleft = (float)(p.left - p.ileft);
    p.ftop = (float)(p.top - p.itop);

    // A picture at or behind the viewer, or at a DISTANCE of 0, would come
    // out mirrored or empty: it is not drawn. Neither is one that lies wholly
    // outside the frame, which saves running through its rows.
    if (replay_only || p.iw <= 0 || p.ih <= 0 || !(p.sx > 0) || !(p.sy > 0) || !(placed_depth > 0) ||
        s.distance == 0)
        return;
    if ((int64_t)p.ileft + p.iw <= 0 || p.ileft >= s.width || (int64_t)p.itop + p.ih <= 0 ||
        p.itop >= s.height)
        return;

    prepare_draw(s, skip_black, mode);
    int r = 0;        // source row being consumed
    double q = p.sy;  // height of source row r not yet given to a row
    for (int j = 0; j < p.ih; j++) {
        const int64_t y = (int64_t)p.itop + j;
        if (y >= draw.frame_h)
            break; // no later row is drawn and nothing else depends on them
        const bool drawn = y >= 0;
        double k = j == 0 ? 1 - (double)p.ftop : 1; // height of row j still to fill
        if (drawn) {
            for (int i = 0; i < p.iw; i++)
                draw.columns[i] = ColumnAccumulator{0, 0, 0, 0.0f};
        }
        while (k >= q) {
            if (drawn)
                resample_row(r, q);
            r = r + 1;
            k = k - q;
            q = p.sy;
        }
        if (k > 0) {
            if (drawn)
                resample_row(r, k);
            q = q - k;
        }
        if (drawn) {
            draw.row_t = row_transparency(j);
            for (int i = 0; i < p.iw; i++)
                put_bitmap_pixel(i, j);
        }
    }
}
