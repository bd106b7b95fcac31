// One run of the real ramp-demo binary, read back from its PNG.
#include "ramp_test_support.h"

#include <wx/filename.h>

#include <cstdlib>

namespace {

int RunDemo(const wxString& arguments) {
    const wxString command = wxString::Format("\"%s\" %s 2>/dev/null", RAMP_DEMO_PATH, arguments);
    const int status = std::system(command.utf8_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RampDemoSnapshot : public testing::Test {
protected:
    void SetUp() override {
        m_path = wxFileName::CreateTempFileName("ramp-snapshot");
        wxRemoveFile(m_path);
        m_path += ".png";
        if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    }
    void TearDown() override {
        if (wxFileExists(m_path)) wxRemoveFile(m_path);
    }

    wxString m_path;
};

TEST_F(RampDemoSnapshot, RendersTheWorkedExampleExactly) {
    ASSERT_EQ(0, RunDemo("--snapshot \"" + m_path + "\" --to 640000"));
    wxImage face;
    ASSERT_TRUE(face.LoadFile(m_path, wxBITMAP_TYPE_PNG));
    ASSERT_EQ(wxSize(300, 20), face.GetSize());
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ("#310000", PixelAt(face, 149, y));
        EXPECT_EQ("#320000", PixelAt(face, 150, y));
        EXPECT_EQ("#320000", PixelAt(face, 152, y));
        EXPECT_EQ("#FFFFFF", PixelAt(face, 153, y));
        EXPECT_EQ("#FFFFFF", PixelAt(face, 299, y));
    }
}

TEST_F(RampDemoSnapshot, RefusesBadValuesWithoutWritingAFile) {
    const char* badArguments[] = {"--range 5,5", "--size 0x20", "--from 12345", "--to GG0000",
                                  "--pos 1.5"};
    for (const char* arguments : badArguments) {
        EXPECT_NE(0, RunDemo("--snapshot \"" + m_path + "\" " + arguments)) << arguments;
        EXPECT_FALSE(wxFileExists(m_path)) << arguments;
    }
}

}  // namespace
