// The layout of a generated header, byte for byte: a comment naming the
// input, the bytes as an array of hex literals sixteen to a line, their
// count, and a class whose ExtractFile writes them back. Line ends are CR LF
// on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/data_formatter.h"
#include "core/page_buffer.h"

namespace core {

// "0x" and two upper-case hex digits: 10 gives "0x0A".
std::string FormatHexByte(unsigned char byte);

// The fixed format, formatted into one buffer that the sink takes in chunks
// of about a megabyte: fewer, larger writes cost less than many small ones.
class HeaderFormatter final : public DataFormatter {
public:
    // The largest block that Bytes() formats without an intermediate flush.
    static constexpr std::size_t kBlockSize = std::size_t{128} * 1024;

    // Every chunk but the last is a whole number of pages and starts on a
    // page boundary, so each lands on whole pages of the file.
    static constexpr std::size_t kPageSize = PageBuffer::kPageSize;

    explicit HeaderFormatter(Sink sink);

    bool Opening(std::string_view displayName, std::string_view prefix) override;
    bool Bytes(const unsigned char* data, std::size_t size) override;
    bool Closing(std::string_view prefix, std::string_view className) override;

    std::uint64_t ByteCount() const override { return m_count; }

private:
    char* FormatValue(char* out, unsigned char value);
    void Append(std::string_view text);
    void Flush(bool last = false);

    Sink m_sink;
    PageBuffer m_memory;
    char* m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_count = 0;
    int m_column = 0;  // values on the current data line, 0 before the first byte
    bool m_failed = false;
};

}  // namespace core
