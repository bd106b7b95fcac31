#include "core/header_output.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/messages.h"

namespace core {

std::optional<HeaderOutput> HeaderOutput::Open(const std::string& path, OutputMode mode,
                                               std::string& error) {
    HeaderOutput output(mode);
    if (mode == OutputMode::StandardOutput) return output;

    if (platform::PathExists(path)) {
        // Only an update may look at an existing header, and only a regular file.
        if (mode == OutputMode::Update)
            output.m_existing = platform::InputFile::Open(path, platform::InputAccess::Shared);
        if (!output.m_existing) {
            error = msg::kOutputExists;
            return std::nullopt;
        }
        output.m_identical = true;
    }
    output.m_file = platform::OutputFile::Create(path);
    if (!output.m_file) {
        error = msg::kOutputNotCreated;
        return std::nullopt;
    }
    return output;
}

bool HeaderOutput::Write(const char* data, std::size_t size) {
    if (!m_file) return std::fwrite(data, 1, size, stdout) == size;
    if (m_identical) m_identical = SameAsExisting(data, size);
    return m_file->Write(data, size);
}

// Compares the next `size` bytes of the existing header with `data`.
bool HeaderOutput::SameAsExisting(const char* data, std::size_t size) {
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

std::string HeaderOutput::Finish() {
    using Result = platform::OutputFile::PublishResult;
    if (!m_file) return std::fflush(stdout) == 0 ? std::string() : msg::kOutputNotWritten;

    if (m_mode == OutputMode::Update) {
        char probe;
        if (m_identical && m_existing->Read(&probe, 1) == 0) return {};  // left as it was
        m_existing.reset();
        return m_file->PublishReplacing() == Result::Published ? std::string()
                                                               : msg::kOutputNotWritten;
    }
    switch (m_file->Publish()) {
        case Result::Published:
            return {};
        case Result::NameTaken:
            return msg::kOutputExists;
        case Result::Failed:
            break;
    }
    return msg::kOutputNotWritten;
}

}  // namespace core
