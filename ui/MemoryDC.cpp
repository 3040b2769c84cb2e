// The off-screen drawing context of the form views, their pages and the host view.
#include "ui/MemoryDC.h"

#include <wx/dc.h>

#include "trace/Trace.h"

CMemoryDC::CMemoryDC(CDC* pDC) : m_pTargetDC(pDC) {
    TRACE_CTOR("CMemoryDC");
    if (pDC == nullptr || pDC->GetWxDC() == nullptr)
        return;
    wxDC* pTarget = pDC->GetWxDC();
    // The clip box of a paint context is the part that needs painting; without one, all of it.
    wxCoord x = 0, y = 0, cx = 0, cy = 0;
    pTarget->GetClippingBox(&x, &y, &cx, &cy);
    if (cx <= 0 || cy <= 0) {
        const wxSize size = pTarget->GetSize();
        x = 0;
        y = 0;
        cx = size.x;
        cy = size.y;
    }
    m_rect = CRect(x, y, x + cx, y + cy);
    // There are no printer contexts here: a context that cannot hold a bitmap of the area is drawn
    // on directly instead.
    m_bMemDC = cx > 0 && cy > 0 && CreateCompatibleDC(pDC) && m_bitmap.CreateCompatibleBitmap(pDC, cx, cy);
    if (m_bMemDC) {
        m_pOldBitmap = SelectObject(&m_bitmap);
        // Logical coordinates stay those of the target: the bitmap's origin is the area's corner.
        GetWxDC()->SetDeviceOrigin(-x, -y);
        GetWxDC()->SetFont(pTarget->GetFont());
    } else {
        if (m_bOwnsDC)
            delete m_pDC;
        m_pDC = pTarget;
        m_bOwnsDC = false;
    }
    FillSolidRect(&m_rect, pTarget->GetTextBackground().IsOk()
                               ? RGB(pTarget->GetTextBackground().Red(), pTarget->GetTextBackground().Green(),
                                     pTarget->GetTextBackground().Blue())
                               : GetSysColor(COLOR_WINDOW));
}

CMemoryDC::~CMemoryDC() {
    TRACE_DTOR("CMemoryDC");
    if (m_bMemDC) {
        m_pTargetDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left,
                            m_rect.top, SRCCOPY);
        SelectObject(m_pOldBitmap);
        m_bitmap.DeleteObject();
    }
}
