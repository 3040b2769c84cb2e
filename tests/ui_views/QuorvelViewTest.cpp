// The form host view: the empty pane, forms following the current configuration, the change of
// language through its dialog, and a picture of the main window.
#include <filesystem>
#include <sstream>
#include <string>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_views/ViewsFixture.h"
#include "tools/store/StoreTool.h"
#include "ui/ConfigView.h"
#include "ui/FormViews.h"
#include "ui/LanguageDlg.h"
#include "ui/MainFrm.h"
#include "ui/ProfileDialog.h"
#include "ui/QuorvelView.h"

namespace {

using qrvtest::ViewsFixture;

// Answers the language dialog with the language of this id.
std::function<int(CWnd*)> ChooseLanguage(LONG lID) {
    return [lID](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CSelectLanguageDlg*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        auto* pList = dynamic_cast<CListBox*>(pDlg->GetDlgItem(IDC_LANGUAGE_LIST));
        for (int i = 0; i < pList->GetCount(); ++i)
            if ((LONG)pList->GetItemData(i) == lID)
                pList->SetCurSel(i);
        pDlg->OnSelChangeLanguage();
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    };
}

TEST_F(ViewsFixture, FormFillsThePaneAndAnEmptyPaneDisablesStartAndRenameAndIgnoresUnknownIds) {
    ClickRow(3);
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(nullptr, pForm);
    CRect rcPane, rcForm;
    Right()->GetClientRect(&rcPane);
    pForm->GetClientRect(&rcForm);
    EXPECT_EQ(rcPane.Width(), rcForm.Width());
    EXPECT_EQ(rcPane.Height(), rcForm.Height());
    // The form view joined the document's views, and leaves them when it goes.
    EXPECT_EQ(Right()->GetDocument(), pForm->GetDocument());
    Doc()->SetCurrentConfigID(0);
    Frame()->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(0u, Right()->GetConfigID());
    EXPECT_FALSE(IsEnabled(Right(), ID_ACTIONS_START));
    EXPECT_FALSE(IsEnabled(Right(), ID_RENAME_CONFIGURATION));
    // An id the document does not hold leaves the pane empty, and can be tried again.
    Doc()->SetCurrentConfigID(4242);
    Frame()->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(0u, Right()->GetConfigID());
    ClickRow(0);
    EXPECT_TRUE(IsEnabled(Right(), ID_RENAME_CONFIGURATION));
    EXPECT_FALSE(IsEnabled(Right(), ID_ACTIONS_START));
}

TEST_F(ViewsFixture, LanguageDialogSwitchesToGermanAndBackRelabellingListAndForm) {
    ClickRow(1);
    auto* pForm = dynamic_cast<FVPagedView*>(Right()->GetCurrentForm());
    ASSERT_NE(nullptr, pForm);
    const CString strEnglishTab = pForm->GetTabCtrl().GetItemText(0);

    AfxSetModalHook(ChooseLanguage(1031));
    Frame()->SendMessage(WM_COMMAND, ID_CHANGE_LANGUAGE, 0);
    EXPECT_EQ(1031, GetCurrentLanguageID());
    EXPECT_EQ(CString("Konfiguration"), List().GetColumnText(1));
    EXPECT_NE(strEnglishTab, pForm->GetTabCtrl().GetItemText(0));
    // The form was relabelled in place, not rebuilt.
    EXPECT_EQ(pForm, Right()->GetCurrentForm());

    AfxSetModalHook(ChooseLanguage(2057));
    Frame()->SendMessage(WM_COMMAND, ID_CHANGE_LANGUAGE, 0);
    EXPECT_EQ(2057, GetCurrentLanguageID());
    EXPECT_EQ(CString("Configuration"), List().GetColumnText(1));
    EXPECT_EQ(strEnglishTab, pForm->GetTabCtrl().GetItemText(0));

    // Cancelled: the language stays.
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    Frame()->SendMessage(WM_COMMAND, ID_CHANGE_LANGUAGE, 0);
    EXPECT_EQ(2057, GetCurrentLanguageID());
}

// Chooses the demo profile in the profile dialog; every other dialog is confirmed.
int ChooseDemoProfile(CWnd* pWnd) {
    if (dynamic_cast<CProfileDialog*>(pWnd) != nullptr) {
        auto* pList = dynamic_cast<CListBox*>(pWnd->GetDlgItem(IDC_PROFILE_LIST));
        pList->SetCurSel(pList->FindStringExact(-1, "Quorvel Demo"));
    }
    if (auto* pDlg = dynamic_cast<CDialog*>(pWnd); pDlg != nullptr && !pDlg->IsEnded())
        pDlg->OnOK();
    return AFX_MODAL_KEEP;
}

TEST_F(ViewsFixture, ProfileFormShownThenAFailingCheckLeavesThePaneEmptyUntilTheNextChoice) {
    const auto ulContacts = (ULONG)List().GetItemData(1);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulContacts, &pConfig));
    AfxSetModalHook(ChooseDemoProfile);
    EXPECT_EQ(S_OK, pConfig->OnSelectProfile(Frame()));
    pConfig->Release();
    EXPECT_EQ(CString("Quorvel Demo"), pConfig->GetProfileName());
    ClickRow(1);
    ASSERT_NE(nullptr, Right()->GetCurrentForm());
    // A picture of the main window with both panes filled, for a look by eye.
    Frame()->ShowWindow(SW_SHOW);
    Settle(300);
    const std::string path =
        qrvtest::SaveWindowPicture(Frame(), std::string(QRV_ARTIFACT_DIR) + "/main-window-views.png");
    EXPECT_GT(std::filesystem::file_size(path), 1000u);

    // The profile goes: its stores cannot be checked, so the form cannot be shown.
    ClickRow(0);
    std::ostringstream out, err;
    ASSERT_EQ(0, qrvstore::RunStoreTool({"profile", "remove", "Quorvel Demo"}, out, err)) << err.str();
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDOK; });
    ClickRow(1);
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(0u, Right()->GetConfigID());

    // Once the profile is back, choosing the same configuration checks again and shows it.
    ASSERT_EQ(0, qrvstore::RunStoreTool({"demo"}, out, err)) << err.str();
    ClickRow(1);
    EXPECT_NE(nullptr, dynamic_cast<FVContacts*>(Right()->GetCurrentForm()));
    EXPECT_EQ(ulContacts, Right()->GetConfigID());
}

}  // namespace
