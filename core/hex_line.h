// Full data lines of the fixed format: ", \r\n 0xAB" then fifteen times
// ", 0xAB", 99 characters for 16 bytes. This is where a header's time goes,
// so processors with byte shuffles write it sixteen characters at a time.
#pragma once

#include <array>
#include <cstddef>

namespace core {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Per byte value ", 0xAB", padded to eight so that a copy is one word.
struct HexValueTable {
    std::array<std::array<char, 8>, 256> entries{};
    constexpr HexValueTable() {
        for (std::size_t b = 0; b < 256; ++b)
            entries[b] = {',', ' ', '0', 'x', kHexDigits[b >> 4], kHexDigits[b & 15], 0, 0};
    }
};
inline constexpr HexValueTable kHexValues;

inline constexpr std::size_t kHexLineValues = 16;
inline constexpr std::size_t kHexLineSize = 99;
// A line may write up to this many bytes of scratch past its end, which the
// next line or value overwrites.
inline constexpr std::size_t kHexLineOverrun = 13;

// Writes `lines` full lines for `values[0 .. 16 * lines - 1]` at `out` and
// returns their end.
char* FormatHexLines(char* out, const unsigned char* values, std::size_t lines);
// The same a value at a time, for processors without byte shuffles.
char* FormatHexLinesPortable(char* out, const unsigned char* values, std::size_t lines);

}  // namespace core
