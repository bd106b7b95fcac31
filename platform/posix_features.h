// Which Linux-only calls the POSIX layer makes. Each has a portable fallback
// that other systems take; -DHEXCRATE_PORTABLE_POSIX=ON makes Linux take the
// fallbacks too, so that they are built and tested (`make portable`).
#pragma once

namespace platform {

#if defined(__linux__) && !defined(HEXCRATE_PORTABLE_POSIX)
#define HEXCRATE_LINUX_CALLS 1
#else
#define HEXCRATE_LINUX_CALLS 0
#endif

// True where the calls below are used:
// - O_TMPFILE: unnamed temporaries, linked through /proc/self/fd (or
//   AT_EMPTY_PATH); otherwise every temporary is a hidden named file;
// - renameat2(RENAME_NOREPLACE): a rename that refuses a taken name where
//   links are missing; otherwise the placeholder takes the name first;
// - sync_file_range: writing back as the file grows; otherwise one flush at
//   the end;
// - getrandom: temporaries' names; otherwise the clock and a counter;
// - O_PATH: a folder that may be written but not listed; otherwise such a
//   folder is refused;
// - dup3: pointing an abandoned temporary's descriptor at /dev/null in one
//   step; otherwise dup2 and fcntl.
inline constexpr bool kLinuxCalls = HEXCRATE_LINUX_CALLS != 0;

}  // namespace platform
