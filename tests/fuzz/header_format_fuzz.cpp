// Feeds the header formatter random names and random bytes in random chunk
// sizes through a sink that can fail at any call, and compares what reached
// the sink with a plain rendering of the header, written piece by piece.
#include "core/header_format.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Each input builds a new formatter, and with it a few megabytes of buffers.
// Under the address sanitizer such a block costs far more than the
// formatting: it is mapped, its shadow is filled and faulted in, and it is
// unmapped again, which held the target to about 150 inputs a second. So the
// last large block is kept and handed to the next formatter; it stays
// poisoned in between, so that any use of it after its release is still
// caught.
namespace {

constexpr std::size_t kLargeBlock = std::size_t{1} << 20;
void* g_lent = nullptr;  // the large block in use, if any
std::size_t g_lentSize = 0;
void* g_kept = nullptr;  // the large block released last, poisoned
std::size_t g_keptSize = 0;

}  // namespace

void* operator new[](std::size_t size) {
    if (g_kept && !g_lent && size == g_keptSize) {
        ASAN_UNPOISON_MEMORY_REGION(g_kept, size);
        g_lentSize = size;
        return g_lent = std::exchange(g_kept, nullptr);
    }
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    if (size >= kLargeBlock && !g_lent) {
        g_lent = block;
        g_lentSize = size;
    }
    return block;
}

void operator delete[](void* block) noexcept {
    if (!block || block != g_lent) return std::free(block);
    g_lent = nullptr;
    std::free(g_kept);
    g_kept = block;
    g_keptSize = g_lentSize;
    ASAN_POISON_MEMORY_REGION(g_kept, g_keptSize);
}

void operator delete[](void* block, std::size_t /*size*/) noexcept { operator delete[](block); }

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "header formatter: %s\n", what);
    std::abort();
}

// The reference rendering is no part of what is fuzzed: kept out of the
// coverage that guides the fuzzer, and out of its comparisons' tracing.
#define REFERENCE __attribute__((no_sanitize("coverage")))

// Written with "\n"; every line feed is stored as CR LF. Written into one buffer kept from input to
// input: under the sanitizers, a new string per input, growing it, or a temporary string per byte
// made this rendering, not the formatter, the bulk of each run.
class Rendering {
public:
    REFERENCE explicit Rendering(std::vector<char>& buffer) : m_buffer(buffer) {}
    REFERENCE Rendering& operator<<(std::string_view piece) {
        char* out = Room(2 * piece.size());
        for (char c : piece) {
            if (c == '\n') *out++ = '\r';
            *out++ = c;
        }
        m_size = static_cast<std::size_t>(out - m_buffer.data());
        return *this;
    }
    REFERENCE void Bytes(const unsigned char* bytes, std::size_t count) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        char* out = Room(count * 9);
        for (std::size_t i = 0; i < count; ++i) {
            *out++ = '0';
            *out++ = 'x';
            *out++ = kDigits[bytes[i] >> 4];
            *out++ = kDigits[bytes[i] & 0x0F];
            if (i + 1 < count) out = std::copy_n(", ", 2, out);
            if ((i + 1) % 16 == 0) out = std::copy_n("\r\n ", 3, out);
        }
        m_size = static_cast<std::size_t>(out - m_buffer.data());
    }
    std::string_view Text() const { return {m_buffer.data(), m_size}; }

private:
    REFERENCE char* Room(std::size_t more) {
        if (m_buffer.size() < m_size + more) m_buffer.resize(2 * (m_size + more));
        return m_buffer.data() + m_size;
    }

    std::vector<char>& m_buffer;
    std::size_t m_size = 0;
};

// A name as the header writes it: control characters (C0, DEL, and C1 in
// UTF-8) as visible escapes, so that no name can end a comment.
REFERENCE std::string Escaped(std::string_view name) {
    std::string text;
    char hex[8];
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\r') {
            text += "\\r";
        } else if (byte == '\t') {
            text += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            std::snprintf(hex, sizeof hex, "\\x%02X", next);
            text += "\\xC2";
            text += hex;
            ++i;
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

REFERENCE std::string_view ExpectedHeader(std::vector<char>& buffer,
                                          const std::string& rawDisplayName,
                                          const std::string& rawPrefix,
                                          const std::string& rawClassName,
                                          const std::vector<unsigned char>& bytes) {
    const std::string displayName = Escaped(rawDisplayName);
    const std::string prefix = Escaped(rawPrefix);
    const std::string className = Escaped(rawClassName);
    const std::string rule(82, '/');
    Rendering text(buffer);
    text << rule << "\n// This is a headerfile which adds " << displayName
         << " to your Visual C++ Project.\n"
         << rule << "\n\nconst unsigned char " << prefix << "file[] = \n{";
    text.Bytes(bytes.data(), bytes.size());
    text << "\n};\n\nconst DWORD " << prefix << "length = " << std::to_string(bytes.size())
         << ";\n\n";
    text << "class " << className << "\n{\npublic:\n\tBOOL ExtractFile(LPCTSTR filename);\n};\n\n";
    text << "BOOL " << className << "::ExtractFile(LPCTSTR filename)\n{\n\t";
    text << "CFile tFile;\n\t";
    text << "if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;\n\t";
    text << "tFile.Write(" << prefix << "file," << prefix << "length*sizeof(char));\n\t";
    text << "tFile.Close();\n\treturn true;\n}";
    return text.Text();
}

// Mostly short chunks, for the line structure; now and then a long one, made
// of a repeated pattern, so that a few inputs cross the formatter's blocks
// and its buffers. Rarely: a long chunk costs as much as hundreds of short
// inputs. Appended to `bytes`; returns the chunk's size.
REFERENCE std::size_t NextChunk(FuzzedDataProvider& input, std::vector<unsigned char>& bytes) {
    const std::size_t longest = core::HeaderFormatter::kBlockSize + 40;
    const bool isLong = input.ConsumeIntegralInRange(0, 31) == 0;
    const auto size = input.ConsumeIntegralInRange<std::size_t>(0, isLong ? longest : 40);
    std::vector<unsigned char> pattern =
        input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange<std::size_t>(1, 40));
    if (pattern.empty()) pattern.push_back(0);
    const std::size_t start = bytes.size();
    bytes.resize(start + size);
    unsigned char* out = bytes.data() + start;
    for (std::size_t i = 0; i < size; ++i) out[i] = pattern[i % pattern.size()];
    return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string displayName = input.ConsumeRandomLengthString(80);
    const std::string prefix = input.ConsumeRandomLengthString(80);
    const std::string className = input.ConsumeRandomLengthString(80);
    // The sink fails at this call, counted from 1; 0 means never.
    const int failingCall = input.ConsumeIntegralInRange(0, 12);
    // Kept from input to input, like the formatter's buffers above.
    static std::vector<unsigned char> bytes;
    static std::vector<char> rendering;
    std::size_t chunkSizes[8];
    std::size_t chunkCount = 0;
    bytes.clear();
    while (chunkCount < std::size(chunkSizes) && input.remaining_bytes() > 0)
        chunkSizes[chunkCount++] = NextChunk(input, bytes);
    const std::string_view expected =
        ExpectedHeader(rendering, displayName, prefix, className, bytes);

    // Each chunk is compared with the expected text as it arrives.
    std::size_t written = 0;
    int calls = 0;
    bool failed = false;
    core::HeaderFormatter formatter([&](const char* text, std::size_t length) {
        Require(!failed, "wrote on after the sink failed");
        if (++calls == failingCall) {
            failed = true;
            return false;
        }
        Require(length <= expected.size() - written &&
                    std::memcmp(expected.data() + written, text, length) == 0,
                "header differs from the format");
        written += length;
        return true;
    });

    Require(formatter.Opening(displayName, prefix) == !failed, "Opening hid the sink's answer");
    const unsigned char* chunk = bytes.data();
    for (std::size_t i = 0; i < chunkCount; chunk += chunkSizes[i++])
        Require(formatter.Bytes(chunk, chunkSizes[i]) == !failed, "Bytes hid the sink's answer");
    Require(formatter.Closing(prefix, className) == !failed, "Closing hid the sink's answer");
    if (!failed) {
        Require(written == expected.size(), "header ends early");
        Require(formatter.ByteCount() == bytes.size(), "byte count differs from the input");
    }
    return 0;
}
