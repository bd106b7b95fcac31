#include "cli/report.h"

#include <cstdio>

#include "core/name_rules.h"

namespace cli {
namespace {

constexpr char kProgram[] = "hexcrate-convert: ";

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    return quoted.append(text).append(1, '\'');
}

// Names the generated header declares or uses itself: a class of that name
// would collide with them.
constexpr std::string_view kTakenNames[] = {"CFile", "DWORD", "BOOL", "LPCTSTR", "ExtractFile"};

}  // namespace

std::string ForStream(std::string_view text, platform::StandardStream stream) {
    return platform::IsTerminal(stream) ? core::EscapeControls(text) : std::string(text);
}

std::string ErrorLine(std::string_view file, std::string_view message,
                      const std::error_code& reason) {
    std::string line = kProgram;
    if (!file.empty()) line.append(file).append(": ");
    line.append(message);
    if (reason) line.append(" (").append(reason.message()).append(")");
    return line;
}

std::string ErrorLine(std::string_view file, const core::ConversionResult& result) {
    std::string line = ErrorLine(file, core::MessageText(result.outcome), result.reason);
    if (!result.detail.empty()) line.append(" (").append(result.detail).append(")");
    return line;
}

std::string NotFlushedWarning(std::string_view file, const std::error_code& reason) {
    return std::string(kProgram) + "warning: " + std::string(file) +
           ": replaced, but its folder could not be flushed: after a crash the old file may be "
           "back (" +
           reason.message() + ")";
}

std::vector<std::string> NameWarnings(std::string_view className, std::string_view prefix) {
    std::vector<std::string> warnings;
    const std::string warning = std::string(kProgram) + "warning: ";
    if (!core::IsIdentifier(className)) {
        warnings.push_back(warning + "class name " + Quoted(className) +
                           " is not a valid C++ identifier; choose one with --class");
    } else {
        for (std::string_view taken : kTakenNames)
            if (className == taken)
                warnings.push_back(warning + "class name " + Quoted(className) +
                                   " is a name the header already uses; choose another with "
                                   "--class");
    }
    const std::string array = std::string(prefix) + "file";
    if (!core::IsIdentifier(array))
        warnings.push_back(warning + "identifier prefix " + Quoted(prefix) + " gives " +
                           Quoted(array) +
                           ", not a valid C++ identifier; choose a prefix with --name");
    return warnings;
}

std::string CompileCostHint(std::string_view input, std::uint64_t size) {
    if (size <= kCompileHintThreshold) return {};
    // Compiling a header costs CPU time and memory roughly in proportion to
    // the input (time a little more): per MiB of input, from compiling the
    // headers of 1, 4 and 8 MiB with g++ 12 -O2 and clang++ 14 -O2.
    constexpr double kGccSecondsPerMiB = 3.5;
    constexpr double kGccMiBPerMiB = 160.0;
    constexpr double kClangSecondsPerMiB = 2.5;
    constexpr double kClangMiBPerMiB = 180.0;
    const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
    char text[512];
    std::snprintf(text, sizeof text,
                  "is %.1f MiB: compiling its header takes about %.0f s of CPU time and "
                  "%.0f MiB of memory with g++, %.0f s and %.0f MiB with clang++; "
                  "--data=source, --data=incbin or --data=string cost a small fraction of that",
                  mib, mib * kGccSecondsPerMiB, mib * kGccMiBPerMiB, mib * kClangSecondsPerMiB,
                  mib * kClangMiBPerMiB);
    return std::string(kProgram) + "warning: " + std::string(input) + " " + text;
}

std::string VersionText(std::string_view version) {
    return "hexcrate-convert (Hexcrate) " + std::string(version) +
           "\n"
           "Copyright (C) 2026 Hexcrate\n"
           "License MIT: <https://opensource.org/licenses/MIT>.\n";
}

}  // namespace cli
