#include "core/header_writer.h"

#include <vector>

#include "core/conversion_state.h"
#include "core/header_format.h"
#include "core/messages.h"
#include "core/name_rules.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/thread.h"

namespace core {
namespace {

// Runs the job in `state`; returns the error text, empty on success.
std::string Convert(ConversionState& state) {
    const ConversionJob& job = state.Job();
    // The window checked both files already, but either may have changed since.
    auto input = platform::InputFile::Open(job.inputPath);
    if (!input) return msg::kInputNotFound;
    if (input->Size() > kMaxInputSize) return msg::kInputTooLarge;
    if (platform::PathExists(job.outputPath)) return msg::kOutputExists;
    auto output = platform::OutputFile::Create(job.outputPath);
    if (!output) return msg::kOutputNotCreated;

    const std::string displayName = DisplayName(job.inputPath);
    const std::string prefix = IdentifierPrefix(job.inputPath);
    state.SetDisplayName(displayName);

    HeaderFormatter header(
        [&output](const char* data, std::size_t size) { return output->Write(data, size); });
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
    if (!header.Closing(prefix, job.className)) return msg::kOutputNotWritten;

    switch (output->Publish()) {
        case platform::OutputFile::PublishResult::Published:
            return {};
        case platform::OutputFile::PublishResult::NameTaken:
            return msg::kOutputExists;
        case platform::OutputFile::PublishResult::Failed:
            break;
    }
    return msg::kOutputNotWritten;
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
    state.Finish(Convert(state));
    return 0;
}

}  // namespace core
