// The names of the hidden temporaries beside a header: .NAME.hexcrate-XXXXXX
#pragma once

#include <string>
#include <string_view>

namespace platform::detail {

// A fresh name for a temporary beside the file `name`, with NAME shortened
// where the whole would not fit in a directory entry. `out` holds
// NAME_MAX + 1 bytes.
void MakeTempName(char* out, const std::string& name);

// True when `temp` has exactly the form MakeTempName gives for `name`.
bool IsTempNameFor(std::string_view temp, const std::string& name);

}  // namespace platform::detail
