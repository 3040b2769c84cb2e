// The selection mark stays on its row while rows come and go before it.
#include <gtest/gtest.h>

#include "tests/ui_views/ViewsFixture.h"
#include "ui/ConfigView.h"
#include "ui/SelectionMarkListCtrl.h"

namespace {

using qrvtest::ViewsFixture;

TEST_F(ViewsFixture, SelectionMarkFollowsItsRowAndClearsWithIt) {
    ASSERT_TRUE(StartProgram());
    CSelectionMarkListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_SINGLESEL, CRect(0, 0, 100, 100), Left(), 5000));
    list.InsertColumn(0, "", LVCFMT_LEFT, 50);
    for (int i = 0; i < 4; ++i) {
        int nRow = list.InsertItem(i, "", -1);
        list.SetItemData(nRow, 100 + i);
    }
    EXPECT_EQ(-1, list.GetSelectionMark());
    EXPECT_EQ(-1, list.SetSelectionMark(2));
    EXPECT_EQ(2, list.GetSelectionMark());

    // A row inserted before the mark moves it down; the mark still names the same item.
    int nNew = list.InsertItem(0, "", -1);
    list.SetItemData(nNew, 200);
    EXPECT_EQ(3, list.GetSelectionMark());
    EXPECT_EQ(102u, list.GetItemData(list.GetSelectionMark()));

    // Deleting a row before it moves it up; deleting a row after it leaves it.
    ASSERT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(102u, list.GetItemData(list.GetSelectionMark()));
    ASSERT_TRUE(list.DeleteItem(3));
    EXPECT_EQ(2, list.GetSelectionMark());

    // Deleting the marked row leaves no mark, rather than one on a neighbour it never chose.
    ASSERT_TRUE(list.DeleteItem(2));
    EXPECT_EQ(-1, list.GetSelectionMark());

    // Selecting a row marks it; a mark outside the rows is no mark.
    ASSERT_TRUE(list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(1, list.GetSelectionMark());
    EXPECT_EQ(1, list.FindItemByData(101));
    EXPECT_EQ(-1, list.FindItemByData(999));
    list.SetSelectionMark(7);
    EXPECT_EQ(-1, list.GetSelectionMark());
    list.SetSelectionMark(0);
    ASSERT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(-1, list.GetSelectionMark());
    list.DestroyWindow();
}

}  // namespace
