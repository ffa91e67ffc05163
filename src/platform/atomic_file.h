// Replacing a file whole or not at all: the one way the program and the data
// builders save anything, so that a failed save never destroys the file that
// was there before.
#pragma once
#include <cstddef> // Required for: size_t

// The new contents go to a temporary file in the target's directory (so the
// rename that replaces the target cannot cross file systems), named
// ".NAME.XXXXXX.EXT" with the target's extension, for writers that pick the
// format from the name. write(temp, ctx) fills it and returns 0 on success.
// The temporary file takes the mode of the file it replaces (a new file gets
// the usual one) and is renamed over the target only when the writer
// succeeded.
// Returns 0, or -1 with the target untouched, the temporary file removed and
// errno set to the system's reason (0 when the writer failed without one).
int write_file_atomically(const char* path, int (*write)(const char* temp, void* ctx), void* ctx);

// The same with any callable int(const char* temp), a lambda for instance.
template <typename Writer>
int write_file_atomically(const char* path, Writer write)
{
    auto call = [](const char* temp, void* ctx) { return (*(Writer*)ctx)(temp); };
    return write_file_atomically(path, call, &write);
}

// The same for bytes in memory, flushed to the disk before the rename unless
// flush is false (a rendered frame, written many times a second, is not).
int write_bytes_atomically(const char* path, const void* bytes, size_t size, bool flush = true);
