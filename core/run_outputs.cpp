#include "core/run_outputs.h"

#include "platform/last_error.h"

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
    if (!created.Sync()) return {Outcome::OutputNotWritten, platform::LastError()};
    for (OutputDestination& output : m_outputs) {
        if (!output.Replaces()) continue;
        if (ConversionResult result = output.Publish(created); !result.Ok()) return result;
    }
    // Told to stop meanwhile: the new files are gone already.
    if (!created.Commit())
        return {Outcome::OutputNotWritten, std::make_error_code(std::errc::operation_canceled)};
    m_outputs.clear();
    return {};
}

}  // namespace core
