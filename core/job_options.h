// How a conversion may differ from the window's: the converter names the
// array itself, updates or streams the header, and shares its input.
#pragma once

#include <optional>
#include <string>

#include "core/data_kind.h"
#include "platform/input_file.h"

namespace core {

enum class OutputMode {
    NewFile,         // create the header; an existing file stops the job
    Update,          // create it, replace a different one, keep an identical one
    StandardOutput,  // write it to the process's standard output
};

// The defaults are the window's job.
struct JobOptions {
    std::optional<std::string> identifierPrefix;  // derived from the input path when absent
    OutputMode outputMode = OutputMode::NewFile;
    platform::InputAccess inputAccess = platform::InputAccess::Exclusive;
    DataKind data = DataKind::Hex;
};

}  // namespace core
