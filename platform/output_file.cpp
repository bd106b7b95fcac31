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

// Tries fresh hidden names, written into `temp`, until `make` creates a file
// under one; `make` fails with EEXIST when a name is taken.
template <typename Make>
bool UnderFreshHiddenName(char* temp, const std::string& target, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        detail::MakeTempName(temp, target);
        if (make(static_cast<const char*>(temp))) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// Some file systems (FUSE ones, special files) cannot flush at all; that is
// no reason to fail.
bool Synced(int result) { return result == 0 || errno == EINVAL; }

// A step refused because the file was abandoned, or because no slot was free
// to record it in.
bool Refused(int error) {
    errno = error;
    return false;
}

}  // namespace

struct OutputFile::State {
    State(int dir, bool syncable, std::string target)
        : dirFd(dir), dirSyncable(syncable), name(std::move(target)) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { Discard(); }

    bool CreateUnnamed();
    bool CreateNamed();
    bool LinkUnnamedAs(const char* linkName);
    bool NameUnnamed();
    void TemporaryIsTarget(detail::PendingHold& hold);
    void JoinsGroup(detail::PendingHold& hold);
    bool RecordIdentity();
    bool WriteBack();
    bool SyncAndClose();
    int CloseFile();
    bool SyncDirectory();
    bool LinkUnnamed();
    bool LinkNamed();
    bool RenameOverPlaceholder();
    PublishResult Publish(PublishGroup& group);
    PublishResult PublishReplacing();
    void Discard() noexcept;

    int fd = -1;
    int dirFd = -1;           // the target's directory
    bool dirSyncable = true;  // false where it could only be opened as a path
    std::string name;         // the target's name in that directory
    std::string tempName;     // the hidden temporary's name; empty while unnamed
    int pendingSlot = -1;     // where RemovePendingOutput() finds the temporary
    off_t written = 0;        // bytes written so far
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

std::optional<OutputFile> OutputFile::Create(const std::string& path, Temporary kind) {
    // Its job abandoned already: not even a temporary is made.
    if (detail::Abandoned(detail::ThisThreadsJob())) return errno = ECANCELED, std::nullopt;
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > NAME_MAX) return errno = ENAMETOOLONG, std::nullopt;
    if (name.empty() || name == "." || name == "..") return errno = EISDIR, std::nullopt;

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
    if (dirFd < 0) return std::nullopt;
    auto state = std::make_unique<State>(dirFd, syncable, std::move(name));

    // A name the directory cannot hold is refused now, not after the whole
    // input has been converted.
    struct stat info {};
    if (Sys().fstatat(dirFd, state->name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno != ENOENT)
        return std::nullopt;
    const long nameMax = ::fpathconf(dirFd, _PC_NAME_MAX);
    if (nameMax > 0 && state->name.size() > static_cast<std::size_t>(nameMax))
        return errno = ENAMETOOLONG, std::nullopt;

    if (kind == Temporary::Unnamed) {
        if (state->CreateUnnamed()) return OutputFile(std::move(state));
        // Only a file system without unnamed files is a reason to try the
        // other way; a read-only directory fails both.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return std::nullopt;
    }
    if (!state->CreateNamed()) return std::nullopt;
    return OutputFile(std::move(state));
}

OutputFile::OutputFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}
OutputFile::OutputFile(OutputFile&& other) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&& other) noexcept = default;
OutputFile::~OutputFile() = default;

// The unnamed file is recorded too, with no name to remove: abandoning it
// must still keep it from being published.
bool OutputFile::State::CreateUnnamed() {
#if HEXCRATE_LINUX_CALLS
    detail::PendingClaim claim(dirFd);
    if (!claim.Claimed()) return Refused(EMFILE);
    fd = Sys().openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    pendingSlot = claim.Arm(fd);
    return RecordIdentity();
}

bool OutputFile::State::RecordIdentity() {
    struct stat info {};
    if (Sys().fstat(fd, &info) != 0) return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
#else
    return Refused(EOPNOTSUPP);
#endif
}

// Creates a new hidden file with the usual permissions (0666 less the umask,
// applied by the kernel) under a random name that nothing else has.
bool OutputFile::State::CreateNamed() {
    detail::PendingClaim claim(dirFd);
    if (!claim.Claimed()) return Refused(EMFILE);
    const bool created = UnderFreshHiddenName(claim.Name(), name, [this](const char* temp) {
        fd = Sys().openat(dirFd, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    if (!created) return false;
    tempName = claim.Name();
    pendingSlot = claim.Arm(fd);
    return RecordIdentity();
}

// Gives the open unnamed file the name `linkName` in the target's directory.
// Linking through /proc needs no privilege; AT_EMPTY_PATH is the way where
// /proc is not mounted.
bool OutputFile::State::LinkUnnamedAs(const char* linkName) {
#if HEXCRATE_LINUX_CALLS
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    int linked = Sys().linkat(AT_FDCWD, procPath.c_str(), dirFd, linkName, AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT && !PathExists("/proc/self/fd"))
        linked = Sys().linkat(fd, "", dirFd, linkName, AT_EMPTY_PATH);
    return linked == 0;
#else
    (void)linkName;
    return Refused(EOPNOTSUPP);  // never reached: no file is unnamed here
#endif
}

// Gives an unnamed file a hidden name, the first step of a rename.
bool OutputFile::State::NameUnnamed() {
    detail::PendingHold hold(pendingSlot);
    if (hold.Abandoned()) return Refused(ECANCELED);
    const bool named = UnderFreshHiddenName(
        hold.Name(), name, [this](const char* temp) { return LinkUnnamedAs(temp); });
    if (!named) {
        hold.Name()[0] = '\0';  // a name tried and taken is someone else's
        return false;
    }
    tempName = hold.Name();
    return true;
}

// The temporary now answers to the target's name: nothing is left to remove.
void OutputFile::State::TemporaryIsTarget(detail::PendingHold& hold) {
    tempName.clear();
    hold.Name()[0] = '\0';
}

// The file now answers to the target's name, and its slot names it there for
// the group: a temporary linked to it goes at once.
void OutputFile::State::JoinsGroup(detail::PendingHold& hold) {
    if (!tempName.empty()) Sys().unlinkat(dirFd, tempName.c_str(), 0);
    tempName.clear();
    hold.Published(name.c_str(), device, inode, groupState);
    joined = true;
}

// A close error (some file systems report a full disk only here) means the
// content may be incomplete.
bool OutputFile::State::SyncAndClose() {
    const bool synced = Synced(Sys().fsync(fd));
    const bool closed = CloseFile() == 0;
    return synced && closed;
}

// Takes the descriptor out of the record before closing it, so that
// RemovePendingOutput() never touches a number that may already be reused.
int OutputFile::State::CloseFile() {
    {
        detail::PendingHold hold(pendingSlot);
        hold.ForgetDescriptor();
    }
    return Sys().close(std::exchange(fd, -1));
}

bool OutputFile::State::SyncDirectory() { return !dirSyncable || Synced(Sys().fsync(dirFd)); }

// Keeps errno: it may hold the reason for a failure being reported.
void OutputFile::State::Discard() noexcept {
    const int error = errno;
    if (fd >= 0) CloseFile();  // an unnamed file vanishes with its last descriptor
    if (!tempName.empty()) Sys().unlinkat(dirFd, tempName.c_str(), 0);
    tempName.clear();
    if (joined) return;  // the slot and the directory are the group's now
    detail::ForgetPending(std::exchange(pendingSlot, -1));
    if (dirFd >= 0) Sys().close(dirFd);
    dirFd = -1;
    errno = error;
}

bool OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    if (const std::error_code error = detail::WriteAll(m_state->fd, p, size)) {
        errno = error.value();
        return false;
    }
    m_state->written += static_cast<off_t>(size);
    return m_state->WriteBack();
}

// Starts writing each stretch to disk as soon as it is complete, and waits
// for the stretch before it. So the disk works while the rest is formatted,
// the flush before publishing has little left to do, and the file's pages
// waiting for the disk stay few.
bool OutputFile::State::WriteBack() {
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
            if (errno != EINVAL && errno != ESPIPE && errno != ENOSYS) return false;
            sent = -1;
            break;
        }
        sent += kStretch;
    }
#endif
    return true;
}

OutputFile::PublishResult OutputFile::Publish() {
    PublishGroup alone;
    PublishResult result = Publish(alone);
    if (result == PublishResult::Published && !(alone.Sync() && alone.Commit()))
        result = PublishResult::Failed;
    return result;
}

bool OutputFile::Flush() { return Synced(Sys().fsync(m_state->fd)); }

bool PublishGroup::Sync() noexcept {
    for (const auto& member : m_members)
        if (member->dirSyncable && !Synced(Sys().fsync(member->dirFd))) return false;
    return true;
}

OutputFile::PublishResult OutputFile::Publish(PublishGroup& group) {
    return m_state->Publish(group);
}

OutputFile::PublishResult OutputFile::PublishReplacing() { return m_state->PublishReplacing(); }

OutputFile::PublishResult OutputFile::State::Publish(PublishGroup& group) {
    group.m_members.reserve(group.m_members.size() + 1);
    auto member = std::make_unique<PublishGroup::Member>();
    groupState = &group.m_state;
    // A file whose close failed is published all the same, for the group to
    // take back again.
    const bool done = tempName.empty() ? LinkUnnamed() : LinkNamed();
    const int error = errno;
    if (joined) {
        member->slot = std::exchange(pendingSlot, -1);
        member->dirFd = std::exchange(dirFd, -1);
        member->dirSyncable = dirSyncable;
        group.m_members.push_back(std::move(member));
    }
    Discard();
    errno = error;
    if (done) return PublishResult::Published;
    return !joined && error == EEXIST ? PublishResult::NameTaken : PublishResult::Failed;
}

bool OutputFile::State::LinkUnnamed() {
    // The descriptor must stay open for the link, so the close comes after,
    // and a failed one takes the name back.
    if (!Synced(Sys().fsync(fd))) return false;
    {
        detail::PendingHold hold(pendingSlot);
        if (hold.Abandoned()) return Refused(ECANCELED);
        if (!LinkUnnamedAs(name.c_str())) return false;
        JoinsGroup(hold);
    }
    // A close that fails leaves the name with the group, which takes it back.
    return CloseFile() == 0;
}

bool OutputFile::State::LinkNamed() {
    if (!SyncAndClose()) return false;
    detail::PendingHold hold(pendingSlot);
    if (hold.Abandoned()) return Refused(ECANCELED);
    // link(2) never replaces an existing name, so anything that appeared at
    // the target since the checks is left alone. File systems without hard
    // links (FAT) refuse it; a rename that refuses an existing name keeps the
    // same promise there, and where even that is missing (FUSE) the name is
    // first taken by an empty file of our own that the rename then replaces.
    if (Sys().linkat(dirFd, tempName.c_str(), dirFd, name.c_str(), 0) != 0) {
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK)
            return false;
        if (Sys().renameat2(dirFd, tempName.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS) return false;
            if (!RenameOverPlaceholder()) return false;
        }
        tempName.clear();  // renamed: it is the target now
    }
    JoinsGroup(hold);
    return true;
}

bool OutputFile::State::RenameOverPlaceholder() {
    const std::error_code error = detail::RenameOverPlaceholder(dirFd, name, tempName);
    errno = error.value();
    return !error;
}

OutputFile::PublishResult OutputFile::State::PublishReplacing() {
    // rename(2) replaces atomically, but only a file that has a name. An
    // unnamed one is flushed and named while its descriptor is still open.
    bool done = tempName.empty() ? Synced(Sys().fsync(fd)) && NameUnnamed() && CloseFile() == 0
                                 : SyncAndClose();
    if (done) {
        detail::PendingHold hold(pendingSlot);
        done = !hold.Abandoned() &&
               Sys().renameat2(dirFd, tempName.c_str(), dirFd, name.c_str(), 0) == 0;
        if (done) TemporaryIsTarget(hold);
    }
    // The old content is gone already; a failed flush of the directory only
    // means the new name may not survive a crash.
    if (done) done = SyncDirectory();
    Discard();
    return done ? PublishResult::Published : PublishResult::Failed;
}

}  // namespace platform
