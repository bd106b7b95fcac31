#include "core/header_writer.h"

#include <new>
#include <vector>

#include "core/background_writer.h"
#include "core/conversion_state.h"
#include "core/data_formatter.h"
#include "core/header_format.h"
#include "core/header_output.h"
#include "core/messages.h"
#include "core/name_rules.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/thread.h"

namespace core {
namespace {

struct WaitOnExit {
    BackgroundWriter& writer;
    ~WaitOnExit() { writer.Wait(); }
};

// Runs the job in `state`; returns the error text, empty on success.
std::string Convert(ConversionState& state) {
    const ConversionJob& job = state.Job();
    // The window checked both files already, but either may have changed since.
    auto input = platform::InputFile::Open(job.inputPath, job.options.inputAccess);
    if (!input) return msg::kInputNotFound;
    if (input->Size() > kMaxInputSize) return msg::kInputTooLarge;
    std::string error;
    auto output = HeaderOutput::Open(job.outputPath, job.options.outputMode, error);
    if (!output) return error;

    const std::string displayName = DisplayName(job.inputPath);
    const std::string prefix =
        job.options.identifierPrefix.value_or(IdentifierPrefix(job.inputPath));
    state.SetDisplayName(displayName);

    // Formatting the next chunk overlaps writing the last one. On every way
    // out the writer is waited for before the formatter's buffers go.
    BackgroundWriter writer(
        [&output](const char* data, std::size_t size) { return output->Write(data, size); });
    const std::unique_ptr<DataFormatter> formatter = MakeDataFormatter(
        job.options.data,
        [&writer](const char* data, std::size_t size) { return writer.Submit(data, size); },
        job.inputPath);
    DataFormatter& header = *formatter;
    const WaitOnExit waitForWriter{writer};
    state.SetByteCount(0);
    if (!header.Opening(displayName, prefix)) return msg::kOutputNotWritten;

    // The count is what was actually read: a file that shrinks or grows in
    // the meantime is converted as it is read, within the 32-bit limit.
    std::vector<unsigned char> block(HeaderFormatter::kBlockSize);
    for (;;) {
        const std::ptrdiff_t n = input->Read(block.data(), block.size());
        if (n < 0) return msg::kInputUnreadable;
        if (n == 0) break;
        if (header.ByteCount() + static_cast<std::uint64_t>(n) > kMaxInputSize)
            return msg::kInputTooLarge;
        if (!header.Bytes(block.data(), static_cast<std::size_t>(n))) return msg::kOutputNotWritten;
        state.SetByteCount(static_cast<std::uint32_t>(header.ByteCount()));
    }
    if (!header.Closing(prefix, job.className) || !writer.Wait()) return msg::kOutputNotWritten;

    return output->Finish();
}

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
    // Every failure ends as a message and the done flag, the window's
    // process goes on. The out-of-memory text is short enough to be stored
    // without allocating.
    std::string error;
    try {
        error = Convert(state);
    } catch (const std::bad_alloc&) {
        error = msg::kOutOfMemory;
    } catch (...) {
        error = msg::kOutputNotWritten;
    }
    state.Finish(std::move(error));
    return 0;
}

}  // namespace core
