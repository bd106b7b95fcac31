// Paths are UTF-8 everywhere in the program; the Windows API takes UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing for text that is not valid UTF-8 (no file can have such a name).
std::optional<std::wstring> WidePath(std::string_view utf8);

// Unpaired surrogates, which Windows file names may hold, become U+FFFD.
std::string Utf8Text(std::wstring_view utf16);

}  // namespace platform
