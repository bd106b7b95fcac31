#include "core/conversion.h"

#include <new>

#include "core/chunk_writer_thread.h"
#include "core/header_destination.h"
#include "core/header_format.h"
#include "core/name_rules.h"
#include "core/page_buffer.h"
#include "platform/input_file.h"
#include "platform/last_error.h"

namespace core {
namespace {

struct WaitOnExit {
    ChunkWriterThread& writer;
    ~WaitOnExit() { writer.Wait(); }
};

ConversionResult ConvertOrThrow(const ConversionJob& job, ProgressSink& progress) {
    auto input = platform::InputFile::Open(job.inputPath, job.options.inputAccess);
    if (!input) return {Outcome::InputNotFound, platform::LastError()};
    if (input->Size() > kMaxInputSize) return {Outcome::InputTooLarge, {}};
    ConversionResult failure;
    auto output = HeaderDestination::Open(job.outputPath, job.options.outputMode, failure);
    if (!output) return failure;

    const std::string displayName = DisplayName(job.inputPath);
    const std::string prefix =
        job.options.identifierPrefix.value_or(IdentifierPrefix(job.inputPath));
    progress.Started(displayName);

    // Formatting the next chunk overlaps writing the last one. On every way
    // out the writer is waited for before the formatter's buffers go.
    ChunkWriterThread writer(
        [&output](const char* data, std::size_t size) { return output->Write(data, size); });
    HeaderFormatter header(
        [&writer](const char* data, std::size_t size) { return writer.Submit(data, size); });
    const WaitOnExit waitForWriter{writer};
    progress.Advanced(0);
    if (!header.Opening(displayName, prefix)) return output->WriteFailure();

    // The count is what was actually read: a file that shrinks or grows in
    // the meantime is converted as it is read, within the 32-bit limit.
    const PageBuffer block(HeaderFormatter::kBlockSize);
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.Data());
    for (;;) {
        const std::ptrdiff_t n = input->Read(block.Data(), block.Size());
        if (n < 0) return {Outcome::InputUnreadable, platform::LastError()};
        if (n == 0) break;
        if (header.ByteCount() + static_cast<std::uint64_t>(n) > kMaxInputSize)
            return {Outcome::InputTooLarge, {}};
        if (!header.Bytes(bytes, static_cast<std::size_t>(n))) return output->WriteFailure();
        progress.Advanced(static_cast<std::uint32_t>(header.ByteCount()));
    }
    // A failed write always leaves the writer idle, so its reason is settled.
    if (!header.Closing(prefix, job.className) || !writer.Wait()) return output->WriteFailure();
    return output->Finish();
}

}  // namespace

ConversionResult Convert(const ConversionJob& job, ProgressSink& progress) {
    try {
        return ConvertOrThrow(job, progress);
    } catch (const std::bad_alloc&) {
        return {Outcome::OutOfMemory, {}};
    } catch (...) {
        return {Outcome::OutputNotWritten, {}};
    }
}

}  // namespace core
