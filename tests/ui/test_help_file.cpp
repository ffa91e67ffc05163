// The help file: source compiler, reader, hostile files, the shipped file and the viewer.
#include "ui_test_support.h"

#include <cstring>

#include "platform/bytes.h"    // Required for: get_i32, put_u16, put_u32
#include "store/prompt.h"      // Required for: prompt_log
#include "store/store.h"       // Required for: ITEM_HELP, ITEM_NONE, MENU_PAGES
#include "ui/ui.h"             // Required for: HELP_HEADER_SIZE, HELP_LINKS, HELP_MAP_STRIDE
#include "test_support.h"
#include "help_source.h" // the compiler from the builders' toolkit

namespace {

// Three topics: an entry point with two links, a row topic, a leaf.
const char* const small_source =
    "# a comment\n"
    "topic start 1\n"
    "title Start\n"
    "links leaf - row\n"
    "| First line.\n"
    "|\n"
    "| Third line.\n"
    "\n"
    "topic row\n"
    "title Width\n"
    "row FILE 4 WIDTH\n"
    "row SKY 2\n"
    "links start\n"
    "| Width of the frame.\n"
    "topic leaf\n"
    "title Leaf\n"
    "| Only line.\n";

// The compiled source; a failure is reported, and its message kept in *error.
std::vector<uint8_t> compile(const std::string& source, bool ok = true, std::string* error = nullptr)
{
    std::vector<uint8_t> out;
    std::string message;
    EXPECT_EQ(compile_help(source, "help.txt", HelpBuildOptions(), out, message), ok ? 0 : -1) << message;
    if (error)
        *error = message;
    return out;
}

int32_t get32(const std::vector<uint8_t>& b, size_t at) { return get_i32(&b[at]); }
// A copy of b with a 2- or 4-byte field at `at` set to v.
std::vector<uint8_t> patched(std::vector<uint8_t> b, size_t at, int size, int32_t v)
{
    if (size == 2)
        put_u16(&b[at], (uint16_t)v);
    else
        put_u32(&b[at], (uint32_t)v);
    return b;
}

// Offsets inside a compiled file.
size_t record_at(const std::vector<uint8_t>& b, int k)
{
    return HELP_HEADER_SIZE + 2 * (size_t)get32(b, 0) + HELP_TOPIC_SIZE * (size_t)k;
}

// Writes bytes as NAME in the scratch directory and loads them.
int load_bytes(const std::vector<uint8_t>& bytes, const char* name = "test.hlp")
{
    write_file_bytes(name, bytes);
    prompt_log.clear();
    return load_help_file(name);
}

} // namespace

TEST(Help_source_build, Refuses_bad_sources_naming_the_line)
{
    std::string sixteen_lines;
    for (int i = 0; i < 16; i++)
        sixteen_lines += "| line\n";
    const struct Case {
        std::string source;
        const char* expect;
    } cases[] = {
        {"topic a 1\ntitle A\n| " + std::string(57, 'x') + "\n", "help.txt:3: text line of 57 characters"},
        {"topic a 1\ntitle A\n" + sixteen_lines, "help.txt:18: topic 'a' has more than 15 lines"},
        {"topic a 1\ntitle A\nlinks nowhere\n| x\n", "help.txt:3: link to unknown topic 'nowhere'"},
        {"topic a 1\ntitle A\nlinks b\n| x\ntopic b\ntitle Eleven char\n| y\n",
         "help.txt:3: linked topic 'b' has the title \"Eleven char\""},
        {"topic a 1\ntitle A\nlinks - - - -\n| x\n", "help.txt:3: more than 3 links"},
        {"topic a 1\ntitle A\n", "help.txt:1: topic 'a' has no text"},
        {"topic a 1\ntitle A\n| x\ntopic a\n", "help.txt:4: topic 'a' already defined on line 1"},
        {"topic a 1\ntitle A\nrow FILE 0\n| x\ntopic b\ntitle B\nrow FILE 0\n| y\n",
         "help.txt:7: FILE row 0 already opens topic 'a' (line 3)"},
        {"topic a 1\ntitle A\nrow DISK 0\n| x\n", "help.txt:3: unknown page 'DISK'"},
        {"topic a 1\ntitle A\n| caf\xc3\xa9\n", "help.txt:3: character 4 of the text"},
        {"topic a 1\ntitle A\n|x\n", "help.txt:3: text lines start with \"| \""},
        {"topic a 1\ntitle A\nsubtitle B\n| x\n", "help.txt:3: unknown directive 'subtitle'"},
        {"topic a 1\ntitle A\n| x\ntopic b 3\ntitle B\n| y\n", "no topic takes number 2"},
        {"topic a 1\ntitle A\n| x\ntopic b\ntitle B\n| y\n", "help.txt:4: topic 'b' is opened by no row"},
        {"topic a 1\ntitle A\n| from {range int 6}\n", "help.txt:3: no limits for {range int 6}"},
    };
    for (const Case& c : cases) {
        std::string error;
        compile(c.source, false, &error);
        EXPECT_NE(error.find(c.expect), std::string::npos)
            << "source:\n" << c.source << "error: " << error;
    }
}

TEST(Help_round_trip, Titles_lines_links_and_map_come_back)
{
    ScratchDir dir;
    std::vector<uint8_t> bytes = compile(small_source);
    EXPECT_EQ(compile(small_source), bytes); // the builder is deterministic
    ASSERT_EQ(load_bytes(bytes), 0);
    ASSERT_TRUE(help_loaded);
    EXPECT_EQ(help_count, 23);
    EXPECT_TRUE(logged("textlen " + std::to_string(get32(bytes, 8)) + " headlen " +
                       std::to_string(get32(bytes, 4))));
    const char* const texts[][2] = {{help_title(1), "Start"},         {help_line(1, 0), "First line."},
                                    {help_line(1, 1), ""},             {help_line(1, 2), "Third line."},
                                    {help_title(2), "Width"},          {help_line(3, 0), "Only line."}};
    for (auto& t : texts)
        EXPECT_STREQ(t[0], t[1]);
    EXPECT_EQ(help_line_count(1), 3);
    EXPECT_EQ(help_line(1, 3), nullptr);
    // Links of topic 1; the map: the top level, two rows, entry 140 beyond
    // N = 23 and FILE row 20, which is no row (it would be SKY row 0).
    const int numbers[][2] = {{help_link(1, 0), 3}, {help_link(1, 1), 0}, {help_link(1, 2), 2},
                              {help_topic_for(-1, 0), 1}, {help_topic_for(PAGE_FILE, 4), 2},
                              {help_topic_for(PAGE_SKY, 2), 2}, {help_topic_for(PAGE_OPTIONS, 0), 0},
                              {help_topic_for(PAGE_FILE, 20), 0}};
    for (auto& n : numbers)
        EXPECT_EQ(n[0], n[1]) << &n - numbers;
    // Topic 0 is "no help" and never shown.
    EXPECT_FALSE(help_topic_ok(0));
    EXPECT_EQ(help_title(0), nullptr);
}

TEST(Help_round_trip, Stored_back_links_are_not_trusted_and_reload_starts_clean)
{
    ScratchDir dir;
    std::vector<uint8_t> bytes = compile(small_source);
    ASSERT_EQ(load_bytes(patched(bytes, record_at(bytes, 2) + 14, 2, 99)), 0);
    EXPECT_EQ(help_topics[2].back, 0);

    // A failed load leaves nothing of the old help behind.
    prompt_log.clear();
    EXPECT_EQ(load_help_file("missing.hlp"), 27);
    EXPECT_FALSE(help_loaded);
    EXPECT_EQ(help_title(1), nullptr);
    EXPECT_EQ(help_topic_for(PAGE_FILE, 4), 0);
    EXPECT_TRUE(logged("Help File Error"));
    EXPECT_TRUE(logged("missing.hlp"));
}

// Files that must be refused whole: nothing is loaded, the message names the file.

TEST(Help_hostile_files, Refused_whole)
{
    ScratchDir dir;
    const std::vector<uint8_t> good = compile(small_source);
    const struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* expect;
    } cases[] = {
        {"empty", {}, "too short"},
        {"records cut", std::vector<uint8_t>(good.begin(), good.begin() + record_at(good, 2)), "bytes early"},
        {"text cut", std::vector<uint8_t>(good.begin(), good.end() - 1), "ends 1 bytes early"},
        {"221 topics", patched(good, 0, 4, 221), "221 topics, at most 220"},
        {"negative count", patched(good, 0, 4, -1), "-1 topics"},
        {"negative headlen", patched(good, 4, 4, -5), "negative block length"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load_bytes(c.bytes, "bad.hlp"), 27) << c.what;
        EXPECT_TRUE(!help_loaded && help_count == 0) << c.what;
        // The box holds the heading alone; the file and the fault are a detail.
        ASSERT_GE(prompt_log.size(), 2u) << c.what;
        EXPECT_EQ(prompt_log[prompt_log.size() - 2], "Help File Error") << c.what;
        EXPECT_EQ(prompt_log.back().rfind("bad.hlp: ", 0), 0u) << c.what;
        EXPECT_TRUE(logged(c.expect)) << c.what << ": " << (prompt_log.empty() ? "" : prompt_log.back());
        EXPECT_FALSE(logged("textlen")) << c.what;
    }
}

// Files whose bad topics are refused one by one while the rest still serves.
TEST(Help_hostile_files, Bad_topics_refused_the_rest_serve)
{
    ScratchDir dir;
    const std::vector<uint8_t> good = compile(small_source);
    const int32_t headlen = get32(good, 4), textlen = get32(good, 8);
    const size_t r2 = record_at(good, 2);
    const struct {
        const char* what;
        size_t at;
        int size; // 2 or 4
        int32_t value;
        const char* expect;
    } cases[] = {
        {"title at headlen", r2, 2, headlen, "topic 2: title outside its block"},
        {"negative lines", r2 + 2, 2, -3, "topic 2: negative line count"},
        {"text past the block", r2 + 4, 4, textlen, "topic 2: lines outside the text block"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(load_bytes(patched(good, c.at, c.size, c.value), "bad.hlp"), 0);
        EXPECT_TRUE(logged(c.expect) && logged("1 topic refused"));
        EXPECT_TRUE(!help_topic_ok(2) && help_title(2) == nullptr);
        // The map and the links that name the refused topic offer no help;
        // the others still serve.
        EXPECT_EQ(help_topic_for(PAGE_FILE, 4) + help_link(1, 2), 0);
        EXPECT_STREQ(help_title(1), "Start");
        EXPECT_STREQ(help_line(3, 0), "Only line.");
        EXPECT_EQ(help_link(1, 0), 3);
    }
}

TEST(Help_hostile_files, Map_entries_and_links_beyond_the_topics_are_no_help)
{
    ScratchDir dir;
    std::vector<uint8_t> b = compile(small_source);
    b = patched(b, HELP_HEADER_SIZE + 2 * 4, 2, 500);  // FILE row 4
    b = patched(b, HELP_HEADER_SIZE + 2 * 22, 2, -7);  // SKY row 2
    b = patched(b, HELP_HEADER_SIZE + 2 * 5, 2, 22);   // a padding record: no real topic text,
    b = patched(b, record_at(b, 1) + 8, 2, 23);        // but 22 is inside N and usable
    b = patched(b, record_at(b, 1) + 12, 2, -1);
    ASSERT_EQ(load_bytes(b), 0);
    EXPECT_EQ(help_topic_for(PAGE_FILE, 4) + help_topic_for(PAGE_SKY, 2) + help_link(1, 0) + help_link(1, 2), 0);
    EXPECT_EQ(help_topic_for(PAGE_FILE, 5), 22);
    EXPECT_STREQ(help_line(22, 0), "There is no help for this item.");
    // A line count of 0 shows topic 0's lines.
    b = compile(small_source);
    ASSERT_EQ(load_bytes(patched(b, record_at(b, 3) + 2, 2, 0)), 0);
    ASSERT_EQ(help_line_count(3), 1);
    EXPECT_STREQ(help_line(3, 0), "There is no help for this item.");
}

// The help file of the build.

TEST(Help_shipped_file, Every_menu_row_has_help)
{
    ScratchDir dir; // an empty current directory: the lookup falls through to the data
    ASSERT_EQ(load_help(), 0) << "novamir.hlp was not found or did not load";
    EXPECT_FALSE(logged("refused"));
    EXPECT_GE(help_count, HELP_MAP_STRIDE * PAGE_OPTIONS + 14); // the map reaches LIST FONT
    EXPECT_STREQ(help_title(1), "NOVAMIR");

    for (int page = 0; page < MENU_PAGES; page++)
        for (int row = 0; row < MENU_ROWS; row++) {
            const MenuItem& item = menu_pages[page][row];
            int t = help_topic_for(page, row);
            if (item.kind == ITEM_NONE) {
                EXPECT_EQ(t, 0) << page << "/" << row;
                continue;
            }
            ASSERT_NE(t, 0) << page_names[page] << " row " << row << " " << item.name;
            if (item.kind == ITEM_HELP) {
                EXPECT_EQ(t, item.param) << item.name;
            }
        }
    for (int t = 1; t < help_count; t++)
        EXPECT_TRUE(help_topic_ok(t)) << t; // the compiler keeps each one to the window
}

namespace {

struct Help_viewer : UiScreen {
    ScratchDir dir;
    void SetUp() override
    {
        UiScreen::SetUp();
        // Topic 1 (FILE row 0) links to 2 and 3; 2 links on to 4; 3 has all
        // three links; 5 has links 0, 4, 0.
        load_test_help({{"", {}, {0, 0, 0}},
                        {"First", {"the first topic"}, {2, 3, 0}},
                        {"Second", {"second, one line", "and two"}, {4, 0, 0}},
                        {"Third", {"third"}, {1, 2, 4}},
                        {"Fourth", {"fourth"}, {0, 0, 0}},
                        {"Fifth", {"fifth"}, {0, 4, 0}}},
                       {{20 * PAGE_FILE + 0, 1}, {20 * PAGE_FILE + 1, 0}, {20 * PAGE_FILE + 2, 5}},
                       "test.hlp");
        menu_page = PAGE_FILE;
    }
    void TearDown() override
    {
        unload_help();
        UiScreen::TearDown();
    }
};

}  // namespace

TEST_F(Help_viewer, esc_retraces_the_path_taken)
{
    // First -(1)-> Second -(1)-> Fourth; Esc shows Second again, Esc First.
    // Then First -(2)-> Third -(2)-> Second; Esc, Esc: First; Esc leaves.
    run_script("dump first.bmp\nkey 1\ndump second.bmp\nkey 1\nkey Esc\ndump second_again.bmp\n"
               "key Esc\ndump first_again.bmp\nkey 2\nkey 2\nkey Esc Esc\ndump back.bmp\nkey Esc\n");
    menu_row = 0;
    EXPECT_EQ(help_for_item(), 0);
    EXPECT_FALSE(script_running());
    EXPECT_EQ(script_overruns, 0);
    EXPECT_EQ(file_hash("first.bmp"), file_hash("first_again.bmp"));
    EXPECT_EQ(file_hash("first.bmp"), file_hash("back.bmp"));
    EXPECT_EQ(file_hash("second.bmp"), file_hash("second_again.bmp"));
    EXPECT_NE(file_hash("first.bmp"), file_hash("second.bmp"));
    EXPECT_EQ(help_topics[2].back, 3); // Second was last reached from Third
    EXPECT_EQ(open_dialog_number, -1);
}

TEST_F(Help_viewer, link_buttons_take_the_keys_of_their_links)
{
    const int topic[3] = {5, 3, 4}, keys[3][3] = {{KC_ESC, '2', KC_F1}, {'1', '2', '3'}, {KC_ESC, KC_F1, KC_SPACE}};
    for (int t = 0; t < 3; t++) {
        show_topic(topic[t], 0);
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(button_slots[52 + k].key, keys[t][k]) << topic[t] << "/" << k;
    }
    EXPECT_EQ(hit_map[22][38], -1); // the third empty slot is not drawn
}

TEST_F(Help_viewer, enter_follows_link_1_f1_leaves_an_empty_link_or_row_opens_nothing)
{
    // Enter on First goes to Second, on to Fourth; Fourth has no link 1: Enter leaves.
    run_script("key Enter Enter Enter\nkey 2 F1\n");
    help_viewer(PAGE_FILE, 0);
    EXPECT_EQ(help_topics[4].back, 2);
    help_viewer(PAGE_FILE, 0);
    EXPECT_FALSE(script_running());
    EXPECT_EQ(script_overruns, 0);
    run_script("key 3 x\n"); // First's third link is empty: the help ends, x stays
    help_viewer(PAGE_FILE, 0);
    help_viewer(PAGE_FILE, 1);     // map entry 0
    help_viewer(PAGE_OPTIONS, 13); // beyond the map
    EXPECT_TRUE(script_running());
    load_script_text("", "none");
}
