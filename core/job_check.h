// The checks made when the user asks for a conversion, before anything starts.
#pragma once

#include <cstdint>
#include <string>

#include "core/job_options.h"

namespace core {

struct JobCheck {
    std::string message;  // empty when the job may start
    std::uint32_t inputLength = 0;
    bool Ok() const { return message.empty(); }
};

// In order: input path given, class name given, output name given and
// nothing there yet, input a readable regular file not locked by another
// holder, input under 4 GiB. The first failure's message is returned.
// An update may find a regular file at the output; standard output has no
// name to check.
JobCheck CheckJob(const std::string& inputPath, const std::string& className,
                  const std::string& outputPath, const JobOptions& options = {});

}  // namespace core
