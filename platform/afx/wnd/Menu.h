// Menus: the menu bar and its drop-downs, read and relabelled by position or by command.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WndDefs.h"

class wxMenuBar;
class wxMenu;

struct MENUITEMINFOA {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    void* hSubMenu;  // the drop-down's CMenu, or null
    LPSTR dwTypeData;
    UINT cch;
};
typedef MENUITEMINFOA MENUITEMINFO;

// The toolkit numbers menu items and tools below 0x7FFF; the system's commands go up to 0xFFFF.
// Commands at or above 0x7FFF get a stand-in toolkit id (from 0x6000 up) for their lifetime.
int AfxCommandToWxId(UINT nCommandID);
UINT AfxWxIdToCommand(int nWxID);

class CMenu {
public:
    // The menu object of a toolkit menu bar or drop-down; the same object every time.
    static CMenu* FromWx(wxMenuBar* pBar);
    static CMenu* FromWx(wxMenu* pMenu);
    // A new menu bar built from a menu resource (owned by whoever attaches it to a frame).
    static wxMenuBar* BuildMenuBar(const MENUDEF& def);
    // The text as the toolkit should show it: control characters other than the tab dropped.
    static CString CleanMenuText(LPCSTR lpszText);

    UINT GetMenuItemCount() const;
    // The command of the item at nPos; (UINT)-1 for a drop-down, 0 for a separator.
    UINT GetMenuItemID(int nPos) const;
    CMenu* GetSubMenu(int nPos) const;
    BOOL GetMenuItemInfo(UINT uItem, MENUITEMINFO* lpInfo, BOOL fByPos = FALSE) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    // MF_BYPOSITION replaces the text at a position (a drop-down keeps its items); MF_BYCOMMAND
    // replaces the text of the item with that command, searching drop-downs too.
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    // MF_GRAYED and MF_CHECKED as they stand for the item with that command; (UINT)-1 if none.
    UINT GetMenuState(UINT nID, UINT nFlags) const;
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    BOOL IsMenuBar() const { return m_pBar != nullptr; }
    wxMenuBar* GetWxMenuBar() const { return m_pBar; }
    wxMenu* GetWxMenu() const { return m_pMenu; }

private:
    wxMenuBar* m_pBar = nullptr;
    wxMenu* m_pMenu = nullptr;
};
