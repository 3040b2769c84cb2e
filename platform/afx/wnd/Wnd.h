// CWnd: a window of the system, its handle, its message handling, sending and posting.
//
// Every window is a toolkit window (its peer) plus a CWnd object reached through a handle. A
// handle is a number that is never reused, so a message posted to a window that has gone since is
// recognised and dropped. Messages sent to a window run its handler at once; posted messages wait
// in the framework's queue until the message loop (or AfxPumpMessages) gets a turn. A handler may
// destroy (and delete) its own window: the dispatcher touches nothing of it afterwards.
#pragma once

#include <string>

#include "platform/afx/CString.h"
#include "platform/afx/wnd/CmdTarget.h"
#include "platform/afx/wnd/Geometry.h"
#include "platform/win32/MessageBox.h"

class wxWindow;
class CMenu;
class CFont;
class CDC;
struct CCreateContext;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // ----- creation and destruction -----
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    // Create with an extended style (WS_EX_CLIENTEDGE, WS_EX_CONTROLPARENT).
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    // Tears the window and its children down: WM_DESTROY to each, then PostNcDestroy to each
    // (children first). The toolkit window itself goes at the next turn of the loop.
    virtual BOOL DestroyWindow();
    // Called last when the window is gone; auto-deleting windows delete themselves here.
    virtual void PostNcDestroy();

    // ----- messages -----
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The state of command-bearing children (toolbar buttons) at idle time.
    virtual void OnUpdateCmdUI(CWnd* pTarget, BOOL bDisableIfNoHndler);

    // ----- lookup -----
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }
    CWnd* GetParent() const;
    CWnd* GetOwner() const { return GetParent(); }
    CWnd* GetTopLevelParent() const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    // Binds this object to the child control nID of pParent made from a template.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

    // ----- text and state -----
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, LPCSTR lpszString);
    int GetDlgItemText(int nID, CString& rString) const;
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsWindow() const { return m_hWnd != nullptr; }
    DWORD GetStyle() const { return m_dwStyle; }
    DWORD GetExStyle() const { return m_dwExStyle; }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void SetRedraw(BOOL bRedraw = TRUE);
    void DragAcceptFiles(BOOL bAccept = TRUE);
    CFont* GetFont() const;
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);

    // ----- geometry (pixels; window rectangles in screen coordinates) -----
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    // Above its siblings (a top-level window: above the other top-level windows).
    BOOL BringWindowToTop();
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    // Dialog units of this window's font to pixels.
    void MapDialogRect(LPRECT lpRect) const;

    // ----- painting, focus, timers -----
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    void ValidateRect(LPCRECT lpRect);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);
    virtual CMenu* GetMenu() const;
    void DrawMenuBar();

    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = 0);

    // ----- toolkit side (used by the layer and by tests) -----
    wxWindow* GetWxWindow() const { return m_pWx; }
    static CWnd* FromWxWindow(const wxWindow* pWx);
    // Attaches a toolkit window made elsewhere; the object then owns a handle.
    BOOL AttachWx(wxWindow* pWx);
    // Objects the layer makes for template controls are deleted together with their window.
    void SetAutoDeleteWrapper(BOOL bAutoDelete) { m_bAutoDeleteWrapper = bAutoDelete; }
    // A control tells its parent: first the control's own reflected handler, then the parent.
    void NotifyParentCommand(UINT nCode);
    LRESULT NotifyParent(NMHDR* pNMHDR);

    // The standard handlers, reached through message maps.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy() {}
    void OnClose();
    void OnSize(UINT, int, int) {}
    void OnSizing(UINT, LPRECT) {}
    void OnGetMinMaxInfo(MINMAXINFO*) {}
    void OnPaint();
    // Fills the client area with the window's background colour; TRUE: the background is erased.
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnTimer(UINT_PTR) {}
    void OnSetFocus(CWnd*) {}
    void OnInitMenu(CMenu*) {}
    void OnInitMenuPopup(CMenu*, UINT, BOOL) {}
    BOOL OnSetCursor(CWnd*, UINT, UINT);
    void OnLButtonDown(UINT, CPoint) {}
    void OnLButtonUp(UINT, CPoint) {}
    void OnLButtonDblClk(UINT, CPoint) {}
    void OnMouseMove(UINT, CPoint) {}
    void OnRButtonDown(UINT, CPoint) {}

protected:
    // Makes the toolkit window for a CREATESTRUCT; controls, frames and dialogs override it.
    virtual wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs);
    // The toolkit style of a plain panel window: tab traversal and the border the styles ask for.
    static long PanelStyle(const CREATESTRUCT& cs);
    // Binds the toolkit events every window turns into messages (size, mouse, paint, destroy).
    virtual void BindWxEvents();
    // Runs WM_DESTROY on this window and its attached children, then detaches them all.
    void DestroyTree();
    void Detach();

    wxWindow* m_pWx = nullptr;
    DWORD m_dwStyle = 0;
    DWORD m_dwExStyle = 0;
    UINT m_nDlgCtrlID = 0;
    // Windows that the layer made on its own (controls of a template): deleted with their window.
    BOOL m_bAutoDeleteWrapper = FALSE;
    // Set once a toolkit window was attached: a Create that failed before that did not destroy.
    BOOL m_bHadWindow = FALSE;
    CFont* m_pFont = nullptr;

    DECLARE_MESSAGE_MAP()

    friend class CWndInternals;
};

// Global forms of sending and posting: a null or vanished handle does nothing.
LRESULT AfxSendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL AfxPostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL AfxIsWindow(HWND hWnd);
// Delivers every message posted so far (and those they post in turn, up to a bound), plus the
// toolkit's pending events; used by tests and by modal loops that run without the main loop.
void AfxPumpMessages();
// Draws now what waits to be drawn, for a window that shows progress while the thread is busy
// without a message loop: on this toolkit an update alone draws nothing until the loop turns.
// Only drawing and layout run: pointer and keyboard input to every window is dropped, as the busy
// thread stands for a disabled main window (AfxDropHeldInput), close requests wait for the work to
// end (AfxHoldClose), and posted messages stay queued. Costly: call it when a shown value changed,
// a few dozen times a second.
void AfxPaintNow();
// AfxPaintNow for a window just shown or changed, whose first drawing must not wait for the next
// long step: the toolkit draws at most one frame per refresh of the screen, so right after a frame
// a turn draws nothing. Turns until a frame of pWnd's top-level window was drawn, for at most a few
// frames' time.
void AfxPaintFrameNow(CWnd* pWnd);
// Number of posted messages waiting.
size_t AfxGetPostedMessageCount();
int GetSystemMetrics(int nIndex);
// The work area (the screen without panels) of the display a window is on, in screen coordinates;
// the first display's for none.
CRect AfxGetWorkArea(const CWnd* pWnd);
// Reads a system parameter; SPI_GETWORKAREA fills the RECT that pvParam points to.
BOOL SystemParametersInfo(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni);
