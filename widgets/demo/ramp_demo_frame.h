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
    wxChoice* AddColourChoice(wxWindow* parent, wxSizer* grid, const wxString& label,
                              int nSelection);
    void ApplyColours();

    void OnPosition(wxCommandEvent& event);
    void OnColour(wxCommandEvent& event);
    void OnPercentage(wxCommandEvent& event);

    CColorRampProgressCtrl* m_pRamp;
    wxSlider* m_pPosition;
    wxChoice* m_pFrom;
    wxChoice* m_pTo;
    wxChoice* m_pBackground;
    wxChoice* m_pText;
    wxCheckBox* m_pPercentage;
};
