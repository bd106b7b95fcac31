// The input file on Windows. The handle lives inside a C runtime descriptor
// (_open_osfhandle), so the class keeps one layout on every system.
#include "platform/input_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/utf16_win.h"
#include "platform/win_error.h"

namespace platform {
namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// Why `file` cannot be converted: not a file on a disk (a device such as
// NUL, CON or COM1, a pipe or console), a directory, or the failed call's
// reason; nothing for a regular file, whose size is then in `size`.
std::error_code Unusable(HANDLE file, std::uint64_t& size) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return Errc::NotRegularFile;
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER length{};
    if (!::GetFileInformationByHandle(file, &info) || !::GetFileSizeEx(file, &length))
        return detail::LastWinError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return std::make_error_code(std::errc::is_a_directory);
    size = static_cast<std::uint64_t>(length.QuadPart);
    return {};
}

}  // namespace

Result<InputFile> InputFile::Open(const std::string& path, InputAccess access) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return detail::LastWinError();

    // Share mode 0 is exclusive access: the open fails while any other
    // handle to the file exists, and no other can be opened until it closes.
    const DWORD share = access == InputAccess::Exclusive
                            ? 0
                            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileW(wide->c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const std::error_code error = detail::LastWinError();
        // A folder is refused as access denied; said as POSIX says it.
        const DWORD attributes = ::GetFileAttributesW(wide->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::make_error_code(std::errc::is_a_directory);
        return error;
    }

    std::uint64_t size = 0;
    std::error_code error = Unusable(file, size);
    if (!error) {
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
        if (fd >= 0) return InputFile(fd, size);
        error = detail::WinError(ERROR_TOO_MANY_OPEN_FILES);  // the C runtime's table is full
    }
    ::CloseHandle(file);
    return error;
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::_close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::_close(m_fd);  // closes the handle too
}

Result<std::size_t> InputFile::Read(void* buffer, std::size_t capacity) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(HandleOf(m_fd), buffer, wanted, &got, nullptr)) return detail::LastWinError();
    return static_cast<std::size_t>(got);
}

std::error_code InputFile::Rewind() {
    const HANDLE file = HandleOf(m_fd);
    LARGE_INTEGER start{};
    return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ? std::error_code()
                                                                : detail::LastWinError();
}

}  // namespace platform
