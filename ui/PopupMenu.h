// CPopupMenu: a context menu built for one click and shown at the mouse position.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/wnd/Wnd.h"

#ifndef TPM_LEFTALIGN
#define TPM_LEFTALIGN 0x0000
#endif

// The window layer's menus are menu bars; this is the pop-up kind: entries with commands, shown
// until the user picks one or dismisses it. The chosen command goes to the owner as WM_COMMAND.
class CPopupMenu {
public:
    struct Entry {
        UINT nID;
        std::string text;
    };
    // Answers in place of the user while set (tests): the command to choose, or 0 for none.
    using TrackHook = std::function<UINT(const std::vector<Entry>& entries, CPoint ptScreen)>;

    BOOL CreatePopupMenu();
    // Only plain text entries (MF_STRING).
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem);
    // Shows the menu at a screen position; returns once it is closed (FALSE: not shown).
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pOwner);
    const std::vector<Entry>& GetEntries() const { return m_entries; }

    static void SetTrackHook(TrackHook hook);

private:
    BOOL m_bCreated = FALSE;
    std::vector<Entry> m_entries;
};
