// Feeds the dependency-file writer random pairs of names and reads every
// text it writes back the way Make and Ninja both do (backslash before
// space, '#' and ':', '$$' for '$'): the two names must come back exactly.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/depfile.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "depfile: %s\n", what);
    std::abort();
}

// Splits "TARGET: SOURCE\n" into its names, undoing the escapes.
std::vector<std::string> ReadBack(const std::string& text) {
    std::vector<std::string> names(1);
    std::size_t i = 0;
    const std::size_t end = text.size() - 1;  // the line feed
    while (i < end) {
        const char c = text[i];
        if (c == '$' && i + 1 < end && text[i + 1] == '$') {
            names.back() += '$';
            i += 2;
        } else if (c == '\\') {
            std::size_t run = 0;
            while (i + run < end && text[i + run] == '\\') ++run;
            const char next = i + run < end ? text[i + run] : '\0';
            if (next == ' ' || next == '#' || next == ':') {
                names.back().append(run / 2, '\\');
                names.back() += next;
                i += run + 1;
            } else {
                names.back().append(run, '\\');
                i += run;
            }
        } else if (c == ':' && names.size() == 1 && i + 1 < end && text[i + 1] == ' ') {
            names.emplace_back();
            i += 2;
        } else {
            Require(c != ' ' && c != '#' && c != ':', "special character left unescaped");
            names.back() += c;
            ++i;
        }
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string output = input.ConsumeRandomLengthString(64);
    const std::string source = input.ConsumeRemainingBytesAsString();
    if (output.empty() || source.empty()) return 0;
    const cli::DepfileText text = cli::MakeDepfileText(output, source);
    if (!text.problem.empty()) {
        Require(text.text.empty(), "a refused text was still written");
        return 0;
    }
    Require(!text.text.empty() && text.text.back() == '\n', "no line end");
    const std::vector<std::string> names = ReadBack(text.text);
    Require(names.size() == 2, "not one target and one source");
    Require(names[0] == output && names[1] == source, "names differ when read back");
    return 0;
}
