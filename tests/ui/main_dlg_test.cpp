// The main dialog driven through its controls, with the real conversion core.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>

#include "core/conversion_state.h"
#include "core/name_rules.h"
#include "gui_test_support.h"
#include "platform/thread.h"
#include "ui/control_ids.h"
#include "ui/main_dlg.h"

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
    Click(IDC_CONVERT);
    EXPECT_TRUE(JobControlsEnabled(false));

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

    const fs::path chosen = m_dir / "sub" / (kGruesse + ".png");
    fs::create_directories(chosen.parent_path());
    WriteAll(chosen, "png");
    wxTEST_DIALOG(Click(IDC_BROWSE),
                  wxExpectModal<wxFileDialog>(wxString::FromUTF8(chosen.string())));
    EXPECT_EQ(Text(IDC_INPUT_PATH), chosen.string());
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), kGruesse + ".h");
    EXPECT_EQ(fs::current_path(), chosen.parent_path());  // a bare output name lands beside it
}

TEST_F(MainDlgTest, ClosingMidConversionStopsThePoll) {
    GateWorkers();
    WriteAll("c.bin", "data");
    m_dlg->CallAfter([this] {
        Fill((m_dir / "c.bin").string(), "CCFile", "c.h");
        Click(IDC_CONVERT);
        m_dlg->CallAfter([this] { m_dlg->Close(); });  // the close box
    });
    const ModalAllowed allow(m_dlg);
    EXPECT_EQ(m_dlg->ShowModal(), wxID_CANCEL);
    EXPECT_FALSE(core::TheConversionState().IsDone());

    // The abandoned worker may finish now; the closed window reports nothing.
    g_gateOpen = true;
    EXPECT_TRUE(PumpUntil([] { return core::TheConversionState().IsDone(); }));
    PumpFor(150ms);
}
