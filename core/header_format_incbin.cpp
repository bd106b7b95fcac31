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

void IncbinFormatter::Declarations(HeaderText& text, std::string_view prefix) const {
    const std::string count = std::to_string(ByteCount());
    text.Append(
        "\r\n// The bytes are assembled in from the file named below, which must stay"
        "\r\n// where it is. Content checksum: ");
    text.Append(ChecksumText());
    text.Append(
        "\r\n\r\n#if !defined(__GNUC__)"
        "\r\n#error \"This header needs g++, clang++ or mingw: convert with --data=rc or hex\""
        "\r\n#endif"
        "\r\n__asm__(\r\n#if defined(_WIN32)\r\n\t\".section .rdata,\\\"dr\\\"\\n\""
        "\r\n#else\r\n\t\".pushsection .rodata\\n\""
        "\r\n#endif\r\n\t\".balign 16\\n\"\r\n\t\"hexcrate_");
    text.AppendName(prefix);
    text.Append("file:\\n\"");
    if (ByteCount() > 0) {
        text.Append("\r\n\t\".incbin \\\"");
        text.Append(AssemblerStringInLiteral(InputPath()));
        text.Append("\\\",0,");
        text.Append(count);
        text.Append("\\n\"");
    }
    text.Append(
        "\r\n#if defined(_WIN32)\r\n\t\".text\\n\""
        "\r\n#else\r\n\t\".popsection\\n\"\r\n#endif\r\n);"
        "\r\nextern const unsigned char ");
    text.AppendName(prefix);
    text.Append("file[");
    if (ByteCount() > 0) text.Append(count);
    text.Append("] __asm__(\"hexcrate_");
    text.AppendName(prefix);
    text.Append("file\");");
}

}  // namespace core
