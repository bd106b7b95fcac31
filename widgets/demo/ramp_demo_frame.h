// The demo window: the control, a slider for its position and choices for
// its colours and its percentage text.
#pragma once

#include <wx/frame.h>

class CColorRampProgressCtrl;
class wxCheckBox;
class wxChoice;
class wxSlider;

class CRampDemoFrame : public wxFrame {
public:
    CRampDemoFrame();

private:
    static wxChoice* AddColourChoice(wxWindow* parent, wxSizer* grid, const wxString& label,
                                     int selection);
    void ApplyColours();

    void OnPosition(wxCommandEvent& event);
    void OnColour(wxCommandEvent& event);
    void OnPercentage(wxCommandEvent& event);

    CColorRampProgressCtrl* m_ramp;
    wxSlider* m_positionSlider;
    wxChoice* m_fromChoice;
    wxChoice* m_toChoice;
    wxChoice* m_backgroundChoice;
    wxChoice* m_textChoice;
    wxCheckBox* m_percentageBox;
};
