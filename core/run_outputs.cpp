#include "core/run_outputs.h"

namespace core {

// Everything is flushed first and the directories last, so that the names
// appear within moments of each other: a kill that no handler sees can
// hardly fall between them.
ConversionResult RunOutputs::Publish() {
    for (OutputDestination& output : m_outputs)
        if (ConversionResult result = output.Flush(); !result.Ok()) return result;
    platform::PublishGroup created;  // rolled back unless committed
    for (OutputDestination& output : m_outputs) {
        if (!output.Creates()) continue;
        if (ConversionResult result = output.Publish(created); !result.Ok()) return result;
    }
    if (const std::error_code error = created.Sync()) return {Outcome::OutputNotWritten, error};
    // A replaced file whose directory could not be flushed is in place: the
    // run goes on, and its result carries that reason as a note.
    ConversionResult note;
    for (OutputDestination& output : m_outputs) {
        if (!output.Replaces()) continue;
        ConversionResult result = output.Publish(created);
        if (!result.Ok()) return result;
        if (result.reason && !note.reason) note = std::move(result);
    }
    // Told to stop meanwhile: the new files are gone already.
    if (!created.Commit())
        return {Outcome::OutputNotWritten, std::make_error_code(std::errc::operation_canceled)};
    m_outputs.clear();
    return note;
}

}  // namespace core
