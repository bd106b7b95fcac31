// The system calls that the file services make, gathered in one table so
// that tests can make any of them fail as a full disk or a broken file
// system would, without root and without such a disk.
#pragma once

#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

struct SystemCalls {
    int (*openat)(int dirFd, const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*close)(int fd);
    int (*fsync)(int fd);
    int (*syncFileRange)(int fd, off_t offset, off_t count, unsigned flags);
    int (*fstat)(int fd, struct stat* info);
    int (*fstatat)(int dirFd, const char* path, struct stat* info, int flags);
    int (*flock)(int fd, int operation);
    int (*linkat)(int fromDir, const char* from, int toDir, const char* to, int flags);
    int (*renameat2)(int fromDir, const char* from, int toDir, const char* to, unsigned flags);
    int (*unlinkat)(int dirFd, const char* path, int flags);
};

// renameat2's flag that refuses to replace a name (a portable build's table
// refuses every flag, as an older kernel does).
#ifdef RENAME_NOREPLACE
inline constexpr unsigned kRenameNoReplace = RENAME_NOREPLACE;
#else
inline constexpr unsigned kRenameNoReplace = 1;
#endif

// The table in use; tests overwrite entries and restore the saved table.
SystemCalls& Sys();

// The calls themselves, as Sys() starts out.
const SystemCalls& RealSystemCalls();

}  // namespace platform
