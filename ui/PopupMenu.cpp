// The context menu: entries collected, shown through the toolkit, the choice sent as a command.
#include "ui/PopupMenu.h"

#include <wx/menu.h>
#include <wx/window.h>

#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/WxText.h"

namespace {

CPopupMenu::TrackHook g_trackHook;

}  // namespace

BOOL CPopupMenu::CreatePopupMenu() {
    m_entries.clear();
    m_bCreated = TRUE;
    return TRUE;
}

BOOL CPopupMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    if (!m_bCreated || lpszNewItem == nullptr || (nFlags & (MF_POPUP | MF_SEPARATOR)) != 0)
        return FALSE;
    m_entries.push_back(Entry{(UINT)nIDNewItem, lpszNewItem});
    return TRUE;
}

BOOL CPopupMenu::TrackPopupMenu(UINT, int x, int y, CWnd* pOwner) {
    if (!m_bCreated || pOwner == nullptr || pOwner->GetWxWindow() == nullptr)
        return FALSE;
    UINT nChosen = 0;
    if (g_trackHook) {
        nChosen = g_trackHook(m_entries, CPoint(x, y));
    } else {
        wxMenu menu;
        for (const Entry& entry : m_entries)
            menu.Append(AfxCommandToWxId(entry.nID), ToWx(CMenu::CleanMenuText(entry.text.c_str())));
        wxWindow* pWx = pOwner->GetWxWindow();
        const int nId = pWx->GetPopupMenuSelectionFromUser(menu, pWx->ScreenToClient(wxPoint(x, y)));
        if (nId != wxID_NONE)
            nChosen = AfxWxIdToCommand(nId);
    }
    if (nChosen != 0)
        pOwner->SendMessage(WM_COMMAND, nChosen, 0);
    return TRUE;
}

void CPopupMenu::SetTrackHook(TrackHook hook) {
    g_trackHook = std::move(hook);
}
