#include "widgets/demo/snapshot_options.h"

#include <climits>

bool ParseInt(const wxString& text, int& value) {
    long parsed = 0;
    if (text.empty() || !text.ToLong(&parsed) || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
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
    wxString heightText;
    const wxString widthText = text.BeforeFirst('x', &heightText);
    int width = 0;
    int height = 0;
    if (!ParseInt(widthText, width) || !ParseInt(heightText, height) || width <= 0 || height <= 0)
        return false;
    size.Set(width, height);
    return true;
}

bool ParseRange(const wxString& text, int& low, int& high) {
    wxString highText;
    const wxString lowText = text.BeforeFirst(',', &highText);
    int parsedLow = 0;
    int parsedHigh = 0;
    if (!ParseInt(lowText, parsedLow) || !ParseInt(highText, parsedHigh)) return false;
    low = parsedLow;
    high = parsedHigh;
    return true;
}
