// Ties the widgets to the rest of the program: the page builders and item
// counts of the pick lists. Kept apart so that programs and tests that do
// not show the lists need none of them.
#include "ui/ui.h"

#include "planets/planets.h" // Required for: build_ring_table, planet_list_page, ring_list_page
#include "shell/shell.h"     // Required for: install_list_pages
#include "store/filelists.h" // Required for: image_file_count, image_pane_lines, project_file_count
#include "store/records.h"   // Required for: object_count, object_pane_lines

// The panes of the file and object lists count in pages, the pickers in items.
static int page_of(int start, int per_page) { return per_page > 0 ? start / per_page : 0; }
static int project_page(char lines[][LIST_LINE_LEN], int first_line, int start, int per_page)
{
    return project_pane_lines(lines, first_line, page_of(start, per_page), per_page);
}
static int image_page(char lines[][LIST_LINE_LEN], int first_line, int start, int per_page)
{
    return image_pane_lines(lines, first_line, page_of(start, per_page), per_page);
}
static int object_page(char lines[][LIST_LINE_LEN], int first_line, int start, int per_page)
{
    return object_pane_lines(lines, first_line, page_of(start, per_page), per_page);
}

static int count_projects() { return project_file_count; }
static int count_planets() { return topology.planets_on_file; }
static int count_rings() { return build_ring_table(); }
static int count_images() { return image_file_count; }
static int count_objects() { return object_count; }

void install_list_pages()
{
    list_page_builders[LIST_PROJECTS] = project_page;
    list_page_builders[LIST_PLANETS] = planet_list_page;
    list_page_builders[LIST_RINGS] = ring_list_page;
    list_page_builders[LIST_IMAGES] = image_page;
    list_page_builders[LIST_OBJECTS] = object_page;
    list_item_counts[LIST_PROJECTS] = count_projects;
    list_item_counts[LIST_PLANETS] = count_planets;
    list_item_counts[LIST_RINGS] = count_rings;
    list_item_counts[LIST_IMAGES] = count_images;
    list_item_counts[LIST_OBJECTS] = count_objects;
}
