#include "core/job_check.h"

#include "core/conversion_state.h"
#include "core/messages.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

JobCheck CheckJob(const std::string& inputPath, const std::string& className,
                  const std::string& outputPath) {
    if (inputPath.empty()) return {msg::kSelectFile};
    if (className.empty()) return {msg::kSpecifyClassName};
    if (outputPath.empty() || platform::PathExists(outputPath)) return {msg::kSpecifyOutput};
    auto input = platform::InputFile::Open(inputPath);
    if (!input) return {msg::kInputNotFound};
    if (input->Size() > kMaxInputSize) return {msg::kInputTooLarge};
    return {{}, static_cast<std::uint32_t>(input->Size())};
}

}  // namespace core
