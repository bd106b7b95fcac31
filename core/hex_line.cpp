#include "core/hex_line.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define HEXCRATE_SHUFFLE_LINES 1
#include <immintrin.h>
#endif

namespace core {
namespace {

#ifdef HEXCRATE_SHUFFLE_LINES

// The line as seven 16-byte stores. Each store is the fixed text with the
// digit places empty, or'ed with two shuffles that put the digits in place:
// one from the digits of values 0-7, one from those of values 8-15.
constexpr std::size_t kStores = (kHexLineSize + 15) / 16;
static_assert(kStores * 16 - kHexLineSize <= kHexLineOverrun);

struct LineMasks {
    alignas(16) char text[kStores][16]{};
    alignas(16) char low[kStores][16]{};   // digit places of values 0-7
    alignas(16) char high[kStores][16]{};  // digit places of values 8-15
    constexpr LineMasks() {
        char line[kStores * 16]{};
        for (std::size_t k = 0; k < kHexLineValues; ++k) {
            const char* entry = k == 0 ? ", \r\n 0x" : ", 0x";
            const std::size_t start = k == 0 ? 0 : 6 * k + 3;
            for (std::size_t i = 0; entry[i] != 0; ++i) line[start + i] = entry[i];
        }
        for (std::size_t p = 0; p < kStores * 16; ++p) {
            const std::size_t s = p / 16;
            const std::size_t i = p % 16;
            text[s][i] = line[p];
            low[s][i] = high[s][i] = static_cast<char>(0x80);  // shuffles in a zero
        }
        // Value k's two digits sit at 6k + 7 and 6k + 8, and at 2(k mod 8)
        // and one after it in its half's digit vector.
        for (std::size_t k = 0; k < kHexLineValues; ++k)
            for (std::size_t d = 0; d < 2; ++d) {
                const std::size_t p = 6 * k + 7 + d;
                char(&mask)[kStores][16] = k < 8 ? low : high;
                mask[p / 16][p % 16] = static_cast<char>(2 * (k % 8) + d);
            }
    }
};
constexpr LineMasks kMasks;

__attribute__((target("ssse3"))) char* FormatLinesShuffled(char* out, const unsigned char* values,
                                                           std::size_t lines) {
    const __m128i digits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kHexDigits));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    for (; lines > 0; --lines, values += kHexLineValues, out += kHexLineSize) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
        const __m128i high =
            _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
        const __m128i low = _mm_shuffle_epi8(digits, _mm_and_si128(bytes, nibble));
        const __m128i first = _mm_unpacklo_epi8(high, low);   // "AB" of values 0-7
        const __m128i second = _mm_unpackhi_epi8(high, low);  // of values 8-15
        for (std::size_t s = 0; s < kStores; ++s) {
            const auto mask = [s](const char(&m)[kStores][16]) {
                return _mm_load_si128(reinterpret_cast<const __m128i*>(m[s]));
            };
            const __m128i text = _mm_or_si128(
                mask(kMasks.text), _mm_or_si128(_mm_shuffle_epi8(first, mask(kMasks.low)),
                                                _mm_shuffle_epi8(second, mask(kMasks.high))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * s), text);
        }
    }
    return out;
}

bool CanShuffle() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
}

#endif

}  // namespace

// The values are copied eight bytes at a time and overlap: each copy's two
// bytes of padding are overwritten by the next.
char* FormatHexLinesPortable(char* out, const unsigned char* values, std::size_t lines) {
    for (; lines > 0; --lines, values += kHexLineValues) {
        std::memcpy(out + 3, kHexValues.entries[values[0]].data(), 8);
        std::memcpy(out, ", \r\n ", 5);
        out += 9;
        for (std::size_t k = 1; k < kHexLineValues; ++k, out += 6)
            std::memcpy(out, kHexValues.entries[values[k]].data(), 8);
    }
    return out;
}

char* FormatHexLines(char* out, const unsigned char* values, std::size_t lines) {
#ifdef HEXCRATE_SHUFFLE_LINES
    static const bool shuffle = CanShuffle();
    if (shuffle) return FormatLinesShuffled(out, values, lines);
#endif
    return FormatHexLinesPortable(out, values, lines);
}

}  // namespace core
