// A mail configuration over a real store whose inbox holds duplicates, and the Search results page.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/afx/wnd/Controls.h"
#include "tests/ui_forms/FormsFixture.h"

class CResultTree;
class CSearchResultPP;
struct ItemInfo;

namespace qrvtest {

// One mail as the tests put it into the inbox; the compared values follow from subject and sender.
struct Mail {
    std::string subject;  // empty: no subject
    std::string sender;
    DWORD dwModified;  // low half of the last-modification time
    DWORD dwModifiedHigh = 0x01D00000;
};

class ResultsFixture : public FormsFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<BYTE> AddMail(const Mail& mail);
    // Entry ids of the inbox's live items, and of the store's soft-deleted ones (as byte strings).
    std::set<std::vector<BYTE>> LiveItems();
    std::set<std::string> DeletedItems();

    // Presses Start on the form view and returns its results page (null when it is gone).
    CSearchResultPP* Start(FVPagedView* pView);
    static CSearchResultPP* PageOf(FVPagedView* pView);

    // Tree walks.
    static std::vector<HTREEITEM> Roots(CTreeCtrl& tree);
    static std::vector<HTREEITEM> Children(CTreeCtrl& tree, HTREEITEM hRoot);
    static ItemInfo* Info(CTreeCtrl& tree, HTREEITEM hItem);
    // The top-level item with this text (null when there is none), and an item's entry id.
    static HTREEITEM RootNamed(CSearchResultPP* pPage, const char* lpszText);
    static std::vector<BYTE> EntryOf(ItemInfo* pInfo);
    // The screen position of the middle of an item's label.
    static CPoint LabelPoint(CSearchResultPP* pPage, HTREEITEM hItem);
    // Clicks (or right-double-clicks) the real pointer at a screen point over pTarget until bDone
    // holds. A click may be lost while another test's window briefly lies over this one on a shared
    // display, so the window is raised and the click tried a few times.
    bool ClickUntil(CWnd* pTarget, const CPoint& pt, bool bRightDouble, const std::function<bool()>& bDone);
    // Lets the double-click time pass, and then waits until a right click the tree held back for
    // it has been answered: on a loaded machine its timer runs late.
    void WaitOutRightClick(CResultTree* pTree);

    std::vector<BYTE> m_inbox;
};

}  // namespace qrvtest
