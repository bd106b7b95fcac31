#include "platform/placeholder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "platform/output_file.h"
#include "platform/pending_output.h"
#include "platform/posix_call.h"
#include "platform/system_calls.h"
#include "platform/temp_name.h"

namespace platform {
namespace {

using detail::Errno;

constexpr std::string_view kStart = "#error \"Unfinished Hexcrate header: converter process ";
constexpr std::string_view kMiddle = " was stopped before its temporary ";
constexpr std::string_view kEnd = " replaced this file; convert again.\"\n";
constexpr std::size_t kMaxSize = 512;

std::string PlaceholderText(long pid, std::string_view temp) {
    std::string text(kStart);
    return text.append(std::to_string(pid)).append(kMiddle).append(temp).append(kEnd);
}

// The temporary that `text` names when `text` is exactly what the
// placeholder for the file `name` holds; empty otherwise. Only a name of
// the form that `name` itself gives is taken, never whatever the text says.
std::string TemporaryNamedIn(std::string_view text, const std::string& name) {
    if (text.substr(0, kStart.size()) != kStart) return {};
    std::size_t end = kStart.size();
    long pid = 0;
    while (end < text.size() && end - kStart.size() < 10 && text[end] >= '0' && text[end] <= '9')
        pid = pid * 10 + (text[end++] - '0');
    const std::size_t tempStart = end + kMiddle.size();
    if (text.size() < tempStart + kEnd.size()) return {};
    const std::string_view temp = text.substr(tempStart, text.size() - tempStart - kEnd.size());
    if (!detail::IsTempNameFor(temp, name) || text != PlaceholderText(pid, temp)) return {};
    return std::string(temp);
}

// Creates the placeholder `name` in `dirFd`, holding the whole text at once
// (a build that finds it after a kill -9 fails on the #error, not on a
// missing class), and says which file it is in `info`.
std::error_code WritePlaceholder(int dirFd, const std::string& name, const std::string& temp,
                                 struct stat& info) {
    const int fd = Sys().openat(dirFd, name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Errno();
    const std::string text = PlaceholderText(::getpid(), temp);
    std::error_code error = detail::WriteAll(fd, text.data(), text.size());
    if (!error && Sys().fstat(fd, &info) != 0) error = Errno();
    Sys().close(fd);
    if (error) Sys().unlinkat(dirFd, name.c_str(), 0);
    return error;
}

bool OwnRegularFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Still under its name: the converter may have renamed the header over it
// just now, or a run that cleared it put a file of its own there.
bool StillThere(const std::string& path, const struct stat& info) {
    struct stat now {};
    return Sys().fstatat(AT_FDCWD, path.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(now, info);
}

bool NotNewer(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

// A temporary of this user, finished before the placeholder appeared and
// locked by no converter.
bool IsOrphanedTemporary(const std::string& path, const struct stat& placeholder) {
    const int temp =
        Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (temp < 0) return false;
    struct stat info {};
    const bool orphan = Sys().fstat(temp, &info) == 0 && OwnRegularFile(info) &&
                        NotNewer(info.st_mtim, placeholder.st_mtim) &&
                        Sys().flock(temp, LOCK_EX | LOCK_NB) == 0;
    Sys().close(temp);
    return orphan;
}

// A kill -9 between creating the placeholder and writing its text leaves it
// empty. An empty file is taken for such a placeholder only with an orphaned
// temporary of the name's own form beside it. (That temporary stays: a
// converter that has not reached its rename yet holds no lock on its own.)
bool OrphanedTemporaryBeside(const std::string& dir, const std::string& name,
                             const struct stat& placeholder) {
    DIR* folder = ::opendir(dir.empty() ? "." : dir.c_str());
    if (folder == nullptr) return false;
    bool found = false;
    const dirent* entry = nullptr;
    while (!found && (entry = ::readdir(folder)) != nullptr)
        found = detail::IsTempNameFor(entry->d_name, name) &&
                IsOrphanedTemporary(dir + entry->d_name, placeholder);
    ::closedir(folder);
    return found;
}

// `fd` is open on `path`, in the folder `dir` ("" or ending in '/').
bool ClearIfOrphan(int fd, const std::string& path, const std::string& dir,
                   const std::string& name) {
    struct stat info {};
    if (Sys().fstat(fd, &info) != 0 || !OwnRegularFile(info) ||
        info.st_size > static_cast<off_t>(kMaxSize))
        return false;
    if (info.st_size == 0) {
        const bool cleared = OrphanedTemporaryBeside(dir, name, info) && StillThere(path, info);
        if (cleared) Sys().unlinkat(AT_FDCWD, path.c_str(), 0);
        return cleared;
    }
    char text[kMaxSize + 1];
    const ssize_t n = Sys().read(fd, text, sizeof text);
    if (n <= 0 || n != info.st_size) return false;
    const std::string temp = TemporaryNamedIn({text, static_cast<std::size_t>(n)}, name);
    if (temp.empty()) return false;

    // Its converter holds a lock on the temporary for as long as it lives,
    // whatever its process id means by now or in this pid namespace. A
    // temporary that is gone has no converter left to rename it.
    const std::string tempPath = dir + temp;
    const int held =
        Sys().openat(AT_FDCWD, tempPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (held < 0 && errno != ENOENT) return false;
    struct stat tempInfo {};
    const bool orphan =
        held < 0 || (Sys().fstat(held, &tempInfo) == 0 && OwnRegularFile(tempInfo) &&
                     Sys().flock(held, LOCK_EX | LOCK_NB) == 0);
    const bool cleared = orphan && StillThere(path, info);
    if (cleared) {
        if (held >= 0) Sys().unlinkat(AT_FDCWD, tempPath.c_str(), 0);
        Sys().unlinkat(AT_FDCWD, path.c_str(), 0);
    }
    if (held >= 0) Sys().close(held);
    return cleared;
}

}  // namespace

bool ClearOrphanedPlaceholder(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const int fd =
        Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool cleared = ClearIfOrphan(fd, path, dir, name);
    Sys().close(fd);  // and with it the lock
    return cleared;
}

namespace detail {

std::error_code RenameOverPlaceholder(int dirFd, const std::string& name, const std::string& temp) {
    if (name.size() > NAME_MAX) return Error(std::errc::filename_too_long);
    // The temporary is held locked until it has the name: a run that finds
    // the placeholder tries the lock to learn whether its converter lives.
    // (Not the placeholder itself: FUSE hides a file that is open when a
    // rename replaces it, which FAT through FUSE mishandles.)
    const int held = Sys().openat(dirFd, temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (held < 0) return Errno();
    std::error_code error;
    if (Sys().flock(held, LOCK_EX | LOCK_NB) != 0) error = Errno();
    struct stat placeholder {};
    int slot = -1;
    if (!error) {
        // The placeholder is removed like a temporary if the process is
        // stopped before the rename.
        PendingClaim claim(dirFd);
        if (!claim.Claimed()) {
            error = Error(std::errc::too_many_files_open);
        } else {
            std::memcpy(claim.Name(), name.c_str(), name.size() + 1);
            error = WritePlaceholder(dirFd, name, temp, placeholder);
            if (!error) slot = claim.Arm();
        }
    }
    if (!error && Sys().renameat2(dirFd, temp.c_str(), dirFd, name.c_str(), 0) != 0) {
        error = Errno();
        // Only while the name still leads to the placeholder: another run
        // may have renamed a header of its own over it.
        struct stat there {};
        if (Sys().fstatat(dirFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(placeholder, there))
            Sys().unlinkat(dirFd, name.c_str(), 0);
    }
    ForgetPending(slot);
    Sys().close(held);
    return error;
}

}  // namespace detail
}  // namespace platform
