// The one main of the window and widget tests: runs them inside a wxWidgets
// application, turns toolkit assertions into test failures and fails and
// cancels any dialog that no test expected. Listing the tests needs no
// display, so discovery works on a headless build machine.
#include <thread>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>

#include "window_test_support.h"

namespace {

const wxDialog* g_modalAllowed = nullptr;

// A dialog that no test expected would wait for a user who is not there.
class UnexpectedDialogGuard : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override {
        if (dialog == g_modalAllowed) return wxID_NONE;
        ADD_FAILURE() << "unexpected dialog \"" << dialog->GetTitle().utf8_string() << "\"";
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

class TestApp : public wxApp {
public:
    bool OnInit() override {
        SetAppName("Hexcrate");
        m_guard.Register();
        return true;
    }
    int OnRun() override { return RUN_ALL_TESTS(); }

private:
    UnexpectedDialogGuard m_guard;
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wxWidgets assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

}  // namespace

ModalAllowed::ModalAllowed(const wxDialog* dialog) { g_modalAllowed = dialog; }

ModalAllowed::~ModalAllowed() { g_modalAllowed = nullptr; }

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void PumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    PumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, span * 2);
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    wxSetAssertHandler(FailOnAssert);
    wxApp::SetInstance(new TestApp);
    // Fails, naming the display, when no window system can be opened.
    return wxEntry(argc, argv);
}
