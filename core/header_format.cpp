#include "core/header_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/header_format_common.h"
#include "core/hex_line.h"

namespace core {
namespace {

// The longest a data byte can take, ", \r\n 0xAB", and the scratch that a
// copy from the table or a run of whole lines writes past its end.
constexpr std::size_t kMaxBytesPerValue = 9;
constexpr std::size_t kCopyPadding = std::max<std::size_t>(2, kHexLineOverrun);
constexpr std::size_t kPage = HeaderFormatter::kPageSize;
// A block's text after less than a page carried over from the last chunk.
constexpr std::size_t kBufferSize =
    kPage + HeaderFormatter::kBlockSize * kMaxBytesPerValue + kCopyPadding;

}  // namespace

std::string FormatHexByte(unsigned char byte) { return {kHexValues.entries[byte].data() + 2, 4}; }

HeaderFormatter::HeaderFormatter(Sink sink)
    : m_sink(std::move(sink)), m_memory(kBufferSize), m_buffer(m_memory.Data()) {}

// Hands over the whole pages filled so far, or everything for the last
// chunk; the part page left over moves to the start.
void HeaderFormatter::Flush(bool last) {
    const std::size_t size = last ? m_used : m_used / kPage * kPage;
    if (size == 0) return;
    if (!m_failed && !m_sink(m_buffer, size)) m_failed = true;
    std::memmove(m_buffer, m_buffer + size, m_used - size);
    m_used -= size;
}

// Always through the buffer, even a text longer than it, so that every
// chunk but the last is whole pages.
void HeaderFormatter::Append(std::string_view text) {
    while (!text.empty()) {
        if (m_used == kBufferSize) Flush();
        const std::size_t piece = std::min(text.size(), kBufferSize - m_used);
        std::memcpy(m_buffer + m_used, text.data(), piece);
        m_used += piece;
        text.remove_prefix(piece);
    }
}

bool HeaderFormatter::Opening(std::string_view displayName, std::string_view prefix) {
    std::string text = OpeningCommentText(displayName) + "\r\n\r\nconst unsigned char ";
    AppendName(text, prefix);
    text += "file[] = \r\n{";
    Append(text);
    return !m_failed;
}

bool HeaderFormatter::Bytes(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t chunk = std::min(size, kBlockSize);
        if (m_used + chunk * kMaxBytesPerValue + kCopyPadding > kBufferSize) Flush();

        // Each value is preceded by ", " except the very first, and every
        // seventeenth starts a new line that opens with a space. Whole lines,
        // the bulk of any input, are written a run at a time.
        char* out = m_buffer + m_used;
        std::size_t i = 0;
        while (i < chunk) {
            if (m_column == 16 && chunk - i >= kHexLineValues) {
                const std::size_t lines = (chunk - i) / kHexLineValues;
                out = FormatHexLines(out, data + i, lines);
                i += lines * kHexLineValues;
            } else {
                out = FormatValue(out, data[i++]);
            }
        }
        m_used = static_cast<std::size_t>(out - m_buffer);
        m_count += chunk;
        data += chunk;
        size -= chunk;
    }
    return !m_failed;
}

// The values are copied eight bytes at a time from the table and overlap:
// each copy's two bytes of padding are overwritten by the next.
char* HeaderFormatter::FormatValue(char* out, unsigned char value) {
    const char* entry = kHexValues.entries[value].data();
    if (m_column == 0) {
        std::memcpy(out, entry + 2, 4);
        m_column = 1;
        return out + 4;
    }
    if (m_column == 16) {
        std::memcpy(out + 3, entry, 8);
        std::memcpy(out, ", \r\n ", 5);
        m_column = 1;
        return out + 9;
    }
    std::memcpy(out, entry, 8);
    ++m_column;
    return out + 6;
}

bool HeaderFormatter::Closing(std::string_view prefix, std::string_view className) {
    // A full last line is still followed by its line break and space.
    if (m_column == 16) Append("\r\n ");
    Append("\r\n};");
    Append(LengthAndClassText(prefix, m_count, className));
    Flush(true);
    return !m_failed;
}

}  // namespace core
