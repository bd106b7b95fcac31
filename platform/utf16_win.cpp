// Conversions between the program's UTF-8 and the Windows API's UTF-16.
#include "platform/utf16_win.h"

#include <windows.h>

namespace platform {

std::optional<std::wstring> WidePath(std::string_view utf8) {
    if (utf8.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    // An embedded NUL would cut the name short at the API.
    if (utf8.find('\0') != std::string_view::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    const int length = static_cast<int>(utf8.size());
    const int count =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (count <= 0) return std::nullopt;  // ERROR_NO_UNICODE_TRANSLATION
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), count);
    return wide;
}

std::string Utf8Text(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int length = static_cast<int>(utf16.size());
    const int count =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, text.data(), count, nullptr, nullptr);
    return text;
}

}  // namespace platform
