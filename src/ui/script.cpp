// Scripted input: a file of keys, clicks and screen dumps that stands in for
// the keyboard and mouse, handed to the input routine at the device level.
//
// Script format: one command per line; blank lines and text after '#' are
// ignored; words are separated by spaces; names are not case-sensitive.
//
//   key NAME...        keys by name: a single character (a, A, 5, ?), Enter,
//                      Esc, Tab, Space, Backspace, Up, Down, Left, Right,
//                      Home, End, PgUp, PgDn, Insert, Delete, F1..F12,
//                      Alt-X and Ctrl-X for a letter or digit X
//   text "abc def"     each character of the quoted text as a key
//   code N...          key codes as the program reads them (13, 315, 289...),
//                      sent as the key that produces the code
//   move X Y           pointer to pixel X, Y of the screen
//   click X Y [right]  press and release the left (or right) button at X, Y
//   wait N             let N polls of the input routine pass with no input
//   gap N              polls between two keys (8 by default, the pace of a
//                      person; fewer makes the repeat counter drop keys, as
//                      with a held key)
//   clock TEXT...      show TEXT in the clock box instead of the time
//   clock live         show the time again
//   dump FILE          write the screen to FILE (.pcx, .bmp or .tga)
//   quit               end the program (status 0)
//
// Pacing: a key is put into the keyboard only when the previous scripted
// input has been taken and the input routine has polled `gap` times since;
// a click, move, dump or clock line waits for the routine to poll once after
// the previous input was taken, so that the program has drawn its answer.
// When the script is done, a keyboard on a display takes over; without one
// the program ends (script_finished).
#include "ui/ui.h"

#include <cctype>  // Required for: tolower, isdigit
#include <cerrno>
#include <cstdio>  // Required for: FILE, fgets, fprintf
#include <cstdlib> // Required for: exit, strtol
#include <cstring> // Required for: strlen, strcasecmp
#include <string>
#include <strings.h> // Required for: strcasecmp
#include <vector>

enum ScriptOp { OP_KEY, OP_MOVE, OP_CLICK, OP_WAIT, OP_GAP, OP_CLOCK, OP_DUMP, OP_QUIT };

struct ScriptEvent {
    ScriptOp op;
    int a, b, c;       // key value; x, y, buttons; counts
    std::string text;  // clock text, dump file
};

// Script state: the events, where the script stands, and what it has handed
// to the devices that the program has not taken yet.
static struct {
    std::vector<ScriptEvent> events;
    size_t next = 0;
    int idle = 0;           // polls since the last scripted input was taken
    int gap = 8;
    int wait_left = -1;     // polls left of a wait, -1 when not waiting
    int pending_key = -1;   // readkey() value in the keyboard, -1 none
    bool keyboard = false;  // a real keyboard is installed
    bool mouse = false;     // a real mouse is installed
} script;

// Presses caught between two looks at the buttons (real clicks by the mouse
// callback, scripted clicks by the script).
static volatile int click_latch = 0;

static void end_program() { exit(0); }
void (*script_finished)() = end_program;
int32_t script_overruns = 0;

// ---------------------------------------------------------------------------
// Devices.

static void mouse_watch(int flags)
{
    if (flags & MOUSE_FLAG_LEFT_DOWN)
        click_latch |= 1;
    if (flags & MOUSE_FLAG_RIGHT_DOWN)
        click_latch |= 2;
}

int install_input()
{
    if (!screen || memory_screen) {
        // No devices: the script drives a stand-in pointer.
        script.keyboard = script.mouse = false;
        mouse_present = 1;
        mouse_x = SCREEN_W / 2;
        mouse_y = SCREEN_H / 2;
        mouse_b = 0;
        return 0;
    }
    if (install_keyboard() != 0)
        return -1;
    script.keyboard = true;
    install_timer();
    if (install_mouse() >= 0) {
        script.mouse = true;
        mouse_present = 1;
        mouse_callback = mouse_watch;
    } else {
        mouse_present = 0;
    }
    return 0;
}

bool device_key_waiting()
{
    return script.pending_key >= 0 || (script.keyboard && keypressed());
}

int device_read_key()
{
    if (script.pending_key >= 0) {
        int value = script.pending_key;
        script.pending_key = -1;
        return value;
    }
    return script.keyboard ? readkey() : 0;
}

void device_clear_keys()
{
    script.pending_key = -1;
    if (script.keyboard)
        clear_keybuf();
}

void device_mouse(int* x, int* y, int* buttons)
{
    // Only a driver that asks for it is polled: polling the X11 mouse
    // throws away the button events its callback would have seen.
    if (script.mouse && mouse_needs_poll())
        poll_mouse();
    *x = mouse_x;
    *y = mouse_y;
    if (buttons) {
        int latched = click_latch;
        click_latch = 0;
        *buttons = (script.mouse ? mouse_b : 0) | latched;
    }
}

bool script_running() { return script.next < script.events.size(); }

bool device_input_possible()
{
    return script.keyboard || script_running() || script.pending_key >= 0 || click_latch;
}

int script_exhausted()
{
    script_overruns++;
    script_finished();
    return KC_ESC;
}

// ---------------------------------------------------------------------------
// Running the script.

void script_poll()
{
    if (script.pending_key >= 0 || click_latch)
        return; // the program has not taken the last input yet
    script.idle++;
    while (script_running()) {
        ScriptEvent& e = script.events[script.next];
        if (e.op == OP_KEY) {
            if (script.idle < script.gap)
                return;
            script.pending_key = e.a;
            script.idle = 0;
            script.next++;
            return;
        }
        if (script.idle < 1)
            return;
        switch (e.op) {
        case OP_CLICK:
            if (script.mouse)
                position_mouse(e.a, e.b);
            else {
                mouse_x = e.a;
                mouse_y = e.b;
            }
            click_latch |= e.c;
            script.idle = 0;
            script.next++;
            return;
        case OP_MOVE:
            if (script.mouse)
                position_mouse(e.a, e.b);
            else {
                mouse_x = e.a;
                mouse_y = e.b;
            }
            break;
        case OP_WAIT:
            if (script.wait_left < 0)
                script.wait_left = e.a;
            if (script.wait_left > 0) {
                script.wait_left--;
                return;
            }
            script.wait_left = -1;
            break;
        case OP_GAP:
            script.gap = e.a;
            break;
        case OP_CLOCK:
            snprintf(fixed_clock, sizeof fixed_clock, "%s", e.text.c_str());
            break;
        case OP_DUMP:
            show_buffer();
            if (dump_screen(e.text.c_str()) != 0)
                fprintf(stderr, "script: cannot write the screen dump %s\n", e.text.c_str());
            break;
        case OP_QUIT:
            script.next = script.events.size();
            script_finished();
            return;
        case OP_KEY:
            break;
        }
        script.next++;
    }
}

// ---------------------------------------------------------------------------
// Reading a script.

// readkey() value of a key name, -1 when unknown.
static int key_by_name(const std::string& name)
{
    static const struct { const char* name; int key; int ascii; } named[] = {
        {"enter", KEY_ENTER, 13},   {"return", KEY_ENTER, 13},   {"esc", KEY_ESC, 27},
        {"escape", KEY_ESC, 27},    {"tab", KEY_TAB, 9},         {"space", KEY_SPACE, 32},
        {"backspace", KEY_BACKSPACE, 8}, {"up", KEY_UP, 0},      {"down", KEY_DOWN, 0},
        {"left", KEY_LEFT, 0},      {"right", KEY_RIGHT, 0},     {"home", KEY_HOME, 0},
        {"end", KEY_END, 0},        {"pgup", KEY_PGUP, 0},       {"pageup", KEY_PGUP, 0},
        {"pgdn", KEY_PGDN, 0},      {"pagedown", KEY_PGDN, 0},   {"insert", KEY_INSERT, 0},
        {"ins", KEY_INSERT, 0},     {"delete", KEY_DEL, 127},    {"del", KEY_DEL, 127},
    };
    for (const auto& n : named)
        if (strcasecmp(name.c_str(), n.name) == 0)
            return n.key << 8 | n.ascii;
    if (name.size() == 1)
        return readkey_value_of((unsigned char)name[0]);
    if ((name[0] == 'f' || name[0] == 'F') && isdigit((unsigned char)name[1])) {
        int n = atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12 && std::to_string(n) == name.substr(1))
            return (KEY_F1 + n - 1) << 8;
        return -1;
    }
    if (name.size() == 5 && name[3] == '-' && strncasecmp(name.c_str(), "alt", 3) == 0) {
        int c = tolower((unsigned char)name[4]);
        int value = readkey_value_of(c);
        if (value < 0 || !isalnum(c))
            return -1;
        return value & 0xff00;
    }
    if (name.size() == 6 && name[4] == '-' && strncasecmp(name.c_str(), "ctrl", 4) == 0) {
        int c = tolower((unsigned char)name[5]);
        if (c < 'a' || c > 'z')
            return -1;
        return (KEY_A + c - 'a') << 8 | (c - 'a' + 1);
    }
    return -1;
}

static bool read_int(const std::string& word, int* out)
{
    char* end = nullptr;
    errno = 0;
    long v = strtol(word.c_str(), &end, 10);
    if (word.empty() || *end || errno || v < -1000000 || v > 1000000)
        return false;
    *out = (int)v;
    return true;
}

// Splits a line into words; a double-quoted word keeps its spaces.
static bool split_words(const char* line, std::vector<std::string>& words)
{
    words.clear();
    const char* p = line;
    while (*p) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p || *p == '#')
            break;
        std::string w;
        if (*p == '"') {
            p++;
            while (*p && *p != '"')
                w += *p++;
            if (*p != '"')
                return false;
            p++;
            w.insert(w.begin(), '"'); // marks a quoted word
        } else {
            while (*p && *p != ' ' && *p != '\t')
                w += *p++;
        }
        words.push_back(w);
    }
    return true;
}

static std::string unquote(const std::string& w) { return w[0] == '"' ? w.substr(1) : w; }

// Adds the events of one line; returns an error text or nullptr.
static const char* parse_line(const char* line, std::vector<ScriptEvent>& out,
                              std::string& bad_word)
{
    std::vector<std::string> words;
    if (!split_words(line, words))
        return "a quote is not closed";
    if (words.empty())
        return nullptr;
    std::string cmd = words[0];
    for (char& ch : cmd)
        ch = (char)tolower((unsigned char)ch);
    size_t n = words.size();
    ScriptEvent e{OP_KEY, 0, 0, 0, ""};
    if (cmd == "key") {
        if (n < 2)
            return "key needs at least one key name";
        for (size_t i = 1; i < n; i++) {
            int v = key_by_name(unquote(words[i]));
            if (v < 0) {
                bad_word = words[i];
                return "unknown key name";
            }
            out.push_back({OP_KEY, v, 0, 0, ""});
        }
        return nullptr;
    }
    if (cmd == "text") {
        if (n != 2 || words[1][0] != '"')
            return "text needs one quoted text";
        for (char ch : unquote(words[1])) {
            int v = readkey_value_of((unsigned char)ch);
            if (v < 0 || (unsigned char)ch < 32) {
                bad_word = std::string(1, ch);
                return "a character no key types";
            }
            out.push_back({OP_KEY, v, 0, 0, ""});
        }
        return nullptr;
    }
    if (cmd == "code") {
        if (n < 2)
            return "code needs at least one key code";
        for (size_t i = 1; i < n; i++) {
            int code = 0, v = -1;
            if (read_int(words[i], &code))
                v = readkey_value_of(code);
            if (v < 0) {
                bad_word = words[i];
                return "no key gives this code";
            }
            out.push_back({OP_KEY, v, 0, 0, ""});
        }
        return nullptr;
    }
    if (cmd == "move" || cmd == "click") {
        bool click = cmd == "click";
        if (n < 3 || n > (click ? 4u : 3u) || !read_int(words[1], &e.a) || !read_int(words[2], &e.b))
            return click ? "click needs X Y and maybe right" : "move needs X Y";
        e.op = click ? OP_CLICK : OP_MOVE;
        e.c = 1;
        if (n == 4) {
            if (strcasecmp(words[3].c_str(), "right") == 0)
                e.c = 2;
            else if (strcasecmp(words[3].c_str(), "left") != 0)
                return "the button is left or right";
        }
        out.push_back(e);
        return nullptr;
    }
    if (cmd == "wait" || cmd == "gap") {
        if (n != 2 || !read_int(words[1], &e.a) || e.a < 0)
            return "needs one count of polls";
        e.op = cmd == "wait" ? OP_WAIT : OP_GAP;
        out.push_back(e);
        return nullptr;
    }
    if (cmd == "clock") {
        if (n < 2)
            return "clock needs a text or live";
        e.op = OP_CLOCK;
        if (!(n == 2 && strcasecmp(words[1].c_str(), "live") == 0)) {
            for (size_t i = 1; i < n; i++)
                e.text += (i > 1 ? " " : "") + unquote(words[i]);
            if (e.text.size() >= sizeof fixed_clock)
                return "the clock text is too long";
        }
        out.push_back(e);
        return nullptr;
    }
    if (cmd == "dump") {
        if (n != 2)
            return "dump needs one file name";
        e.op = OP_DUMP;
        e.text = unquote(words[1]);
        out.push_back(e);
        return nullptr;
    }
    if (cmd == "quit") {
        if (n != 1)
            return "quit takes nothing more";
        e.op = OP_QUIT;
        out.push_back(e);
        return nullptr;
    }
    bad_word = words[0];
    return "unknown command";
}

int load_script_text(const char* text, const char* name)
{
    std::vector<ScriptEvent> events;
    int line_number = 0;
    const char* p = text;
    while (*p) {
        const char* end = strchr(p, '\n');
        size_t len = end ? (size_t)(end - p) : strlen(p);
        std::string line(p, len);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line_number++;
        std::string bad;
        if (const char* error = parse_line(line.c_str(), events, bad)) {
            if (bad.empty())
                fprintf(stderr, "%s line %d: %s\n", name, line_number, error);
            else
                fprintf(stderr, "%s line %d: %s: %s\n", name, line_number, error,
                        unquote(bad).c_str());
            return -1;
        }
        p = end ? end + 1 : p + len;
    }
    script.events = events;
    script.next = 0;
    script.idle = 0; // the first key also waits a gap: a key taken just before may still block
    script.gap = 8;
    script.wait_left = -1;
    script.pending_key = -1;
    click_latch = 0;
    script_overruns = 0;
    return 0;
}

int open_script(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "%s: cannot open the script: %s\n", path, strerror(errno));
        return -1;
    }
    std::string text;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, got);
        if (text.size() > (1u << 24)) {
            fclose(f);
            fprintf(stderr, "%s: the script is larger than 16 MiB\n", path);
            return -1;
        }
    }
    fclose(f);
    if (text.find('\0') != std::string::npos) {
        fprintf(stderr, "%s: not a text file\n", path);
        return -1;
    }
    return load_script_text(text.c_str(), path);
}
