// Help source compiler: parses the help text, checks it against the limits of
// the help window and the menu tables, and writes novamir.hlp.
//
// Source format, one directive per line ('#' starts a comment line):
//   topic KEY [NUMBER]       a new topic; unnumbered topics take the lowest
//                            free numbers in order of appearance
//   title TEXT               its title (shown on top and on link buttons)
//   links KEY|- [KEY|- [KEY|-]]   up to three links, "-" leaves a slot empty
//   row PAGE ROW [NAME]      the menu row that opens this topic with F1
//   | TEXT                   one line of text ("|" alone: an empty line)
#include "help_source.h"
#include "platform/bytes.h" // Required for: append_u16, append_u32
#include "store/store.h"    // Required for: ITEM_HELP, ITEM_NONE, MENU_PAGES
#include "ui/ui.h"          // Required for: HELP_LINKS, HELP_MAP_STRIDE, HELP_MAX_TOPICS

#include <algorithm> // Required for: std::max
#include <cstdarg>   // Required for: va_list
#include <cstdio>    // Required for: vsnprintf
#include <map>
#include <set>

static const char* const help_page_names[MENU_PAGES] = {
    "FILE", "SKY", "PLANET", "RING", "COMET", "BITMAP", "LIST", "OPTIONS",
};

struct SourceTopic {
    int line = 0;              // where "topic" stands
    std::string key;
    int number = 0;            // 0 until assigned
    std::string title;
    int title_line = 0;
    std::string links[HELP_LINKS];
    int links_line = 0;
    std::vector<std::string> text;
};

struct SourceRow {
    int line;
    int page, row;
    std::string name;          // empty when the source gives none
    size_t topic;              // index into the topic list
};

// ---------------------------------------------------------------------------
// Small text helpers.

static std::string trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t'))
        a++;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t'))
        b--;
    return s.substr(a, b - a);
}

// Splits off the first word of s (words are separated by spaces).
static std::string first_word(const std::string& s, std::string* rest)
{
    size_t end = s.find(' ');
    std::string word = s.substr(0, end);
    *rest = end == std::string::npos ? std::string() : trim(s.substr(end + 1));
    return word;
}

static bool is_key(const std::string& s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return s != "-";
}

static bool read_int(const std::string& s, int* value)
{
    if (s.empty() || s.size() > 6)
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

// The first character outside printable ASCII, or -1. The help fonts hold
// characters 32 to 126 only, and byte 30 would encode to a line end.
static int bad_char(const std::string& s)
{
    for (size_t i = 0; i < s.size(); i++) {
        unsigned char c = (unsigned char)s[i];
        if (c < 32 || c > 126)
            return (int)i;
    }
    return -1;
}

// ---------------------------------------------------------------------------
// The compiler.

// The next line of a text from byte `at` on, without its line break (a
// Windows-style "\r\n" loses both); moves `at` past it. False at the end.
static bool next_line(const std::string& source, size_t& at, std::string& text)
{
    if (at >= source.size())
        return false;
    size_t end = source.find('\n', at);
    if (end == std::string::npos)
        end = source.size();
    text = source.substr(at, end - at);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    at = end + 1;
    return true;
}

namespace {
struct Compiler {
    const std::string& name;
    const HelpBuildOptions& opt;
    std::string& error;
    std::vector<SourceTopic> topics;
    std::vector<SourceRow> rows;
    std::map<std::string, size_t> by_key;

    int fail(int line, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    int parse(const std::string& source);
    int parse_line(int line, const std::string& text);
    int substitute(int line, std::string& text);
    int check();
    int number_topics();
    void write(std::vector<uint8_t>& out, int count);
};

int Compiler::fail(int line, const char* fmt, ...)
{
    char text[400];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    error = name + ":" + std::to_string(line) + ": " + text;
    return -1;
}

int Compiler::parse(const std::string& source)
{
    size_t at = 0;
    int line = 0;
    std::string text;
    while (next_line(source, at, text)) {
        line++;
        if (parse_line(line, text) != 0)
            return -1;
    }
    if (topics.empty())
        return fail(0, "no topics");
    return 0;
}

int Compiler::parse_line(int line, const std::string& raw)
{
    if (raw.find('\t') != std::string::npos)
        return fail(line, "tab character (use spaces)");
    if (!raw.empty() && raw[0] == '|') {
        if (topics.empty())
            return fail(line, "text before the first topic");
        if (raw.size() > 1 && raw[1] != ' ')
            return fail(line, "text lines start with \"| \"");
        std::string text = raw.size() > 2 ? raw.substr(2) : std::string();
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (substitute(line, text) != 0)
            return -1;
        int bad = bad_char(text);
        if (bad >= 0)
            return fail(line, "character %d of the text is not printable ASCII", bad + 1);
        if ((int)text.size() > opt.limits.line_chars)
            return fail(line, "text line of %d characters, at most %d fit the help window",
                        (int)text.size(), opt.limits.line_chars);
        SourceTopic& t = topics.back();
        t.text.push_back(text);
        if ((int)t.text.size() > opt.limits.topic_lines)
            return fail(line, "topic '%s' has more than %d lines", t.key.c_str(),
                        opt.limits.topic_lines);
        return 0;
    }
    std::string text = trim(raw);
    if (text.empty() || text[0] == '#')
        return 0;
    std::string rest;
    std::string word = first_word(text, &rest);

    if (word == "topic") {
        std::string number;
        std::string key = first_word(rest, &number);
        if (!is_key(key))
            return fail(line, "topic key '%s' must be lower-case letters, digits, '-' or '_'",
                        key.c_str());
        if (by_key.count(key))
            return fail(line, "topic '%s' already defined on line %d", key.c_str(),
                        topics[by_key[key]].line);
        SourceTopic t;
        t.line = line;
        t.key = key;
        if (!number.empty()) {
            if (!read_int(number, &t.number) || t.number < 1 || t.number >= HELP_MAX_TOPICS)
                return fail(line, "topic number '%s' must be 1 to %d", number.c_str(),
                            HELP_MAX_TOPICS - 1);
            for (const SourceTopic& o : topics)
                if (o.number == t.number)
                    return fail(line, "topic number %d already taken by '%s' (line %d)",
                                t.number, o.key.c_str(), o.line);
        }
        by_key[key] = topics.size();
        topics.push_back(t);
        return 0;
    }
    if (topics.empty())
        return fail(line, "'%s' before the first topic", word.c_str());
    SourceTopic& t = topics.back();

    if (word == "title") {
        if (!t.title.empty())
            return fail(line, "second title for topic '%s'", t.key.c_str());
        if (rest.empty())
            return fail(line, "empty title");
        if (bad_char(rest) >= 0)
            return fail(line, "title is not printable ASCII");
        if ((int)rest.size() > opt.limits.title_chars)
            return fail(line, "title of %d characters, at most %d", (int)rest.size(),
                        opt.limits.title_chars);
        t.title = rest;
        t.title_line = line;
        return 0;
    }
    if (word == "links") {
        if (t.links_line)
            return fail(line, "second links line for topic '%s'", t.key.c_str());
        t.links_line = line;
        int slot = 0;
        while (!rest.empty()) {
            std::string more;
            std::string key = first_word(rest, &more);
            rest = more;
            if (slot == HELP_LINKS)
                return fail(line, "more than %d links", HELP_LINKS);
            if (key != "-" && !is_key(key))
                return fail(line, "link '%s' is not a topic key or '-'", key.c_str());
            t.links[slot++] = key == "-" ? std::string() : key;
        }
        return 0;
    }
    if (word == "row") {
        std::string row_text, page_text = first_word(rest, &row_text);
        std::string row_name;
        std::string row_number = first_word(row_text, &row_name);
        int page = -1, row = -1;
        for (int p = 0; p < MENU_PAGES; p++)
            if (page_text == help_page_names[p])
                page = p;
        if (page < 0)
            return fail(line, "unknown page '%s' (FILE, SKY, PLANET, RING, COMET, BITMAP, "
                              "LIST, OPTIONS)", page_text.c_str());
        if (!read_int(row_number, &row) || row >= MENU_ROWS)
            return fail(line, "row '%s' must be 0 to %d", row_number.c_str(), MENU_ROWS - 1);
        for (const SourceRow& r : rows)
            if (r.page == page && r.row == row)
                return fail(line, "%s row %d already opens topic '%s' (line %d)",
                            page_text.c_str(), row, topics[r.topic].key.c_str(), r.line);
        rows.push_back({line, page, row, row_name, topics.size() - 1});
        return 0;
    }
    return fail(line, "unknown directive '%s' (topic, title, links, row, or '| ' text)",
                word.c_str());
}

// Replaces the {range|min|max|start KIND N} tokens by the parameter table's
// values, so the texts quote the limits the editors really enforce.
int Compiler::substitute(int line, std::string& text)
{
    std::string result;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('{', at);
        if (open == std::string::npos) {
            result += text.substr(at);
            break;
        }
        size_t close = text.find('}', open);
        if (close == std::string::npos)
            return fail(line, "'{' without '}'");
        result += text.substr(at, open - at);
        std::string token = text.substr(open + 1, close - open - 1);
        at = close + 1;
        std::string rest, what = first_word(token, &rest);
        if (what == "range") {
            auto lo = opt.values.find("min " + rest), hi = opt.values.find("max " + rest);
            if (lo == opt.values.end() || hi == opt.values.end())
                return fail(line, "no limits for {%s} in the parameter table", token.c_str());
            result += lo->second + " to " + hi->second;
        } else if (what == "min" || what == "max" || what == "start") {
            auto v = opt.values.find(token);
            if (v == opt.values.end())
                return fail(line, "no value for {%s} in the parameter table", token.c_str());
            result += v->second;
        } else {
            return fail(line, "unknown token {%s} (range, min, max, start)", token.c_str());
        }
    }
    text = result;
    return 0;
}

int Compiler::number_topics()
{
    std::set<int> taken;
    for (const SourceTopic& t : topics)
        if (t.number)
            taken.insert(t.number);
    int next = 1;
    for (SourceTopic& t : topics) {
        if (t.number)
            continue;
        while (taken.count(next))
            next++;
        if (next >= HELP_MAX_TOPICS)
            return fail(t.line, "more than %d topics", HELP_MAX_TOPICS - 1);
        t.number = next;
        taken.insert(next);
    }
    // Numbered topics must not leave holes: every record is a real topic.
    int highest = *taken.rbegin();
    if ((int)taken.size() != highest) {
        for (int n = 1; n <= highest; n++)
            if (!taken.count(n))
                return fail(0, "no topic takes number %d (numbers run to %d)", n, highest);
    }
    return 0;
}

int Compiler::check()
{
    for (const SourceTopic& t : topics) {
        if (t.title.empty())
            return fail(t.line, "topic '%s' has no title", t.key.c_str());
        // A line count of 0 would mean "topic 0's lines" to the reader.
        if (t.text.empty())
            return fail(t.line, "topic '%s' has no text", t.key.c_str());
        for (int i = 0; i < HELP_LINKS; i++) {
            const std::string& k = t.links[i];
            if (k.empty())
                continue;
            auto it = by_key.find(k);
            if (it == by_key.end())
                return fail(t.links_line, "link to unknown topic '%s'", k.c_str());
            if (k == t.key)
                return fail(t.links_line, "topic '%s' links to itself", k.c_str());
            const SourceTopic& to = topics[it->second];
            if ((int)to.title.size() > opt.limits.button_chars)
                return fail(t.links_line,
                            "linked topic '%s' has the title \"%s\" (line %d): at most %d "
                            "characters fit its button",
                            k.c_str(), to.title.c_str(), to.title_line, opt.limits.button_chars);
        }
    }
    if (opt.menu) {
        for (const SourceRow& r : rows) {
            const MenuItem& item = opt.menu[r.page][r.row];
            if (item.kind == ITEM_NONE)
                return fail(r.line, "%s row %d is empty on the menu", help_page_names[r.page],
                            r.row);
            if (!r.name.empty() && r.name != item.name)
                return fail(r.line, "%s row %d is \"%s\" on the menu, not \"%s\"",
                            help_page_names[r.page], r.row, item.name, r.name.c_str());
            int number = topics[r.topic].number;
            if (item.kind == ITEM_HELP && item.param != number)
                return fail(r.line, "%s row %d opens topic %d, but '%s' is topic %d",
                            help_page_names[r.page], r.row, item.param,
                            topics[r.topic].key.c_str(), number);
        }
        for (int p = 0; p < MENU_PAGES; p++)
            for (int row = 0; row < MENU_ROWS; row++) {
                if (opt.menu[p][row].kind == ITEM_NONE)
                    continue;
                bool found = false;
                for (const SourceRow& r : rows)
                    found = found || (r.page == p && r.row == row);
                if (!found)
                    return fail(0, "%s row %d (\"%s\") has no topic", help_page_names[p], row,
                                opt.menu[p][row].name);
            }
    }
    if (opt.require_reachable) {
        std::set<std::string> reached;
        for (const SourceRow& r : rows)
            reached.insert(topics[r.topic].key);
        for (const SourceTopic& t : topics) {
            if (t.number == 1)
                reached.insert(t.key); // the top level opens topic 1
            for (const std::string& k : t.links)
                if (!k.empty())
                    reached.insert(k);
        }
        for (const SourceTopic& t : topics)
            if (!reached.count(t.key))
                return fail(t.line, "topic '%s' is opened by no row and no link", t.key.c_str());
    }
    return 0;
}

// Lays the file out: header, map, records, titles, encoded text. Topic 0 is
// the "no help" topic and comes first in both blocks, since a record with a
// line count of 0 shows topic 0's lines from the start of the text block.
void Compiler::write(std::vector<uint8_t>& out, int count)
{
    std::vector<const SourceTopic*> by_number(count, nullptr);
    for (const SourceTopic& t : topics)
        by_number[t.number] = &t;

    std::string titles, text;
    std::vector<int> title_at(count, 0), lines(count, 1), text_at(count, 0);
    titles += "No help";
    titles.push_back('\0');
    text += "There is no help for this item.";
    text.push_back('\0');
    for (int n = 1; n < count; n++) {
        const SourceTopic* t = by_number[n];
        if (!t)
            continue; // a record only the map's length asks for: a copy of topic 0
        title_at[n] = (int)titles.size();
        titles += t->title;
        titles.push_back('\0');
        text_at[n] = (int)text.size();
        lines[n] = (int)t->text.size();
        for (const std::string& l : t->text) {
            text += l;
            text.push_back('\0');
        }
    }

    std::vector<int> map(count, 0);
    for (const SourceRow& r : rows)
        map[HELP_MAP_STRIDE * r.page + r.row] = topics[r.topic].number;

    out.clear();
    append_u32(out, count);
    append_u32(out, (uint32_t)titles.size());
    append_u32(out, (uint32_t)text.size());
    for (int n = 0; n < count; n++)
        append_u16(out, map[n]);
    for (int n = 0; n < count; n++) {
        append_u16(out, title_at[n]);
        append_u16(out, lines[n]);
        append_u32(out, text_at[n]);
        for (int i = 0; i < HELP_LINKS; i++) {
            int to = 0;
            if (by_number[n] && !by_number[n]->links[i].empty())
                to = topics[by_key[by_number[n]->links[i]]].number;
            append_u16(out, to);
        }
        append_u16(out, 0); // back link: set by the viewer
    }
    out.insert(out.end(), titles.begin(), titles.end());
    for (unsigned char c : text)
        out.push_back(c ? (uint8_t)(c - HELP_TEXT_SHIFT) : 0);
}
} // namespace

// A number of the parameter table as a reader would write it: 1000000.0
// becomes 1000000, 0.50 becomes 0.5.
static std::string plain_number(const std::string& text)
{
    std::string s = text;
    if (s.find('.') != std::string::npos && s.find_first_of("eE") == std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

int read_help_params(const std::string& table, const std::string& table_name,
                     HelpBuildOptions& options, std::string& error)
{
    size_t at = 0;
    int line = 0;
    std::string text;
    while (next_line(table, at, text)) {
        line++;
        if (trim(text).empty() || text[0] == '#')
            continue;
        std::vector<std::string> cols;
        size_t from = 0;
        for (;;) {
            size_t tab = text.find('\t', from);
            cols.push_back(text.substr(from, tab == std::string::npos ? std::string::npos
                                                                      : tab - from));
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        int index;
        if (cols.size() < 6 || (cols[0] != "int" && cols[0] != "dbl" && cols[0] != "flag") ||
            !read_int(cols[1], &index)) {
            error = table_name + ":" + std::to_string(line) +
                    ": expected kind (int, dbl, flag), index, name, start, minimum, maximum";
            return -1;
        }
        std::string key = cols[0] + " " + cols[1];
        options.values["start " + key] = plain_number(cols[3]);
        options.values["min " + key] = plain_number(cols[4]);
        options.values["max " + key] = plain_number(cols[5]);
    }
    return 0;
}

int compile_help(const std::string& source, const std::string& source_name,
                 const HelpBuildOptions& options, std::vector<uint8_t>& out, std::string& error,
                 std::vector<HelpTopicInfo>* listing)
{
    Compiler c{source_name, options, error, {}, {}, {}};
    error.clear();
    if (c.parse(source) != 0 || c.number_topics() != 0 || c.check() != 0)
        return -1;

    int count = 0;
    for (const SourceTopic& t : c.topics)
        count = std::max(count, t.number + 1);
    for (const SourceRow& r : c.rows)
        count = std::max(count, HELP_MAP_STRIDE * r.page + r.row + 1);
    if (count > HELP_MAX_TOPICS)
        return c.fail(0, "%d topic records needed, at most %d", count, HELP_MAX_TOPICS);

    size_t title_bytes = 8; // "No help" and its zero
    for (const SourceTopic& t : c.topics)
        title_bytes += t.title.size() + 1;
    if (title_bytes > INT16_MAX) // HelpTopic::title
        return c.fail(0, "title block of %zu bytes: title offsets are 16-bit", title_bytes);

    c.write(out, count);
    if (listing) {
        listing->clear();
        for (int n = 1; n < count; n++)
            for (const SourceTopic& t : c.topics)
                if (t.number == n)
                    listing->push_back({n, t.key, t.title, (int)t.text.size()});
    }
    return 0;
}
