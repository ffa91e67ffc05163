// Platform layer: headless start, error exit, graphics mode, file lookup.
#include "platform/platform.h"

#include <allegro.h>  // Required for: install_allegro, set_gfx_mode, _rgb_*_shift_24
#include <dirent.h>   // Required for: opendir, readdir
#include <jpgalleg.h> // Required for: jpgalleg_init
#include <loadpng.h>  // Required for: register_png_file_type
#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: stat
#include <unistd.h>   // Required for: readlink
#include <climits>    // Required for: PATH_MAX (realpath)
#include <ctime>      // Required for: clock_gettime
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

void register_picture_types()
{
    static bool registered = false;
    if (registered)
        return;
    register_png_file_type();
    jpgalleg_init();
    // The add-on knows only ".jpg"; ".jpeg" is as common.
    register_bitmap_file_type("jpeg", load_jpg, save_jpg);
    registered = true;
}

int init_headless()
{
    if (!system_driver) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            return -1;
    }
    platform_headless = true;
    fix_24bit_byte_order();
    register_picture_types();
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

// Matches each component of name regardless of case. With any_entry the
// last component need only be a directory entry (a symlink that leads
// nowhere, say), so that a lookup can tell "absent" from "unreadable".
static int resolve_entry(const char* name, char* out, size_t out_size, bool any_entry)
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
    struct stat st;
    if (result.empty() || !(any_entry ? lstat(result.c_str(), &st) == 0 : exists(result)) ||
        result.size() + 1 > out_size)
        return 0;
    memcpy(out, result.c_str(), result.size() + 1);
    return 1;
}

int resolve_path(const char* name, char* out, size_t out_size) { return resolve_entry(name, out, out_size, false); }

// The folder of the running program, links resolved ("" when the system
// does not say).
static std::string program_dir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    path[n] = 0;
    char* slash = strrchr(path, '/');
    if (!slash)
        return "";
    *slash = 0;
    return path;
}

// The lookup path in order: the current directory (""), $NOVAMIR_DATA and
// its samples, the built data and its samples, the installed data and its
// samples. The built data counts only for a program that runs from the build
// tree's bin folder: an installed copy must not pick up whatever a build
// left behind on the machine. The installed data lies beside the program
// (BIN/../share/novamir), so an installed tree works wherever it was put.
static std::vector<std::string> lookup_dirs()
{
    std::vector<std::string> dirs{""};
    const char* env = getenv("NOVAMIR_DATA");
    if (env && env[0]) {
        dirs.push_back(env);
        dirs.push_back(std::string(env) + "/samples");
    }
    const std::string bin = program_dir();
    if (bin.empty())
        return dirs;
    char build_bin[PATH_MAX];
    if (NOVAMIR_BUILD_DATA_DIR[0] && realpath(NOVAMIR_BUILD_BIN_DIR, build_bin) && bin == build_bin) {
        dirs.push_back(NOVAMIR_BUILD_DATA_DIR);
        dirs.push_back(NOVAMIR_BUILD_DATA_DIR "/samples");
    }
    const std::string installed = bin + "/" NOVAMIR_DATA_FROM_BIN;
    dirs.push_back(installed);
    dirs.push_back(installed + "/samples");
    return dirs;
}

static bool absolute_name(const char* name) { return name[0] == '/' || name[0] == '\\'; }

int find_data_file(const char* name, char* out, size_t out_size)
{
    if (!name || !name[0])
        return 0;
    for (const std::string& dir : lookup_dirs()) {
        std::string full = dir.empty() ? std::string(name) : dir + "/" + name;
        if (resolve_path(full.c_str(), out, out_size))
            return 1;
        if (absolute_name(name))
            break;
    }
    return 0;
}

int find_data_file_first(const char* const* names, int count, char* out, size_t out_size, char* reason,
                         size_t reason_size)
{
    if (reason_size)
        reason[0] = 0;
    for (const std::string& dir : lookup_dirs()) {
        for (int i = 0; i < count; i++) {
            if (!names[i] || !names[i][0])
                continue;
            if (!dir.empty() && absolute_name(names[i]))
                continue;
            std::string full = dir.empty() ? std::string(names[i]) : dir + "/" + names[i];
            if (!resolve_entry(full.c_str(), out, out_size, true))
                continue;
            // The entry is there: it is the file, readable or not.
            struct stat st;
            int err = 0;
            if (stat(out, &st) != 0)
                err = errno;
            else if (S_ISDIR(st.st_mode))
                err = EISDIR;
            else if (FILE* f = fopen(out, "rb"))
                fclose(f);
            else
                err = errno;
            if (err == 0)
                return i;
            snprintf(reason, reason_size, "%s", strerror(err));
            return LOOKUP_UNREADABLE;
        }
    }
    return LOOKUP_NONE;
}

void join_path_prefix(const char* prefix, const char* name, char* out, size_t out_size)
{
    snprintf(out, out_size, "%s%s", prefix ? prefix : "", name ? name : "");
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

static void identity_of(const struct stat& st, FileIdentity* out)
{
    *out = FileIdentity{(long long)st.st_dev,      (long long)st.st_ino,       (long long)st.st_size,
                        (long long)st.st_mtim.tv_sec, (long long)st.st_mtim.tv_nsec, (long long)st.st_ctim.tv_sec,
                        (long long)st.st_ctim.tv_nsec};
}

int file_identity(const char* path, FileIdentity* out)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return -1;
    identity_of(st, out);
    return 0;
}

int file_identity(int fd, FileIdentity* out)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    identity_of(st, out);
    return 0;
}

bool same_file(const FileIdentity& a, const FileIdentity& b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.mtime_s == b.mtime_s &&
           a.mtime_ns == b.mtime_ns && a.ctime_s == b.ctime_s && a.ctime_ns == b.ctime_ns;
}

bool identity_settled(const FileIdentity& file)
{
    timespec now;
    if (clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0)
        return false;
    return file.ctime_s < now.tv_sec || (file.ctime_s == now.tv_sec && file.ctime_ns < now.tv_nsec);
}

bool read_rest(FILE* f, std::vector<uint8_t>& out)
{
    out.clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + got);
    return !ferror(f);
}
