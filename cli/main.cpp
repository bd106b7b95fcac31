// hexcrate-convert: the window's conversion for scripts and build systems.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/depfile.h"
#include "cli/options.h"
#include "cli/report.h"
#include "cli/terminal_progress.h"
#include "core/conversion.h"
#include "core/data_kind.h"
#include "core/job_check.h"
#include "core/name_rules.h"
#include "core/outcome.h"
#include "core/output_destination.h"
#include "core/progress_report.h"
#include "core/run_outputs.h"
#include "core/run_plan.h"
#include "platform/command_line.h"
#include "platform/signal_cleanup.h"
#include "platform/standard_output.h"
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
    const std::error_code error = platform::CloseStandardOutput();
    return error ? Fail(kStandardOutputName, error.message()) : status;
}

// One INPUT's job, with the names it gets.
struct Planned {
    std::string input;
    std::string className;
    std::string output;
    std::uint32_t inputLength = 0;
};

// The file an outcome is about, as the error line names it.
std::string FileNamed(const core::ConversionResult& result, const cli::Options& options,
                      const Planned& job) {
    switch (core::FileConcerned(result.outcome)) {
        case core::OutcomeFile::Input:
            return job.input;
        case core::OutcomeFile::Output:
            if (options.ToStandardOutput()) return kStandardOutputName;
            return result.file.empty() ? job.output : result.file;
        case core::OutcomeFile::None:
            break;
    }
    return {};
}

int Fail(const core::ConversionResult& result, const cli::Options& options, const Planned& job) {
    // The dependency file has messages of its own.
    if (options.depfile && !result.file.empty() && result.file == *options.depfile) {
        PrintError(cli::ErrorLine(result.file, cli::kDepfileNotWritten, result.reason));
        return kFailed;
    }
    PrintError(cli::ErrorLine(FileNamed(result, options, job), result));
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

core::ConversionJob JobOf(const Planned& planned, const core::JobOptions& options) {
    return {planned.input, planned.className, planned.output, planned.inputLength, options};
}

// Checks every input and every file the run would touch before anything is
// written: names, files, and that no two paths lead to one file.
int Plan(const cli::Options& options, const core::JobOptions& job, std::vector<Planned>& plan) {
    core::RunPlan files;
    for (const std::string& input : options.inputs) {
        Planned planned{input, options.className.value_or(core::DefaultClassName(input)),
                        options.output.value_or(core::DefaultOutputName(input))};
        const core::JobCheck check = core::CheckJob(input, planned.className, planned.output, job);
        if (!check.Ok()) return Fail(check, options, planned);
        planned.inputLength = check.inputLength;
        files.AddJob(JobOf(planned, job));
        plan.push_back(std::move(planned));
    }
    if (options.depfile) files.AddDependencyFile(*options.depfile);
    if (const auto conflict = files.FindConflict()) return Fail(conflict->path, conflict->message);
    return kConverted;
}

// The dependency file, written unseen before any conversion starts: one that
// cannot be written stops the run before the long work.
std::optional<core::OutputDestination> PrepareDepfile(const cli::Options& options,
                                                      const std::vector<Planned>& plan,
                                                      std::string& problem) {
    std::string text;
    for (const Planned& planned : plan) {
        // The header and the companion file are both the rule's.
        std::vector<std::string> outputs{planned.output};
        if (const core::DataKindInfo& kind = core::InfoOf(options.data); kind.HasCompanion())
            outputs.push_back(core::CompanionPath(planned.output, kind.companionExtension));
        cli::DepfileText line = cli::MakeDepfileText(outputs, planned.input);
        problem = line.problem;
        if (!problem.empty()) return std::nullopt;
        text += line.text;
    }
    core::ConversionResult failure;
    auto depfile =
        core::OutputDestination::Open(*options.depfile, core::OutputMode::Update, failure);
    problem = cli::kDepfileNotWritten;
    if (!depfile) return std::nullopt;
    depfile->Write(text.data(), text.size());
    if (!depfile->Complete().Ok()) return std::nullopt;
    if (depfile->NeedsRewrite() && !(depfile->Rewind() && depfile->Write(text.data(), text.size())))
        return std::nullopt;
    problem.clear();
    return depfile;
}

void PrintWarnings(const cli::Options& options, const Planned& planned) {
    std::vector<std::string> warnings = cli::NameWarnings(
        planned.className, options.prefix.value_or(core::IdentifierPrefix(planned.input)));
    if (core::InfoOf(options.data).compileCostHint)
        warnings.push_back(cli::CompileCostHint(planned.input, planned.inputLength));
    for (const std::string& warning : warnings)
        if (!warning.empty()) PrintError(warning);
}

// Every header of the run is written unseen, then all the run's files are
// published together: a failure leaves none of the new ones.
int Convert(const cli::Options& options) {
    const core::JobOptions job = JobOptionsOf(options);
    std::vector<Planned> plan;
    if (const int status = Plan(options, job, plan); status != kConverted) return status;

    std::optional<core::OutputDestination> depfile;
    if (options.depfile) {
        std::string problem;
        depfile = PrepareDepfile(options, plan, problem);
        if (!depfile) return Fail(*options.depfile, problem);
    }

    core::RunOutputs outputs;
    for (const Planned& planned : plan) {
        PrintWarnings(options, planned);
        cli::TerminalProgress progress(planned.inputLength,
                                       platform::IsTerminal(StandardStream::Error));
        const core::ConversionResult result =
            core::ConvertInto(JobOf(planned, job), progress, outputs);
        progress.Clear();
        if (!result.Ok()) return Fail(result, options, planned);
    }
    if (depfile) outputs.Add(std::move(*depfile));
    const core::ConversionResult published = outputs.Publish();
    if (!published.Ok()) return Fail(published, options, plan.back());
    if (published.reason) PrintError(cli::NotFlushedWarning(published.file, published.reason));

    if (!options.quiet && !options.ToStandardOutput())
        for (const Planned& planned : plan)
            std::printf(
                "%s\n",
                cli::ForStream(core::SuccessText(planned.input), StandardStream::Output).c_str());
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
        std::fputs(cli::Usage().c_str(), stdout);
        return CloseStandardOutput(kConverted);
    }
    if (parsed.options.version) {
        std::fputs(cli::VersionText(HEXCRATE_VERSION).c_str(), stdout);
        return CloseStandardOutput(kConverted);
    }
    const int status = Convert(parsed.options);
    return status == kConverted ? CloseStandardOutput(status) : status;
}
