// CMemoryDC: an off-screen drawing context that reaches its target in one block transfer.
#pragma once

#include "platform/afx/wnd/Gdi.h"

// Used as a scoped object around one paint: construct it on the paint context, draw into it, let
// it go out of scope. Everything drawn meanwhile reaches the target at once, so a header made of
// several overlapping layers never flickers.
class CMemoryDC : public CDC {
public:
    explicit CMemoryDC(CDC* pDC);
    ~CMemoryDC() override;
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // The area covered, in the target's logical units.
    const CRect& GetArea() const { return m_rect; }
    BOOL IsOffScreen() const { return m_bMemDC; }

private:
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
    CDC* m_pTargetDC = nullptr;
    CRect m_rect;
    BOOL m_bMemDC = FALSE;
};
