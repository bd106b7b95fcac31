// Read-only access to the file being converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "platform/result.h"

namespace platform {

// How an input is locked while it is read: Exclusive refuses any other
// holder of a lock; Shared lets other shared holders read along but still
// refuses a file that someone holds exclusively.
enum class InputAccess { Exclusive, Shared };

// A regular file opened read-only and held under an advisory lock for as
// long as the object lives, so that two conversions never read the same file
// at once. Move-only; the destructor closes quietly.
class InputFile {
public:
    // Opens `path` without blocking. Fails when the path does not name a
    // readable regular file (missing, a directory, FIFO, device or socket:
    // Errc::NotRegularFile for those that have no code of their own) or when
    // the lock cannot be had at once.
    static Result<InputFile> Open(const std::string& path,
                                  InputAccess access = InputAccess::Exclusive);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Size in bytes at the moment the file was opened.
    std::uint64_t Size() const { return m_size; }

    // Reads up to `capacity` bytes: the count read, 0 at the end of the
    // file. A read that would block fails (some files under /proc look
    // regular but wait for data).
    Result<std::size_t> Read(void* buffer, std::size_t capacity);

    // Goes back to the first byte.
    std::error_code Rewind();

private:
    InputFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace platform
