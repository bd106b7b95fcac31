// The worker that writes a header carrying a file's bytes.
#pragma once

#include <cstdint>
#include <string>

#include "core/job_options.h"

namespace core {

// Thread procedure: converts the job in TheConversionState(). Reports only
// through that record (byte count, display name, error text) and ends with a
// release store of 1 to its done flag whatever the outcome. The header
// appears at the output path only when complete. The parameter is unused;
// always returns 0.
unsigned ConvertThreadProc(void* parameter);

// Fills in the job and starts ConvertThreadProc on a thread of its own; the
// default options are the window's job.
// Returns false, with the record again saying that nothing runs, when no
// thread could be started.
bool StartConversion(std::string inputPath, std::string className, std::string outputPath,
                     std::uint32_t inputLength, JobOptions options = {});

}  // namespace core
