// Message-map search and command-state updates, shared by every command target.
#include "platform/afx/wnd/CmdTarget.h"

#include "platform/afx/wnd/WaitCursor.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {AFX_MSGMAP_ENTRY{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

static bool CodeMatches(const AFX_MSGMAP_ENTRY& e, UINT nMessage, UINT nCode) {
    if (nMessage == WM_NOTIFY)
        return (WORD)e.nCode == (WORD)nCode;
    return e.nCode == nCode;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage != nMessage)
                continue;
            if (nMessage == WM_REFLECT_BASE + WM_NOTIFY || nMessage == WM_REFLECT_BASE + WM_COMMAND) {
                if ((WORD)e->nCode == (WORD)nCode)
                    return e;
                continue;
            }
            if (nMessage != WM_COMMAND && nMessage != WM_NOTIFY)
                return e;
            if (CodeMatches(*e, nMessage, nCode) && nID >= e->nID && nID <= e->nLastID)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    // A notification arrives with its message in the high word, as the window code packs it.
    UINT nMsg = HIWORD(nCode) == WM_NOTIFY ? WM_NOTIFY : WM_COMMAND;
    UINT nPlainCode = nMsg == WM_NOTIFY ? LOWORD(nCode) : (UINT)nCode;
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(nMsg, nPlainCode, nID);
    if (pEntry == nullptr)
        return FALSE;
    if (pHandlerInfo != nullptr) {
        pHandlerInfo->pTarget = this;
        return TRUE;
    }
    LRESULT dummy = 0;
    // The entry may run code that deletes this object: nothing of it is touched afterwards.
    return pEntry->pfn(this, (WPARAM)nID, 0, pExtra, &dummy);
}

void CCmdTarget::BeginWaitCursor() {
    AfxBeginWaitCursor();
}

void CCmdTarget::EndWaitCursor() {
    AfxEndWaitCursor();
}

void CCmdUI::Enable(BOOL bOn) {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    m_nCheck = nCheck;
}

void CCmdUI::SetText(LPCSTR) {}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
    if (m_nID == 0 || pTarget == nullptr)
        return TRUE;
    m_bEnableChanged = FALSE;
    BOOL bResult = pTarget->OnCmdMsg(m_nID, (int)CN_UPDATE_COMMAND_UI, this, nullptr);
    if (!bResult && bDisableIfNoHandler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info{nullptr};
        BOOL bHandler = pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info);
        Enable(bHandler);
    }
    return bResult;
}
