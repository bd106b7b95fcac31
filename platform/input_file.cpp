#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

#include "platform/system_calls.h"

namespace platform {
namespace {

// NFS grants an exclusive lock only on a file open for writing and refuses
// it here with EBADF; the shared lock still keeps out every writer that
// locks, so it is taken instead of refusing the file.
bool Lock(int fd, InputAccess access) {
    if (access == InputAccess::Exclusive) {
        if (Sys().flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EBADF) return false;
    }
    return Sys().flock(fd, LOCK_SH | LOCK_NB) == 0;
}

}  // namespace

std::optional<InputFile> InputFile::Open(const std::string& path, InputAccess access) {
    // Non-blocking for good: a FIFO or device is refused instead of waiting
    // for a writer, and a pseudo-file that passes for a regular file but
    // would wait for data fails its read instead of hanging. Regular files
    // on disk ignore the flag.
    int fd = Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;

    // On failure errno says why. Of the files that are not regular only a
    // directory has a code of its own; the others give none (0).
    struct stat info {};
    int error = 0;
    if (Sys().fstat(fd, &info) != 0 || (S_ISREG(info.st_mode) && !Lock(fd, access)))
        error = errno;
    else if (S_ISREG(info.st_mode))
        return InputFile(fd, static_cast<std::uint64_t>(info.st_size));
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    Sys().close(fd);
    errno = error;
    return std::nullopt;
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) Sys().close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

InputFile::~InputFile() {
    // Closing also releases the lock. Nothing was written, so there is no
    // error worth reporting.
    if (m_fd >= 0) Sys().close(m_fd);
}

std::ptrdiff_t InputFile::Read(void* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = Sys().read(m_fd, buffer, capacity);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool InputFile::Rewind() { return ::lseek(m_fd, 0, SEEK_SET) == 0; }

}  // namespace platform
