// The form views on a real profile: pages and tabs, Start, the close-page protocol, the modes, the
// discard question, a cached result, the progress display and a change of language.
#include <wx/dc.h>

#include <cstdlib>
#include <string>

#include "engine/DrawerMapList.h"
#include "language/LanguageSettings.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/FormResource.h"
#include "tests/ui_forms/FormsFixture.h"
#include "ui/FormViews.h"

namespace {

using qrvtest::CountingObserver;
using qrvtest::FormsFixture;
using qrvtest::ResultPageStandIn;

class FormViewTest : public FormsFixture {
protected:
    // A configuration ready to search: profile, the inbox, one compared property.
    CConfigInfo* SearchableConfig(DWORD dwType) {
        CConfigInfo* pConfig = MakeConfig(dwType);
        ChooseProfile(pConfig);
        AddInbox(pConfig);
        CPropertyList* pList = nullptr;
        EXPECT_EQ(S_OK, pConfig->GetPropertyList(&pList));
        if (pList != nullptr) {
            CPropertyID* pProp = nullptr;
            EXPECT_EQ(S_OK, pList->GetFirstProperty(&pProp));
            if (pProp != nullptr) {
                pProp->SetSelected(TRUE);
                pProp->Release();
            }
            pList->Release();
        }
        return pConfig;
    }
    static void SelectTab(FVPagedView* pView, int nTab) {
        pView->GetTabCtrl().SetCurSel(nTab);
        NMHDR hdr{};
        hdr.code = TCN_SELCHANGE;
        pView->GetTabCtrl().NotifyParent(&hdr);
    }
    static void ChooseMode(CComboBox& box, DWORD dwMode) {
        for (int i = 0; i < box.GetCount(); ++i)
            if ((DWORD)box.GetItemData(i) == dwMode)
                box.SetCurSel(i);
        box.NotifyParentCommand(CBN_SELCHANGE);
    }
    static BOOL Enabled(CWnd* pPage, int nID) { return pPage->GetDlgItem(nID)->IsWindowEnabled(); }
};

TEST_F(FormViewTest, EachItemTypeGetsItsOwnViewTemplateAndCaption) {
    struct Expected {
        DWORD dwType;
        const char* lpszClass;
        UINT nID;
        UINT nCaption;
        BOOL bNoCaption;
    };
    const Expected table[] = {{1, "FVContacts", 131, 65, TRUE}, {2, "FVCalendar", 193, 67, TRUE},
                              {3, "FVMail", 189, 66, TRUE},     {4, "FVNote", 195, 69, TRUE},
                              {5, "FVTask", 196, 70, TRUE},     {6, "FVJournal", 194, 68, FALSE}};
    for (const Expected& e : table) {
        CConfigInfo* pConfig = MakeConfig(e.dwType);
        m_ui->chooser.nResult = IDCANCEL;
        FVPagedView* pView = ShowForm(pConfig);
        ASSERT_NE(nullptr, pView);
        EXPECT_STREQ(e.lpszClass, pView->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(e.nID, GetFormViewControlID(e.dwType));
        EXPECT_EQ(e.nID, pView->GetTemplateID());
        EXPECT_EQ(e.nCaption, pView->GetCaptionTextID());
        EXPECT_EQ(e.bNoCaption, pView->IsCaptionHidden());
        CloseForm(pView);
        pConfig->Release();
        m_pConfig = nullptr;
    }
    EXPECT_EQ(nullptr, CreateFormView(0));
    EXPECT_EQ(nullptr, CreateFormView(7));
    EXPECT_EQ(0u, GetFormViewControlID(7));
}

TEST_F(FormViewTest, WithoutAProfileOnlyTheProfileGroupIsUsable) {
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_CONTACT);
    m_ui->chooser.nResult = IDCANCEL;  // the chooser opens by itself once and is cancelled
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(1, m_ui->chooser.nRuns);
    EXPECT_FALSE(pConfig->IsNewConfig());
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    EXPECT_EQ(2, pView->GetTabCtrl().GetItemCount());
    EXPECT_TRUE(general.IsWindowVisible());
    for (int nID : {IDC_GEN_MODES_GROUP, IDC_GEN_COMPARE_MODE, IDC_GEN_PROCESSING_MODE, IDC_GEN_STORE_LIST,
                    IDC_GEN_FOLDER_LIST, IDC_GEN_ADD_FOLDER, IDC_GEN_DEL_FOLDER})
        EXPECT_FALSE(Enabled(&general, nID)) << nID;
    for (int nID : {IDC_GEN_PROFILE_GROUP, IDC_GEN_PROFILE_NAME, IDC_GEN_SELECT_PROFILE})
        EXPECT_TRUE(Enabled(&general, nID)) << nID;
    EXPECT_FALSE(Enabled(pView, IDC_FV_START));
    EXPECT_FALSE(pView->GetPropertiesPage().GetListCtrl().IsWindowEnabled());
    CloseForm(pView);
}

TEST_F(FormViewTest, ANewConfigurationTakesItsProfileWhenFirstShown) {
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_MAIL);
    m_ui->chooser.strName = "work";
    m_ui->chooser.key = m_profileKey;
    m_doc.SetModifiedFlag(FALSE);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    EXPECT_EQ(1, m_ui->chooser.nRuns);
    CString strProfile;
    general.GetDlgItemText(IDC_GEN_PROFILE_NAME, strProfile);
    EXPECT_EQ(CString("work"), strProfile);
    ASSERT_EQ(1, general.GetStoreList()->GetCount());
    CString strStore;
    general.GetStoreList()->GetText(0, strStore);
    EXPECT_EQ(CString("Personal"), strStore);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(Enabled(&general, IDC_GEN_COMPARE_MODE));
    EXPECT_TRUE(Enabled(&general, IDC_GEN_STORE_LIST));
    // Showing it again asks nothing.
    CloseForm(pView);
    pView = ShowForm(pConfig);
    EXPECT_EQ(1, m_ui->chooser.nRuns);
    CloseForm(pView);
}

TEST_F(FormViewTest, AFailedProfileChoiceIsReportedAndCancellingStillRefreshes) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    CountingObserver observer;
    pConfig->Advise(&observer);
    // The chooser fails: one box, nothing refreshed or notified.
    m_ui->chooser.hrGetKey = E_FAIL;
    AfxClearShownMessageBoxes();
    general.SendMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Failed to select profile", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ(0, observer.nCalls);
    // Cancelled: no box, but the store list is refilled and the views are told.
    m_ui->chooser.hrGetKey = S_OK;
    m_ui->chooser.nResult = IDCANCEL;
    AfxClearShownMessageBoxes();
    general.GetStoreList()->ResetContent();
    general.SendMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(1, general.GetStoreList()->GetCount());
    EXPECT_EQ(1, observer.nCalls);
    CString strProfile;
    general.GetDlgItemText(IDC_GEN_PROFILE_NAME, strProfile);
    EXPECT_EQ(CString("work"), strProfile);
    pConfig->Unadvise(&observer);
    CloseForm(pView);
}

TEST_F(FormViewTest, TabsShowOnePageAtATime) {
    ResultPageStandIn standIn;
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_TASK));
    ASSERT_NE(nullptr, pView);
    CWnd& general = pView->GetGeneralPage();
    CWnd& properties = pView->GetPropertiesPage();
    SelectTab(pView, 1);
    EXPECT_FALSE(general.IsWindowVisible());
    EXPECT_TRUE(properties.IsWindowVisible());
    SelectTab(pView, 0);
    EXPECT_TRUE(general.IsWindowVisible());
    EXPECT_FALSE(properties.IsWindowVisible());
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    ASSERT_NE(nullptr, pView->GetSearchResultsPage());
    SelectTab(pView, 1);
    EXPECT_FALSE(pView->GetSearchResultsPage()->IsWindowVisible());
    SelectTab(pView, 2);
    EXPECT_TRUE(pView->GetSearchResultsPage()->IsWindowVisible());
    EXPECT_FALSE(general.IsWindowVisible());
    EXPECT_FALSE(properties.IsWindowVisible());
    CloseForm(pView);
}

TEST_F(FormViewTest, TheSeparatorKeepsItsHeightThroughEveryResize) {
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_TASK));
    ASSERT_NE(nullptr, pView);
    CWnd* pSeparator = pView->GetDlgItem(IDC_FV_SEPARATOR);
    ASSERT_NE(nullptr, pSeparator);
    CRect rcBefore;
    pSeparator->GetWindowRect(&rcBefore);
    ASSERT_GT(rcBefore.Height(), 2);
    CRect rcView;
    pView->GetWindowRect(&rcView);
    // The main window shows and hides its bars, and the pane follows each time.
    for (int i = 0; i < 6; ++i) {
        pView->SetWindowPos(nullptr, 0, 0, rcView.Width() + (i % 2) * 40, rcView.Height() - (i % 2) * 30,
                            SWP_NOMOVE | SWP_NOZORDER);
        Settle(10);
    }
    CRect rcAfter, rcClient;
    pSeparator->GetWindowRect(&rcAfter);
    pView->GetClientRect(&rcClient);
    EXPECT_EQ(rcBefore.Height(), rcAfter.Height());
    EXPECT_EQ(rcClient.Width(), rcAfter.Width());
    CloseForm(pView);
}

TEST_F(FormViewTest, StartReplacesTheResultsPageAndTheCachedResult) {
    ResultPageStandIn standIn;
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_TRUE(Enabled(pView, IDC_FV_START));
    pConfig->SetSearchResult(new CDrawerMapList(0, 4));
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    CDrawerMapList* pCached = nullptr;
    pConfig->GetSearchResult(&pCached);
    EXPECT_EQ(nullptr, pCached);  // the new page searches afresh
    EXPECT_EQ(1, ResultPageStandIn::s_nCreated);
    EXPECT_EQ(3, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(2, pView->GetTabCtrl().GetCurSel());
    EXPECT_TRUE(pView->HasSearchResults());
    EXPECT_FALSE(pView->GetGeneralPage().IsWindowVisible());
    // Start again while the results tab is selected: the old page goes, the new tab ends selected.
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    EXPECT_EQ(2, ResultPageStandIn::s_nCreated);
    EXPECT_EQ(1, ResultPageStandIn::s_nPrepared);
    EXPECT_EQ(3, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(2, pView->GetTabCtrl().GetCurSel());
    EXPECT_TRUE(Enabled(pView, IDC_FV_START));
    CloseForm(pView);
}

TEST_F(FormViewTest, OnlyTheResultsPageCanBeClosed) {
    ResultPageStandIn standIn;
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_MAIL));
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(S_OK, pView->DemandClosePP(PAGE_ID_SEARCH_RESULTS));  // none open: nothing to do
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    BOOL bCanClose = 7;
    EXPECT_EQ(S_OK, pView->CanClosePP(PAGE_ID_GENERAL, &bCanClose));
    EXPECT_EQ(7, bCanClose);
    EXPECT_EQ(S_OK, pView->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose));
    EXPECT_TRUE(bCanClose);
    EXPECT_EQ(E_UNEXPECTED, pView->DemandClosePP(PAGE_ID_PROPERTIES));
    EXPECT_EQ(3, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(S_OK, pView->DemandClosePP(PAGE_ID_SEARCH_RESULTS));
    EXPECT_EQ(nullptr, pView->GetSearchResultsPage());
    EXPECT_EQ(2, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(0, pView->GetTabCtrl().GetCurSel());
    EXPECT_TRUE(pView->GetGeneralPage().IsWindowVisible());
    EXPECT_EQ(1, ResultPageStandIn::s_nPrepared);
    CloseForm(pView);
}

TEST_F(FormViewTest, ModeChangesNotifyTheViewsOnlyWhenTheModeChanges) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_APPOINTMENT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CountingObserver observer;
    pConfig->Advise(&observer);
    m_doc.SetModifiedFlag(FALSE);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    ChooseMode(general.GetCompareModeBox(), COMPARE_MODE_FOLDER);  // the mode it has
    EXPECT_EQ(0, observer.nCalls);
    EXPECT_FALSE(m_doc.IsModified());
    ChooseMode(general.GetCompareModeBox(), COMPARE_MODE_STORE);
    EXPECT_EQ((DWORD)COMPARE_MODE_STORE, pConfig->GetCompareMode());
    EXPECT_EQ(1, observer.nCalls);
    EXPECT_TRUE(m_doc.IsModified());
    ChooseMode(general.GetProcessingModeBox(), PROCESSING_MODE_AUTOMATIC);
    EXPECT_EQ((DWORD)PROCESSING_MODE_AUTOMATIC, pConfig->GetProcessingMode());
    EXPECT_EQ(2, observer.nCalls);
    pConfig->Unadvise(&observer);
    CloseForm(pView);
}

TEST_F(FormViewTest, TheDiscardQuestionGuardsAShownResult) {
    ResultPageStandIn standIn;
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    SelectTab(pView, 0);
    CComboBox& box = pView->GetGeneralPage().GetCompareModeBox();
    int nAsked = 0;
    AfxSetModalHook([&](CWnd* pWnd) {
        ++nAsked;
        auto* pDlg = dynamic_cast<CDialog*>(pWnd);
        EXPECT_TRUE(pDlg != nullptr && pDlg->GetTemplateID() == IDD_UPDATE_RESULT_LIST);
        return IDCANCEL;
    });
    ChooseMode(box, COMPARE_MODE_STORE);
    EXPECT_EQ(1, nAsked);
    EXPECT_EQ((DWORD)COMPARE_MODE_FOLDER, pConfig->GetCompareMode());
    // The sorted list goes back to the configuration's mode, found by its item data.
    EXPECT_EQ((DWORD)COMPARE_MODE_FOLDER, (DWORD)box.GetItemData(box.GetCurSel()));
    EXPECT_TRUE(pView->HasSearchResults());
    AfxSetModalHook([&](CWnd*) {
        ++nAsked;
        return IDOK;
    });
    ChooseMode(box, COMPARE_MODE_STORE);
    EXPECT_EQ(2, nAsked);
    EXPECT_EQ((DWORD)COMPARE_MODE_STORE, pConfig->GetCompareMode());
    EXPECT_FALSE(pView->HasSearchResults());
    EXPECT_EQ(2, pView->GetTabCtrl().GetItemCount());
    EXPECT_TRUE(pView->GetGeneralPage().IsWindowVisible());
    // Without a result nothing is asked.
    ChooseMode(box, COMPARE_MODE_FOLDER);
    EXPECT_EQ(2, nAsked);
    CloseForm(pView);
}

TEST_F(FormViewTest, ACachedResultComesBackOnItsOwnTab) {
    ResultPageStandIn standIn;
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_NOTE);
    pConfig->SetSearchResult(new CDrawerMapList(0, 4));
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(1, ResultPageStandIn::s_nCreated);
    EXPECT_EQ(3, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(2, pView->GetTabCtrl().GetCurSel());
    EXPECT_EQ(CString("Search results"), pView->GetTabCtrl().GetItemText(2));
    EXPECT_FALSE(pView->GetGeneralPage().IsWindowVisible());
    CDrawerMapList* pCached = nullptr;
    pConfig->GetSearchResult(&pCached);
    EXPECT_NE(nullptr, pCached);  // shown, not searched again
    if (pCached != nullptr)
        pCached->Release();
    CloseForm(pView);
}

TEST_F(FormViewTest, ProgressDisplaySwitchesTheActionsGroup) {
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_JOURNAL);
    m_ui->chooser.nResult = IDCANCEL;
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CWnd* pStart = pView->GetDlgItem(IDC_FV_START);
    EXPECT_FALSE(pStart->IsWindowEnabled());
    // Idle look: Start shown; the progress label and bar, the apply and the OK button hidden.
    EXPECT_TRUE(pStart->IsWindowVisible());
    for (int nID : {IDC_FV_PROGRESS, IDC_FV_PROGRESS_TEXT, IDC_FV_APPLY, IDOK})
        EXPECT_FALSE(pView->GetDlgItem(nID)->IsWindowVisible()) << nID;
    EXPECT_EQ(S_OK, pView->StartCleanup());
    EXPECT_FALSE(pStart->IsWindowVisible());
    EXPECT_TRUE(pView->GetProgressCtrl().IsWindowVisible());
    EXPECT_TRUE(pView->GetDlgItem(IDC_FV_PROGRESS_TEXT)->IsWindowVisible());
    EXPECT_EQ(S_OK, pView->SetProgress(40));
    EXPECT_EQ(40, pView->GetProgressCtrl().GetPos());
    EXPECT_EQ(S_OK, pView->SetProgress(150));
    EXPECT_EQ(100, pView->GetProgressCtrl().GetPos());
    EXPECT_EQ(S_OK, pView->EndCleanup());
    // Enabled even though no search is possible; the next state update corrects it.
    EXPECT_TRUE(pStart->IsWindowVisible());
    EXPECT_TRUE(pStart->IsWindowEnabled());
    EXPECT_FALSE(pView->GetProgressCtrl().IsWindowVisible());
    CCmdUI state;
    pView->OnUpdateStartClear(&state);
    EXPECT_FALSE(state.m_bEnabled);
    EXPECT_FALSE(pStart->IsWindowEnabled());
    EXPECT_FALSE(pView->GetDlgItem(IDC_FV_APPLY)->IsWindowVisible());
    CloseForm(pView);
}

TEST_F(FormViewTest, TheBaseAnswersForEveryPage) {
    auto* pBase = new FVBase(IDD_FV_TASK);
    for (int nPage : {0, 1, 2, 3}) {
        BOOL bCanClose = TRUE;
        EXPECT_EQ(S_OK, pBase->CanClosePP(nPage, &bCanClose));
        EXPECT_FALSE(bCanClose);
        EXPECT_EQ(E_FAIL, pBase->DemandClosePP(nPage));
    }
    EXPECT_FALSE(pBase->HasSearchResults());
    BOOL bPossible = TRUE;
    EXPECT_EQ(S_OK, pBase->IsSearchPossible(&bPossible));
    EXPECT_FALSE(bPossible);
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_TASK);
    EXPECT_EQ(S_OK, pBase->SetConfigInfo(pConfig));
    EXPECT_EQ(E_INVALIDARG, pBase->SetConfigInfo(nullptr));
    CConfigInfo* pHeld = pBase->GetConfigInfo();
    EXPECT_EQ(pConfig, pHeld);
    pHeld->Release();
    EXPECT_TRUE(pBase->ConfirmDiscardResults());
    delete pBase;
}

TEST_F(FormViewTest, TabsAndPagesFollowAChangeOfLanguage) {
    ResultPageStandIn standIn;
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_MAIL));
    ASSERT_NE(nullptr, pView);
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    EXPECT_EQ(CString("General"), pView->GetTabCtrl().GetItemText(0));
    ASSERT_EQ(S_OK, SetDefaultLanguageID(1031));
    EXPECT_EQ(S_OK, pView->OnLanguageChange());
    EXPECT_EQ(CString("Allgemein"), pView->GetTabCtrl().GetItemText(0));
    EXPECT_EQ(CString("Eigenschaften"), pView->GetTabCtrl().GetItemText(1));
    EXPECT_EQ(CString("Such-Ergebnis"), pView->GetTabCtrl().GetItemText(2));
    EXPECT_EQ(2, pView->GetTabCtrl().GetCurSel());
    CString strGroup;
    pView->GetGeneralPage().GetDlgItemText(IDC_GEN_MODES_GROUP, strGroup);
    EXPECT_EQ(CString("&Modi"), strGroup);
    SetDefaultLanguageID(2057);
    CloseForm(pView);
}

TEST_F(FormViewTest, AViewThatGoesWithItsWindowsLeavesItsConfiguration) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    // No CloseView: the view goes with its parent, as at the end of the program.
    pView->DestroyWindow();
    Settle(10);
    // A view still on the observer list would be called here after it was deleted.
    EXPECT_EQ(S_OK, pConfig->NotifyConfigChange(nullptr));
}

TEST_F(FormViewTest, OnlyTheJournalPaintsItsCaptionBand) {
    for (DWORD dwType : {CONFIG_TYPE_MAIL, CONFIG_TYPE_JOURNAL, CONFIG_TYPE_CONTACT}) {
        CConfigInfo* pConfig = MakeConfig(dwType);
        m_ui->chooser.nResult = IDCANCEL;
        FVPagedView* pView = ShowForm(pConfig);
        ASSERT_NE(nullptr, pView);
        // The view draws into a white picture of its header.
        CBitmap picture;
        ASSERT_TRUE(picture.CreateCompatibleBitmap(nullptr, 700, 60));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        CBitmap* pOld = dc.SelectObject(&picture);
        dc.FillSolidRect(0, 0, 700, 60, RGB(255, 255, 255));
        pView->OnDraw(&dc);
        // Right of every header picture, inside the band's 50 pixels; left of the band.
        wxColour band, left;
        dc.GetWxDC()->GetPixel(660, 45, &band);
        dc.GetWxDC()->GetPixel(20, 45, &left);
        dc.SelectObject(pOld);
        const BOOL bBlue = band.Red() == 0 && band.Green() == 0 && band.Blue() == 255;
        EXPECT_EQ(dwType == CONFIG_TYPE_JOURNAL, bBlue != FALSE) << dwType;
        EXPECT_TRUE(left.Red() == 255 && left.Green() == 255 && left.Blue() == 255) << dwType;
        CloseForm(pView);
        pConfig->Release();
        m_pConfig = nullptr;
    }
}

TEST_F(FormViewTest, ScreenshotOfAFormView) {
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_JOURNAL));
    ASSERT_NE(nullptr, pView);
    const std::string path = SaveScreenshot(pView, "form_view_journal.png");
    EXPECT_FALSE(path.empty());
    CloseForm(pView);
}

}  // namespace
