#include "core/header_destination.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/last_error.h"

namespace core {
namespace {

ConversionResult NotWritten() { return {Outcome::OutputNotWritten, platform::LastError()}; }

}  // namespace

std::optional<HeaderDestination> HeaderDestination::Open(const std::string& path, OutputMode mode,
                                                         ConversionResult& failure) {
    HeaderDestination destination(mode, path);
    if (mode == OutputMode::StandardOutput) return destination;

    platform::ClearOrphanedPlaceholder(path);
    if (platform::PathExists(path)) {
        // Only an update may look at an existing header, and only a regular file.
        if (mode == OutputMode::Update)
            destination.m_existing = platform::InputFile::Open(path, platform::InputAccess::Shared);
        if (!destination.m_existing) {
            // A header that is there but cannot be opened (no descriptor
            // left, say) is not the same as a name taken by something else.
            const std::error_code reason = platform::LastError();
            const bool unreadable = mode == OutputMode::Update &&
                                    platform::KindOfPath(path) == platform::PathKind::RegularFile;
            failure = unreadable ? ConversionResult{Outcome::OutputUnreadable, reason}
                                 : ConversionResult{Outcome::OutputExists, {}};
            return std::nullopt;
        }
        // Nothing is created while the new header agrees with the old one.
        return destination;
    }
    if (!destination.Create()) {
        failure = destination.m_writeFailure;
        return std::nullopt;
    }
    return destination;
}

bool HeaderDestination::Create() {
    m_file = platform::OutputFile::Create(m_path);
    return m_file || Failed(Outcome::OutputNotCreated);
}

bool HeaderDestination::Failed(Outcome outcome) {
    if (m_writeFailure.Ok()) m_writeFailure = {outcome, platform::LastError()};
    return false;
}

bool HeaderDestination::Write(const char* data, std::size_t size) {
    if (m_mode == OutputMode::StandardOutput)
        return std::fwrite(data, 1, size, stdout) == size || Failed(Outcome::OutputNotWritten);
    if (!m_file) {
        if (Agrees(data, size)) {
            m_agreed += size;
            return true;
        }
        if (!StartWriting()) return false;
    }
    return m_file->Write(data, size) || Failed(Outcome::OutputNotWritten);
}

// Compares the next `size` bytes of the existing header with `data`.
bool HeaderDestination::Agrees(const char* data, std::size_t size) {
    if (!m_compareBuffer) m_compareBuffer.emplace(std::size_t{1} << 20);
    char* const buffer = m_compareBuffer->Data();
    while (size > 0) {
        const std::ptrdiff_t n = m_existing->Read(buffer, std::min(size, m_compareBuffer->Size()));
        if (n <= 0 || std::memcmp(buffer, data, static_cast<std::size_t>(n)) != 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// At the first difference the new header is written from its beginning into
// a new file, which replaces the old one only when complete. The part that
// agreed is copied from the old header: it is held open, and a header
// replaced meanwhile (by rename, as here) leaves what it holds unchanged.
bool HeaderDestination::StartWriting() {
    if (!Create()) return false;
    if (!m_existing->Rewind()) return Failed(Outcome::OutputNotWritten);
    if (!m_compareBuffer) m_compareBuffer.emplace(std::size_t{1} << 20);
    char* const buffer = m_compareBuffer->Data();
    for (std::uint64_t left = m_agreed; left > 0;) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, m_compareBuffer->Size()));
        const std::ptrdiff_t n = m_existing->Read(buffer, wanted);
        if (n <= 0 || !m_file->Write(buffer, static_cast<std::size_t>(n)))
            return Failed(Outcome::OutputNotWritten);
        left -= static_cast<std::uint64_t>(n);
    }
    m_existing.reset();
    return true;
}

ConversionResult HeaderDestination::Finish() {
    using Result = platform::OutputFile::PublishResult;
    if (m_mode == OutputMode::StandardOutput)
        return std::fflush(stdout) == 0 ? ConversionResult{} : NotWritten();

    if (m_mode == OutputMode::Update) {
        if (!m_file) {
            // Identical so far and nothing more in the old one: it stays as it was.
            char probe;
            if (m_existing->Read(&probe, 1) == 0) return {};
            if (!StartWriting()) return m_writeFailure;
        }
        return m_file->PublishReplacing() == Result::Published ? ConversionResult{} : NotWritten();
    }
    switch (m_file->Publish()) {
        case Result::Published:
            return {};
        case Result::NameTaken:
            return {Outcome::OutputExists, {}};
        case Result::Failed:
            break;
    }
    return NotWritten();
}

}  // namespace core
