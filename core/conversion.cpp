#include "core/conversion.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>

#include "core/data_kind.h"
#include "core/header_format_common.h"
#include "core/name_rules.h"
#include "core/output_destination.h"
#include "core/read_ahead_thread.h"
#include "platform/input_file.h"

namespace core {
namespace {

constexpr std::size_t kProgressStep = std::size_t{64} * 1024;

// A job's open input and its destinations: the header and, for the kinds
// that write one, the companion file.
struct JobFiles {
    platform::InputFile input;
    OutputDestination header;
    std::optional<OutputDestination> companion;

    bool NeedsRewrite() const {
        return header.NeedsRewrite() || (companion && companion->NeedsRewrite());
    }
    // Why writing stopped: a destination's failure, or none when an update
    // found a difference and the job starts again.
    ConversionResult Stopped() const {
        if (!header.Failure().Ok()) return header.Failure();
        if (companion && !companion->Failure().Ok()) return companion->Failure();
        if (NeedsRewrite()) return {};
        return {Outcome::OutputNotWritten, {}};
    }
};

// Progress that never goes back: a pass that starts again reports nothing
// new until it has passed where the one before stopped.
class Furthest final : public ProgressSink {
public:
    explicit Furthest(ProgressSink& sink) : m_sink(sink) {}
    void Started(std::string_view displayName) override { m_sink.Started(displayName); }
    void Advanced(std::uint32_t byteCount) override {
        if (m_reported && byteCount <= m_furthest) return;
        m_reported = true;
        m_furthest = byteCount;
        m_sink.Advanced(byteCount);
    }

private:
    ProgressSink& m_sink;
    std::uint32_t m_furthest = 0;
    bool m_reported = false;
};

DataFormatter::Sink SinkInto(std::optional<OutputDestination>& destination) {
    return [&destination](const char* data, std::size_t size) {
        return destination && destination->Write(data, size);
    };
}

// One pass over the input, from its first byte, into the destinations.
ConversionResult Format(const ConversionJob& job, JobFiles& files, ProgressSink& progress) {
    const DataKindInfo& kind = InfoOf(job.options.data);
    const std::string displayName = DisplayName(job.inputPath);
    const std::string prefix =
        job.options.identifierPrefix.value_or(IdentifierPrefix(job.inputPath));
    const std::unique_ptr<DataFormatter> formatter = kind.makeFormatter(
        {[&files](const char* data, std::size_t size) { return files.header.Write(data, size); },
         SinkInto(files.companion), AbsolutePath(job.inputPath),
         FileNamePart(CompanionPath(job.outputPath, kind.companionExtension)), files.input.Size()});
    DataFormatter& header = *formatter;
    // A formatter that stops writes no more; an input that changed while
    // being read is the input's failure, not the output's.
    const auto stopped = [&header, &files]() -> ConversionResult {
        if (header.InputChanged()) return {Outcome::InputUnreadable, {}};
        return files.Stopped();
    };
    progress.Advanced(0);
    if (!header.Opening(displayName, prefix)) return stopped();

    // The input is read on a second thread while this one formats and
    // writes. The count is what was actually read: a file that shrinks or
    // grows in the meantime is converted as it is read, within the 32-bit
    // limit.
    platform::InputFile& input = files.input;
    ReadAheadThread reader(
        [&input](char* buffer, std::size_t size) { return input.Read(buffer, size); });
    for (;;) {
        const ReadAheadThread::Block block = reader.Next();
        if (block.size < 0) return {Outcome::InputUnreadable, block.error};
        if (block.size == 0) break;
        const auto size = static_cast<std::size_t>(block.size);
        if (header.ByteCount() + size > kMaxInputSize) return {Outcome::InputTooLarge, {}};
        // The count advances every 64 KiB, however large the blocks read.
        for (std::size_t done = 0; done < size; done += kProgressStep) {
            if (!header.Bytes(block.data + done, std::min(kProgressStep, size - done)))
                return stopped();
            progress.Advanced(static_cast<std::uint32_t>(header.ByteCount()));
        }
    }
    if (!header.Closing(prefix, job.className)) return stopped();
    if (ConversionResult result = files.header.Complete(); !result.Ok()) return result;
    if (files.companion) return files.companion->Complete();
    return {};
}

ConversionResult ConvertOrThrow(const ConversionJob& job, ProgressSink& sink, RunOutputs& outputs) {
    Furthest progress(sink);
    auto input = platform::InputFile::Open(job.inputPath, job.options.inputAccess);
    if (!input) return {Outcome::InputNotFound, input.Error()};
    if (input->Size() > kMaxInputSize) return {Outcome::InputTooLarge, {}};
    ConversionResult failure;
    auto header = OutputDestination::Open(job.outputPath, job.options.outputMode, failure);
    if (!header) return failure;
    JobFiles files{std::move(*input), std::move(*header), std::nullopt};
    const DataKindInfo& kind = InfoOf(job.options.data);
    if (kind.HasCompanion()) {
        files.companion =
            OutputDestination::Open(CompanionPath(job.outputPath, kind.companionExtension),
                                    job.options.outputMode, failure);
        if (!files.companion) return failure;
    }

    progress.Started(DisplayName(job.inputPath));
    // An update writes nothing while the new text agrees with the old file.
    // At the first difference it starts again and writes that file whole,
    // from what it formats itself: nothing is copied from the old file.
    for (;;) {
        if (ConversionResult result = Format(job, files, progress); !result.Ok()) return result;
        if (!files.NeedsRewrite()) break;
        if (const std::error_code error = files.input.Rewind())
            return {Outcome::InputUnreadable, error};
        if (!files.header.Rewind()) return files.header.Failure();
        if (files.companion && !files.companion->Rewind()) return files.companion->Failure();
    }
    if (files.companion) outputs.Add(std::move(*files.companion));
    outputs.Add(std::move(files.header));
    return {};
}

ConversionResult Unexpected(const char* what) noexcept {
    ConversionResult result(Outcome::Unexpected);
    try {
        result.detail = what;
    } catch (...) {  // no memory left even for the text: the outcome alone
    }
    return result;
}

// Runs `step`, turning what it throws into an outcome: no memory, or
// anything else reported with what it said.
template <typename Step>
ConversionResult Guarded(Step step) noexcept {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return {Outcome::OutOfMemory, {}};
    } catch (const std::exception& error) {
        return Unexpected(error.what());
    } catch (...) {
        return Unexpected("an exception of unknown type");
    }
}

}  // namespace

ConversionResult ConvertInto(const ConversionJob& job, ProgressSink& progress,
                             RunOutputs& outputs) {
    return Guarded([&] { return ConvertOrThrow(job, progress, outputs); });
}

ConversionResult Convert(const ConversionJob& job, ProgressSink& progress) {
    RunOutputs outputs;
    if (ConversionResult result = ConvertInto(job, progress, outputs); !result.Ok()) return result;
    return Guarded([&] { return outputs.Publish(); });
}

}  // namespace core
