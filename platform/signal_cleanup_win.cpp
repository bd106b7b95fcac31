// What the converter does when it is told to stop, on Windows: Ctrl+C,
// Ctrl+Break, or its console closing.
#include "platform/signal_cleanup.h"

#include <windows.h>

#include <csignal>

#include "platform/output_file.h"

namespace platform {
namespace {

// Runs on a thread of its own. The temporary would vanish with the process
// anyway (it is deleted when its handle closes); removing it first keeps
// a publish from slipping in, and the exit status is the one a shell shows
// for the same signal elsewhere: 128 + n.
BOOL WINAPI OnConsoleControl(DWORD event) {
    int signal = 0;
    switch (event) {
        case CTRL_C_EVENT:
            signal = SIGINT;
            break;
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            signal = SIGTERM;
            break;
        default:
            return FALSE;
    }
    RemovePendingOutput();
    ::ExitProcess(128 + signal);
}

}  // namespace

void InstallSignalCleanup() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

}  // namespace platform
