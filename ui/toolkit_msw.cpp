// What the window asks of the toolkit, on Windows: the dialog font and the
// program's title; the native controls need none of the other extra calls.
#include <wx/msw/wrapwin.h>

#include <string>

#include <wx/font.h>
#include <wx/window.h>

#include "res/strings.h"
#include "ui/toolkit.h"

namespace toolkit {

std::string ChosenFile(const wxFileDialog&) { return {}; }

void FillHeight(wxGauge*) {}

// The system substitutes its current sans serif for the name where the
// old bitmap font is gone, at the same size.
void UseDialogFont(wxWindow* dialog) {
    dialog->SetFont(wxFont(wxFontInfo(8).FaceName("MS Sans Serif")));
}

void SelectFirstItemOnOpen(wxMenu*) {}

// The program file's own name as the file system spells it, whatever the
// command line that started it said.
wxString ProgramTitle() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return res::kAppTitle;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // cut short: a longer path
    }
    const std::wstring::size_type folder = path.find_last_of(L"\\/");
    std::wstring name = path.substr(folder == std::wstring::npos ? 0 : folder + 1);
    const std::wstring::size_type dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    return name.empty() ? wxString(res::kAppTitle) : wxString(name);
}

}  // namespace toolkit
