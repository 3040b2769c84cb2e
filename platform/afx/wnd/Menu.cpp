// Menus over the toolkit's menu bar and menus.
#include "platform/afx/wnd/Menu.h"

#include <wx/menu.h>

#include <map>
#include <memory>

#include "platform/afx/wnd/WxText.h"

namespace {
struct IdTable {
    std::map<UINT, int> toWx;
    std::map<int, UINT> toCommand;
    int next = 0x6000;
};
IdTable& Ids() {
    static IdTable table;
    return table;
}
}  // namespace

int AfxCommandToWxId(UINT nCommandID) {
    if (nCommandID < 0x6000)
        return (int)nCommandID;
    IdTable& t = Ids();
    auto it = t.toWx.find(nCommandID);
    if (it != t.toWx.end())
        return it->second;
    int id = t.next++;
    t.toWx[nCommandID] = id;
    t.toCommand[id] = nCommandID;
    return id;
}

UINT AfxWxIdToCommand(int nWxID) {
    auto it = Ids().toCommand.find(nWxID);
    return it != Ids().toCommand.end() ? it->second : (UINT)nWxID;
}

namespace {
std::map<const void*, std::unique_ptr<CMenu>>& Menus() {
    static std::map<const void*, std::unique_ptr<CMenu>> menus;
    return menus;
}

void AppendItems(wxMenu* pMenu, const std::vector<MENUITEMDEF>& items) {
    for (const MENUITEMDEF& item : items) {
        if (!item.items.empty()) {
            auto* pSub = new wxMenu();
            AppendItems(pSub, item.items);
            pMenu->AppendSubMenu(pSub, ToWx(CMenu::CleanMenuText(item.lpszText)));
        } else if (item.nID == 0) {
            pMenu->AppendSeparator();
        } else {
            pMenu->Append(AfxCommandToWxId(item.nID), ToWx(CMenu::CleanMenuText(item.lpszText)), wxString(),
                          item.bCheck ? wxITEM_CHECK : wxITEM_NORMAL);
        }
    }
}
}  // namespace

CMenu* CMenu::FromWx(wxMenuBar* pBar) {
    if (pBar == nullptr)
        return nullptr;
    auto& slot = Menus()[pBar];
    if (!slot || slot->m_pBar != pBar) {
        slot = std::make_unique<CMenu>();
        slot->m_pBar = pBar;
    }
    return slot.get();
}

CMenu* CMenu::FromWx(wxMenu* pMenu) {
    if (pMenu == nullptr)
        return nullptr;
    auto& slot = Menus()[pMenu];
    if (!slot || slot->m_pMenu != pMenu) {
        slot = std::make_unique<CMenu>();
        slot->m_pMenu = pMenu;
    }
    return slot.get();
}

wxMenuBar* CMenu::BuildMenuBar(const MENUDEF& def) {
    auto* pBar = new wxMenuBar();
    for (const MENUITEMDEF& popup : def.popups) {
        auto* pMenu = new wxMenu();
        AppendItems(pMenu, popup.items);
        pBar->Append(pMenu, ToWx(CleanMenuText(popup.lpszText)));
    }
    return pBar;
}

CString CMenu::CleanMenuText(LPCSTR lpszText) {
    CString out;
    if (lpszText == nullptr)
        return out;
    // A BEL or other control byte would reach the toolkit as a raw character: only the tab,
    // which separates the shortcut, has a meaning in a menu text.
    for (const char* p = lpszText; *p; ++p) {
        unsigned char c = (unsigned char)*p;
        if (c >= 0x20 || c == '\t')
            out += *p;
    }
    return out;
}

UINT CMenu::GetMenuItemCount() const {
    if (m_pBar != nullptr)
        return (UINT)m_pBar->GetMenuCount();
    if (m_pMenu != nullptr)
        return (UINT)m_pMenu->GetMenuItemCount();
    return (UINT)-1;
}

UINT CMenu::GetMenuItemID(int nPos) const {
    if (m_pBar != nullptr)
        return nPos >= 0 && nPos < (int)m_pBar->GetMenuCount() ? (UINT)-1 : 0;
    if (m_pMenu == nullptr || nPos < 0 || nPos >= (int)m_pMenu->GetMenuItemCount())
        return 0;
    wxMenuItem* pItem = m_pMenu->FindItemByPosition((size_t)nPos);
    if (pItem->IsSubMenu())
        return (UINT)-1;
    if (pItem->IsSeparator())
        return 0;
    return AfxWxIdToCommand(pItem->GetId());
}

CMenu* CMenu::GetSubMenu(int nPos) const {
    if (nPos < 0)
        return nullptr;
    if (m_pBar != nullptr)
        return nPos < (int)m_pBar->GetMenuCount() ? FromWx(m_pBar->GetMenu((size_t)nPos)) : nullptr;
    if (m_pMenu == nullptr || nPos >= (int)m_pMenu->GetMenuItemCount())
        return nullptr;
    wxMenuItem* pItem = m_pMenu->FindItemByPosition((size_t)nPos);
    return pItem->IsSubMenu() ? FromWx(pItem->GetSubMenu()) : nullptr;
}

BOOL CMenu::GetMenuItemInfo(UINT uItem, MENUITEMINFO* lpInfo, BOOL fByPos) const {
    if (lpInfo == nullptr)
        return FALSE;
    int nPos = -1;
    if (fByPos) {
        nPos = (int)uItem;
    } else if (m_pMenu != nullptr) {
        for (size_t i = 0; i < m_pMenu->GetMenuItemCount(); ++i)
            if (AfxWxIdToCommand(m_pMenu->FindItemByPosition(i)->GetId()) == uItem)
                nPos = (int)i;
    }
    if (nPos < 0 || nPos >= (int)GetMenuItemCount())
        return FALSE;
    CMenu* pSub = GetSubMenu(nPos);
    UINT id = GetMenuItemID(nPos);
    lpInfo->wID = pSub ? 0 : id;
    lpInfo->hSubMenu = pSub;
    lpInfo->fType = (!pSub && id == 0) ? MFT_SEPARATOR : MFT_STRING;
    lpInfo->fState = 0;
    return TRUE;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    rString = CString();
    if (m_pBar != nullptr) {
        if ((nFlags & MF_BYPOSITION) && nIDItem < m_pBar->GetMenuCount())
            rString = ::FromWx(m_pBar->GetMenuLabel(nIDItem));
        return rString.GetLength();
    }
    if (m_pMenu == nullptr)
        return 0;
    wxMenuItem* pItem = nullptr;
    if (nFlags & MF_BYPOSITION) {
        if (nIDItem < m_pMenu->GetMenuItemCount())
            pItem = m_pMenu->FindItemByPosition(nIDItem);
    } else {
        pItem = m_pMenu->FindItem(AfxCommandToWxId(nIDItem));
    }
    if (pItem != nullptr)
        rString = ::FromWx(pItem->GetItemLabel());
    return rString.GetLength();
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR, LPCSTR lpszNewItem) {
    wxString text = ToWx(CleanMenuText(lpszNewItem));
    if (m_pBar != nullptr) {
        if (nFlags & MF_BYPOSITION) {
            if (nPosition >= m_pBar->GetMenuCount())
                return FALSE;
            m_pBar->SetMenuLabel(nPosition, text);
            return TRUE;
        }
        wxMenuItem* pItem = m_pBar->FindItem(AfxCommandToWxId(nPosition));
        if (pItem == nullptr)
            return FALSE;
        pItem->SetItemLabel(text);
        return TRUE;
    }
    if (m_pMenu == nullptr)
        return FALSE;
    wxMenuItem* pItem = nullptr;
    if (nFlags & MF_BYPOSITION) {
        if (nPosition < m_pMenu->GetMenuItemCount())
            pItem = m_pMenu->FindItemByPosition(nPosition);
    } else {
        pItem = m_pMenu->FindItem(AfxCommandToWxId(nPosition));
    }
    if (pItem == nullptr || pItem->IsSeparator())
        return FALSE;
    pItem->SetItemLabel(text);
    return TRUE;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    wxMenuItem* pItem = m_pBar ? m_pBar->FindItem(AfxCommandToWxId(nIDEnableItem))
                               : (m_pMenu ? m_pMenu->FindItem(AfxCommandToWxId(nIDEnableItem)) : nullptr);
    if (pItem == nullptr)
        return (UINT)-1;
    UINT old = pItem->IsEnabled() ? MF_ENABLED : MF_GRAYED;
    pItem->Enable((nEnable & (MF_GRAYED | MF_DISABLED)) == 0);
    return old;
}

UINT CMenu::GetMenuState(UINT nID, UINT) const {
    wxMenuItem* pItem = m_pBar ? m_pBar->FindItem(AfxCommandToWxId(nID))
                               : (m_pMenu ? m_pMenu->FindItem(AfxCommandToWxId(nID)) : nullptr);
    if (pItem == nullptr)
        return (UINT)-1;
    return (pItem->IsEnabled() ? 0u : (UINT)MF_GRAYED) |
           (pItem->IsCheckable() && pItem->IsChecked() ? (UINT)MF_CHECKED : 0u);
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
    wxMenuItem* pItem = m_pBar ? m_pBar->FindItem(AfxCommandToWxId(nIDCheckItem))
                               : (m_pMenu ? m_pMenu->FindItem(AfxCommandToWxId(nIDCheckItem)) : nullptr);
    if (pItem == nullptr || !pItem->IsCheckable())
        return (UINT)-1;
    UINT old = pItem->IsChecked() ? MF_CHECKED : 0;
    pItem->Check((nCheck & MF_CHECKED) != 0);
    return old;
}
