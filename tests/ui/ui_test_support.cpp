// Shared set-up of the interface tests.
#include "ui_test_support.h"

#include "platform/bytes.h" // Required for: append_u16, append_u32
#include "store/prompt.h"   // Required for: prompt_log
#include "ui/ui.h"          // Required for: load_help_file, screen_buffer
#include "test_support.h"

std::string buffer_pixels()
{
    std::string bytes;
    int row_bytes = screen_buffer->w * ((bitmap_color_depth(screen_buffer) + 7) / 8);
    for (int y = 0; y < screen_buffer->h; y++)
        bytes.append((const char*)screen_buffer->line[y], (size_t)row_bytes);
    return bytes;
}

void load_test_help(const std::vector<TestTopic>& topics,
                    const std::vector<std::pair<int, int>>& map_entries, const char* name)
{
    // The map has one entry per topic: pad with untitled topics so that
    // every map entry exists.
    std::vector<TestTopic> all = topics;
    for (auto& e : map_entries)
        while ((int)all.size() <= e.first)
            all.push_back({"", {}, {0, 0, 0}});
    int n = (int)all.size();
    std::vector<int16_t> map(n, 0);
    for (auto& e : map_entries)
        map[e.first] = (int16_t)e.second;
    std::string titles, text;
    std::vector<uint8_t> records;
    for (const TestTopic& t : all) {
        append_u16(records, (int)titles.size());
        (titles += t.title) += '\0';
        append_u16(records, (int)t.lines.size());
        append_u32(records, (int)text.size());
        for (const char* line : t.lines)
            (text += line) += '\0';
        for (int i = 0; i < 3; i++)
            append_u16(records, t.link[i]);
        append_u16(records, 0);
    }
    std::vector<uint8_t> b;
    append_u32(b, n);
    append_u32(b, (int)titles.size());
    append_u32(b, (int)text.size());
    for (int16_t m : map)
        append_u16(b, m);
    b.insert(b.end(), records.begin(), records.end());
    b.insert(b.end(), titles.begin(), titles.end());
    for (char c : text)
        b.push_back(c ? (uint8_t)((uint8_t)c - 30) : 0);
    write_file_bytes(name, b);
    ASSERT_EQ(load_help_file(name), 0);
}

uint64_t file_hash(const std::string& path)
{
    std::vector<uint8_t> bytes = read_file_bytes(path);
    return fnv1a(bytes.data(), bytes.size());
}
