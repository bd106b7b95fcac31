#include "core/output_destination.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/last_error.h"

namespace core {
namespace {}  // namespace

std::optional<OutputDestination> OutputDestination::Open(const std::string& path, OutputMode mode,
                                                         ConversionResult& failure) {
    OutputDestination destination(mode, path);
    if (mode == OutputMode::StandardOutput) return destination;

    platform::ClearOrphanedPlaceholder(path);
    if (platform::PathExists(path)) {
        // Only an update may look at an existing file, and only a regular one.
        if (mode == OutputMode::Update)
            destination.m_existing = platform::InputFile::Open(path, platform::InputAccess::Shared);
        if (!destination.m_existing) {
            // A file that is there but cannot be opened (no descriptor left,
            // say) is not the same as a name taken by something else.
            const std::error_code reason = platform::LastError();
            const bool unreadable = mode == OutputMode::Update &&
                                    platform::KindOfPath(path) == platform::PathKind::RegularFile;
            failure = unreadable ? ConversionResult{Outcome::OutputUnreadable, reason, path}
                                 : ConversionResult{Outcome::OutputExists, {}, path};
            return std::nullopt;
        }
        // Nothing is created while the new content agrees with the old.
        destination.m_replaces = true;
        return destination;
    }
    if (!destination.Create()) {
        failure = destination.m_failure;
        return std::nullopt;
    }
    return destination;
}

bool OutputDestination::Create() {
    m_file = platform::OutputFile::Create(m_path);
    return m_file || Failed(Outcome::OutputNotCreated);
}

bool OutputDestination::Failed(Outcome outcome) {
    if (m_failure.Ok()) m_failure = {outcome, platform::LastError(), m_path};
    return false;
}

bool OutputDestination::Write(const char* data, std::size_t size) {
    if (m_mode == OutputMode::StandardOutput)
        return std::fwrite(data, 1, size, stdout) == size || Failed(Outcome::OutputNotWritten);
    if (!m_file) {
        if (m_differs || !Agrees(data, size)) {
            m_differs = m_failure.Ok();
            return false;
        }
        return true;
    }
    return m_file->Write(data, size) || Failed(Outcome::OutputNotWritten);
}

// Compares the next `size` bytes of the old file with `data`; false at a
// difference, and at a read error, which is kept as the failure.
bool OutputDestination::Agrees(const char* data, std::size_t size) {
    if (!m_compareBuffer) m_compareBuffer.emplace(std::size_t{1} << 20);
    char* const buffer = m_compareBuffer->Data();
    while (size > 0) {
        const std::ptrdiff_t n = m_existing->Read(buffer, std::min(size, m_compareBuffer->Size()));
        if (n < 0) return Failed(Outcome::OutputUnreadable);
        if (n == 0 || std::memcmp(buffer, data, static_cast<std::size_t>(n)) != 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ConversionResult OutputDestination::Complete() {
    if (!m_failure.Ok()) return m_failure;
    if (m_mode == OutputMode::StandardOutput)
        return std::fflush(stdout) == 0 || Failed(Outcome::OutputNotWritten) ? ConversionResult{}
                                                                             : m_failure;
    if (!m_file && !m_differs) {
        // Identical so far: the same only if the old file holds no more.
        char probe;
        const std::ptrdiff_t n = m_existing->Read(&probe, 1);
        if (n < 0) Failed(Outcome::OutputUnreadable);
        m_differs = n > 0;
    }
    return m_failure;
}

bool OutputDestination::Rewind() {
    if (!m_failure.Ok()) return false;
    if (m_mode == OutputMode::StandardOutput) return true;  // never compared, never rewound
    if (m_file || m_differs) {
        // A new file, whatever an earlier pass wrote.
        m_file.reset();
        m_existing.reset();
        m_compareBuffer.reset();
        return Create();
    }
    return m_existing->Rewind() || Failed(Outcome::OutputUnreadable);
}

ConversionResult OutputDestination::Flush() {
    if (m_file && !m_file->Flush()) Failed(Outcome::OutputNotWritten);
    return m_failure;
}

ConversionResult OutputDestination::Publish(platform::PublishGroup& group) {
    using Result = platform::OutputFile::PublishResult;
    if (!m_file) return {};  // standard output, or an identical old file kept
    const Result result = Replaces() ? m_file->PublishReplacing() : m_file->Publish(group);
    if (result == Result::Published) return {};
    if (result == Result::NameTaken) return {Outcome::OutputExists, {}, m_path};
    Failed(Outcome::OutputNotWritten);
    return m_failure;
}

}  // namespace core
