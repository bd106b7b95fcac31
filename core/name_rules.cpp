#include "core/name_rules.h"

#include <cstdio>

#include <algorithm>

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

constexpr std::string_view kKeywords[] = {"alignas",       "alignof",     "and",
                                          "and_eq",        "asm",         "auto",
                                          "bitand",        "bitor",       "bool",
                                          "break",         "case",        "catch",
                                          "char",          "char8_t",     "char16_t",
                                          "char32_t",      "class",       "compl",
                                          "concept",       "const",       "consteval",
                                          "constexpr",     "constinit",   "const_cast",
                                          "continue",      "co_await",    "co_return",
                                          "co_yield",      "decltype",    "default",
                                          "delete",        "do",          "double",
                                          "dynamic_cast",  "else",        "enum",
                                          "explicit",      "export",      "extern",
                                          "false",         "float",       "for",
                                          "friend",        "goto",        "if",
                                          "inline",        "int",         "long",
                                          "mutable",       "namespace",   "new",
                                          "noexcept",      "not",         "not_eq",
                                          "nullptr",       "operator",    "or",
                                          "or_eq",         "private",     "protected",
                                          "public",        "register",    "reinterpret_cast",
                                          "requires",      "return",      "short",
                                          "signed",        "sizeof",      "static",
                                          "static_assert", "static_cast", "struct",
                                          "switch",        "template",    "this",
                                          "thread_local",  "throw",       "true",
                                          "try",           "typedef",     "typeid",
                                          "typename",      "union",       "unsigned",
                                          "using",         "virtual",     "void",
                                          "volatile",      "wchar_t",     "while",
                                          "xor",           "xor_eq"};

bool IsIdentifierStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
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

bool IsIdentifier(std::string_view name) {
    if (name.empty() || !IsIdentifierStart(static_cast<unsigned char>(name[0]))) return false;
    const auto isIdentifierByte = [](char c) {
        return IsIdentifierStart(static_cast<unsigned char>(c)) || (c >= '0' && c <= '9');
    };
    return std::ranges::all_of(name, isIdentifierByte) &&
           std::ranges::none_of(kKeywords, [name](std::string_view k) { return name == k; });
}

std::string EscapeControls(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte == '\n') {
            result += "\\n";
        } else if (byte == '\r') {
            result += "\\r";
        } else if (byte == '\t') {
            result += "\\t";
        } else if (byte < 0x20 || byte == 0x7F || c1) {
            char hex[16];
            if (c1)
                std::snprintf(hex, sizeof hex, "\\xC2\\x%02X",
                              static_cast<unsigned char>(text[++i]));
            else
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            result += hex;
        } else {
            result += static_cast<char>(byte);
        }
    }
    return result;
}

}  // namespace core
