// Every path a run reads or writes, checked before anything is written: no
// file may be both read and written, or written twice, under any of its
// names; each output must be free to create, or for an update a regular file
// to replace. Every output of every kind goes through this one check.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/conversion_job.h"

namespace core {

// Why a run cannot start: the path concerned and the message for it.
struct PlanConflict {
    std::string path;
    std::string message;
};

class RunPlan {
public:
    // The job's input, header and companion file.
    void AddJob(const ConversionJob& job);
    // A file the run replaces whatever it holds, if it is a regular file.
    void AddDependencyFile(const std::string& path);

    // The first conflict, in the order the paths were added; none when the
    // run may start.
    std::optional<PlanConflict> FindConflict() const;

private:
    enum class Use {
        Read,     // an input
        Create,   // a new file; an update may replace a regular file
        Replace,  // replaced if it is a regular file
    };
    struct Entry {
        std::string path;
        Use use;
        bool update;       // an update may replace a regular file
        std::string role;  // "the header of logo.png", for messages
    };

    static std::optional<PlanConflict> Aliased(const Entry& a, const Entry& b);
    static std::optional<PlanConflict> Unavailable(const Entry& entry);

    std::vector<Entry> m_entries;
};

}  // namespace core
