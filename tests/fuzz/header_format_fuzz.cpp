// Feeds the header formatter random names and random bytes in random chunk
// sizes through a sink that can fail at any call, and compares what reached
// the sink with a plain rendering of the header, written piece by piece.
#include "core/header_format.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "header formatter: %s\n", what);
    std::abort();
}

// Written with "\n"; every line feed, those inside the names included, is
// stored as CR LF. Built by appending to one reserved string: under the
// sanitizers a temporary string per byte made this rendering, not the
// formatter, the bulk of each run.
class Rendering {
public:
    explicit Rendering(std::size_t reserve) { m_text.reserve(reserve); }
    Rendering& operator<<(std::string_view piece) {
        for (char c : piece) {
            if (c == '\n') m_text += '\r';
            m_text += c;
        }
        return *this;
    }
    void Bytes(const std::vector<unsigned char>& bytes) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char hex[] = {'0', 'x', kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0x0F]};
            m_text.append(hex, sizeof hex);
            if (i + 1 < bytes.size()) m_text.append(", ", 2);
            if ((i + 1) % 16 == 0) m_text.append("\r\n ", 3);
        }
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

std::string ExpectedHeader(const std::string& displayName, const std::string& prefix,
                           const std::string& className, const std::vector<unsigned char>& bytes) {
    const std::string rule(82, '/');
    Rendering text(bytes.size() * 6 + 1024 +
                   3 * (displayName.size() + prefix.size() + className.size()));
    text << rule << "\n// This is a headerfile which adds " << displayName
         << " to your Visual C++ Project.\n"
         << rule << "\n\nconst unsigned char " << prefix << "file[] = \n{";
    text.Bytes(bytes);
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
// and its buffer.
std::vector<unsigned char> NextChunk(FuzzedDataProvider& input) {
    const std::size_t longest = core::HeaderFormatter::kBlockSize + 40;
    const bool isLong = input.ConsumeIntegralInRange(0, 7) == 0;
    const auto size = input.ConsumeIntegralInRange<std::size_t>(0, isLong ? longest : 40);
    std::vector<unsigned char> pattern =
        input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange<std::size_t>(1, 40));
    if (pattern.empty()) pattern.push_back(0);
    std::vector<unsigned char> chunk;
    chunk.reserve(size);
    while (chunk.size() < size)
        chunk.insert(chunk.end(), pattern.begin(),
                     pattern.begin() + static_cast<std::ptrdiff_t>(
                                           std::min(pattern.size(), size - chunk.size())));
    return chunk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string displayName = input.ConsumeRandomLengthString(80);
    const std::string prefix = input.ConsumeRandomLengthString(80);
    const std::string className = input.ConsumeRandomLengthString(80);
    // The sink fails at this call, counted from 1; 0 means never.
    const int failingCall = input.ConsumeIntegralInRange(0, 12);

    std::string written;
    int calls = 0;
    bool failed = false;
    core::HeaderFormatter formatter([&](const char* text, std::size_t length) {
        Require(!failed, "wrote on after the sink failed");
        if (++calls == failingCall) {
            failed = true;
            return false;
        }
        written.append(text, length);
        return true;
    });

    std::vector<unsigned char> bytes;
    Require(formatter.Opening(displayName, prefix) == !failed, "Opening hid the sink's answer");
    for (int chunks = 0; chunks < 8 && input.remaining_bytes() > 0; ++chunks) {
        const std::vector<unsigned char> chunk = NextChunk(input);
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
        Require(formatter.Bytes(chunk.data(), chunk.size()) == !failed,
                "Bytes hid the sink's answer");
    }
    Require(formatter.Closing(prefix, className) == !failed, "Closing hid the sink's answer");

    const std::string expected = ExpectedHeader(displayName, prefix, className, bytes);
    if (failed) {
        Require(expected.compare(0, written.size(), written) == 0,
                "text before the failure differs from the format");
    } else {
        Require(written == expected, "header differs from the format");
        Require(formatter.ByteCount() == bytes.size(), "byte count differs from the input");
    }
    return 0;
}
