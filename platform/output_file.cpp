// The output file on Linux and other POSIX systems (posix_features.h says
// which Linux calls it uses and what it does without them).
//
// How a file reaches its name, by the way it was made and what the file
// system offers. Every step that gives the target's name runs while
// RemovePendingOutput() is held off, and refuses a file it has abandoned.
//
//   publish path                      taken when
//   unnamed temporary + link          O_TMPFILE works (Linux, most local file
//                                     systems): the open file is linked
//                                     under the target's name through /proc
//   named temporary + link            no unnamed files (an older kernel, NFS,
//                                     FUSE): .NAME.hexcrate-XXXXXX is linked
//                                     to the target, then removed
//   rename without replace            no hard links (FAT, exFAT):
//                                     renameat2(RENAME_NOREPLACE)
//   FAT placeholder                   no hard links and no RENAME_NOREPLACE
//                                     (FUSE FAT): an empty file of our own
//                                     takes the name, the rename replaces it
//   rename (PublishReplacing only)    --update over an older header: an
//                                     unnamed file gets a hidden name first
//
// All but the last refuse a name that something else has taken meanwhile.
#include "platform/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/output_job.h"
#include "platform/pending_output.h"
#include "platform/placeholder.h"
#include "platform/posix_call.h"
#include "platform/posix_features.h"
#include "platform/system_calls.h"
#include "platform/temp_name.h"

namespace platform {
namespace {

using detail::Errno;
using detail::Error;

// Tries fresh hidden names, written into `temp`, until `make` creates a file
// under one; `make` gives its error, file_exists when a name is taken.
template <typename Make>
std::error_code UnderFreshHiddenName(char* temp, const std::string& target, Make make) {
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        detail::MakeTempName(temp, target);
        error = make(static_cast<const char*>(temp));
        if (error != std::errc::file_exists) return error;
    }
    return error;
}

// The reason of a call that returns 0 or -1.
std::error_code Checked(int result) { return result == 0 ? std::error_code() : Errno(); }

// Some file systems (FUSE ones, special files) cannot flush at all; that is
// no reason to fail.
std::error_code FlushFile(int fd) {
    const std::error_code error = Checked(Sys().fsync(fd));
    return error == std::errc::invalid_argument ? std::error_code() : error;
}

}  // namespace

struct OutputFile::State {
    State(int dir, bool syncable, std::string target)
        : dirFd(dir), dirSyncable(syncable), name(std::move(target)) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { Discard(); }

    std::error_code CreateUnnamed();
    std::error_code CreateNamed();
    std::error_code RecordIdentity();
    std::error_code LinkUnnamedAs(const char* linkName);
    std::error_code NameUnnamed();
    void TemporaryIsTarget(detail::PendingHold& hold);
    std::error_code JoinsGroup(detail::PendingHold& hold);
    std::error_code WriteBack();
    std::error_code Flush();
    std::error_code SyncAndClose();
    std::error_code CloseFile();
    std::error_code SyncDirectory();
    std::error_code LinkUnnamed();
    std::error_code LinkNamed();
    PublishStatus Publish(PublishGroup& group);
    PublishStatus PublishReplacing();
    void Discard() noexcept;

    int fd = -1;
    int dirFd = -1;           // the target's directory
    bool dirSyncable = true;  // false where it could only be opened as a path
    std::string name;         // the target's name in that directory
    std::string tempName;     // the hidden temporary's name; empty while unnamed
    int pendingSlot = -1;     // where RemovePendingOutput() finds the temporary
    off_t written = 0;        // bytes written so far
    off_t longest = 0;        // the most an earlier pass wrote, before a restart
    off_t sent = 0;           // bytes handed to the disk so far; -1 where that cannot be done
    dev_t device = 0;         // the file's identity, for a group that may remove it again
    ino_t inode = 0;
    bool joined = false;                     // published into a group, which now holds the slot
    std::atomic<int>* groupState = nullptr;  // the group being published into
};

bool PathExists(const std::string& path) {
    struct stat info {};
    return Sys().fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

Result<OutputFile> OutputFile::Create(const std::string& path, Temporary kind) {
    // Its job abandoned already: not even a temporary is made.
    if (detail::Abandoned(detail::ThisThreadsJob())) return Error(std::errc::operation_canceled);
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > NAME_MAX) return Error(std::errc::filename_too_long);
    if (name.empty() || name == "." || name == "..") return Error(std::errc::is_a_directory);

    // The directory is held open: every later step names files relative to
    // it, and publishing flushes it. A directory that may be written but not
    // listed can still be used, only not flushed.
    bool syncable = true;
    int dirFd = Sys().openat(AT_FDCWD, dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
#if HEXCRATE_LINUX_CALLS
    if (dirFd < 0 && errno == EACCES) {
        dirFd = Sys().openat(AT_FDCWD, dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
        syncable = false;
    }
#endif
    if (dirFd < 0) return Errno();
    auto state = std::make_unique<State>(dirFd, syncable, std::move(name));

    // A name the directory cannot hold is refused now, not after the whole
    // input has been converted.
    struct stat info {};
    if (Sys().fstatat(dirFd, state->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno != ENOENT)
        return Errno();
    const long nameMax = ::fpathconf(dirFd, _PC_NAME_MAX);
    if (nameMax > 0 && state->name.size() > static_cast<std::size_t>(nameMax))
        return Error(std::errc::filename_too_long);

    if (kind == Temporary::Unnamed) {
        const std::error_code error = state->CreateUnnamed();
        if (!error) return OutputFile(std::move(state));
        // Only a file system without unnamed files is a reason to try the
        // other way; a read-only directory fails both.
        if (error != std::errc::operation_not_supported && error != std::errc::is_a_directory &&
            error != std::errc::invalid_argument)
            return error;
    }
    if (const std::error_code error = state->CreateNamed()) return error;
    return OutputFile(std::move(state));
}

OutputFile::OutputFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}
OutputFile::OutputFile(OutputFile&& other) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&& other) noexcept = default;
OutputFile::~OutputFile() = default;

// The unnamed file is recorded too, with no name to remove: abandoning it
// must still keep it from being published.
std::error_code OutputFile::State::CreateUnnamed() {
#if HEXCRATE_LINUX_CALLS
    detail::PendingClaim claim(dirFd);
    if (!claim.Claimed()) return Error(std::errc::too_many_files_open);
    fd = Sys().openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return Errno();
    pendingSlot = claim.Arm(fd);
    return RecordIdentity();
#else
    return Error(std::errc::operation_not_supported);
#endif
}

std::error_code OutputFile::State::RecordIdentity() {
    struct stat info {};
    if (Sys().fstat(fd, &info) != 0) return Errno();
    device = info.st_dev;
    inode = info.st_ino;
    return {};
}

// Creates a new hidden file with the usual permissions (0666 less the umask,
// applied by the kernel) under a random name that nothing else has.
std::error_code OutputFile::State::CreateNamed() {
    detail::PendingClaim claim(dirFd);
    if (!claim.Claimed()) return Error(std::errc::too_many_files_open);
    const std::error_code error =
        UnderFreshHiddenName(claim.Name(), name, [this](const char* temp) {
            fd = Sys().openat(dirFd, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0666);
            return fd >= 0 ? std::error_code() : Errno();
        });
    if (error) return error;
    tempName = claim.Name();
    pendingSlot = claim.Arm(fd);
    return RecordIdentity();
}

// Gives the open unnamed file the name `linkName` in the target's directory.
// Linking through /proc needs no privilege; AT_EMPTY_PATH is the way where
// /proc is not mounted.
std::error_code OutputFile::State::LinkUnnamedAs(const char* linkName) {
#if HEXCRATE_LINUX_CALLS
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    const std::error_code error =
        Checked(Sys().linkat(AT_FDCWD, procPath.c_str(), dirFd, linkName, AT_SYMLINK_FOLLOW));
    if (error != std::errc::no_such_file_or_directory || PathExists("/proc/self/fd")) return error;
    return Checked(Sys().linkat(fd, "", dirFd, linkName, AT_EMPTY_PATH));
#else
    (void)linkName;
    return Error(std::errc::operation_not_supported);  // never reached: no file is unnamed here
#endif
}

// Gives an unnamed file a hidden name, the first step of a rename.
std::error_code OutputFile::State::NameUnnamed() {
    detail::PendingHold hold(pendingSlot);
    if (hold.Abandoned()) return Error(std::errc::operation_canceled);
    const std::error_code error = UnderFreshHiddenName(
        hold.Name(), name, [this](const char* temp) { return LinkUnnamedAs(temp); });
    if (error) {
        hold.Name()[0] = '\0';  // a name tried and taken is someone else's
        return error;
    }
    tempName = hold.Name();
    return {};
}

// The temporary now answers to the target's name: nothing is left to remove.
void OutputFile::State::TemporaryIsTarget(detail::PendingHold& hold) {
    tempName.clear();
    hold.Name()[0] = '\0';
}

// The file now answers to the target's name, and its slot names it there for
// the group: a temporary linked to it goes at once. One that cannot be
// removed fails the publication (the group then takes the name back), so
// that no second name of the file stays; Discard tries it again.
std::error_code OutputFile::State::JoinsGroup(detail::PendingHold& hold) {
    std::error_code error;
    if (!tempName.empty()) {
        error = Checked(Sys().unlinkat(dirFd, tempName.c_str(), 0));
        if (!error) tempName.clear();
    }
    hold.Published(name.c_str(), device, inode, groupState);
    joined = true;
    return error;
}

// A close error (some file systems report a full disk only here) means the
// content may be incomplete.
// An earlier pass that wrote more than this one leaves a tail, cut here:
// only then is the file ever truncated (see Restart()).
std::error_code OutputFile::State::Flush() {
    if (longest > written && ::ftruncate(fd, written) != 0) return Errno();
    longest = written;
    return FlushFile(fd);
}

std::error_code OutputFile::State::SyncAndClose() {
    const std::error_code flushed = Flush();
    const std::error_code closed = CloseFile();
    return flushed ? flushed : closed;
}

// Takes the descriptor out of the record before closing it, so that
// RemovePendingOutput() never touches a number that may already be reused.
std::error_code OutputFile::State::CloseFile() {
    {
        detail::PendingHold hold(pendingSlot);
        hold.ForgetDescriptor();
    }
    return Checked(Sys().close(std::exchange(fd, -1)));
}

std::error_code OutputFile::State::SyncDirectory() {
    return dirSyncable ? FlushFile(dirFd) : std::error_code();
}

void OutputFile::State::Discard() noexcept {
    if (fd >= 0) CloseFile();  // an unnamed file vanishes with its last descriptor
    if (!tempName.empty()) Sys().unlinkat(dirFd, tempName.c_str(), 0);
    tempName.clear();
    if (joined) return;  // the slot and the directory are the group's now
    detail::ForgetPending(std::exchange(pendingSlot, -1));
    if (dirFd >= 0) Sys().close(dirFd);
    dirFd = -1;
}

std::error_code OutputFile::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    if (const std::error_code error = detail::WriteAll(m_state->fd, bytes, size)) return error;
    m_state->written += static_cast<off_t>(size);
    return m_state->WriteBack();
}

// Starts writing each stretch to disk as soon as it is complete, and waits
// for the stretch before it. So the disk works while the rest is formatted,
// the flush before publishing has little left to do, and the file's pages
// waiting for the disk stay few.
std::error_code OutputFile::State::WriteBack() {
#if HEXCRATE_LINUX_CALLS
    constexpr off_t kStretch = off_t{8} << 20;
    while (sent >= 0 && written - sent >= kStretch) {
        if (Sys().syncFileRange(fd, sent, kStretch, SYNC_FILE_RANGE_WRITE) != 0 ||
            (sent >= kStretch &&
             Sys().syncFileRange(fd, sent - kStretch, kStretch,
                                 SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                     SYNC_FILE_RANGE_WAIT_AFTER) != 0)) {
            // A file that cannot be written back early is flushed whole at
            // the end. Any other error may be the only report of a failed
            // write to disk: the final flush would no longer see it.
            const std::error_code error = Errno();
            if (error != std::errc::invalid_argument && error != std::errc::invalid_seek &&
                error != std::errc::function_not_supported)
                return error;
            sent = -1;
            break;
        }
        sent += kStretch;
    }
#endif
    return {};
}

OutputFile::PublishStatus OutputFile::Publish() {
    PublishGroup alone;
    PublishStatus status = Publish(alone);
    if (status == PublishResult::Published) {
        if (const std::error_code error = alone.Sync())
            status = {PublishResult::Failed, error};
        else if (!alone.Commit())
            status = {PublishResult::Failed, Error(std::errc::operation_canceled)};
    }
    return status;
}

std::error_code OutputFile::Flush() { return m_state->Flush(); }

// Written again over the old bytes from the first one, never emptied first:
// FAT through FUSE loses the clusters of a file truncated while it is open,
// and the writes that follow corrupt the file system. A new pass that ends
// sooner than the last has its tail cut when it is flushed.
std::error_code OutputFile::Restart() {
    if (::lseek(m_state->fd, 0, SEEK_SET) != 0) return Errno();
    m_state->longest = std::max(m_state->longest, m_state->written);
    m_state->written = 0;
    m_state->sent = 0;
    return {};
}

std::error_code PublishGroup::Sync() noexcept {
    for (const auto& member : m_members) {
        if (!member->dirSyncable) continue;
        if (const std::error_code error = FlushFile(member->dirFd)) return error;
    }
    return {};
}

OutputFile::PublishStatus OutputFile::Publish(PublishGroup& group) {
    return m_state->Publish(group);
}

OutputFile::PublishStatus OutputFile::PublishReplacing() { return m_state->PublishReplacing(); }

OutputFile::PublishStatus OutputFile::State::Publish(PublishGroup& group) {
    group.m_members.reserve(group.m_members.size() + 1);
    auto member = std::make_unique<PublishGroup::Member>();
    groupState = &group.m_state;
    // A file whose close failed is published all the same, for the group to
    // take back again.
    const std::error_code error = tempName.empty() ? LinkUnnamed() : LinkNamed();
    Discard();  // first: a joined file's directory is still here for its temporary
    if (joined) {
        member->slot = std::exchange(pendingSlot, -1);
        member->dirFd = std::exchange(dirFd, -1);
        member->dirSyncable = dirSyncable;
        group.m_members.push_back(std::move(member));
    }
    if (!error) return {PublishResult::Published, {}};
    const bool taken = !joined && error == std::errc::file_exists;
    return {taken ? PublishResult::NameTaken : PublishResult::Failed, error};
}

std::error_code OutputFile::State::LinkUnnamed() {
    // The descriptor must stay open for the link, so the close comes after.
    if (const std::error_code error = Flush()) return error;
    {
        detail::PendingHold hold(pendingSlot);
        if (hold.Abandoned()) return Error(std::errc::operation_canceled);
        if (const std::error_code error = LinkUnnamedAs(name.c_str())) return error;
        JoinsGroup(hold);  // no temporary name to remove
    }
    // A close that fails leaves the name with the group, which takes it back.
    return CloseFile();
}

// link(2) never replaces an existing name, so anything that appeared at the
// target since the checks is left alone. File systems without hard links
// (FAT) refuse it; a rename that refuses an existing name keeps the same
// promise there, and where even that is missing (FUSE) a placeholder of our
// own takes the name first.
std::error_code OutputFile::State::LinkNamed() {
    if (const std::error_code error = SyncAndClose()) return error;
    detail::PendingHold hold(pendingSlot);
    if (hold.Abandoned()) return Error(std::errc::operation_canceled);
    if (Sys().linkat(dirFd, tempName.c_str(), dirFd, name.c_str(), 0) != 0) {
        const std::error_code linkError = Errno();
        if (linkError != std::errc::operation_not_permitted &&
            linkError != std::errc::operation_not_supported &&
            linkError != std::errc::function_not_supported &&
            linkError != std::errc::too_many_links)
            return linkError;
        if (Sys().renameat2(dirFd, tempName.c_str(), dirFd, name.c_str(), kRenameNoReplace) != 0) {
            const std::error_code renameError = Errno();
            if (renameError != std::errc::invalid_argument &&
                renameError != std::errc::function_not_supported)
                return renameError;
            if (const std::error_code error = detail::RenameOverPlaceholder(dirFd, name, tempName))
                return error;
        }
        tempName.clear();  // renamed: it is the target now
    }
    return JoinsGroup(hold);
}

OutputFile::PublishStatus OutputFile::State::PublishReplacing() {
    // rename(2) replaces atomically, but only a file that has a name. An
    // unnamed one is flushed and named while its descriptor is still open.
    std::error_code error;
    if (tempName.empty()) {
        error = Flush();
        if (!error) error = NameUnnamed();
        if (!error) error = CloseFile();
    } else {
        error = SyncAndClose();
    }
    if (!error) {
        detail::PendingHold hold(pendingSlot);
        if (hold.Abandoned())
            error = Error(std::errc::operation_canceled);
        else if (Sys().renameat2(dirFd, tempName.c_str(), dirFd, name.c_str(), 0) != 0)
            error = Errno();
        else
            TemporaryIsTarget(hold);
    }
    if (error) {
        Discard();
        return {PublishResult::Failed, error};
    }
    // The new file is in place and the old one gone: a directory that cannot
    // be flushed only means that after a crash the old file may be back,
    // whole. Published, and the reason says so.
    const std::error_code unflushed = SyncDirectory();
    Discard();
    return {PublishResult::Published, unflushed};
}

}  // namespace platform
