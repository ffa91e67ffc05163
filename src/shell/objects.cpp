// Object list commands: INSERT, F4 SAVE, DELETE, the LIST page's moves, EDIT
// OBJECT and CLEAR OBJECTS, and the snapshot of a page into a record.
#include <cstring> // Required for: memset

#include "planets/planets.h" // Required for: planet_label
#include "shell/shell.h"     // Required for: clear_objects_command, delete_object, edit_object
#include "store/canvas.h"    // Required for: apply_parameters
#include "store/prompt.h"    // Required for: ask_yes_no, tell_user
#include "store/records.h"   // Required for: MAP_FLAG, MAP_INT, MAX_OBJECTS
#include "store/store.h"     // Required for: I_COMET_TYPE, I_PLANET_NUMBER, S_BITMAP_FILE

// Object names given on store; planets and bitmaps take theirs from data.
static const char* const comet_names[5] = {"Coma", "Tail RHS", "Tail LHS", "Halo", "Torus"};
constexpr int STORED_NAME_CHARS = 13; // planet and bitmap names are cut to this

// ---------------------------------------------------------------------------
// File-private helpers.

static bool valid_slot(int slot) { return slot >= 0 && slot < MAX_OBJECTS; }

static void name_object(ObjectRecord& rec, int page)
{
    switch (page) {
    case OBJ_SKY:
        set_object_name(rec, "STAR FIELD", OBJECT_NAME_LEN);
        break;
    case OBJ_PLANET:
        planet_label(int_param[I_PLANET_NUMBER]);
        set_object_name(rec, planet_name_text, STORED_NAME_CHARS);
        break;
    case OBJ_RING:
        set_object_name(rec, "Ring", OBJECT_NAME_LEN);
        break;
    case OBJ_COMET: {
        int t = int_param[I_COMET_TYPE];
        // A comet type no label names keeps the first label's name.
        set_object_name(rec, comet_names[(t >= 0 && t < 5) ? t : 0], OBJECT_NAME_LEN);
        break;
    }
    case OBJ_BITMAP:
        set_object_name(rec, str_param[S_BITMAP_FILE], STORED_NAME_CHARS);
        break;
    }
}

// ---------------------------------------------------------------------------
// Store map.

void store_object(int slot, int page)
{
    if (!valid_slot(slot))
        return;
    if (page < OBJ_SKY || page > OBJ_BITMAP) {
        clear_slot(slot);
        return;
    }
    ObjectRecord& rec = object_slots[slot];
    rec.type = page;
    rec.w[1] = page_frames[page].start;
    rec.w[2] = page_frames[page].end;
    for (int r = 0; r < STORE_MAP_ROWS; r++) {
        const StoreMapRow& m = store_map[r];
        if (m.type != page)
            continue;
        if (m.field == 'w')
            rec.w[m.index] = m.source == MAP_INT ? int_param[m.param]
                           : m.source == MAP_FLAG ? flag_param[m.param]
                                                  : 0;
        else
            rec.d[m.index] = dbl_param[m.param];
    }
    rec.d[24] = rec.d[9]; // the sort distance until a frame moves it
    name_object(rec, page);
}

// ---------------------------------------------------------------------------
// Commands of the object pages and the LIST page.

// List position of a slot, or object_count when it is not listed.
static int position_of(int slot)
{
    for (int i = 0; i < object_count; i++)
        if (list_order[i] == slot)
            return i;
    return object_count;
}

int insert_object(int page)
{
    if (page < OBJ_SKY || page > OBJ_BITMAP)
        return -1;
    int slot = first_free_slot();
    if (slot < 0) {
        tell_user("All %d objects are in use!", MAX_OBJECTS);
        return -1;
    }
    store_object(slot, page);
    rebuild_list();
    current_object = position_of(slot);
    return slot;
}

int replace_object(int page)
{
    if (page < OBJ_SKY || page > OBJ_BITMAP)
        return -1;
    if (object_count == 0 || current_object < 0 || current_object >= object_count) {
        tell_user("No object to save!");
        return -1;
    }
    int slot = list_order[current_object];
    store_object(slot, page);
    rebuild_list();
    current_object = position_of(slot);
    return slot;
}

void delete_object()
{
    if (object_count == 0 || current_object < 0 || current_object >= object_count) {
        tell_user("Nothing to delete!");
        return;
    }
    int slot = list_order[current_object];
    char name[OBJECT_NAME_LEN + 1];
    copy_object_name(name, sizeof name, object_slots[slot]);
    if (ask_yes_no("Delete %s?", name) == 'Y')
        clear_slot(slot);
    rebuild_list();
}

void next_object()
{
    if (object_count > current_object)
        current_object++;
}

void previous_object()
{
    if (current_object > 0)
        current_object--;
}

int edit_object()
{
    if (current_object < 0)
        current_object = 0;
    if (current_object >= object_count || list_order[current_object] < 0) {
        tell_user("Can't edit empty object!");
        return -1;
    }
    int slot = list_order[current_object];
    restore_object(slot);
    apply_parameters();
    return object_slots[slot].type;
}

void clear_objects_command()
{
    if (ask_yes_no("Erase ALL objects?") == 'Y')
        clear_objects();
}

