// Which file a path leads to, for checks that keep one file the user named
// from being written over by another that the program writes.
#pragma once

#include <string>

namespace platform {

enum class PathKind {
    Missing,      // nothing answers to the path
    RegularFile,  // a plain file, not through a symbolic link
    Other,        // a directory, device, link, or anything that cannot be told
};

// What answers to `path` itself; a symbolic link is not followed.
PathKind KindOfPath(const std::string& path);

// True when `a` and `b` lead to one file: the same file on the same device
// where both exist (links followed), or else the same name in the same
// directory.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace platform
