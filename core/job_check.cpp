#include "core/job_check.h"

#include "core/conversion_state.h"
#include "core/messages.h"
#include "platform/file_identity.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

namespace {

bool OutputAcceptable(const std::string& path, const std::string& inputPath, OutputMode mode) {
    if (mode == OutputMode::StandardOutput) return true;
    if (path.empty()) return false;
    if (!platform::PathExists(path)) return true;
    // An update never replaces its own input, under any of its names.
    return mode == OutputMode::Update && !platform::SameFile(path, inputPath) &&
           platform::InputFile::Open(path, platform::InputAccess::Shared).has_value();
}

}  // namespace

JobCheck CheckJob(const std::string& inputPath, const std::string& className,
                  const std::string& outputPath, const JobOptions& options) {
    if (inputPath.empty()) return {msg::kSelectFile};
    if (className.empty()) return {msg::kSpecifyClassName};
    if (!OutputAcceptable(outputPath, inputPath, options.outputMode)) return {msg::kSpecifyOutput};
    auto input = platform::InputFile::Open(inputPath, options.inputAccess);
    if (!input) return {msg::kInputNotFound};
    if (input->Size() > kMaxInputSize) return {msg::kInputTooLarge};
    return {{}, static_cast<std::uint32_t>(input->Size())};
}

}  // namespace core
