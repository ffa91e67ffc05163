// Internals shared by the planet renderer, the ring renderer and the planet
// row of the driver (planet.cpp, ring.cpp, locked.cpp).
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int32_t, INT32_MAX, uint64_t
#include <cstring> // Required for: memcmp

// Conversion toward zero, as the renderers' arithmetic asks for; values
// beyond the 32-bit range stop at its ends and NaN gives 0, so an absurd
// setting gives an absurd picture, never undefined behaviour.
inline int32_t trunc_int(double v)
{
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    if (v != v)
        return 0;
    return (int32_t)v;
}

// A span between two truncated corners, kept inside the 32-bit range.
inline int32_t span_int(int64_t v) { return v > INT32_MAX ? INT32_MAX : (int32_t)v; }

// Keeps an arcsine argument inside [-1, 1] (NaN, from 0 / 0 at a pole of the
// light, becomes 0), so a pixel past the limb is lit like the limb.
inline double unit_clamp(double v)
{
    if (v > 1)
        return 1;
    if (v < -1)
        return -1;
    if (v != v)
        return 0;
    return v;
}

// Plot size in whole pixels of the rectangle (+-half_w, +-half_h) turned by
// `turn` degrees, columns widened by the screen aspect: the spans of the four
// truncated corners, minima and maxima starting at 0.
void turned_box(double half_w, double half_h, double turn, double aspect, int32_t* columns,
                int32_t* rows);

// The view a travelling planet or ring is seen in: frame size in pixels,
// PIXELS/DEGREE and X PERSPECTIVE.
struct TravelView {
    int32_t width, height;
    double ppd;
    bool perspective;
};

// Where a travelling planet or ring stands on frame f of its range, seen from
// the viewer: the direction a (degrees) and distance d of the moved point and
// the height Z of the start point. A zero distance becomes zero_d (-1.0 for
// a planet, -0.1 for a ring).
struct TravelPoint {
    double a, d, Z;
};
TravelPoint travel_point(const TravelView& view, int xc, int yc, double ref, double td, double ta, int f,
                         double zero_d);

// Plots palette index 0 on the preview target: the planet's and the ring's
// preview colour for a black pixel when PREVIEW RGB is on.
void plot_preview_zero(int x, int y);

// Sets the ring pass directly: 0 means the next locked ring call draws its
// far half, 1 its near half. The planet row uses it to give every locked
// ring its own pair of passes.
void set_ring_pass(int pass);

// Per-pixel geometry kept between frames (planet.cpp, ring.cpp). An entry is
// found by the value of everything its pixels were computed from, so a
// worker that skips frames, several objects in one frame and edits between
// frames need no invalidation. An object is kept the second time it is met
// unchanged and drawn from what was kept from the third on. Planet and ring entries together stay within
// REUSE_CAP_BYTES, which keeps a worker at 1024 x 768 well under 64 MiB; an
// entry that would pass it is not kept and its object is drawn directly.
constexpr size_t REUSE_CAP_BYTES = (size_t)24 << 20;
extern size_t reuse_cap_bytes; // REUSE_CAP_BYTES; tests lower it to see entries refused
extern size_t reuse_bytes;   // reserved by all planet and ring entries
extern uint64_t reuse_clock; // counts uses; an entry last used at 0 is empty

// The entry whose key equals key byte for byte (keys are built zeroed and
// hold no padding), marked as used now; or null, and *victim the empty or
// least recently used entry.
template <class Entry, size_t N, class Key>
Entry* reuse_lookup(Entry (&table)[N], const Key& key, Entry** victim)
{
    *victim = &table[0];
    for (Entry& e : table) {
        if (e.last_use && memcmp(&e.key, &key, sizeof key) == 0) {
            e.last_use = ++reuse_clock;
            return &e;
        }
        if (e.last_use < (*victim)->last_use)
            *victim = &e;
    }
    return nullptr;
}

// Keys met lately. An entry is kept only for a key met before, so an object
// that changes every frame (one that travels) is drawn at no extra cost; a
// key whose entry outgrew the budget is not tried again.
template <class Key, size_t N> struct SeenKeys {
    Key key[N];
    uint64_t last_use[N]; // 0: free
    bool too_large[N];
};

// True when key was met before and may be kept; a new key is noted in place
// of the key met least recently.
template <class Key, size_t N> bool reuse_seen(SeenKeys<Key, N>& seen, const Key& key)
{
    size_t oldest = 0;
    for (size_t k = 0; k < N; k++) {
        if (seen.last_use[k] && memcmp(&seen.key[k], &key, sizeof key) == 0) {
            seen.last_use[k] = ++reuse_clock;
            return !seen.too_large[k];
        }
        if (seen.last_use[k] < seen.last_use[oldest])
            oldest = k;
    }
    memcpy(&seen.key[oldest], &key, sizeof key);
    seen.last_use[oldest] = ++reuse_clock;
    seen.too_large[oldest] = false;
    return false;
}

// Notes that key's entry did not fit.
template <class Key, size_t N> void reuse_too_large(SeenKeys<Key, N>& seen, const Key& key)
{
    for (size_t k = 0; k < N; k++)
        if (seen.last_use[k] && memcmp(&seen.key[k], &key, sizeof key) == 0)
            seen.too_large[k] = true;
}

// Frees the planet entries (drop_kept_geometry frees the ring entries too).
void drop_planet_geometry();

// Pixels an entry may hold: those of its clip window, as far as the bytes
// left under reuse_cap_bytes allow after `fixed` bytes of row index.
inline size_t reuse_pixel_room(size_t window_pixels, size_t fixed, size_t per_pixel)
{
    if (reuse_bytes + fixed >= reuse_cap_bytes)
        return 0;
    const size_t room = (reuse_cap_bytes - reuse_bytes - fixed) / per_pixel;
    return window_pixels < room ? window_pixels : room;
}
