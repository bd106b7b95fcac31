#include "core/header_format_common.h"

#include <cstdio>
#include <filesystem>

#include "core/name_rules.h"

namespace core {

void AppendName(std::string& out, std::string_view name) { out += EscapeControls(name); }

std::string OpeningCommentText(std::string_view displayName) {
    constexpr std::string_view kRule =
        "//////////////////////////////////////////////////////////////////////////////////";
    static_assert(kRule.size() == 82);
    std::string text(kRule);
    text += "\r\n// This is a headerfile which adds ";
    AppendName(text, displayName);
    text += " to your Visual C++ Project.\r\n";
    text += kRule;
    return text;
}

std::string LengthAndClassText(std::string_view prefix, std::uint64_t count,
                               std::string_view className, std::string_view guard,
                               MemberDefinition definition) {
    std::string text = "\r\n\r\nconst DWORD ";
    AppendName(text, prefix);
    text += "length = ";
    text += std::to_string(count);
    text += ";\r\n\r\nclass ";
    AppendName(text, className);
    text += "\r\n{\r\npublic:\r\n\tBOOL ExtractFile(LPCTSTR filename);\r\n};\r\n\r\n";
    if (definition == MemberDefinition::Inline) text += "inline ";
    text += "BOOL ";
    AppendName(text, className);
    text += "::ExtractFile(LPCTSTR filename)\r\n{\r\n\t";
    if (!guard.empty()) {
        text += guard;
        text += "\r\n\t";
    }
    text +=
        "CFile tFile;\r\n\t"
        "if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;\r\n\t"
        "tFile.Write(";
    AppendName(text, prefix);
    text += "file,";
    AppendName(text, prefix);
    text +=
        "length*sizeof(char));\r\n\t"
        "tFile.Close();\r\n\t"
        "return true;\r\n}";
    return text;
}

void HeaderText::Flush() {
    if (m_buffer.empty()) return;
    if (!m_failed && !m_sink(m_buffer.data(), m_buffer.size())) m_failed = true;
    m_buffer.clear();
}

void HeaderText::OpeningComment(std::string_view displayName) {
    Append(OpeningCommentText(displayName));
}

std::string ContentChecksum::Text() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(m_hash));
    return text;
}

bool NamedInputFormatter::Opening(std::string_view displayName, std::string_view /*prefix*/) {
    m_text.OpeningComment(displayName);
    return !m_text.Failed();
}

// Nothing to write until the count and checksum are known.
bool NamedInputFormatter::Bytes(const unsigned char* data, std::size_t size) {
    m_checksum.Add(data, size);
    m_count += size;
    return !m_text.Failed();
}

bool NamedInputFormatter::Closing(std::string_view prefix, std::string_view className) {
    Declarations(m_text, prefix);
    m_text.LengthAndClass(prefix, m_count, className, Guard(prefix));
    m_text.Flush();
    return !m_text.Failed();
}

std::string AbsolutePath(const std::string& path) {
    namespace fs = std::filesystem;
    const std::u8string utf8(path.begin(), path.end());
    std::error_code error;  // no current directory: the path as given
    const fs::path absolute = fs::absolute(fs::path(utf8), error);
    if (error) return path;
    const std::u8string result = absolute.u8string();
    return {result.begin(), result.end()};
}

}  // namespace core
