// The static splitter: panes side by side with a draggable split bar between the columns.
#include "platform/afx/wnd/SplitterWnd.h"

#include <wx/cursor.h>
#include <wx/panel.h>
#include <wx/window.h>

#include <algorithm>

#include "platform/afx/wnd/DocTemplate.h"

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CSplitterWnd::CSplitterWnd() = default;
CSplitterWnd::~CSplitterWnd() = default;

BOOL CSplitterWnd::CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle, UINT nID) {
    if (pParentWnd == nullptr || nRows < 1 || nCols < 1 || nRows > 16 || nCols > 16)
        return FALSE;
    m_nRows = nRows;
    m_nCols = nCols;
    m_rows.assign((size_t)nRows, Info{});
    m_cols.assign((size_t)nCols, Info{});
    CRect client;
    pParentWnd->GetClientRect(&client);
    return Create(nullptr, nullptr, dwStyle, client, pParentWnd, nID);
}

BOOL CSplitterWnd::CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit,
                              CCreateContext* pContext) {
    if (row < 0 || col < 0 || row >= m_nRows || col >= m_nCols || pViewClass == nullptr)
        return FALSE;
    if (GetPane(row, col) != nullptr)
        return FALSE;
    m_cols[(size_t)col].nIdealSize = sizeInit.cx;
    m_rows[(size_t)row].nIdealSize = sizeInit.cy;
    CObject* pObject = pViewClass->CreateObject();
    auto* pWnd = dynamic_cast<CWnd*>(pObject);
    if (pWnd == nullptr) {
        delete pObject;
        return FALSE;
    }
    CCreateContext context;
    if (pContext != nullptr)
        context = *pContext;
    context.m_pNewViewClass = pViewClass;
    CRect rect(0, 0, sizeInit.cx, sizeInit.cy);
    // A view that fails to be created destroys (and deletes) itself.
    return pWnd->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this,
                        (UINT)IdFromRowCol(row, col), &context);
}

CWnd* CSplitterWnd::GetPane(int row, int col) const {
    if (row < 0 || col < 0 || row >= m_nRows || col >= m_nCols)
        return nullptr;
    return GetDlgItem(IdFromRowCol(row, col));
}

void CSplitterWnd::GetRowInfo(int row, int& cyCur, int& cyMin) const {
    cyCur = cyMin = 0;
    if (row >= 0 && row < m_nRows) {
        cyCur = m_rows[(size_t)row].nCurSize;
        cyMin = m_rows[(size_t)row].nMinSize;
    }
}

void CSplitterWnd::GetColumnInfo(int col, int& cxCur, int& cxMin) const {
    cxCur = cxMin = 0;
    if (col >= 0 && col < m_nCols) {
        cxCur = m_cols[(size_t)col].nCurSize;
        cxMin = m_cols[(size_t)col].nMinSize;
    }
}

void CSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin) {
    if (col >= 0 && col < m_nCols) {
        m_cols[(size_t)col].nIdealSize = cxIdeal;
        m_cols[(size_t)col].nMinSize = cxMin;
    }
}

void CSplitterWnd::RecalcLayout() {
    if (m_pWx == nullptr || m_nCols == 0)
        return;
    CRect client;
    GetClientRect(&client);
    // Every column but the last keeps its ideal width while it fits; the last takes the rest.
    int x = 0;
    for (int c = 0; c < m_nCols; ++c) {
        Info& info = m_cols[(size_t)c];
        int width = client.Width() - x;
        if (c < m_nCols - 1) {
            width = std::min(info.nIdealSize, std::max(0, client.Width() - x - m_cxSplitter));
            width = std::max(width, 0);
        }
        info.nCurSize = std::max(width, 0);
        int y = 0;
        for (int r = 0; r < m_nRows; ++r) {
            Info& rinfo = m_rows[(size_t)r];
            int height =
                r < m_nRows - 1 ? std::min(rinfo.nIdealSize, client.Height() - y) : client.Height() - y;
            rinfo.nCurSize = std::max(height, 0);
            if (CWnd* pPane = GetPane(r, c))
                pPane->MoveWindow(x, y, info.nCurSize, rinfo.nCurSize, FALSE);
            y += rinfo.nCurSize + m_cxSplitter;
        }
        x += info.nCurSize + m_cxSplitter;
    }
}

void CSplitterWnd::OnSize(UINT, int, int) {
    RecalcLayout();
}

void CSplitterWnd::OnLButtonDown(UINT, CPoint point) {
    if (m_nCols < 2)
        return;
    int barLeft = m_cols[0].nCurSize;
    if (point.x >= barLeft && point.x < barLeft + m_cxSplitter) {
        m_bTracking = TRUE;
        if (m_pWx != nullptr)
            m_pWx->CaptureMouse();
    }
}

void CSplitterWnd::OnMouseMove(UINT, CPoint point) {
    if (!m_bTracking)
        return;
    m_cols[0].nIdealSize = std::max(m_cols[0].nMinSize, (int)point.x);
    RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint) {
    if (!m_bTracking)
        return;
    m_bTracking = FALSE;
    if (m_pWx != nullptr && m_pWx->HasCapture())
        m_pWx->ReleaseMouse();
}

void CSplitterWnd::OnLButtonDblClk(UINT, CPoint) {}

BOOL CSplitterWnd::OnSetCursor(CWnd*, UINT, UINT) {
    if (m_pWx != nullptr)
        m_pWx->SetCursor(wxCursor(wxCURSOR_SIZEWE));
    return TRUE;
}
