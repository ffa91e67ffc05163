// Linux/X11 stand-ins for the Windows pieces: program entry, the critical
// error box, headless library start, graphics mode choice, file lookup.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: uint8_t
#include <cstdio>  // Required for: FILE
#include <vector>  // Required for: std::vector

// Stops the program: prints the formatted message on stderr, shows it with
// allegro_message when a display is up, exits with status -1. Never returns.
[[noreturn]] void critical_error(const char* fmt, ...);

// Brings Allegro up without a display (memory bitmaps, image files, palettes
// only), fixes the 24-bit byte order and registers the picture types.
// Returns 0, or -1 on failure.
int init_headless();

// Lets load_bitmap read .png (the library's loadpng add-on) and .jpg/.jpeg
// (jpgalleg) beside its own TGA, BMP, PCX and LBM. Call once Allegro is up;
// a second call does nothing.
void register_picture_types();

// Makes 24-bit bitmaps store blue, green, red bytes (red in the high byte),
// whatever the screen depth. Call before creating 24-bit bitmaps.
void fix_24bit_byte_order();

// True when Allegro was started without a display.
extern bool platform_headless;

// Graphics mode: windowed by default so the window sits where a user sees it;
// set platform_fullscreen before start-up to ask for a full screen.
extern bool platform_fullscreen;
// set_gfx_mode for the given size with the platform's driver choice; 0 on success.
int platform_set_mode(int width, int height);
// The last graphics error as a useful text even where allegro_error is empty.
const char* platform_gfx_error();

// File lookup. A stored name may use "\" or "/" as separators and any case:
// each path component is matched regardless of case. Returns 1 and the real
// path in out when the file exists.
int resolve_path(const char* name, char* out, size_t out_size);

// Data files: the current directory first, then $NOVAMIR_DATA, then the built
// data directory when the program runs from the build tree, then the data
// installed beside the program (BIN/../share/novamir); each data directory
// with its samples/ folder.
// Returns 1 and the real path in out when found.
int find_data_file(const char* name, char* out, size_t out_size);

// Looks several names up directory by directory along the same path: every
// name in one directory before the next directory, so that the user's plain
// SHIP.TGA wins over a numbered SHIP000.TGA among the samples. Returns the
// index of the name found, with its real path in out; LOOKUP_NONE when no
// directory has any of them; LOOKUP_UNREADABLE when the first one there
// cannot be read (a directory, a symlink loop, no permission): out then holds
// its path and reason the system's reason. It is not passed over for a file
// further down the path.
constexpr int LOOKUP_NONE = -1;
constexpr int LOOKUP_UNREADABLE = -2;
int find_data_file_first(const char* const* names, int count, char* out, size_t out_size, char* reason,
                         size_t reason_size);

// BITMAP PATH and a name as both the image loaders and the image list join
// them: the path is a prefix, as typed, with no separator added ("imgs/"
// names a folder, "imgs" with SHIP.TGA gives "imgsSHIP.TGA").
void join_path_prefix(const char* prefix, const char* name, char* out, size_t out_size);

// fopen through find_data_file for reading ("rb"); through resolve_path, or the
// name with "\" turned into "/" for a new file, for writing. NULL on failure.
FILE* open_data_file(const char* name, const char* mode);
// Reads the rest of an open file into out (the stream stays open); false on a
// read error.
bool read_rest(FILE* f, std::vector<uint8_t>& out);

// What tells one state of a file on disk from another: a file whose identity
// is unchanged holds the bytes it held, so what was read from it can be kept.
struct FileIdentity {
    long long device, inode, size;
    long long mtime_s, mtime_ns; // last change of the contents
    long long ctime_s, ctime_ns; // last change of the file, contents or not
};
// stat of path (links followed) or of an open file; 0, or -1 with errno set.
int file_identity(const char* path, FileIdentity* out);
int file_identity(int fd, FileIdentity* out);
bool same_file(const FileIdentity& a, const FileIdentity& b);
// True when the file's last change lies in an earlier tick of the clock the
// file system stamps files with: any later change then gives it another
// identity. A file changed within the current tick could change again
// without a new time stamp, so what was read from it is not kept.
bool identity_settled(const FileIdentity& file);
