#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

#include "platform/posix_call.h"
#include "platform/system_calls.h"

namespace platform {
namespace {

using detail::Errno;

// NFS grants an exclusive lock only on a file open for writing and refuses
// it here with EBADF; the shared lock still keeps out every writer that
// locks, so it is taken instead of refusing the file.
std::error_code Lock(int fd, InputAccess access) {
    if (access == InputAccess::Exclusive) {
        if (Sys().flock(fd, LOCK_EX | LOCK_NB) == 0) return {};
        if (errno != EBADF) return Errno();
    }
    return Sys().flock(fd, LOCK_SH | LOCK_NB) == 0 ? std::error_code() : Errno();
}

// Why the file open as `fd` cannot be converted; nothing for a regular file
// that is locked now.
std::error_code Unusable(int fd, InputAccess access, struct stat& info) {
    if (Sys().fstat(fd, &info) != 0) return Errno();
    if (S_ISDIR(info.st_mode)) return detail::Error(std::errc::is_a_directory);
    if (!S_ISREG(info.st_mode)) return Errc::NotRegularFile;
    return Lock(fd, access);
}

}  // namespace

Result<InputFile> InputFile::Open(const std::string& path, InputAccess access) {
    // Non-blocking for good: a FIFO or device is refused instead of waiting
    // for a writer, and a pseudo-file that passes for a regular file but
    // would wait for data fails its read instead of hanging. Regular files
    // on disk ignore the flag.
    const int fd =
        Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return Errno();
    struct stat info {};
    if (const std::error_code error = Unusable(fd, access, info)) {
        Sys().close(fd);
        return error;
    }
    return InputFile(fd, static_cast<std::uint64_t>(info.st_size));
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

Result<std::size_t> InputFile::Read(void* buffer, std::size_t capacity) {
    const ssize_t n = detail::RetryOnInterrupt([&] { return Sys().read(m_fd, buffer, capacity); });
    if (n < 0) return Errno();
    return static_cast<std::size_t>(n);
}

std::error_code InputFile::Rewind() {
    return ::lseek(m_fd, 0, SEEK_SET) == 0 ? std::error_code() : Errno();
}

}  // namespace platform
