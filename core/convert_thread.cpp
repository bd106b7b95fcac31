#include "core/convert_thread.h"

#include <new>
#include <string>

#include "core/conversion.h"
#include "platform/output_job.h"
#include "platform/thread.h"

namespace core {
namespace {

// Passes a conversion's progress on to the record that the window polls.
class StateProgress final : public ProgressSink {
public:
    explicit StateProgress(ConversionState& state) : m_state(state) {}
    void Started(std::string_view displayName) override {
        m_state.SetDisplayName(std::string(displayName));
    }
    void Advanced(std::uint32_t byteCount) override { m_state.SetByteCount(byteCount); }

private:
    ConversionState& m_state;
};

}  // namespace

bool StartConversion(ConversionJob job) {
    ConversionState& state = TheConversionState();
    state.BeginJob(std::move(job));
    if (platform::StartThread(ConvertThreadProc, nullptr)) return true;
    state.CancelJob();
    return false;
}

unsigned ConvertThreadProc(void* /*parameter*/) {
    ConversionState& state = TheConversionState();
    StateProgress progress(state);
    // A window closed since the job began has abandoned its header.
    const platform::JobOutputScope scope(state.JobMark());
    // Every failure ends as a message and the done flag; the window's
    // process goes on. The window shows the message alone, not the reason.
    const ConversionResult result = Convert(state.Job(), progress);
    std::string error;
    try {
        error = MessageText(result.outcome);
        // An unexpected failure says what it was: there is no reason to show.
        if (!result.detail.empty()) error += " (" + result.detail + ")";
    } catch (const std::bad_alloc&) {
        // Short enough to be stored without allocating.
        error = MessageText(Outcome::OutOfMemory);
    }
    state.Finish(std::move(error));
    return 0;
}

}  // namespace core
