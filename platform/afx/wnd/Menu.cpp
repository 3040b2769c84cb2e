// Menus over the toolkit's menu bar and menus.
#include "platform/afx/wnd/Menu.h"

#include <wx/menu.h>
#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

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

// A menu text is "label\tshortcut". The shortcut is shown as the language file writes it ("Strg+N"
// under German); the keys themselves are the frame's accelerator table. Handing the text to the
// toolkit as an accelerator would show only what it can parse ("N") and bind that key instead.
void SplitMenuText(const CString& text, CString& label, CString& shortcut) {
    const int nTab = text.Find('\t');
    label = nTab < 0 ? text : text.Left(nTab);
    shortcut = nTab < 0 ? CString() : text.Mid(nTab + 1);
}

#ifdef __WXGTK__
// The widest a label grows, in characters: in a menu, and in the menu bar, whose labels side by
// side must leave the main window within the screen.
constexpr int kMaxLabelChars = 60;
constexpr int kMaxBarLabelChars = 20;

// The toolkit's mnemonic marker is "_": "&&" is a plain "&", "_" must be doubled.
std::string MnemonicText(const CString& label) {
    std::string out;
    for (int i = 0; i < label.GetLength(); ++i) {
        const char c = label[i];
        if (c == '&' && i + 1 < label.GetLength() && label[i + 1] == '&') {
            out += '&';
            ++i;
        } else if (c == '&') {
            out += '_';
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

// A menu entry's labels end in an ellipsis beyond a few dozen characters: the menu bar and every
// menu stay within the screen whatever a language file makes of their texts.
void LimitLabelWidth(GtkWidget* pWidget, int nMaxChars = kMaxLabelChars) {
    if (pWidget == nullptr)
        return;
    if (GTK_IS_LABEL(pWidget)) {
        gtk_label_set_ellipsize(GTK_LABEL(pWidget), PANGO_ELLIPSIZE_END);
        gtk_label_set_max_width_chars(GTK_LABEL(pWidget), nMaxChars);
        return;
    }
    if (GTK_IS_CONTAINER(pWidget)) {
        GList* pList = gtk_container_get_children(GTK_CONTAINER(pWidget));
        for (GList* p = pList; p != nullptr; p = p->next)
            LimitLabelWidth(GTK_WIDGET(p->data), nMaxChars);
        g_list_free(pList);
    }
}

// The item's row: its label with the mnemonic on the left, the shortcut text on the right, made
// on first use in place of the toolkit's accelerator label.
bool ShowItemRow(wxMenuItem* pItem, const CString& label, const CString& shortcut, bool bCreate) {
    GtkWidget* pWidget = pItem->GetMenuItem();
    if (pWidget == nullptr || !GTK_IS_BIN(pWidget))
        return false;
    GtkWidget* pChild = gtk_bin_get_child(GTK_BIN(pWidget));
    GtkWidget* pLabel = nullptr;
    GtkWidget* pKeys = nullptr;
    if (pChild != nullptr && GTK_IS_BOX(pChild)) {
        GList* pList = gtk_container_get_children(GTK_CONTAINER(pChild));
        if (g_list_length(pList) == 2) {
            pLabel = GTK_WIDGET(g_list_nth_data(pList, 0));
            pKeys = GTK_WIDGET(g_list_nth_data(pList, 1));
        }
        g_list_free(pList);
        if (pLabel == nullptr)
            return false;
    } else {
        if (!bCreate)
            return false;
        if (pChild != nullptr)
            gtk_container_remove(GTK_CONTAINER(pWidget), pChild);
        GtkWidget* pBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
        pLabel = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(pLabel), 0.0f);
        gtk_label_set_mnemonic_widget(GTK_LABEL(pLabel), pWidget);
        pKeys = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(pKeys), 1.0f);
        gtk_widget_set_margin_start(pKeys, 24);
        gtk_style_context_add_class(gtk_widget_get_style_context(pKeys), "dim-label");
        gtk_box_pack_start(GTK_BOX(pBox), pLabel, TRUE, TRUE, 0);
        gtk_box_pack_start(GTK_BOX(pBox), pKeys, FALSE, FALSE, 0);
        gtk_container_add(GTK_CONTAINER(pWidget), pBox);
        gtk_widget_show_all(pBox);
    }
    gtk_label_set_text_with_mnemonic(GTK_LABEL(pLabel), MnemonicText(label).c_str());
    gtk_label_set_text(GTK_LABEL(pKeys), shortcut.GetString());
    LimitLabelWidth(pWidget);
    return true;
}
#endif

// The entry in the menu bar of a menu, and an item of a menu, keep their labels short.
void LimitWidth(wxMenu* pMenu) {
#ifdef __WXGTK__
    if (pMenu != nullptr)
        LimitLabelWidth(pMenu->m_owner, kMaxBarLabelChars);
#else
    (void)pMenu;
#endif
}

void LimitWidth(wxMenuItem* pItem) {
#ifdef __WXGTK__
    if (pItem != nullptr)
        LimitLabelWidth(pItem->GetMenuItem());
#else
    (void)pItem;
#endif
}

// Gives an item its text; the toolkit never sees the shortcut part as an accelerator.
void SetItemText(wxMenuItem* pItem, const CString& text) {
    CString label, shortcut;
    SplitMenuText(text, label, shortcut);
#ifdef __WXGTK__
    // The item keeps the whole text (it is what the menu string reads back); the row shows it.
    if (ShowItemRow(pItem, label, shortcut, !shortcut.IsEmpty())) {
        pItem->wxMenuItemBase::SetItemLabel(ToWx(text));
        return;
    }
#endif
    pItem->SetItemLabel(ToWx(label));
    LimitWidth(pItem);
}

std::map<const void*, std::unique_ptr<CMenu>>& Menus() {
    static std::map<const void*, std::unique_ptr<CMenu>> menus;
    return menus;
}

void AppendItems(wxMenu* pMenu, const std::vector<MENUITEMDEF>& items) {
    for (const MENUITEMDEF& item : items) {
        if (!item.items.empty()) {
            auto* pSub = new wxMenu();
            AppendItems(pSub, item.items);
            LimitWidth(pMenu->AppendSubMenu(pSub, ToWx(CMenu::CleanMenuText(item.lpszText))));
        } else if (item.nID == 0) {
            pMenu->AppendSeparator();
        } else {
            const CString text = CMenu::CleanMenuText(item.lpszText);
            CString label, shortcut;
            SplitMenuText(text, label, shortcut);
            wxMenuItem* pItem = pMenu->Append(AfxCommandToWxId(item.nID), ToWx(label), wxString(),
                                              item.bCheck ? wxITEM_CHECK : wxITEM_NORMAL);
            if (pItem != nullptr && !shortcut.IsEmpty())
                SetItemText(pItem, text);
            LimitWidth(pItem);
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
        LimitWidth(pMenu);
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
    const CString cleaned = CleanMenuText(lpszNewItem);
    wxString text = ToWx(cleaned);
    if (m_pBar != nullptr) {
        if (nFlags & MF_BYPOSITION) {
            if (nPosition >= m_pBar->GetMenuCount())
                return FALSE;
            m_pBar->SetMenuLabel(nPosition, text);
            LimitWidth(m_pBar->GetMenu(nPosition));
            return TRUE;
        }
        wxMenuItem* pItem = m_pBar->FindItem(AfxCommandToWxId(nPosition));
        if (pItem == nullptr)
            return FALSE;
        SetItemText(pItem, cleaned);
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
    SetItemText(pItem, cleaned);
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
