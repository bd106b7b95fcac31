// hexcrate-convert: the window's conversion for scripts and build systems.
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "core/conversion_state.h"
#include "core/header_writer.h"
#include "core/job_check.h"
#include "core/messages.h"
#include "core/name_rules.h"
#include "core/progress_report.h"
#include "platform/signal_cleanup.h"

#ifndef HEXCRATE_VERSION
#define HEXCRATE_VERSION "unknown"
#endif

namespace {

constexpr char kUsage[] =
    "Usage: hexcrate-convert [--class NAME] [--output PATH] [--] INPUT\n"
    "\n"
    "Writes a C++ header that carries the bytes of INPUT as an array, their\n"
    "count, and a class whose ExtractFile method writes them back out.\n"
    "Never overwrites an existing file.\n"
    "\n"
    "  --class NAME    name of the generated class (default: from INPUT,\n"
    "                  'logo.png' gives 'CLogoFile')\n"
    "  --output PATH   header to create (default: INPUT's base name with\n"
    "                  '.h', in the current directory)\n"
    "  --help          show this text\n"
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 converted, 1 conversion failed, 2 usage error.\n";

enum Exit { kConverted = 0, kFailed = 1, kUsageError = 2 };

struct Options {
    std::string input, className, output;
    bool haveInput = false, haveClass = false, haveOutput = false;
};

int UsageError(const std::string& text) {
    std::cerr << "hexcrate-convert: " << text << "\n"
              << "Try 'hexcrate-convert --help'.\n";
    return kUsageError;
}

// Polls the worker as the window does, showing the percentage on a terminal,
// and returns the final report. The poll is finer than the window's 50 ms so
// that a script does not wait on it after the work is done; the text changes
// only with the percentage.
core::ProgressReport WaitForWorker(core::ConversionState& state) {
    const bool showProgress = ::isatty(STDERR_FILENO);
    int shown = -1;
    for (;;) {
        core::ProgressReport report = core::TakeProgressReport(state);
        if (report.done) {
            if (shown >= 0) std::fprintf(stderr, "\r\033[K");
            return report;
        }
        if (showProgress && report.percent != shown) {
            std::fprintf(stderr, "\r%d%% %s", report.percent, report.displayName.c_str());
            shown = report.percent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

int main(int argc, char** argv) {
    platform::InstallSignalCleanup();
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            if (options.haveInput) return UsageError("only one INPUT can be converted at a time");
            options.input = arg;
            options.haveInput = true;
        } else if (arg == "--") {
            optionsEnded = true;  // an INPUT may itself begin with a dash
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return kConverted;
        } else if (arg == "--version") {
            std::cout << "hexcrate-convert " HEXCRATE_VERSION "\n";
            return kConverted;
        } else if (arg == "--class" || arg == "--output") {
            if (i + 1 >= argc) return UsageError(arg + " needs a value");
            (arg == "--class" ? options.className : options.output) = argv[++i];
            (arg == "--class" ? options.haveClass : options.haveOutput) = true;
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    if (!options.haveInput) return UsageError("no INPUT given");

    if (!options.haveClass) options.className = core::DefaultClassName(options.input);
    if (!options.haveOutput) options.output = core::DefaultOutputName(options.input);

    const core::JobCheck check = core::CheckJob(options.input, options.className, options.output);
    if (!check.Ok()) {
        std::cerr << check.message << "\n";
        return kFailed;
    }

    if (!core::StartConversion(
            {options.input, options.className, options.output, check.inputLength})) {
        std::cerr << core::msg::kNotStarted << "\n";
        return kFailed;
    }
    const core::ProgressReport report = WaitForWorker(core::TheConversionState());
    if (report.box->IsFailure()) {
        std::cerr << report.box->text << "\n";
        return kFailed;
    }
    std::cout << report.box->text << "\n";
    return kConverted;
}
