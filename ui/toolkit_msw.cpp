// What the window asks of the toolkit, on Windows: the dialog font; the
// native controls need none of the other extra calls.
#include <wx/font.h>
#include <wx/window.h>

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

}  // namespace toolkit
