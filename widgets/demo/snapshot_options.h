// What ramp-demo --snapshot draws, and the parsing of its option values.
#pragma once

#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

struct SnapshotOptions {
    wxString file;
    wxSize size{300, 20};
    int nRangeLow = 0;
    int nRangeHigh = 100;
    int nPosition = 50;
    wxColour from{0x00, 0x00, 0x00};
    wxColour to{0xFF, 0x00, 0x00};
    wxColour background{0xFF, 0xFF, 0xFF};
    wxColour text{0x00, 0x00, 0x00};
    bool bDrawPercentage = false;
};

// Each returns false, leaving its output alone, when the text is malformed.
bool ParseHexColour(const wxString& text, wxColour& colour);   // RRGGBB
bool ParseFaceSize(const wxString& text, wxSize& size);        // WxH, both > 0
bool ParseRange(const wxString& text, int& nLow, int& nHigh);  // LO,HI
bool ParseInt(const wxString& text, int& nValue);
