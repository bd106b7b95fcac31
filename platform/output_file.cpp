#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {
namespace {

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// New files get the usual permissions (0666 less the umask) rather than the
// 0600 that mkstemp gives.
mode_t DefaultFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<OutputFile> OutputFile::Create(const std::string& path, Temporary kind) {
    const std::string dir = DirectoryOf(path);
    if (kind == Temporary::Unnamed) {
        int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) return OutputFile(fd, path, {});
        // Only a file system without unnamed files is a reason to try the
        // other way; a missing or read-only directory fails both.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return std::nullopt;
    }
    std::string name = path.substr(path.rfind('/') + 1);
    std::string temp = (dir == "/" ? "" : dir) + "/." + name + ".hexcrate-XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    ::fchmod(fd, DefaultFileMode());
    return OutputFile(fd, path, std::move(temp));
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_target(std::move(other.m_target)),
      m_tempPath(std::exchange(other.m_tempPath, {})) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_target = std::move(other.m_target);
        m_tempPath = std::exchange(other.m_tempPath, {});
    }
    return *this;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);  // an unnamed file vanishes with its last descriptor
    m_fd = -1;
    if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

bool OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

OutputFile::PublishResult OutputFile::Publish() {
    if (!LinkToTarget()) {
        const bool taken = errno == EEXIST;
        Discard();
        return taken ? PublishResult::NameTaken : PublishResult::Failed;
    }
    // A close error (some file systems report a full disk only here) means
    // the content may be incomplete: take the name back.
    const bool closed = ::close(std::exchange(m_fd, -1)) == 0;
    if (!closed) ::unlink(m_target.c_str());
    Discard();
    return closed ? PublishResult::Published : PublishResult::Failed;
}

bool OutputFile::LinkToTarget() {
    // link(2) never replaces an existing name, so anything that appeared at
    // the target since the checks is left alone.
    if (!m_tempPath.empty()) return ::link(m_tempPath.c_str(), m_target.c_str()) == 0;

    // Linking an unnamed file through /proc needs no privilege; AT_EMPTY_PATH
    // is the way where /proc is not mounted.
    const std::string procPath = "/proc/self/fd/" + std::to_string(m_fd);
    if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT || PathExists("/proc/self/fd")) return false;
    return ::linkat(m_fd, "", AT_FDCWD, m_target.c_str(), AT_EMPTY_PATH) == 0;
}

}  // namespace platform
