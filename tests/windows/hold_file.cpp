// Holds a file open as another application would, for the converter tests:
//   hold_file FILE READY SECONDS [exclusive]
// opens FILE for reading and writing, sharing read and write like an editor
// (or nothing at all), creates READY once it holds it, and keeps it for
// SECONDS.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    const DWORD share = argc == 5 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = ::CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = ::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    ::CloseHandle(ready);
    ::Sleep(static_cast<DWORD>(std::atoi(argv[3])) * 1000);
    ::CloseHandle(file);
    return 0;
}
