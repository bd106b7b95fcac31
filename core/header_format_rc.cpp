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

void RcFormatter::Declarations(HeaderText& text, std::string_view prefix) const {
    text.Append("\r\n// The bytes are the resource ");
    text.AppendName(ResourceName(prefix));
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
    text.AppendName(ResourceName(prefix));
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
    // Resource compilers take forward slashes on Windows too, and a quote
    // inside a string doubled.
    std::string path;
    for (const char c : InputPath()) {
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
    text += ChecksumText();
    text += "\r\n";
    text += ResourceName(prefix);
    text += " RCDATA \"" + path + "\"\r\n";
    return text;
}

}  // namespace core
