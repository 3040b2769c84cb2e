// The form host view: the empty pane, forms following the current configuration, the change of
// language through its dialog, and a picture of the main window.
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/window.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_views/FrameMover.h"
#include "tests/ui_views/PanePaints.h"
#include "tests/ui_views/ViewsFixture.h"
#include "tools/store/StoreTool.h"
#include "ui/ConfigView.h"
#include "ui/FormViews.h"
#include "ui/LanguageDlg.h"
#include "ui/MainFrm.h"
#include "ui/ProfileDialog.h"
#include "ui/ProfileStoreChangesDlg.h"
#include "ui/QuorvelView.h"

namespace {

using qrvtest::CPanePaints;
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
    AfxClearShownMessageBoxes();
    ClickRow(1);
    EXPECT_EQ(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(0u, Right()->GetConfigID());
    // The user learns why the pane stays blank, once for the one choice (which brings two notices),
    // and again when choosing it anew.
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_NE(std::string::npos, AfxGetShownMessageBoxes()[0].text.find("Failed to open MAPI session"));
    ClickRow(0);
    ClickRow(1);
    EXPECT_EQ(2u, AfxGetShownMessageBoxes().size());

    // Once the profile is back, choosing the same configuration checks again and shows it.
    ASSERT_EQ(0, qrvstore::RunStoreTool({"demo"}, out, err)) << err.str();
    ClickRow(1);
    EXPECT_NE(nullptr, dynamic_cast<FVContacts*>(Right()->GetCurrentForm()));
    EXPECT_EQ(ulContacts, Right()->GetConfigID());

    // A check that fails after the logon tells its own failure, not a logon's.
    ClickRow(0);
    AfxClearShownMessageBoxes();
    CMAPITestHooks::FailQueryRows(1, E_OUTOFMEMORY);
    ClickRow(1);
    CMAPITestHooks::Reset();
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ(0u, AfxGetShownMessageBoxes()[0].text.find("The current action failed due to low memory"))
        << AfxGetShownMessageBoxes()[0].text;
}

// The form views that are children of the pane, shown or orphaned.
int FormWindows(CWnd* pPane) {
    int nForms = 0;
    for (wxWindow* pChild : pPane->GetWxWindow()->GetChildren())
        nForms += dynamic_cast<FVBase*>(CWnd::FromWxWindow(pChild)) != nullptr ? 1 : 0;
    return nForms;
}

std::vector<std::string> StoreNames(CConfigInfo* pConfig) {
    std::vector<std::string> names;
    for (int i = 0; i < pConfig->GetStoreCount(); ++i) {
        CStoreInfo* pStore = pConfig->GetStore(i);
        names.emplace_back((LPCSTR)pStore->GetStoreName());
        pStore->Release();
    }
    return names;
}

// Takes the store of this display name out of the demo profile, as another program would.
void RemoveDemoStore(const char* pszDisplay) {
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    LPPROFADMIN lpAdmin = nullptr;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &lpAdmin));
    LPSERVICEADMIN lpServices = nullptr;
    ASSERT_EQ(S_OK, lpAdmin->AdminServices("Quorvel Demo", nullptr, 0, 0, &lpServices));
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    ASSERT_EQ(S_OK, lpServices->GetMsgServiceTable(0, &lpTable));
    ASSERT_EQ(S_OK, lpTable->QueryRows(100, 0, &lpRows));
    int nRemoved = 0;
    for (ULONG r = 0; r < lpRows->cRows; ++r) {
        const SRow& row = lpRows->aRow[r];
        if (row.lpProps[2].ulPropTag == PR_DISPLAY_NAME &&
            strcmp(row.lpProps[2].Value.lpszA, pszDisplay) == 0) {
            MAPIUID uid;
            memcpy(uid.ab, row.lpProps[0].Value.bin.lpb, sizeof uid.ab);
            EXPECT_EQ(S_OK, lpServices->DeleteMsgService(&uid));
            ++nRemoved;
        }
    }
    EXPECT_EQ(1, nRemoved);
    FreeProws(lpRows);
    lpTable->Release();
    lpServices->Release();
    lpAdmin->Release();
    MAPIUninitialize();
}

// The notice of a new current configuration is posted by the list and sent after a deletion. The
// store check's dialog runs posted commands while it is up, here through the test's loop.
TEST_F(ViewsFixture, ANoticeWhileTheStoreCheckIsUpWaitsAndTheStoresAreCheckedOnce) {
    const int nLast = List().GetItemCount() - 1;
    const auto ulLast = (ULONG)List().GetItemData(nLast);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulLast, &pConfig));
    pConfig->Release();
    AfxSetModalHook(ChooseDemoProfile);
    ASSERT_EQ(S_OK, pConfig->OnSelectProfile(Frame()));
    const std::vector<std::string> demoStores = StoreNames(pConfig);
    ClickRow(nLast);
    ASSERT_EQ(ulLast, Right()->GetConfigID());

    std::ostringstream out, err;
    ASSERT_EQ(
        0, qrvstore::RunStoreTool({"store", "add", "Quorvel Demo", "extra.qst", "--name", "Extra"}, out, err))
        << err.str();
    AfxSetModalHook([](CWnd* pWnd) {
        // The new configuration's page asks for its profile at once: it gets none.
        if (pWnd->GetDlgItem(IDC_CREATE_NAME) == nullptr)
            return IDCANCEL;
        pWnd->GetDlgItem(IDC_CREATE_NAME)->SetWindowText("z");
        dynamic_cast<CDialog*>(pWnd)->OnOK();
        return AFX_MODAL_KEEP;
    });
    Left()->SendMessage(WM_COMMAND, ID_ADD_CONFIGURATION, 0);
    Settle(20);
    ASSERT_EQ(CString("z"), List().GetItemText(nLast + 1, 1));
    int nDialogs = 0;
    std::function<void()> whileUp;
    AfxSetModalHook([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CProfileStoreChangesDlg*>(pWnd);
        EXPECT_NE(nullptr, pDlg);
        if (pDlg == nullptr)
            return IDCANCEL;
        ++nDialogs;
        if (whileUp)
            whileUp();
        Settle(30);
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    });
    Left()->SendMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
    Settle(30);
    EXPECT_EQ(1, nDialogs);
    EXPECT_EQ(ulLast, Right()->GetConfigID());
    EXPECT_NE(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(1, FormWindows(Right()));
    std::vector<std::string> expected = demoStores;
    expected.emplace_back("Extra");
    EXPECT_EQ(expected, StoreNames(pConfig));

    // A store leaves the profile, and another configuration is chosen while the notice is up: the
    // check ends as it began, and then the configuration chosen last is shown.
    RemoveDemoStore("Extra");
    ClickRow(0);
    nDialogs = 0;
    whileUp = [this] { ClickRow(1); };
    ClickRow(nLast);
    Settle(30);
    EXPECT_EQ(1, nDialogs);
    EXPECT_EQ(demoStores, StoreNames(pConfig));
    EXPECT_EQ((ULONG)List().GetItemData(1), Right()->GetConfigID());
    EXPECT_NE(nullptr, dynamic_cast<FVContacts*>(Right()->GetCurrentForm()));
    EXPECT_EQ(1, FormWindows(Right()));
}

TEST_F(ViewsFixture, TheBackgroundIsErasedOnlyWithoutAForm) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    CRect rcPane;
    Right()->GetClientRect(&rcPane);
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, rcPane.Width(), rcPane.Height()));
    // The erase result, and whether the marker colour drawn before it is still there.
    const auto Erase = [&] {
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(&rcPane, RGB(1, 2, 3));
        const LRESULT lErased = Right()->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
        dc.SelectObject(static_cast<CBitmap*>(nullptr));
        wxImage image = bitmap.GetWxBitmap()->ConvertToImage();
        const bool bUntouched =
            image.GetRed(5, 5) == 1 && image.GetGreen(5, 5) == 2 && image.GetBlue(5, 5) == 3;
        return std::make_pair(lErased, bUntouched);
    };
    ASSERT_NE(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(std::make_pair(LRESULT(0), true), Erase());
    Doc()->SetCurrentConfigID(0);
    Frame()->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    ASSERT_EQ(nullptr, Right()->GetCurrentForm());
    EXPECT_EQ(std::make_pair(LRESULT(TRUE), false), Erase());
}

// Where each page of a paged form lies relative to its tab control.
std::vector<CPoint> PageOffsets(FVPagedView* pForm) {
    CRect rcTabs;
    pForm->GetTabCtrl().GetWindowRect(&rcTabs);
    std::vector<CPoint> offsets;
    for (CWnd* pPage :
         {static_cast<CWnd*>(&pForm->GetGeneralPage()), static_cast<CWnd*>(&pForm->GetPropertiesPage())}) {
        CRect rcPage;
        pPage->GetWindowRect(&rcPage);
        offsets.emplace_back(rcPage.left - rcTabs.left, rcPage.top - rcTabs.top);
    }
    return offsets;
}

TEST_F(ViewsFixture, AFormMadeWhileTheFrameIsMovedHasItsPagesOnTheTabs) {
    // The first form was made while nothing moved the frame.
    auto* pFirst = dynamic_cast<FVPagedView*>(Right()->GetCurrentForm());
    ASSERT_NE(nullptr, pFirst);
    const std::vector<CPoint> expected = PageOffsets(pFirst);
    {
        qrvtest::CFrameMover mover(Frame()->GetWxWindow());
        ASSERT_TRUE(mover.IsOpen());
        ClickRow(1);
    }
    Settle(100);
    auto* pForm = dynamic_cast<FVPagedView*>(Right()->GetCurrentForm());
    ASSERT_NE(nullptr, pForm);
    ASSERT_EQ((ULONG)List().GetItemData(1), Right()->GetConfigID());
    // Read once the frame stands still.
    const std::vector<CPoint> offsets = PageOffsets(pForm);
    ASSERT_EQ(expected.size(), offsets.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(expected[i].x, offsets[i].x) << "page " << i;
        EXPECT_EQ(expected[i].y, offsets[i].y) << "page " << i;
    }
}

TEST_F(ViewsFixture, WhileAnotherFormIsBuiltThePaneKeepsShowingTheFormBefore) {
    const auto ulContacts = (ULONG)List().GetItemData(1);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulContacts, &pConfig));
    AfxSetModalHook(ChooseDemoProfile);
    EXPECT_EQ(S_OK, pConfig->OnSelectProfile(Frame()));
    pConfig->Release();
    ClickRow(1);
    auto* pContacts = dynamic_cast<FVPagedView*>(Right()->GetCurrentForm());
    ASSERT_NE(nullptr, pContacts);
    Right()->SendMessage(WM_COMMAND, ID_ACTIONS_START, 0);
    Settle(30);
    ASSERT_NE(nullptr, pContacts->GetSearchResultsPage());
    ClickRow(3);
    FVBase* pOther = Right()->GetCurrentForm();
    ASSERT_NE(nullptr, pOther);
    Frame()->ShowWindow(SW_SHOW);
    Settle(100);

    // Back to the contacts: their form comes back with its result page, whose fill draws its
    // progress while it runs.
    {
        CPanePaints paints(Right(), pOther);
        ClickRow(1);
        Settle(100);
        EXPECT_GT(paints.nPaints, 0);
        EXPECT_GT(paints.nNew, 0);
        EXPECT_EQ(0, paints.nIncomplete);
    }
    auto* pBack = dynamic_cast<FVPagedView*>(Right()->GetCurrentForm());
    ASSERT_NE(nullptr, pBack);
    ASSERT_NE(nullptr, pBack->GetSearchResultsPage());
    EXPECT_TRUE(pBack->GetSearchResultsPage()->IsWindowVisible());
    EXPECT_EQ(1, FormWindows(Right()));
    // The keyboard is in the form that came, as when it was built on screen.
    wxWindow* pFocus = wxWindow::FindFocus();
    while (pFocus != nullptr && pFocus != pBack->GetWxWindow())
        pFocus = pFocus->GetParent();
    EXPECT_NE(nullptr, pFocus);
}

}  // namespace
