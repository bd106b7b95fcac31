// The message box on Windows: the system's own, as every Windows program
// shows it, with its icon, its sound, and the owner disabled while it is up.
#include "ui/message_box.h"

#include <wx/msw/wrapwin.h>
#include <wx/window.h>

int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    const UINT icon = (style & wxICON_INFORMATION) ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
    ::MessageBoxW(parent ? parent->GetHWND() : nullptr, text.wc_str(), caption.wc_str(),
                  MB_OK | icon);
    return wxID_OK;
}
