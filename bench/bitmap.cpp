// Bitmap object drawing speed: a 640 x 480 picture scaled down, 1:1 and up
// (to the 1,024-column cap) over a 640 x 480 frame.
#include <allegro.h>
#include <ctime>
#include <cstdio>
#include <cstring>

#include "images/images.h" // Required for: bitmap_place, draw_bitmap, object_image
#include "store/canvas.h"  // Required for: RENDER_FRAME
#include "store/store.h"   // Required for: D_BITMAP_DISTANCE, D_BITMAP_LIGHTING, D_BITMAP_TRANSPARENCY
#include "store/surface.h" // Required for: image_height, image_width
#include "bench_support.h"

// Draws the bitmap set up in the store for about a second; objects per second.
static double objects_per_second(int skip_black)
{
    return 1000.0 / ms_per_call(
                        [&] {
                            place_bitmap();
                            draw_bitmap(skip_black, RENDER_FRAME);
                        },
                        1.0);
}

int main()
{
    if (!bench_start(640, 480))
        return 1;
    page_frames[PAGE_BITMAP] = {0, 20};

    // A picture with detail and some black, as a sprite has.
    object_image = create_bitmap_ex(24, 640, 480);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            putpixel(object_image, x, y, ((x / 16 + y / 16) % 5 == 0) ? 0 : makecol24(x & 255, y & 255, (x ^ y) & 255));
    image_width = 640;
    image_height = 480;

    dbl_param[D_BITMAP_DISTANCE] = 100;
    dbl_param[D_BITMAP_LIGHTING] = 1.1;
    dbl_param[D_BITMAP_TRANSPARENCY] = 0.2;
    int_param[I_BITMAP_X] = 320;
    int_param[I_BITMAP_Y] = 240;
    flag_param[F_EDGE_ADJUST] = 1;

    const double scales[] = {0.37, 0.5, 1.0, 1.6, 2.3};
    printf("%6s %10s %12s %14s\n", "scale", "plot", "objects/s", "PIXEL, skip");
    for (double s : scales) {
        dbl_param[D_X_SCALE] = s;
        dbl_param[D_Y_SCALE] = s;
        int_param[I_TRANS_FUNCTION] = 0;
        place_bitmap();
        const double flat = objects_per_second(0);
        int_param[I_TRANS_FUNCTION] = 5;
        const double pixel = objects_per_second(1);
        printf("%6.2f %4dx%-5d %12.1f %14.1f\n", s, bitmap_place.iw, bitmap_place.ih, flat, pixel);
    }
    return 0;
}
