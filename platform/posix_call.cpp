#include "platform/posix_call.h"

#include <sys/types.h>

#include "platform/system_calls.h"

namespace platform::detail {

std::error_code WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = RetryOnInterrupt([&] { return Sys().write(fd, data, size); });
        if (n < 0) return Errno();
        // Nothing written and no reason given: stop rather than spin.
        if (n == 0) return Error(std::errc::io_error);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

}  // namespace platform::detail
