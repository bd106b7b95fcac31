// The one record through which the window and its worker thread talk about
// a conversion.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "core/conversion_job.h"

namespace core {

class ConversionState {
public:
    // Starter: takes the job, zeroes the count and clears the done flag, so
    // that no poll can take the previous run's count or flag for this one's.
    // Notes when the job began: abandoning it from then on keeps its header
    // from appearing, even before the worker has created it.
    void BeginJob(ConversionJob job);
    // Ends a job whose worker could not be started: no conversion runs.
    void CancelJob() { m_doneFlag.store(1, std::memory_order_release); }

    // Only read while a worker runs; see BeginJob.
    const ConversionJob& Job() const { return m_job; }
    std::uint32_t JobMark() const { return m_jobMark; }

    // Worker: progress, then the outcome. Finish is its last write; its
    // release store publishes everything written before.
    void SetByteCount(std::uint32_t count) { m_byteCount.store(count, std::memory_order_relaxed); }
    void SetDisplayName(std::string name);
    void Finish(std::string errorText);

    // Poll: true once the worker of the current job has finished; acquires
    // what it wrote. The other reads are safe at any time.
    bool IsDone() const { return m_doneFlag.load(std::memory_order_acquire) == 1; }
    std::uint32_t ByteCount() const { return m_byteCount.load(std::memory_order_relaxed); }
    std::string DisplayName() const;
    std::string ErrorText() const;  // empty for success
    void ClearErrorText();          // after the failure has been shown

private:
    ConversionJob m_job;
    std::uint32_t m_jobMark = 0;

    // Bytes converted so far, raised at least every 64 KiB.
    std::atomic<std::uint32_t> m_byteCount{0};
    // 1 while no conversion runs.
    std::atomic<int> m_doneFlag{1};

    // Texts the worker writes while a poll may read them.
    mutable std::mutex m_textLock;
    std::string m_displayName;
    std::string m_errorText;
};

// The process-wide record. It is created on first use and never destroyed,
// so a worker abandoned at exit can never touch a torn-down record.
ConversionState& TheConversionState();

}  // namespace core
