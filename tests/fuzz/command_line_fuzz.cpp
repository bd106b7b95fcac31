// Feeds the converter's command-line parser random argument lists (the input
// split at NUL bytes) and checks that what it accepts is consistent: an
// INPUT unless help or version stopped it, no empty names, and the
// combinations it refuses never accepted.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "command line: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    const cli::ParsedCommandLine parsed = cli::ParseCommandLine(args);
    if (!parsed.Ok()) return 0;
    const cli::Options& options = parsed.options;
    if (options.help || options.version) return 0;
    Require(!options.className || !options.className->empty(), "empty class accepted");
    Require(!options.output || !options.output->empty(), "empty output accepted");
    Require(!options.depfile || !options.depfile->empty(), "empty depfile accepted");
    Require(!(options.ToStandardOutput() && (options.update || options.depfile)),
            "standard output accepted with --update or --depfile");
    return 0;
}
