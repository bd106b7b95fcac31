// One conversion, run on the calling thread: the input's bytes become a
// header at the output path, and progress goes to a sink of the caller's.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/conversion_job.h"
#include "core/outcome.h"
#include "core/run_outputs.h"

namespace core {

// Where a conversion reports how far it is. Both calls come from the thread
// that called Convert.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Once the output exists, before anything is written: the input's file
    // name part.
    virtual void Started(std::string_view displayName) = 0;
    // Bytes of input converted so far: 0 before the first, then at least
    // every 64 KiB.
    virtual void Advanced(std::uint32_t byteCount) = 0;
};

// A sink for callers that show no progress.
class NoProgress final : public ProgressSink {
public:
    void Started(std::string_view /*displayName*/) override {}
    void Advanced(std::uint32_t /*byteCount*/) override {}
};

// Re-checks both files (either may have changed since the job was checked),
// then writes the header and any companion file unseen and adds them to
// `outputs`, for the run to publish with its other files. On failure
// nothing is left behind. Never throws: running out of memory is an outcome
// like any other.
ConversionResult ConvertInto(const ConversionJob& job, ProgressSink& progress, RunOutputs& outputs);

// A run of one job: ConvertInto, then the job's files published together.
ConversionResult Convert(const ConversionJob& job, ProgressSink& progress);

}  // namespace core
