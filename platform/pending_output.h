// A record of the temporaries that are being written, kept where a signal
// handler can reach it: fixed slots, atomics, no allocation.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <climits>

#include "platform/output_file.h"

namespace platform {

// A published file of a PublishGroup: its slot in the record, which names
// it, and its directory, held open.
struct PublishGroup::Member {
    int slot = -1;
    int dirFd = -1;
    bool dirSyncable = true;  // false where it could only be opened as a path
};

}  // namespace platform

namespace platform::detail {

// Every signal blocked in this thread while it lives: a handler here must
// never wait for this thread, nor find a record half written.
class SignalsBlocked {
public:
    SignalsBlocked() noexcept;
    ~SignalsBlocked();
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t m_saved;
};

// Holds one free slot while a temporary is being created, with every signal
// blocked in this thread, so that no handler here can find the slot half
// filled and no handler elsewhere can miss a file that exists.
class PendingClaim {
public:
    explicit PendingClaim(int dirFd) noexcept;
    ~PendingClaim();
    PendingClaim(const PendingClaim&) = delete;
    PendingClaim& operator=(const PendingClaim&) = delete;

    // False when every slot is taken.
    bool Claimed() const { return m_slot >= 0; }

    // The name to create in the directory; NAME_MAX bytes at most. Left
    // empty for an unnamed temporary, which has nothing to remove.
    char* Name() noexcept;

    // The file now exists (under Name(), if it has one), open as `fd`: from
    // here on RemovePendingOutput() abandons it. Returns the slot, for
    // PendingHold and ForgetPending().
    int Arm(int fd = -1) noexcept;

private:
    SignalsBlocked m_blocked;  // first: blocks before the slot is taken
    int m_slot = -1;
    bool m_armed = false;
};

// Holds an armed slot for one step that names or publishes its temporary,
// with every signal blocked in this thread: RemovePendingOutput() on another
// thread waits for the step, so a file is published completely before it is
// abandoned, or never. Keep the step short: a signal handler may be waiting.
class PendingHold {
public:
    explicit PendingHold(int slot) noexcept;
    ~PendingHold();
    PendingHold(const PendingHold&) = delete;
    PendingHold& operator=(const PendingHold&) = delete;

    // True once RemovePendingOutput() has run, since the file was created
    // or since its job began: the file must never appear.
    bool Abandoned() const noexcept;

    // The temporary's name, which the step may set (NAME_MAX bytes at most).
    char* Name() noexcept;

    // The temporary's descriptor is about to be closed: from here on
    // RemovePendingOutput() leaves it alone, as its number may be reused.
    void ForgetDescriptor() noexcept;

    // The file is now published under `name` and belongs to a PublishGroup
    // whose fate is `groupState`: RemovePendingOutput() removes that name,
    // while it still leads to the file `device` and `inode`, unless the group
    // is committed.
    void Published(const char* name, dev_t device, ino_t inode,
                   std::atomic<int>* groupState) noexcept;

private:
    SignalsBlocked m_blocked;  // first: blocks before the slot is taken
    int m_slot;
};

// The temporary of `slot` is gone (published or removed); frees the slot.
void ForgetPending(int slot) noexcept;

// Removes the published file of `slot` if `dirFd`'s `name` still leads to
// it, then frees the slot. For PublishGroup::Rollback.
void RemovePublished(int slot) noexcept;

}  // namespace platform::detail
