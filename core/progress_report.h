// What a poll of the conversion record shows: the decisions of the window's
// timer, free of any toolkit so that they are tested without a window and
// shared with the command-line converter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/conversion_state.h"

namespace core {

// The box that reports a finished conversion.
struct CompletionBox {
    enum class Icon { Information, Exclamation };

    std::string text;
    std::string caption;
    Icon icon = Icon::Information;

    bool IsFailure() const { return icon == Icon::Exclamation; }
};

struct ProgressReport {
    static constexpr int kBarRange = 100;

    bool done = false;        // the worker has finished: stop polling, unlock the fields
    int percent = 0;          // passes 100 for an input that grew; when done 100, or 0 on failure
    int barPosition = 0;      // percent within 0..kBarRange; kBarRange when done
    std::string displayName;  // the input's file name part, as far as known
    std::optional<std::string> title;  // "NN% Hexcrate - name"; none: keep the current title
    std::optional<CompletionBox> box;  // set exactly when done
};

// Progress in whole percent: count ÷ length × 100 in double precision,
// truncated (29 of 100 gives 28). 0 while the length is 0; at most INT_MAX.
int ProgressPercent(std::uint32_t count, std::uint32_t length);

// "Conversion of file <input path> completed."
std::string SuccessText(const std::string& inputPath);

// Reads the record once. A finished failure is reported once: its error text
// is cleared, so the next job starts with none.
ProgressReport TakeProgressReport(ConversionState& state);

}  // namespace core
