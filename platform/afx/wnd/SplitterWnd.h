// The static splitter: a grid of panes separated by split bars, each pane a view.
#pragma once

#include <vector>

#include "platform/afx/wnd/Wnd.h"

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    CSplitterWnd();
    ~CSplitterWnd() override;

    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols, DWORD dwStyle = WS_CHILD | WS_VISIBLE,
                      UINT nID = AFX_IDW_PANE_FIRST);
    virtual BOOL CreateView(int row, int col, CRuntimeClass* pViewClass, SIZE sizeInit,
                            struct CCreateContext* pContext);
    CWnd* GetPane(int row, int col) const;
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    void GetRowInfo(int row, int& cyCur, int& cyMin) const;
    void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
    void SetColumnInfo(int col, int cxIdeal, int cxMin);
    virtual void RecalcLayout();
    // The split bar's width between two columns, in pixels.
    int GetSplitterWidth() const { return m_cxSplitter; }

    void OnSize(UINT nType, int cx, int cy);
    // Dragging the bar between column 0 and column 1.
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    BOOL IsTracking() const { return m_bTracking; }

protected:
    struct Info {
        int nIdealSize = 0;
        int nMinSize = 0;
        int nCurSize = 0;
    };
    int m_nRows = 0;
    int m_nCols = 0;
    int m_cxSplitter = 6;
    std::vector<Info> m_rows;
    std::vector<Info> m_cols;
    BOOL m_bTracking = FALSE;

    DECLARE_MESSAGE_MAP()
};
