// Whole-or-nothing file replacement through a temporary file and a rename.
#include "platform/atomic_file.h"

#include <fcntl.h>    // Required for: open
#include <sys/stat.h> // Required for: stat, fchmod, umask
#include <unistd.h>   // Required for: write, fsync, close, unlink
#include <cerrno>
#include <cstdio>    // Required for: rename
#include <cstdlib>   // Required for: mkstemps
#include <string>

int write_file_atomically(const char* path, int (*write)(const char* temp, void* ctx), void* ctx)
{
    if (!path || !path[0]) {
        errno = ENOENT;
        return -1;
    }
    const std::string target(path);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = target.substr(dir.size());
    const size_t dot = base.rfind('.');
    const std::string ext = dot == std::string::npos || dot == 0 ? "" : base.substr(dot);
    std::string temp = dir + "." + base.substr(0, base.size() - ext.size()) + ".XXXXXX" + ext;
    const int fd = mkstemps(&temp[0], (int)ext.size());
    if (fd < 0)
        return -1;
    // Keep the mode of the file being replaced; a new file gets the usual one.
    struct stat st;
    mode_t mode;
    if (stat(path, &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0;
    int reason = ok ? 0 : errno;
    close(fd);
    if (ok) {
        errno = 0;
        ok = write(temp.c_str(), ctx) == 0;
        reason = errno;
    }
    if (ok && rename(temp.c_str(), path) != 0) {
        ok = false;
        reason = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        errno = reason;
        return -1;
    }
    return 0;
}

namespace {
struct Bytes {
    const void* data;
    size_t size;
    bool flush;
};
} // namespace

static int write_bytes(const char* temp, void* ctx)
{
    const Bytes* b = (const Bytes*)ctx;
    const int fd = open(temp, O_WRONLY | O_TRUNC);
    if (fd < 0)
        return -1;
    size_t done = 0;
    int reason = 0;
    while (!reason && done < b->size) {
        const ssize_t n = ::write(fd, (const char*)b->data + done, b->size - done);
        if (n > 0)
            done += (size_t)n;
        else if (n == 0)
            reason = EIO;
        else if (errno != EINTR)
            reason = errno;
    }
    if (!reason && b->flush && fsync(fd) != 0)
        reason = errno;
    if (close(fd) != 0 && !reason)
        reason = errno;
    errno = reason;
    return reason ? -1 : 0;
}

int write_bytes_atomically(const char* path, const void* bytes, size_t size, bool flush)
{
    Bytes b = {bytes, size, flush};
    return write_file_atomically(path, write_bytes, &b);
}
