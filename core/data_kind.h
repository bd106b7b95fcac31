// Every way a header can carry the input's bytes, described in one table:
// the option value, the help text, the formatter, the companion file written
// beside the header and what the kind allows. The parser, the usage text, the
// conversion and the run plan follow from it; the completions, the manual
// page and the CMake helper are checked against it by a test.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/data_formatter.h"

namespace core {

// How a header carries the bytes. Every kind keeps the names and the class;
// Hex is the window's fixed format.
enum class DataKind {
    Hex,     // an array of hex literals
    String,  // concatenated string literals, cheap to compile for g++ and clang++
    Incbin,  // the assembler's .incbin of the input, for g++ and clang++ (ELF and PE)
    Rc,      // an RCDATA resource in a .rc file beside the header, for Windows
    Source,  // a C file beside the header defines the array, for gcc and clang
};

// What a formatter is given: where its two texts go and what it may name.
struct FormatterSetup {
    DataFormatter::Sink header;
    DataFormatter::Sink companion;     // the companion file's text; unused without one
    std::string inputPath;             // absolute, for the kinds that name the input
    std::string companionName;         // the companion's file name part, for the header to name
    std::uint64_t expectedLength = 0;  // the input's size when opened
};

struct DataKindInfo {
    DataKind kind;
    std::string_view name;  // the value of --data
    std::string_view help;  // what --help says of it, lines after the first indented
    // A second file the kind writes beside the header, named as the header
    // with this extension in place of its own (".rc"); empty for none. It is
    // planned, written, published and cleaned up with the header, as one.
    std::string_view companionExtension;
    bool compileCostHint;  // large inputs are told of the faster kinds
    std::unique_ptr<DataFormatter> (*makeFormatter)(FormatterSetup setup);

    bool HasCompanion() const { return !companionExtension.empty(); }
    // Standard output carries one file only.
    bool MayWriteToStandardOutput() const { return !HasCompanion(); }
};

// Every kind, the default (the fixed format) first.
std::span<const DataKindInfo> DataKinds();

const DataKindInfo& InfoOf(DataKind kind);

// The kind called `name`, or null.
const DataKindInfo* FindDataKind(std::string_view name);

// "hex, string, incbin, rc or source": the names for a message.
std::string DataKindNames();

// The companion file of the header at `headerPath`: its name with the last
// extension replaced by `extension`, in the same directory.
std::string CompanionPath(const std::string& headerPath, std::string_view extension);

}  // namespace core
