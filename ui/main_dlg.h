// The program's one working window: names the file to convert, the class and
// the output header, starts the conversion and follows it to its end.
#pragma once

#include <string>

#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/timer.h>

#include "ui/byte_text.h"

class wxButton;
class wxGauge;
class wxTextCtrl;

// Handlers are bound in the constructor. The three text fields exchange their
// texts with m_className, m_inputPath and m_outputName through validators:
// TransferDataFromWindow() reads all three, TransferDataToWindow() fills all
// three without text events, so that filling never proposes names.
class CMainDlg : public wxDialog {
public:
    explicit CMainDlg(wxWindow* parent = nullptr);
    ~CMainDlg() override;

    // Every way of closing ends here: Exit, Esc, the close box, Enter. The
    // window is gone for the user from here on, though wxWidgets destroys it
    // only with the object, so a running conversion is abandoned here.
    void EndModal(int retCode) override;

private:
    void CreateControls();
    void ResetDisplay();
    void EnableJobControls(bool enable);
    void ProposeNames();
    void OpenFile(const std::string& path);
    bool AcceptsFiles() const;
    void ShowNotice(const wxString& message);
    void ShowAboutMenu(const wxPoint& at, bool fromKeyboard);
    void AbandonConversion();

    void OnInitDialog(wxInitDialogEvent& event);
    void OnInputPathUpdate(wxCommandEvent& event);
    void OnBrowse(wxCommandEvent& event);
    void OnConvert(wxCommandEvent& event);
    void OnTextEnter(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnSysCommand(wxCommandEvent& event);
    void OnPaint(wxPaintEvent& event);
    void OnDestroy(wxWindowDestroyEvent& event);
#ifdef __WXMSW__
    // Windows' own chores: the About item of the system menu, and the icon
    // a minimised window is dragged by (no wxWidgets event carries it).
    void AddAboutToSystemMenu();
    WXHICON OnQueryDragIcon() const;
    WXLRESULT MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) override;
#endif

    wxButton* m_exitButton = nullptr;
    wxTextCtrl* m_outputNameField = nullptr;
    wxTextCtrl* m_inputPathField = nullptr;
    wxTextCtrl* m_classNameField = nullptr;
    wxButton* m_browseButton = nullptr;
    wxButton* m_convertButton = nullptr;
    wxGauge* m_progress = nullptr;
    wxWindow* m_focusBeforeJob = nullptr;  // where the focus was when a job locked the controls

    wxString m_className;
    wxString m_inputPath;
    wxString m_outputName;
    // The bytes behind texts that came from a file name.
    ByteText m_classNameBytes;
    ByteText m_inputPathBytes;
    ByteText m_outputNameBytes;

    wxIconBundle m_icons;
    wxTimer m_pollTimer;
};
