// The few things the window needs from the toolkit beneath wxWidgets that
// wxWidgets itself does not offer. Elsewhere they do nothing.
#pragma once

#include <string>

#include <wx/string.h>

class wxFileDialog;
class wxGauge;
class wxMenu;
class wxWindow;

namespace toolkit {

// The confirmed file's full path as the file system spells it, which need
// not be UTF-8; empty if the toolkit cannot tell.
std::string ChosenFile(const wxFileDialog& chooser);

// Makes the bar fill the height it was given, border included, instead of
// drawing a thin trough along its bottom edge.
void FillHeight(wxGauge* bar);

// Gives a dialog the font its layout in dialog units is drawn for, where
// the toolkit has it (Windows: MS Sans Serif at 8 points); before any
// control is created, so that they inherit it and the units follow it.
void UseDialogFont(wxWindow* dialog);

// Selects the first item of a menu as it opens, so that Enter chooses it.
void SelectFirstItemOnOpen(wxMenu* menu);

// The caption of the dialog's own notices. Windows programs take it from
// their file's name without the extension, so it follows a renamed program
// (Hexcrate.exe: "Hexcrate"); elsewhere it is "Hexcrate".
wxString ProgramTitle();

}  // namespace toolkit
