// A list box reports the user's click on an entry after the program has added or removed entries
// around its selection (the General page's store list sorts its stores as it fills them).
#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/listbox.h>

#include "platform/afx/wnd/Controls.h"
#include "tests/ui_input/InputFixture.h"

namespace qrvtest {
namespace {

constexpr UINT kListID = 51;

class CListHost : public CWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kListID && HIWORD(wParam) == LBN_SELCHANGE) {
            ++m_nChanges;
            return TRUE;
        }
        return CWnd::OnCommand(wParam, lParam);
    }
    int m_nChanges = 0;
};

class ListClickTest : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "stores", wxPoint(60, 60), wxSize(360, 260));
        ASSERT_TRUE(m_host.AttachWx(m_pFrame));
        m_pFrame->Show();
        Settle(50);
    }
    void TearDown() override {
        if (m_host.m_hWnd != nullptr)
            m_host.DestroyWindow();
        InputFixture::TearDown();
    }
    // The screen point in the middle of the entry's row, found by hit-testing down the list.
    CPoint EntryPoint(CListBox& list, int nEntry) {
        auto* pList = dynamic_cast<wxListBox*>(list.GetWxWindow());
        const wxSize size = pList->GetClientSize();
        int yFirst = -1;
        int yLast = -1;
        for (int y = 0; y < size.y; ++y)
            if (pList->HitTest(wxPoint(size.x / 2, y)) == nEntry) {
                yFirst = yFirst < 0 ? y : yFirst;
                yLast = y;
            }
        EXPECT_GE(yFirst, 0) << "entry " << nEntry << " is not shown";
        CPoint pt(size.x / 2, (yFirst + yLast) / 2);
        list.ClientToScreen(&pt);
        return pt;
    }
    bool ClickEntry(CListBox& list, int nEntry) {
        const int nBefore = m_host.m_nChanges;
        return ClickUntil(&list, EntryPoint(list, nEntry), [&] { return m_host.m_nChanges > nBefore; });
    }
    wxFrame* m_pFrame = nullptr;
    CListHost m_host;
};

TEST_F(ListClickTest, EntryThatMovedOntoTheSelectedPlaceIsReported) {
    const DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY;
    {
        // The store list: the default store is selected as it is added, then a store whose name
        // sorts before it takes its place at the top.
        CListBox stores;
        ASSERT_TRUE(stores.Create(dwStyle | LBS_SORT, CRect(10, 10, 330, 200), &m_host, kListID));
        stores.SetCurSel(stores.AddString("Personal Folders"));
        ASSERT_EQ(0, stores.AddString("Archive"));
        ASSERT_EQ(1, stores.GetCurSel());
        Settle(50);
        EXPECT_TRUE(ClickEntry(stores, 0));
        EXPECT_EQ(0, stores.GetCurSel());
        // Back to the store first selected by the user: reported as well.
        EXPECT_TRUE(ClickEntry(stores, 1));
        stores.DestroyWindow();
    }
    {
        // An entry above the selection is removed: the one below the selection moves onto its place.
        CListBox folders;
        ASSERT_TRUE(folders.Create(dwStyle, CRect(10, 10, 330, 200), &m_host, kListID));
        for (const char* lpszName : {"Calendar", "Drafts", "Inbox", "Outbox"})
            folders.AddString(lpszName);
        folders.SetCurSel(2);
        folders.DeleteString(0);
        Settle(50);
        EXPECT_TRUE(ClickEntry(folders, 2));
        CString strSelected;
        folders.GetText(folders.GetCurSel(), strSelected);
        EXPECT_STREQ("Outbox", strSelected.GetString());
        folders.DestroyWindow();
    }
}

}  // namespace
}  // namespace qrvtest
