// The folder tree control and the record of each of its items.
#include "ui/MapiFolderTree.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include <wx/settings.h>
#include <wx/treectrl.h>

#include "trace/Trace.h"
#include "ui/TreeItemWalk.h"

IMPLEMENT_DYNAMIC(CItemData, CObject)
IMPLEMENT_DYNAMIC(CMapiFolderTree, CTreeCtrl)

BEGIN_MESSAGE_MAP(CMapiFolderTree, CTreeCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CMapiFolderTree::OnCustomDraw)
END_MESSAGE_MAP()

COLORREF GetDesktopColor(int nIndex) {
    wxColour colour = wxSystemSettings::GetColour(nIndex == COLOR_GRAYTEXT ? wxSYS_COLOUR_GRAYTEXT
                                                                           : wxSYS_COLOUR_WINDOWTEXT);
    return RGB(colour.Red(), colour.Green(), colour.Blue());
}

CItemData::CItemData() {
    TRACE_CTOR("CItemData");
}

CItemData::~CItemData() {
    TRACE_DTOR("CItemData");
    std::free(m_Key.lpb);
    m_Key.lpb = nullptr;
    m_Key.cb = 0;
}

CMapiFolderTree::CMapiFolderTree() {
    TRACE_CTOR("CMapiFolderTree");
}

CMapiFolderTree::~CMapiFolderTree() {
    TRACE_DTOR("CMapiFolderTree");
}

HRESULT CMapiFolderTree::InitControl() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CMapiFolderTree::InitControl", hr);
    m_clrNormalText = GetDesktopColor(COLOR_WINDOWTEXT);
    m_clrGrayText = GetDesktopColor(COLOR_GRAYTEXT);
    return hr;
}

void CMapiFolderTree::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* pDraw = reinterpret_cast<LPNMTVCUSTOMDRAW>(pNMHDR);
    if (pDraw == nullptr) {
        *pResult = -1;
        return;
    }
    switch (pDraw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            *pResult = CDRF_NOTIFYITEMDRAW;
            break;
        case CDDS_ITEMPREPAINT: {
            *pResult = CDRF_DODEFAULT;
            auto* pData = reinterpret_cast<CItemData*>(pDraw->nmcd.lItemlParam);
            if (pData == nullptr)
                break;
            if (pData->m_bSelectable)
                pDraw->clrText =
                    (pDraw->nmcd.uItemState & CDIS_SELECTED) ? RGB(255, 255, 255) : m_clrNormalText;
            else
                pDraw->clrText = m_clrGrayText;
            break;
        }
        case CDDS_ITEMPOSTPAINT:
            *pResult = CDRF_DODEFAULT;
            break;
        default:
            *pResult = 0;
            break;
    }
}

void CMapiFolderTree::RefreshItemColors() {
    NMTVCUSTOMDRAW draw{};
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    if (NotifyParent(&draw.nmcd.hdr) == CDRF_NOTIFYITEMDRAW)
        RefreshLevel(GetRootItem());
}

void CMapiFolderTree::RefreshLevel(HTREEITEM hItem) {
    auto* pTree = dynamic_cast<wxTreeCtrl*>(GetWxWindow());
    if (pTree == nullptr)
        return;
    VisitTreeItems(*this, hItem, [this, pTree](HTREEITEM hVisit) {
        NMTVCUSTOMDRAW draw{};
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(hVisit);
        draw.nmcd.lItemlParam = (LPARAM)GetItemData(hVisit);
        wxTreeItemId id(reinterpret_cast<void*>(hVisit));
        // The window layer keeps a selected item's own colour on the selection background.
        draw.nmcd.uItemState = pTree->IsSelected(id) ? CDIS_SELECTED : 0;
        const COLORREF clrUnset = 0xFFFFFFFFu;
        draw.clrText = clrUnset;
        NotifyParent(&draw.nmcd.hdr);
        if (draw.clrText == clrUnset)
            pTree->SetItemTextColour(id, wxNullColour);
        else
            pTree->SetItemTextColour(
                id, wxColour(GetRValue(draw.clrText), GetGValue(draw.clrText), GetBValue(draw.clrText)));
    });
}

LRESULT CMapiFolderTree::NotifyClick(UINT nCode, CPoint ptScreen) {
    m_ptMessage = ptScreen;
    NMHDR hdr{};
    hdr.code = nCode;
    return NotifyParent(&hdr);
}

BOOL CMapiFolderTree::IsTooDeepToOpen(HTREEITEM hItem) const {
    int nLevel = 0;
    for (; hItem != nullptr && nLevel <= kMaxOpenDepth; hItem = GetParentItem(hItem))
        ++nLevel;
    return nLevel > kMaxOpenDepth;
}

void CMapiFolderTree::ExpandBranch(HTREEITEM hItem) {
    if (hItem == nullptr || IsTooDeepToOpen(hItem))
        return;
    int nLevel = 0;
    for (HTREEITEM hAbove = hItem; hAbove != nullptr; hAbove = GetParentItem(hAbove))
        ++nLevel;
    std::vector<std::pair<HTREEITEM, int>> pending = {{hItem, nLevel}};
    while (!pending.empty()) {
        auto [hOpen, nOpenLevel] = pending.back();
        pending.pop_back();
        Expand(hOpen, TVE_EXPAND);
        if (nOpenLevel >= kMaxOpenDepth)
            continue;
        for (HTREEITEM hChild = GetChildItem(hOpen); hChild != nullptr; hChild = GetNextSiblingItem(hChild)) {
            if (ItemHasChildren(hChild))
                pending.emplace_back(hChild, nOpenLevel + 1);
        }
    }
}

void CMapiFolderTree::BindWxEvents() {
    CTreeCtrl::BindWxEvents();
    HWND h = m_hWnd;
    // The toolkit's tree reports no plain clicks; the mouse-up after its own selection is one.
    m_pWx->Bind(wxEVT_LEFT_UP, [h](wxMouseEvent& e) {
        e.Skip();
        auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        wxPoint pt = p->GetWxWindow()->ClientToScreen(e.GetPosition());
        p->NotifyClick(NM_CLICK, CPoint(pt.x, pt.y));
    });
    m_pWx->Bind(wxEVT_LEFT_DCLICK, [h](wxMouseEvent& e) {
        e.Skip();
        if (auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h))) {
            wxPoint pt = p->GetWxWindow()->ClientToScreen(e.GetPosition());
            p->m_ptMessage = CPoint(pt.x, pt.y);
        }
    });
    // A selected folder's text colour depends on the selection.
    m_pWx->Bind(wxEVT_TREE_SEL_CHANGED, [h](wxTreeEvent& e) {
        e.Skip();
        if (auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h)))
            p->RefreshItemColors();
    });
    // A key that activates an item is no click: it must not be read at the last mouse position.
    // "*" opens the whole branch: here, down to the deepest level the tree opens.
    m_pWx->Bind(wxEVT_KEY_DOWN, [h](wxKeyEvent& e) {
        auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h));
        const int nKey = e.GetKeyCode();
        if (p != nullptr && (nKey == WXK_MULTIPLY || nKey == WXK_NUMPAD_MULTIPLY || nKey == '*')) {
            p->ExpandBranch(p->GetSelectedItem());
            return;
        }
        e.Skip();
        if (p != nullptr)
            p->m_ptMessage = CPoint(-32000, -32000);
    });
    // The main keyboard's "*" is a shifted key: its key-down carries the key's own code, and only
    // the character that follows is "*". The toolkit's tree would open everything below on it.
    m_pWx->Bind(wxEVT_CHAR, [h](wxKeyEvent& e) {
        const int nKey = e.GetKeyCode();
        if (nKey != '*' && nKey != WXK_MULTIPLY && nKey != WXK_NUMPAD_MULTIPLY) {
            e.Skip();
            return;
        }
        if (auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h)))
            p->ExpandBranch(p->GetSelectedItem());
    });
    m_pWx->Bind(wxEVT_TREE_ITEM_EXPANDING, [h](wxTreeEvent& e) {
        auto* p = dynamic_cast<CMapiFolderTree*>(CWnd::FromHandle(h));
        if (p != nullptr && p->IsTooDeepToOpen(reinterpret_cast<HTREEITEM>(e.GetItem().GetID())))
            e.Veto();
        else
            e.Skip();
    });
}
