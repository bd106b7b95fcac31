// The 50 ms poll of a running conversion and the report of its end: applies
// what core::TakeProgressReport decided.
#include <wx/gauge.h>

#include "core/progress_report.h"
#include "ui/byte_text.h"
#include "ui/main_dlg.h"
#include "ui/message_box.h"

void CMainDlg::OnTimer(wxTimerEvent&) {
    const core::ProgressReport report = core::TakeProgressReport(core::TheConversionState());
    if (report.done) {
        // Stopped before any box appears: a box's own loop must not run a tick.
        m_pollTimer.Stop();
        EnableJobControls(true);
    }
    m_progress->SetValue(report.barPosition);
    // Title and box name the input by its bytes, which need not be UTF-8.
    if (report.title) SetTitle(ShowBytes(*report.title));
    if (report.box) {
        const long icon = report.box->IsFailure() ? wxICON_EXCLAMATION : wxICON_INFORMATION;
        ShowMessageBox(this, ShowBytes(report.box->text), ShowBytes(report.box->caption), icon);
    }
}
