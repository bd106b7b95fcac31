// Read-only access to the file being converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A regular file opened read-only and held under an exclusive advisory lock
// for as long as the object lives, so that two conversions never read the
// same file at once. Move-only; the destructor closes quietly.
class InputFile {
public:
    // Opens `path` without blocking. Returns nothing when the path does not
    // name a readable regular file (missing, a directory, FIFO, device or
    // socket) or when another holder has it locked.
    static std::optional<InputFile> Open(const std::string& path);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Size in bytes at the moment the file was opened.
    std::uint64_t Size() const { return m_size; }

    // Reads up to `capacity` bytes. Returns the count read, 0 at the end of
    // the file, or -1 on an I/O error.
    std::ptrdiff_t Read(void* buffer, std::size_t capacity);

private:
    InputFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace platform
