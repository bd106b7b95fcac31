// The source kind: the bytes go into a C file of their own written beside
// the header (logo.h gets logo.c), as one array initialised by string
// literals, which gcc and clang compile in a fraction of a second per MiB
// and which ccache can cache and distcc can compile elsewhere. The header
// only declares the array and the length, so any number of source files,
// C or C++, may include it; for C++ it keeps the class, with ExtractFile
// defined inline.
//
// The array's length opens the C file, before the bytes are read: it is the
// input's size when opened, and an input that turns out longer or shorter
// fails the conversion. The array's symbol carries the length, so a header
// and a C file of different lengths (a run stopped between replacing the
// two) fail to link instead of reading past the bytes.
#pragma once

#include "core/header_format_common.h"

namespace core {

class SourceFormatter final : public DataFormatter {
public:
    // The header goes to `header`, the C file to `source`; `sourceName` is
    // the C file's name, for the header's comment.
    SourceFormatter(Sink header, Sink source, std::uint64_t expectedLength, std::string sourceName)
        : m_header(std::move(header)),
          m_source(std::move(source)),
          m_expected(expectedLength),
          m_sourceName(std::move(sourceName)) {}

    bool Opening(std::string_view displayName, std::string_view prefix) override;
    bool Bytes(const unsigned char* data, std::size_t size) override;
    bool Closing(std::string_view prefix, std::string_view className) override;
    std::uint64_t ByteCount() const override { return m_count; }
    bool InputChanged() const override { return m_inputChanged; }

    // Input bytes per literal, one literal to a line: longer literals cost
    // gcc less memory, up to about this length.
    static constexpr int kBytesPerLine = 4096;

private:
    // The array's declarator: the name, the size (at least 1: C has no
    // empty arrays) and the symbol that ties it to its length.
    std::string Declarator(std::string_view prefix) const;

    HeaderText m_header;
    HeaderText m_source;
    std::uint64_t m_expected;
    std::string m_sourceName;
    std::string m_displayName;
    std::uint64_t m_count = 0;
    int m_column = 0;  // bytes in the open literal of the last line
    bool m_inputChanged = false;
};

// The symbol that the header and the C file name the array by:
// hexcrate_PREFIXfile_LENGTH.
std::string SourceSymbol(std::string_view prefix, std::uint64_t length);

}  // namespace core
