#include "core/outcome.h"

namespace core {

std::string_view MessageText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Accepted:
        case Outcome::Converted:
            return {};
        case Outcome::NoInputPath:
            return "Please select a file";
        case Outcome::NoClassName:
            return "Please specify a classname";
        case Outcome::OutputNameTaken:
            return "Please specify an(other) output filename";
        case Outcome::InputNotFound:
            return "Input file not found.";
        case Outcome::InputTooLarge:
            return "Input file is too large.";
        case Outcome::InputUnreadable:
            return "Input file could not be read.";
        case Outcome::OutputExists:
            return "Output file already created.";
        case Outcome::OutputNotCreated:
            return "Output file could not be created.";
        case Outcome::OutputNotWritten:
            return "Output file could not be written.";
        case Outcome::OutOfMemory:
            return "Out of memory.";
        case Outcome::NotStarted:
            return "Conversion could not be started.";
        case Outcome::OutputUnreadable:
            return "Output file could not be read.";
        case Outcome::Unexpected:
            break;
    }
    return "Conversion failed.";  // an outcome added without a text
}

OutcomeFile FileConcerned(Outcome outcome) {
    switch (outcome) {
        case Outcome::InputNotFound:
        case Outcome::InputTooLarge:
        case Outcome::InputUnreadable:
            return OutcomeFile::Input;
        case Outcome::OutputNameTaken:
        case Outcome::OutputExists:
        case Outcome::OutputNotCreated:
        case Outcome::OutputNotWritten:
        case Outcome::OutputUnreadable:
            return OutcomeFile::Output;
        case Outcome::Accepted:
        case Outcome::Converted:
        case Outcome::NoInputPath:
        case Outcome::NoClassName:
        case Outcome::OutOfMemory:
        case Outcome::NotStarted:
        case Outcome::Unexpected:
            break;
    }
    return OutcomeFile::None;
}

}  // namespace core
