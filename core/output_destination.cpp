#include "core/output_destination.h"

#include <algorithm>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/standard_output.h"

namespace core {

std::optional<OutputDestination> OutputDestination::Open(const std::string& path, OutputMode mode,
                                                         ConversionResult& failure) {
    OutputDestination destination(mode, path);
    if (mode == OutputMode::StandardOutput) return destination;

    platform::ClearOrphanedPlaceholder(path);
    if (platform::PathExists(path)) {
        // Only an update may look at an existing file, and only a regular one.
        std::error_code reason;
        if (mode == OutputMode::Update) {
            auto existing = platform::InputFile::Open(path, platform::InputAccess::Shared);
            reason = existing.Error();
            destination.m_existing = std::move(existing).Take();
        }
        if (!destination.m_existing) {
            // A file that is there but cannot be opened (no descriptor left,
            // say) is not the same as a name taken by something else.
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
    auto file = platform::OutputFile::Create(m_path);
    if (!file) return Failed(Outcome::OutputNotCreated, file.Error());
    m_file = std::move(file).Take();
    return true;
}

bool OutputDestination::Failed(Outcome outcome, std::error_code reason) {
    if (m_failure.Ok()) m_failure = {outcome, reason, m_path};
    return false;
}

bool OutputDestination::Write(const char* data, std::size_t size) {
    if (m_mode == OutputMode::StandardOutput) {
        const std::error_code error = platform::WriteStandardOutput(data, size);
        return !error || Failed(Outcome::OutputNotWritten, error);
    }
    if (!m_file) {
        if (m_differs || !Agrees(data, size)) {
            m_differs = m_failure.Ok();
            return false;
        }
        return true;
    }
    const std::error_code error = m_file->Write(data, size);
    return !error || Failed(Outcome::OutputNotWritten, error);
}

// Compares the next `size` bytes of the old file with `data`; false at a
// difference, and at a read error, which is kept as the failure.
bool OutputDestination::Agrees(const char* data, std::size_t size) {
    if (!m_compareBuffer) m_compareBuffer.emplace(std::size_t{1} << 20);
    char* const buffer = m_compareBuffer->Data();
    while (size > 0) {
        const auto n = m_existing->Read(buffer, std::min(size, m_compareBuffer->Size()));
        if (!n) return Failed(Outcome::OutputUnreadable, n.Error());
        if (*n == 0 || std::memcmp(buffer, data, *n) != 0) return false;
        data += *n;
        size -= *n;
    }
    return true;
}

ConversionResult OutputDestination::Complete() {
    if (!m_failure.Ok()) return m_failure;
    if (m_mode == OutputMode::StandardOutput) {
        if (const std::error_code error = platform::FlushStandardOutput())
            Failed(Outcome::OutputNotWritten, error);
        return m_failure;
    }
    if (!m_file && !m_differs) {
        // Identical so far: the same only if the old file holds no more.
        char probe;
        const auto n = m_existing->Read(&probe, 1);
        if (!n) Failed(Outcome::OutputUnreadable, n.Error());
        m_differs = n && *n > 0;
    }
    return m_failure;
}

bool OutputDestination::Rewind() {
    if (!m_failure.Ok()) return false;
    if (m_mode == OutputMode::StandardOutput) return true;  // never compared, never rewound
    if (m_file) {
        // Written again from its first byte: nothing an earlier pass wrote stays.
        const std::error_code error = m_file->Restart();
        return !error || Failed(Outcome::OutputNotWritten, error);
    }
    if (m_differs) {
        // A new file, with nothing taken from the old one.
        m_existing.reset();
        m_compareBuffer.reset();
        return Create();
    }
    const std::error_code error = m_existing->Rewind();
    return !error || Failed(Outcome::OutputUnreadable, error);
}

ConversionResult OutputDestination::Flush() {
    if (!m_file) return m_failure;
    if (const std::error_code error = m_file->Flush()) Failed(Outcome::OutputNotWritten, error);
    return m_failure;
}

ConversionResult OutputDestination::Publish(platform::PublishGroup& group) {
    using Result = platform::OutputFile::PublishResult;
    if (!m_file) return {};  // standard output, or an identical old file kept
    const platform::OutputFile::PublishStatus status =
        Replaces() ? m_file->PublishReplacing() : m_file->Publish(group);
    // Replaced, but the directory could not be flushed: converted, with the
    // reason as a note.
    if (status == Result::Published) return {Outcome::Converted, status.reason, m_path};
    if (status == Result::NameTaken) return {Outcome::OutputExists, {}, m_path};
    Failed(Outcome::OutputNotWritten, status.reason);
    return m_failure;
}

}  // namespace core
