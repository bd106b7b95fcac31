// A drawing surface that composes a picture off screen and puts it onto its
// target in one block transfer, so many small fills never flicker.
#pragma once

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/gdicmn.h>

// Opened on a target DC, the surface covers the target's clipping box in the
// target's own logical coordinates; its destructor copies the picture onto the
// target at the same place. On a printing target nothing is created and
// drawing goes straight to the target, so draw through GetDrawingDC().
class COffscreenDC : public wxMemoryDC {
public:
    explicit COffscreenDC(wxDC& target);
    ~COffscreenDC() override;

    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

    // This surface while off screen, the target itself when printing.
    wxDC& GetDrawingDC();

    bool IsOffscreen() const { return m_bOffscreen; }

    // Printer and PostScript DCs are drawn on directly.
    static bool IsPrintingDC(const wxDC& dc);

private:
    wxBitmap m_bmpSurface;
    wxDC* m_pTargetDC;
    wxRect m_rcArea;
    bool m_bOffscreen;
};
