// The 50 ms poll of a running conversion and the report of its end.
#include <algorithm>
#include <string>

#include <wx/gauge.h>

#include "core/conversion_state.h"
#include "res/strings.h"
#include "ui/byte_text.h"
#include "ui/main_dlg.h"
#include "ui/message_box.h"

void CMainDlg::OnTimer(wxTimerEvent&) {
    core::ConversionState& state = core::TheConversionState();
    if (!state.IsDone()) {
        const int percent = core::ProgressPercent(state.byteCount.load(std::memory_order_relaxed),
                                                  state.inputLength);
        // An input that grew since Convert can pass 100; the bar cannot.
        m_progress->SetValue(std::clamp(percent, 0, m_progress->GetRange()));
        SetTitle(wxString::Format("%d", percent) + res::kTitleProgress +
                 ShowBytes(state.DisplayName()));
        return;
    }

    // Stopped before any box appears: a box's own loop must not run a tick.
    m_pollTimer.Stop();
    m_progress->SetValue(m_progress->GetRange());
    EnableJobControls(true);

    const wxString input = ShowBytes(state.inputPath);
    const std::string error = state.ErrorText();
    if (!error.empty()) {
        state.SetErrorText("");
        ShowMessageBox(this, wxString::FromUTF8(error),
                       res::kFailureCaptionStart + input + res::kFailureCaptionEnd,
                       wxICON_EXCLAMATION);
        return;
    }
    SetTitle(wxString("100") + res::kTitleProgress + ShowBytes(state.DisplayName()));
    ShowMessageBox(this, res::kSuccessTextStart + input + res::kSuccessTextEnd,
                   res::kSuccessCaption, wxICON_INFORMATION);
}
