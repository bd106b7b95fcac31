// What to convert: the input, the names, the output and how.
#pragma once

#include <cstdint>
#include <string>

#include "core/job_options.h"

namespace core {

// Lengths and counts are 32-bit: inputs of 4 GiB or more are refused.
inline constexpr std::uint64_t kMaxInputSize = 0xFFFFFFFF;

// Copies, so later edits of the window's fields change nothing about a job
// under way.
struct ConversionJob {
    std::string inputPath;
    std::string className;
    std::string outputPath;         // a bare name is relative to the current directory
    std::uint32_t inputLength = 0;  // size when the job was checked; the percentage's divisor
    JobOptions options{};           // the defaults are the window's job
};

}  // namespace core
