// Frame files of a flipbook: a printf-style pattern or a project's own frame
// names, turned into the list of files to play.
#include "play/play.h"

#include <dirent.h>   // Required for: opendir, readdir
#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: stat
#include <climits>
#include <cstdio>
#include <cstring>

#include "render/render.h" // Required for: check_frame_number, frame_names, tga_name, bmp_name
#include "store/canvas.h"  // Required for: apply_parameters
#include "store/records.h" // Required for: clear_objects
#include "store/store.h"   // Required for: F_SAVE_TGA, I_END_FRAME, I_START_FRAME, I_THIS_FRAME, reset_store

static bool is_file(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

static int fail(char* why, size_t why_size, const char* fmt, const char* a, const char* b = "")
{
    snprintf(why, why_size, fmt, a, b);
    return 1;
}

int check_frame_pattern(const char* pattern, char* why, size_t why_size)
{
    // Numbered as the batch renderer numbers its files; any picture type.
    if (const char* problem = check_frame_number(pattern))
        return fail(why, why_size, "%s: %s", pattern, problem);
    return 0;
}

std::string frame_file_name(const char* pattern, int n)
{
    char out[4096];
    snprintf(out, sizeof out, pattern, n); // a checked pattern: one %d, "%%" as itself
    return out;
}

// The frame numbers a directory holds under the pattern: a name matches when
// the number it shows, written by the pattern again, gives the name back.
static int lowest_number(const char* pattern, int* lowest)
{
    const std::string first = frame_file_name(pattern, 0);
    const size_t sep = first.rfind('/');
    const std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : first.substr(0, sep));
    const size_t skip = sep == std::string::npos ? 0 : sep + 1;
    // What stands before the number in the file name part of the pattern.
    const char* field = strchr(pattern, '%');
    while (field && field[1] == '%')
        field = strchr(field + 2, '%');
    const std::string lead = frame_file_name(std::string(pattern, field - pattern).c_str(), 0).substr(skip);
    DIR* d = opendir(dir.c_str());
    if (!d)
        return 0;
    int found = 0;
    *lowest = INT_MAX;
    while (dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (strncmp(name, lead.c_str(), lead.size()) != 0)
            continue;
        const char* digits = name + lead.size();
        long n = 0;
        int k = 0;
        while (digits[k] >= '0' && digits[k] <= '9' && k < 9)
            n = n * 10 + (digits[k++] - '0');
        if (k == 0 || n >= *lowest)
            continue;
        const std::string full = (sep == std::string::npos ? "" : first.substr(0, sep + 1)) + name;
        if (frame_file_name(pattern, (int)n) == full && is_file(full)) {
            *lowest = (int)n;
            found = 1;
        }
    }
    closedir(d);
    return found;
}

int frames_of_pattern(const char* pattern, PlayFrames* out, char* why, size_t why_size)
{
    out->names.clear();
    out->first_number = 0;
    if (!strchr(pattern, '%')) {
        if (!is_file(pattern))
            return fail(why, why_size, "%s: no such file, and no frame number such as %%04d in it", pattern);
        out->names.push_back(pattern);
        return 0;
    }
    if (check_frame_pattern(pattern, why, why_size) != 0)
        return 1;
    int n;
    if (!lowest_number(pattern, &n))
        return fail(why, why_size, "no frame file matches %s", pattern);
    out->first_number = n;
    for (; (int)out->names.size() < PLAY_MAX_FRAMES && n < INT_MAX; n++) {
        std::string name = frame_file_name(pattern, n);
        if (!is_file(name))
            break;
        out->names.push_back(name);
    }
    return 0;
}

int frames_of_project(const char* path, int (*read_project)(const char* path), PlayFrames* out, char* why,
                      size_t why_size)
{
    out->names.clear();
    out->first_number = 0;
    clear_objects();
    reset_store();
    if (!read_project || read_project(path) != 0)
        return fail(why, why_size, "%s: the project file cannot be read", path);
    const bool tga = flag_param[F_SAVE_TGA] || !flag_param[F_SAVE_BMP];
    const int start = int_param[I_START_FRAME], end = int_param[I_END_FRAME];
    const int this_frame = int_param[I_THIS_FRAME];
    std::string first_name;
    for (int n = start; n <= end; n++) {
        int_param[I_THIS_FRAME] = n;
        apply_parameters();
        frame_names();
        const std::string name = tga ? tga_name : bmp_name;
        if (first_name.empty())
            first_name = name;
        if (is_file(name)) {
            if (out->names.empty())
                out->first_number = n;
            out->names.push_back(name);
        } else if (!out->names.empty()) {
            break;
        }
    }
    int_param[I_THIS_FRAME] = this_frame;
    apply_parameters();
    if (out->names.empty()) {
        if (first_name.empty())
            return fail(why, why_size, "%s: START FRAME lies after END FRAME: no frames", path);
        return fail(why, why_size, "%s: none of its frames is there (the first would be %s)", path,
                    first_name.c_str());
    }
    return 0;
}
