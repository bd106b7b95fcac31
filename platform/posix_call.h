// How the POSIX layer makes its system calls: retried while a signal
// interrupts them, and a failure taken as a value right where it happens.
#pragma once

#include <cerrno>
#include <system_error>

namespace platform::detail {

// The reason the call that has just failed gave.
inline std::error_code Errno() { return {errno, std::generic_category()}; }

// `code` as an error, for a failure the system did not report itself.
inline std::error_code Error(std::errc code) { return std::make_error_code(code); }

// Runs `call` again for as long as a signal interrupts it (-1 with EINTR);
// returns its first other result.
template <typename Call>
auto RetryOnInterrupt(Call call) {
    for (;;) {
        const auto result = call();
        if (result != -1 || errno != EINTR) return result;
    }
}

// Writes all `size` bytes to `fd`, through interruptions and short writes.
std::error_code WriteAll(int fd, const char* data, std::size_t size);

}  // namespace platform::detail
