// The pieces that the kinds of header share: the text of the opening comment,
// the length and the class (the fixed format's too), and, for the kinds
// besides the fixed format, CR LF lines written through one buffer and the
// checksum that ties a header to the bytes it names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/data_formatter.h"

namespace core {

// Appends `name` to `out` as data: its control characters as visible
// escapes, so that a comment stays a comment and code stays the code written.
void AppendName(std::string& out, std::string_view name);

// The comment between two rules that names the input, without a line end.
std::string OpeningCommentText(std::string_view displayName);

// How ExtractFile is defined: after the class, as in the fixed format, or
// inline, so that any number of source files may include the header.
enum class MemberDefinition { OutOfLine, Inline };

// "\r\n\r\nconst DWORD PREFIXlength = COUNT;" and the class whose
// ExtractFile writes PREFIXfile out. `guard`, when not empty, is a line of
// ExtractFile that returns false before writing.
std::string LengthAndClassText(std::string_view prefix, std::uint64_t count,
                               std::string_view className, std::string_view guard = {},
                               MemberDefinition definition = MemberDefinition::OutOfLine);

// Each byte as it appears inside a string literal: printable ASCII as
// itself, the rest as three octal digits, so that no following character can
// extend an escape. '?' is escaped too, against trigraphs before C++17.
struct LiteralEscapes {
    std::array<std::array<char, 4>, 256> text{};
    std::array<unsigned char, 256> size{};
    constexpr LiteralEscapes() {
        for (std::size_t b = 0; b < 256; ++b) {
            if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '?') {
                text[b] = {static_cast<char>(b)};
                size[b] = 1;
            } else if (b == '"' || b == '\\' || b == '?') {
                text[b] = {'\\', static_cast<char>(b)};
                size[b] = 2;
            } else {
                text[b] = {'\\', static_cast<char>('0' + (b >> 6)),
                           static_cast<char>('0' + ((b >> 3) & 7)),
                           static_cast<char>('0' + (b & 7))};
                size[b] = 4;
            }
        }
    }
    void Append(std::string& out, unsigned char byte) const {
        out.append(text[byte].data(), size[byte]);
    }
};
inline constexpr LiteralEscapes kLiteralEscapes;

class HeaderText {
public:
    explicit HeaderText(DataFormatter::Sink sink) : m_sink(std::move(sink)) {}

    void Append(std::string_view text) { m_buffer += text; }
    // Control characters inside a name become visible escapes.
    void AppendName(std::string_view name) { core::AppendName(Buffer(), name); }
    // Direct access for a formatter that fills the buffer itself.
    std::string& Buffer() { return m_buffer; }

    // Hands the filled buffer to the sink and empties it.
    void Flush();
    bool Failed() const { return m_failed; }

    // The comment naming the input, as in the fixed format.
    void OpeningComment(std::string_view displayName);
    void LengthAndClass(std::string_view prefix, std::uint64_t count, std::string_view className,
                        std::string_view guard = {}) {
        Append(LengthAndClassText(prefix, count, className, guard));
    }

private:
    DataFormatter::Sink m_sink;
    std::string m_buffer;
    bool m_failed = false;
};

// 64-bit FNV-1a over a file's bytes, to tell when a named file's content
// has changed; sixteen lower-case hex digits.
class ContentChecksum {
public:
    void Add(const unsigned char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) m_hash = (m_hash ^ data[i]) * 0x100000001b3U;
    }
    std::string Text() const;

private:
    std::uint64_t m_hash = 0xcbf29ce484222325U;
};

// The kinds that name the input instead of carrying its bytes. They read
// the bytes only for their count and checksum and write the header whole at
// the end: the usual opening comment, the kind's declarations of PREFIXfile,
// then the length and the class.
class NamedInputFormatter : public DataFormatter {
public:
    NamedInputFormatter(Sink sink, std::string inputPath)
        : m_text(std::move(sink)), m_inputPath(std::move(inputPath)) {}

    bool Opening(std::string_view displayName, std::string_view prefix) override;
    bool Bytes(const unsigned char* data, std::size_t size) override;
    bool Closing(std::string_view prefix, std::string_view className) override;
    std::uint64_t ByteCount() const override { return m_count; }

protected:
    const std::string& InputPath() const { return m_inputPath; }
    std::string ChecksumText() const { return m_checksum.Text(); }

private:
    // What comes between the comment and the length: PREFIXfile and what
    // it needs.
    virtual void Declarations(HeaderText& text, std::string_view prefix) const = 0;
    // A line of ExtractFile that returns false before writing; none by default.
    virtual std::string Guard(std::string_view /*prefix*/) const { return {}; }

    HeaderText m_text;
    std::string m_inputPath;
    ContentChecksum m_checksum;
    std::uint64_t m_count = 0;
};

// `path` made absolute from the current directory, in UTF-8 where the
// system's paths are wide. Unchanged when already absolute.
std::string AbsolutePath(const std::string& path);

}  // namespace core
