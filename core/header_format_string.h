// The string kind: the same names and class as the fixed format, with the
// bytes as concatenated string literals, which g++ and clang++ read many
// times faster than an initialiser of separate values. Not for MSVC, which
// limits a string literal to 64 KiB. The array holds one byte more than the
// length, the literal's terminating NUL.
#pragma once

#include "core/header_format_common.h"

namespace core {

class StringFormatter final : public DataFormatter {
public:
    explicit StringFormatter(Sink sink) : m_text(std::move(sink)) {}

    bool Opening(std::string_view displayName, std::string_view prefix) override;
    bool Bytes(const unsigned char* data, std::size_t size) override;
    bool Closing(std::string_view prefix, std::string_view className) override;
    std::uint64_t ByteCount() const override { return m_count; }

    // Input bytes per literal, one literal to a line.
    static constexpr int kBytesPerLine = 64;

private:
    HeaderText m_text;
    std::uint64_t m_count = 0;
    int m_column = 0;  // bytes in the open literal of the last line
};

}  // namespace core
