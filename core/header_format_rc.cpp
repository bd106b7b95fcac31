#include "core/header_format_rc.h"

#include <cctype>

namespace core {

std::string ResourceName(std::string_view prefix) {
    std::string name = "HEXCRATE_";
    for (const char c : prefix)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name + "FILE";
}

std::string ResourceScriptPath(const std::string& headerPath) {
    const std::size_t nameStart = headerPath.find_last_of("/\\") + 1;  // 0 when none
    const std::size_t dot = headerPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? headerPath.substr(0, dot) : headerPath) + ".rc";
}

bool RcFormatter::Opening(std::string_view displayName, std::string_view /*prefix*/) {
    m_text.OpeningComment(displayName);
    return !m_text.Failed();
}

bool RcFormatter::Bytes(const unsigned char* data, std::size_t size) {
    m_checksum.Add(data, size);
    m_count += size;
    return !m_text.Failed();
}

bool RcFormatter::Closing(std::string_view prefix, std::string_view className) {
    const std::string count = std::to_string(m_count);
    m_text.Append("\r\n// The bytes are the resource ");
    m_text.AppendName(ResourceName(prefix));
    m_text.Append(
        " of the .rc file written"
        "\r\n// with this header: build both into the same program or DLL."
        "\r\n// Content checksum: ");
    m_text.Append(m_checksum.Text());
    m_text.Append(
        "\r\n\r\n#include <windows.h>"
        "\r\n\r\nextern \"C\" IMAGE_DOS_HEADER __ImageBase;"
        "\r\nconst unsigned char* const ");
    m_text.AppendName(prefix);
    m_text.Append(
        "file = []() -> const unsigned char* {"
        "\r\n\tHMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);"
        "\r\n\tHRSRC resource = FindResourceA(module, \"");
    m_text.AppendName(ResourceName(prefix));
    m_text.Append(
        "\", MAKEINTRESOURCEA(10)); // RT_RCDATA"
        "\r\n\tHGLOBAL data = resource && SizeofResource(module, resource) == ");
    m_text.Append(count);
    m_text.Append(
        " ? LoadResource(module, resource) : NULL;"
        "\r\n\treturn data ? static_cast<const unsigned char*>(LockResource(data)) : NULL;"
        "\r\n}();");
    std::string guard = "if(!";
    guard.append(prefix);
    guard += "file)return false;";
    m_text.LengthAndClass(prefix, m_count, className, guard);
    m_text.Flush();
    return !m_text.Failed();
}

std::string RcFormatter::ResourceScript(std::string_view displayName,
                                        std::string_view prefix) const {
    // Resource compilers take forward slashes on Windows too, and a quote
    // inside a string doubled.
    std::string path;
    for (const char c : m_inputPath) {
        if (c == '\\') {
            path += '/';
        } else {
            path += c;
            if (c == '"') path += '"';
        }
    }
    std::string text = "// ";
    for (const char c : displayName) text += c == '\n' || c == '\r' ? '?' : c;
    text += " as a resource for the header written with this file.\r\n// Content checksum: ";
    text += m_checksum.Text();
    text += "\r\n";
    text += ResourceName(prefix);
    text += " RCDATA \"" + path + "\"\r\n";
    return text;
}

}  // namespace core
