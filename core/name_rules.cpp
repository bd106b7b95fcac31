#include "core/name_rules.h"

namespace core {
namespace {

// UTF-8 never uses these bytes inside a multi-byte character, so a plain
// byte search cannot split one.
constexpr std::string_view kSeparators = "\\/";

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

}  // namespace

std::string FileNamePart(std::string_view path) {
    auto last = path.find_last_of(kSeparators);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string BaseName(std::string_view name) { return std::string(name.substr(0, name.rfind('.'))); }

std::string DisplayName(std::string_view path) { return FileNamePart(path); }

std::string IdentifierPrefix(std::string_view path) { return BaseName(FileNamePart(path)); }

std::string DefaultOutputName(std::string_view path) { return IdentifierPrefix(path) + ".h"; }

std::string DefaultClassName(std::string_view path) {
    const std::string name = FileNamePart(path);
    const std::string_view first = std::string_view(name).substr(0, 1);
    const std::string_view rest = std::string_view(name).substr(first.size());
    std::string result = "C";
    result += AsciiUpper(first);
    result += AsciiLower(BaseName(rest));
    result += "File";
    return result;
}

}  // namespace core
