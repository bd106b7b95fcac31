// The window's way to run a conversion: on a worker thread that reports
// through the process-wide conversion record, which the window's timer polls.
#pragma once

#include "core/conversion_state.h"

namespace core {

// Thread procedure: runs Convert on the job in TheConversionState(), passing
// on the display name and the byte count, and ends with the record's Finish
// and the outcome's message, whatever the outcome. The parameter is unused;
// always returns 0.
unsigned ConvertThreadProc(void* parameter);

// Fills in the job and starts ConvertThreadProc on a thread of its own.
// Returns false, with the record again saying that nothing runs, when no
// thread could be started.
bool StartConversion(ConversionJob job);

}  // namespace core
