// The views fixture: the demo profile on the fresh root, the program started, pane handles.
#include "tests/ui_views/ViewsFixture.h"

#include <sstream>

#include "platform/afx/wnd/CmdTarget.h"
#include "tools/store/StoreTool.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"

namespace qrvtest {

void ViewsFixture::SetUp() {
    UiFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    std::ostringstream out, err;
    ASSERT_EQ(0, qrvstore::RunStoreTool({"demo"}, out, err)) << err.str();
    ASSERT_TRUE(Start());
    Settle(30);
    ASSERT_NE(nullptr, Left());
    ASSERT_NE(nullptr, Right());
}

CConfigView* ViewsFixture::Left() const {
    return Frame() ? Frame()->GetLeftPane() : nullptr;
}

CQuorvelView* ViewsFixture::Right() const {
    return Frame() ? Frame()->GetRightPane() : nullptr;
}

CSelectionMarkListCtrl& ViewsFixture::List() const {
    return Left()->GetListCtrl();
}

CQuorvelDoc* ViewsFixture::Doc() const {
    return m_pApp->GetDocument();
}

std::vector<std::string> ViewsFixture::RowNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < List().GetItemCount(); ++i)
        names.emplace_back(List().GetItemText(i, 1).GetString());
    return names;
}

void ViewsFixture::ClickRow(int nRow) {
    CSelectionMarkListCtrl& list = List();
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (i != nRow && list.GetItemState(i, LVIS_SELECTED))
            list.SetItemState(i, 0, LVIS_SELECTED);
    list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
    NMLISTVIEW nm{};
    nm.hdr.code = LVN_ITEMCHANGED;
    nm.iItem = nRow;
    nm.uNewState = LVIS_SELECTED;
    nm.uChanged = LVIF_STATE;
    list.NotifyParent(&nm.hdr);
    Settle(20);
}

BOOL ViewsFixture::IsEnabled(CCmdTarget* pTarget, UINT nID) {
    CCmdUI state;
    state.m_nID = nID;
    pTarget->OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    return state.m_bEnabled;
}

}  // namespace qrvtest
