// Builds novamir.hlp from the help source:
//   build_help SOURCE OUTPUT [--params TABLE] [--list] [--no-menu-check]
// TABLE is the parameter table whose limits the texts quote. Refuses a source that breaks the help window's limits or
// leaves a menu row without help, naming the line.
#include "help_source.h" // Required for: compile_help

#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "store/store.h"          // Required for: menu_pages

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

static int read_text(const char* path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "build_help: cannot read %s\n", path);
        return -1;
    }
    std::stringstream all;
    all << in.rdbuf();
    text = all.str();
    return 0;
}

int main(int argc, char** argv)
{
    const char* source_path = nullptr;
    const char* output_path = nullptr;
    const char* params_path = nullptr;
    bool list = false, menu_check = true;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--list") == 0)
            list = true;
        else if (strcmp(argv[i], "--no-menu-check") == 0)
            menu_check = false;
        else if (strcmp(argv[i], "--params") == 0 && i + 1 < argc)
            params_path = argv[++i];
        else if (!source_path)
            source_path = argv[i];
        else if (!output_path)
            output_path = argv[i];
        else
            source_path = nullptr, i = argc; // too many names
    }
    if (!source_path || !output_path) {
        fprintf(stderr, "usage: build_help SOURCE OUTPUT [--params TABLE] [--list] "
                        "[--no-menu-check]\n");
        return 2;
    }
    std::string source, table;
    if (read_text(source_path, source) != 0 ||
        (params_path && read_text(params_path, table) != 0))
        return 1;

    HelpBuildOptions options;
    if (menu_check)
        options.menu = menu_pages;
    std::string error;
    if (params_path && read_help_params(table, params_path, options, error) != 0) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    std::vector<HelpTopicInfo> topics;
    if (compile_help(source, source_path, options, bytes, error, &topics) != 0) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (write_bytes_atomically(output_path, bytes.data(), bytes.size()) != 0) {
        fprintf(stderr, "build_help: cannot write %s\n", output_path);
        return 1;
    }
    if (list)
        for (const HelpTopicInfo& t : topics)
            printf("%3d %-16s %-30s %2d lines\n", t.number, t.key.c_str(), t.title.c_str(),
                   t.lines);
    return 0;
}
