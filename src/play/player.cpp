// Flipbook player: the window, the frames read a few ahead, the keys and the
// clock that turns the frames at the chosen rate.
#include "play/play.h"

#include <allegro.h> // Required for: BITMAP, load_bitmap, stretch_blit, textout_ex, set_close_button_callback
#include <strings.h> // Required for: strcasecmp
#include <time.h>    // Required for: clock_gettime
#include <algorithm> // Required for: std::min, std::max
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "images/formats.h"    // Required for: ImageCheck, check_library_image, format_by_extension
#include "platform/platform.h" // Required for: init_headless, platform_headless, register_picture_types
#include "ui/ui.h"             // Required for: KC_*, device_read_key, open_screen, script_poll, show_buffer

constexpr int STATUS_BAR = 12;       // pixels under the frame for the status line (8-pixel font)
constexpr int POLL_MS = 10;          // one pass of the loop: the clock's step under a script
constexpr int CACHE_FRAMES = 6;      // frames held at once: the shown one and those read ahead
constexpr int READ_AHEAD = 3;        // frames after the shown one read while nothing else happens
constexpr int MAX_VIEW_W = 1280;     // a larger frame is shown scaled down to fit
constexpr int MAX_VIEW_H = 900;
constexpr int MIN_VIEW_W = 480;      // room for the status line
constexpr int STATUS_TEXT = 300;

// One decoded frame at the screen's depth; index -1 marks a free slot, a
// frame that could not be read is held as bad (null bitmap) so that it is
// reported once, not on every pass of the loop.
struct CachedFrame {
    int index;
    BITMAP* bmp;
};

// Player state beside PlayState: what is held and how the clock stands.
static struct {
    const PlayFrames* frames;
    CachedFrame cache[CACHE_FRAMES];
    bool failed;            // a frame could not be read: the exit status says so
    bool virtual_clock;     // under a script time moves POLL_MS a pass, exactly
    long ticks;             // passes of the loop so far
    int view_w, view_h;     // the frame area of the screen
    bool script_done;
} play;

static volatile int close_clicked = 0;
static void on_close_button() { close_clicked = 1; }
static void on_script_end() { play.script_done = true; }

static long now_ms()
{
    if (play.virtual_clock)
        return play.ticks * POLL_MS;
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

int next_rate(int fps, int dir)
{
    if (dir > 0) {
        for (int rate : PLAY_RATES)
            if (rate > fps)
                return rate;
    } else {
        for (int k = PLAY_RATE_COUNT - 1; k >= 0; k--)
            if (PLAY_RATES[k] < fps)
                return PLAY_RATES[k];
    }
    return fps;
}

bool play_key(PlayState* s, int key)
{
    switch (key) {
    case KC_SPACE: s->paused = !s->paused; break;
    case KC_RIGHT: s->frame = (s->frame + 1) % s->count, s->paused = true; break;
    case KC_LEFT: s->frame = (s->frame + s->count - 1) % s->count, s->paused = true; break;
    case KC_HOME: s->frame = 0; break;
    case KC_END: s->frame = s->count - 1; break;
    case '+': case '=': s->fps = next_rate(s->fps, 1); break;
    case '-': case '_': s->fps = next_rate(s->fps, -1); break;
    case KC_ESC: case 'q': case 'Q': s->quit = true; break;
    default: return false;
    }
    return true;
}

// Reads a frame file, checked first as every picture is, at the screen's
// depth (a 256-colour BMP through its own palette). Null after a message.
static BITMAP* read_frame(const char* name, bool convert)
{
    ImageCheck check;
    if (check_library_image(name, format_by_extension(name), &check) != 0) {
        fprintf(stderr, "novamir-play: %s: %s\n", name, check.why);
        return nullptr;
    }
    set_color_conversion(convert ? COLORCONV_TOTAL : COLORCONV_NONE);
    PALETTE pal;
    BITMAP* bmp = load_bitmap(name, pal);
    if (!bmp)
        fprintf(stderr, "novamir-play: %s: the picture cannot be decoded\n", name);
    return bmp;
}

// The held frame of an index, read now when it is not held: the slot given
// up is the one furthest ahead of `current` in playing order.
static CachedFrame* frame_at(int index, int current)
{
    const int count = (int)play.frames->names.size();
    CachedFrame* slot = nullptr;
    int furthest = -1;
    for (CachedFrame& c : play.cache) {
        if (c.index == index)
            return &c;
        const int ahead = c.index < 0 ? count : (c.index - current + count) % count;
        if (ahead > furthest)
            furthest = ahead, slot = &c;
    }
    if (slot->bmp)
        destroy_bitmap(slot->bmp);
    slot->index = index;
    slot->bmp = read_frame(play.frames->names[index].c_str(), true);
    if (!slot->bmp)
        play.failed = true;
    return slot;
}

// Reads one of the next frames that is not held yet; false when all are.
static bool read_ahead(const PlayState& s)
{
    for (int k = 1; k <= READ_AHEAD && k < s.count; k++) {
        const int index = (s.frame + k) % s.count;
        bool held = false;
        for (const CachedFrame& c : play.cache)
            held = held || c.index == index;
        if (!held) {
            frame_at(index, s.frame);
            return true;
        }
    }
    return false;
}

static void draw(const PlayState& s)
{
    clear_bitmap(screen_buffer);
    const CachedFrame* f = frame_at(s.frame, s.frame);
    const std::string& name = play.frames->names[s.frame];
    if (f->bmp) {
        const int w = f->bmp->w, h = f->bmp->h;
        if (w <= play.view_w && h <= play.view_h) {
            blit(f->bmp, screen_buffer, 0, 0, (play.view_w - w) / 2, (play.view_h - h) / 2, w, h);
        } else {
            // Scaled to fit, its shape kept.
            const double k = std::min((double)play.view_w / w, (double)play.view_h / h);
            const int sw = std::max(1, (int)(w * k)), sh = std::max(1, (int)(h * k));
            stretch_blit(f->bmp, screen_buffer, 0, 0, w, h, (play.view_w - sw) / 2, (play.view_h - sh) / 2, sw, sh);
        }
    }
    char text[STATUS_TEXT];
    const size_t slash = name.rfind('/');
    snprintf(text, sizeof text, "%d/%d  frame %d  %d fps%s  %s%s", s.frame + 1, s.count,
             play.frames->first_number + s.frame, s.fps, s.paused ? "  paused" : "", f->bmp ? "" : "cannot read ",
             name.c_str() + (slash == std::string::npos ? 0 : slash + 1));
    textout_ex(screen_buffer, font, text, 4, play.view_h + (STATUS_BAR - 8) / 2, makecol(255, 255, 255), -1);
    show_buffer();
}

// Brings the library up (without a display under a script when there is
// none) and opens a screen sized for the first frame. 0, or 1 after a message.
static int open_player(const PlayOptions& o)
{
    const char* display = getenv("DISPLAY");
    const bool headless = o.script && (!display || !display[0]);
    if (headless) {
        if (init_headless() != 0) {
            fprintf(stderr, "novamir-play: the graphics library cannot start\n");
            return 1;
        }
    } else {
        if (allegro_init() != 0) {
            fprintf(stderr, "novamir-play: cannot open a window: %s; use --script FILE to run without one\n",
                    display && display[0] ? "the X display cannot be opened" : "no X display (DISPLAY is not set)");
            return 1;
        }
        register_picture_types();
    }
    set_window_title("novamir-play");
    // The window takes the first frame's size, scaled down to fit when large.
    int w = 640, h = 480;
    if (BITMAP* first = read_frame(play.frames->names[0].c_str(), false)) {
        w = first->w, h = first->h;
        destroy_bitmap(first);
    } else {
        play.cache[0] = {0, nullptr}; // reported once: held as bad
        play.failed = true;
    }
    const double k = std::min(1.0, std::min((double)MAX_VIEW_W / w, (double)MAX_VIEW_H / h));
    play.view_w = std::max(MIN_VIEW_W, (int)(w * k));
    play.view_h = std::max(1, (int)(h * k));
    int depth = 24; // a memory screen dumps exactly what the frames hold
    if (!headless) {
        const int desktop = desktop_color_depth();
        depth = desktop == 15 || desktop == 16 || desktop == 24 || desktop == 32 ? desktop : 32;
    }
    if (open_screen(play.view_w, play.view_h + STATUS_BAR, depth) != 0) {
        fprintf(stderr, "novamir-play: cannot open a %d x %d window: %s\n", play.view_w, play.view_h + STATUS_BAR,
                platform_gfx_error());
        return 1;
    }
    if (create_screen_buffer() != 0 || install_input() != 0) {
        fprintf(stderr, "novamir-play: no screen buffer or no keyboard\n");
        return 1;
    }
    if (o.script && open_script(o.script) != 0)
        return 1;
    script_finished = on_script_end;
    if (!headless)
        set_close_button_callback(on_close_button);
    play.virtual_clock = o.script != nullptr;
    return 0;
}

int run_flipbook(const PlayOptions& o)
{
    PlayFrames frames;
    char why[1200];
    const size_t len = strlen(o.source);
    const bool project = len > 4 && strcasecmp(o.source + len - 4, ".cfg") == 0;
    const int found = project ? frames_of_project(o.source, o.read_project, &frames, why, sizeof why)
                              : frames_of_pattern(o.source, &frames, why, sizeof why);
    if (found != 0) {
        fprintf(stderr, "novamir-play: %s\n", why);
        return 1;
    }
    play.frames = &frames;
    for (CachedFrame& c : play.cache)
        c = {-1, nullptr};
    if (open_player(o) != 0)
        return 1;

    PlayState s = {0, (int)frames.names.size(), o.fps, false, false};
    long due = now_ms() + 1000 / s.fps;
    bool changed = true;
    while (!s.quit && !close_clicked && !play.script_done) {
        if (o.script)
            script_poll();
        while (device_key_waiting()) {
            const PlayState before = s;
            if (!play_key(&s, key_code_of(device_read_key())))
                continue;
            changed = true;
            if (s.fps != before.fps || (before.paused && !s.paused))
                due = now_ms() + 1000 / s.fps;
        }
        if (s.quit || play.script_done || !device_input_possible())
            break;
        const long now = now_ms();
        if (!s.paused && now >= due) {
            s.frame = (s.frame + 1) % s.count;
            due += 1000 / s.fps;
            if (due <= now) // a frame slower to read than the rate: no catching up
                due = now + 1000 / s.fps;
            changed = true;
        }
        // On a display a pass takes POLL_MS even under a script, so that the
        // keyboard taking over after the script finds the real pace.
        if (changed)
            draw(s);
        else if (!read_ahead(s) && !platform_headless)
            rest(POLL_MS);
        changed = false;
        play.ticks++;
    }
    for (CachedFrame& c : play.cache)
        if (c.bmp)
            destroy_bitmap(c.bmp);
    close_screen();
    return play.failed ? 1 : 0;
}
