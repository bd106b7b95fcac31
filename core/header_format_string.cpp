#include "core/header_format_string.h"

#include <array>

namespace core {
namespace {

// Each byte as it appears inside a literal: printable ASCII as itself, the
// rest as three octal digits, so that no following character can extend an
// escape. '?' is escaped too, against trigraphs before C++17.
struct Escapes {
    std::array<std::array<char, 4>, 256> text{};
    std::array<unsigned char, 256> size{};
    constexpr Escapes() {
        for (std::size_t b = 0; b < 256; ++b) {
            if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '?') {
                text[b] = {static_cast<char>(b)};
                size[b] = 1;
            } else if (b == '"' || b == '\\' || b == '?') {
                text[b] = {'\\', static_cast<char>(b)};
                size[b] = 2;
            } else {
                text[b] = {'\\', static_cast<char>('0' + (b >> 6)),
                           static_cast<char>('0' + ((b >> 3) & 7)),
                           static_cast<char>('0' + (b & 7))};
                size[b] = 4;
            }
        }
    }
};
constexpr Escapes kEscapes;

}  // namespace

bool StringFormatter::Opening(std::string_view displayName, std::string_view prefix) {
    m_text.OpeningComment(displayName);
    m_text.Append("\r\n\r\nconst unsigned char ");
    m_text.AppendName(prefix);
    m_text.Append("file[] = \r\n");
    return !m_text.Failed();
}

bool StringFormatter::Bytes(const unsigned char* data, std::size_t size) {
    std::string& out = m_text.Buffer();
    out.reserve(out.size() + size * 4 + size / kBytesPerLine * 4 + 8);
    for (std::size_t i = 0; i < size; ++i) {
        if (m_column == kBytesPerLine) {
            out += "\"\r\n\"";
            m_column = 0;
        } else if (m_column == 0 && m_count + i == 0) {
            out += '"';
        }
        out.append(kEscapes.text[data[i]].data(), kEscapes.size[data[i]]);
        ++m_column;
    }
    m_count += size;
    m_text.Flush();
    return !m_text.Failed();
}

bool StringFormatter::Closing(std::string_view prefix, std::string_view className) {
    m_text.Append(m_count == 0 ? "\"\";" : "\";");  // an empty input still needs a literal
    m_text.LengthAndClass(prefix, m_count, className, {});
    m_text.Flush();
    return !m_text.Failed();
}

}  // namespace core
