#include "ramp_test_support.h"

#include "widgets/offscreen_dc.h"

#include <wx/cmndata.h>
#include <wx/dcps.h>
#include <wx/filename.h>

namespace {

struct PartialCase {
    const char* name;
    int width, height;
    unsigned to;
    int pos;
    wxRect clip;
};

void PrintTo(const PartialCase& c, std::ostream* os) { *os << c.name; }

class PartialRepaint : public RampFaceTest, public testing::WithParamInterface<PartialCase> {};

// Only the clip box is composed and copied: inside it the face matches a
// full paint pixel for pixel, text included; outside, the old picture stays.
TEST_P(PartialRepaint, ChangesOnlyTheClipBox) {
    const PartialCase& c = GetParam();
    m_ctrl->SetRampColours(*wxBLACK, wxColour(static_cast<unsigned char>(c.to >> 16), 0, 0));
    m_ctrl->SetRampBackgroundColour(*wxWHITE);
    m_ctrl->SetPercentageColour(wxColour(0, 0xC0, 0));
    m_ctrl->SetDrawPercentage(true);
    m_ctrl->SetPos(c.pos);

    const wxImage full = Paint(c.width, c.height);
    const wxImage part = Paint(c.width, c.height, &c.clip);
    const std::string sentinel = HexOf(kSentinel);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(c.clip.Contains(x, y) ? PixelAt(full, x, y) : sentinel, PixelAt(part, x, y))
                << x << "," << y;
}

const PartialCase kPartialCases[] = {
    {"AcrossRampEndAndText", 300, 20, 0x640000, 50, wxRect(140, 4, 30, 10)},
    {"UncoveredColumnTakesBackground", 100, 10, 0x030000, 99, wxRect(90, 2, 10, 5)},
};

INSTANTIATE_TEST_SUITE_P(Face, PartialRepaint, testing::ValuesIn(kPartialCases),
                         [](const auto& test) { return test.param.name; });

TEST(OffscreenDCTest, PrintingTargetIsDrawnOnDirectly) {
    const wxString path = wxFileName::CreateTempFileName("ramp-print");
    wxPrintData printData;
    printData.SetFilename(path);
    printData.SetPrintMode(wxPRINT_MODE_FILE);
    wxPostScriptDC printer(printData);
    ASSERT_TRUE(printer.StartDoc("ramp"));
    printer.StartPage();
    {
        COffscreenDC surface(printer);
        EXPECT_FALSE(surface.IsOffscreen());
        EXPECT_EQ(&printer, &surface.GetDrawingDC());
        EXPECT_FALSE(surface.GetSelectedBitmap().IsOk());
    }
    // The surface must have left the printer usable.
    EXPECT_TRUE(printer.IsOk());
    printer.DrawRectangle(10, 10, 20, 20);
    printer.EndPage();
    printer.EndDoc();
    EXPECT_GT(wxFileName::GetSize(path), 0u);
    wxRemoveFile(path);
}

}  // namespace
