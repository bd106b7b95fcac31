// hexcrate-convert: the window's conversion for scripts and build systems.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/depfile.h"
#include "cli/options.h"
#include "cli/report.h"
#include "cli/terminal_progress.h"
#include "core/conversion.h"
#include "core/job_check.h"
#include "core/name_rules.h"
#include "core/outcome.h"
#include "core/progress_report.h"
#include "platform/command_line.h"
#include "platform/signal_cleanup.h"
#include "platform/terminal.h"

#ifndef HEXCRATE_VERSION
#define HEXCRATE_VERSION "unknown"
#endif

namespace {

using platform::StandardStream;

enum Exit { kConverted = 0, kFailed = 1, kUsageError = 2 };

constexpr char kStandardOutputName[] = "standard output";

void PrintError(const std::string& line) {
    std::fprintf(stderr, "%s\n", cli::ForStream(line, StandardStream::Error).c_str());
}

int Fail(const std::string& file, const std::string& message) {
    PrintError(cli::ErrorLine(file, message));
    return kFailed;
}

int UsageError(const std::string& text) {
    PrintError(cli::ErrorLine({}, text));  // may quote an argument
    std::fputs("Try 'hexcrate-convert --help'.\n", stderr);
    return kUsageError;
}

// Everything printed on standard output counts only once it has reached its
// destination: a full disk or a closed pipe turns success into failure.
int CloseStandardOutput(int status) {
    errno = 0;
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int error = errno;
    if (std::fclose(stdout) != 0 || !written) {
        const int reason = written ? errno : error;
        return Fail(kStandardOutputName, reason != 0 ? std::strerror(reason) : "write error");
    }
    return status;
}

// The file an outcome is about, as the error line names it.
std::string FileNamed(core::Outcome outcome, const cli::Options& options,
                      const std::string& output) {
    switch (core::FileConcerned(outcome)) {
        case core::OutcomeFile::Input:
            return options.input;
        case core::OutcomeFile::Output:
            return options.ToStandardOutput() ? kStandardOutputName : output;
        case core::OutcomeFile::None:
            break;
    }
    return {};
}

int Fail(const core::ConversionResult& result, const cli::Options& options,
         const std::string& output) {
    PrintError(cli::ErrorLine(FileNamed(result.outcome, options, output), result));
    return kFailed;
}

int Convert(const cli::Options& options) {
    const std::string className = options.className.value_or(core::DefaultClassName(options.input));
    const std::string output = options.output.value_or(core::DefaultOutputName(options.input));
    core::JobOptions job;
    job.identifierPrefix = options.prefix;
    job.outputMode = options.ToStandardOutput() ? core::OutputMode::StandardOutput
                     : options.update           ? core::OutputMode::Update
                                                : core::OutputMode::NewFile;
    // Build systems run several converters on one input at once.
    job.inputAccess = platform::InputAccess::Shared;

    const core::JobCheck check = core::CheckJob(options.input, className, output, job);
    if (!check.Ok()) return Fail(check, options, output);

    std::optional<cli::Depfile> depfile;
    std::string depfileProblem;
    if (options.depfile) {
        depfile = cli::Depfile::Prepare(*options.depfile, output, options.input, depfileProblem);
        if (!depfile) return Fail(*options.depfile, depfileProblem);
    }

    std::vector<std::string> warnings = cli::NameWarnings(
        className, options.prefix.value_or(core::IdentifierPrefix(options.input)));
    warnings.push_back(cli::LineEndWarning(options.input));
    warnings.push_back(cli::CompileCostHint(options.input, check.inputLength));
    for (const std::string& warning : warnings)
        if (!warning.empty()) PrintError(warning);

    cli::TerminalProgress progress(check.inputLength, platform::IsTerminal(StandardStream::Error));
    const core::ConversionResult result =
        core::Convert({options.input, className, output, check.inputLength, job}, progress);
    progress.Clear();
    if (!result.Ok()) return Fail(result, options, output);

    if (depfile && !depfile->Publish(depfileProblem)) return Fail(*options.depfile, depfileProblem);
    if (!options.quiet && !options.ToStandardOutput())
        std::printf(
            "%s\n",
            cli::ForStream(core::SuccessText(options.input), StandardStream::Output).c_str());
    return kConverted;
}

}  // namespace

int main(int argc, char** argv) {
    platform::InstallSignalCleanup();
    platform::BinaryStandardOutput();
    const cli::ParsedCommandLine parsed =
        cli::ParseCommandLine(platform::CommandLineArguments(argc, argv));
    if (!parsed.Ok()) return UsageError(parsed.error);
    if (parsed.options.help) {
        std::fputs(cli::kUsage, stdout);
        return CloseStandardOutput(kConverted);
    }
    if (parsed.options.version) {
        std::fputs(cli::VersionText(HEXCRATE_VERSION).c_str(), stdout);
        return CloseStandardOutput(kConverted);
    }
    const int status = Convert(parsed.options);
    return status == kConverted ? CloseStandardOutput(status) : status;
}
