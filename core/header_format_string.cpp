#include "core/header_format_string.h"

namespace core {

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
        kLiteralEscapes.Append(out, data[i]);
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
