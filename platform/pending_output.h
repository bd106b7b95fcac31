// A record of the hidden temporaries that are being written, kept where a
// signal handler can reach it: fixed slots, atomics, no allocation.
#pragma once

#include <signal.h>

#include <climits>

namespace platform::detail {

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

    // The name to create in the directory; NAME_MAX bytes at most.
    char* Name() noexcept;

    // The file now exists under Name(): from here on RemovePendingOutput()
    // removes it. Returns the slot, for ForgetPending().
    int Arm() noexcept;

private:
    int m_slot = -1;
    bool m_armed = false;
    sigset_t m_savedMask;
};

// The temporary of `slot` is gone (published or removed); frees the slot.
void ForgetPending(int slot) noexcept;

}  // namespace platform::detail
