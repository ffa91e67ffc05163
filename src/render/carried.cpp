// The state one frame leaves for the next, taken out of the globals and put
// back, so a worker can start where a sequential run would be.
#include "render/batch.h"

#include <allegro.h> // Required for: get_color_conversion, set_color_conversion

#include <cstring> // Required for: memcpy

#include "store/geometry.h" // Required for: tilt_kc, tilt_ks
#include "store/surface.h"  // Required for: full_map, map_palette, surface_map

// Copies one global (array or record) to or from its place in the state.
// One list serves both directions, so a field cannot be taken and not given back.
template <typename T>
static void carry(T& global, T& held, bool capture)
{
    if (capture)
        memcpy(&held, &global, sizeof held);
    else
        memcpy(&global, &held, sizeof held);
}

static void carry_all(CarriedState* s, bool capture)
{
    carry(int_param, s->int_param, capture);
    carry(int_min, s->int_min, capture);
    carry(int_max, s->int_max, capture);
    carry(dbl_param, s->dbl_param, capture);
    carry(dbl_min, s->dbl_min, capture);
    carry(dbl_max, s->dbl_max, capture);
    carry(flag_param, s->flag_param, capture);
    carry(str_param, s->str_param, capture);
    carry(choice_list, s->choice_list, capture);
    carry(page_frames, s->page_frames, capture);
    carry(rs, s->rs, capture);

    carry(object_slots, s->object_slots, capture);
    carry(list_order, s->list_order, capture);
    carry(depth_order, s->depth_order, capture);
    carry(object_count, s->object_count, capture);
    carry(current_object, s->current_object, capture);
    carry(ring_locks, s->ring_locks, capture);
    carry(planet_name_text, s->planet_name_text, capture);

    carry(tilt_kc, s->tilt_kc, capture);
    carry(tilt_ks, s->tilt_ks, capture);
    carry(overlay, s->overlay, capture);
    carry(last_star_count, s->last_star_count, capture);
    carry(planet_state, s->planet_state, capture);
    carry(ring_state, s->ring_state, capture);
    carry(comet_place, s->comet_place, capture);
    carry(bitmap_place, s->bitmap_place, capture);

    for (int y = 0; surface_map && y < MAP_MAX_HEIGHT && y < surface_map->h; y++) {
        uint8_t* row = surface_map->line[y];
        if (capture)
            memcpy(s->surface_pixels[y], row, MAP_MAX_WIDTH);
        else
            memcpy(row, s->surface_pixels[y], MAP_MAX_WIDTH);
    }
    carry(map_palette, s->map_palette, capture);
    carry(map_width, s->map_width, capture);
    carry(map_height, s->map_height, capture);
    carry(map_width_d, s->map_width_d, capture);
    carry(map_height_d, s->map_height_d, capture);
    carry(full_map, s->full_map, capture);
    carry(image_width, s->image_width, capture);
    carry(image_height, s->image_height, capture);
    carry(image_path, s->image_path, capture);
    carry(backdrop_kind, s->backdrop_kind, capture);
    carry(object_image_file, s->held_image_file, capture);
    carry(object_image_conversion, s->held_image_conversion, capture);
    if (!capture) {
        if (object_image)
            destroy_bitmap(object_image);
        object_image = nullptr;
        if (object_image_file[0]) {
            PALETTE ignored; // the work palette is put back below
            set_color_conversion(object_image_conversion);
            object_image = load_bitmap(object_image_file, ignored);
        }
    }

    if (capture)
        s->color_conversion = get_color_conversion();
    else
        set_color_conversion(s->color_conversion);
    for (int i = 0; i < 256; i++) {
        RGB& c = work_palette[i];
        if (capture) {
            s->work_palette[i][0] = c.r;
            s->work_palette[i][1] = c.g;
            s->work_palette[i][2] = c.b;
        } else {
            c.r = s->work_palette[i][0];
            c.g = s->work_palette[i][1];
            c.b = s->work_palette[i][2];
        }
    }
}

void capture_carried_state(CarriedState* s) { carry_all(s, true); }

// carry_all only reads the state when it restores.
void restore_carried_state(const CarriedState& s) { carry_all(const_cast<CarriedState*>(&s), false); }
