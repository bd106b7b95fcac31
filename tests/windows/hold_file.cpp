// Holds a file open as another application would, for the converter tests:
//   hold_file FILE READY SECONDS
// opens FILE for reading and writing with read and write sharing (like an
// editor), creates READY once it holds it, and keeps it for SECONDS.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HANDLE file =
        ::CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = ::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    ::CloseHandle(ready);
    ::Sleep(static_cast<DWORD>(std::atoi(argv[3])) * 1000);
    ::CloseHandle(file);
    return 0;
}
