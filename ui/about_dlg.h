// The About box: version, notice and how to use a generated header.
#pragma once

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
