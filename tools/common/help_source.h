// Help source compiler: turns the readable help text (data/help.txt) into the
// bytes of novamir.hlp. A build-time tool, not part of the program: used by
// tools/build_help and by the tests.
#pragma once
#include <map>
#include <string>
#include <vector>
#include <cstdint>

#include "store/store.h" // Required for: MENU_ROWS, MenuItem

// What the help window holds; the compiler refuses a source beyond these.
struct HelpLimits {
    int line_chars = 56;    // dialog box 2 is 58 columns; 4 pixels of margin
    int topic_lines = 15;   // lines 12 pixels apart under the title, above the buttons
    int title_chars = 30;   // titles are drawn in a larger font
    int button_chars = 10;  // a linked title sits on a 12-column button after "1 "
};

struct HelpBuildOptions {
    HelpLimits limits;
    // When set, every used row of these menu pages must have a topic, row
    // names written in the source must match, and help rows must open the
    // topic their param names. Null: no menu check (small test sources).
    const MenuItem (*menu)[MENU_ROWS] = nullptr;
    // Require every topic to be reachable from a menu row or a link.
    bool require_reachable = true;
    // Values for the {range KIND N}, {min KIND N}, {max KIND N} and
    // {start KIND N} tokens of the text (KIND int, dbl or flag), keyed
    // "start int 6", "min int 6", "max int 6"; filled by read_help_params.
    std::map<std::string, std::string> values;
};

// Reads the parameter table (kind, index, name, start, minimum, maximum,
// reason; tab-separated, '#' comments) into options.values. Returns 0, or -1
// with error set to "NAME:LINE: problem".
int read_help_params(const std::string& table, const std::string& table_name,
                     HelpBuildOptions& options, std::string& error);

// One compiled topic, for listings.
struct HelpTopicInfo {
    int number;
    std::string key;
    std::string title;
    int lines;
};

// Compiles source (named source_name in messages) into out. Returns 0, or -1
// with error set to "NAME:LINE: problem" (line 0 for problems of the whole file).
// The output depends on the source text only.
int compile_help(const std::string& source, const std::string& source_name,
                 const HelpBuildOptions& options, std::vector<uint8_t>& out, std::string& error,
                 std::vector<HelpTopicInfo>* listing = nullptr);
