// Command targets and their message maps: how commands, notifications and window messages find
// the member function that handles them.
//
// A class that handles anything declares DECLARE_MESSAGE_MAP() and lists its entries between
// BEGIN_MESSAGE_MAP(CThis, CBase) and END_MESSAGE_MAP(). The entries are searched from the most
// derived class towards CCmdTarget; the first match runs. Commands (WM_COMMAND) are routed with
// OnCmdMsg, which the frame, views and documents extend to pass a command along their road.
#pragma once

#include <functional>

#include "platform/afx/CObject.h"
#include "platform/afx/wnd/WndDefs.h"

class CCmdTarget;
class CCmdUI;

// One entry: for WM_COMMAND the code is the control notification (CN_COMMAND for plain
// commands, CN_UPDATE_COMMAND_UI for state queries); for WM_NOTIFY the notification code.
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    // Runs the handler; returns FALSE only for the "_EX" forms that decline a message.
    std::function<BOOL(CCmdTarget*, WPARAM, LPARAM, void* pExtra, LRESULT* pResult)> pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Filled by OnCmdMsg when a caller only asks whether a handler exists.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
};

// What a WM_NOTIFY entry receives through OnCmdMsg.
struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Looks for a handler of command nID with code nCode in this object's message map. With
    // pHandlerInfo set it only reports whether one exists. Overrides extend the road.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The standard wait cursor, counted so nested calls balance.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor() {}

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry of the map chain for (message, code, id), or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;

    friend class CWnd;
};

// The state of one command's user-interface element (menu item, toolbar button, test probe).
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    UINT m_nIndexMax = 0;
    class CMenu* m_pMenu = nullptr;
    class CWnd* m_pOther = nullptr;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE) { SetCheck(bOn ? 1 : 0); }
    virtual void SetText(LPCSTR lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks pTarget for the state; with no state handler the element is enabled exactly when a
    // command handler exists (and bDisableIfNoHandler is set). Returns TRUE when answered.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

    // What the last update decided (also what tests read back).
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
};

// ----- message map macros -----

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                     \
    AFX_MSGMAP_ENTRY {                                                                        \
        0, 0, 0, 0, nullptr                                                                   \
    }                                                                                         \
    }                                                                                         \
    ;                                                                                         \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries}; \
    return &messageMap;                                                                       \
    }

#define QRV_MSG_LAMBDA \
    [](CCmdTarget * pTarget_, WPARAM wParam_, LPARAM lParam_, void* pExtra_, LRESULT* pResult_) -> BOOL
#define QRV_THIS static_cast<ThisClass*>(pTarget_)
#define QRV_UNUSED_ARGS \
    (void)wParam_;      \
    (void)lParam_;      \
    (void)pExtra_;      \
    (void)pResult_

#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)

#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                       \
    AFX_MSGMAP_ENTRY{WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id),                        \
                     [pfn = static_cast<void (ThisClass::*)()>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
                         QRV_UNUSED_ARGS;                                                            \
                         (QRV_THIS->*pfn)();                                                         \
                         return TRUE;                                                                \
                     }},

#define QRV_MSG_LAMBDA_CAPTURED \
    (CCmdTarget * pTarget_, WPARAM wParam_, LPARAM lParam_, void* pExtra_, LRESULT* pResult_)->BOOL

#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                          \
    AFX_MSGMAP_ENTRY{WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast),                                 \
                     [pfn = static_cast<void (ThisClass::*)(UINT)>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
                         QRV_UNUSED_ARGS;                                                                \
                         (QRV_THIS->*pfn)((UINT)wParam_);                                                \
                         return TRUE;                                                                    \
                     }},

#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                 \
    AFX_MSGMAP_ENTRY{WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id),                              \
                     [pfn = static_cast<void (ThisClass::*)(CCmdUI*)>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
                         QRV_UNUSED_ARGS;                                                                   \
                         (QRV_THIS->*pfn)(static_cast<CCmdUI*>(pExtra_));                                   \
                         return TRUE;                                                                       \
                     }},

#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                           \
    AFX_MSGMAP_ENTRY{                                                                                   \
        WM_NOTIFY, (UINT)(WORD)(wNotifyCode), (UINT)(id), (UINT)(id),                                   \
        [pfn = static_cast<void (ThisClass::*)(NMHDR*, LRESULT*)>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
            QRV_UNUSED_ARGS;                                                                            \
            AFX_NOTIFY* pNotify = static_cast<AFX_NOTIFY*>(pExtra_);                                    \
            (QRV_THIS->*pfn)(pNotify->pNMHDR, pNotify->pResult);                                        \
            return TRUE;                                                                                \
        }},

#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn)                                                    \
    AFX_MSGMAP_ENTRY{WM_NOTIFY, (UINT)(WORD)(wNotifyCode), (UINT)(id), (UINT)(id),                  \
                     [pfn = static_cast<BOOL (ThisClass::*)(UINT, NMHDR*, LRESULT*)>(               \
                          memberFxn)] QRV_MSG_LAMBDA_CAPTURED {                                     \
                         QRV_UNUSED_ARGS;                                                           \
                         AFX_NOTIFY* pNotify = static_cast<AFX_NOTIFY*>(pExtra_);                   \
                         return (QRV_THIS->*pfn)((UINT)wParam_, pNotify->pNMHDR, pNotify->pResult); \
                     }},

#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn)                                      \
    AFX_MSGMAP_ENTRY{WM_NOTIFY, (UINT)(WORD)(wNotifyCode), (UINT)(id), (UINT)(idLast),              \
                     [pfn = static_cast<BOOL (ThisClass::*)(UINT, NMHDR*, LRESULT*)>(               \
                          memberFxn)] QRV_MSG_LAMBDA_CAPTURED {                                     \
                         QRV_UNUSED_ARGS;                                                           \
                         AFX_NOTIFY* pNotify = static_cast<AFX_NOTIFY*>(pExtra_);                   \
                         return (QRV_THIS->*pfn)((UINT)wParam_, pNotify->pNMHDR, pNotify->pResult); \
                     }},

// Notifications a control handles itself before its parent sees them.
#define WM_REFLECT_BASE 0xBC00
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                       \
    AFX_MSGMAP_ENTRY{                                                                                   \
        WM_REFLECT_BASE + WM_NOTIFY, (UINT)(WORD)(wNotifyCode), 0, 0,                                   \
        [pfn = static_cast<void (ThisClass::*)(NMHDR*, LRESULT*)>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
            QRV_UNUSED_ARGS;                                                                            \
            AFX_NOTIFY* pNotify = static_cast<AFX_NOTIFY*>(pExtra_);                                    \
            (QRV_THIS->*pfn)(pNotify->pNMHDR, pNotify->pResult);                                        \
            return TRUE;                                                                                \
        }},
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn)                                                   \
    AFX_MSGMAP_ENTRY{WM_REFLECT_BASE + WM_COMMAND, (UINT)(wNotifyCode), 0, 0,                        \
                     [pfn = static_cast<void (ThisClass::*)()>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
                         QRV_UNUSED_ARGS;                                                            \
                         (QRV_THIS->*pfn)();                                                         \
                         return TRUE;                                                                \
                     }},

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)

// A window message handled by a function with the message's raw arguments.
#define ON_MESSAGE(message, memberFxn)                                                                   \
    AFX_MSGMAP_ENTRY{                                                                                    \
        (UINT)(message), 0, 0, 0,                                                                        \
        [pfn = static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>(memberFxn)] QRV_MSG_LAMBDA_CAPTURED { \
            QRV_UNUSED_ARGS;                                                                             \
            *pResult_ = (QRV_THIS->*pfn)(wParam_, lParam_);                                              \
            return TRUE;                                                                                 \
        }},

// Window messages with cracked arguments; each calls the same-named member of the class.
#define QRV_ON_WM(message, body)                                               \
    AFX_MSGMAP_ENTRY{(UINT)(message), 0, 0, 0, QRV_MSG_LAMBDA{QRV_UNUSED_ARGS; \
    body;                                                                      \
    return TRUE;                                                               \
    }                                                                          \
    }                                                                          \
    ,

#define ON_WM_CREATE() \
    QRV_ON_WM(WM_CREATE, *pResult_ = QRV_THIS->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam_)))
#define ON_WM_DESTROY() QRV_ON_WM(WM_DESTROY, QRV_THIS->OnDestroy())
#define ON_WM_CLOSE() QRV_ON_WM(WM_CLOSE, QRV_THIS->OnClose())
#define ON_WM_SIZE() \
    QRV_ON_WM(WM_SIZE, QRV_THIS->OnSize((UINT)wParam_, GET_X_LPARAM(lParam_), GET_Y_LPARAM(lParam_)))
#define ON_WM_SIZING() \
    QRV_ON_WM(WM_SIZING, QRV_THIS->OnSizing((UINT)wParam_, reinterpret_cast<LPRECT>(lParam_)))
#define ON_WM_GETMINMAXINFO() \
    QRV_ON_WM(WM_GETMINMAXINFO, QRV_THIS->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam_)))
#define ON_WM_PAINT() QRV_ON_WM(WM_PAINT, QRV_THIS->OnPaint())
#define ON_WM_ERASEBKGND() \
    QRV_ON_WM(WM_ERASEBKGND, *pResult_ = QRV_THIS->OnEraseBkgnd(reinterpret_cast<CDC*>(wParam_)))
#define ON_WM_TIMER() QRV_ON_WM(WM_TIMER, QRV_THIS->OnTimer((UINT_PTR)wParam_))
#define ON_WM_SETFOCUS() QRV_ON_WM(WM_SETFOCUS, QRV_THIS->OnSetFocus(nullptr))
#define ON_WM_INITMENU() QRV_ON_WM(WM_INITMENU, QRV_THIS->OnInitMenu(reinterpret_cast<CMenu*>(wParam_)))
#define ON_WM_INITMENUPOPUP()                                                                \
    QRV_ON_WM(WM_INITMENUPOPUP, QRV_THIS->OnInitMenuPopup(reinterpret_cast<CMenu*>(wParam_), \
                                                          LOWORD(lParam_), (BOOL)HIWORD(lParam_)))
#define ON_WM_SETCURSOR()                                                                       \
    QRV_ON_WM(WM_SETCURSOR, *pResult_ = QRV_THIS->OnSetCursor(reinterpret_cast<CWnd*>(wParam_), \
                                                              LOWORD(lParam_), HIWORD(lParam_)))
#define QRV_MOUSE_ARGS (UINT) wParam_, CPoint(GET_X_LPARAM(lParam_), GET_Y_LPARAM(lParam_))
#define ON_WM_LBUTTONDOWN() QRV_ON_WM(WM_LBUTTONDOWN, QRV_THIS->OnLButtonDown(QRV_MOUSE_ARGS))
#define ON_WM_LBUTTONUP() QRV_ON_WM(WM_LBUTTONUP, QRV_THIS->OnLButtonUp(QRV_MOUSE_ARGS))
#define ON_WM_LBUTTONDBLCLK() QRV_ON_WM(WM_LBUTTONDBLCLK, QRV_THIS->OnLButtonDblClk(QRV_MOUSE_ARGS))
#define ON_WM_MOUSEMOVE() QRV_ON_WM(WM_MOUSEMOVE, QRV_THIS->OnMouseMove(QRV_MOUSE_ARGS))
#define ON_WM_RBUTTONDOWN() QRV_ON_WM(WM_RBUTTONDOWN, QRV_THIS->OnRButtonDown(QRV_MOUSE_ARGS))
