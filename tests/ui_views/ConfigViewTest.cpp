// The configuration list: filling, choosing, adding, renaming and deleting configurations, and the
// selection mark that stays on its row while rows come and go before it.
#include <string>

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/ConfigView.h"
#include "ui/FormViews.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"
#include "ui/SelectionMarkListCtrl.h"

namespace {

using qrvtest::ViewsFixture;

// Answers the create or rename dialog with a name and, in the create dialog, the type.
std::function<int(CWnd*)> Answer(const char* pszName, DWORD dwType = 0) {
    return [pszName, dwType](CWnd* pWnd) {
        auto* pCombo = dynamic_cast<CComboBox*>(pWnd->GetDlgItem(IDC_CREATE_TYPE));
        CWnd* pEdit = pWnd->GetDlgItem(pCombo != nullptr ? IDC_CREATE_NAME : IDC_RENAME_NEW_NAME);
        if (pEdit == nullptr)
            return IDCANCEL;
        pEdit->SetWindowText(pszName);
        for (int i = 0; pCombo != nullptr && i < pCombo->GetCount(); ++i)
            if (pCombo->GetItemData(i) == dwType)
                pCombo->SetCurSel(i);
        dynamic_cast<CDialog*>(pWnd)->OnOK();
        return AFX_MODAL_KEEP;
    };
}

TEST_F(ViewsFixture, NewDocumentListsItsConfigurationsInIdOrderShowsTheFirstAndAChosenRowsForm) {
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Contacts", "Appointments", "Tasks"}), RowNames());
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
    // The type icons show whole and the names fill the rest without scrolling.
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

    // Choosing a row shows its form; choosing it again keeps the form.
    ClickRow(1);
    const auto ulContacts = (ULONG)List().GetItemData(1);
    EXPECT_EQ(ulContacts, Doc()->GetCurrentConfigID());
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(nullptr, dynamic_cast<FVContacts*>(pForm));
    EXPECT_EQ((UINT)GetFormViewControlID(1), (UINT)pForm->GetDlgCtrlID());
    EXPECT_EQ(ulContacts, Right()->GetConfigID());

    // The same row again: the form, and whatever its pages show, stays.
    ClickRow(1);
    EXPECT_EQ(pForm, Right()->GetCurrentForm());

    ClickRow(2);
    EXPECT_NE(nullptr, dynamic_cast<FVCalendar*>(Right()->GetCurrentForm()));
    ClickRow(0);
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));
}

TEST_F(ViewsFixture, AddRefusesANameInUseThenCreatesSelectsAndShowsTheConfiguration) {
    ClickRow(0);
    AfxSetModalHook(Answer("Contacts", 1));
    Left()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Duplicate name", AfxGetShownMessageBoxes()[0].caption);
    // The language file's escape shows as a line break.
    EXPECT_EQ("The name for the new configuration is already in use.\nPlease use a unique name.",
              AfxGetShownMessageBoxes()[0].text);
    // A cancelled dialog adds nothing either.
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    Left()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    EXPECT_EQ(4, List().GetItemCount());
    EXPECT_FALSE(Doc()->IsModified());

    AfxSetModalHook(Answer("Journal 2027", 6));
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

    // A name differing only in case is another name; from the right pane the command reaches the
    // list too.
    AfxClearShownMessageBoxes();
    AfxSetModalHook(Answer("contacts", 1));
    Right()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(6, List().GetItemCount());
    EXPECT_EQ("contacts", RowNames().back());
}

TEST_F(ViewsFixture, RenameNeedsAMarkedRowAndAnotherConfigurationsNameIsRefused) {
    // Without a marked row Rename and Start are disabled and Delete does nothing.
    List().SetSelectionMark(-1);
    EXPECT_FALSE(IsEnabled(Left(), ID_RENAME_CONFIGURATION));
    EXPECT_FALSE(IsEnabled(Left(), ID_ACTIONS_START));
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    EXPECT_EQ(4, List().GetItemCount());
    List().SetSelectionMark(0);
    EXPECT_TRUE(IsEnabled(Left(), ID_RENAME_CONFIGURATION));
    // A new configuration has no folders yet: nothing to search.
    EXPECT_FALSE(IsEnabled(Left(), ID_ACTIONS_START));

    ClickRow(3);
    const auto ulTasks = (ULONG)List().GetItemData(3);
    AfxSetModalHook(Answer("Appointments"));
    Left()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Duplicate name", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ("Tasks", RowNames()[3]);

    AfxSetModalHook(Answer("Jobs"));
    Right()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    EXPECT_EQ("Jobs", RowNames()[3]);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulTasks, &pConfig));
    EXPECT_EQ(CString("Jobs"), pConfig->GetConfigName());
    pConfig->Release();
    EXPECT_TRUE(Doc()->IsModified());

    // An empty name (OK pressed by the Enter key) changes nothing, nor does Cancel.
    AfxSetModalHook(Answer(""));
    Left()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    EXPECT_EQ("Jobs", RowNames()[3]);
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    Left()->SendMessage(WM_COMMAND, ID_RENAME_CONFIGURATION, 0);
    EXPECT_EQ("Jobs", RowNames()[3]);
}

TEST_F(ViewsFixture, DeleteSelectsTheRowBeforeTheLastEmptiesBothPanesAndOpeningRefillsThem) {
    // Delete as the list's own command, letting the posted messages run.
    auto deleteRow = [this]() {
        Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
        Settle(20);
    };
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
    deleteRow();
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Tasks"}), RowNames());
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));
    const std::string path = m_root->Path() + "/two.qrv";
    ASSERT_TRUE(Doc()->OnSaveDocument(path.c_str()));

    // Deleting the first row selects the new first row.
    deleteRow();
    EXPECT_EQ((std::vector<std::string>{"Tasks"}), RowNames());
    EXPECT_NE(nullptr, dynamic_cast<FVTask*>(Right()->GetCurrentForm()));

    deleteRow();
    EXPECT_EQ(0, List().GetItemCount());
    EXPECT_EQ(0u, Doc()->GetCurrentConfigID());
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    EXPECT_FALSE(Doc()->GetFirstConfiguration(pos, &pConfig));
    // With nothing left, Delete does nothing.
    deleteRow();
    EXPECT_EQ(0, List().GetItemCount());

    // Opening the saved document refreshes both panes, whatever form was shown.
    Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    Settle(20);
    EXPECT_EQ(4, List().GetItemCount());
    ClickRow(2);
    ASSERT_NE(nullptr, dynamic_cast<FVCalendar*>(Right()->GetCurrentForm()));
    AfxSetFileDialogHook([path](BOOL, CString& rFileName) {
        rFileName = path.c_str();
        return TRUE;
    });
    Frame()->SendMessage(WM_COMMAND, ID_FILE_OPEN, 0);
    Settle(20);
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Tasks"}), RowNames());
    // The right pane follows the new list's first row, drawn selected.
    EXPECT_NE(nullptr, dynamic_cast<FVMail*>(Right()->GetCurrentForm()));
    EXPECT_EQ((ULONG)List().GetItemData(0), Doc()->GetCurrentConfigID());
    ClickRow(1);
    EXPECT_NE(nullptr, dynamic_cast<FVTask*>(Right()->GetCurrentForm()));
}

TEST_F(ViewsFixture, DeleteAskedByTheShownFormViewLeavesItStandingUntilItsCommandHasReturned) {
    // The form view on show passes Delete on to the list: the configuration goes at once, and the
    // view itself only once its own command has returned, when the next configuration is shown.
    ClickRow(2);
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(nullptr, dynamic_cast<FVCalendar*>(pForm));
    const auto ulContacts = (ULONG)List().GetItemData(1);
    pForm->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    EXPECT_EQ((std::vector<std::string>{"E-Mails", "Contacts", "Tasks"}), RowNames());
    EXPECT_EQ(ulContacts, Doc()->GetCurrentConfigID());
    EXPECT_EQ(pForm, Right()->GetCurrentForm());
    Settle(20);
    EXPECT_NE(nullptr, dynamic_cast<FVContacts*>(Right()->GetCurrentForm()));
    EXPECT_EQ(ulContacts, Right()->GetConfigID());
}

TEST_F(ViewsFixture, SelectionMarkFollowsItsRowAndClearsWithIt) {
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
