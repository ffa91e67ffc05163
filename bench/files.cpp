// Frame file writing and per-frame image reading: milliseconds a call for the
// TGA and BMP writers at 640 x 480 and 1,024 x 768, and for reading a
// 640 x 480 TGA backdrop and the bitmap object's picture, in rendered and in
// replayed frames. Runs in a temporary directory it removes.
#include <allegro.h>
#include <unistd.h> // Required for: chdir, mkdtemp, rmdir, unlink

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "images/images.h" // Required for: load_backdrop, load_object_image, save_frame_bmp, save_frame_tga
#include "store/canvas.h"  // Required for: apply_parameters, put_frame_pixel, replay_only
#include "store/store.h"   // Required for: S_BACKDROP, S_BITMAP_FILE
#include "bench_support.h"

static void fill_frame(int w, int h)
{
    int_param[I_WIDTH] = w;
    int_param[I_HEIGHT] = h;
    apply_parameters();
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            put_frame_pixel(x, y, (x * 3 + y) & 255, (y * 5) & 255, (x ^ y) & 255);
}

int main()
{
    if (!bench_start(1024, 768))
        return 1;
    char dir[] = "/tmp/novamir-bench-files-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0)
        return 1;

    printf("%-28s %10s %10s\n", "writer", "640x480", "1024x768");
    for (int bmp = 0; bmp < 2; bmp++) {
        double ms[2];
        for (int k = 0; k < 2; k++) {
            fill_frame(k ? 1024 : 640, k ? 768 : 480);
            ms[k] = ms_per_call([&] { bmp ? save_frame_bmp("F.bmp") : save_frame_tga("F.tga"); });
        }
        printf("%-28s %7.2f ms %7.2f ms\n", bmp ? "save_frame_bmp" : "save_frame_tga", ms[0], ms[1]);
    }

    // The pictures the frames read: the TGA just written, as backdrop and as
    // the bitmap object's picture.
    fill_frame(640, 480);
    save_frame_tga("PIC.TGA");
    printf("%-28s %10s %10s\n", "reader (640x480 TGA)", "render", "replay");
    const char* names[2] = {"load_backdrop", "load_object_image"};
    for (int which = 0; which < 2; which++) {
        double ms[2];
        for (int replay = 0; replay < 2; replay++) {
            replay_only = replay != 0;
            ms[replay] = ms_per_call([&] { which ? load_object_image("PIC.TGA") : load_backdrop("PIC.TGA"); });
        }
        replay_only = false;
        printf("%-28s %7.2f ms %7.2f ms\n", names[which], ms[0], ms[1]);
    }

    for (const char* f : {"F.tga", "F.bmp", "PIC.TGA"})
        unlink(f);
    if (chdir("/tmp") != 0 || rmdir(dir) != 0)
        return 1;
    return 0;
}
