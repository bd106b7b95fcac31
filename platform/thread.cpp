#include "platform/thread.h"

#include <system_error>
#include <thread>
#include <utility>

namespace platform {
namespace {

bool StartDetachedThread(ThreadProc proc, void* parameter) {
    try {
        std::thread(proc, parameter).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

std::function<bool(ThreadProc, void*)>& Starter() {
    static std::function<bool(ThreadProc, void*)> starter = StartDetachedThread;
    return starter;
}

}  // namespace

bool StartThread(ThreadProc proc, void* parameter) { return Starter()(proc, parameter); }

void SetThreadStarterForTesting(std::function<bool(ThreadProc, void*)> starter) {
    Starter() = starter ? std::move(starter) : StartDetachedThread;
}

}  // namespace platform
