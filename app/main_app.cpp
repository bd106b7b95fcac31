// The application object: runs the main dialog and ends with it.
#include <wx/app.h>

#include "platform/signal_cleanup.h"
#include "res/version.h"
#include "ui/main_dlg.h"

class CMainApp : public wxApp {
public:
    // The base class would parse the command line, which the program ignores.
    bool OnInit() override {
        SetAppName(res::version::kInternalName);
        // Told to stop mid-conversion, the window leaves no temporary behind.
        platform::InstallSignalCleanup();
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

#ifdef __WXGTK__
wxIMPLEMENT_APP_NO_MAIN(CMainApp);

// GTK would read its own options (--display, --name, --class,
// --g-fatal-warnings) from the command line; the program takes none, so
// the toolkit sees the program's name alone.
int main(int /*argc*/, char** argv) {
    int count = 1;
    char* programOnly[] = {argv[0], nullptr};
    return wxEntry(count, programOnly);
}
#else
wxIMPLEMENT_APP(CMainApp);
#endif
