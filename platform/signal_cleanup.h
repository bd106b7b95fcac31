// What the converter does when it is told to stop.
#pragma once

namespace platform {

// On SIGINT, SIGTERM, SIGHUP and SIGPIPE: removes the hidden temporary being
// written (RemovePendingOutput) and then ends the process by that signal, so
// the caller sees the usual status (128 + n in a shell). Signals ignored at
// start-up (nohup, a background job) stay ignored.
void InstallSignalCleanup();

}  // namespace platform
