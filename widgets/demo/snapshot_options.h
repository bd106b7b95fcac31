// What ramp-demo --snapshot draws, and the parsing of its option values.
#pragma once

#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

struct SnapshotOptions {
    wxString file;
    wxSize size{300, 20};
    int rangeLow = 0;
    int rangeHigh = 100;
    int position = 50;
    wxColour from{0x00, 0x00, 0x00};
    wxColour to{0xFF, 0x00, 0x00};
    wxColour background{0xFF, 0xFF, 0xFF};
    wxColour text{0x00, 0x00, 0x00};
    bool drawPercentage = false;
};

// Each returns false, leaving its output alone, when the text is malformed.
bool ParseHexColour(const wxString& text, wxColour& colour);  // RRGGBB
bool ParseFaceSize(const wxString& text, wxSize& size);       // WxH, both > 0
bool ParseRange(const wxString& text, int& low, int& high);   // LO,HI
bool ParseInt(const wxString& text, int& value);
