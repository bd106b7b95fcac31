// Runs the widget tests inside an initialised wxWidgets GUI. Listing the
// tests needs no display, so discovery works on a headless build machine.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr,
                "The window system could not be opened; "
                "run the tests under xvfb-run.\n");
        return 1;
    }
    const int nResult = RUN_ALL_TESTS();
    wxEntryCleanup();
    return nResult;
}
