// Internals shared by the gradient and the star field (backdrop.cpp, stars.cpp).
#pragma once

// The sky rectangle START X/Y .. END X/Y: put in order (x0 <= x1, y0 <= y1)
// when asked, then the END values clipped to the last column and row of a
// W x H frame. The START values are never clipped.
inline void sky_rectangle(int* x0, int* y0, int* x1, int* y1, bool order, int W, int H)
{
    if (order) {
        if (*x0 > *x1) {
            int s = *x0;
            *x0 = *x1;
            *x1 = s;
        }
        if (*y0 > *y1) {
            int s = *y0;
            *y0 = *y1;
            *y1 = s;
        }
    }
    if (*y1 >= H)
        *y1 = H - 1;
    if (*x1 >= W)
        *x1 = W - 1;
}
