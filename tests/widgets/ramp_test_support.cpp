#include "ramp_test_support.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>

const wxColour RampFaceTest::kSentinel(0x12, 0x34, 0x56);

std::string HexOf(const wxColour& colour) {
    return wxString::Format("#%02X%02X%02X", colour.Red(), colour.Green(), colour.Blue())
        .ToStdString();
}

std::string PixelAt(const wxImage& image, int x, int y) {
    return HexOf(wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)));
}

void RampFaceTest::SetUp() {
    m_frame = new wxFrame(nullptr, wxID_ANY, "ramp test");
    m_ctrl = new CColorRampProgressCtrl(m_frame, wxID_ANY);
}

void RampFaceTest::TearDown() { delete m_frame; }

wxImage RampFaceTest::Paint(int width, int height, const wxRect* clip) {
    m_ctrl->SetClientSize(width, height);
    EXPECT_EQ(wxSize(width, height), m_ctrl->GetClientSize());

    wxBitmap bitmap(width, height);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(kSentinel));
        dc.Clear();
        if (clip) dc.SetClippingRegion(*clip);
        m_ctrl->PaintFace(dc);
    }
    return bitmap.ConvertToImage();
}
