// The one record through which the window (or the command-line converter)
// and the worker thread talk about a conversion.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/job_options.h"

namespace core {

// Lengths and counts are 32-bit: inputs of 4 GiB or more are refused.
inline constexpr std::uint64_t kMaxInputSize = 0xFFFFFFFF;

struct ConversionState {
    // The job: written by the starter before the worker starts, then only
    // read. Copies, so later edits of the window's fields change nothing.
    std::string inputPath;
    std::string className;
    std::string outputPath;         // a bare name is relative to the current directory
    std::uint32_t inputLength = 0;  // size when the job was checked; the percentage's divisor
    JobOptions options;

    // Progress: bytes converted so far, raised at least every 64 KiB.
    std::atomic<std::uint32_t> byteCount{0};

    // 1 while no conversion runs. The starter clears it before the worker
    // starts; the worker's last act is a release store of 1, which publishes
    // everything it wrote before.
    std::atomic<int> doneFlag{1};

    // Texts the worker writes while a poll may read them.
    std::string DisplayName() const;
    void SetDisplayName(std::string name);
    std::string ErrorText() const;  // empty for success
    void SetErrorText(std::string text);

    // Fills in the job and clears the done flag, so that no poll can take the
    // previous run's flag as the end of this one.
    void BeginJob(std::string input, std::string cls, std::string output, std::uint32_t length,
                  JobOptions jobOptions = {});

    // Ends a job whose worker could not be started: no conversion runs.
    void CancelJob() { doneFlag.store(1, std::memory_order_release); }

    // True once the worker of the current job has finished; acquires what it wrote.
    bool IsDone() const { return doneFlag.load(std::memory_order_acquire) == 1; }

private:
    mutable std::mutex m_textLock;
    std::string m_displayName;
    std::string m_errorText;
};

// The process-wide record. It is created on first use and never destroyed,
// so a worker abandoned at exit can never touch a torn-down record.
ConversionState& TheConversionState();

// Progress in whole percent: count ÷ length × 100 in double precision,
// truncated (29 of 100 gives 28). 0 while the length is 0; at most INT_MAX.
int ProgressPercent(std::uint32_t count, std::uint32_t length);

}  // namespace core
