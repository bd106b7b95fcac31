// Replaces entries of the file services' system-call table for one test and
// puts the real ones back afterwards.
#pragma once

#include <cerrno>

#include "platform/system_calls.h"

namespace test {

class ScopedSystemCalls {
public:
    ScopedSystemCalls() : m_saved(platform::Sys()) {}
    ~ScopedSystemCalls() { platform::Sys() = m_saved; }
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

    platform::SystemCalls* operator->() { return &platform::Sys(); }

private:
    platform::SystemCalls m_saved;
};

}  // namespace test
