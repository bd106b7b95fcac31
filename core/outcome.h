// Every way a check or a conversion can end, the text the user reads for it,
// and which of the two files it concerns.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace core {

enum class Outcome {
    Accepted,     // the checks passed: the job may start
    Converted,    // the header is in place
    NoInputPath,  // the three checks of the window's fields, in their order
    NoClassName,
    OutputNameTaken,   // no output name, or something already answers to it
    InputNotFound,     // missing, not a regular file, or locked by another holder
    InputTooLarge,     // 4 GiB or more
    InputUnreadable,   // a read failed
    OutputExists,      // something took the output's name since the check
    OutputNotCreated,  // its directory is missing, not writable, or the name impossible
    OutputNotWritten,  // a write, flush or publication failed
    OutputUnreadable,  // an update could not open the header it would replace
    OutOfMemory,
    NotStarted,  // no worker thread could be started
    Unexpected,  // something failed that no other outcome names (an exception)
};

enum class OutcomeFile { None, Input, Output };

// The exact message the user is shown; empty for Accepted and Converted.
std::string_view MessageText(Outcome outcome);

// Which file the message is about, so that a caller can name it.
OutcomeFile FileConcerned(Outcome outcome);

// How a conversion or a check ended, with the system's reason where a call
// to the system failed, as the platform layer gave it.
struct ConversionResult {
    ConversionResult(Outcome result = Outcome::Converted, std::error_code why = {},
                     std::string concerned = {})
        : outcome(result), reason(why), file(std::move(concerned)) {}

    Outcome outcome = Outcome::Converted;
    std::error_code reason;  // empty when the system gave none
    std::string file;        // the output concerned, where one said which
    std::string detail;      // what an unexpected failure said of itself

    bool Ok() const { return outcome == Outcome::Converted; }
};

}  // namespace core
