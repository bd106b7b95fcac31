#include "core/progress_report.h"

#include <algorithm>
#include <climits>

#include "core/messages.h"

namespace core {
namespace {

std::string Title(int percent, const std::string& displayName) {
    return std::to_string(percent) + msg::kTitleProgress + displayName;
}

}  // namespace

int ProgressPercent(std::uint32_t count, std::uint32_t length) {
    if (length == 0) return 0;
    const double percent = static_cast<double>(count) / static_cast<double>(length) * 100.0;
    // A file that grew a lot since it was measured must not overflow the int.
    return static_cast<int>(std::min(percent, static_cast<double>(INT_MAX)));
}

std::string SuccessText(const std::string& inputPath) {
    return msg::kSuccessTextStart + inputPath + msg::kSuccessTextEnd;
}

ProgressReport TakeProgressReport(ConversionState& state) {
    ProgressReport report;
    report.done = state.IsDone();
    report.displayName = state.DisplayName();
    if (!report.done) {
        report.percent = ProgressPercent(state.ByteCount(), state.Job().inputLength);
        report.barPosition = std::clamp(report.percent, 0, ProgressReport::kBarRange);
        report.title = Title(report.percent, report.displayName);
        return report;
    }

    // Whatever the outcome, the bar ends full.
    report.barPosition = ProgressReport::kBarRange;
    const std::string& input = state.Job().inputPath;
    std::string error = state.ErrorText();
    if (!error.empty()) {
        // The title keeps whatever the last tick put there.
        state.ClearErrorText();
        report.box = CompletionBox{std::move(error),
                                   msg::kFailureCaptionStart + input + msg::kFailureCaptionEnd,
                                   CompletionBox::Icon::Exclamation};
        return report;
    }
    report.percent = 100;
    report.title = Title(report.percent, report.displayName);
    report.box =
        CompletionBox{SuccessText(input), msg::kSuccessCaption, CompletionBox::Icon::Information};
    return report;
}

}  // namespace core
