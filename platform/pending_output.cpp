#include "platform/pending_output.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/output_file.h"
#include "platform/output_job.h"
#include "platform/posix_features.h"

namespace platform {
namespace detail {
namespace {

enum SlotState : int { kFree, kBusy, kArmed };

struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<bool> abandoned{false};
    JobMark job;  // the job of the thread that created the file
    int dirFd = -1;
    int fd = -1;  // the temporary, open for writing
    char name[NAME_MAX + 1] = {};
    bool published = false;             // `name` is a PublishGroup's file, not a temporary
    std::atomic<int>* group = nullptr;  // that group's state
    dev_t device = 0;                   // which file, once published
    ino_t inode = 0;
};

// More than a run writes at once: a header and a companion for each input
// and a dependency file.
Slot g_slots[128];

// Removes what the slot names: its temporary, or its published file while
// the name still leads to that file. Async-signal-safe.
void RemoveNamed(const Slot& slot) noexcept {
    if (slot.name[0] == '\0') return;
    if (slot.published) {
        // The whole group goes, unless it is committed already.
        int open = PublishGroup::kOpen;
        slot.group->compare_exchange_strong(open, PublishGroup::kAbandoned);
        if (slot.group->load() == PublishGroup::kCommitted) return;
        struct stat info {};
        if (::fstatat(slot.dirFd, slot.name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            info.st_dev != slot.device || info.st_ino != slot.inode)
            return;
    }
    ::unlinkat(slot.dirFd, slot.name, 0);
}

// Takes an armed slot for a moment. A busy slot belongs to a thread that has
// its signals blocked, so it is always another thread, which lets go soon.
bool Take(std::atomic<int>& state) noexcept {
    for (;;) {
        int expected = kArmed;
        if (state.compare_exchange_weak(expected, kBusy, std::memory_order_acquire)) return true;
        if (expected == kFree) return false;
    }
}

}  // namespace

SignalsBlocked::SignalsBlocked() noexcept {
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &m_saved);
}

SignalsBlocked::~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &m_saved, nullptr); }

PendingClaim::PendingClaim(int dirFd) noexcept {
    for (int i = 0; i < static_cast<int>(std::size(g_slots)); ++i) {
        int expected = kFree;
        if (g_slots[i].state.compare_exchange_strong(expected, kBusy, std::memory_order_acquire)) {
            g_slots[i].dirFd = dirFd;
            g_slots[i].fd = -1;
            g_slots[i].name[0] = '\0';
            g_slots[i].published = false;
            g_slots[i].abandoned.store(false, std::memory_order_relaxed);
            g_slots[i].job = ThisThreadsJob();
            m_slot = i;
            return;
        }
    }
}

PendingClaim::~PendingClaim() {
    if (m_slot >= 0 && !m_armed) g_slots[m_slot].state.store(kFree, std::memory_order_release);
}

char* PendingClaim::Name() noexcept { return g_slots[m_slot].name; }

int PendingClaim::Arm(int fd) noexcept {
    m_armed = true;
    g_slots[m_slot].fd = fd;
    g_slots[m_slot].state.store(kArmed, std::memory_order_release);
    return m_slot;
}

PendingHold::PendingHold(int slot) noexcept : m_slot(slot) {
    if (m_slot >= 0 && !Take(g_slots[m_slot].state)) m_slot = -1;
}

PendingHold::~PendingHold() {
    if (m_slot >= 0) g_slots[m_slot].state.store(kArmed, std::memory_order_release);
}

bool PendingHold::Abandoned() const noexcept {
    return m_slot >= 0 && (g_slots[m_slot].abandoned.load(std::memory_order_relaxed) ||
                           detail::Abandoned(g_slots[m_slot].job));
}

char* PendingHold::Name() noexcept { return g_slots[m_slot].name; }

void PendingHold::ForgetDescriptor() noexcept {
    if (m_slot >= 0) g_slots[m_slot].fd = -1;
}

void PendingHold::Published(const char* name, dev_t device, ino_t inode,
                            std::atomic<int>* groupState) noexcept {
    if (m_slot < 0) return;
    Slot& slot = g_slots[m_slot];
    slot.group = groupState;
    std::strncpy(slot.name, name, NAME_MAX);
    slot.name[NAME_MAX] = '\0';
    slot.fd = -1;
    slot.device = device;
    slot.inode = inode;
    slot.published = true;
}

void RemovePublished(int slot) noexcept {
    if (slot < 0) return;
    {
        PendingHold hold(slot);
        RemoveNamed(g_slots[slot]);
    }
    ForgetPending(slot);
}

void ForgetPending(int slot) noexcept {
    if (slot < 0) return;
    // Straight from armed to free, never busy: a handler that interrupted
    // this thread could otherwise wait for it forever.
    for (;;) {
        int expected = kArmed;
        if (g_slots[slot].state.compare_exchange_weak(expected, kFree, std::memory_order_release))
            return;
        if (expected == kFree) return;
    }
}

}  // namespace detail

PublishGroup::PublishGroup() = default;
PublishGroup::~PublishGroup() { Rollback(); }

bool PublishGroup::Commit() noexcept {
    int open = kOpen;
    if (!m_state.compare_exchange_strong(open, kCommitted) && open != kCommitted) return false;
    for (const auto& member : m_members) {
        detail::ForgetPending(member->slot);
        ::close(member->dirFd);
    }
    m_members.clear();
    return true;
}

// The newest first, so that a name is never left pointing into a group half
// taken away.
void PublishGroup::Rollback() noexcept {
    int open = kOpen;
    m_state.compare_exchange_strong(open, kAbandoned);
    for (std::size_t i = m_members.size(); i-- > 0;) {
        const auto& member = m_members[i];
        detail::RemovePublished(member->slot);
        ::close(member->dirFd);
    }
    m_members.clear();
}

void RemovePendingOutput() noexcept {
    // Only async-signal-safe calls: this runs in signal handlers.
    const detail::SignalsBlocked blocked;
    // Counted first: a file that its job creates from now on is abandoned
    // too, and one being created now is waited for below.
    detail::CountRemoval();
    for (detail::Slot& slot : detail::g_slots) {
        if (!detail::Take(slot.state)) continue;
        // The slot stays armed: the owner still frees it, and a second
        // removal of a name already gone does no harm. An unnamed file has
        // nothing to remove; the mark alone keeps it from ever appearing.
        slot.abandoned.store(true, std::memory_order_relaxed);
        if (slot.name[0] != '\0' && !slot.published) {
            // Some FUSE file systems keep a file removed while open under a
            // hidden name of their own, and FAT through FUSE mishandles it:
            // the file is let go first. Its number then leads to /dev/null,
            // not closed, so that the owner can never write into a file
            // opened under a reused number.
            if (slot.fd >= 0) {
                const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
                if (null >= 0) {
#if HEXCRATE_LINUX_CALLS
                    ::dup3(null, slot.fd, O_CLOEXEC);
#else
                    ::dup2(null, slot.fd);
                    ::fcntl(slot.fd, F_SETFD, FD_CLOEXEC);
#endif
                    ::close(null);
                }
            }
        }
        detail::RemoveNamed(slot);
        slot.state.store(detail::kArmed, std::memory_order_release);
    }
}

}  // namespace platform
