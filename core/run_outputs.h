// The outputs of one run (every header, companion file and dependency file),
// each written whole and unseen, then published together: the run leaves all
// of them or, when one cannot be published, none of its new files.
#pragma once

#include <vector>

#include "core/outcome.h"
#include "core/output_destination.h"

namespace core {

class RunOutputs {
public:
    // In the order they are to appear: a companion before its header.
    void Add(OutputDestination output) { m_outputs.push_back(std::move(output)); }

    // New files first, as one group that a failure or a signal takes away
    // again; then the files an update replaces, which cannot be taken back.
    // A replaced header and its companion each name the content's checksum,
    // so a pair that a kill leaves half replaced never passes for a match.
    ConversionResult Publish();

private:
    std::vector<OutputDestination> m_outputs;
};

}  // namespace core
