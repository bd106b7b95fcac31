// The output file on Windows: a hidden temporary beside the target, deleted
// by the system when its handle closes (so also when the process is killed)
// until the moment it is given the target's name. Publishing, with or
// without replacing, is one move by name; there is no directory to flush.
#include "platform/output_file.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/output_job.h"
#include "platform/utf16_win.h"
#include "platform/win_error.h"

namespace platform {
namespace {

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
    // Files of groups not yet committed, with their group's state.
    std::vector<std::pair<std::wstring, std::atomic<int>*>> published;
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

// The volume and index that tell one file from another, of the file open as
// `handle` or, with a null handle, at `path`.
struct FileId {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<FileId> IdOf(const std::wstring& path) {
    HANDLE any =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (any == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<FileId> id = IdOf(any);
    ::CloseHandle(any);
    return id;
}

}  // namespace

struct PublishGroup::Member {
    std::wstring path;
    FileId id;
};

struct OutputFile::State {
    State(HANDLE handle, std::string targetPath, std::string temporaryPath)
        : file(handle), target(std::move(targetPath)), tempPath(std::move(temporaryPath)) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { Discard(); }

    PublishStatus MoveToTarget(bool replace, PublishGroup* group = nullptr);
    void Discard() noexcept;

    HANDLE file = INVALID_HANDLE_VALUE;
    detail::JobMark job = detail::ThisThreadsJob();
    std::string target;    // the path as given
    std::string tempPath;  // the hidden temporary beside it; empty once published
};

// Windows never needs a placeholder: its rename can refuse an existing name.
bool ClearOrphanedPlaceholder(const std::string& /*path*/) { return false; }

bool PathExists(const std::string& path) {
    const std::optional<std::wstring> wide = WidePath(path);
    if (!wide) return false;
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

Result<OutputFile> OutputFile::Create(const std::string& path, Temporary /*kind*/) {
    const auto [folder, name] = SplitFolder(path);
    if (name.empty()) return detail::WinError(ERROR_INVALID_NAME);  // a folder, not a file name
    // Its job abandoned already: not even a temporary is made.
    if (detail::Abandoned(detail::ThisThreadsJob())) return detail::WinError(ERROR_CANCELLED);
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + "." + name + ".hexcrate-" + UniqueSuffix();
        const std::optional<std::wstring> wide = WidePath(temp);
        if (!wide) return detail::LastWinError();
        // Others may delete or rename it (the publishing move does); nobody
        // may read or write it meanwhile.
        HANDLE file = ::CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = detail::LastWinError();
            if (error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS)
                continue;
            return error;
        }
        if (!MarkForDeletion(file, true)) {
            error = detail::LastWinError();
            ::CloseHandle(file);
            ::DeleteFileW(wide->c_str());
            return error;
        }
        {
            std::lock_guard guard(Pending().lock);
            Pending().file = file;
            Pending().abandoned = false;
        }
        return OutputFile(std::make_unique<State>(file, path, std::move(temp)));
    }
    return error;
}

OutputFile::OutputFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}
OutputFile::OutputFile(OutputFile&& other) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&& other) noexcept = default;
OutputFile::~OutputFile() = default;

void OutputFile::State::Discard() noexcept {
    if (file != INVALID_HANDLE_VALUE) {
        {
            std::lock_guard guard(Pending().lock);
            if (Pending().file == file) Pending().file = nullptr;
        }
        // Still marked for deletion unless a failed publish could not mark
        // it again; the delete below covers that case.
        ::CloseHandle(std::exchange(file, INVALID_HANDLE_VALUE));
        if (auto wide = WidePath(tempPath)) ::DeleteFileW(wide->c_str());
    }
    tempPath.clear();
}

std::error_code OutputFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    HANDLE file = m_state->file;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, p, chunk, &written, nullptr)) return detail::LastWinError();
        if (written == 0) return detail::WinError(ERROR_WRITE_FAULT);
        p += written;
        size -= written;
    }
    return {};
}

// Gives the temporary the target's name; on success the file is closed and
// tempPath cleared, and a new file joins `group`. Anything else leaves both
// for Discard.
OutputFile::PublishStatus OutputFile::State::MoveToTarget(bool replace, PublishGroup* group) {
    const auto failed = [](std::error_code error) {
        return PublishStatus{PublishResult::Failed, error};
    };
    // A full disk can show only here, when the cache is written out.
    if (!::FlushFileBuffers(file)) return failed(detail::LastWinError());
    const std::optional<std::wstring> from = WidePath(tempPath);
    if (!from) return failed(detail::LastWinError());
    const std::optional<std::wstring> to = WidePath(target);
    if (!to) return failed(detail::LastWinError());

    const std::optional<FileId> id = IdOf(file);
    if (!id) return failed(detail::LastWinError());
    if (group) group->m_members.reserve(group->m_members.size() + 1);
    auto member = std::make_unique<PublishGroup::Member>(PublishGroup::Member{*to, *id});
    std::lock_guard guard(Pending().lock);
    Pending().published.reserve(Pending().published.size() + 1);
    if ((Pending().file == file && Pending().abandoned) || detail::Abandoned(job))
        return failed(detail::WinError(ERROR_CANCELLED));
    // Visible like any new file, and kept once the handle closes.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) ||
        !MarkForDeletion(file, false))
        return failed(detail::LastWinError());
    // The move goes by name: renaming through the open handle is not reliable
    // everywhere (Wine puts the file in the current directory). Without
    // REPLACE_EXISTING it refuses a name that is taken, whatever appeared
    // there since the checks.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(from->c_str(), to->c_str(), flags)) {
        const DWORD error = ::GetLastError();
        MarkForDeletion(file, true);
        const bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        return {taken && !replace ? PublishResult::NameTaken : PublishResult::Failed,
                detail::WinError(error)};
    }
    if (Pending().file == file) Pending().file = nullptr;
    if (group) {
        Pending().published.emplace_back(*to, &group->m_state);
        group->m_members.push_back(std::move(member));
    }
    tempPath.clear();
    ::CloseHandle(std::exchange(file, INVALID_HANDLE_VALUE));
    return {PublishResult::Published, {}};
}

OutputFile::PublishStatus OutputFile::Publish() {
    PublishGroup alone;
    PublishStatus status = Publish(alone);
    if (status == PublishResult::Published && !alone.Commit())
        status = {PublishResult::Failed, detail::WinError(ERROR_CANCELLED)};
    return status;
}

std::error_code OutputFile::Restart() {
    const LARGE_INTEGER start{};
    if (!::SetFilePointerEx(m_state->file, start, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(m_state->file))
        return detail::LastWinError();
    return {};
}

std::error_code OutputFile::Flush() {
    return ::FlushFileBuffers(m_state->file) ? std::error_code() : detail::LastWinError();
}

OutputFile::PublishStatus OutputFile::Publish(PublishGroup& group) {
    const PublishStatus status = m_state->MoveToTarget(false, &group);
    m_state->Discard();
    return status;
}

OutputFile::PublishStatus OutputFile::PublishReplacing() {
    const PublishStatus status = m_state->MoveToTarget(true);
    m_state->Discard();
    return status;
}

namespace {

// Takes `path` out of the files RemovePendingOutput() would remove.
void Forget(const std::wstring& path) {
    auto& published = Pending().published;
    for (auto it = published.begin(); it != published.end(); ++it) {
        if (it->first == path) {
            published.erase(it);
            return;
        }
    }
}

}  // namespace

PublishGroup::PublishGroup() = default;
PublishGroup::~PublishGroup() { Rollback(); }

// Each move went through to the disk already.
std::error_code PublishGroup::Sync() noexcept { return {}; }

bool PublishGroup::Commit() noexcept {
    std::lock_guard guard(Pending().lock);
    int open = kOpen;
    if (!m_state.compare_exchange_strong(open, kCommitted) && open != kCommitted) return false;
    for (const auto& member : m_members) Forget(member->path);
    m_members.clear();
    return true;
}

// The newest first; only a file that is still the one published.
void PublishGroup::Rollback() noexcept {
    std::lock_guard guard(Pending().lock);
    int open = kOpen;
    m_state.compare_exchange_strong(open, kAbandoned);
    for (std::size_t i = m_members.size(); i-- > 0;) {
        const auto& member = m_members[i];
        if (IdOf(member->path) == member->id) ::DeleteFileW(member->path.c_str());
        Forget(member->path);
    }
    m_members.clear();
}

void RemovePendingOutput() noexcept {
    std::lock_guard guard(Pending().lock);
    detail::CountRemoval();
    if (Pending().file) Pending().abandoned = true;
    for (const auto& [path, group] : Pending().published) {
        group->store(PublishGroup::kAbandoned);
        ::DeleteFileW(path.c_str());
    }
    Pending().published.clear();
    // The temporary is still marked for deletion: it goes when its handle
    // closes, at the latest when the process ends.
}

}  // namespace platform
