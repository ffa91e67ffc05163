// Platform layer: headless start, error exit, graphics mode, file lookup.
#include "platform/platform.h"

#include <allegro.h>  // Required for: install_allegro, set_gfx_mode, _rgb_*_shift_24
#include <dirent.h>   // Required for: opendir, readdir
#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: stat
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

bool platform_headless = false;
bool platform_fullscreen = false;

static char gfx_error_text[256];

void critical_error(const char* fmt, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    fprintf(stderr, "Critical Error: %s\n", text);
    if (!platform_headless && system_driver) {
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
        allegro_message("%s\n", text);
    }
    exit(-1);
}

void fix_24bit_byte_order()
{
    _rgb_r_shift_24 = 16;
    _rgb_g_shift_24 = 8;
    _rgb_b_shift_24 = 0;
}

int init_headless()
{
    if (!system_driver) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            return -1;
    }
    platform_headless = true;
    fix_24bit_byte_order();
    return 0;
}

int platform_set_mode(int width, int height)
{
    gfx_error_text[0] = 0;
    int card = platform_fullscreen ? GFX_AUTODETECT_FULLSCREEN : GFX_AUTODETECT_WINDOWED;
    if (set_gfx_mode(card, width, height, 0, 0) != 0) {
        if (allegro_error[0])
            snprintf(gfx_error_text, sizeof gfx_error_text, "%s", allegro_error);
        else if (!getenv("DISPLAY"))
            snprintf(gfx_error_text, sizeof gfx_error_text,
                     "no X display (DISPLAY is not set) for a %dx%d mode", width, height);
        else
            snprintf(gfx_error_text, sizeof gfx_error_text,
                     "the X display %s refused a %dx%d mode", getenv("DISPLAY"), width, height);
        return -1;
    }
    fix_24bit_byte_order();
    return 0;
}

const char* platform_gfx_error() { return gfx_error_text; }

static bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Finds the entry of dir whose name equals part regardless of case.
static bool match_component(const std::string& dir, const std::string& part, std::string& found)
{
    std::string direct = dir.empty() ? part : dir + "/" + part;
    if (exists(direct)) {
        found = part;
        return true;
    }
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    bool ok = false;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    closedir(d);
    return ok;
}

int resolve_path(const char* name, char* out, size_t out_size)
{
    if (!name || !name[0])
        return 0;
    std::string path(name);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    std::string result;
    size_t pos = 0;
    if (path[0] == '/') {
        result = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        std::string part = path.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".")
            continue;
        std::string dir = result;
        if (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        std::string found;
        if (part == "..")
            found = part;
        else if (!match_component(dir, part, found))
            return 0;
        result = dir.empty() ? found : (dir == "/" ? "/" + found : dir + "/" + found);
    }
    if (result.empty() || !exists(result) || result.size() + 1 > out_size)
        return 0;
    memcpy(out, result.c_str(), result.size() + 1);
    return 1;
}

int find_data_file(const char* name, char* out, size_t out_size)
{
    if (!name || !name[0])
        return 0;
    if (resolve_path(name, out, out_size))
        return 1;
    if (name[0] == '/' || name[0] == '\\')
        return 0;
    // The samples folder of a data directory named by $NOVAMIR_DATA is
    // searched too, as that of the built one is.
    std::string env_samples = getenv("NOVAMIR_DATA") ? std::string(getenv("NOVAMIR_DATA")) + "/samples" : "";
    const char* dirs[6] = {getenv("NOVAMIR_DATA"), env_samples.c_str(), NOVAMIR_BUILD_DATA_DIR,
                           NOVAMIR_BUILD_DATA_DIR "/samples", NOVAMIR_INSTALL_DATA_DIR, nullptr};
    for (int i = 0; i < 5; i++) {
        if (!dirs[i] || !dirs[i][0])
            continue;
        std::string full = std::string(dirs[i]) + "/" + name;
        if (resolve_path(full.c_str(), out, out_size))
            return 1;
    }
    return 0;
}

FILE* open_data_file(const char* name, const char* mode)
{
    char path[1024];
    if (mode[0] == 'r') {
        if (!find_data_file(name, path, sizeof path))
            return nullptr;
        return fopen(path, mode);
    }
    if (resolve_path(name, path, sizeof path))
        return fopen(path, mode);
    std::string plain(name ? name : "");
    for (char& c : plain)
        if (c == '\\')
            c = '/';
    return fopen(plain.c_str(), mode);
}
