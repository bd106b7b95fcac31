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
    HeaderDestination destination(mode);
    if (mode == OutputMode::StandardOutput) return destination;

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
        destination.m_identical = true;
    }
    destination.m_file = platform::OutputFile::Create(path);
    if (!destination.m_file) {
        failure = {Outcome::OutputNotCreated, platform::LastError()};
        return std::nullopt;
    }
    return destination;
}

bool HeaderDestination::Write(const char* data, std::size_t size) {
    bool written = false;
    if (!m_file) {
        written = std::fwrite(data, 1, size, stdout) == size;
    } else {
        if (m_identical) m_identical = SameAsExisting(data, size);
        written = m_file->Write(data, size);
    }
    if (!written && !m_writeError) m_writeError = platform::LastError();
    return written;
}

// Compares the next `size` bytes of the existing header with `data`.
bool HeaderDestination::SameAsExisting(const char* data, std::size_t size) {
    m_compareBuffer.resize(std::min<std::size_t>(size, 1 << 20));
    while (size > 0) {
        const std::ptrdiff_t n =
            m_existing->Read(m_compareBuffer.data(), std::min(size, m_compareBuffer.size()));
        if (n <= 0 || std::memcmp(m_compareBuffer.data(), data, static_cast<std::size_t>(n)) != 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ConversionResult HeaderDestination::Finish() {
    using Result = platform::OutputFile::PublishResult;
    if (!m_file) return std::fflush(stdout) == 0 ? ConversionResult{} : NotWritten();

    if (m_mode == OutputMode::Update) {
        // Identical so far and nothing more in the old one: it stays as it was.
        char probe;
        if (m_identical && m_existing->Read(&probe, 1) == 0) return {};
        m_existing.reset();
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
