// The driver's planet row: a planet with the rings locked to it, far halves
// of the rings before the planet and near halves after it.
#include "planets/planets.h"

#include <cstring> // Required for: memcpy

#include "planets/render_local.h" // Required for: set_ring_pass
#include "store/canvas.h"         // Required for: apply_parameters
#include "store/records.h"        // Required for: MAX_OBJECTS, find_ring_locks, restore_object
#include "store/store.h"          // Required for: CHOICE_LISTS, ChoiceList, DBL_PARAMS

// ---------------------------------------------------------------------------
// File-private state: the store as the planet's restore left it, kept while
// the rings of the row are restored over it to read their settings, and
// those settings, one per ring.
static struct {
    int32_t ints[INT_PARAMS];
    double dbls[DBL_PARAMS];
    int32_t flags[FLAG_PARAMS];
    char strs[STR_PARAMS][STR_LEN];
    ChoiceList choices[CHOICE_LISTS];
    PageFrames frames[MENU_PAGES];
    RingSettings rings[MAX_OBJECTS];
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

// Each ring's settings: its record restored over the planet's store, the
// rings in list order, so an entry a ring record does not carry is the one
// the ring before it left. Restoring does not touch the render settings,
// which stay the planet's. Later objects and the pages see the store the
// planet's restore left, so it is put back.
static void read_ring_settings(const int32_t* slots, int count)
{
    keep_store();
    for (int k = 0; k < count; k++) {
        restore_object(slots[k]);
        row.rings[k] = ring_settings();
    }
    put_back_store();
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

    apply_parameters();
    const PlanetSettings planet = planet_settings();
    read_ring_settings(ring_locks.slot, row.ring_count);

    setup_planet_from(planet, number);
    for (int k = 0; k < row.ring_count; k++) {
        reset_ring_pass();
        render_ring_from(row.rings[k], flags, slot);
    }

    // The rings replaced the planet's picture in the surface map.
    setup_planet_from(planet, number);
    render_planet(flags);

    for (int k = 0; k < row.ring_count; k++) {
        set_ring_pass(1);
        render_ring_from(row.rings[k], flags, slot);
    }
}
