#include "platform/system_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

// open(2) is variadic, so it needs a plain wrapper to fit the table.
int OpenAt(int dirFd, const char* path, int flags, mode_t mode) {
    return ::openat(dirFd, path, flags, mode);
}

constexpr SystemCalls kReal = {
    OpenAt,  ::read,    ::write, ::close,  ::fsync,     ::sync_file_range,
    ::fstat, ::fstatat, ::flock, ::linkat, ::renameat2, ::unlinkat};

SystemCalls g_calls = kReal;

}  // namespace

SystemCalls& Sys() { return g_calls; }

const SystemCalls& RealSystemCalls() { return kReal; }

}  // namespace platform
