// The worker that writes a header carrying a file's bytes.
#pragma once

namespace core {

// Thread procedure: converts the job in TheConversionState(). Reports only
// through that record (byte count, display name, error text) and ends with a
// release store of 1 to its done flag whatever the outcome. The header
// appears at the output path only when complete. The parameter is unused;
// always returns 0.
unsigned ConvertThreadProc(void* parameter);

}  // namespace core
