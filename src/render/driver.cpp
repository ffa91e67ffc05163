// Frame generation driver: one frame, or a run of frames, from the object list
// to the output files.
#include "render/render.h"

#include <allegro.h> // Required for: clear_bitmap, clear_to_color, textout_ex, font

#include <cstdio>
#include <cstring>
#include <strings.h> // Required for: strcasecmp

#include "images/images.h" // Required for: load_backdrop, save_frame_bmp, save_frame_tga
#include "scene/scene.h"   // Required for: order_frame
#include "store/canvas.h"  // Required for: RENDER_PREVIEW, RESULT_ABANDON, apply_parameters, replay_only
#include "store/records.h" // Required for: OBJ_BITMAP, OBJ_SKY, depth_order
#include "store/store.h"   // Required for: F_PATH_ENABLE, F_SAVE_BMP, F_SAVE_TGA

char tga_name[128];
char bmp_name[128];
const char* output_pattern = nullptr;
char output_name[512];
void (*frame_done)(int frame, int result) = nullptr;

// Status text position and colour on the screen buffer.
constexpr int STATUS_X = 80;
constexpr int STATUS_Y = 230;
constexpr int STATUS_COLOUR = 200;
constexpr int NAME_CHARS = 5; // characters of the project name in a frame name

void frame_names()
{
    char base[8];
    snprintf(base, sizeof base, "%.*s", NAME_CHARS, str_param[S_PROJECT_NAME]);
    const char* path = flag_param[F_PATH_ENABLE] ? str_param[S_OUTPUT_PATH] : "";
    // The output path is put in front unchanged: the user types its separator.
    snprintf(tga_name, sizeof tga_name, "%.*s%s%03d.tga", STR_LEN, path, base, current_frame());
    snprintf(bmp_name, sizeof bmp_name, "%.*s%s%03d.bmp", STR_LEN, path, base, current_frame());
    if (output_pattern) {
        // Checked by check_output_pattern: one integer conversion only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        snprintf(output_name, sizeof output_name, output_pattern, current_frame());
#pragma GCC diagnostic pop
    }
}

const char* check_frame_number(const char* pattern)
{
    int numbers = 0;
    for (const char* c = pattern; *c; c++) {
        if (*c != '%')
            continue;
        if (c[1] == '%') {
            c++;
            continue;
        }
        // An optional zero flag and a width of one or two digits, then d.
        c++;
        if (*c == '0')
            c++;
        for (int digits = 0; *c >= '0' && *c <= '9' && digits < 2; digits++)
            c++;
        if (*c != 'd')
            return "a \"%\" must start a frame number such as %04d or %d (a percent sign is written %%)";
        // Frames of one run lie in one folder, where a resumed run and the
        // flipbook find them.
        if (strchr(c, '/'))
            return "the frame number must be in the file name, not in a folder";
        numbers++;
    }
    if (numbers != 1)
        return "it needs exactly one frame number, e.g. shot_%04d.png";
    if (strlen(pattern) > 400)
        return "it is longer than 400 characters";
    return nullptr;
}

const char* check_output_pattern(const char* pattern)
{
    if (const char* problem = check_frame_number(pattern))
        return problem;
    const char* dot = strrchr(pattern, '.');
    if (!dot || strchr(dot, '/') || (strcasecmp(dot, ".tga") && strcasecmp(dot, ".bmp") && strcasecmp(dot, ".png")))
        return "its extension must be .tga, .bmp or .png";
    return nullptr;
}

int frame_file_names(const char* names[2])
{
    int n = 0;
    if (output_pattern) {
        names[n++] = output_name;
        return n;
    }
    if (flag_param[F_SAVE_BMP])
        names[n++] = bmp_name;
    if (flag_param[F_SAVE_TGA])
        names[n++] = tga_name;
    return n;
}

static void show_status()
{
    if (!preview_target)
        return;
    char text[140];
    if (flag_param[F_SAVE_TGA])
        snprintf(text, sizeof text, "%s", tga_name);
    else if (flag_param[F_SAVE_BMP])
        snprintf(text, sizeof text, "%s", bmp_name);
    else
        snprintf(text, sizeof text, "Frame %d", current_frame());
    textout_ex(preview_target, font, text, STATUS_X, STATUS_Y, STATUS_COLOUR, -1);
}

int generate_frame(int flags)
{
    frame_names();
    if ((flags & RENDER_PREVIEW) && preview_target)
        clear_bitmap(preview_target);
    // A replayed frame paints no pixel and no part of it reads one, so the
    // buffer is left as it is; the first frame rendered after it clears it.
    if (!replay_only)
        clear_to_color(frame_buffer, 0);

    if (str_param[S_BACKDROP][0] && load_backdrop(str_param[S_BACKDROP]) != 0)
        return RESULT_ABANDON;

    const int frame = current_frame();
    order_frame(frame);
    for (int pos = 0; pos < object_count && depth_order[pos] >= 0; pos++) {
        int slot = depth_order[pos];
        int type = object_slots[slot].type;
        restore_object(slot);
        apply_parameters();
        int start = 0, end = -1;
        if (type >= OBJ_SKY && type <= OBJ_BITMAP) {
            start = page_frames[type].start;
            end = page_frames[type].end;
        }
        show_status();
        if (start <= frame && frame <= end && draw_object(slot, type, flags) == RESULT_ABANDON)
            return RESULT_ABANDON;
        if (present_preview)
            present_preview();
    }

    // The writers keep their library state (conversion mode, palette) even
    // when a replay skips the files, so later frames load images the same way.
    // Frames written under another name run the project's writers the same
    // way, for their state only.
    const bool state_only = replay_only;
    if (output_pattern)
        replay_only = true;
    int result = 0;
    if (flag_param[F_SAVE_BMP])
        result = save_frame_bmp(bmp_name);
    if (flag_param[F_SAVE_TGA])
        result = save_frame_tga(tga_name);
    replay_only = state_only;
    if (output_pattern && !replay_only)
        result = save_frame_as(output_name);
    return result;
}

int generate_all(int flags)
{
    apply_parameters();
    const int first = int_param[I_START_FRAME];
    const int last = int_param[I_END_FRAME];
    for (int f = first; f <= last; f++) {
        rs.i[I_THIS_FRAME] = f;
        int_param[I_THIS_FRAME] = f;
        int result = generate_frame(flags);
        if (frame_done)
            frame_done(f, result);
        if (result == RESULT_ABANDON)
            return RESULT_ABANDON;
    }
    return 0;
}
