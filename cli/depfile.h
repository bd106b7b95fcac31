// The Make-style dependency file that build systems read after running the
// converter, as they read the ones compilers write.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli {

// "OUTPUT: INPUT" and a line end, with the escapes Make and Ninja expect for
// spaces, '#' and '$'. Nothing when a path holds a line end, which neither
// can read back.
std::optional<std::string> DepfileText(std::string_view output, std::string_view input);

// Writes `text` to `path`, replacing any earlier file there in one step.
bool WriteDepfile(const std::string& path, const std::string& text);

}  // namespace cli
