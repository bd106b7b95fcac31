// Which job an output file belongs to, so that abandoning a job also reaches
// the outputs it has not created yet.
#pragma once

#include <cstdint>

namespace platform {

// Taken when a job begins: how many times RemovePendingOutput() has run.
std::uint32_t TakeJobMark() noexcept;

// While it lives, the output files this thread creates belong to the job
// begun at `mark`: a RemovePendingOutput() run at any time since then
// abandons them, even one that ran before they were created.
class JobOutputScope {
public:
    explicit JobOutputScope(std::uint32_t mark) noexcept;
    ~JobOutputScope();
    JobOutputScope(const JobOutputScope&) = delete;
    JobOutputScope& operator=(const JobOutputScope&) = delete;
};

namespace detail {

struct JobMark {
    bool set = false;  // false outside a JobOutputScope
    std::uint32_t removals = 0;
};

// The job of the calling thread's outputs.
JobMark ThisThreadsJob() noexcept;

// True when RemovePendingOutput() has run since `job` began.
bool Abandoned(JobMark job) noexcept;

// RemovePendingOutput() calls this before abandoning the files it finds.
// Async-signal-safe.
void CountRemoval() noexcept;

}  // namespace detail
}  // namespace platform
