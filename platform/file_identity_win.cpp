// Which file a path leads to, on Windows: the volume's serial number and the
// file's index stand for device and inode; names compare without case.
#include <windows.h>

#include <optional>

#include "platform/file_identity.h"
#include "platform/utf16_win.h"

namespace platform {
namespace {

// Opens what answers to `path` without reading or locking it.
HANDLE OpenForQuery(const std::string& path, DWORD flags) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return INVALID_HANDLE_VALUE;
    return ::CreateFileW(wide->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

std::optional<std::wstring> FullPath(const std::string& path) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return std::nullopt;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(wide->c_str(), static_cast<DWORD>(full.size()),
                                                full.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

}  // namespace

PathKind KindOfPath(const std::string& path) {
    HANDLE file = OpenForQuery(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                              : PathKind::Other;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular =
        ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    ::CloseHandle(file);
    return regular ? PathKind::RegularFile : PathKind::Other;
}

bool SameFile(const std::string& a, const std::string& b) {
    HANDLE fileA = OpenForQuery(a, 0);
    HANDLE fileB = OpenForQuery(b, 0);
    BY_HANDLE_FILE_INFORMATION infoA{};
    BY_HANDLE_FILE_INFORMATION infoB{};
    const bool known = fileA != INVALID_HANDLE_VALUE && fileB != INVALID_HANDLE_VALUE &&
                       ::GetFileInformationByHandle(fileA, &infoA) &&
                       ::GetFileInformationByHandle(fileB, &infoB);
    if (fileA != INVALID_HANDLE_VALUE) ::CloseHandle(fileA);
    if (fileB != INVALID_HANDLE_VALUE) ::CloseHandle(fileB);
    if (known)
        return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
               infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
               infoA.nFileIndexLow == infoB.nFileIndexLow;

    const std::optional<std::wstring> fullA = FullPath(a);
    const std::optional<std::wstring> fullB = FullPath(b);
    return fullA && fullB &&
           ::CompareStringOrdinal(fullA->c_str(), -1, fullB->c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace platform
