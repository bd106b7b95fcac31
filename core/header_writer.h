// The worker that writes a header carrying a file's bytes.
#pragma once

#include "core/conversion_state.h"

namespace core {

// Thread procedure: converts the job in TheConversionState(). Reports only
// through that record (byte count, display name) and ends with its Finish
// whatever the outcome. The header appears at the output path only when
// complete. The parameter is unused; always returns 0.
unsigned ConvertThreadProc(void* parameter);

// Fills in the job and starts ConvertThreadProc on a thread of its own.
// Returns false, with the record again saying that nothing runs, when no
// thread could be started.
bool StartConversion(ConversionJob job);

}  // namespace core
