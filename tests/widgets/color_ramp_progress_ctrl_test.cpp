#include "ramp_test_support.h"

#include <wx/settings.h>

#include <climits>
#include <utility>
#include <vector>

namespace {

wxColour Rgb(unsigned rgb) {
    return {static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
            static_cast<unsigned char>(rgb)};
}

const wxColour kWhite(0xFF, 0xFF, 0xFF);

struct RampCase {
    const char* name;
    int width;
    unsigned from, to;
    int low, high, pos;
    // Column and the colour it must have in every row of the face.
    std::vector<std::pair<int, const char*>> columns;
};

// clang-format off
// name, width, from, to, low, high, position, then columns and their colour
const RampCase kRampCases[] = {
    {"WorkedExample", 300, 0x000000, 0x640000, 0, 100, 50,
     {{0, "#000000"}, {2, "#000000"}, {3, "#010000"}, {149, "#310000"},
      {150, "#320000"}, {152, "#320000"}, {153, "#FFFFFF"}, {299, "#FFFFFF"}}},
    {"BandEdgeOnFilledWidthPaintsNextBand", 200, 0x000000, 0x020000, 0, 100, 50,
     {{99, "#000000"}, {100, "#010000"}, {199, "#010000"}}},
    {"CoarseRampMovesInWholeBands", 200, 0x000000, 0x020000, 0, 100, 49,
     {{99, "#000000"}, {100, "#FFFFFF"}, {199, "#FFFFFF"}}},
    {"ZeroFilledWidthShowsFirstBandPastColumnZero", 200, 0x000000, 0x000000, 0, 1000, 1,
     {{0, "#000000"}, {1, "#FFFFFF"}}},
    {"LowerBoundTakesNoPart", 200, 0x000000, 0x640000, 50, 100, 51,
     {{101, "#320000"}, {102, "#330000"}, {103, "#330000"}, {104, "#FFFFFF"}}},
    {"QuotientFormedFirst29", 100, 0x000000, 0x640000, 0, 100, 29,
     {{28, "#1C0000"}, {29, "#FFFFFF"}}},
    {"QuotientFormedFirst57", 100, 0x000000, 0x640000, 0, 100, 57,
     {{56, "#380000"}, {57, "#FFFFFF"}}},
    {"QuotientFormedFirst58", 100, 0x000000, 0x640000, 0, 100, 58,
     {{57, "#390000"}, {58, "#FFFFFF"}}},
    {"SinglePrecisionStep", 100, 0x000000, 0x466400, 0, 100, 99,
     {{10, "#060A00"}, {20, "#0D1400"}, {30, "#141E00"}, {99, "#456300"}}},
    {"DescendingStepTruncatesTheSum", 100, 0x466400, 0x000000, 0, 100, 99,
     {{0, "#466400"}, {10, "#3F5A00"}, {20, "#385000"}}},
    {"ThreeBandsEndAtColumn99", 100, 0x000000, 0x030000, 0, 100, 99,
     {{32, "#000000"}, {33, "#010000"}, {65, "#010000"}, {66, "#020000"}, {98, "#020000"},
      {99, "#FFFFFF"}}},
    {"SolidBlueHas128Bands", 256, 0x000080, 0x000080, 0, 100, 50,
     {{0, "#000080"}, {129, "#000080"}, {130, "#FFFFFF"}}},
    {"SolidBlackHas255Bands", 255, 0x000000, 0x000000, 0, 100, 50,
     {{127, "#000000"}, {128, "#FFFFFF"}}},
    {"PositionBelowZeroCoversNothing", 200, 0x000000, 0x640000, -2000000000, 1, -1999999999,
     {{1, "#000000"}, {2, "#FFFFFF"}}},
};
// clang-format on

void PrintTo(const RampCase& c, std::ostream* os) { *os << c.name; }

class RampBands : public RampFaceTest, public testing::WithParamInterface<RampCase> {};

TEST_P(RampBands, ColumnsHaveTheirBandColours) {
    const RampCase& c = GetParam();
    const int height = 12;
    ASSERT_TRUE(m_ctrl->SetRange(c.low, c.high));
    m_ctrl->SetPos(c.pos);
    m_ctrl->SetRampColours(Rgb(c.from), Rgb(c.to));
    m_ctrl->SetRampBackgroundColour(kWhite);

    const wxImage face = Paint(c.width, height);
    for (const auto& [column, expected] : c.columns)
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(expected, PixelAt(face, column, y)) << "column " << column << ", row " << y;
}

INSTANTIATE_TEST_SUITE_P(Ramp, RampBands, testing::ValuesIn(kRampCases),
                         [](const auto& test) { return test.param.name; });

struct PlainCase {
    const char* name;
    int pos;
};

void PrintTo(const PlainCase& c, std::ostream* os) { *os << c.name; }

class PlainFace : public RampFaceTest, public testing::WithParamInterface<PlainCase> {};

TEST_P(PlainFace, FillsEverythingWithButtonFaceAndNoText) {
    ASSERT_TRUE(m_ctrl->SetRange(10, 100));
    m_ctrl->SetPos(GetParam().pos);
    m_ctrl->SetDrawPercentage(true);

    const wxImage face = Paint(120, 16);
    const std::string btnFace = HexOf(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    for (int y = 0; y < face.GetHeight(); ++y)
        for (int x = 0; x < face.GetWidth(); ++x)
            ASSERT_EQ(btnFace, PixelAt(face, x, y)) << x << "," << y;
    EXPECT_EQ("", m_ctrl->GetPercentageText());
}

const PlainCase kPlainCases[] = {{"AtLowerBound", 10}, {"AtUpperBound", 100}, {"BelowRange", 5},
                                 {"AboveRange", 150},  {"IntMin", INT_MIN},   {"IntMax", INT_MAX}};

INSTANTIATE_TEST_SUITE_P(Position, PlainFace, testing::ValuesIn(kPlainCases),
                         [](const auto& test) { return test.param.name; });

TEST_F(RampFaceTest, UnusableRangesAreRefusedAndTheOldOneKept) {
    const std::pair<int, int> refused[] = {{0, 0}, {-10, 0}, {5, 5}, {10, 3}, {INT_MIN, -1}};
    for (const auto& [low, high] : refused) {
        EXPECT_FALSE(m_ctrl->SetRange(low, high)) << low << "," << high;
        EXPECT_EQ(0, m_ctrl->GetRangeLow());
        EXPECT_EQ(100, m_ctrl->GetRangeHigh());
    }
    EXPECT_TRUE(m_ctrl->SetRange(-10, 1));
    EXPECT_EQ(-10, m_ctrl->GetRangeLow());
    EXPECT_EQ(1, m_ctrl->GetRangeHigh());
}

TEST_F(RampFaceTest, ColoursKeepTheirTopByteClear) {
    // An alpha in the colour must not turn a black ramp into "not black".
    m_ctrl->SetRampColours(wxColour(0, 0, 0, 0x40), wxColour(0, 0, 0, 0x40));
    m_ctrl->SetRampBackgroundColour(kWhite);
    m_ctrl->SetPos(50);
    const wxImage face = Paint(255, 8);
    EXPECT_EQ("#000000", PixelAt(face, 127, 0));
    EXPECT_EQ("#FFFFFF", PixelAt(face, 128, 0));
}

struct PercentCase {
    int high, pos;
    const char* text;
};

TEST_F(RampFaceTest, PercentageTextRoundsTheQuotient) {
    const PercentCase cases[] = {{3, 1, "33%"},    {3, 2, "67%"},   {1000, 999, "100%"},
                                 {100, 50, "50%"}, {1000, 1, "0%"}, {100, 100, ""}};
    for (const PercentCase& c : cases) {
        ASSERT_TRUE(m_ctrl->SetRange(0, c.high));
        m_ctrl->SetPos(c.pos);
        EXPECT_EQ(c.text, m_ctrl->GetPercentageText()) << c.pos << " of " << c.high;
    }
}

TEST_F(RampFaceTest, PercentageIsDrawnCentredOverTheRamp) {
    m_ctrl->SetRampColours(Rgb(0x000000), Rgb(0x640000));
    m_ctrl->SetRampBackgroundColour(kWhite);
    m_ctrl->SetPercentageColour(Rgb(0x00C000));
    m_ctrl->SetPos(50);
    const wxImage plain = Paint(300, 24);
    m_ctrl->SetDrawPercentage(true);
    const wxImage text = Paint(300, 24);

    wxRect changed;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 300; ++x)
            if (PixelAt(plain, x, y) != PixelAt(text, x, y)) changed.Union(wxRect(x, y, 1, 1));
    ASSERT_FALSE(changed.IsEmpty());
    const wxPoint centre = changed.GetPosition() + changed.GetSize() / 2;
    EXPECT_NEAR(150, centre.x, 3);
    EXPECT_NEAR(12, centre.y, 3);
}

}  // namespace
