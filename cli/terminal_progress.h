// The converter's progress line: the percentage and the input's name,
// rewritten in place on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/conversion.h"

namespace cli {

class TerminalProgress final : public core::ProgressSink {
public:
    // Writes to `out` only when `show` is true: a script reading the stream
    // gets no progress lines. `inputLength` is the percentage's divisor.
    TerminalProgress(std::uint32_t inputLength, bool show, std::FILE* out = stderr);

    void Started(std::string_view displayName) override;
    // Rewrites the line when the whole percentage changes, no more often.
    void Advanced(std::uint32_t byteCount) override;

    // Clears the line, if one was shown, for what is printed next.
    void Clear();

private:
    std::uint32_t m_inputLength;
    bool m_show;
    std::FILE* m_out;
    std::string m_displayName;
    int m_shown = -1;  // the percentage on the line, -1 while there is none
};

}  // namespace cli
