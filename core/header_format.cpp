#include "core/header_format.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/header_format_common.h"

namespace core {
namespace {

// Per byte value ", 0xAB", padded to eight so that a copy is one word.
struct HexTable {
    std::array<std::array<char, 8>, 256> entries{};
    constexpr HexTable() {
        constexpr char kDigits[] = "0123456789ABCDEF";
        for (std::size_t b = 0; b < 256; ++b)
            entries[b] = {',', ' ', '0', 'x', kDigits[b >> 4], kDigits[b & 15], 0, 0};
    }
};
constexpr HexTable kHex;

// The longest a data byte can take, ", \r\n 0xAB", and the padding that a
// copy from the table writes past the last value.
constexpr std::size_t kMaxBytesPerValue = 9;
constexpr std::size_t kCopyPadding = 2;
constexpr std::size_t kPage = HeaderFormatter::kPageSize;
// A block's text after less than a page carried over from the last chunk,
// rounded up to whole pages so that every buffer starts on a page.
constexpr std::size_t kBufferSize =
    (kPage + HeaderFormatter::kBlockSize * kMaxBytesPerValue + kCopyPadding + kPage - 1) / kPage *
    kPage;

}  // namespace

std::string FormatHexByte(unsigned char byte) { return {kHex.entries[byte].data() + 2, 4}; }

HeaderFormatter::HeaderFormatter(Sink sink)
    : m_sink(std::move(sink)), m_memory(kBuffers * kBufferSize) {
    for (std::size_t i = 0; i < kBuffers; ++i) m_buffers[i] = m_memory.Data() + i * kBufferSize;
    m_buffer = m_buffers[0];
}

// Hands over the whole pages filled so far, or everything for the last
// chunk; the part page left over starts the next buffer.
void HeaderFormatter::Flush(bool last) {
    const std::size_t size = last ? m_used : m_used / kPage * kPage;
    if (size == 0) return;
    if (!m_failed && !m_sink(m_buffer, size)) m_failed = true;
    // The sink is done with the next buffer: it was handed over kChunksHeld
    // calls ago.
    m_current = (m_current + 1) % kBuffers;
    char* const next = m_buffers[m_current];
    std::memcpy(next, m_buffer + size, m_used - size);
    m_buffer = next;
    m_used -= size;
}

// Always through the buffers, even a text longer than one: the caller's
// memory may be gone before a sink on another thread gets to it.
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
        // the bulk of any input, go through a loop without branches.
        char* out = m_buffer + m_used;
        std::size_t i = 0;
        while (i < chunk) {
            if (m_column == 16 && chunk - i >= 16) {
                out = FormatLine(out, data + i);
                i += 16;
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
    const char* entry = kHex.entries[value].data();
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

char* HeaderFormatter::FormatLine(char* out, const unsigned char* values) {
    std::memcpy(out + 3, kHex.entries[values[0]].data(), 8);
    std::memcpy(out, ", \r\n ", 5);
    out += 9;
    for (int k = 1; k < 16; ++k, out += 6) std::memcpy(out, kHex.entries[values[k]].data(), 8);
    return out;
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
