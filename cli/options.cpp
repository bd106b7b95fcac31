#include "cli/options.h"

#include <array>
#include <string_view>

namespace cli {

namespace {

constexpr char kUsageStart[] =
    "Usage: hexcrate-convert [OPTION]... [--] INPUT...\n"
    "Write a C++ header that carries the bytes of INPUT as an array, their\n"
    "count, and a class whose ExtractFile method writes them back out; one\n"
    "header for each INPUT, all checked before the first is written.\n"
    "An existing file is never overwritten unless --update is given.\n"
    "\n"
    "  -c, --class=NAME    name of the generated class (default from INPUT:\n"
    "                        'logo.png' gives 'CLogoFile')\n"
    "  -o, --output=PATH   header to create (default: INPUT's base name with\n"
    "                        '.h', in the current directory); '-' writes the\n"
    "                        header to standard output\n"
    "  -n, --name=PREFIX   prefix of the array and length identifiers, PREFIXfile\n"
    "                        and PREFIXlength (default: INPUT's base name)\n"
    "      --update        write the header if it is missing, replace it if its\n"
    "                        content differs, leave an identical one untouched\n"
    "      --depfile=FILE  also write a Make-style dependency file (OUTPUT: INPUT,\n"
    "                        a line for each INPUT)\n"
    "      --data=KIND     how the header carries the bytes:\n";

constexpr char kUsageEnd[] =
    "  -q, --quiet         print no success line\n"
    "  -h, --help          show this text and exit\n"
    "  -V, --version       show the version and exit\n"
    "\n"
    "Outside MFC, include <hexcrate/extract_support.h> before the header.\n"
    "\n"
    "Exit status: 0 converted, 1 conversion failed, 2 usage error,\n"
    "128+N ended by signal N.\n";

}  // namespace

// Each kind as "'name', help", its lines indented under the option.
std::string Usage() {
    constexpr std::string_view kIndent = "                        ";
    std::string text = kUsageStart;
    for (const core::DataKindInfo& kind : core::DataKinds()) {
        text += kIndent;
        text += '\'';
        text += kind.name;
        text += "', ";
        for (const char c : kind.help) {
            text += c;
            if (c == '\n') text += std::string(kIndent) + "  ";
        }
        text += '\n';
    }
    return text + kUsageEnd;
}

namespace {

enum class Id { Class, Output, Name, Update, Depfile, Data, Quiet, Help, Version };

struct Spec {
    Id id;
    char shortName;  // 0 for none
    std::string_view longName;
    bool takesValue;
};

constexpr std::array<Spec, 9> kSpecs{{
    {Id::Class, 'c', "class", true},
    {Id::Output, 'o', "output", true},
    {Id::Name, 'n', "name", true},
    {Id::Update, 0, "update", false},
    {Id::Depfile, 0, "depfile", true},
    {Id::Data, 0, "data", true},
    {Id::Quiet, 'q', "quiet", false},
    {Id::Help, 'h', "help", false},
    {Id::Version, 'V', "version", false},
}};

const Spec* FindLong(std::string_view name) {
    for (const Spec& spec : kSpecs)
        if (spec.longName == name) return &spec;
    return nullptr;
}

const Spec* FindShort(char name) {
    for (const Spec& spec : kSpecs)
        if (spec.shortName != 0 && spec.shortName == name) return &spec;
    return nullptr;
}

// Stores one option; returns true when parsing should stop (help, version),
// and sets `error` for a value it cannot take.
bool Apply(Options& options, Id id, std::string value, std::string& error) {
    switch (id) {
        case Id::Data:
            if (const core::DataKindInfo* kind = core::FindDataKind(value))
                options.data = kind->kind;
            else
                error = "unknown --data kind '" + value + "' (" + core::DataKindNames() + ")";
            break;
        case Id::Class:
            options.className = std::move(value);
            break;
        case Id::Output:
            options.output = std::move(value);
            break;
        case Id::Name:
            options.prefix = std::move(value);
            break;
        case Id::Depfile:
            options.depfile = std::move(value);
            break;
        case Id::Update:
            options.update = true;
            break;
        case Id::Quiet:
            options.quiet = true;
            break;
        case Id::Help:
            options.help = true;
            return true;
        case Id::Version:
            options.version = true;
            return true;
    }
    return false;
}

// Contradictions between options, found once all are read.
std::string CheckCombination(const Options& options) {
    // An empty value is a mistake, not a wish for the default.
    if (options.className && options.className->empty()) return "--class needs a name";
    if (options.output && options.output->empty()) return "--output needs a file name";
    if (options.depfile && options.depfile->empty()) return "--depfile needs a file name";
    if (options.ToStandardOutput() && options.update)
        return "--update cannot be used with --output -";
    if (options.ToStandardOutput() && options.depfile)
        return "--depfile cannot be used with --output -";
    if (options.inputs.size() > 1 && (options.className || options.output || options.prefix))
        return "--class, --name and --output take one INPUT only";
    if (const core::DataKindInfo& kind = core::InfoOf(options.data);
        options.ToStandardOutput() && !kind.MayWriteToStandardOutput())
        return "--data=" + std::string(kind.name) +
               " cannot be used with --output -: it writes a " +
               std::string(kind.companionExtension) + " file beside the header";
    return {};
}

}  // namespace

// One flat branch per option; splitting it would only scatter the options.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    Options& options = result.options;
    bool optionsEnded = false;
    auto fail = [&result](std::string text) {
        result.error = std::move(text);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            // "-" alone is an INPUT name, as is anything after "--".
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? equals : equals - 2);
            const Spec* spec = FindLong(name);
            if (!spec) return fail("unknown option --" + name);
            std::string value;
            if (equals != std::string::npos) {
                if (!spec->takesValue) return fail("--" + name + " takes no value");
                value = arg.substr(equals + 1);
            } else if (spec->takesValue) {
                if (i + 1 >= args.size()) return fail("--" + name + " needs a value");
                value = args[++i];
            }
            std::string error;
            if (Apply(options, spec->id, std::move(value), error)) return result;
            if (!error.empty()) return fail(error);
        } else {
            // A bundle of short options; one that takes a value takes the
            // rest of the bundle, or else the next argument.
            for (std::size_t k = 1; k < arg.size(); ++k) {
                const Spec* spec = FindShort(arg[k]);
                if (!spec) return fail(std::string("unknown option -") + arg[k]);
                std::string value;
                if (spec->takesValue) {
                    if (k + 1 < arg.size()) {
                        value = arg.substr(k + 1);
                    } else if (i + 1 < args.size()) {
                        value = args[++i];
                    } else {
                        return fail(std::string("-") + arg[k] + " needs a value");
                    }
                    k = arg.size();
                }
                std::string error;
                if (Apply(options, spec->id, std::move(value), error)) return result;
                if (!error.empty()) return fail(error);
            }
        }
    }
    // An INPUT given as "" is reported by the job check, as in the window.
    if (options.inputs.empty() && !options.help && !options.version) return fail("no INPUT given");
    if (std::string error = CheckCombination(options); !error.empty()) return fail(error);
    return result;
}

}  // namespace cli
