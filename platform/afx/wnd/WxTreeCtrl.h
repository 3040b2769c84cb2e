// CWxTreeCtrl: the toolkit's generic tree as the tree control needs it, with the data of its items.
#pragma once

#include <wx/treectrl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "platform/afx/wnd/TreeSortIndex.h"
#include "platform/win32/WinTypes.h"

// What the tree control keeps with each item of the toolkit's tree.
class CTreeItemData : public wxTreeItemData {
public:
    DWORD_PTR m_dwData = 0;
    size_t m_nRank = 0;  // the item's place while a fill puts the siblings in order
    // The item's node in its siblings' index; valid only while m_nSortFill is the tree's.
    CTreeSortIndex* m_pSortIndex = nullptr;
    CTreeSortIndex::Node* m_pSortNode = nullptr;
    unsigned m_nSortFill = 0;
    unsigned m_nLooks = 0;  // the round of looks in which the item's colour and font were chosen
    // The item's label. The toolkit's tree gets it only when the item is first painted or its
    // place on screen is asked for (m_bShown): until then it holds an empty text.
    wxString m_text;
    bool m_bShown = false;
};

// The toolkit's tree where it differs from the common control. It draws a selected item's text in
// the selection's text colour whatever colour the item was given, where the common control keeps
// a colour that custom drawing chose for the item (a marked entry stays grey on the selection):
// after the tree has painted, the label of every selected item with a colour of its own is painted
// again, the selection background as the tree draws it, then the text in the item's colour.
//
// It also keeps what makes long fills and walks cost time in proportion to the items. The
// toolkit's tree keeps each item's children in an array: inserting at a position moves the later
// siblings, finding an item's next sibling searches the array for the item, and every expansion
// lays the whole tree out again. So a fill appends items to their parent, finds their sorted
// place in an index and puts each parent's children in that order once, at its end; walks go on
// from the position where the last step was found. A parent with few children needs neither: a
// scan of them costs less than an index or a remembered position.
//
// The toolkit measures an item's text again whenever the item gets a font of its own, which for a
// whole tree costs more than the fill. So when every item's look is to be chosen again, only a
// round number changes; an item gets its colour and font just before it is painted or they are
// read, and only the items painted are measured twice.
//
// The toolkit also measures the text of every item when it lays the tree out, which for a large
// tree costs most of its fill. So the toolkit's items hold an empty text, which costs nothing to
// measure, and each item's label is kept beside it; the toolkit gets the label when the item is
// first painted, or when its label's place is asked for (a hit test, the label's rectangle).
// Rows, order, selection, keys and scrolling are the toolkit's own; only the width that a
// horizontal scroll needs grows as wider labels come into view.
class CWxTreeCtrl : public wxTreeCtrl {
public:
    CWxTreeCtrl(wxWindow* pParent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style);

    static constexpr size_t kFewChildren = 16;

    bool m_bNoToolTips = false;
    bool m_bToolkitPaint = false;  // the toolkit's own paint of every item
    int m_nFill = 0;
    unsigned m_nLooks = 0;  // the round of looks: items of an older round are chosen again
    std::function<void(const wxTreeItemId&)> m_prepareLook;

    void BeginFill();
    void EndFill();

    // A sorted insertion during a fill: among few siblings the item goes straight to its place,
    // among many it is appended and its place kept in the index.
    wxTreeItemId InsertSorted(const wxTreeItemId& parent, const wxString& text, const wxString& sortAs,
                              int nImage, int nSelectedImage, CTreeItemData* pData);
    void TextChanged(const wxTreeItemId& id, const wxString& text);
    // Where a sorted insertion goes among the children as they stand: before the first whose text
    // is greater, ignoring case, as the common control sorts.
    static size_t SortedPlace(wxTreeCtrl* p, const wxTreeItemId& parent, const wxString& sortAs);
    // Anything that reads the order of siblings sees the sorted order.
    void ApplyOrder();
    // Before an insertion the index does not place, or a deletion: the toolkit's order is made
    // right and the indexes are dropped (the next sorted insertion reads the order anew).
    void DropIndexes();

    // The child at a position, straight from the toolkit's array of children (its child cookie is
    // the position of the next child).
    wxTreeItemId ChildAt(const wxTreeItemId& parent, size_t nPos) const;
    wxTreeItemId FirstChild(const wxTreeItemId& parent);
    wxTreeItemId NextSibling(const wxTreeItemId& id);
    void ForgetWalks() { decltype(m_cursors)().swap(m_cursors); }

    int OnCompareItems(const wxTreeItemId& a, const wxTreeItemId& b) override;

    // The label kept beside the toolkit's item (the hidden root and foreign items: the toolkit's).
    wxString GetItemText(const wxTreeItemId& id) const override;
    void SetItemText(const wxTreeItemId& id, const wxString& text) override;
    // Hands the item's label to the toolkit, which measures it; TRUE when it had not yet.
    bool ShowText(const wxTreeItemId& id) const;
    // The toolkit gives every row the height of the tallest label it has measured: with the labels
    // held back, the rows get a label's height from the start. A label that needs more when it
    // is shown makes the tree lay its rows out again.
    void KeepLabelHeight();
    bool SetFont(const wxFont& font) override;
    void SetImageList(wxImageList* pList) override;
    void SetStateImageList(wxImageList* pList) override;
    void OnImagesChanged() override;
    bool GetBoundingRect(const wxTreeItemId& id, wxRect& rect, bool textOnly = false) const override;

    // Every item's look is to be chosen again.
    void InvalidateLooks();
    // Chooses an item's look if it is of an older round. The round is noted first: the choice
    // reads the colour and font it changes.
    void PrepareLook(const wxTreeItemId& id) const;
    wxColour GetItemTextColour(const wxTreeItemId& id) const override;
    wxFont GetItemFont(const wxTreeItemId& id) const override;
    // A look chosen while the tree paints shows in that paint: the line need not be painted again.
    void Refresh(bool bEraseBackground = true, const wxRect* pRect = nullptr) override;

private:
    // The index of a parent's children, made from their present order when a fill first inserts.
    CTreeSortIndex& IndexOf(const wxTreeItemId& parent);
    void Keep(CTreeItemData* pData, CTreeSortIndex& index, CTreeSortIndex::Node* pNode) const;

    // Calls f for each item below parent whose line meets the rows [yTop, yBottom) of the window,
    // in order. Siblings lie in the order of their lines, so the first is found by halving.
    // The first of a parent's nCount children whose branch may reach the row at yTop (client
    // coordinates): the last one that starts above it, which may reach it through its children.
    size_t FirstReaching(const wxTreeItemId& parent, size_t nCount, int yTop) const;
    template <class F>
    void ForEachItemInRows(const wxTreeItemId& parent, int yTop, int yBottom, F f);
    wxRect LineOf(const wxTreeItemId& id) const;
    // The items about to be painted get their labels and looks before the tree paints them.
    void PrepareItemsToPaint();

    std::unordered_map<void*, std::unique_ptr<CTreeSortIndex>> m_indexes;  // by parent
    unsigned m_nSortFill = 0;  // counts the fills whose indexes were dropped
    bool m_bPaintingLooks = false;
    bool m_bWidening = false;
    std::unordered_set<void*> m_unordered;  // parents whose children are not in order yet
    bool m_bRanking = false;
    std::unordered_map<void*, size_t> m_cursors;  // by parent: where the last walk step was

    // The toolkit's paint, over the rows the paint asks for. The toolkit's own walks every expanded
    // item for each paint, which for a large result costs a noticeable pause at every scroll or
    // selection; this one starts at the first top-level item that reaches into the rows and stops
    // below them. Each item and its branch lines are drawn by the toolkit as in its own paint.
    void PaintRows();
    void OnPaintKeepingColours(wxPaintEvent& event);
};
