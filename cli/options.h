// The converter's command line, read the GNU way: long options as
// --name=VALUE or --name VALUE, short ones as -c VALUE or -cVALUE, flags
// bundled as -qV, options before or after INPUT, and "--" ending them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/job_options.h"

namespace cli {

struct Options {
    std::vector<std::string> inputs;       // converted one after another, in this order
    std::optional<std::string> className;  // derived from INPUT when absent; one INPUT only
    std::optional<std::string> output;     // derived from INPUT when absent; "-" is stdout
    std::optional<std::string> prefix;     // identifier prefix, derived from INPUT when absent
    std::optional<std::string> depfile;
    core::DataKind data = core::DataKind::Hex;
    bool update = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    bool ToStandardOutput() const { return output && *output == "-"; }
};

struct ParsedCommandLine {
    Options options;
    std::string error;  // a usage error, empty when the command line is sound
    bool Ok() const { return error.empty(); }
};

// `args` excludes the program name. Parsing stops at --help or --version,
// which need nothing else.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string Usage();

}  // namespace cli
