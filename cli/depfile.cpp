#include "cli/depfile.h"

#include <cstring>

namespace cli {
namespace {

// Characters that Make or Ninja read as something other than part of a
// name, with no escape that both undo: Make expands wildcards and reads
// ';', '=' and '|' as rule syntax; Ninja ends a name at the others.
constexpr char kUnwritable[] = "\"&'*;<=>?[^`|";

std::string Describe(char c) {
    switch (c) {
        case '\n':
            return "a line feed";
        case '\r':
            return "a carriage return";
        case '\t':
            return "a tab";
        default:
            break;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "a control character";
    return std::string("'") + c + "'";
}

std::string Unwritable(std::string_view path, const std::string& what) {
    return "Dependency file cannot name '" + std::string(path) + "': Make or Ninja would misread " +
           what + ".";
}

// Appends `path` escaped to `out`; returns the problem, empty when none.
// Space, '#' and ':' take a backslash, '$' is doubled; a backslash run
// before an escaped space is doubled so that it stays part of the name.
std::string AppendEscaped(std::string& out, std::string_view path, bool isTarget) {
    std::size_t backslashes = 0;  // the run just copied
    for (char c : path) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (control || std::strchr(kUnwritable, c) != nullptr || (isTarget && c == '%'))
            return Unwritable(path, Describe(c));  // '%' makes a Make target a pattern
        // Make and Ninja read a backslash run before '#' or ':' differently.
        if (backslashes > 0 && (c == '#' || c == ':'))
            return Unwritable(path, std::string("'\\") + c + "'");
        if (c == ' ') {
            out.append(backslashes + 1, '\\');
        } else if (c == '#' || c == ':') {
            out += '\\';
        } else if (c == '$') {
            out += '$';
        }
        out += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    // A backslash would join the line end or the colon that follows; Ninja
    // keeps the backslash of a name that ends in ':'.
    if (!path.empty() && (path.back() == '\\' || path.back() == ':'))
        return Unwritable(path, "a name that ends in '" + std::string(1, path.back()) + "'");
    return {};
}

}  // namespace

DepfileText MakeDepfileText(const std::vector<std::string>& outputs, std::string_view input) {
    DepfileText result;
    for (std::size_t i = 0; i < outputs.size() && result.problem.empty(); ++i) {
        if (i > 0) result.text += ' ';
        result.problem = AppendEscaped(result.text, outputs[i], true);
    }
    if (result.problem.empty()) {
        result.text += ": ";
        result.problem = AppendEscaped(result.text, input, false);
    }
    if (!result.problem.empty()) return {{}, result.problem};
    result.text += '\n';
    return result;
}

}  // namespace cli
