#include "core/header_format_incbin.h"

#include <cctype>

namespace core {

std::string AssemblerStringInLiteral(std::string_view text) {
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '.' || c == '_' || c == '-' || c == ':') {
            result += c;
        } else {
            result += "\\\\";
            result += static_cast<char>('0' + (byte >> 6));
            result += static_cast<char>('0' + ((byte >> 3) & 7));
            result += static_cast<char>('0' + (byte & 7));
        }
    }
    return result;
}

bool IncbinFormatter::Opening(std::string_view displayName, std::string_view /*prefix*/) {
    m_text.OpeningComment(displayName);
    return !m_text.Failed();
}

// Nothing to write until the count and checksum are known.
bool IncbinFormatter::Bytes(const unsigned char* data, std::size_t size) {
    m_checksum.Add(data, size);
    m_count += size;
    return !m_text.Failed();
}

bool IncbinFormatter::Closing(std::string_view prefix, std::string_view className) {
    const std::string count = std::to_string(m_count);
    m_text.Append(
        "\r\n// The bytes are assembled in from the file named below, which must stay"
        "\r\n// where it is. Content checksum: ");
    m_text.Append(m_checksum.Text());
    m_text.Append(
        "\r\n\r\n#if !defined(__GNUC__)"
        "\r\n#error \"This header needs g++, clang++ or mingw: convert with --data=rc or hex\""
        "\r\n#endif"
        "\r\n__asm__(\r\n#if defined(_WIN32)\r\n\t\".section .rdata,\\\"dr\\\"\\n\""
        "\r\n#else\r\n\t\".pushsection .rodata\\n\""
        "\r\n#endif\r\n\t\".balign 16\\n\"\r\n\t\"hexcrate_");
    m_text.AppendName(prefix);
    m_text.Append("file:\\n\"");
    if (m_count > 0) {
        m_text.Append("\r\n\t\".incbin \\\"");
        m_text.Append(AssemblerStringInLiteral(m_inputPath));
        m_text.Append("\\\",0,");
        m_text.Append(count);
        m_text.Append("\\n\"");
    }
    m_text.Append(
        "\r\n#if defined(_WIN32)\r\n\t\".text\\n\""
        "\r\n#else\r\n\t\".popsection\\n\"\r\n#endif\r\n);"
        "\r\nextern const unsigned char ");
    m_text.AppendName(prefix);
    m_text.Append("file[");
    if (m_count > 0) m_text.Append(count);
    m_text.Append("] __asm__(\"hexcrate_");
    m_text.AppendName(prefix);
    m_text.Append("file\");");
    m_text.LengthAndClass(prefix, m_count, className, {});
    m_text.Flush();
    return !m_text.Failed();
}

}  // namespace core
