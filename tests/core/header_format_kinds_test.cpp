// The kinds that carry the bytes other than as hex literals: their exact
// text for a tiny input, the string literals read back for every byte value
// and every way of splitting the input, the names of the .rc file, and the
// C file of the source kind, which must hold exactly the length it declares.
#include <gtest/gtest.h>

#include <string>

#include "core/data_kind.h"
#include "core/header_format_incbin.h"
#include "core/header_format_rc.h"
#include "core/header_format_source.h"
#include "core/header_format_string.h"

namespace {

constexpr char kRule[] =
    "//////////////////////////////////////////////////////////////////////////////////";

// The class every kind shares, after the given line that ends the data.
std::string LengthAndClass(const std::string& count, const std::string& guard = {}) {
    return "\r\n\r\nconst DWORD abclength = " + count +
           ";\r\n\r\nclass CAbcFile\r\n{\r\npublic:\r\n\tBOOL ExtractFile(LPCTSTR filename);\r\n};"
           "\r\n\r\nBOOL CAbcFile::ExtractFile(LPCTSTR filename)\r\n{\r\n\t" +
           (guard.empty() ? "" : guard + "\r\n\t") +
           "CFile tFile;\r\n\tif(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return "
           "false;\r\n\ttFile.Write(abcfile,abclength*sizeof(char));\r\n\ttFile.Close();\r\n\t"
           "return true;\r\n}";
}

std::string Opening() {
    return std::string(kRule) +
           "\r\n// This is a headerfile which adds abc.txt to your Visual C++ Project.\r\n" + kRule;
}

// Runs `formatter` over `input`, handing it `step` bytes at a time.
template <class Formatter>
void Format(Formatter& formatter, const std::string& input, std::size_t step = 65536) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
    EXPECT_TRUE(formatter.Opening("abc.txt", "abc"));
    for (std::size_t i = 0; i < input.size(); i += step)
        EXPECT_TRUE(formatter.Bytes(bytes + i, std::min(step, input.size() - i)));
    EXPECT_TRUE(formatter.Closing("abc", "CAbcFile"));
    EXPECT_EQ(formatter.ByteCount(), input.size());
}

struct Collected {
    std::string text;
    core::DataFormatter::Sink Sink() {
        return [this](const char* data, std::size_t size) {
            text.append(data, size);
            return true;
        };
    }
};

// Reads the concatenated literals between `from` and `to` back into bytes,
// as a compiler would, and checks that each line holds one literal.
std::string ReadLiterals(const std::string& header, std::size_t* lines,
                         const std::string& from = "[] = \r\n",
                         const std::string& to = ";\r\n\r\nconst DWORD") {
    const auto begin = header.find(from) + from.size();
    const auto end = header.find(to, begin);
    std::string bytes;
    *lines = 0;
    for (std::size_t pos = begin; pos < end;) {
        const auto lineEnd = std::min(header.find("\r\n", pos), end);
        const std::string line = header.substr(pos, lineEnd - pos);
        EXPECT_TRUE(line.size() >= 2 && line.front() == '"' && line.back() == '"') << line;
        for (std::size_t i = 1; i + 1 < line.size(); ++i) {
            if (line[i] != '\\') {
                EXPECT_TRUE(line[i] >= 0x20 && line[i] < 0x7F && line[i] != '"' && line[i] != '?');
                bytes += line[i];
            } else if (line[i + 1] >= '0' && line[i + 1] <= '7') {
                bytes += static_cast<char>(std::stoi(line.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                bytes += line[++i];
            }
        }
        ++*lines;
        pos = lineEnd + 2;
    }
    return bytes;
}

TEST(StringFormatter, WritesTheBytesAsLiteralsAndKeepsTheNames) {
    Collected out;
    core::StringFormatter formatter(out.Sink());
    Format(formatter, "abc");
    EXPECT_EQ(out.text, Opening() + "\r\n\r\nconst unsigned char abcfile[] = \r\n\"abc\";" +
                            LengthAndClass("3"));

    Collected empty;
    core::StringFormatter emptyFormatter(empty.Sink());
    Format(emptyFormatter, "");
    EXPECT_NE(empty.text.find("abcfile[] = \r\n\"\";\r\n\r\nconst DWORD abclength = 0;"),
              std::string::npos);
}

TEST(StringFormatter, EveryByteValueReadsBackWhateverTheSplit) {
    std::string input;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b) input += static_cast<char>(b);
    input += R"(??=1"\)";  // a trigraph, a quote and a backslash
    std::string first;
    for (const std::size_t step :
         {std::size_t{1}, std::size_t{63}, std::size_t{64}, input.size()}) {
        Collected out;
        core::StringFormatter formatter(out.Sink());
        Format(formatter, input, step);
        std::size_t lines = 0;
        EXPECT_EQ(ReadLiterals(out.text, &lines), input) << step;
        EXPECT_EQ(lines, (input.size() + 63) / 64);
        if (first.empty()) first = out.text;
        EXPECT_EQ(out.text, first) << step;
    }
}

TEST(IncbinFormatter, NamesTheFileWithItsCountAndChecksum) {
    Collected out;
    core::IncbinFormatter formatter(out.Sink(), "/data/a b\"\\\xC3\xA9.bin");
    Format(formatter, "abc");
    EXPECT_EQ(out.text,
              Opening() +
                  "\r\n// The bytes are assembled in from the file named below, which must stay"
                  "\r\n// where it is. Content checksum: e71fa2190541574b\r\n\r\n"
                  "#if !defined(__GNUC__)\r\n"
                  "#error \"This header needs g++, clang++ or mingw: convert with --data=rc or "
                  "hex\"\r\n#endif\r\n__asm__(\r\n#if defined(_WIN32)\r\n"
                  "\t\".section .rdata,\\\"dr\\\"\\n\"\r\n#else\r\n"
                  "\t\".pushsection .rodata\\n\"\r\n#endif\r\n\t\".balign 16\\n\"\r\n"
                  "\t\"hexcrate_abcfile:\\n\"\r\n"
                  "\t\".incbin \\\"/data/a\\\\040b\\\\042\\\\134\\\\303\\\\251.bin\\\",0,3\\n\"\r\n"
                  "#if defined(_WIN32)\r\n\t\".text\\n\"\r\n#else\r\n\t\".popsection\\n\"\r\n"
                  "#endif\r\n);\r\n"
                  "extern const unsigned char abcfile[3] __asm__(\"hexcrate_abcfile\");" +
                  LengthAndClass("3"));

    // No bytes: a symbol of its own, and an array without a size.
    Collected empty;
    core::IncbinFormatter emptyFormatter(empty.Sink(), "/data/empty");
    Format(emptyFormatter, "");
    EXPECT_EQ(empty.text.find(".incbin"), std::string::npos);
    EXPECT_NE(empty.text.find("abcfile[] __asm__"), std::string::npos);
    EXPECT_NE(empty.text.find("checksum: cbf29ce484222325"), std::string::npos);
}

TEST(RcFormatter, LoadsTheResourceThatItsScriptNames) {
    Collected out;
    Collected script;
    core::RcFormatter formatter(out.Sink(), script.Sink(), R"(C:\data\a"b.bin)");
    Format(formatter, "abc");
    const std::string& header = out.text;
    EXPECT_EQ(header.substr(0, Opening().size()), Opening());
    EXPECT_NE(header.find("FindResourceA(module, \"HEXCRATE_ABCFILE_E71FA2190541574B\", "
                          "MAKEINTRESOURCEA(10))"),
              std::string::npos);
    EXPECT_NE(header.find("SizeofResource(module, resource) == 3 ?"), std::string::npos);
    EXPECT_NE(header.find("Content checksum: e71fa2190541574b"), std::string::npos);
    EXPECT_EQ(header.substr(header.find("\r\n\r\nconst DWORD")),
              LengthAndClass("3", "if(!abcfile)return false;"));
    // The script comes with the header, its name and path as data.
    EXPECT_EQ(script.text, formatter.ResourceScript("abc.txt", "abc"));
    EXPECT_EQ(formatter.ResourceScript("abc\n.txt", "abc"),
              "// abc\\n.txt as a resource for the header written with this file.\r\n"
              "// Content checksum: e71fa2190541574b\r\n"
              "HEXCRATE_ABCFILE_E71FA2190541574B RCDATA \"C:/data/a\"\"b.bin\"\r\n");
    // Outside Windows a backslash is part of a name, and a line end stays in the string.
    EXPECT_EQ(core::ResourceCompilerString("/data/a\\b\n\"c"), "/data/a\\\\b\\n\"\"c");
}

TEST(RcFormatter, ScriptSitsBesideTheHeader) {
    EXPECT_EQ(core::CompanionPath("logo.h", ".rc"), "logo.rc");
    EXPECT_EQ(core::CompanionPath("out/logo.hpp", ".rc"), "out/logo.rc");
    EXPECT_EQ(core::CompanionPath("v1.2/logo", ".rc"), "v1.2/logo.rc");
    EXPECT_EQ(core::CompanionPath("C:\\v1.2\\.hidden", ".rc"), "C:\\v1.2\\.hidden.rc");
    EXPECT_EQ(core::ResourceName("logo_", "00ff"), "HEXCRATE_LOGO_FILE_00FF");
}

std::string SourceFile(const std::string& declarator, const std::string& literals) {
    return "// The bytes of abc.txt, for the header written with this file: build it into\r\n"
           "// the same program or library as the sources that include the header.\r\n\r\n"
           "#if !defined(__GNUC__)\r\n"
           "#error \"This file needs gcc, clang or mingw: convert with --data=rc or hex\"\r\n"
           "#endif\r\n\r\n#pragma GCC diagnostic ignored \"-Woverlength-strings\"\r\n"
           "const unsigned char " +
           declarator + " =\r\n" + literals + ";\r\n";
}

TEST(SourceFormatter, CFileDefinesTheArrayThatTheHeaderDeclares) {
    Collected header;
    Collected source;
    core::SourceFormatter formatter(header.Sink(), source.Sink(), 3, "abc.c");
    Format(formatter, "abc");
    const std::string declarator = "abcfile[3] __asm__(\"hexcrate_abcfile_3\")";
    EXPECT_EQ(source.text, SourceFile(declarator, "\"abc\""));
    // The class for C++, with ExtractFile inline; the length alone for C.
    std::string inlineClass = LengthAndClass("3");
    inlineClass.replace(inlineClass.find("BOOL CAbcFile::"), 0, "inline ");
    EXPECT_EQ(header.text,
              Opening() +
                  "\r\n\r\n// The bytes are in abc.c, written with this header: build it into "
                  "the same\r\n// program or library. Any number of C or C++ sources may "
                  "include this header.\r\n\r\n#if !defined(__GNUC__)\r\n"
                  "#error \"This file needs gcc, clang or mingw: convert with --data=rc or "
                  "hex\"\r\n#endif\r\n\r\n#ifdef __cplusplus\r\nextern \"C\" {\r\n#endif\r\n"
                  "extern const unsigned char " +
                  declarator + ";\r\n#ifdef __cplusplus\r\n}" + inlineClass +
                  "\r\n#else\r\nstatic const unsigned long abclength = 3;\r\n#endif\r\n");

    // C has no empty arrays: one byte, the length 0. Names stay data, also
    // inside the symbol's string.
    Collected emptyHeader;
    Collected emptySource;
    core::SourceFormatter empty(emptyHeader.Sink(), emptySource.Sink(), 0, "a\nb.c");
    EXPECT_TRUE(empty.Opening("abc.txt", "q\"x\\"));
    EXPECT_TRUE(empty.Closing("q\"x\\", "CAbcFile"));
    EXPECT_EQ(emptySource.text,
              SourceFile("q\"x\\file[1] __asm__(\"hexcrate_q\\\"x\\\\file_0\")", "\"\""));
    EXPECT_NE(emptyHeader.text.find("// The bytes are in a\\nb.c, written"), std::string::npos);
    EXPECT_NE(emptyHeader.text.find("q\"x\\length = 0;"), std::string::npos);
}

TEST(SourceFormatter, EveryByteValueReadsBackInLongLines) {
    std::string input;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b) input += static_cast<char>(b ^ round);
    const std::size_t perLine = core::SourceFormatter::kBytesPerLine;
    for (const std::size_t step : {std::size_t{1}, perLine - 1, perLine, input.size()}) {
        Collected header;
        Collected source;
        core::SourceFormatter formatter(header.Sink(), source.Sink(), input.size(), "abc.c");
        Format(formatter, input, step);
        std::size_t lines = 0;
        EXPECT_EQ(ReadLiterals(source.text, &lines, ") =\r\n", ";\r\n"), input) << step;
        EXPECT_EQ(lines, (input.size() + perLine - 1) / perLine);
    }
}

// The length opens the C file: an input that grows or shrinks while it is
// read stops the conversion, and nothing is written after that.
TEST(SourceFormatter, InputOfAnotherLengthThanExpectedStops) {
    const auto* bytes = reinterpret_cast<const unsigned char*>("abcdef");
    Collected header;
    Collected source;
    core::SourceFormatter longer(header.Sink(), source.Sink(), 5, "abc.c");
    EXPECT_TRUE(longer.Opening("abc.txt", "abc"));
    EXPECT_TRUE(longer.Bytes(bytes, 3));
    EXPECT_FALSE(longer.InputChanged());
    EXPECT_FALSE(longer.Bytes(bytes + 3, 3));
    EXPECT_TRUE(longer.InputChanged());
    EXPECT_EQ(source.text.substr(source.text.size() - 4), "\"abc");

    core::SourceFormatter shorter(header.Sink(), source.Sink(), 5, "abc.c");
    EXPECT_TRUE(shorter.Opening("abc.txt", "abc"));
    EXPECT_TRUE(shorter.Bytes(bytes, 4));
    EXPECT_FALSE(shorter.Closing("abc", "CAbcFile"));
    EXPECT_TRUE(shorter.InputChanged());
    EXPECT_EQ(header.text, "");
}

}  // namespace
