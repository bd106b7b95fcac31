// The main dialog driven through its controls, with the real conversion core.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

#include "core/conversion_state.h"
#include "core/name_rules.h"
#include "platform/system_calls.h"
#include "platform/thread.h"
#include "ui/byte_text.h"
#include "ui/control_ids.h"
#include "ui/file_drop_target.h"
#include "ui/main_dlg.h"
#include "window_test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kGruesse =
    "Gr\xC3\xBC\xC3\x9F"
    "e";  // a non-ASCII name

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Workers wait at this gate until a test opens it, so that the test can act
// while a conversion is known to be running. Static: a waiting thread may
// outlive the test that started it.
std::atomic<bool> g_gateOpen{true};
std::atomic<int> g_started{0};

void GateWorkers() {
    g_gateOpen = false;
    g_started = 0;
    platform::SetThreadStarterForTesting([](platform::ThreadProc proc, void* param) {
        ++g_started;
        std::thread([proc, param] {
            while (!g_gateOpen) std::this_thread::sleep_for(1ms);
            proc(param);
        }).detach();
        return true;
    });
}

// Confirms `path` in the file chooser while the chooser shows `shownFolder`,
// as when a path is typed into its location bar or taken from its recent
// files. Checks on the way that the chooser has the title of the system's
// own and that the one filter lists every file.
class ChooseFile : public wxExpectModalBase<wxFileDialog, ChooseFile> {
public:
    ChooseFile(std::string path, std::string shownFolder)
        : m_path(std::move(path)), m_shownFolder(std::move(shownFolder)) {}

protected:
    int OnInvoked(wxFileDialog* chooser) const override {
        EXPECT_EQ(chooser->GetMessage(), "Open");
        const wxArrayString filter = wxStringTokenize(chooser->GetWildcard(), "|");
        EXPECT_EQ(filter.size(), 2u);
        if (filter.size() == 2) {
            EXPECT_EQ(filter[0], "All files (*.*)");
            for (const char* name : {"Makefile", "logo.png", ".hidden"})
                EXPECT_TRUE(wxMatchWild(filter[1], name, false)) << name;
        }
        chooser->SetPath(wxString::FromUTF8(m_path));
        // The toolkit selects a file in another folder once it has read it.
        EXPECT_TRUE(PumpUntil([chooser] { return !chooser->GetPath().empty(); }));
        chooser->wxFileDialogBase::SetDirectory(wxString::FromUTF8(m_shownFolder));
        return wxID_OK;
    }

    wxString GetDefaultDescription() const override { return "file chooser"; }

private:
    std::string m_path;
    std::string m_shownFolder;
};

class MainDlgTest : public testing::Test {
protected:
    void SetUp() override {
        m_home = fs::current_path();
        m_dir = fs::temp_directory_path() / ("hexcrate-ui-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        fs::current_path(m_dir);
        m_dlg = new CMainDlg();
    }

    void TearDown() override {
        g_gateOpen = true;
        // No worker may outlive its test: the next one shares the state.
        EXPECT_TRUE(PumpUntil([] { return core::TheConversionState().IsDone(); }));
        platform::SetThreadStarterForTesting({});
        delete m_dlg;
        fs::current_path(m_home);
        fs::remove_all(m_dir);
    }

    wxTextCtrl* Field(int id) const { return wxStaticCast(m_dlg->FindWindow(id), wxTextCtrl); }
    std::string Text(int id) const { return Field(id)->GetValue().utf8_string(); }
    std::string Title() const { return m_dlg->GetTitle().utf8_string(); }
    int Bar() const { return wxStaticCast(m_dlg->FindWindow(IDC_PROGRESS), wxGauge)->GetValue(); }

    void Click(int id) {
        wxWindow* button = m_dlg->FindWindow(id);
        ASSERT_TRUE(button->IsEnabled());
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
    }

    void Fill(const std::string& input, const std::string& cls, const std::string& output) {
        Field(IDC_INPUT_PATH)->ChangeValue(wxString::FromUTF8(input));
        Field(IDC_CLASS_NAME)->ChangeValue(wxString::FromUTF8(cls));
        Field(IDC_OUTPUT_NAME)->ChangeValue(wxString::FromUTF8(output));
    }

    bool JobControlsEnabled(bool enabled) const {
        for (int id : {IDC_CONVERT, IDC_BROWSE, IDC_INPUT_PATH, IDC_CLASS_NAME, IDC_OUTPUT_NAME})
            if (m_dlg->FindWindow(id)->IsEnabled() != enabled) return false;
        return m_dlg->FindWindow(wxID_CANCEL)->IsEnabled();
    }

    void ConvertAndExpect(const ExpectMessage& report) {
        wxTEST_DIALOG(
            {
                Click(IDC_CONVERT);
                EXPECT_TRUE(PumpUntil([this] { return JobControlsEnabled(true); }));
            },
            report);
    }

    void OpenGateAndExpect(const ExpectMessage& report) {
        wxTEST_DIALOG(
            {
                g_gateOpen = true;
                EXPECT_TRUE(PumpUntil([this] { return JobControlsEnabled(true); }));
            },
            report);
    }

    fs::path m_home;
    fs::path m_dir;
    CMainDlg* m_dlg = nullptr;
};

}  // namespace

TEST_F(MainDlgTest, ProposesNamesAtEveryKeystroke) {
    EXPECT_EQ(Title(), "Hexcrate");
    const wxString path = wxString::FromUTF8("/tmp/" + kGruesse + " Logo.BMP");
    wxTextCtrl* input = Field(IDC_INPUT_PATH);
    for (wxUniChar c : path) {
        input->AppendText(wxString(c));
        const std::string typed = input->GetValue().utf8_string();
        ASSERT_EQ(Text(IDC_CLASS_NAME), core::DefaultClassName(typed)) << typed;
        ASSERT_EQ(Text(IDC_OUTPUT_NAME), core::DefaultOutputName(typed)) << typed;
    }
    EXPECT_EQ(input->GetValue(), path);
    EXPECT_EQ(Text(IDC_CLASS_NAME), "C" + kGruesse + " logoFile");

    // The user's own names last until the input path changes again.
    Field(IDC_CLASS_NAME)->SetValue("CMine");
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CMine");
    input->Clear();
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CFile");
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), ".h");
}

TEST_F(MainDlgTest, ConvertRefusesInOrderAndStartsNothing) {
    GateWorkers();
    WriteAll("in.bin", "abc");
    const std::string missing = (m_dir / "missing.bin").string();
    const std::string cases[][4] = {
        {"", "CInFile", "in.h", "Please select a file"},
        {missing, "", "in.h", "Please specify a classname"},
        {"in.bin", "CInFile", "in.bin", "Please specify an(other) output filename"},
        {missing, "CInFile", "in.h", "Input file not found."},
    };
    for (const auto& [input, cls, output, message] : cases) {
        Fill(input, cls, output);
        m_dlg->SetTitle("42% Hexcrate - old.bin");
        wxTEST_DIALOG(Click(IDC_CONVERT), ExpectMessage(message, "Hexcrate", wxICON_EXCLAMATION));
        EXPECT_EQ(Title(), "Hexcrate");
        EXPECT_TRUE(JobControlsEnabled(true));
    }
    EXPECT_EQ(g_started, 0);
    EXPECT_TRUE(core::TheConversionState().IsDone());
}

TEST_F(MainDlgTest, FollowsAConversionToItsReport) {
    GateWorkers();
    const fs::path input = m_dir / (kGruesse + ".bin");
    WriteAll(input, std::string(100, 'x'));
    Field(IDC_INPUT_PATH)->SetValue(wxString::FromUTF8(input.string()));
    m_dlg->FindWindow(IDC_CONVERT)->SetFocus();
    Click(IDC_CONVERT);
    EXPECT_TRUE(JobControlsEnabled(false));
    EXPECT_EQ(wxWindow::FindFocus(), m_dlg->FindWindow(wxID_CANCEL));

    // Beyond 100 when the input grew: the title says so, the bar stays full.
    core::ConversionState& state = core::TheConversionState();
    state.SetDisplayName("x.bin");
    state.SetByteCount(150);
    EXPECT_TRUE(PumpUntil([this] { return Title() == "150% Hexcrate - x.bin"; }, 2s)) << Title();
    EXPECT_EQ(Bar(), 100);

    OpenGateAndExpect(ExpectMessage("Conversion of file " + input.string() + " completed.",
                                    "Conversion complete.", wxICON_INFORMATION));
    EXPECT_EQ(Title(), "100% Hexcrate - " + kGruesse + ".bin");
    EXPECT_EQ(Bar(), 100);
    EXPECT_TRUE(fs::exists(m_dir / (kGruesse + ".h")));

    // Unchanged fields now name a header that exists.
    wxTEST_DIALOG(Click(IDC_CONVERT), ExpectMessage("Please specify an(other) output filename",
                                                    "Hexcrate", wxICON_EXCLAMATION));
}

TEST_F(MainDlgTest, FailedConversionReportsWhyAndKeepsTheTitle) {
    GateWorkers();
    const fs::path input = m_dir / "a.bin";
    WriteAll(input, "data");
    Fill(input.string(), "CAFile", "a.h");
    Click(IDC_CONVERT);
    PumpFor(120ms);
    const std::string titleWhileRunning = Title();
    WriteAll("a.h", "taken between the check and the worker");

    OpenGateAndExpect(ExpectMessage("Output file already created.",
                                    "Can't convert " + input.string() + ".", wxICON_EXCLAMATION));
    EXPECT_EQ(Title(), titleWhileRunning);
    EXPECT_EQ(Bar(), 100);
    EXPECT_EQ(core::TheConversionState().ErrorText(), "");
}

TEST_F(MainDlgTest, WorkerThatCannotStartIsReportedAndNothingPolls) {
    platform::SetThreadStarterForTesting([](platform::ThreadProc, void*) { return false; });
    WriteAll("b.bin", "data");
    Fill("b.bin", "CBFile", "b.h");
    wxTEST_DIALOG(Click(IDC_CONVERT), ExpectMessage("Conversion could not be started.", "Hexcrate",
                                                    wxICON_EXCLAMATION));
    EXPECT_TRUE(JobControlsEnabled(true));

    // An armed poll would now show progress or report a success.
    PumpFor(200ms);
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_TRUE(core::TheConversionState().IsDone());
}

TEST_F(MainDlgTest, BrowseFillsThePathOrOnlyResetsTheDisplay) {
    m_dlg->SetTitle("50% Hexcrate - x.bin");
    Fill("kept", "CKept", "kept.h");
    wxTEST_DIALOG(Click(IDC_BROWSE), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_EQ(Text(IDC_INPUT_PATH) + Text(IDC_CLASS_NAME), "keptCKept");

    // The chooser shows one folder while the confirmed file lies in another;
    // a name without a dot is listed and taken like any other.
    for (const std::string& name : {kGruesse + ".png", std::string("Makefile")}) {
        const fs::path chosen = m_dir / "sub" / name;
        fs::create_directories(chosen.parent_path());
        WriteAll(chosen, "data");
        wxTEST_DIALOG(Click(IDC_BROWSE), ChooseFile(chosen.string(), m_dir.string()));
        EXPECT_EQ(Text(IDC_INPUT_PATH), chosen.string());
        EXPECT_EQ(Text(IDC_CLASS_NAME), core::DefaultClassName(name));
        EXPECT_EQ(Text(IDC_OUTPUT_NAME), core::DefaultOutputName(name));
        EXPECT_EQ(fs::current_path(), chosen.parent_path());  // a bare output name lands beside it
        fs::current_path(m_dir);
    }
}

TEST_F(MainDlgTest, DroppedFileIsTakenAsIfChosen) {
    GateWorkers();
    const fs::path file = m_dir / "sub" / "x y.bin";
    fs::create_directories(file.parent_path());
    WriteAll(file, "data");
    const std::string uri = "file://" + (m_dir / "sub").string() + "/x%20y.bin";
    auto* onDialog = dynamic_cast<CFileDropTarget*>(m_dlg->GetDropTarget());
    auto* onField = dynamic_cast<CFileDropTarget*>(Field(IDC_INPUT_PATH)->GetDropTarget());
    ASSERT_TRUE(onDialog && onField);

    // Several files: the first one.
    m_dlg->SetTitle("42% Hexcrate - old.bin");
    EXPECT_EQ(onField->DropUriList("# from a file manager\r\n" + uri + "\r\nfile:///etc/hosts\r\n"),
              wxDragCopy);
    EXPECT_EQ(Text(IDC_INPUT_PATH), file.string());
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CX yFile");
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_EQ(fs::current_path(), file.parent_path());

    // Text, remote files and drops while a conversion runs change nothing.
    Fill("kept", "CKept", "kept.h");
    for (const char* other : {"just some text", "http://example.org/a.bin", "file://far/a.bin"})
        EXPECT_EQ(onDialog->DropUriList(other), wxDragNone) << other;
    EXPECT_EQ(Text(IDC_INPUT_PATH) + Text(IDC_CLASS_NAME), "keptCKept");

    Fill(file.string(), "CXFile", "x.h");
    Click(IDC_CONVERT);
    EXPECT_EQ(onDialog->OnDragOver(0, 0, wxDragCopy), wxDragNone);
    EXPECT_EQ(onDialog->DropUriList(uri), wxDragNone);
    EXPECT_EQ(Text(IDC_INPUT_PATH), file.string());
    OpenGateAndExpect(ExpectMessage("Conversion of file " + file.string() + " completed.",
                                    "Conversion complete.", wxICON_INFORMATION));
    EXPECT_EQ(onDialog->OnDragOver(0, 0, wxDragMove), wxDragCopy);
}

// A name in another encoding than UTF-8 is shown with replacement marks but
// converted, and named in the header, with its own bytes.
TEST_F(MainDlgTest, FileNameThatIsNotUtf8IsConvertedUnderItsOwnBytes) {
    const std::string latin1 = "caf\xE9";
    const fs::path file = m_dir / (latin1 + ".bin");
    WriteAll(file, "abc");
    ASSERT_EQ(dynamic_cast<CFileDropTarget*>(m_dlg->GetDropTarget())
                  ->DropUriList("file://" + m_dir.string() + "/caf%E9.bin"),
              wxDragCopy);
    const std::string shown = "caf\xEF\xBF\xBD";  // U+FFFD in UTF-8
    EXPECT_EQ(Text(IDC_INPUT_PATH), m_dir.string() + "/" + shown + ".bin");
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CCaf" + shown.substr(3) + "File");

    ConvertAndExpect(ExpectMessage("Conversion of file " + Text(IDC_INPUT_PATH) + " completed.",
                                   "Conversion complete.", wxICON_INFORMATION));
    EXPECT_EQ(Title(), "100% Hexcrate - " + shown + ".bin");
    std::ifstream header(m_dir / (latin1 + ".h"), std::ios::binary);
    std::ostringstream bytes;
    bytes << header.rdbuf();
    const std::string text = bytes.str();
    EXPECT_NE(text.find("CCaf\xE9"
                        "File"),
              std::string::npos);
    EXPECT_NE(text.find(latin1 + ".bin"), std::string::npos);

    // Text the user types is UTF-8, whatever was dropped before.
    Field(IDC_OUTPUT_NAME)->SetValue(wxString::FromUTF8("caf\u00E9.h"));
    ConvertAndExpect(ExpectMessage("Conversion of file " + Text(IDC_INPUT_PATH) + " completed.",
                                   "Conversion complete.", wxICON_INFORMATION));
    EXPECT_TRUE(fs::exists(m_dir / "caf\u00E9.h"));
}

TEST(FileDropTest, TakesTheFirstLocalFileOfAUriList) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"file:///tmp/a%20b.bin\r\nfile:///tmp/c.bin\r\n", "/tmp/a b.bin"},
        {"#comment\r\n\r\nfile://localhost/tmp/x", "/tmp/x"},
        {"FILE:/tmp/caf%e9", "/tmp/caf\xE9"},
        {"file:///tmp/no-crlf", "/tmp/no-crlf"},
        {"http://example.org/a.bin\r\nfile:///tmp/b.bin", std::nullopt},
        {"file://elsewhere/tmp/a.bin", std::nullopt},
        {"file:///tmp/a%2", std::nullopt},
        {"file:///tmp/a%zz", std::nullopt},
        {"file:///tmp/a%00b", std::nullopt},
        {"file:relative", std::nullopt},
        {"/tmp/a.bin", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [list, path] : cases) EXPECT_EQ(FirstLocalFile(list), path) << list;
}

TEST(ByteTextTest, ShowsWhatIsNotUtf8AsReplacementMarks) {
    const std::pair<std::string, std::string> cases[] = {
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xF0\x9F\x98\x80",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xF0\x9F\x98\x80"},
        {"caf\xE9.bin", "caf\uFFFD.bin"},
        {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong '/'
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"a\xE2\x82", "a\uFFFD\uFFFD"},                    // cut short
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(ShowBytes(bytes).utf8_string(), shown) << bytes;

    ByteText text;
    text.Assign("caf\xE9");
    EXPECT_EQ(text.BytesOf(text.Shown()), "caf\xE9");
    EXPECT_EQ(text.BytesOf(wxString::FromUTF8("caf\u00E9")), "caf\xC3\xA9");
}

// Holds every write to an output file until the gate opens: the worker has
// created its output and waits in the middle of the header.
std::atomic<bool> g_writeHeld{false};

class HoldWrites {
public:
    HoldWrites() : m_saved(platform::Sys()) {
        g_gateOpen = false;
        g_writeHeld = false;
        platform::Sys().write = [](int fd, const void* data, size_t size) {
            g_writeHeld = true;
            while (!g_gateOpen) std::this_thread::sleep_for(1ms);
            return ::write(fd, data, size);
        };
    }
    ~HoldWrites() { platform::Sys() = m_saved; }
    HoldWrites(const HoldWrites&) = delete;
    HoldWrites& operator=(const HoldWrites&) = delete;

private:
    platform::SystemCalls m_saved;
};

// Closing the window, or destroying it without a modal loop, abandons a
// running conversion: the poll stops, nothing is reported, and the header
// never appears, even when the worker finishes later.
TEST_F(MainDlgTest, ClosingMidConversionAbandonsIt) {
    WriteAll("c.bin", "data");
    const auto finish = [] {
        g_gateOpen = true;
        EXPECT_TRUE(PumpUntil([] { return core::TheConversionState().IsDone(); }));
        PumpFor(150ms);
    };
    {
        const HoldWrites hold;
        m_dlg->CallAfter([this] {
            Fill((m_dir / "c.bin").string(), "CCFile", "c.h");
            Click(IDC_CONVERT);
            EXPECT_TRUE(PumpUntil([] { return g_writeHeld.load(); }));
            m_dlg->Close();  // the close box
        });
        const ModalAllowed allow(m_dlg);
        EXPECT_EQ(m_dlg->ShowModal(), wxID_CANCEL);
        EXPECT_FALSE(core::TheConversionState().IsDone());
        finish();
    }
    delete m_dlg;
    m_dlg = new CMainDlg();
    {
        const HoldWrites hold;
        Fill((m_dir / "c.bin").string(), "CCFile", "d.h");
        Click(IDC_CONVERT);
        EXPECT_TRUE(PumpUntil([] { return g_writeHeld.load(); }));
        delete m_dlg;
        m_dlg = nullptr;
        finish();
    }
    EXPECT_FALSE(fs::exists("c.h"));
    EXPECT_FALSE(fs::exists("d.h"));
}
