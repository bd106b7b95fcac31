#include "core/header_format_rc.h"

#include <cctype>

#include "core/name_rules.h"

namespace core {

std::string ResourceName(std::string_view prefix, std::string_view checksum) {
    std::string name = "HEXCRATE_";
    for (const char c : prefix)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    name += "FILE_";
    for (const char c : checksum)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool RcFormatter::Opening(std::string_view displayName, std::string_view prefix) {
    m_displayName = displayName;
    return NamedInputFormatter::Opening(displayName, prefix);
}

// The .rc first: the header is only complete once its resource is written.
bool RcFormatter::Closing(std::string_view prefix, std::string_view className) {
    const std::string script = ResourceScript(m_displayName, prefix);
    return m_script(script.data(), script.size()) &&
           NamedInputFormatter::Closing(prefix, className);
}

void RcFormatter::Declarations(HeaderText& text, std::string_view prefix) const {
    text.Append("\r\n// The bytes are the resource ");
    text.AppendName(ResourceName(prefix, ChecksumText()));
    text.Append(
        " of the .rc file written"
        "\r\n// with this header: build both into the same program or DLL."
        "\r\n// Content checksum: ");
    text.Append(ChecksumText());
    text.Append(
        "\r\n\r\n#include <windows.h>"
        "\r\n\r\nextern \"C\" IMAGE_DOS_HEADER __ImageBase;"
        "\r\nconst unsigned char* const ");
    text.AppendName(prefix);
    text.Append(
        "file = []() -> const unsigned char* {"
        "\r\n\tHMODULE module = reinterpret_cast<HMODULE>(&__ImageBase);"
        "\r\n\tHRSRC resource = FindResourceA(module, \"");
    text.AppendName(ResourceName(prefix, ChecksumText()));
    text.Append(
        "\", MAKEINTRESOURCEA(10)); // RT_RCDATA"
        "\r\n\tHGLOBAL data = resource && SizeofResource(module, resource) == ");
    text.Append(std::to_string(ByteCount()));
    text.Append(
        " ? LoadResource(module, resource) : NULL;"
        "\r\n\treturn data ? static_cast<const unsigned char*>(LockResource(data)) : NULL;"
        "\r\n}();");
}

// ExtractFile refuses when the resource is missing.
std::string RcFormatter::Guard(std::string_view prefix) const {
    return "if(!" + std::string(prefix) + "file)return false;";
}

std::string RcFormatter::ResourceScript(std::string_view displayName,
                                        std::string_view prefix) const {
    std::string text = "// ";
    AppendName(text, displayName);
    text += " as a resource for the header written with this file.\r\n// Content checksum: ";
    text += ChecksumText();
    text += "\r\n";
    AppendName(text, ResourceName(prefix, ChecksumText()));
    text += " RCDATA \"" + ResourceCompilerString(InputPath()) + "\"\r\n";
    return text;
}

// Resource compilers take forward slashes in a Windows path, and read a
// quote doubled and a backslash escape inside a string. A backslash is a
// separator only in a Windows path; elsewhere it is part of a name.
std::string ResourceCompilerString(std::string_view path) {
    const bool windowsPath = (path.size() >= 2 && path[1] == ':') || path.starts_with("\\\\");
    std::string text;
    for (const char c : path) {
        if (c == '\\')
            text += windowsPath ? "/" : "\\\\";
        else if (c == '"')
            text += "\"\"";
        else
            text += EscapeControls(std::string_view(&c, 1));
    }
    return text;
}

}  // namespace core
