// The checks made when the user asks for a conversion, before anything starts.
#pragma once

#include <cstdint>
#include <string>

#include "core/job_options.h"
#include "core/outcome.h"

namespace core {

// The first failed check's outcome and reason, or Accepted with the input's
// length when the job may start.
struct JobCheck : ConversionResult {
    std::uint32_t inputLength = 0;

    bool Ok() const { return outcome == Outcome::Accepted; }
};

// In order: input path given, class name given, output name given and
// nothing there yet, input a readable regular file not locked by another
// holder, input under 4 GiB. An update may find a regular file at the
// output; standard output has no name to check.
JobCheck CheckJob(const std::string& inputPath, const std::string& className,
                  const std::string& outputPath, const JobOptions& options = {});

}  // namespace core
