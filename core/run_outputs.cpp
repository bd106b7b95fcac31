#include "core/run_outputs.h"

namespace core {

ConversionResult RunOutputs::Publish() {
    platform::PublishGroup created;  // rolled back unless committed
    for (OutputDestination& output : m_outputs) {
        if (!output.Creates()) continue;
        if (ConversionResult result = output.Publish(created); !result.Ok()) return result;
    }
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
