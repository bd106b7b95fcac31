// Numeric ids of the main dialog's controls and commands, kept in one place.
#pragma once

#include <wx/defs.h>

enum ControlId {
    // Below 0xF000 and with the low four bits clear, as a system menu item needs.
    IDM_ABOUTBOX = 0x0010,
    IDC_INPUT_PATH = 1000,
    IDC_BROWSE = 1001,
    IDC_CLASS_NAME = 1002,
    IDC_CONVERT = 1003,
    IDC_PROGRESS = 1004,
    IDC_OUTPUT_NAME = 1005,

    ControlIdEnd  // one past the highest id: new ids go above this line
};

// All of them positive and below the range wxWidgets reserves for its own ids.
static_assert(int(IDM_ABOUTBOX) > 0 && int(ControlIdEnd) <= int(wxID_LOWEST),
              "control ids must stay out of wxWidgets' reserved range");
