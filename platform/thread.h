// Worker threads.
#pragma once

#include <functional>

namespace platform {

using ThreadProc = unsigned (*)(void* parameter);

// Starts `proc(parameter)` on a new detached thread that nobody waits for.
// Returns false when no thread could be started.
bool StartThread(ThreadProc proc, void* parameter);

// Tests replace the thread starter to simulate a system out of threads;
// passing an empty function restores the real one.
void SetThreadStarterForTesting(std::function<bool(ThreadProc, void*)> starter);

}  // namespace platform
