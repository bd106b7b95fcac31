// The message box on GTK: wxWidgets' generic box, widened for its caption.
#include "ui/message_box.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/msgdlg.h>  // and the generic box, wxGenericMessageDialog
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/window.h>

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
