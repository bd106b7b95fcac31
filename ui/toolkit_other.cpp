// Toolkits whose wxWidgets port needs none of the extra calls.
#include "res/strings.h"
#include "ui/toolkit.h"

namespace toolkit {

std::string ChosenFile(const wxFileDialog&) { return {}; }
void FillHeight(wxGauge*) {}
void UseDialogFont(wxWindow*) {}
void SelectFirstItemOnOpen(wxMenu*) {}
wxString ProgramTitle() { return res::kAppTitle; }

}  // namespace toolkit
