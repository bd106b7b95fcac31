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
    m_pFrame = new wxFrame(nullptr, wxID_ANY, "ramp test");
    m_pCtrl = new CColorRampProgressCtrl(m_pFrame, wxID_ANY);
}

void RampFaceTest::TearDown() { delete m_pFrame; }

wxImage RampFaceTest::Paint(int nWidth, int nHeight, const wxRect* pClip) {
    m_pCtrl->SetClientSize(nWidth, nHeight);
    EXPECT_EQ(wxSize(nWidth, nHeight), m_pCtrl->GetClientSize());

    wxBitmap bitmap(nWidth, nHeight);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(kSentinel));
        dc.Clear();
        if (pClip) dc.SetClippingRegion(*pClip);
        m_pCtrl->PaintFace(dc);
    }
    return bitmap.ConvertToImage();
}
