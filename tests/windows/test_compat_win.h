// Included before everything in the Windows test build: what the shared test
// helpers take from POSIX and Windows lacks.
#pragma once

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

// Replaces the trailing XXXXXX and creates the directory, like POSIX mkdtemp.
inline char* mkdtemp(char* pattern) {
    const size_t size = strlen(pattern) + 1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char* candidate = static_cast<char*>(malloc(size));
        memcpy(candidate, pattern, size);
        const bool made = _mktemp_s(candidate, size) == 0 && _mkdir(candidate) == 0;
        if (made) memcpy(pattern, candidate, size);
        free(candidate);
        if (made) return pattern;
    }
    return nullptr;
}
#endif
