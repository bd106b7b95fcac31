// Paints a colour-ramp control into a bitmap and reads the pixels back.
#pragma once

#include "widgets/color_ramp_progress_ctrl.h"

#include <wx/frame.h>
#include <wx/image.h>

#include <gtest/gtest.h>

#include <string>

// A pixel as "#RRGGBB", so failures read like the colours in the tests.
std::string PixelAt(const wxImage& image, int x, int y);
std::string HexOf(const wxColour& colour);

// Never-shown frame with one control on it.
class RampFaceTest : public testing::Test {
protected:
    static const wxColour kSentinel;

    void SetUp() override;
    void TearDown() override;

    // The control at that client size, painted onto a bitmap pre-filled
    // with kSentinel; a clip rectangle, when given, limits the paint.
    wxImage Paint(int width, int height, const wxRect* clip = nullptr);

    wxFrame* m_frame = nullptr;
    CColorRampProgressCtrl* m_ctrl = nullptr;
};
