#include "platform/command_line.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, whose types it uses

#include <cstdio>

#include "platform/utf16_win.h"

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return {argv + (argc > 0 ? 1 : 0), argv + argc};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8Text(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void BinaryStandardOutput() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace platform
