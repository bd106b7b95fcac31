// The program's arguments as UTF-8, like every path inside the program.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program name. POSIX passes them as they are; on
// Windows `argv` is in the ANSI code page, which cannot hold every file
// name, so they are taken from the UTF-16 command line instead.
#ifdef _WIN32
std::vector<std::string> CommandLineArguments(int argc, char** argv);
#else
inline std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}
#endif

// Standard output carries bytes as they are written: a header sent there
// keeps its CR LF line ends, where Windows would otherwise add a CR before
// every LF. Nothing to do on POSIX.
#ifdef _WIN32
void BinaryStandardOutput();
#else
inline void BinaryStandardOutput() {}
#endif

}  // namespace platform
