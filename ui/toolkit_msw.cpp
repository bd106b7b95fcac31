// Windows does natively what the toolkit functions adjust elsewhere.
#include "ui/toolkit.h"

#include <wx/filedlg.h>

namespace toolkit {

// File names are UTF-16 on Windows, so the chooser's text is the name.
std::string ChosenFile(const wxFileDialog& chooser) { return chooser.GetPath().utf8_string(); }

// The native progress bar fills the rectangle it is given.
void FillHeight(wxGauge*) {}

// A menu opened from the keyboard already selects its first item.
void SelectFirstItemOnOpen(wxMenu*) {}

}  // namespace toolkit
