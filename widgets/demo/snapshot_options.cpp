#include "widgets/demo/snapshot_options.h"

#include <climits>

bool ParseInt(const wxString& text, int& nValue) {
    long lValue;
    if (text.empty() || !text.ToLong(&lValue) || lValue < INT_MIN || lValue > INT_MAX) return false;
    nValue = static_cast<int>(lValue);
    return true;
}

bool ParseHexColour(const wxString& text, wxColour& colour) {
    if (text.length() != 6) return false;
    unsigned long ulRgb;
    for (wxUniChar ch : text)
        if (!wxIsxdigit(ch)) return false;
    if (!text.ToULong(&ulRgb, 16)) return false;
    colour.Set((ulRgb >> 16) & 0xFF, (ulRgb >> 8) & 0xFF, ulRgb & 0xFF);
    return true;
}

bool ParseFaceSize(const wxString& text, wxSize& size) {
    wxString height;
    const wxString width = text.BeforeFirst('x', &height);
    int nWidth, nHeight;
    if (!ParseInt(width, nWidth) || !ParseInt(height, nHeight) || nWidth <= 0 || nHeight <= 0)
        return false;
    size.Set(nWidth, nHeight);
    return true;
}

bool ParseRange(const wxString& text, int& nLow, int& nHigh) {
    wxString high;
    const wxString low = text.BeforeFirst(',', &high);
    int nParsedLow, nParsedHigh;
    if (!ParseInt(low, nParsedLow) || !ParseInt(high, nParsedHigh)) return false;
    nLow = nParsedLow;
    nHigh = nParsedHigh;
    return true;
}
