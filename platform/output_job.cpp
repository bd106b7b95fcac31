#include "platform/output_job.h"

#include <atomic>

namespace platform {
namespace {

// Lock-free on every target, so a signal handler may raise it.
std::atomic<std::uint32_t> g_removals{0};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

thread_local detail::JobMark g_threadsJob;

}  // namespace

std::uint32_t TakeJobMark() noexcept { return g_removals.load(); }

JobOutputScope::JobOutputScope(std::uint32_t mark) noexcept { g_threadsJob = {true, mark}; }

JobOutputScope::~JobOutputScope() { g_threadsJob = {}; }

namespace detail {

JobMark ThisThreadsJob() noexcept { return g_threadsJob; }

bool Abandoned(JobMark job) noexcept { return job.set && g_removals.load() != job.removals; }

void CountRemoval() noexcept { g_removals.fetch_add(1); }

}  // namespace detail
}  // namespace platform
