// The main dialog's window chores on Windows: the About command at the end
// of the system menu, and the program icon painted and dragged while the
// window is minimised.
#include <iterator>

#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/msw/wrapwin.h>

#include "ui/control_ids.h"
#include "ui/main_dlg.h"

namespace {

constexpr UINT kAboutTextId = 101;

}  // namespace

// Choosing the item sends the dialog a menu event with its id, which the
// dialog binds like any other About command.
void CMainDlg::AddAboutToSystemMenu() {
    wxMenu* systemMenu = MSWGetSystemMenu();
    wchar_t text[64] = L"";
    if (!systemMenu ||
        ::LoadStringW(::GetModuleHandleW(nullptr), kAboutTextId, text, std::size(text)) <= 0)
        return;
    systemMenu->AppendSeparator();
    systemMenu->Append(IDM_ABOUTBOX, text);
}

// While minimised, the icon centred on the client area, over the background
// the system paints there; otherwise the dialog paints as usual.
void CMainDlg::OnPaint(wxPaintEvent& event) {
    if (!IsIconized()) {
        event.Skip();
        return;
    }
    wxPaintDC dc(this);
    ::SendMessageW(GetHWND(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetHDC()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(GetHWND(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc.GetHDC(), x, y, OnQueryDragIcon());
}

// The cursor the system shows while the minimised window is dragged.
WXHICON CMainDlg::OnQueryDragIcon() const {
    const wxSize size(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    return m_icons.GetIcon(size, wxIconBundle::FALLBACK_NEAREST_LARGER).GetHICON();
}

WXLRESULT CMainDlg::MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) {
    if (message == WM_QUERYDRAGICON) return reinterpret_cast<WXLRESULT>(OnQueryDragIcon());
    return wxDialog::MSWWindowProc(message, wParam, lParam);
}
