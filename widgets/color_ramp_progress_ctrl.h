// A progress bar whose covered part is a ramp of solid colour bands.
#pragma once

#include <wx/colour.h>
#include <wx/window.h>

#include <cstdint>

// While the position lies strictly inside the range the face shows the
// covered share of the width as bands running from one colour toward another,
// the rest in a background colour and, if asked, the percentage centred on
// top. Any other position shows a plain button-face face.
class CColorRampProgressCtrl : public wxWindow {
public:
    CColorRampProgressCtrl() = default;
    CColorRampProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                           const wxSize& size = wxDefaultSize, long style = 0,
                           const wxString& name = "colorRampProgress");

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0,
                const wxString& name = "colorRampProgress");

    // Refuses (returns false, keeps the old range) an upper bound of zero or
    // less, or one not above the lower bound: the face divides by it.
    bool SetRange(int low, int high);
    int GetRangeLow() const { return m_nRangeLow; }
    int GetRangeHigh() const { return m_nRangeHigh; }

    void SetPos(int pos);
    int GetPos() const { return m_nPosition; }

    // StepIt() advances the position by the step and returns the old one.
    void SetStep(int step) { m_step = step; }
    int GetStep() const { return m_step; }
    int StepIt();

    void SetRampColours(const wxColour& from, const wxColour& to);
    void SetRampBackgroundColour(const wxColour& colour);
    void SetPercentageColour(const wxColour& colour);
    wxColour GetRampFromColour() const;
    wxColour GetRampToColour() const;
    wxColour GetRampBackgroundColour() const;
    wxColour GetPercentageColour() const;

    void SetDrawPercentage(bool draw);
    bool GetDrawPercentage() const { return m_bDrawPercentage; }

    // The text the face would centre on the ramp; empty on the plain face.
    wxString GetPercentageText() const;

    // Draws the whole face as a paint would, onto any DC covering the client
    // area; OnPaint uses it, and so can snapshots and tests.
    void PaintFace(wxDC& dc);

private:
    bool IsRampShown() const;
    void DrawRamp(wxDC& target, const wxRect& rcClient, int nFilledWidth) const;

    void OnPaint(wxPaintEvent& event);
    void OnEraseBkgnd(wxEraseEvent& event);

    // Colours are packed red in the lowest byte, the top byte always zero.
    std::int32_t m_nRangeLow = 0;
    std::int32_t m_nRangeHigh = 100;
    std::int32_t m_step = 10;
    std::int32_t m_nPosition = 0;
    std::uint32_t m_crRampFrom = 0x000000;
    std::uint32_t m_crRampTo = 0x0000FF;
    std::uint32_t m_crBackground = 0xFFFFFF;
    std::uint32_t m_crText = 0x000000;
    bool m_bDrawPercentage = false;
};
