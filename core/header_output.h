// Where a header goes: a new file that appears only when complete, an
// update that replaces a header only when its content changes, or the
// process's standard output.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/job_options.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

class HeaderOutput {
public:
    // Prepares the destination. On failure returns nothing and sets `error`
    // to the text to report.
    static std::optional<HeaderOutput> Open(const std::string& path, OutputMode mode,
                                            std::string& error);

    // Writes all `size` bytes; false on any error.
    bool Write(const char* data, std::size_t size);

    // Makes the complete header visible, or keeps an identical earlier one
    // untouched; returns the error text, empty on success.
    std::string Finish();

private:
    explicit HeaderOutput(OutputMode mode) : m_mode(mode) {}
    bool SameAsExisting(const char* data, std::size_t size);

    OutputMode m_mode;
    std::optional<platform::OutputFile> m_file;     // absent for standard output
    std::optional<platform::InputFile> m_existing;  // the header being updated
    bool m_identical = false;                       // so far, to the existing header
    std::vector<char> m_compareBuffer;
};

}  // namespace core
