#include "platform/standard_output.h"

#include <cerrno>
#include <cstdio>

#include "platform/result.h"

namespace platform {
namespace {

// The C library's reason where it gave one.
std::error_code StreamError() {
    const int error = errno;
    if (error == 0) return Errc::WriteFailed;
    return {error, std::generic_category()};
}

}  // namespace

std::error_code WriteStandardOutput(const char* data, std::size_t size) {
    errno = 0;
    return std::fwrite(data, 1, size, stdout) == size ? std::error_code() : StreamError();
}

std::error_code FlushStandardOutput() {
    errno = 0;
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? std::error_code() : StreamError();
}

std::error_code CloseStandardOutput() {
    std::error_code error = FlushStandardOutput();
    errno = 0;
    if (std::fclose(stdout) != 0 && !error) error = StreamError();
    return error;
}

}  // namespace platform
