#include "core/conversion.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>

#include "core/data_formatter.h"
#include "core/header_destination.h"
#include "core/header_format_rc.h"
#include "core/name_rules.h"
#include "core/read_ahead_thread.h"
#include "platform/input_file.h"
#include "platform/last_error.h"
#include "platform/output_file.h"

namespace core {
namespace {

constexpr std::size_t kProgressStep = std::size_t{64} * 1024;

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(std::u8string(path.begin(), path.end())),
                            ignored);
}

// The rc kind's two files: the .rc first, then the header; a header that
// cannot be published, or a signal before it is, takes a .rc created for it
// away again.
ConversionResult FinishWithScript(const ConversionJob& job, HeaderDestination& header,
                                  HeaderDestination& script, const std::string& scriptText) {
    if (!script.Write(scriptText.data(), scriptText.size())) return script.WriteFailure();
    if (ConversionResult result = script.Finish(); !result.Ok()) return result;
    // A signal before the header is out takes a new .rc away as well.
    const bool newFile = job.options.outputMode == OutputMode::NewFile;
    std::optional<platform::ProvisionalFile> provisional;
    if (newFile) provisional.emplace(ResourceScriptPath(job.outputPath), job.outputPath);
    ConversionResult result = header.Finish();
    if (!result.Ok() && newFile) RemoveFile(ResourceScriptPath(job.outputPath));
    return result;
}

ConversionResult ConvertOrThrow(const ConversionJob& job, ProgressSink& progress) {
    auto input = platform::InputFile::Open(job.inputPath, job.options.inputAccess);
    if (!input) return {Outcome::InputNotFound, platform::LastError()};
    if (input->Size() > kMaxInputSize) return {Outcome::InputTooLarge, {}};
    ConversionResult failure;
    auto output = HeaderDestination::Open(job.outputPath, job.options.outputMode, failure);
    if (!output) return failure;
    std::optional<HeaderDestination> script;
    if (job.options.data == DataKind::Rc) {
        script = HeaderDestination::Open(ResourceScriptPath(job.outputPath), job.options.outputMode,
                                         failure);
        if (!script) return failure;
    }

    const std::string displayName = DisplayName(job.inputPath);
    const std::string prefix =
        job.options.identifierPrefix.value_or(IdentifierPrefix(job.inputPath));
    progress.Started(displayName);

    const std::unique_ptr<DataFormatter> formatter = MakeDataFormatter(
        job.options.data,
        [&output](const char* data, std::size_t size) { return output->Write(data, size); },
        job.inputPath);
    DataFormatter& header = *formatter;
    progress.Advanced(0);
    if (!header.Opening(displayName, prefix)) return output->WriteFailure();

    // The input is read on a second thread while this one formats and
    // writes. The count is what was actually read: a file that shrinks or
    // grows in the meantime is converted as it is read, within the 32-bit
    // limit.
    ReadAheadThread reader(
        [&input](char* buffer, std::size_t size) { return input->Read(buffer, size); });
    for (;;) {
        const ReadAheadThread::Block block = reader.Next();
        if (block.size < 0) return {Outcome::InputUnreadable, block.error};
        if (block.size == 0) break;
        const auto size = static_cast<std::size_t>(block.size);
        if (header.ByteCount() + size > kMaxInputSize) return {Outcome::InputTooLarge, {}};
        // The count advances every 64 KiB, however large the blocks read.
        for (std::size_t done = 0; done < size; done += kProgressStep) {
            if (!header.Bytes(block.data + done, std::min(kProgressStep, size - done)))
                return output->WriteFailure();
            progress.Advanced(static_cast<std::uint32_t>(header.ByteCount()));
        }
    }
    if (!header.Closing(prefix, job.className)) return output->WriteFailure();
    if (const auto* rc = dynamic_cast<const RcFormatter*>(&header))
        return FinishWithScript(job, *output, *script, rc->ResourceScript(displayName, prefix));
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
