#include "core/run_plan.h"

#include "core/data_kind.h"
#include "core/outcome.h"
#include "platform/file_identity.h"
#include "platform/output_file.h"

namespace core {

void RunPlan::AddJob(const ConversionJob& job) {
    m_entries.push_back({job.inputPath, Use::Read, false, "the input " + job.inputPath});
    if (job.options.outputMode == OutputMode::StandardOutput) return;
    const bool update = job.options.outputMode == OutputMode::Update;
    m_entries.push_back({job.outputPath, Use::Create, update, "the header of " + job.inputPath});
    const DataKindInfo& kind = InfoOf(job.options.data);
    if (kind.HasCompanion())
        m_entries.push_back(
            {CompanionPath(job.outputPath, kind.companionExtension), Use::Create, update,
             "the " + std::string(kind.companionExtension) + " file of " + job.outputPath});
}

void RunPlan::AddDependencyFile(const std::string& path) {
    m_entries.push_back({path, Use::Replace, true, "the dependency file"});
}

// Two inputs may be one file; nothing written may be another entry's file.
std::optional<PlanConflict> RunPlan::Aliased(const Entry& a, const Entry& b) {
    if ((a.use == Use::Read && b.use == Use::Read) || !platform::SameFile(a.path, b.path))
        return std::nullopt;
    return PlanConflict{b.path, b.role + " would be the same file as " + a.role};
}

// An output whose name something already answers to: refused, but for a
// regular file where the run may replace one.
std::optional<PlanConflict> RunPlan::Unavailable(const Entry& entry) {
    if (entry.use == Use::Read) return std::nullopt;
    platform::ClearOrphanedPlaceholder(entry.path);  // a killed converter's, on FAT through FUSE
    const platform::PathKind kind = platform::KindOfPath(entry.path);
    if (kind == platform::PathKind::Missing ||
        (entry.update && kind == platform::PathKind::RegularFile))
        return std::nullopt;
    if (entry.use == Use::Replace)
        return PlanConflict{entry.path,
                            "Dependency file would replace something that is not a file."};
    return PlanConflict{entry.path, std::string(MessageText(Outcome::OutputNameTaken))};
}

std::optional<PlanConflict> RunPlan::FindConflict() const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        for (std::size_t k = 0; k < i; ++k)
            if (auto conflict = Aliased(m_entries[k], m_entries[i])) return conflict;
        if (auto conflict = Unavailable(m_entries[i])) return conflict;
    }
    return std::nullopt;
}

}  // namespace core
