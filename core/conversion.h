// One conversion, run on the calling thread: the input's bytes become a
// header at the output path, and progress goes to a sink of the caller's.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/conversion_job.h"
#include "core/outcome.h"

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
// then writes the header. It appears at the output path only when complete;
// on failure nothing is left behind. Never throws: running out of memory is
// an outcome like any other.
ConversionResult Convert(const ConversionJob& job, ProgressSink& progress);

}  // namespace core
