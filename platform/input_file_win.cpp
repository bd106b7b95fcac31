// The input file on Windows. The handle lives inside a C runtime descriptor
// (_open_osfhandle), so the class keeps one layout on every system.
#include "platform/input_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/utf16_win.h"

namespace platform {
namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// A file on a disk, not a directory, device (NUL, CON, COM1), pipe or console.
// When it is not, the last error says why: the failed call's reason, or none
// for a device, pipe or console (as on POSIX, where they have no code).
bool IsRegularFile(HANDLE file, std::uint64_t& size) {
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER length{};
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::SetLastError(ERROR_SUCCESS);
        return false;
    }
    if (!::GetFileInformationByHandle(file, &info) || !::GetFileSizeEx(file, &length)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::SetLastError(ERROR_ACCESS_DENIED);  // what opening a folder as a file gives
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

}  // namespace

std::optional<InputFile> InputFile::Open(const std::string& path, InputAccess access) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return std::nullopt;

    // Share mode 0 is exclusive access: the open fails while any other
    // handle to the file exists, and no other can be opened until it closes.
    const DWORD share = access == InputAccess::Exclusive
                            ? 0
                            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileW(wide->c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;

    std::uint64_t size = 0;
    if (IsRegularFile(file, size)) {
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
        if (fd >= 0) return InputFile(fd, size);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);  // the C runtime's table is full
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    ::SetLastError(error);
    return std::nullopt;
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

std::ptrdiff_t InputFile::Read(void* buffer, std::size_t capacity) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(HandleOf(m_fd), buffer, wanted, &got, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(got);
}

bool InputFile::Rewind() { return ::_lseeki64(m_fd, 0, SEEK_SET) == 0; }

}  // namespace platform
