// Standard output as the converter writes to it: a header sent there, or its
// messages, with the reason when they cannot be written (a full disk, a
// closed pipe).
#pragma once

#include <cstddef>
#include <system_error>

namespace platform {

// Writes all `size` bytes through the C library's buffer.
std::error_code WriteStandardOutput(const char* data, std::size_t size);

// Hands what is buffered to the system.
std::error_code FlushStandardOutput();

// Flushes and closes standard output: the last word on whether everything
// printed there has reached its destination.
std::error_code CloseStandardOutput();

}  // namespace platform
