// The one way the window shows a message box, so that every box gets the
// icon its style names and each platform can use the box that draws it.
#pragma once

#include <wx/string.h>

class wxWindow;

// A modal box with `text`, `caption`, an OK button and the icon in `style`
// (wxICON_EXCLAMATION or wxICON_INFORMATION). Returns the button pressed.
// The box is at least as wide as its caption needs, within the screen, so
// that a window manager does not cut a long caption short.
int ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style);
