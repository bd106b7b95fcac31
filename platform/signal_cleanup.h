// What the converter and the window do when they are told to stop.
#pragma once

namespace platform {

// On every signal whose default is to end the process without a fault
// (SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM,
// SIGXCPU): abandons the header being written (RemovePendingOutput) and then
// ends the process by that signal, so the caller sees the usual status
// (128 + n in a shell). Signals ignored at start-up (nohup, a background
// job) stay ignored. SIGXFSZ is ignored, so that a file size limit fails the
// write and is reported like any other write error.
void InstallSignalCleanup();

}  // namespace platform
