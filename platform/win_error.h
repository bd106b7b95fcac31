// The Windows layer's failures as values: the reason the call that has just
// failed left in the thread's last error, taken at once.
#pragma once

#include <windows.h>

#include <system_error>

namespace platform::detail {

inline std::error_code LastWinError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

inline std::error_code WinError(DWORD code) {
    return {static_cast<int>(code), std::system_category()};
}

}  // namespace platform::detail
