// Checks every name rule on arbitrary paths against a character-by-character
// reading of the rules.
#include "core/name_rules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Require(bool holds, const char* rule, const std::string& path) {
    if (holds) return;
    std::fprintf(stderr, "name rules: %s differs for a path of %zu bytes\n", rule, path.size());
    std::abort();
}

// Both slashes separate directories.
std::string FileNamePartOf(const std::string& path) {
    std::string part;
    for (char c : path) {
        if (c == '/' || c == '\\')
            part.clear();
        else
            part += c;
    }
    return part;
}

// Everything before the last dot; a name without a dot is its own base name.
std::string BaseNameOf(const std::string& name) {
    std::size_t end = name.size();
    for (std::size_t i = 0; i < name.size(); ++i)
        if (name[i] == '.') end = i;
    return name.substr(0, end);
}

// Only the ASCII letters change case.
std::string Cased(std::string text, bool upper) {
    for (char& c : text) {
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const std::string part = FileNamePartOf(path);
    const std::string base = BaseNameOf(part);

    Require(core::FileNamePart(path) == part, "FileNamePart", path);
    Require(core::BaseName(path) == BaseNameOf(path), "BaseName", path);
    Require(core::DisplayName(path) == part, "DisplayName", path);
    Require(core::IdentifierPrefix(path) == base, "IdentifierPrefix", path);
    Require(core::DefaultOutputName(path) == base + ".h", "DefaultOutputName", path);

    const std::string first = part.substr(0, 1);
    const std::string rest = part.substr(first.size());
    Require(core::DefaultClassName(path) ==
                "C" + Cased(first, true) + Cased(BaseNameOf(rest), false) + "File",
            "DefaultClassName", path);
    return 0;
}
