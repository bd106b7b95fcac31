// The reason the system gave for the last failed call on this thread.
#pragma once

#include <system_error>

namespace platform {

// errno on POSIX, the thread's last error on Windows. Valid right after a
// platform operation has failed and before the next one; empty where the
// failure had no system reason.
std::error_code LastError();

}  // namespace platform
