// The output file on Windows: a hidden temporary beside the target, deleted
// by the system when its handle closes (so also when the process is killed)
// until the moment it is given the target's name.
//
// The members keep their meaning where Windows has one: m_fd is a C runtime
// descriptor around the file's handle (_open_osfhandle), m_name the target's
// path as given and m_tempName the temporary's path. Windows has no directory
// handle to sync: m_dirFd stays -1, and m_pendingSlot is unused, the pending
// file being recorded below.
#include "platform/output_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/utf16_win.h"

namespace platform {
namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool MarkForDeletion(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                        sizeof disposition) != 0;
}

// The newest unpublished output, so that RemovePendingOutput can make sure it
// is never published. Its lock also makes publishing and abandoning exclusive:
// a header appears complete before the window closes, or not at all. Windows
// runs console control handlers on a thread of their own, so a lock is safe
// there. Never destroyed: a worker may still publish while the process ends.
struct PendingOutput {
    std::mutex lock;
    HANDLE file = nullptr;
    bool abandoned = false;
};

PendingOutput& Pending() {
    static PendingOutput* pending = new PendingOutput;
    return *pending;
}

// "dir\name" gives "dir\" and "name"; "C:name" gives "C:" and "name".
std::pair<std::string, std::string> SplitFolder(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos && path.size() >= 2 && path[1] == ':') cut = 1;
    cut = cut == std::string::npos ? 0 : cut + 1;
    return {path.substr(0, cut), path.substr(cut)};
}

// Eight hex digits that differ between processes and between calls.
std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    unsigned mix = static_cast<unsigned>(now.QuadPart) ^ (::GetCurrentProcessId() << 16) ^
                   (counter.fetch_add(1) * 0x9E3779B9u);
    mix ^= mix >> 15;
    mix *= 0x2C1B3C6Du;
    mix ^= mix >> 12;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", mix);
    return text;
}

}  // namespace

bool PathExists(const std::string& path) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide || wide->empty()) return false;
    if (::GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // Devices (NUL, CON) have no attributes on every version, and a file that
    // someone holds with exclusive access cannot be asked: both exist.
    HANDLE any = ::CreateFileW(
        wide->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (any != INVALID_HANDLE_VALUE) {
        ::CloseHandle(any);
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

std::optional<OutputFile> OutputFile::Create(const std::string& path, Temporary /*kind*/) {
    const auto [folder, name] = SplitFolder(path);
    if (name.empty()) return std::nullopt;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + "." + name + ".hexcrate-" + UniqueSuffix();
        const std::optional<std::wstring> wide = WidePath(temp);
        if (!wide) return std::nullopt;
        // Others may delete or rename it (the publishing move does); nobody
        // may read or write it meanwhile.
        HANDLE file = ::CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return std::nullopt;
        }
        const int fd =
            MarkForDeletion(file, true)
                ? ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY)
                : -1;
        if (fd < 0) {
            ::CloseHandle(file);
            ::DeleteFileW(wide->c_str());
            return std::nullopt;
        }
        {
            std::lock_guard guard(Pending().lock);
            Pending().file = file;
            Pending().abandoned = false;
        }
        OutputFile output(fd, -1, false, path);
        output.m_tempName = std::move(temp);
        return output;
    }
    return std::nullopt;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_name(std::move(other.m_name)),
      m_tempName(std::exchange(other.m_tempName, {})) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_name = std::move(other.m_name);
        m_tempName = std::exchange(other.m_tempName, {});
    }
    return *this;
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() noexcept {
    if (m_fd >= 0) {
        HANDLE file = HandleOf(m_fd);
        {
            std::lock_guard guard(Pending().lock);
            if (Pending().file == file) Pending().file = nullptr;
        }
        // Still marked for deletion unless a failed publish could not mark
        // it again; the delete below covers that case.
        ::_close(m_fd);
        m_fd = -1;
        if (auto wide = WidePath(m_tempName)) ::DeleteFileW(wide->c_str());
    }
    m_tempName.clear();
}

bool OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    HANDLE file = HandleOf(m_fd);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        size -= written;
    }
    return true;
}

namespace {

// Gives the temporary the target's name; on success `fd` is closed and
// `tempPath` cleared. Anything else leaves both for the caller to discard.
OutputFile::PublishResult MoveToTarget(int& fd, std::string& tempPath, const std::string& target,
                                       bool replace) {
    using Result = OutputFile::PublishResult;
    HANDLE file = HandleOf(fd);
    // A full disk can show only here, when the cache is written out.
    if (!::FlushFileBuffers(file)) return Result::Failed;
    const std::optional<std::wstring> from = WidePath(tempPath);
    const std::optional<std::wstring> to = WidePath(target);
    if (!from || !to) return Result::Failed;

    std::lock_guard guard(Pending().lock);
    if (Pending().file == file && Pending().abandoned) return Result::Failed;
    // Visible like any new file, and kept once the handle closes.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) ||
        !MarkForDeletion(file, false))
        return Result::Failed;
    // The move goes by name: renaming through the open handle is not reliable
    // everywhere (Wine puts the file in the current directory). Without
    // REPLACE_EXISTING it refuses a name that is taken, whatever appeared
    // there since the checks.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(from->c_str(), to->c_str(), flags)) {
        const DWORD error = ::GetLastError();
        MarkForDeletion(file, true);
        const bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        return taken && !replace ? Result::NameTaken : Result::Failed;
    }
    if (Pending().file == file) Pending().file = nullptr;
    tempPath.clear();
    ::_close(std::exchange(fd, -1));
    return Result::Published;
}

}  // namespace

OutputFile::PublishResult OutputFile::Publish() {
    const PublishResult result = MoveToTarget(m_fd, m_tempName, m_name, false);
    Discard();
    return result;
}

OutputFile::PublishResult OutputFile::PublishReplacing() {
    const PublishResult result = MoveToTarget(m_fd, m_tempName, m_name, true);
    Discard();
    return result;
}

void RemovePendingOutput() noexcept {
    std::lock_guard guard(Pending().lock);
    if (Pending().file) Pending().abandoned = true;
    // The temporary is still marked for deletion: it goes when its handle
    // closes, at the latest when the process ends.
}

}  // namespace platform
