// The message box on other toolkits: wxWidgets' native one as it is.
#include "ui/message_box.h"

#include <wx/msgdlg.h>

int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    wxMessageDialog box(parent, text, caption, wxOK | style);
    return box.ShowModal();
}
