// The configuration list: filling, choosing, adding, renaming and deleting configurations.
#include <gtest/gtest.h>

#include <string>

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/CmdTarget.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/ConfigView.h"
#include "ui/CreateConfigDlg.h"
#include "ui/FormViews.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"
#include "ui/RenameConfigDlg.h"

namespace {

using qrvtest::ViewsFixture;

// Answers the create dialog with a name and the combo row of an item type.
std::function<int(CWnd*)> CreateAnswer(const char* pszName, DWORD dwType) {
    return [pszName, dwType](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CCreateConfiguration*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        dynamic_cast<CEdit*>(pDlg->GetDlgItem(IDC_CREATE_NAME))->SetWindowText(pszName);
        auto* pCombo = dynamic_cast<CComboBox*>(pDlg->GetDlgItem(IDC_CREATE_TYPE));
        for (int i = 0; i < pCombo->GetCount(); ++i)
            if (pCombo->GetItemData(i) == dwType)
                pCombo->SetCurSel(i);
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    };
}

std::function<int(CWnd*)> RenameAnswer(const char* pszName) {
    return [pszName](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CChangeConfigNameDlg*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        dynamic_cast<CEdit*>(pDlg->GetDlgItem(IDC_RENAME_NEW_NAME))->SetWindowText(pszName);
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    };
}

BOOL IsEnabled(CCmdTarget* pTarget, UINT nID) {
    CCmdUI state;
    state.m_nID = nID;
    state.m_bEnabled = TRUE;
    pTarget->OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    return state.m_bEnabled;
}

TEST_F(ViewsFixture, NewDocumentListsItsFourConfigurationsInIdOrderAndShowsTheFirst) {
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Contacts", "Appointments", "Tasks"}), RowNames());
    EXPECT_EQ(CString("Configuration"), List().GetColumnText(1));
    ULONG ulPrevious = 0;
    for (int i = 0; i < List().GetItemCount(); ++i) {
        const auto ulID = (ULONG)List().GetItemData(i);
        EXPECT_GT(ulID, ulPrevious);
        ulPrevious = ulID;
        // The row's own text stays empty: the name lives in the second column.
        EXPECT_TRUE(List().GetItemText(i, 0).IsEmpty());
    }
    EXPECT_EQ(0, List().GetSelectionMark());
    // The first row is drawn selected, so the right pane shows it, not an empty pane.
    EXPECT_EQ(0, List().GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ((ULONG)List().GetItemData(0), Doc()->GetCurrentConfigID());
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));
    // The list fills the pane less its margin.
    CRect rcList;
    List().GetWindowRect(&rcList);
    Left()->ScreenToClient(&rcList);
    EXPECT_EQ(Left()->GetListRect(), rcList);
}

TEST_F(ViewsFixture, TypeIconsShowWholeAndTheNamesFillTheRestWithoutScrolling) {
    ASSERT_TRUE(StartProgram());
    auto* pWx = dynamic_cast<wxListCtrl*>(List().GetWxWindow());
    ASSERT_NE(nullptr, pWx);
    wxImageList* pImages = pWx->GetImageList(wxIMAGE_LIST_SMALL);
    ASSERT_NE(nullptr, pImages);
    int cxIcon = 0;
    int cyIcon = 0;
    ASSERT_TRUE(pImages->GetSize(0, cxIcon, cyIcon));
    // The list shows a column's contents up to its margin before the right edge.
    EXPECT_GE(List().GetColumnWidth(0) - CListCtrl::kColumnContentMargin, cxIcon);
    EXPECT_GE(List().GetColumnWidth(0), 18);
    CRect rcClient;
    List().GetClientRect(&rcClient);
    EXPECT_LE(List().GetColumnWidth(0) + List().GetColumnWidth(1), rcClient.Width());
    EXPECT_GT(List().GetColumnWidth(1), rcClient.Width() / 2);
}

TEST_F(ViewsFixture, ChoosingARowShowsItsFormAndChoosingItAgainKeepsIt) {
    ASSERT_TRUE(StartProgram());
    ClickRow(1);
    const auto ulContacts = (ULONG)List().GetItemData(1);
    EXPECT_EQ(ulContacts, Doc()->GetCurrentConfigID());
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(nullptr, dynamic_cast<FVContacts*>(pForm));
    EXPECT_EQ((UINT)GetFormViewControlID(1), (UINT)pForm->GetDlgCtrlID());
    EXPECT_EQ(ulContacts, Right()->GetConfigID());

    // The same row again: the form (and whatever its pages show) stays.
    ClickRow(1);
    EXPECT_EQ(pForm, Right()->GetCurrentForm());

    ClickRow(2);
    EXPECT_NE(nullptr, dynamic_cast<FVCalendar*>(Right()->GetCurrentForm()));
    ClickRow(0);
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));
}

TEST_F(ViewsFixture, AddCreatesTheConfigurationSelectsItAndShowsItsForm) {
    ASSERT_TRUE(StartProgram());
    ClickRow(0);
    AnswerDialogs(CreateAnswer("Journal 2027", 6));
    // The toolbar's road: the frame hands the command to the list.
    Frame()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    Settle(20);
    ASSERT_EQ(5, List().GetItemCount());
    const int nMark = List().GetSelectionMark();
    ASSERT_GE(nMark, 0);
    EXPECT_EQ("Journal 2027", RowNames()[nMark]);
    EXPECT_EQ(LVIS_SELECTED, List().GetItemState(nMark, LVIS_SELECTED));
    EXPECT_EQ(0u, List().GetItemState(0, LVIS_SELECTED));
    EXPECT_EQ(1, List().GetSelectedCount());
    const auto ulID = (ULONG)List().GetItemData(nMark);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulID, &pConfig));
    EXPECT_EQ(6u, pConfig->GetConfigType());
    EXPECT_EQ(CString("Journal 2027"), pConfig->GetConfigName());
    pConfig->Release();
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(ulID, Doc()->GetCurrentConfigID());
    EXPECT_NE(nullptr, dynamic_cast<FVJournal*>(Right()->GetCurrentForm()));
}

TEST_F(ViewsFixture, AddRefusesANameInUseButAcceptsOneDifferingInCase) {
    ASSERT_TRUE(StartProgram());
    AnswerDialogs(CreateAnswer("Contacts", 1));
    Left()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Duplicate name", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ(4, List().GetItemCount());
    EXPECT_FALSE(Doc()->IsModified());

    AfxClearShownMessageBoxes();
    AnswerDialogs(CreateAnswer("contacts", 1));
    // From the right pane, the command reaches the list too.
    Right()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(5, List().GetItemCount());
    EXPECT_EQ("contacts", RowNames().back());

    // A cancelled dialog adds nothing.
    AnswerDialogs([](CWnd*) { return IDCANCEL; });
    Left()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    EXPECT_EQ(5, List().GetItemCount());
}

TEST_F(ViewsFixture, RenameChangesRowAndConfigurationButRefusesAnotherConfigurationsName) {
    ASSERT_TRUE(StartProgram());
    ClickRow(3);
    const auto ulTasks = (ULONG)List().GetItemData(3);
    AnswerDialogs(RenameAnswer("Appointments"));
    Left()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Duplicate name", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ("Tasks", RowNames()[3]);

    AnswerDialogs(RenameAnswer("Jobs"));
    Right()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    EXPECT_EQ("Jobs", RowNames()[3]);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulTasks, &pConfig));
    EXPECT_EQ(CString("Jobs"), pConfig->GetConfigName());
    pConfig->Release();
    EXPECT_TRUE(Doc()->IsModified());

    // An empty name (OK pressed by the Enter key) changes nothing.
    AnswerDialogs(RenameAnswer(""));
    Left()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    EXPECT_EQ("Jobs", RowNames()[3]);
}

TEST_F(ViewsFixture, DeleteSelectsTheRowBeforeAndTheLastDeleteEmptiesBothPanes) {
    ASSERT_TRUE(StartProgram());
    ClickRow(2);
    const auto ulContacts = (ULONG)List().GetItemData(1);
    Frame()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    Settle(20);
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Contacts", "Tasks"}), RowNames());
    EXPECT_EQ(ulContacts, Doc()->GetCurrentConfigID());
    EXPECT_EQ(1, List().GetSelectionMark());
    EXPECT_EQ(LVIS_SELECTED, List().GetItemState(1, LVIS_SELECTED));
    EXPECT_NE(nullptr, dynamic_cast<FVContacts*>(Right()->GetCurrentForm()));
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Frame()->GetActiveView(), Left());

    // A second Delete acts on the row now shown, not on a stale one.
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    Settle(20);
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Tasks"}), RowNames());
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));

    // Deleting the first row selects the new first row.
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    Settle(20);
    EXPECT_EQ((std::vector<std::string>{"Tasks"}), RowNames());
    EXPECT_NE(nullptr, dynamic_cast<FVTask*>(Right()->GetCurrentForm()));

    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    Settle(20);
    EXPECT_EQ(0, List().GetItemCount());
    EXPECT_EQ(0u, Doc()->GetCurrentConfigID());
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    EXPECT_FALSE(Doc()->GetFirstConfiguration(pos, &pConfig));
    // With nothing left, Delete does nothing.
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    EXPECT_EQ(0, List().GetItemCount());
}

TEST_F(ViewsFixture, WithoutAMarkedRowRenameAndStartAreDisabledAndDeleteDoesNothing) {
    ASSERT_TRUE(StartProgram());
    List().SetSelectionMark(-1);
    EXPECT_FALSE(IsEnabled(Left(), ID_RENAME_CONFIGURATION));
    EXPECT_FALSE(IsEnabled(Left(), ID_ACTIONS_START));
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    EXPECT_EQ(4, List().GetItemCount());
    List().SetSelectionMark(0);
    EXPECT_TRUE(IsEnabled(Left(), ID_RENAME_CONFIGURATION));
    // A new configuration has no folders yet: nothing to search.
    EXPECT_FALSE(IsEnabled(Left(), ID_ACTIONS_START));
}

}  // namespace
