// Scene order: each object's distance at a frame and the far-to-near drawing
// order of the frame.
#pragma once

// ---------------------------------------------------------------------------
// Motion and drawing order.

// Updates d[24] of the slot for the frame (types 2..5).
void frame_distance(int slot, int frame);
// Orders depth_order by d[24], far first, stable.
void depth_sort();
// The driver's per-frame step: list order into depth order, every distance, sort.
void order_frame(int frame);
