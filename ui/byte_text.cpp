#include "ui/byte_text.h"

#include <cstddef>
#include <cstdint>

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s` (no overlong
// forms, no surrogates, nothing above U+10FFFF) and its code point; 0 if the
// first byte does not begin one.
std::size_t DecodeOne(std::string_view s, char32_t& cp) {
    const auto byte = [&s](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t low = 0;  // the smallest code point a sequence of this length may carry
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, low = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, low = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, low = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    if (cp < low || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

wxString ShowBytes(std::string_view bytes) {
    wxString text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t cp = 0;
        std::size_t used = DecodeOne(bytes, cp);
        if (used == 0) {
            cp = 0xFFFD;
            used = 1;
        }
        text += wxUniChar(static_cast<wxUint32>(cp));
        bytes.remove_prefix(used);
    }
    return text;
}

void ByteText::Assign(std::string bytes) {
    m_shown = ShowBytes(bytes);
    m_bytes = std::move(bytes);
}

std::string ByteText::BytesOf(const wxString& text) const {
    return text == m_shown ? m_bytes : text.utf8_string();
}
