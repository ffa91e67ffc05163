// The driver's planet row: a planet with the rings locked to it, far halves
// of the rings before the planet and near halves after it.
#include "planets/planets.h"

#include <cstring> // Required for: memcpy

#include "planets/render_local.h" // Required for: set_ring_pass
#include "store/records.h"        // Required for: MAX_OBJECTS, find_ring_locks, restore_object
#include "store/store.h"          // Required for: CHOICE_LISTS, ChoiceList, DBL_PARAMS

// ---------------------------------------------------------------------------
// File-private state: the store as the planet's restore left it, and the
// rings of the row, so that restoring a ring for its own settings can be
// undone before the planet is set up again and before the row ends.
static struct {
    int32_t ints[INT_PARAMS];
    double dbls[DBL_PARAMS];
    int32_t flags[FLAG_PARAMS];
    char strs[STR_PARAMS][STR_LEN];
    ChoiceList choices[CHOICE_LISTS];
    PageFrames frames[MENU_PAGES];
    int32_t rings[MAX_OBJECTS];
    int ring_count;
} row;

static void keep_store()
{
    memcpy(row.ints, int_param, sizeof row.ints);
    memcpy(row.dbls, dbl_param, sizeof row.dbls);
    memcpy(row.flags, flag_param, sizeof row.flags);
    memcpy(row.strs, str_param, sizeof row.strs);
    memcpy(row.choices, choice_list, sizeof row.choices);
    memcpy(row.frames, page_frames, sizeof row.frames);
}

static void put_back_store()
{
    memcpy(int_param, row.ints, sizeof row.ints);
    memcpy(dbl_param, row.dbls, sizeof row.dbls);
    memcpy(flag_param, row.flags, sizeof row.flags);
    memcpy(str_param, row.strs, sizeof row.strs);
    memcpy(choice_list, row.choices, sizeof row.choices);
    memcpy(page_frames, row.frames, sizeof row.frames);
}

// ---------------------------------------------------------------------------
// Public functions.

void draw_planet_object(int slot, int flags)
{
    const int number = int_param[I_PLANET_NUMBER];
    find_ring_locks(slot);
    if (ring_locks.count <= 0) {
        setup_planet(number);
        render_planet(flags);
        return;
    }
    row.ring_count = ring_locks.count < MAX_OBJECTS ? ring_locks.count : MAX_OBJECTS;
    memcpy(row.rings, ring_locks.slot, sizeof(int32_t) * row.ring_count);

    // Every ring is drawn with its own record's ring settings, restored over
    // the planet's store; the render settings keep the planet's placement,
    // because nothing refreshes them until the planet is set up again.
    keep_store();
    setup_planet(number);
    for (int k = 0; k < row.ring_count; k++) {
        restore_object(row.rings[k]);
        reset_ring_pass();
        render_ring(flags, slot);
    }

    // The rings replaced the planet's picture and some shared entries
    // (REF DISTANCE, the travel): the planet is set up again from its own store.
    put_back_store();
    setup_planet(number);
    render_planet(flags);

    for (int k = 0; k < row.ring_count; k++) {
        restore_object(row.rings[k]);
        set_ring_pass(1);
        render_ring(flags, slot);
    }
    // Later objects and the pages see the store the planet's restore left.
    put_back_store();
}
