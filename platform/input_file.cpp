#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

namespace platform {

std::optional<InputFile> InputFile::Open(const std::string& path) {
    // Non-blocking, so that a FIFO or device is refused instead of waiting for
    // a writer; the type check below decides what may be read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;

    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return InputFile(fd, static_cast<std::uint64_t>(info.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

InputFile::~InputFile() {
    // Closing also releases the lock. Nothing was written, so there is no
    // error worth reporting.
    if (m_fd >= 0) ::close(m_fd);
}

std::ptrdiff_t InputFile::Read(void* buffer, std::size_t capacity) {
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, capacity);
        if (n >= 0 || errno != EINTR) return n;
    }
}

}  // namespace platform
