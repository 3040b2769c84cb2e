// Views: windows that show a document inside a frame; form views are made from a template.
#pragma once

#include "platform/afx/wnd/Wnd.h"

class CDocument;
class CFrameWnd;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView();
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;
    // Makes the innermost view that holds pWx (or is it) the active view of its frame: what a
    // click into a view, or the Tab key taking the keyboard into it, does.
    static void ActivateViewOf(wxWindow* pWx);

    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    virtual void OnDraw(CDC*) {}

    // A command goes to the view first, then to its document.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnDestroy();
    void OnPaint();

protected:
    CDocument* m_pDocument = nullptr;
    // Set once the window is being torn down: it is not made active again.
    BOOL m_bDestroying = FALSE;
    friend class CDocument;

    DECLARE_MESSAGE_MAP()
};

class CDC;

// A view whose controls come from a dialog template. When the view is smaller than the template,
// it scrolls (the scroll bars show only then); drawing that should scroll with the controls goes
// through OnPrepareDC, which makes the context's coordinates those of the form.
class CFormView : public CView {
    DECLARE_DYNAMIC(CFormView)
public:
    explicit CFormView(UINT nIDTemplate);
    UINT GetTemplateID() const { return m_nIDTemplate; }
    // Controls are made before OnInitialUpdate, at the template's positions.
    void OnInitialUpdate() override;
    // The template's size in pixels, and the form's point shown at the client area's top left.
    CSize GetTotalSize() const;
    CPoint GetScrollPosition() const;
    void ScrollToPosition(CPoint pt);
    void OnPrepareDC(CDC* pDC);

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    int OnCreate(LPCREATESTRUCT lpcs);
    UINT m_nIDTemplate;

    DECLARE_MESSAGE_MAP()
};
