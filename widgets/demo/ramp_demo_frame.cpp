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
    return {c.red, c.green, c.blue};
}

}  // namespace

CRampDemoFrame::CRampDemoFrame() : wxFrame(nullptr, wxID_ANY, "Colour ramp demo") {
    auto* panel = new wxPanel(this);
    auto* top = new wxBoxSizer(wxVERTICAL);

    m_ramp =
        new CColorRampProgressCtrl(panel, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(300, 22)));
    m_ramp->SetRange(0, 100);
    top->Add(m_ramp, wxSizerFlags().Expand().Border());

    m_positionSlider = new wxSlider(panel, wxID_ANY, 50, 0, 100, wxDefaultPosition, wxDefaultSize,
                                    wxSL_HORIZONTAL | wxSL_LABELS);
    top->Add(m_positionSlider, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT));

    auto* grid = new wxFlexGridSizer(2, wxSize(FromDIP(8), FromDIP(4)));
    m_fromChoice = AddColourChoice(panel, grid, "&Start colour:", kBlack);
    m_toChoice = AddColourChoice(panel, grid, "&End colour:", kRed);
    m_backgroundChoice = AddColourChoice(panel, grid, "&Background:", kWhite);
    m_textChoice = AddColourChoice(panel, grid, "&Text colour:", kBlack);
    top->Add(grid, wxSizerFlags().Border());

    m_percentageBox = new wxCheckBox(panel, wxID_ANY, "Show &percentage");
    top->Add(m_percentageBox, wxSizerFlags().Border());

    panel->SetSizer(top);
    top->SetSizeHints(this);

    m_positionSlider->Bind(wxEVT_SLIDER, &CRampDemoFrame::OnPosition, this);
    m_percentageBox->Bind(wxEVT_CHECKBOX, &CRampDemoFrame::OnPercentage, this);
    for (wxChoice* choice : {m_fromChoice, m_toChoice, m_backgroundChoice, m_textChoice})
        choice->Bind(wxEVT_CHOICE, &CRampDemoFrame::OnColour, this);

    m_ramp->SetPos(m_positionSlider->GetValue());
    ApplyColours();
}

wxChoice* CRampDemoFrame::AddColourChoice(wxWindow* parent, wxSizer* grid, const wxString& label,
                                          int selection) {
    auto* choice = new wxChoice(parent, wxID_ANY);
    for (const NamedColour& c : kColours) choice->Append(c.name);
    choice->SetSelection(selection);
    grid->Add(new wxStaticText(parent, wxID_ANY, label), wxSizerFlags().CentreVertical());
    grid->Add(choice);
    return choice;
}

void CRampDemoFrame::ApplyColours() {
    m_ramp->SetRampColours(ChosenColour(m_fromChoice), ChosenColour(m_toChoice));
    m_ramp->SetRampBackgroundColour(ChosenColour(m_backgroundChoice));
    m_ramp->SetPercentageColour(ChosenColour(m_textChoice));
}

void CRampDemoFrame::OnPosition(wxCommandEvent& event) { m_ramp->SetPos(event.GetInt()); }

void CRampDemoFrame::OnColour(wxCommandEvent&) { ApplyColours(); }

void CRampDemoFrame::OnPercentage(wxCommandEvent& event) {
    m_ramp->SetDrawPercentage(event.IsChecked());
}
