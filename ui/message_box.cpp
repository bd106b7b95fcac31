#include "ui/message_box.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/window.h>

#ifdef __WXGTK__
#include <wx/generic/msgdlgg.h>

namespace {

// GTK 3's own message dialog draws no icon, so the box is wxWidgets' generic
// one; it keeps the text, caption, OK button, modality and keys.
class WideMessageBox : public wxGenericMessageDialog {
public:
    using wxGenericMessageDialog::wxGenericMessageDialog;

    // Laid out before the modal loop starts, rather than after the modal
    // hooks have run, so a hook sees the box as it will appear.
    int ShowModal() override {
        DoCreateMsgdialog();
        // Past the generic dialog's own ShowModal, which would lay it out again.
        return wxMessageDialogBase::ShowModal();  // NOLINT(bugprone-parent-virtual-call)
    }

protected:
    // Called while the box lays itself out: a strut as wide as the caption
    // plus the title bar's buttons, so the box's width leaves room for it.
    void AddMessageDialogDetails(wxSizer* sizer) override {
        const wxFont titleFont = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).Bold();
        int captionWidth = 0;
        GetTextExtent(GetCaption(), &captionWidth, nullptr, nullptr, nullptr, &titleFont);
        const int titleButtons = FromDIP(120);
        const int display = wxDisplay(this).GetClientArea().GetWidth();
        const int width = std::min(captionWidth + titleButtons, display - FromDIP(40));
        sizer->Add(width, 0);
    }
};

}  // namespace

int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    WideMessageBox box(parent, text, caption, wxOK | style);
    return box.ShowModal();
}

#elif defined(__WXMSW__)
#include <wx/msw/wrapwin.h>

// The system's own box, as every Windows program shows it: its icon, its
// sound, and the owner disabled while it is up.
int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    const UINT icon = (style & wxICON_INFORMATION) ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
    ::MessageBoxW(parent ? parent->GetHWND() : nullptr, text.wc_str(), caption.wc_str(),
                  MB_OK | icon);
    return wxID_OK;
}

#else

int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    wxMessageDialog box(parent, text, caption, wxOK | style);
    return box.ShowModal();
}

#endif
