// Renders one face of the colour-ramp control into a PNG file.
#pragma once

#include "widgets/demo/snapshot_options.h"

// Draws through the control's own paint code. On failure returns false and
// says why in `error`.
bool RenderSnapshot(const SnapshotOptions& options, wxString& error);
