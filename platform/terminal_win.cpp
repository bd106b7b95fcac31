#include "platform/terminal.h"

#include <windows.h>

namespace platform {

// A console answers GetConsoleMode; a pipe, a file or the NUL device (which
// _isatty takes for a terminal) does not.
bool IsTerminal(StandardStream stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                                            : STD_ERROR_HANDLE),
                            &mode) != 0;
}

}  // namespace platform
