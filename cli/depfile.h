// The text of the Make-style dependency file that build systems read after
// running the converter, as they read the ones compilers write. The run
// writes it with its headers and publishes it with them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// "OUTPUT...: INPUT" and a line end, escaped so that GNU Make and Ninja both
// read back exactly these names, or the reason why they cannot. The outputs
// are every file the rule makes, the header first (Ninja matches the first
// against its rule's first output).
struct DepfileText {
    std::string text;
    std::string problem;  // empty when the text can be written
};
DepfileText MakeDepfileText(const std::vector<std::string>& outputs, std::string_view input);
inline DepfileText MakeDepfileText(std::string_view output, std::string_view input) {
    return MakeDepfileText(std::vector<std::string>{std::string(output)}, input);
}

// The message for a dependency file that could not be written.
inline constexpr char kDepfileNotWritten[] = "Dependency file could not be written.";

}  // namespace cli
