// The generated header, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>

#include "core/header_format.h"
#include "core/hex_line.h"
#include "test_support.h"

namespace {

using core::Outcome;
using test::ReadFile;
using test::TempDir;

std::string Golden(const std::string& name) {
    return ReadFile(std::string(HEXCRATE_GOLDEN_DIR) + "/" + name);
}

std::string Bytes(int from, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>(from + i);
    return s;
}

struct GoldenCase {
    const char* input;
    std::string content;
    const char* className;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.input; }

class GoldenHeaders : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenHeaders, MatchByteForByte) {
    const GoldenCase& c = GetParam();
    TempDir dir;
    test::WriteFile(dir / c.input, c.content);
    test::RecordedProgress progress;
    ASSERT_TRUE(core::Convert({dir / c.input, c.className, dir / "out.h"}, progress).Ok());
    EXPECT_EQ(ReadFile(dir / "out.h"), Golden(std::string(c.input) + ".h"));
    EXPECT_EQ(progress.displayName, c.input);
    EXPECT_EQ(progress.byteCount, c.content.size());
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenHeaders,
                         testing::Values(GoldenCase{"abc.txt", "abc", "CAbcFile"},
                                         GoldenCase{"seventeen.bin", Bytes(0, 17),
                                                    "CSeventeenFile"},
                                         GoldenCase{"sixteen.bin", Bytes(0, 16), "CSixteenFile"},
                                         GoldenCase{"empty.dat", "", "CEmptyFile"}));

TEST(FormatHexByte, IsZeroXAndTwoUpperCaseDigits) {
    for (int b = 0; b < 256; ++b) {
        char expected[8];
        std::snprintf(expected, sizeof expected, "0x%02X", b);
        EXPECT_EQ(core::FormatHexByte(static_cast<unsigned char>(b)), expected);
    }
}

// Splits the array's initialiser back into bytes, checking the line layout
// on the way: sixteen values to a line, continuation lines opening with a space.
std::string ParseArray(const std::string& header, std::size_t* lines) {
    const auto begin = header.find("[] = \r\n{") + 8;
    const auto end = header.find("\r\n};\r\n");
    const std::string body = header.substr(begin, end - begin);
    static const std::regex line(R"(( ?)((?:0x[0-9A-F]{2}(?:, )?)*))");
    std::string bytes;
    *lines = 0;
    std::size_t pos = 0;
    while (pos <= body.size()) {
        auto next = body.find("\r\n", pos);
        if (next == std::string::npos) next = body.size();
        const std::string text = body.substr(pos, next - pos);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(text, m, line)) << text;
        EXPECT_EQ(m[1].length(), *lines == 0 ? 0 : 1) << text;
        for (auto i = static_cast<std::size_t>(m[1].length()); i + 4 <= text.size(); i += 6)
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
        ++*lines;
        pos = next + 2;
    }
    return bytes;
}

TEST(HeaderRoundTrip, ArrayHoldsTheInputForManySizes) {
    std::mt19937 random(1234);
    const std::size_t block = core::HeaderFormatter::kBlockSize;
    for (std::size_t size : {std::size_t{1}, std::size_t{15}, std::size_t{32}, std::size_t{33},
                             std::size_t{1000}, block - 1, block, block + 1, 3 * block + 17}) {
        SCOPED_TRACE(size);
        std::string input(size, '\0');
        for (char& c : input) c = static_cast<char>(random());
        input[0] = '\n';  // line ends in the data must not disturb the layout
        input[size - 1] = '\r';

        TempDir dir;
        test::WriteFile(dir / "in.bin", input);
        ASSERT_EQ(test::Convert(dir / "in.bin", dir / "in.h"), Outcome::Converted);
        const std::string header = ReadFile(dir / "in.h");

        std::size_t lines = 0;
        EXPECT_EQ(ParseArray(header, &lines), input);
        EXPECT_EQ(lines, size / 16 + 1);
        EXPECT_NE(header.find("const DWORD inlength = " + std::to_string(size) + ";\r\n"),
                  std::string::npos);
        // Every line feed belongs to a CR LF pair.
        EXPECT_EQ(std::count(header.begin(), header.end(), '\n'),
                  std::count(header.begin(), header.end(), '\r'));
    }
}

// A name is data: a line end in it cannot end the comment and start code.
TEST(HeaderFormatter, ControlCharactersInNamesAreEscaped) {
    TempDir dir;
    test::WriteFile(dir / "a\nint injected;\x1B.bin", "abc");
    ASSERT_EQ(test::Convert(dir / "a\nint injected;\x1B.bin", dir / "out.h", "C\rX"),
              Outcome::Converted);
    const std::string header = ReadFile(dir / "out.h");
    EXPECT_NE(header.find("// This is a headerfile which adds a\\nint injected;\\x1B.bin to"),
              std::string::npos);
    EXPECT_NE(header.find("const unsigned char a\\nint injected;\\x1Bfile[]"), std::string::npos);
    EXPECT_NE(header.find("BOOL C\\rX::ExtractFile"), std::string::npos);
    EXPECT_EQ(header.find("\ninject"), std::string::npos);
}

// Every chunk but the last covers whole pages from a page boundary, even
// around a text longer than the buffer.
TEST(HeaderFormatter, ChunksAreWholePagesFromAPageBoundary) {
    std::string all;
    std::size_t lastSize = 0;
    core::HeaderFormatter header([&](const char* data, std::size_t size) {
        EXPECT_EQ(lastSize % core::HeaderFormatter::kPageSize, 0u);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % core::HeaderFormatter::kPageSize, 0u);
        lastSize = size;
        all.append(data, size);
        return true;
    });
    const std::string longName(3'000'000, 'N');  // longer than a buffer
    const std::string data(5 * core::HeaderFormatter::kBlockSize, 'x');
    ASSERT_TRUE(header.Opening(longName, "p"));
    ASSERT_TRUE(header.Bytes(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    ASSERT_TRUE(header.Closing("p", longName));
    EXPECT_EQ(all.find(longName), all.find("adds ") + 5);
    EXPECT_TRUE(all.ends_with("return true;\r\n}"));
}

// Whole lines come out the same on every processor: each byte value in each
// of the sixteen places, against the value-at-a-time writer and the text.
TEST(HexLines, EveryValueInEveryPlaceAsTheFormatSays) {
    constexpr std::size_t kLines = 256;
    std::vector<unsigned char> values(kLines * core::kHexLineValues);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<unsigned char>(i / 16 + 17 * (i % 16));
    std::string fast(kLines * core::kHexLineSize + core::kHexLineOverrun, '\0');
    std::string portable = fast;
    EXPECT_EQ(core::FormatHexLines(fast.data(), values.data(), kLines),
              fast.data() + kLines * core::kHexLineSize);
    core::FormatHexLinesPortable(portable.data(), values.data(), kLines);
    EXPECT_EQ(fast.substr(0, kLines * core::kHexLineSize),
              portable.substr(0, kLines * core::kHexLineSize));
    std::string line = ", \r\n " + core::FormatHexByte(values[16]);
    for (std::size_t k = 1; k < 16; ++k) line += ", " + core::FormatHexByte(values[16 + k]);
    EXPECT_EQ(fast.substr(core::kHexLineSize, core::kHexLineSize), line);
}

TEST(HeaderFormatter, StopsAtTheFirstFailedWrite) {
    int writes = 0;
    core::HeaderFormatter header([&](const char*, std::size_t) { return ++writes > 1; });
    header.Opening("a.bin", "a");
    std::string data(3 * core::HeaderFormatter::kBlockSize, 'x');
    EXPECT_FALSE(header.Bytes(reinterpret_cast<const unsigned char*>(data.data()), data.size()));
    EXPECT_FALSE(header.Closing("a", "CAFile"));
    EXPECT_EQ(writes, 1);
}

}  // namespace
