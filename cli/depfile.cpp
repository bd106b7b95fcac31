#include "cli/depfile.h"

#include "platform/output_file.h"

namespace cli {
namespace {

std::optional<std::string> Escaped(std::string_view path) {
    std::string result;
    std::size_t backslashes = 0;  // the run just copied
    for (char c : path) {
        if (c == '\n' || c == '\r') return std::nullopt;
        if (c == ' ' || c == '#') {
            // A backslash run before an escaped character is doubled, so
            // that it stays part of the name.
            result.append(backslashes + 1, '\\');
        } else if (c == '$') {
            result += '$';
        }
        result += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return result;
}

}  // namespace

std::optional<std::string> DepfileText(std::string_view output, std::string_view input) {
    const auto target = Escaped(output), source = Escaped(input);
    if (!target || !source) return std::nullopt;
    return *target + ": " + *source + "\n";
}

bool WriteDepfile(const std::string& path, const std::string& text) {
    auto file = platform::OutputFile::Create(path);
    return file && file->Write(text.data(), text.size()) &&
           file->PublishReplacing() == platform::OutputFile::PublishResult::Published;
}

}  // namespace cli
