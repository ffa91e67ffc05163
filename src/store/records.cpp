// Object records: the 64 slots, the store map that snapshots an object page
// into a record and back, the list and drawing orders, the LIST pane.
#include <cstdio>  // Required for: snprintf
#include <cstring> // Required for: memcpy, memset, strncpy

#include "platform/bytes.h" // Required for: get_f64, get_u32, put_f64
#include "store/records.h"  // Required for: MAP_DBL, MAP_FLAG, MAP_INT
#include "store/store.h"    // Required for: D_BITMAP_DISTANCE, D_BITMAP_LIGHTING, D_BITMAP_SPARE

// ---------------------------------------------------------------------------
// Store map, one row per field. Field numbers count the 32-bit words from the
// type (w0) and the doubles from d0. w1/w2 (page frames), d24 (sort distance)
// and the names are handled in code. Restore walks the rows in this order, so
// of two fields restored to one entry the later row wins.

const StoreMapRow store_map[] = {
    // type        field  idx  source     param                 restore
    {OBJ_SKY,    'w',  3, MAP_INT,  I_START_X, 1},
    {OBJ_SKY,    'w',  4, MAP_INT,  I_END_X, 1},
    {OBJ_SKY,    'w',  5, MAP_INT,  I_START_Y, 1},
    {OBJ_SKY,    'w',  6, MAP_INT,  I_END_Y, 1},
    {OBJ_SKY,    'w',  7, MAP_INT,  I_COLOUR_ONE, 1},
    {OBJ_SKY,    'w',  8, MAP_INT,  I_COLOUR_TWO, 1},
    {OBJ_SKY,    'w',  9, MAP_INT,  I_FADE_TYPE, 1},
    {OBJ_SKY,    'w', 10, MAP_INT,  I_STARS, 1},
    {OBJ_SKY,    'w', 11, MAP_FLAG, F_STAR_CALC, 1},
    {OBJ_SKY,    'w', 14, MAP_ZERO, 0, 0},                    // travel type: a sky never moves
    {OBJ_SKY,    'd',  0, MAP_DBL,  D_BRIGHTNESS, 1},
    {OBJ_SKY,    'd',  1, MAP_DBL,  D_TWINKLE, 1},
    {OBJ_SKY,    'd',  2, MAP_DBL,  D_STAR_LONG, 1},
    {OBJ_SKY,    'd',  3, MAP_DBL,  D_STAR_LAT, 1},
    {OBJ_SKY,    'd',  4, MAP_DBL,  D_STAR_LONG_INC, 1},
    {OBJ_SKY,    'd',  5, MAP_DBL,  D_STAR_LAT_INC, 1},
    {OBJ_SKY,    'd',  6, MAP_DBL,  D_SKY_SPARE, 1},
    {OBJ_SKY,    'd',  9, MAP_DBL,  D_REF_DISTANCE, 1},

    {OBJ_PLANET, 'w',  3, MAP_INT,  I_PLANET_NUMBER, 1},
    {OBJ_PLANET, 'w',  4, MAP_INT,  I_PLANET_X, 1},
    {OBJ_PLANET, 'w',  5, MAP_INT,  I_PLANET_Y, 1},
    {OBJ_PLANET, 'w',  6, MAP_FLAG, F_PHASE_ADJUST, 0},
    {OBJ_PLANET, 'w',  7, MAP_FLAG, F_X_PERSPECTIVE, 0},
    {OBJ_PLANET, 'w', 14, MAP_ZERO, 0, 0},                    // planets travel linearly
    {OBJ_PLANET, 'd',  0, MAP_DBL,  D_PLANET_DIAMETER, 1},
    {OBJ_PLANET, 'd',  1, MAP_DBL,  D_OBLATE, 1},
    {OBJ_PLANET, 'd',  2, MAP_DBL,  D_POLAR_ANGLE, 1},
    {OBJ_PLANET, 'd',  3, MAP_DBL,  D_PHASE, 1},
    {OBJ_PLANET, 'd',  4, MAP_DBL,  D_PLANET_LATITUDE, 1},
    {OBJ_PLANET, 'd',  5, MAP_DBL,  D_ROTATION_INC, 1},
    {OBJ_PLANET, 'd',  6, MAP_DBL,  D_ROTATION_INIT, 1},
    {OBJ_PLANET, 'd',  7, MAP_DBL,  D_SHADING, 1},
    {OBJ_PLANET, 'd',  8, MAP_DBL,  D_PLANET_BACKLIGHT, 1},
    {OBJ_PLANET, 'd',  9, MAP_DBL,  D_REF_DISTANCE, 1},
    {OBJ_PLANET, 'd', 10, MAP_DBL,  D_TRAVEL_DISTANCE, 1},
    {OBJ_PLANET, 'd', 11, MAP_DBL,  D_TRAVEL_ANGLE, 1},
    {OBJ_PLANET, 'd', 12, MAP_DBL,  D_PLANET_LIGHTING, 1},

    {OBJ_RING,   'w',  3, MAP_INT,  I_RING_NUMBER, 1},
    {OBJ_RING,   'w',  4, MAP_INT,  I_RING_X, 1},
    {OBJ_RING,   'w',  5, MAP_INT,  I_RING_Y, 1},
    {OBJ_RING,   'w',  6, MAP_INT,  I_PLANET_LOCK, 1},
    {OBJ_RING,   'w',  7, MAP_INT,  I_RING_WIDTH, 1},
    {OBJ_RING,   'w',  8, MAP_INT,  I_RING_HEIGHT, 1},
    {OBJ_RING,   'w',  9, MAP_FLAG, F_PLANET_SHADOW, 1},
    {OBJ_RING,   'w', 10, MAP_FLAG, F_SUBPIXELLATION, 1},
    {OBJ_RING,   'd',  0, MAP_DBL,  D_RING_TRANSPARENCY, 1},
    {OBJ_RING,   'd',  1, MAP_DBL,  D_RING_ROTATION_INIT, 1},
    {OBJ_RING,   'd',  2, MAP_DBL,  D_RING_LIGHTING, 1},
    {OBJ_RING,   'd',  3, MAP_DBL,  D_RING_BACKLIGHT, 1},
    {OBJ_RING,   'd',  9, MAP_DBL,  D_REF_DISTANCE, 1},
    {OBJ_RING,   'd', 10, MAP_DBL,  D_TRAVEL_DISTANCE, 1},
    {OBJ_RING,   'd', 11, MAP_DBL,  D_TRAVEL_ANGLE, 1},

    {OBJ_COMET,  'w',  4, MAP_INT,  I_COMET_X, 1},
    {OBJ_COMET,  'w',  5, MAP_INT,  I_COMET_Y, 1},
    {OBJ_COMET,  'w',  6, MAP_INT,  I_COMET_TYPE, 1},
    {OBJ_COMET,  'w',  7, MAP_INT,  I_COLOUR_ONE, 1},
    {OBJ_COMET,  'w',  8, MAP_INT,  I_COLOUR_TWO, 1},
    {OBJ_COMET,  'w',  9, MAP_INT,  I_MID_COLOUR, 1},
    {OBJ_COMET,  'w', 10, MAP_INT,  I_EDGE_COLOUR, 1},
    {OBJ_COMET,  'w', 11, MAP_INT,  I_COMET_FADE, 1},
    {OBJ_COMET,  'w', 13, MAP_FLAG, F_X_PERSPECTIVE, 0},
    {OBJ_COMET,  'w', 14, MAP_INT,  I_COMET_TRAVEL, 1},
    {OBJ_COMET,  'd',  0, MAP_DBL,  D_COMET_DIAMETER, 1},
    {OBJ_COMET,  'd',  1, MAP_DBL,  D_COMET_ASPECT, 1},
    {OBJ_COMET,  'd',  2, MAP_DBL,  D_ILLUMINATION, 1},
    {OBJ_COMET,  'd',  3, MAP_DBL,  D_COMET_SPARE, 1},
    {OBJ_COMET,  'd',  4, MAP_DBL,  D_SPECKLE, 1},
    {OBJ_COMET,  'd',  5, MAP_DBL,  D_TAIL_ANGLE, 1},
    {OBJ_COMET,  'd',  6, MAP_DBL,  D_VERTICAL_ANGLE, 1},
    {OBJ_COMET,  'd',  9, MAP_DBL,  D_REF_DISTANCE, 1},
    {OBJ_COMET,  'd', 10, MAP_DBL,  D_TRAVEL_DISTANCE, 1},
    {OBJ_COMET,  'd', 11, MAP_DBL,  D_TRAVEL_ANGLE, 1},

    {OBJ_BITMAP, 'w',  4, MAP_INT,  I_BITMAP_X, 1},
    {OBJ_BITMAP, 'w',  5, MAP_INT,  I_BITMAP_Y, 1},
    {OBJ_BITMAP, 'w', 10, MAP_INT,  I_BITMAP_FADE, 1},
    {OBJ_BITMAP, 'w', 11, MAP_FLAG, F_EDGE_ADJUST, 0},
    {OBJ_BITMAP, 'w', 12, MAP_INT,  I_TRANS_FUNCTION, 1},
    {OBJ_BITMAP, 'w', 13, MAP_FLAG, F_BITMAP_FILE_SEARCH, 1},
    {OBJ_BITMAP, 'w', 14, MAP_INT,  I_BITMAP_TRAVEL, 1},
    {OBJ_BITMAP, 'w', 15, MAP_FLAG, F_X_PERSPECTIVE, 0},
    {OBJ_BITMAP, 'w', 16, MAP_FLAG, F_PLOT_BLACK, 1},
    {OBJ_BITMAP, 'd',  0, MAP_DBL,  D_X_SCALE, 1},
    {OBJ_BITMAP, 'd',  1, MAP_DBL,  D_Y_SCALE, 1},
    {OBJ_BITMAP, 'd',  2, MAP_DBL,  D_BITMAP_DISTANCE, 1},
    {OBJ_BITMAP, 'd',  3, MAP_DBL,  D_VERTICAL_ANGLE, 1},
    {OBJ_BITMAP, 'd',  4, MAP_DBL,  D_BITMAP_SPARE, 1},
    {OBJ_BITMAP, 'd',  5, MAP_DBL,  D_BITMAP_TRANSPARENCY, 1},
    {OBJ_BITMAP, 'd',  6, MAP_DBL,  D_BITMAP_LIGHTING, 1},
    {OBJ_BITMAP, 'd',  9, MAP_DBL,  D_BITMAP_DISTANCE, 1},   // restored to REF DISTANCE
    {OBJ_BITMAP, 'd', 10, MAP_DBL,  D_TRAVEL_DISTANCE, 1},
    {OBJ_BITMAP, 'd', 11, MAP_DBL,  D_TRAVEL_ANGLE, 1},
    {OBJ_BITMAP, 'd', 12, MAP_DBL,  D_BITMAP_LIGHTING, 1},
};
const int STORE_MAP_ROWS = (int)(sizeof store_map / sizeof store_map[0]);

// Choice lists brought in line with their integers when a record is restored.
static const int restore_lists[6][4] = {
    {-1},          // (unused)
    {0, 1, -1},    // SKY: fade type, stars
    {-1},          // PLANET
    {-1},          // RING
    {2, 7, 8, -1}, // COMET: type, fade, travel type
    {3, 5, 6, -1}, // BITMAP: fade, transparency function, travel type
};

// ---------------------------------------------------------------------------
// Global tables.

ObjectRecord object_slots[MAX_OBJECTS];
char planet_name_text[32];
int32_t list_order[MAX_OBJECTS];
int32_t depth_order[MAX_OBJECTS];
int32_t object_count;
int32_t current_object;
RingLocks ring_locks;

// The list starts empty: every slot free before start-up runs clear_objects.
[[maybe_unused]] static bool list_initialised = [] {
    clear_objects();
    return true;
}();

// ---------------------------------------------------------------------------
// File-private helpers.

static bool valid_slot(int slot) { return slot >= 0 && slot < MAX_OBJECTS; }

// Copies a record name (which a file may leave unterminated) into dst.
// Copies at most max characters of text into a record name, NUL-padded.
void set_object_name(ObjectRecord& rec, const char* text, int max)
{
    memset(rec.name, 0, sizeof rec.name);
    for (int i = 0; i < max && i < OBJECT_NAME_LEN - 1 && text[i]; i++)
        rec.name[i] = text[i];
}

void copy_object_name(char* dst, size_t dst_size, const ObjectRecord& rec)
{
    size_t n = 0;
    while (n < (size_t)OBJECT_NAME_LEN && n + 1 < dst_size && rec.name[n])
        n++;
    memcpy(dst, rec.name, n);
    dst[n] = 0;
}

// ---------------------------------------------------------------------------
// Record bytes.

void pack_object(const ObjectRecord& rec, uint8_t out[OBJECT_RECORD_SIZE])
{
    for (int i = 0; i < 25; i++)
        put_u32(out + 4 * i, (uint32_t)rec.w[i]);
    for (int i = 0; i < 25; i++) {
        // By value: the record's doubles sit on 4-byte boundaries.
        put_f64(out + offsetof(ObjectRecord, d) + 8 * i, rec.d[i]);
    }
    memcpy(out + offsetof(ObjectRecord, name), rec.name, OBJECT_NAME_LEN);
}

void unpack_object(const uint8_t in[OBJECT_RECORD_SIZE], ObjectRecord* rec)
{
    for (int i = 0; i < 25; i++)
        rec->w[i] = (int32_t)get_u32(in + 4 * i);
    for (int i = 0; i < 25; i++) {
        rec->d[i] = get_f64(in + offsetof(ObjectRecord, d) + 8 * i);
    }
    memcpy(rec->name, in + offsetof(ObjectRecord, name), OBJECT_NAME_LEN);
}

// ---------------------------------------------------------------------------
// Slots and list order.

void clear_slot(int slot)
{
    if (!valid_slot(slot))
        return;
    ObjectRecord& rec = object_slots[slot];
    memset(&rec, 0, sizeof rec);
    rec.type = OBJ_FREE;
    rec.d[24] = -1.0;
    set_object_name(rec, "empty", OBJECT_NAME_LEN);
}

void clear_objects()
{
    object_count = 0;
    current_object = 0;
    for (int i = 0; i < MAX_OBJECTS; i++) {
        list_order[i] = -1;
        depth_order[i] = -1;
        clear_slot(i);
    }
    ring_locks.count = 0;
}

void rebuild_list()
{
    int n = 0;
    for (int s = 0; s < MAX_OBJECTS; s++)
        if (object_slots[s].type >= 0)
            list_order[n++] = s;
    for (int i = n; i < MAX_OBJECTS; i++)
        list_order[i] = -1;
    object_count = n;
    if (current_object > object_count)
        current_object = object_count;
    // A position before the first object means nothing; a hand-made file
    // could hold one.
    if (current_object < 0)
        current_object = 0;
    // Bubble passes, swapping only a strictly smaller distance before a
    // larger one, so equal distances keep slot order.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < n; i++) {
            if (object_slots[list_order[i]].d[9] < object_slots[list_order[i + 1]].d[9]) {
                int32_t t = list_order[i];
                list_order[i] = list_order[i + 1];
                list_order[i + 1] = t;
                swapped = true;
            }
        }
    }
}

int first_free_slot()
{
    if (object_count == 0)
        return 0;
    for (int s = 0; s < MAX_OBJECTS; s++)
        if (object_slots[s].type < 0)
            return s;
    return -1;
}

// ---------------------------------------------------------------------------
// Store map.

void restore_object(int slot)
{
    if (!valid_slot(slot))
        return;
    const ObjectRecord& rec = object_slots[slot];
    int type = rec.type;
    if (type < OBJ_SKY || type > OBJ_BITMAP)
        return;
    page_frames[type].start = rec.w[1];
    page_frames[type].end = rec.w[2];
    for (int r = 0; r < STORE_MAP_ROWS; r++) {
        const StoreMapRow& m = store_map[r];
        if (m.type != type || !m.restore)
            continue;
        if (m.field == 'w') {
            if (m.source == MAP_INT)
                int_param[m.param] = rec.w[m.index];
            else if (m.source == MAP_FLAG)
                flag_param[m.param] = rec.w[m.index];
        } else {
            // The sort distance always returns as REF DISTANCE, whichever
            // entry it came from.
            dbl_param[m.index == 9 ? D_REF_DISTANCE : m.param] = rec.d[m.index];
        }
    }
    for (int k = 0; k < 4 && restore_lists[type][k] >= 0; k++)
        restore_choice(restore_lists[type][k]);
    if (type == OBJ_PLANET)
        copy_object_name(planet_name_text, sizeof planet_name_text, rec);
    else if (type == OBJ_BITMAP)
        copy_object_name(str_param[S_BITMAP_FILE], STR_LEN, rec);
}

// ---------------------------------------------------------------------------
// Names and panes.

const char* object_name_at(int position, int* type)
{
    // The returned text stays valid until the next call.
    static char name[OBJECT_NAME_LEN + 1];
    if (position < 0 || position >= object_count || list_order[position] < 0) {
        if (type)
            *type = OBJ_FREE;
        return "empty";
    }
    const ObjectRecord& rec = object_slots[list_order[position]];
    if (type)
        *type = rec.type;
    copy_object_name(name, sizeof name, rec);
    return name;
}

const char* depth_name_at(int position, double* distance)
{
    static char name[OBJECT_NAME_LEN + 1];
    if (position < 0 || position >= MAX_OBJECTS || depth_order[position] < 0) {
        if (distance)
            *distance = -1.0;
        return "empty";
    }
    const ObjectRecord& rec = object_slots[depth_order[position]];
    if (distance)
        *distance = rec.d[24];
    copy_object_name(name, sizeof name, rec);
    return name;
}

void find_ring_locks(int planet_slot)
{
    ring_locks.count = 0;
    for (int i = 0; i < object_count; i++) {
        int s = list_order[i];
        if (s < 0)
            break;
        if (object_slots[s].type == OBJ_RING && object_slots[s].w[6] == planet_slot + 1)
            ring_locks.slot[ring_locks.count++] = s;
    }
}

int object_pane_lines(char lines[][80], int first_line, int page, int per_page)
{
    if (per_page < 1)
        per_page = 1;
    if (page < 0)
        page = 0;
    snprintf(lines[0], 80, "Project OBJECT List (%d defined) Page %d/%d ", object_count, page + 1,
             object_count / per_page + 1);
    snprintf(lines[1], 80, "Object Name");
    int n = 0;
    for (int i = 0; i < per_page; i++) {
        long j = (long)page * per_page + i;
        if (j >= MAX_OBJECTS)
            break;
        char* line = lines[first_line + n];
        memset(line, 0, 80);
        snprintf(line, 77, "%-3ld %s", j + 1, object_name_at((int)j, nullptr));
        if (j == current_object)
            line[78] = 'A';
        n++;
    }
    return n;
}
