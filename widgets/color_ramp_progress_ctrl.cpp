#include "widgets/color_ramp_progress_ctrl.h"

#include "widgets/offscreen_dc.h"

#include <wx/brush.h>
#include <wx/dcclient.h>
#include <wx/pen.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

namespace {

int RedOf(std::uint32_t cr) { return cr & 0xFF; }
int GreenOf(std::uint32_t cr) { return (cr >> 8) & 0xFF; }
int BlueOf(std::uint32_t cr) { return (cr >> 16) & 0xFF; }

std::uint32_t PackRgb(int red, int green, int blue) {
    return (red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16;
}

std::uint32_t PackColour(const wxColour& colour) {
    return PackRgb(colour.Red(), colour.Green(), colour.Blue());
}

wxColour UnpackColour(std::uint32_t cr) { return wxColour(RedOf(cr), GreenOf(cr), BlueOf(cr)); }

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
int EdgeAt(int nIndex, float fBandWidth) {
    return static_cast<int>(static_cast<double>(static_cast<float>(nIndex)) * fBandWidth);
}

int ChannelAt(int nFrom, int nIndex, float fStep) {
    return static_cast<int>(nFrom + static_cast<double>(static_cast<float>(nIndex)) * fStep);
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

bool CColorRampProgressCtrl::SetRange(int nLow, int nHigh) {
    if (nHigh <= 0 || nHigh <= nLow) return false;
    m_nRangeLow = nLow;
    m_nRangeHigh = nHigh;
    Refresh();
    return true;
}

void CColorRampProgressCtrl::SetPos(int nPos) {
    m_nPosition = nPos;
    Refresh();
}

int CColorRampProgressCtrl::StepIt() {
    const int nOld = m_nPosition;
    SetPos(nOld + m_nStep);
    return nOld;
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

void CColorRampProgressCtrl::SetDrawPercentage(bool bDraw) {
    m_bDrawPercentage = bDraw;
    Refresh();
}

bool CColorRampProgressCtrl::IsRampShown() const {
    return m_nRangeLow < m_nPosition && m_nPosition < m_nRangeHigh;
}

wxString CColorRampProgressCtrl::GetPercentageText() const {
    if (!IsRampShown()) return wxString();
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
    const double dFilled = static_cast<double>(m_nPosition) / m_nRangeHigh * rcClient.width;
    DrawRamp(dc, rcClient, static_cast<int>(std::max(dFilled, 0.0)));

    if (m_bDrawPercentage) {
        dc.SetFont(GetFont());
        dc.SetTextForeground(UnpackColour(m_crText));
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.DrawLabel(GetPercentageText(), rcClient, wxALIGN_CENTER);
    }
}

void CColorRampProgressCtrl::DrawRamp(wxDC& target, const wxRect& rcClient, int nFilledWidth) {
    COffscreenDC surface(target);
    wxDC& dc = surface.GetDrawingDC();
    if (!dc.IsOk()) return;

    // A new bitmap's pixels are undefined; any the bands miss show this.
    if (surface.IsOffscreen()) {
        dc.SetBackground(wxBrush(UnpackColour(m_crBackground)));
        dc.Clear();
    }

    const int nFromR = RedOf(m_crRampFrom);
    const int nFromG = GreenOf(m_crRampFrom);
    const int nFromB = BlueOf(m_crRampFrom);
    const int nDiffR = RedOf(m_crRampTo) - nFromR;
    const int nDiffG = GreenOf(m_crRampTo) - nFromG;
    const int nDiffB = BlueOf(m_crRampTo) - nFromB;

    const bool bSolid = nDiffR == 0 && nDiffG == 0 && nDiffB == 0;
    int nBands;
    if (bSolid)
        nBands = m_crRampFrom == 0 ? 255 : std::max({nFromR, nFromG, nFromB});
    else
        nBands = std::max({std::abs(nDiffR), std::abs(nDiffG), std::abs(nDiffB)});

    const float fBandWidth = static_cast<float>(rcClient.width) / nBands;
    const float fStepR = static_cast<float>(nDiffR) / nBands;
    const float fStepG = static_cast<float>(nDiffG) / nBands;
    const float fStepB = static_cast<float>(nDiffB) / nBands;

    for (int i = 0; i < nBands; ++i) {
        const int nLeft = EdgeAt(i, fBandWidth);
        const int nRight = EdgeAt(i + 1, fBandWidth);

        std::uint32_t crBand = m_crRampFrom;
        if (!bSolid)
            crBand = PackRgb(ChannelAt(nFromR, i, fStepR), ChannelAt(nFromG, i, fStepG),
                             ChannelAt(nFromB, i, fStepB));
        FillRect(dc, nLeft, 0, nRight, rcClient.height + 1, UnpackColour(crBand));

        if (nRight > nFilledWidth) {
            FillRect(dc, nRight, 0, rcClient.width, rcClient.height, UnpackColour(m_crBackground));
            break;
        }
    }
}
