#include "platform/signal_cleanup.h"

#include <signal.h>

#include "platform/output_file.h"

namespace platform {
namespace {

void OnEndingSignal(int signal) {
    RemovePendingOutput();
    // SA_RESETHAND has restored the default action and SA_NODEFER lets the
    // signal through at once: the process ends here, by this signal.
    ::raise(signal);
}

}  // namespace

void InstallSignalCleanup() {
    ::signal(SIGXFSZ, SIG_IGN);
    for (int signal :
         {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU}) {
        struct sigaction action {};
        if (::sigaction(signal, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
        action = {};
        action.sa_handler = OnEndingSignal;
        action.sa_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);  // the flags are unsigned
        ::sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace platform
