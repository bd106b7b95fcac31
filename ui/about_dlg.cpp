#include "ui/about_dlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "res/strings.h"
#include "ui/app_icons.h"
#include "ui/toolkit.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, res::kAboutCaption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int w, int h) { return wxDLG_UNIT(this, wxSize(w, h)); };

    toolkit::UseDialogFont(this);
    SetClientSize(size(235, 100));
    const wxIconBundle icons = AppIcons();
    SetIcons(icons);

    const wxIcon icon = icons.GetIcon(wxSize(32, 32));
    // The icon keeps its own pixels, centred in its slot.
    const wxPoint slot = at(11, 40);
    const wxSize slotSize = size(21, 20);
    new wxStaticBitmap(
        this, wxID_STATIC, icon,
        slot + wxSize((slotSize.x - icon.GetWidth()) / 2, (slotSize.y - icon.GetHeight()) / 2),
        icon.GetSize());
    // Texts take the room their font needs: the box grows to the six-line
    // note rather than clip it, and OK stays at the right edge.
    new wxStaticText(this, wxID_STATIC, res::kAboutVersion, at(40, 10));
    new wxStaticText(this, wxID_STATIC, res::kAboutNotice, at(40, 25));
    auto* ok = new wxButton(this, wxID_OK, "OK", at(178, 7), size(50, 14));
    ok->SetDefault();
    auto* usage = new wxStaticText(this, wxID_STATIC, res::kAboutUsage, at(40, 44));
#ifdef __WXMSW__
    // The system's static text draws a little wider than wxWidgets measures
    // it, and would cut the end of the longest line: one character to spare.
    usage->SetSize(usage->GetSize() + wxSize(usage->GetCharWidth(), 0));
#endif

    const wxSize margin = size(7, 7);
    const wxRect note = usage->GetRect();
    const wxSize client(std::max(GetClientSize().x, note.GetRight() + 1 + margin.x),
                        std::max(GetClientSize().y, note.GetBottom() + 1 + margin.y));
    SetClientSize(client);
    ok->Move(client.x - margin.x - ok->GetSize().x, ok->GetPosition().y);

    CentreOnParent();
}
