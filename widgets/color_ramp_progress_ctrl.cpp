#include "widgets/color_ramp_progress_ctrl.h"

#include "widgets/offscreen_dc.h"

#include <wx/brush.h>
#include <wx/dcclient.h>
#include <wx/pen.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

namespace {

int RedOf(std::uint32_t cr) { return static_cast<int>(cr & 0xFF); }
int GreenOf(std::uint32_t cr) { return static_cast<int>((cr >> 8) & 0xFF); }
int BlueOf(std::uint32_t cr) { return static_cast<int>((cr >> 16) & 0xFF); }

// Each channel keeps its low eight bits.
std::uint32_t PackRgb(int red, int green, int blue) {
    const auto low8 = [](int channel) { return static_cast<std::uint32_t>(channel) & 0xFF; };
    return low8(red) | low8(green) << 8 | low8(blue) << 16;
}

std::uint32_t PackColour(const wxColour& colour) {
    return PackRgb(colour.Red(), colour.Green(), colour.Blue());
}

wxColour UnpackColour(std::uint32_t cr) {
    return {static_cast<unsigned char>(cr), static_cast<unsigned char>(cr >> 8),
            static_cast<unsigned char>(cr >> 16)};
}

// Fills left and top inclusive, right and bottom exclusive; without a pen,
// so cairo adds no outline and no half-pixel blur to the band edges.
void FillRect(wxDC& dc, int left, int top, int right, int bottom, const wxColour& colour) {
    if (right <= left || bottom <= top) return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(left, top, right - left, bottom - top);
}

// Band geometry and colours are computed in the precisions below on purpose:
// the ramp must land on the same columns and shades wherever it is drawn.
int EdgeAt(int index, float bandWidth) {
    return static_cast<int>(static_cast<double>(static_cast<float>(index)) *
                            static_cast<double>(bandWidth));
}

int ChannelAt(int from, int index, float step) {
    return static_cast<int>(from + static_cast<double>(static_cast<float>(index)) *
                                       static_cast<double>(step));
}

}  // namespace

CColorRampProgressCtrl::CColorRampProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                               const wxSize& size, long style,
                                               const wxString& name) {
    Create(parent, id, pos, size, style, name);
}

bool CColorRampProgressCtrl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                    const wxSize& size, long style, const wxString& name) {
    // The paint handler covers every pixel; GTK must never clear the face.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    // Band widths depend on the whole width, so a resize redraws it all.
    if (!wxWindow::Create(parent, id, pos, size, style | wxFULL_REPAINT_ON_RESIZE, name))
        return false;
    Bind(wxEVT_PAINT, &CColorRampProgressCtrl::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &CColorRampProgressCtrl::OnEraseBkgnd, this);
    return true;
}

bool CColorRampProgressCtrl::SetRange(int low, int high) {
    if (high <= 0 || high <= low) return false;
    m_nRangeLow = low;
    m_nRangeHigh = high;
    Refresh();
    return true;
}

void CColorRampProgressCtrl::SetPos(int pos) {
    m_nPosition = pos;
    Refresh();
}

int CColorRampProgressCtrl::StepIt() {
    const int old = m_nPosition;
    SetPos(old + m_step);
    return old;
}

void CColorRampProgressCtrl::SetRampColours(const wxColour& from, const wxColour& to) {
    m_crRampFrom = PackColour(from);
    m_crRampTo = PackColour(to);
    Refresh();
}

void CColorRampProgressCtrl::SetRampBackgroundColour(const wxColour& colour) {
    m_crBackground = PackColour(colour);
    Refresh();
}

void CColorRampProgressCtrl::SetPercentageColour(const wxColour& colour) {
    m_crText = PackColour(colour);
    Refresh();
}

wxColour CColorRampProgressCtrl::GetRampFromColour() const { return UnpackColour(m_crRampFrom); }

wxColour CColorRampProgressCtrl::GetRampToColour() const { return UnpackColour(m_crRampTo); }

wxColour CColorRampProgressCtrl::GetRampBackgroundColour() const {
    return UnpackColour(m_crBackground);
}

wxColour CColorRampProgressCtrl::GetPercentageColour() const { return UnpackColour(m_crText); }

void CColorRampProgressCtrl::SetDrawPercentage(bool draw) {
    m_bDrawPercentage = draw;
    Refresh();
}

bool CColorRampProgressCtrl::IsRampShown() const {
    return m_nRangeLow < m_nPosition && m_nPosition < m_nRangeHigh;
}

wxString CColorRampProgressCtrl::GetPercentageText() const {
    if (!IsRampShown()) return {};
    return wxString::Format("%.0f%%", m_nPosition * 100.0 / m_nRangeHigh);
}

void CColorRampProgressCtrl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    PaintFace(dc);
}

void CColorRampProgressCtrl::OnEraseBkgnd(wxEraseEvent&) {}

void CColorRampProgressCtrl::PaintFace(wxDC& dc) {
    const wxRect rcClient(GetClientSize());
    if (!IsRampShown()) {
        FillRect(dc, 0, 0, rcClient.width, rcClient.height,
                 wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
        return;
    }

    // The lower bound plays no part here. A position at or below zero (only
    // possible with a negative lower bound) covers nothing; clamping also
    // keeps a huge negative product from overflowing the conversion.
    const double filled = static_cast<double>(m_nPosition) / m_nRangeHigh * rcClient.width;
    DrawRamp(dc, rcClient, static_cast<int>(std::max(filled, 0.0)));

    if (m_bDrawPercentage) {
        dc.SetFont(GetFont());
        dc.SetTextForeground(UnpackColour(m_crText));
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.DrawLabel(GetPercentageText(), rcClient, wxALIGN_CENTER);
    }
}

void CColorRampProgressCtrl::DrawRamp(wxDC& target, const wxRect& rcClient,
                                      int nFilledWidth) const {
    COffscreenDC surface(target);
    wxDC& dc = surface.GetDrawingDC();
    if (!dc.IsOk()) return;

    // A new bitmap's pixels are undefined; any the bands miss show this.
    if (surface.IsOffscreen()) {
        dc.SetBackground(wxBrush(UnpackColour(m_crBackground)));
        dc.Clear();
    }

    const int fromRed = RedOf(m_crRampFrom);
    const int fromGreen = GreenOf(m_crRampFrom);
    const int fromBlue = BlueOf(m_crRampFrom);
    const int redDiff = RedOf(m_crRampTo) - fromRed;
    const int greenDiff = GreenOf(m_crRampTo) - fromGreen;
    const int blueDiff = BlueOf(m_crRampTo) - fromBlue;

    const bool solid = redDiff == 0 && greenDiff == 0 && blueDiff == 0;
    int bandCount;
    if (solid)
        bandCount = m_crRampFrom == 0 ? 255 : std::max({fromRed, fromGreen, fromBlue});
    else
        bandCount = std::max({std::abs(redDiff), std::abs(greenDiff), std::abs(blueDiff)});

    const auto bands = static_cast<float>(bandCount);
    const float bandWidth = static_cast<float>(rcClient.width) / bands;
    const float redStep = static_cast<float>(redDiff) / bands;
    const float greenStep = static_cast<float>(greenDiff) / bands;
    const float blueStep = static_cast<float>(blueDiff) / bands;

    for (int i = 0; i < bandCount; ++i) {
        const int left = EdgeAt(i, bandWidth);
        const int right = EdgeAt(i + 1, bandWidth);

        std::uint32_t bandColour = m_crRampFrom;
        if (!solid)
            bandColour = PackRgb(ChannelAt(fromRed, i, redStep), ChannelAt(fromGreen, i, greenStep),
                                 ChannelAt(fromBlue, i, blueStep));
        FillRect(dc, left, 0, right, rcClient.height + 1, UnpackColour(bandColour));

        if (right > nFilledWidth) {
            FillRect(dc, right, 0, rcClient.width, rcClient.height, UnpackColour(m_crBackground));
            break;
        }
    }
}
