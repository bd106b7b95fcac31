// Where a file system can neither link nor refuse a taken name on rename
// (FAT through FUSE), a placeholder of ours holds the target's name while the
// temporary is renamed over it.
#pragma once

#include <string>
#include <system_error>

namespace platform::detail {

// Gives the temporary `temp` the name `name`, both in the folder `dirFd`,
// if nothing has that name: a placeholder takes it first (refused, with
// EEXIST, when the name is taken), then the rename replaces the placeholder.
// The placeholder reads as an #error naming this process and `temp`, so that
// a build that finds one after a kill -9 fails on it; `temp` is held locked
// meanwhile, so that a later run can tell a placeholder left behind.
std::error_code RenameOverPlaceholder(int dirFd, const std::string& name, const std::string& temp);

}  // namespace platform::detail
