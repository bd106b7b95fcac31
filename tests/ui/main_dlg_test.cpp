// The main dialog driven through its controls, with the real conversion core.
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>

#include "core/conversion_state.h"
#include "core/name_rules.h"
#include "gui_test_support.h"
#include "platform/thread.h"
#include "ui/about_dlg.h"
#include "ui/control_ids.h"
#include "ui/main_dlg.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr long kExclamation = wxICON_EXCLAMATION;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Starts the worker only when the test opens the gate, so that a test can
// act while a conversion is known to be running. The gate is shared with the
// thread, which may still be waking when the starter is gone.
class GatedStarter {
public:
    GatedStarter()
    {
        platform::SetThreadStarterForTesting([gate = m_gate](platform::ThreadProc proc, void* param) {
            ++gate->started;
            std::thread([gate, proc, param] {
                {
                    std::unique_lock lock(gate->mutex);
                    gate->cv.wait(lock, [&] { return gate->open; });
                }
                proc(param);
            }).detach();
            return true;
        });
    }
    ~GatedStarter() { Open(); }

    void Open()
    {
        {
            std::lock_guard lock(m_gate->mutex);
            m_gate->open = true;
        }
        m_gate->cv.notify_all();
    }
    int Started() const { return m_gate->started; }

private:
    struct Gate {
        std::mutex mutex;
        std::condition_variable cv;
        bool open = false;
        std::atomic<int> started{0};
    };
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
};

class MainDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_home = fs::current_path();
        m_dir = fs::temp_directory_path() /
                ("hexcrate-ui-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        fs::current_path(m_dir);
        m_dlg = new CMainDlg();
        m_dlg->Show();
    }

    void TearDown() override
    {
        // No worker may outlive its test: the next one shares the state.
        EXPECT_TRUE(PumpUntil([] { return core::TheConversionState().IsDone(); }));
        platform::SetThreadStarterForTesting({});
        delete m_dlg;
        fs::current_path(m_home);
        fs::remove_all(m_dir);
    }

    wxTextCtrl* Field(int id) const { return wxStaticCast(m_dlg->FindWindow(id), wxTextCtrl); }
    wxGauge* Progress() const { return wxStaticCast(m_dlg->FindWindow(IDC_PROGRESS), wxGauge); }
    std::string Text(int id) const { return Field(id)->GetValue().utf8_string(); }
    std::string Title() const { return m_dlg->GetTitle().utf8_string(); }

    void Click(int id)
    {
        wxWindow* button = m_dlg->FindWindow(id);
        ASSERT_TRUE(button->IsEnabled());
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
    }

    void Fill(const std::string& input, const std::string& cls, const std::string& output)
    {
        Field(IDC_INPUT_PATH)->ChangeValue(wxString::FromUTF8(input));
        Field(IDC_CLASS_NAME)->ChangeValue(wxString::FromUTF8(cls));
        Field(IDC_OUTPUT_NAME)->ChangeValue(wxString::FromUTF8(output));
    }

    bool JobControlsEnabled(bool enabled) const
    {
        for (int id : {IDC_CONVERT, IDC_BROWSE, IDC_INPUT_PATH, IDC_CLASS_NAME, IDC_OUTPUT_NAME})
            if (m_dlg->FindWindow(id)->IsEnabled() != enabled)
                return false;
        return m_dlg->FindWindow(wxID_CANCEL)->IsEnabled();
    }

    fs::path m_home;
    fs::path m_dir;
    CMainDlg* m_dlg = nullptr;
};

// The header for the three bytes 00 0A FF of "Grüße.bin", class "CGrüßeFile".
std::string ExpectedHeader()
{
    const std::string slashes(82, '/');
    const std::string text =
        slashes + "\n// This is a headerfile which adds Gr\xC3\xBC\xC3\x9F" "e.bin to your Visual C++ Project.\n" +
        slashes +
        "\n\nconst unsigned char Gr\xC3\xBC\xC3\x9F" "efile[] = \n{0x00, 0x0A, 0xFF\n};\n\n"
        "const DWORD Gr\xC3\xBC\xC3\x9F" "elength = 3;\n\n"
        "class CGr\xC3\xBC\xC3\x9F" "eFile\n{\npublic:\n\tBOOL ExtractFile(LPCTSTR filename);\n};\n\n"
        "BOOL CGr\xC3\xBC\xC3\x9F" "eFile::ExtractFile(LPCTSTR filename)\n{\n\tCFile tFile;\n\t"
        "if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;\n\t"
        "tFile.Write(Gr\xC3\xBC\xC3\x9F" "efile,Gr\xC3\xBC\xC3\x9F" "elength*sizeof(char));\n\t"
        "tFile.Close();\n\treturn true;\n}";
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

}  // namespace

TEST_F(MainDlgTest, StartsEmptyAndProposesNamesAtEveryKeystroke)
{
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_EQ(Progress()->GetValue(), 0);
    EXPECT_EQ(Progress()->GetRange(), 100);
    EXPECT_EQ(Text(IDC_INPUT_PATH) + Text(IDC_CLASS_NAME) + Text(IDC_OUTPUT_NAME), "");

    // Typed one character at a time, a non-ASCII name among them.
    const wxString path = wxString::FromUTF8("/tmp/Gr\xC3\xBC\xC3\x9F" "e Logo.BMP");
    wxTextCtrl* input = Field(IDC_INPUT_PATH);
    for (wxUniChar c : path) {
        input->AppendText(wxString(c));
        const std::string typed = input->GetValue().utf8_string();
        ASSERT_EQ(Text(IDC_CLASS_NAME), core::DefaultClassName(typed)) << typed;
        ASSERT_EQ(Text(IDC_OUTPUT_NAME), core::DefaultOutputName(typed)) << typed;
    }
    EXPECT_EQ(input->GetValue(), path);
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CGr\xC3\xBC\xC3\x9F" "e logoFile");
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), "Gr\xC3\xBC\xC3\x9F" "e Logo.h");

    // The user's own names last until the input path changes again.
    Field(IDC_CLASS_NAME)->SetValue("CMine");
    Field(IDC_OUTPUT_NAME)->SetValue("mine.h");
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CMine");
    input->AppendText("x");
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CGr\xC3\xBC\xC3\x9F" "e logoFile");
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), "Gr\xC3\xBC\xC3\x9F" "e Logo.h");

    input->Clear();
    EXPECT_EQ(Text(IDC_CLASS_NAME), "CFile");
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), ".h");
}

TEST_F(MainDlgTest, ConvertRefusesInOrderAndStartsNothing)
{
    GatedStarter starter;
    WriteAll(m_dir / "in.bin", "abc");
    WriteAll(m_dir / "taken.h", "");
    const std::string missing = (m_dir / "missing.bin").string();
    const std::string input = (m_dir / "in.bin").string();

    struct Case {
        std::string input, cls, output, message;
    };
    const Case cases[] = {
        {"", "CInFile", "in.h", "Please select a file"},
        {missing, "", "in.h", "Please specify a classname"},
        {missing, "CInFile", "", "Please specify an(other) output filename"},
        {input, "CInFile", "taken.h", "Please specify an(other) output filename"},
        {missing, "CInFile", "in.h", "Input file not found."},
        {(m_dir).string(), "CInFile", "in.h", "Input file not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + " for '" + c.input + "'");
        Fill(c.input, c.cls, c.output);
        m_dlg->SetTitle("42% Hexcrate - old.bin");
        Progress()->SetValue(42);
        wxTEST_DIALOG(Click(IDC_CONVERT), ExpectMessage(c.message, "Hexcrate", kExclamation));
        EXPECT_EQ(Title(), "Hexcrate");
        EXPECT_EQ(Progress()->GetValue(), 0);
        EXPECT_TRUE(JobControlsEnabled(true));
        EXPECT_EQ(Text(IDC_CLASS_NAME), c.cls);  // the fields keep their texts
    }
    EXPECT_EQ(starter.Started(), 0);
    EXPECT_TRUE(core::TheConversionState().IsDone());
    EXPECT_FALSE(fs::exists(m_dir / "in.h"));
}

TEST_F(MainDlgTest, FullConversionReportsSuccessAndRefusesToRepeat)
{
    const fs::path input = m_dir / "Gr\xC3\xBC\xC3\x9F" "e.bin";
    WriteAll(input, std::string("\x00\x0A\xFF", 3));
    Field(IDC_INPUT_PATH)->SetValue(wxString::FromUTF8(input.string()));
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), "Gr\xC3\xBC\xC3\x9F" "e.h");

    wxTEST_DIALOG(
        {
            Click(IDC_CONVERT);
            EXPECT_TRUE(JobControlsEnabled(false));
            EXPECT_TRUE(PumpUntil([this] { return JobControlsEnabled(true); }));
        },
        ExpectMessage("Conversion of file " + input.string() + " completed.",
                      "Conversion complete.", wxICON_INFORMATION));

    EXPECT_EQ(Title(), "100% Hexcrate - Gr\xC3\xBC\xC3\x9F" "e.bin");
    EXPECT_EQ(Progress()->GetValue(), 100);
    // A bare output name lands in the current directory.
    EXPECT_EQ(ReadAll(m_dir / "Gr\xC3\xBC\xC3\x9F" "e.h"), ExpectedHeader());

    // Unchanged fields now name a header that exists.
    wxTEST_DIALOG(Click(IDC_CONVERT),
                  ExpectMessage("Please specify an(other) output filename", "Hexcrate",
                                kExclamation));
}

TEST_F(MainDlgTest, FailedConversionReportsWhyAndKeepsTheTitle)
{
    GatedStarter starter;
    const fs::path input = m_dir / "a.bin";
    WriteAll(input, "data");
    Fill(input.string(), "CAFile", "a.h");
    Click(IDC_CONVERT);
    ASSERT_EQ(starter.Started(), 1);

    PumpFor(120ms);  // a few ticks while the worker waits
    EXPECT_TRUE(JobControlsEnabled(false));
    const std::string titleWhileRunning = Title();
    WriteAll(m_dir / "a.h", "someone else's");  // taken between the check and the worker

    wxTEST_DIALOG(
        {
            starter.Open();
            EXPECT_TRUE(PumpUntil([this] { return JobControlsEnabled(true); }));
        },
        ExpectMessage("Output file already created.", "Can't convert " + input.string() + ".",
                      kExclamation));

    EXPECT_EQ(Title(), titleWhileRunning);
    EXPECT_EQ(Progress()->GetValue(), 100);
    EXPECT_EQ(ReadAll(m_dir / "a.h"), "someone else's");
    EXPECT_EQ(core::TheConversionState().ErrorText(), "");
}

TEST_F(MainDlgTest, TicksShowTruncatedPercentInBarAndTitle)
{
    GatedStarter starter;
    const fs::path input = m_dir / "hundred.bin";
    WriteAll(input, std::string(100, 'x'));
    Fill(input.string(), "CHundredFile", "hundred.h");
    Click(IDC_CONVERT);

    core::ConversionState& state = core::TheConversionState();
    state.SetDisplayName("hundred.bin");
    state.byteCount = 29;
    EXPECT_TRUE(PumpUntil([this] { return Title() == "28% Hexcrate - hundred.bin"; }, 2s))
        << Title();
    EXPECT_EQ(Progress()->GetValue(), 28);

    // More than was there when Convert was pressed: the title says so, the bar stops at full.
    state.byteCount = 150;
    EXPECT_TRUE(PumpUntil([this] { return Title() == "150% Hexcrate - hundred.bin"; }, 2s))
        << Title();
    EXPECT_EQ(Progress()->GetValue(), 100);

    state.byteCount = 0;
    wxTEST_DIALOG(
        {
            starter.Open();
            EXPECT_TRUE(PumpUntil([this] { return JobControlsEnabled(true); }));
        },
        ExpectMessage("Conversion of file " + input.string() + " completed.",
                      "Conversion complete.", wxICON_INFORMATION));
}

TEST_F(MainDlgTest, WorkerThatCannotStartIsReportedAndNothingPolls)
{
    platform::SetThreadStarterForTesting([](platform::ThreadProc, void*) { return false; });
    const fs::path input = m_dir / "b.bin";
    WriteAll(input, "data");
    Fill(input.string(), "CBFile", "b.h");

    wxTEST_DIALOG(Click(IDC_CONVERT),
                  ExpectMessage("Conversion could not be started.", "Hexcrate", kExclamation));
    EXPECT_TRUE(JobControlsEnabled(true));

    // An armed poll would now show progress or report a success.
    EXPECT_NO_DIALOG(PumpFor(200ms));
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_FALSE(fs::exists(m_dir / "b.h"));

    // Nothing is running, so the teardown's wait must not hang on this job.
    core::TheConversionState().doneFlag = 1;
}

TEST_F(MainDlgTest, BrowseFillsThePathOrOnlyResetsTheDisplay)
{
    m_dlg->SetTitle("50% Hexcrate - x.bin");
    Progress()->SetValue(50);
    Fill("kept", "CKept", "kept.h");
    wxTEST_DIALOG(Click(IDC_BROWSE), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
    EXPECT_EQ(Title(), "Hexcrate");
    EXPECT_EQ(Progress()->GetValue(), 0);
    EXPECT_EQ(Text(IDC_INPUT_PATH) + Text(IDC_CLASS_NAME) + Text(IDC_OUTPUT_NAME),
              "keptCKeptkept.h");

    const fs::path folder = m_dir / "sub";
    fs::create_directories(folder);
    const fs::path chosen = folder / "\xC3\x89t\xC3\xA9.png";
    WriteAll(chosen, "png");
    wxTEST_DIALOG(Click(IDC_BROWSE),
                  wxExpectModal<wxFileDialog>(wxString::FromUTF8(chosen.string())));
    EXPECT_EQ(Text(IDC_INPUT_PATH), chosen.string());
    EXPECT_EQ(Text(IDC_CLASS_NAME), "C\xC3\x89t\xC3\xA9" "File");
    EXPECT_EQ(Text(IDC_OUTPUT_NAME), "\xC3\x89t\xC3\xA9.h");
    // The bare output name will be created beside the chosen file.
    EXPECT_EQ(fs::current_path(), folder);
}

TEST_F(MainDlgTest, AboutCommandOpensTheAboutBox)
{
    class ExpectAbout : public wxExpectModalBase<CAboutDlg, ExpectAbout> {
    protected:
        int OnInvoked(CAboutDlg* about) const override
        {
            EXPECT_EQ(about->GetTitle(), "About Hexcrate");
            EXPECT_NE(about->FindWindow(wxID_OK), nullptr);
            return wxID_OK;
        }
    };
    wxCommandEvent about(wxEVT_MENU, IDM_ABOUTBOX);
    wxTEST_DIALOG(m_dlg->ProcessWindowEvent(about), ExpectAbout());
}

// Modal runs: the dialog ends with each of the ways of closing it.
class MainDlgModalTest : public testing::Test {};

TEST_F(MainDlgModalTest, EnterInAnEditFieldClosesTheDialog)
{
    CMainDlg dlg;
    dlg.CallAfter([&dlg] {
        wxCommandEvent enter(wxEVT_TEXT_ENTER, IDC_CLASS_NAME);
        enter.SetEventObject(dlg.FindWindow(IDC_CLASS_NAME));
        dlg.FindWindow(IDC_CLASS_NAME)->ProcessWindowEvent(enter);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
}

TEST_F(MainDlgModalTest, ClosingMidConversionAbandonsItQuietly)
{
    const fs::path dir = fs::temp_directory_path() / ("hexcrate-ui-close-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path input = dir / "big.bin";
    WriteAll(input, std::string(1000, 'z'));
    const fs::path output = dir / "big.h";
    {
        GatedStarter starter;
        CMainDlg dlg;
        dlg.CallAfter([&] {
            wxStaticCast(dlg.FindWindow(IDC_INPUT_PATH), wxTextCtrl)->SetValue(input.string());
            wxStaticCast(dlg.FindWindow(IDC_OUTPUT_NAME), wxTextCtrl)->ChangeValue(output.string());
            wxCommandEvent convert(wxEVT_BUTTON, IDC_CONVERT);
            dlg.ProcessWindowEvent(convert);
            dlg.CallAfter([&dlg] { dlg.Close(); });  // the close box
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_FALSE(core::TheConversionState().IsDone());  // still running when the window went

        // The abandoned worker may finish now; the closed window reports nothing.
        EXPECT_NO_DIALOG({
            starter.Open();
            EXPECT_TRUE(PumpUntil([] { return core::TheConversionState().IsDone(); }));
            PumpFor(150ms);
        });
    }
    platform::SetThreadStarterForTesting({});
    fs::remove_all(dir);
}
