// The 50 ms poll of a running conversion and the report of its end: applies
// what core::TakeProgressReport decided.
#include <wx/gauge.h>
#include <wx/msgdlg.h>

#include "core/progress_report.h"
#include "ui/main_dlg.h"

void CMainDlg::OnTimer(wxTimerEvent&) {
    const core::ProgressReport report = core::TakeProgressReport(core::TheConversionState());
    if (report.done) {
        // Stopped before any box appears: a box's own loop must not run a tick.
        m_pollTimer.Stop();
        EnableJobControls(true);
    }
    m_progress->SetValue(report.barPosition);
    if (report.title) SetTitle(wxString::FromUTF8(*report.title));
    if (report.box) {
        const long icon = report.box->IsFailure() ? wxICON_EXCLAMATION : wxICON_INFORMATION;
        wxMessageBox(wxString::FromUTF8(report.box->text), wxString::FromUTF8(report.box->caption),
                     wxOK | icon, this);
    }
}
