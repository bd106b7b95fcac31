// Runs the window tests inside a wxWidgets application, as the program does.
#include <thread>

#include <gtest/gtest.h>
#include <wx/app.h>

#include "gui_test_support.h"

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override
    {
        SetAppName("Hexcrate");
        return true;
    }
    int OnRun() override { return RUN_ALL_TESTS(); }
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wxWidgets assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void PumpFor(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    PumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, span * 2);
}

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailOnAssert);
    return wxEntry(argc, argv);
}
