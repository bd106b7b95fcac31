#include "widgets/offscreen_dc.h"

#if wxUSE_PRINTING_ARCHITECTURE
#include <wx/dcprint.h>
#if wxUSE_POSTSCRIPT
#include <wx/dcps.h>
#endif
#endif

bool COffscreenDC::IsPrintingDC(const wxDC& dc) {
#if wxUSE_PRINTING_ARCHITECTURE
    if (dc.IsKindOf(wxCLASSINFO(wxPrinterDC))) return true;
#if wxUSE_POSTSCRIPT
    if (dc.IsKindOf(wxCLASSINFO(wxPostScriptDC))) return true;
#endif
#endif
    return false;
}

COffscreenDC::COffscreenDC(wxDC& target)
    : m_pTargetDC(&target), m_bOffscreen(!IsPrintingDC(target)) {
    if (!m_bOffscreen) return;

    target.GetClippingBox(m_rcArea);
    // An empty area has nothing to show; a bitmap of no size cannot exist.
    if (m_rcArea.IsEmpty()) return;

    // Compatible with the target, so the final copy needs no conversion.
    if (!m_bmpSurface.Create(m_rcArea.width, m_rcArea.height, target)) return;
    SelectObject(m_bmpSurface);
    SetLogicalOrigin(m_rcArea.x, m_rcArea.y);
}

COffscreenDC::~COffscreenDC() {
    if (!m_bOffscreen || !m_bmpSurface.IsOk()) return;

    m_pTargetDC->Blit(m_rcArea.x, m_rcArea.y, m_rcArea.width, m_rcArea.height, this, m_rcArea.x,
                      m_rcArea.y, wxCOPY);
    SelectObject(wxNullBitmap);
}

wxDC& COffscreenDC::GetDrawingDC() {
    if (m_bOffscreen) return *this;
    return *m_pTargetDC;
}
