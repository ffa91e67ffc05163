// Help file reader: loads the topics, the page/row map and the title and text
// blocks of novamir.hlp, trusting none of its counts or offsets.
#include "ui/ui.h"

#include "platform/bytes.h"    // Required for: get_i16, get_i32
#include "platform/platform.h" // Required for: open_data_file
#include "store/prompt.h"      // Required for: log_detail, tell_screen_notice, tell_user

#include <cstdarg> // Required for: va_list
#include <cstdio>  // Required for: FILE, fread, fseek, ftell, snprintf
#include <cstdlib> // Required for: calloc, free
#include <cstring> // Required for: memchr, memset, strlen

HelpTopic help_topics[HELP_MAX_TOPICS];
int16_t help_map[HELP_MAX_TOPICS];
uint8_t help_usable[HELP_MAX_TOPICS];
int32_t help_count = 0;
char* help_titles = nullptr;
char* help_text = nullptr;
int32_t help_title_len = 0;
int32_t help_text_len = 0;
bool help_loaded = false;

// ---------------------------------------------------------------------------
// File-private helpers.

// Tells a failure in the message box: the fixed heading, the file, the problem.
static void help_error(const char* heading, const char* name, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
static void help_error(const char* heading, const char* name, const char* fmt, ...)
{
    char detail[160];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(detail, sizeof detail, fmt, ap);
    va_end(ap);
    // The box keeps the program's short heading; what went wrong, and in
    // which file, goes to the console and the log.
    tell_user("%s", heading);
    log_detail("%s: %s", name, detail);
}

// Walks count zero-terminated lines from offset start of the decoded text
// block. Returns 1 when every line ends inside the block.
static int lines_inside(int32_t start, int32_t count)
{
    if (count == 0)
        return 1;
    if (start < 0 || start >= help_text_len)
        return 0;
    int32_t at = start;
    for (int32_t i = 0; i < count; i++) {
        if (at >= help_text_len)
            return 0;
        const void* end = memchr(help_text + at, 0, (size_t)(help_text_len - at));
        if (!end)
            return 0;
        at = (int32_t)((const char*)end - help_text) + 1;
    }
    return 1;
}

// Where topic t's lines start and how many it shows: a count of 0 means
// topic 0's count from the start of the text block.
static void line_span(int t, int32_t* start, int32_t* count)
{
    const HelpTopic& h = help_topics[t];
    if (h.lines != 0) {
        *start = h.text;
        *count = h.lines;
        return;
    }
    *start = 0;
    *count = help_count > 0 ? help_topics[0].lines : 0;
    if (*count < 0)
        *count = 0;
}

// Why topic t cannot be shown, or nullptr when it is sound.
static const char* topic_fault(int t)
{
    const HelpTopic& h = help_topics[t];
    if (h.title < 0 || h.title >= help_title_len)
        return "title outside its block";
    if (!memchr(help_titles + h.title, 0, (size_t)(help_title_len - h.title)))
        return "title runs past its block";
    if (h.lines < 0)
        return "negative line count";
    int32_t start, count;
    line_span(t, &start, &count);
    if (!lines_inside(start, count))
        return "lines outside the text block";
    return nullptr;
}

// Reads exactly size bytes; 0 on a short read.
static int read_exact(FILE* f, void* to, size_t size)
{
    return size == 0 || fread(to, 1, size, f) == size;
}

// ---------------------------------------------------------------------------
// Loading.

void unload_help()
{
    free(help_titles);
    free(help_text);
    help_titles = nullptr;
    help_text = nullptr;
    help_title_len = 0;
    help_text_len = 0;
    help_count = 0;
    help_loaded = false;
    memset(help_topics, 0, sizeof help_topics);
    memset(help_map, 0, sizeof help_map);
    memset(help_usable, 0, sizeof help_usable);
}

int load_help_file(const char* name)
{
    unload_help();

    FILE* f = open_data_file(name, "rb");
    if (!f) {
        help_error("Help File Error", name, "cannot open the file");
        return 27;
    }
    long file_size = -1;
    if (fseek(f, 0, SEEK_END) == 0)
        file_size = ftell(f);
    if (file_size < 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        help_error("Help File Error", name, "cannot read the file");
        return 27;
    }

    uint8_t head[HELP_HEADER_SIZE];
    if (!read_exact(f, head, sizeof head)) {
        fclose(f);
        help_error("Help File Error", name, "too short for a help file");
        return 27;
    }
    int32_t n = get_i32(head), headlen = get_i32(head + 4), textlen = get_i32(head + 8);
    if (n < 0 || n > HELP_MAX_TOPICS) {
        fclose(f);
        help_error("Help File Error", name, "%d topics, at most %d", n, HELP_MAX_TOPICS);
        return 27;
    }
    if (headlen < 0 || textlen < 0) {
        fclose(f);
        help_error("Help File Error", name, "negative block length");
        return 27;
    }
    // Everything the header promises must be in the file before anything is
    // allocated from its lengths.
    long long needed = (long long)HELP_HEADER_SIZE + 18LL * n + headlen + textlen;
    if (needed > file_size) {
        fclose(f);
        help_error("Help File Error", name, "ends %lld bytes early", needed - file_size);
        return 27;
    }

    uint8_t records[HELP_MAX_TOPICS * (2 + HELP_TOPIC_SIZE)];
    if (!read_exact(f, records, (size_t)n * (2 + HELP_TOPIC_SIZE))) {
        fclose(f);
        help_error("Help File Error", name, "cannot read the topics");
        return 27;
    }
    for (int i = 0; i < n; i++)
        help_map[i] = get_i16(records + 2 * i);
    for (int k = 0; k < n; k++) {
        const uint8_t* r = records + 2 * n + HELP_TOPIC_SIZE * k;
        HelpTopic& h = help_topics[k];
        h.title = get_i16(r);
        h.lines = get_i16(r + 2);
        h.text = get_i32(r + 4);
        for (int j = 0; j < HELP_LINKS; j++)
            h.link[j] = get_i16(r + 8 + 2 * j);
        h.back = 0; // the stored value means nothing; show_topic sets it
    }

    help_titles = (char*)calloc((size_t)headlen + HELP_BLOCK_PAD, 1);
    help_text = (char*)calloc((size_t)textlen + HELP_BLOCK_PAD, 1);
    if (!help_titles || !help_text) {
        fclose(f);
        unload_help();
        help_error("Help Memory Error", name, "%d + %d bytes", headlen, textlen);
        return 27;
    }
    int ok = read_exact(f, help_titles, (size_t)headlen) && read_exact(f, help_text, (size_t)textlen);
    fclose(f);
    if (!ok) {
        unload_help();
        help_error("Help File Error", name, "cannot read the title and text blocks");
        return 27;
    }
    for (int32_t i = 0; i < textlen; i++)
        if (help_text[i])
            help_text[i] = (char)(uint8_t)((uint8_t)help_text[i] + HELP_TEXT_SHIFT);
    help_count = n;
    help_title_len = headlen;
    help_text_len = textlen;

    // Refuse topics one by one; the others still serve.
    int refused = 0, first_bad = -1;
    const char* first_fault = nullptr;
    for (int k = 0; k < n; k++) {
        const char* fault = topic_fault(k);
        help_usable[k] = fault ? 0 : 1;
        if (fault) {
            if (refused == 0) {
                first_bad = k;
                first_fault = fault;
            }
            refused++;
        }
    }
    if (refused)
        help_error("Help File Error", name, "topic %d: %s; %d topic%s refused", first_bad, first_fault, refused,
                   refused == 1 ? "" : "s");

    help_loaded = true;
    tell_screen_notice("textlen %d headlen %d", textlen, headlen);
    return 0;
}

int load_help() { return load_help_file("novamir.hlp"); }

// ---------------------------------------------------------------------------
// Lookups for the viewer.

bool help_topic_ok(int t)
{
    return help_loaded && t >= 1 && t < help_count && help_usable[t];
}

int help_topic_for(int page, int row)
{
    if (page < 0)
        return help_topic_ok(1) ? 1 : 0;
    if (row < 0 || row >= HELP_MAP_STRIDE)
        return 0;
    int entry = HELP_MAP_STRIDE * page + row;
    if (entry >= help_count)
        return 0;
    int t = help_map[entry];
    return help_topic_ok(t) ? t : 0;
}

int help_link(int t, int slot)
{
    if (!help_topic_ok(t) || slot < 0 || slot >= HELP_LINKS)
        return 0;
    int to = help_topics[t].link[slot];
    return help_topic_ok(to) ? to : 0;
}

const char* help_title(int t)
{
    if (!help_topic_ok(t))
        return nullptr;
    return help_titles + help_topics[t].title;
}

int help_line_count(int t)
{
    if (!help_topic_ok(t))
        return 0;
    int32_t start, count;
    line_span(t, &start, &count);
    return count;
}

const char* help_line(int t, int i)
{
    if (!help_topic_ok(t))
        return nullptr;
    int32_t start, count;
    line_span(t, &start, &count);
    if (i < 0 || i >= count)
        return nullptr;
    const char* line = help_text + start;
    for (int k = 0; k < i; k++)
        line += strlen(line) + 1;
    return line;
}
