// The application object: runs the main dialog and ends with it.
#include <wx/app.h>

#include "res/version.h"
#include "ui/main_dlg.h"

class CMainApp : public wxApp {
public:
    // The base class would parse the command line, which the program ignores.
    bool OnInit() override {
        SetAppName(res::version::kInternalName);
        return true;
    }

    // Returning from here rather than failing OnInit is what makes the exit
    // status 0.
    int OnRun() override {
        CMainDlg dialog;
        SetTopWindow(&dialog);
        dialog.ShowModal();
        return 0;
    }
};

wxIMPLEMENT_APP(CMainApp);
