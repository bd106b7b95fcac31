#include "ui/main_dlg.h"

#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>

#include <wx/accel.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/convert_thread.h"
#include "core/job_check.h"
#include "core/name_rules.h"
#include "core/outcome.h"
#include "platform/output_file.h"
#include "res/strings.h"
#include "ui/about_dlg.h"
#include "ui/app_icons.h"
#include "ui/control_ids.h"
#include "ui/file_drop_target.h"
#include "ui/message_box.h"
#include "ui/toolkit.h"

namespace {

constexpr int kPollMilliseconds = 50;

wxPoint Dlu(wxWindow* window, int x, int y) { return wxDLG_UNIT(window, wxPoint(x, y)); }
wxSize DluSize(wxWindow* window, int w, int h) { return wxDLG_UNIT(window, wxSize(w, h)); }

// Binds a text field to a text member. Unlike wxTextValidator it fills the
// field with ChangeValue: text put there by the dialog raises no text event,
// so only the user's own edits of the input path propose names.
class TextExchange : public wxValidator {
public:
    explicit TextExchange(wxString* text) : m_text(text) {}
    wxObject* Clone() const override { return new TextExchange(m_text); }

    bool TransferToWindow() override {
        Field()->ChangeValue(*m_text);
        return true;
    }
    bool TransferFromWindow() override {
        *m_text = Field()->GetValue();
        return true;
    }
    bool Validate(wxWindow*) override { return true; }  // any text goes

private:
    wxTextCtrl* Field() const { return static_cast<wxTextCtrl*>(GetWindow()); }

    wxString* m_text;
};

wxString MessageOf(core::Outcome outcome) {
    const std::string_view text = core::MessageText(outcome);
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

CMainDlg::CMainDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, res::kAppTitle, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxDIALOG_NO_PARENT),
      m_icons(AppIcons()),
      m_pollTimer(this) {
    CreateControls();
    SetIcons(m_icons);

    // The About command: F1, and a context menu in place of the system menu
    // that most toolkits keep to the window manager.
    wxAcceleratorEntry aboutKey(wxACCEL_NORMAL, WXK_F1, IDM_ABOUTBOX);
    SetAcceleratorTable(wxAcceleratorTable(1, &aboutKey));

    Bind(wxEVT_INIT_DIALOG, &CMainDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &CMainDlg::OnConvert, this, IDC_CONVERT);
    Bind(wxEVT_BUTTON, &CMainDlg::OnBrowse, this, IDC_BROWSE);
    Bind(wxEVT_TEXT, &CMainDlg::OnInputPathUpdate, this, IDC_INPUT_PATH);
    Bind(wxEVT_TEXT_ENTER, &CMainDlg::OnTextEnter, this);
    Bind(wxEVT_TIMER, &CMainDlg::OnTimer, this, m_pollTimer.GetId());
    Bind(wxEVT_CONTEXT_MENU, &CMainDlg::OnContextMenu, this);
    Bind(wxEVT_CHAR_HOOK, &CMainDlg::OnCharHook, this);
    Bind(wxEVT_MENU, &CMainDlg::OnSysCommand, this, IDM_ABOUTBOX);
    Bind(wxEVT_PAINT, &CMainDlg::OnPaint, this);
    Bind(wxEVT_DESTROY, &CMainDlg::OnDestroy, this);

    // A file dropped on the window or on the input path is taken as if chosen
    // with Browse; the field's own text drop would insert the URI instead.
    const auto accepting = [this] { return AcceptsFiles(); };
    const auto open = [this](const std::string& path) {
        ResetDisplay();
        OpenFile(path);
    };
    SetDropTarget(new CFileDropTarget(accepting, open));
    m_inputPathField->SetDropTarget(new CFileDropTarget(accepting, open));

    Centre();
}

// wxWidgets sends the destroy event from the base class's destructor, when
// this class's members are gone; sent from here, OnDestroy still finds them.
CMainDlg::~CMainDlg() { SendDestroyEvent(); }

// Positions and sizes in dialog units; creation order is the tab order.
void CMainDlg::CreateControls() {
    toolkit::UseDialogFont(this);
    SetClientSize(DluSize(this, 216, 105));
    const long editStyle = wxTE_PROCESS_ENTER;

    m_exitButton =
        new wxButton(this, wxID_CANCEL, res::kExit, Dlu(this, 159, 84), DluSize(this, 50, 14));
    m_inputPathField =
        new wxTextCtrl(this, IDC_INPUT_PATH, wxString(), Dlu(this, 7, 17), DluSize(this, 149, 14),
                       editStyle, TextExchange(&m_inputPath));
    m_browseButton =
        new wxButton(this, IDC_BROWSE, res::kBrowse, Dlu(this, 159, 17), DluSize(this, 50, 14));
    m_classNameField = new wxTextCtrl(this, IDC_CLASS_NAME, wxString(), Dlu(this, 7, 44),
                                      DluSize(this, 97, 14), editStyle, TextExchange(&m_className));
    // Labels take the width their font needs rather than clip.
    new wxStaticText(this, wxID_STATIC, res::kInputLabel, Dlu(this, 7, 7));
    new wxStaticText(this, wxID_STATIC, res::kClassLabel, Dlu(this, 7, 34));
    m_convertButton =
        new wxButton(this, IDC_CONVERT, res::kConvert, Dlu(this, 7, 84), DluSize(this, 50, 14));
    m_progress = new wxGauge(this, IDC_PROGRESS, 100, Dlu(this, 7, 63), DluSize(this, 202, 14),
                             wxGA_HORIZONTAL | wxGA_SMOOTH);
    toolkit::FillHeight(m_progress);
    m_outputNameField =
        new wxTextCtrl(this, IDC_OUTPUT_NAME, wxString(), Dlu(this, 110, 44), DluSize(this, 99, 14),
                       editStyle, TextExchange(&m_outputName));
    new wxStaticText(this, wxID_STATIC, res::kOutputLabel, Dlu(this, 109, 35));
}

void CMainDlg::EndModal(int retCode) {
    AbandonConversion();
    wxDialog::EndModal(retCode);
}

// Also for a window destroyed without ending a modal loop. A child's destroy
// event reaches the dialog too; only its own counts.
void CMainDlg::OnDestroy(wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == this) AbandonConversion();
    event.Skip();
}

// A conversion still running is abandoned: its thread is detached, the state
// it writes is never destroyed, and its header never appears. The window just
// stops looking at it, and drops its output.
void CMainDlg::AbandonConversion() {
    if (m_pollTimer.IsRunning()) platform::RemovePendingOutput();
    m_pollTimer.Stop();
}

void CMainDlg::ResetDisplay() {
    m_progress->SetValue(0);
    SetTitle(res::kAppTitle);
}

void CMainDlg::EnableJobControls(bool enable) {
    // Focus left on a control about to be disabled would leave the keyboard
    // (Esc, F1, Tab) with nowhere to go; Exit stays enabled throughout. The
    // focus goes back afterwards, so that Enter, which dismissed the report,
    // does not press Exit next.
    wxWindow* focus = FindFocus();
    if (!enable && focus && focus->GetParent() == this && focus != m_exitButton) {
        m_focusBeforeJob = focus;
        m_exitButton->SetFocus();
    }
    m_convertButton->Enable(enable);
    m_browseButton->Enable(enable);
    m_inputPathField->Enable(enable);
    m_classNameField->Enable(enable);
    m_outputNameField->Enable(enable);
    if (enable && m_focusBeforeJob) {
        if (focus == m_exitButton) m_focusBeforeJob->SetFocus();
        m_focusBeforeJob = nullptr;
    }
}

// Overwrites both names on every change of the input path; edits made to
// them afterwards last until the path changes again.
void CMainDlg::ProposeNames() {
    TransferDataFromWindow();
    const std::string path = m_inputPathBytes.BytesOf(m_inputPath);
    m_outputNameBytes.Assign(core::DefaultOutputName(path));
    m_classNameBytes.Assign(core::DefaultClassName(path));
    m_outputName = m_outputNameBytes.Shown();
    m_className = m_classNameBytes.Shown();
    TransferDataToWindow();
}

// What confirming a file in the chooser does: the file's full path becomes
// the input, and its folder the working directory, so that a bare output
// name is created beside it.
void CMainDlg::OpenFile(const std::string& path) {
    std::error_code ignored;  // a folder that cannot be entered only leaves the old one
    std::filesystem::current_path(std::filesystem::path(path).parent_path(), ignored);
    m_inputPathBytes.Assign(path);
    m_inputPath = m_inputPathBytes.Shown();
    TransferDataToWindow();
    ProposeNames();
}

// Files are taken exactly when Browse could be pressed: not while converting.
bool CMainDlg::AcceptsFiles() const { return m_browseButton->IsEnabled(); }

void CMainDlg::ShowNotice(const wxString& message) {
    ShowMessageBox(this, message, toolkit::ProgramTitle(), wxICON_EXCLAMATION);
}

void CMainDlg::OnInitDialog(wxInitDialogEvent& event) {
    event.Skip();              // lets wxWidgets fill the fields
    m_exitButton->SetFocus();  // the first tab stop, as a new dialog should start
#ifdef __WXMSW__
    AddAboutToSystemMenu();
#endif
}

void CMainDlg::OnInputPathUpdate(wxCommandEvent&) { ProposeNames(); }

void CMainDlg::OnBrowse(wxCommandEvent&) {
    ResetDisplay();
    // The filter's pattern is the one that matches every file here: "*.*"
    // read literally would hide names without a dot, such as Makefile.
    const wxString filter = wxString(res::kFileFilterLabel) + "|" + wxALL_FILES_PATTERN;
    wxFileDialog chooser(nullptr, res::kChooserTitle, wxString(), wxString(), filter, wxFD_OPEN);
    if (chooser.ShowModal() != wxID_OK) return;

    // The chooser's own path, never its shown folder joined with a name:
    // a path typed into it or picked from its recent files lies elsewhere.
    std::string path = toolkit::ChosenFile(chooser);
    if (path.empty()) path = chooser.GetPath().utf8_string();
    if (path.empty())
        path =
            wxFileName(chooser.GetDirectory(), chooser.GetFilename()).GetFullPath().utf8_string();
    OpenFile(path);
}

void CMainDlg::OnConvert(wxCommandEvent&) {
    TransferDataFromWindow();
    ResetDisplay();

    const std::string input = m_inputPathBytes.BytesOf(m_inputPath);
    const std::string className = m_classNameBytes.BytesOf(m_className);
    const std::string output = m_outputNameBytes.BytesOf(m_outputName);
    const core::JobCheck check = core::CheckJob(input, className, output);
    if (!check.Ok()) {
        ShowNotice(MessageOf(check.outcome));
        return;
    }

    EnableJobControls(false);
    if (!core::StartConversion({input, className, output, check.inputLength})) {
        ShowNotice(MessageOf(core::Outcome::NotStarted));
        EnableJobControls(true);
        return;
    }
    m_pollTimer.Start(kPollMilliseconds);
}

// Enter in an edit field is the dialog's OK, which closes it.
void CMainDlg::OnTextEnter(wxCommandEvent&) {
    wxCommandEvent ok(wxEVT_BUTTON, GetAffirmativeId());
    ok.SetEventObject(this);
    ProcessWindowEvent(ok);
}

void CMainDlg::ShowAboutMenu(const wxPoint& at, bool fromKeyboard) {
    wxMenu menu;
    menu.Append(IDM_ABOUTBOX, res::kAboutCommand);
    // Opened from the keyboard, Enter alone should choose the one command.
    if (fromKeyboard) toolkit::SelectFirstItemOnOpen(&menu);
    PopupMenu(&menu, at);
}

void CMainDlg::OnContextMenu(wxContextMenuEvent& event) {
    const wxObject* source = event.GetEventObject();
    if (source && source->IsKindOf(wxCLASSINFO(wxTextCtrl))) {
        event.Skip();  // the edit fields keep their own cut-and-paste menu
        return;
    }
    const wxPoint at = event.GetPosition();
    // The toolkit reports a menu asked for from the keyboard without a position.
    const bool fromKeyboard = at == wxDefaultPosition;
    ShowAboutMenu(fromKeyboard ? at : ScreenToClient(at), fromKeyboard);
}

// GTK gives the Menu key and Shift+F10 to the edit fields only, so the
// dialog opens its menu for them itself, below the focused control.
void CMainDlg::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool menuKey = key == WXK_MENU || (key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT);
    wxWindow* focus = FindFocus();
    if (!menuKey || !focus || focus->GetParent() != this ||
        focus->IsKindOf(wxCLASSINFO(wxTextCtrl))) {
        event.Skip();
        return;
    }
    ShowAboutMenu(focus->GetRect().GetBottomLeft(), true);
}

void CMainDlg::OnSysCommand(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

#ifndef __WXMSW__
// Where the toolkit lets the program paint its minimised window, show the
// icon centred on it (Windows does it in main_dlg_msw.cpp).
void CMainDlg::OnPaint(wxPaintEvent& event) {
    if (!IsIconized()) {
        event.Skip();
        return;
    }
    wxPaintDC dc(this);
    dc.Clear();
    const wxSize iconSize(wxSystemSettings::GetMetric(wxSYS_ICON_X, this),
                          wxSystemSettings::GetMetric(wxSYS_ICON_Y, this));
    const wxIcon icon = m_icons.GetIcon(iconSize, wxIconBundle::FALLBACK_NEAREST_LARGER);
    const wxSize client = GetClientSize();
    dc.DrawIcon(icon, (client.x - icon.GetWidth() + 1) / 2, (client.y - icon.GetHeight() + 1) / 2);
}
#endif
