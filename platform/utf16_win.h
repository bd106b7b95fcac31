// Paths are UTF-8 everywhere in the program; the Windows API takes UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing for text that cannot name a file: empty, not valid UTF-8, or
// holding a NUL. The thread's last error then says which, as the API would.
std::optional<std::wstring> WidePath(std::string_view utf8);

// Unpaired surrogates, which Windows file names may hold, become U+FFFD.
std::string Utf8Text(std::wstring_view utf16);

}  // namespace platform
