// The 50 ms poll of a running conversion and the report of its end.
#include <algorithm>
#include <string>

#include <wx/gauge.h>
#include <wx/msgdlg.h>

#include "core/conversion_state.h"
#include "res/strings.h"
#include "ui/main_dlg.h"

void CMainDlg::OnTimer(wxTimerEvent&) {
    core::ConversionState& state = core::TheConversionState();
    if (!state.IsDone()) {
        const int percent = core::ProgressPercent(state.byteCount.load(std::memory_order_relaxed),
                                                  state.inputLength);
        // An input that grew since Convert can pass 100; the bar cannot.
        m_progress->SetValue(std::clamp(percent, 0, m_progress->GetRange()));
        SetTitle(wxString::Format("%d", percent) + res::kTitleProgress +
                 wxString::FromUTF8(state.DisplayName()));
        return;
    }

    // Stopped before any box appears: a box's own loop must not run a tick.
    m_pollTimer.Stop();
    m_progress->SetValue(m_progress->GetRange());
    EnableJobControls(true);

    const wxString input = wxString::FromUTF8(state.inputPath);
    const std::string error = state.ErrorText();
    if (!error.empty()) {
        state.SetErrorText("");
        wxMessageBox(wxString::FromUTF8(error),
                     res::kFailureCaptionStart + input + res::kFailureCaptionEnd,
                     wxOK | wxICON_EXCLAMATION, this);
        return;
    }
    SetTitle(wxString("100") + res::kTitleProgress + wxString::FromUTF8(state.DisplayName()));
    wxMessageBox(res::kSuccessTextStart + input + res::kSuccessTextEnd, res::kSuccessCaption,
                 wxOK | wxICON_INFORMATION, this);
}
