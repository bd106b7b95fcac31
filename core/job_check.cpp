#include "core/job_check.h"

#include "core/conversion_job.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

namespace {

bool OutputAcceptable(const std::string& path, OutputMode mode) {
    if (mode == OutputMode::StandardOutput) return true;
    if (path.empty()) return false;
    platform::ClearOrphanedPlaceholder(path);  // a killed converter's, on FAT through FUSE
    if (!platform::PathExists(path)) return true;
    // An update may replace a regular file it can read; the run's plan keeps
    // it from being the input.
    return mode == OutputMode::Update &&
           platform::InputFile::Open(path, platform::InputAccess::Shared).Ok();
}

JobCheck Refused(Outcome outcome, std::error_code reason = {}) { return {{outcome, reason}}; }

}  // namespace

JobCheck CheckJob(const std::string& inputPath, const std::string& className,
                  const std::string& outputPath, const JobOptions& options) {
    if (inputPath.empty()) return Refused(Outcome::NoInputPath);
    if (className.empty()) return Refused(Outcome::NoClassName);
    if (!OutputAcceptable(outputPath, options.outputMode)) return Refused(Outcome::OutputNameTaken);
    auto input = platform::InputFile::Open(inputPath, options.inputAccess);
    if (!input) return Refused(Outcome::InputNotFound, input.Error());
    if (input->Size() > kMaxInputSize) return Refused(Outcome::InputTooLarge);
    return {{Outcome::Accepted, {}}, static_cast<std::uint32_t>(input->Size())};
}

}  // namespace core
