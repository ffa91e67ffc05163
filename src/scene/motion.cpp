// Motion over frames: each object's distance at a frame and the far-to-near
// drawing order of the frame.
#include <cmath> // Required for: sin, cos, sqrt

#include "platform/angles.h" // Required for: DEG2RAD
#include "scene/scene.h"     // Required for: depth_sort, frame_distance, order_frame
#include "store/canvas.h"    // Required for: rs
#include "store/geometry.h"  // Required for: travel_offset
#include "store/records.h"   // Required for: MAX_OBJECTS, OBJ_BITMAP, OBJ_PLANET
#include "store/store.h"     // Required for: D_PIXELS_PER_DEGREE, F_X_PERSPECTIVE, I_WIDTH

void frame_distance(int slot, int frame)
{
    if (slot < 0 || slot >= MAX_OBJECTS)
        return;
    ObjectRecord& rec = object_slots[slot];
    if (rec.type < OBJ_PLANET || rec.type > OBJ_BITMAP)
        return;
    double D = rec.d[10];
    if (D == 0)
        return;
    double s = travel_offset(D, rec.w[14], rec.w[1], rec.w[2], frame);
    if (frame < rec.w[1] || frame > rec.w[2])
        return;
    double R = rec.d[9];
    // Direction of the object's column seen from the viewer: 90 degrees at
    // the centre column. The integer difference is taken in 64 bits so that
    // no stored centre can overflow it.
    int64_t column_offset = (int64_t)(rs.i[I_WIDTH] / 2) - (int64_t)rec.w[4];
    double alpha = ((double)column_offset / rs.d[D_PIXELS_PER_DEGREE] + 90) * DEG2RAD;
    bool perspective = flag_param[F_X_PERSPECTIVE] != 0;
    double y = std::cos(alpha) * R;
    double x = perspective ? std::sin(alpha) * R : R;
    double beta = (90 + rec.d[11]) * DEG2RAD;
    y = y + std::cos(beta) * s;
    x = x + std::sin(beta) * s;
    rec.d[24] = perspective ? std::sqrt(x * x + y * y) : x;
}

void depth_sort()
{
    int n = object_count;
    if (n > MAX_OBJECTS)
        n = MAX_OBJECTS;
    // Bubble passes, swapping only a strictly nearer object before a farther
    // one, so equal distances keep list order.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < n; i++) {
            int a = depth_order[i], b = depth_order[i + 1];
            if (a < 0 || b < 0)
                break;
            if (object_slots[a].d[24] < object_slots[b].d[24]) {
                depth_order[i] = b;
                depth_order[i + 1] = a;
                swapped = true;
            }
        }
    }
}

void order_frame(int frame)
{
    for (int i = 0; i < MAX_OBJECTS; i++)
        depth_order[i] = list_order[i];
    for (int i = 0; i < object_count && i < MAX_OBJECTS; i++)
        if (list_order[i] >= 0)
            frame_distance(list_order[i], frame);
    depth_sort();
}
