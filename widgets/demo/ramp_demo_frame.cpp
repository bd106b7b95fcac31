#include "widgets/demo/ramp_demo_frame.h"

#include "widgets/color_ramp_progress_ctrl.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

namespace {

struct NamedColour {
    const char* name;
    unsigned char red, green, blue;
};

const NamedColour kColours[] = {
    {"Black", 0x00, 0x00, 0x00},  {"White", 0xFF, 0xFF, 0xFF}, {"Red", 0xFF, 0x00, 0x00},
    {"Green", 0x00, 0xA0, 0x00},  {"Blue", 0x00, 0x00, 0xFF},  {"Yellow", 0xFF, 0xFF, 0x00},
    {"Orange", 0xFF, 0x80, 0x00}, {"Grey", 0x80, 0x80, 0x80},
};

enum ColourIndex { kBlack, kWhite, kRed };

wxColour ChosenColour(const wxChoice* choice) {
    const NamedColour& c = kColours[choice->GetSelection()];
    return wxColour(c.red, c.green, c.blue);
}

}  // namespace

CRampDemoFrame::CRampDemoFrame() : wxFrame(nullptr, wxID_ANY, "Colour ramp demo") {
    auto* panel = new wxPanel(this);
    auto* top = new wxBoxSizer(wxVERTICAL);

    m_pRamp =
        new CColorRampProgressCtrl(panel, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(300, 22)));
    m_pRamp->SetRange(0, 100);
    top->Add(m_pRamp, wxSizerFlags().Expand().Border());

    m_pPosition = new wxSlider(panel, wxID_ANY, 50, 0, 100, wxDefaultPosition, wxDefaultSize,
                               wxSL_HORIZONTAL | wxSL_LABELS);
    top->Add(m_pPosition, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT));

    auto* grid = new wxFlexGridSizer(2, wxSize(FromDIP(8), FromDIP(4)));
    m_pFrom = AddColourChoice(panel, grid, "&Start colour:", kBlack);
    m_pTo = AddColourChoice(panel, grid, "&End colour:", kRed);
    m_pBackground = AddColourChoice(panel, grid, "&Background:", kWhite);
    m_pText = AddColourChoice(panel, grid, "&Text colour:", kBlack);
    top->Add(grid, wxSizerFlags().Border());

    m_pPercentage = new wxCheckBox(panel, wxID_ANY, "Show &percentage");
    top->Add(m_pPercentage, wxSizerFlags().Border());

    panel->SetSizer(top);
    top->SetSizeHints(this);

    m_pPosition->Bind(wxEVT_SLIDER, &CRampDemoFrame::OnPosition, this);
    m_pPercentage->Bind(wxEVT_CHECKBOX, &CRampDemoFrame::OnPercentage, this);
    for (wxChoice* choice : {m_pFrom, m_pTo, m_pBackground, m_pText})
        choice->Bind(wxEVT_CHOICE, &CRampDemoFrame::OnColour, this);

    m_pRamp->SetPos(m_pPosition->GetValue());
    ApplyColours();
}

wxChoice* CRampDemoFrame::AddColourChoice(wxWindow* parent, wxSizer* grid, const wxString& label,
                                          int nSelection) {
    auto* choice = new wxChoice(parent, wxID_ANY);
    for (const NamedColour& c : kColours) choice->Append(c.name);
    choice->SetSelection(nSelection);
    grid->Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    grid->Add(choice);
    return choice;
}

void CRampDemoFrame::ApplyColours() {
    m_pRamp->SetRampColours(ChosenColour(m_pFrom), ChosenColour(m_pTo));
    m_pRamp->SetRampBackgroundColour(ChosenColour(m_pBackground));
    m_pRamp->SetPercentageColour(ChosenColour(m_pText));
}

void CRampDemoFrame::OnPosition(wxCommandEvent& event) { m_pRamp->SetPos(event.GetInt()); }

void CRampDemoFrame::OnColour(wxCommandEvent&) { ApplyColours(); }

void CRampDemoFrame::OnPercentage(wxCommandEvent& event) {
    m_pRamp->SetDrawPercentage(event.IsChecked());
}
