// hexcrate-convert: the window's conversion for scripts and build systems.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/depfile.h"
#include "cli/options.h"
#include "cli/report.h"
#include "cli/terminal_progress.h"
#include "core/conversion.h"
#include "core/header_format_rc.h"
#include "core/job_check.h"
#include "core/name_rules.h"
#include "core/outcome.h"
#include "core/progress_report.h"
#include "platform/command_line.h"
#include "platform/file_identity.h"
#include "platform/output_file.h"
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

// One INPUT's job, with the names it gets.
struct Planned {
    std::string input;
    std::string className;
    std::string output;
    std::uint32_t inputLength = 0;
};

// The file an outcome is about, as the error line names it.
std::string FileNamed(core::Outcome outcome, const cli::Options& options, const Planned& job) {
    switch (core::FileConcerned(outcome)) {
        case core::OutcomeFile::Input:
            return job.input;
        case core::OutcomeFile::Output:
            return options.ToStandardOutput() ? kStandardOutputName : job.output;
        case core::OutcomeFile::None:
            break;
    }
    return {};
}

int Fail(const core::ConversionResult& result, const cli::Options& options, const Planned& job) {
    PrintError(cli::ErrorLine(FileNamed(result.outcome, options, job), result));
    return kFailed;
}

core::JobOptions JobOptionsOf(const cli::Options& options) {
    core::JobOptions job;
    job.identifierPrefix = options.prefix;
    job.outputMode = options.ToStandardOutput() ? core::OutputMode::StandardOutput
                     : options.update           ? core::OutputMode::Update
                                                : core::OutputMode::NewFile;
    // Build systems run several converters on one input at once.
    job.inputAccess = platform::InputAccess::Shared;
    job.data = options.data;
    return job;
}

// Checks every input before any header is written: names, files, and that
// no two inputs would get the same header (or .rc file).
int Plan(const cli::Options& options, const core::JobOptions& job, std::vector<Planned>& plan) {
    std::set<std::string> taken;
    for (const std::string& input : options.inputs) {
        Planned planned{input, options.className.value_or(core::DefaultClassName(input)),
                        options.output.value_or(core::DefaultOutputName(input))};
        const core::JobCheck check = core::CheckJob(input, planned.className, planned.output, job);
        if (!check.Ok()) return Fail(check, options, planned);
        std::vector<std::string> files{planned.output};
        if (job.data == core::DataKind::Rc)
            files.push_back(core::ResourceScriptPath(planned.output));
        for (const std::string& file : files) {
            // The .rc beside a header: never replaced, except a plain file by --update.
            const platform::PathKind kind = platform::KindOfPath(file);
            const bool exists = file != planned.output && kind != platform::PathKind::Missing &&
                                (job.outputMode == core::OutputMode::NewFile ||
                                 kind != platform::PathKind::RegularFile);
            if (!taken.insert(file).second || exists)
                return Fail({core::Outcome::OutputNameTaken, {}}, options, {input, {}, file});
        }
        planned.inputLength = check.inputLength;
        plan.push_back(std::move(planned));
    }
    return kConverted;
}

int Convert(const cli::Options& options) {
    const core::JobOptions job = JobOptionsOf(options);
    std::vector<Planned> plan;
    if (const int status = Plan(options, job, plan); status != kConverted) return status;

    // A dependency file that cannot be written stops the run before any header.
    std::optional<cli::Depfile> depfile;
    std::string depfileProblem;
    if (options.depfile) {
        std::vector<cli::Depfile::Entry> entries;
        entries.reserve(plan.size());
        for (const Planned& planned : plan) entries.push_back({planned.output, planned.input});
        depfile = cli::Depfile::Prepare(*options.depfile, std::move(entries), depfileProblem);
        if (!depfile) return Fail(*options.depfile, depfileProblem);
    }

    for (const Planned& planned : plan) {
        std::vector<std::string> warnings = cli::NameWarnings(
            planned.className, options.prefix.value_or(core::IdentifierPrefix(planned.input)));
        warnings.push_back(cli::LineEndWarning(planned.input));
        if (options.data == core::DataKind::Hex)
            warnings.push_back(cli::CompileCostHint(planned.input, planned.inputLength));
        for (const std::string& warning : warnings)
            if (!warning.empty()) PrintError(warning);

        cli::TerminalProgress progress(planned.inputLength,
                                       platform::IsTerminal(StandardStream::Error));
        const core::ConversionResult result = core::Convert(
            {planned.input, planned.className, planned.output, planned.inputLength, job}, progress);
        progress.Clear();
        if (!result.Ok()) return Fail(result, options, planned);

        if (!options.quiet && !options.ToStandardOutput())
            std::printf(
                "%s\n",
                cli::ForStream(core::SuccessText(planned.input), StandardStream::Output).c_str());
    }
    if (depfile && !depfile->Publish(depfileProblem)) return Fail(*options.depfile, depfileProblem);
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
