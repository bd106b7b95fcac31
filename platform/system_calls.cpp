#include "platform/system_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_features.h"

namespace platform {
namespace {

// open(2) is variadic, so it needs a plain wrapper to fit the table.
int OpenAt(int dirFd, const char* path, int flags, mode_t mode) {
    return ::openat(dirFd, path, flags, mode);
}

#if HEXCRATE_LINUX_CALLS
int RenameAt2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    return ::renameat2(fromDir, from, toDir, to, flags);
}

int SyncFileRange(int fd, off_t offset, off_t count, unsigned flags) {
    return ::sync_file_range(fd, offset, count, flags);
}
#else
// A plain rename; a flag is refused as a kernel without renameat2's flags
// refuses it.
int RenameAt2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    if (flags != 0) return errno = EINVAL, -1;
    return ::renameat(fromDir, from, toDir, to);
}

// No early write-back: the file is flushed whole before it is published.
int SyncFileRange(int /*fd*/, off_t /*offset*/, off_t /*count*/, unsigned /*flags*/) {
    return errno = ENOSYS, -1;
}
#endif

constexpr SystemCalls kReal = {OpenAt,  ::read,    ::write, ::close,  ::fsync,   SyncFileRange,
                               ::fstat, ::fstatat, ::flock, ::linkat, RenameAt2, ::unlinkat};

SystemCalls g_calls = kReal;

}  // namespace

SystemCalls& Sys() { return g_calls; }

const SystemCalls& RealSystemCalls() { return kReal; }

}  // namespace platform
