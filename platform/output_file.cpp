#include "platform/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/pending_output.h"
#include "platform/system_calls.h"

namespace platform {
namespace {

constexpr char kTempSuffix[] = ".hexcrate-";
constexpr std::size_t kRandomChars = 6;

// Random characters for a temporary's name; the kernel's generator, or the
// clock where it has nothing to give.
void RandomChars(char* out, std::size_t count) {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[16];
    if (::getrandom(bytes, count, GRND_NONBLOCK) != static_cast<ssize_t>(count)) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        unsigned long seed = static_cast<unsigned long>(now.tv_nsec) ^
                             (static_cast<unsigned long>(::getpid()) << 16);
        for (std::size_t i = 0; i < count; ++i, seed = seed * 6364136223846793005ul + 1)
            bytes[i] = static_cast<unsigned char>(seed >> 33);
    }
    for (std::size_t i = 0; i < count; ++i) out[i] = kChars[bytes[i] % (sizeof kChars - 1)];
}

// ".NAME.hexcrate-XXXXXX", with NAME shortened where the whole would not fit
// in a directory entry.
void MakeTempName(char* out, const std::string& name) {
    const std::size_t room = NAME_MAX - 1 - (sizeof kTempSuffix - 1) - kRandomChars;
    const std::size_t kept = name.size() < room ? name.size() : room;
    char* p = out;
    *p++ = '.';
    std::memcpy(p, name.data(), kept);
    p += kept;
    std::memcpy(p, kTempSuffix, sizeof kTempSuffix - 1);
    p += sizeof kTempSuffix - 1;
    RandomChars(p, kRandomChars);
    p[kRandomChars] = '\0';
}

// Some file systems (FUSE ones, special files) cannot flush at all; that is
// no reason to fail.
bool Synced(int result) { return result == 0 || errno == EINVAL; }

}  // namespace

bool PathExists(const std::string& path) {
    struct stat info {};
    return Sys().fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

std::optional<OutputFile> OutputFile::Create(const std::string& path, Temporary kind) {
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
    if (dirFd < 0 && errno == EACCES) {
        dirFd = Sys().openat(AT_FDCWD, dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
        syncable = false;
    }
    if (dirFd < 0) return std::nullopt;
    OutputFile file(-1, dirFd, syncable, std::move(name));

    // A name the directory cannot hold is refused now, not after the whole
    // input has been converted.
    struct stat info {};
    if (Sys().fstatat(dirFd, file.m_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 &&
        errno != ENOENT)
        return std::nullopt;
    const long nameMax = ::fpathconf(dirFd, _PC_NAME_MAX);
    if (nameMax > 0 && file.m_name.size() > static_cast<std::size_t>(nameMax))
        return errno = ENAMETOOLONG, std::nullopt;

    if (kind == Temporary::Unnamed) {
        file.m_fd = Sys().openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (file.m_fd >= 0) return file;
        // Only a file system without unnamed files is a reason to try the
        // other way; a read-only directory fails both.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return std::nullopt;
    }
    if (!file.CreateNamed()) return std::nullopt;
    return file;
}

// Creates a new hidden file with the usual permissions (0666 less the umask,
// applied by the kernel) under a random name that nothing else has.
bool OutputFile::CreateNamed() {
    detail::PendingClaim claim(m_dirFd);
    if (!claim.Claimed()) return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        MakeTempName(claim.Name(), m_name);
        m_fd = Sys().openat(m_dirFd, claim.Name(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempName = claim.Name();
            m_pendingSlot = claim.Arm();
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Gives an unnamed file a hidden name, the first step of a rename.
bool OutputFile::NameUnnamed() {
    detail::PendingClaim claim(m_dirFd);
    if (!claim.Claimed()) return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        MakeTempName(claim.Name(), m_name);
        if (LinkUnnamedAs(claim.Name())) {
            m_tempName = claim.Name();
            m_pendingSlot = claim.Arm();
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Gives the open unnamed file the name `name` in the target's directory.
// Linking through /proc needs no privilege; AT_EMPTY_PATH is the way where
// /proc is not mounted.
bool OutputFile::LinkUnnamedAs(const char* name) {
    const std::string procPath = "/proc/self/fd/" + std::to_string(m_fd);
    int linked = Sys().linkat(AT_FDCWD, procPath.c_str(), m_dirFd, name, AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT && !PathExists("/proc/self/fd"))
        linked = Sys().linkat(m_fd, "", m_dirFd, name, AT_EMPTY_PATH);
    return linked == 0;
}

// The temporary now answers to the target's name: nothing is left to remove.
void OutputFile::TemporaryIsTarget() {
    m_tempName.clear();
    detail::ForgetPending(std::exchange(m_pendingSlot, -1));
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_dirFd(std::exchange(other.m_dirFd, -1)),
      m_dirSyncable(other.m_dirSyncable),
      m_name(std::move(other.m_name)),
      m_tempName(std::exchange(other.m_tempName, {})),
      m_pendingSlot(std::exchange(other.m_pendingSlot, -1)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_dirFd = std::exchange(other.m_dirFd, -1);
        m_dirSyncable = other.m_dirSyncable;
        m_name = std::move(other.m_name);
        m_tempName = std::exchange(other.m_tempName, {});
        m_pendingSlot = std::exchange(other.m_pendingSlot, -1);
    }
    return *this;
}

OutputFile::~OutputFile() { Discard(); }

// Keeps errno: it may hold the reason for a failure being reported.
void OutputFile::Discard() noexcept {
    const int error = errno;
    if (m_fd >= 0) Sys().close(m_fd);  // an unnamed file vanishes with its last descriptor
    m_fd = -1;
    if (!m_tempName.empty()) Sys().unlinkat(m_dirFd, m_tempName.c_str(), 0);
    m_tempName.clear();
    detail::ForgetPending(std::exchange(m_pendingSlot, -1));
    if (m_dirFd >= 0) Sys().close(m_dirFd);
    m_dirFd = -1;
    errno = error;
}

bool OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = Sys().write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {  // nothing written and no reason given: stop rather than spin
            errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A close error (some file systems report a full disk only here) means the
// content may be incomplete.
bool OutputFile::SyncAndClose() {
    const bool synced = Synced(Sys().fsync(m_fd));
    const bool closed = Sys().close(std::exchange(m_fd, -1)) == 0;
    return synced && closed;
}

bool OutputFile::SyncDirectory() { return !m_dirSyncable || Synced(Sys().fsync(m_dirFd)); }

OutputFile::PublishResult OutputFile::Publish() {
    const bool linked = m_tempName.empty() ? LinkUnnamed() : LinkNamed();
    if (!linked) {
        const bool taken = errno == EEXIST;
        Discard();
        return taken ? PublishResult::NameTaken : PublishResult::Failed;
    }
    if (!SyncDirectory()) {
        // The name may not survive a crash: take it back and say so.
        Sys().unlinkat(m_dirFd, m_name.c_str(), 0);
        Discard();
        return PublishResult::Failed;
    }
    Discard();
    return PublishResult::Published;
}

bool OutputFile::LinkNamed() {
    if (!SyncAndClose()) return false;
    // link(2) never replaces an existing name, so anything that appeared at
    // the target since the checks is left alone. File systems without hard
    // links (FAT) refuse it; a rename that refuses an existing name keeps the
    // same promise there, and where even that is missing (FUSE) the name is
    // first taken by an empty file of our own that the rename then replaces.
    if (Sys().linkat(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str(), 0) == 0) return true;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK) return false;
    if (Sys().renameat2(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str(), RENAME_NOREPLACE) !=
        0) {
        if (errno != EINVAL && errno != ENOSYS) return false;
        if (!RenameOverPlaceholder()) return false;
    }
    TemporaryIsTarget();
    return true;
}

bool OutputFile::RenameOverPlaceholder() {
    int placeholderSlot = -1;
    {
        // The placeholder is removed like a temporary if the process is
        // stopped before the rename.
        detail::PendingClaim claim(m_dirFd);
        if (!claim.Claimed() || m_name.size() > NAME_MAX) return false;
        std::memcpy(claim.Name(), m_name.c_str(), m_name.size() + 1);
        const int fd = Sys().openat(m_dirFd, m_name.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        Sys().close(fd);
        placeholderSlot = claim.Arm();
    }
    const bool renamed =
        Sys().renameat2(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str(), 0) == 0;
    const int error = errno;
    if (!renamed) Sys().unlinkat(m_dirFd, m_name.c_str(), 0);
    detail::ForgetPending(placeholderSlot);
    errno = error;
    return renamed;
}

bool OutputFile::LinkUnnamed() {
    // The descriptor must stay open for the link, so the close comes after,
    // and a failed one takes the name back.
    if (!Synced(Sys().fsync(m_fd)) || !LinkUnnamedAs(m_name.c_str())) return false;
    if (Sys().close(std::exchange(m_fd, -1)) != 0) {
        const int error = errno;
        Sys().unlinkat(m_dirFd, m_name.c_str(), 0);
        errno = error;
        return false;
    }
    return true;
}

OutputFile::PublishResult OutputFile::PublishReplacing() {
    // rename(2) replaces atomically, but only a file that has a name. An
    // unnamed one is flushed and named while its descriptor is still open.
    bool done = m_tempName.empty() ? Synced(Sys().fsync(m_fd)) && NameUnnamed() &&
                                         Sys().close(std::exchange(m_fd, -1)) == 0
                                   : SyncAndClose();
    if (done) done = Sys().renameat2(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str(), 0) == 0;
    if (done) {
        TemporaryIsTarget();
        // The old content is gone already; a failed flush of the directory
        // only means the new name may not survive a crash.
        done = SyncDirectory();
    }
    Discard();
    return done ? PublishResult::Published : PublishResult::Failed;
}

}  // namespace platform
