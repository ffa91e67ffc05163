// Fuzz harness: the help file read from the input as novamir.hlp, then every
// topic walked as the viewer would: title, each line, links, menu rows.
#include <cstring>

#include "fuzz_support.h"
#include "store/store.h" // Required for: MENU_PAGES
#include "ui/ui.h"       // Required for: HELP_LINKS, HELP_MAP_STRIDE, HELP_MAX_TOPICS

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

// Touches every byte of a text the viewer would print.
static size_t walk_text(const char* s) { return s ? strlen(s) : 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input("novamir.hlp", data, size);
    if (!input.written)
        return 0;
    if (load_help() != 0)
        return 0;
    volatile size_t seen = 0;
    for (int t = -1; t <= help_count && t <= HELP_MAX_TOPICS; t++) {
        seen = seen + walk_text(help_title(t));
        const int lines = help_line_count(t);
        for (int i = -1; i <= lines; i++)
            seen = seen + walk_text(help_line(t, i));
        for (int slot = -1; slot <= HELP_LINKS; slot++)
            seen = seen + (size_t)help_link(t, slot);
    }
    for (int page = -1; page <= MENU_PAGES; page++)
        for (int row = -1; row <= HELP_MAP_STRIDE; row++)
            seen = seen + (size_t)help_topic_for(page, row);
    unload_help();
    return 0;
}
