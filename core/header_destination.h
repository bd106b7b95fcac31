// Where a header goes: a new file that appears only when complete, an
// update that replaces a header only when its content changes, or the
// process's standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/job_options.h"
#include "core/outcome.h"
#include "core/page_buffer.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

class HeaderDestination {
public:
    // Prepares the destination. On failure returns nothing and says why in
    // `failure`.
    static std::optional<HeaderDestination> Open(const std::string& path, OutputMode mode,
                                                 ConversionResult& failure);

    // Writes all `size` bytes; false on any error, whose reason is kept for
    // Finish.
    bool Write(const char* data, std::size_t size);

    // Makes the complete header visible, or keeps an identical earlier one
    // untouched.
    ConversionResult Finish();

    // Why the first failed Write failed.
    ConversionResult WriteFailure() const { return m_writeFailure; }

private:
    explicit HeaderDestination(OutputMode mode, std::string path)
        : m_mode(mode), m_path(std::move(path)) {}
    bool Create();
    bool Agrees(const char* data, std::size_t size);
    bool StartWriting();
    bool Failed(Outcome outcome);

    OutputMode m_mode;
    std::string m_path;
    std::optional<platform::OutputFile> m_file;     // absent for standard output and while agreeing
    std::optional<platform::InputFile> m_existing;  // the header being updated, while agreeing
    std::uint64_t m_agreed = 0;                     // bytes that match the existing header
    std::optional<PageBuffer> m_compareBuffer;
    ConversionResult m_writeFailure;
};

}  // namespace core
