// The texts the converter prints besides the header: errors, warnings, the
// compile-cost hint and the version, with names made safe for a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/outcome.h"
#include "platform/terminal.h"

namespace cli {

// `text` as it may be written to `stream`: escaped (core::EscapeControls) on
// a terminal, the real bytes for a program reading a pipe or file.
std::string ForStream(std::string_view text, platform::StandardStream stream);

// "hexcrate-convert: FILE: MESSAGE (REASON)", without "FILE: " when `file`
// is empty and without " (REASON)" when the system gave none.
std::string ErrorLine(std::string_view file, std::string_view message,
                      const std::error_code& reason = {});

// The same for a failed check or conversion: its message and the system's
// reason, or what an unexpected failure said of itself.
std::string ErrorLine(std::string_view file, const core::ConversionResult& result);

// The warning for a file that replaced an older one whose folder could not
// then be flushed: the new file is in place, but a crash may bring back the
// old one (whole).
std::string NotFlushedWarning(std::string_view file, const std::error_code& reason);

// Warnings for a class name or identifier prefix that would give a header
// that does not compile, each naming the option that fixes it.
std::vector<std::string> NameWarnings(std::string_view className, std::string_view prefix);

// Inputs above this size get the compile-cost hint.
inline constexpr std::uint64_t kCompileHintThreshold = std::uint64_t{1024} * 1024;

// What compiling the hex header of an input of `size` bytes costs, as a
// warning line that names the faster kinds; empty up to the threshold.
std::string CompileCostHint(std::string_view input, std::uint64_t size);

// The --version text.
std::string VersionText(std::string_view version);

}  // namespace cli
