#include "platform/last_error.h"

#include <windows.h>

namespace platform {

std::error_code LastError() { return {static_cast<int>(::GetLastError()), std::system_category()}; }

}  // namespace platform
