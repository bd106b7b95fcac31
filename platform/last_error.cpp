#include "platform/last_error.h"

#include <cerrno>

namespace platform {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace platform
