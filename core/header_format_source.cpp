#include "core/header_format_source.h"

#include <algorithm>

namespace core {
namespace {

// Both files stop at once on a compiler without GNU asm labels, which
// would link a header to a C file of another length.
constexpr std::string_view kGnuOnly =
    "\r\n\r\n#if !defined(__GNUC__)"
    "\r\n#error \"This file needs gcc, clang or mingw: convert with --data=rc or hex\""
    "\r\n#endif";

// `name` inside a string literal, every byte that could end or change it
// escaped.
std::string InLiteral(std::string_view name) {
    std::string text;
    for (const char c : name) kLiteralEscapes.Append(text, static_cast<unsigned char>(c));
    return text;
}

}  // namespace

std::string SourceSymbol(std::string_view prefix, std::uint64_t length) {
    return "hexcrate_" + std::string(prefix) + "file_" + std::to_string(length);
}

std::string SourceFormatter::Declarator(std::string_view prefix) const {
    std::string text;
    AppendName(text, prefix);
    text += "file[" + std::to_string(std::max<std::uint64_t>(m_expected, 1)) + "] __asm__(\"" +
            InLiteral(SourceSymbol(prefix, m_expected)) + "\")";
    return text;
}

bool SourceFormatter::Opening(std::string_view displayName, std::string_view prefix) {
    m_displayName = displayName;
    m_source.Append("// The bytes of ");
    m_source.AppendName(displayName);
    m_source.Append(
        ", for the header written with this file: build it into"
        "\r\n// the same program or library as the sources that include the header.");
    m_source.Append(kGnuOnly);
    // The literal is as long as the input: more than the 4095 characters
    // that -pedantic holds ISO C99 to.
    m_source.Append(
        "\r\n\r\n#pragma GCC diagnostic ignored \"-Woverlength-strings\""
        "\r\nconst unsigned char ");
    m_source.Append(Declarator(prefix));
    m_source.Append(" =\r\n\"");
    m_source.Flush();
    return !m_source.Failed();
}

bool SourceFormatter::Bytes(const unsigned char* data, std::size_t size) {
    if (size > m_expected - m_count) {  // longer than the array declared
        m_inputChanged = true;
        return false;
    }
    std::string& out = m_source.Buffer();
    out.reserve(out.size() + size * 4 + size / kBytesPerLine * 4 + 8);
    for (std::size_t i = 0; i < size; ++i) {
        if (m_column == kBytesPerLine) {
            out += "\"\r\n\"";
            m_column = 0;
        }
        kLiteralEscapes.Append(out, data[i]);
        ++m_column;
    }
    m_count += size;
    m_source.Flush();
    return !m_source.Failed();
}

// The C file is complete before the header is written.
bool SourceFormatter::Closing(std::string_view prefix, std::string_view className) {
    if (m_count != m_expected) {  // shorter than the array declared
        m_inputChanged = true;
        return false;
    }
    m_source.Append("\";\r\n");
    m_source.Flush();
    if (m_source.Failed()) return false;

    const std::string length = std::to_string(m_count);
    m_header.OpeningComment(m_displayName);
    m_header.Append("\r\n\r\n// The bytes are in ");
    m_header.AppendName(m_sourceName);
    m_header.Append(
        ", written with this header: build it into the same"
        "\r\n// program or library. Any number of C or C++ sources may include this header.");
    m_header.Append(kGnuOnly);
    m_header.Append(
        "\r\n\r\n#ifdef __cplusplus\r\nextern \"C\" {\r\n#endif"
        "\r\nextern const unsigned char ");
    m_header.Append(Declarator(prefix));
    m_header.Append(";\r\n#ifdef __cplusplus\r\n}");
    m_header.Append(LengthAndClassText(prefix, m_count, className, {}, MemberDefinition::Inline));
    m_header.Append("\r\n#else\r\nstatic const unsigned long ");
    m_header.AppendName(prefix);
    m_header.Append("length = " + length + ";\r\n#endif\r\n");
    m_header.Flush();
    return !m_header.Failed();
}

}  // namespace core
