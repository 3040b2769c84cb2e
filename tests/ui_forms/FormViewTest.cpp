// The form views on a real profile: pages and tabs, Start, the close-page protocol, the modes, the
// discard question, a cached result, the progress display and a change of language.
#include <wx/dc.h>
#include <wx/notebook.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/DrawerMapList.h"
#include "language/LanguageSettings.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/FormResource.h"
#include "tests/model/ConfigTestAccess.h"
#include "tests/platform_mapi/MapiTestSupport.h"
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
        mapitest::Ref<CPropertyList> list;
        mapitest::Ref<CPropertyID> prop;
        EXPECT_EQ(S_OK, pConfig->GetPropertyList(&list));
        if (list != nullptr && SUCCEEDED(list->GetFirstProperty(&prop)) && prop != nullptr)
            prop->SetSelected(TRUE);
        return pConfig;
    }
    // The view of a new configuration whose chooser, opening by itself, is cancelled.
    FVPagedView* ShowWithoutProfile(DWORD dwType) {
        m_ui->chooser.nResult = IDCANCEL;
        return ShowForm(MakeConfig(dwType));
    }
    void DropConfig() {
        m_pConfig->Release();
        m_pConfig = nullptr;
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
    static BOOL Visible(CWnd* pPage, int nID) { return pPage->GetDlgItem(nID)->IsWindowVisible(); }
    // The tabs, the selected one, and which of the General, Properties and results pages show:
    // "General|Properties, on 0: G".
    static std::string Layout(FVPagedView* pView) {
        CTabCtrl& tabs = pView->GetTabCtrl();
        std::string text;
        for (int i = 0; i < tabs.GetItemCount(); ++i)
            text += (i > 0 ? "|" : "") + std::string(tabs.GetItemText(i));
        PropertyPageBase* pResults = pView->GetSearchResultsPage();
        return text + ", on " + std::to_string(tabs.GetCurSel()) + ": " +
               (pView->GetGeneralPage().IsWindowVisible() ? "G" : "") +
               (pView->GetPropertiesPage().IsWindowVisible() ? "P" : "") +
               (pResults != nullptr && pResults->IsWindowVisible() ? "R" : "");
    }
};

TEST_F(FormViewTest, EachItemTypeGetsItsOwnTemplateCaptionAndBand) {
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
        SCOPED_TRACE(e.lpszClass);
        FVPagedView* pView = ShowWithoutProfile(e.dwType);
        ASSERT_NE(nullptr, pView);
        EXPECT_STREQ(e.lpszClass, pView->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(e.nID, GetFormViewControlID(e.dwType));
        EXPECT_EQ(e.nID, pView->GetTemplateID());
        EXPECT_EQ(e.nCaption, pView->GetCaptionTextID());
        EXPECT_EQ(e.bNoCaption, pView->IsCaptionHidden());
        // Only the journal paints its blue band (inside its 50 pixels, right of every header
        // picture) into a white picture of its header; left of the band stays white.
        CBitmap picture;
        ASSERT_TRUE(picture.CreateCompatibleBitmap(nullptr, 700, 60));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        CBitmap* pOld = dc.SelectObject(&picture);
        dc.FillSolidRect(0, 0, 700, 60, RGB(255, 255, 255));
        pView->OnDraw(&dc);
        wxColour band, left;
        dc.GetWxDC()->GetPixel(660, 45, &band);
        dc.GetWxDC()->GetPixel(20, 45, &left);
        dc.SelectObject(pOld);
        EXPECT_EQ(!e.bNoCaption, band == wxColour(0, 0, 255));
        EXPECT_EQ(wxColour(255, 255, 255), left);
        CloseForm(pView);
        DropConfig();
    }
    EXPECT_EQ(nullptr, CreateFormView(0));
    EXPECT_EQ(nullptr, CreateFormView(7));
    EXPECT_EQ(0u, GetFormViewControlID(7));
}

TEST_F(FormViewTest, WithoutAProfileOnlyTheProfileGroupIsUsableAndACleanupSwapsTheActions) {
    FVPagedView* pView = ShowWithoutProfile(CONFIG_TYPE_JOURNAL);
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(1, m_ui->chooser.nRuns);
    EXPECT_FALSE(m_pConfig->IsNewConfig());
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    EXPECT_EQ("General|Properties, on 0: G", Layout(pView));
    for (int nID : {IDC_GEN_MODES_GROUP, IDC_GEN_COMPARE_MODE, IDC_GEN_PROCESSING_MODE, IDC_GEN_STORE_LIST,
                    IDC_GEN_FOLDER_LIST, IDC_GEN_ADD_FOLDER, IDC_GEN_DEL_FOLDER})
        EXPECT_FALSE(Enabled(&general, nID)) << nID;
    for (int nID : {IDC_GEN_PROFILE_GROUP, IDC_GEN_PROFILE_NAME, IDC_GEN_SELECT_PROFILE})
        EXPECT_TRUE(Enabled(&general, nID)) << nID;
    EXPECT_FALSE(pView->GetPropertiesPage().GetListCtrl().IsWindowEnabled());
    EXPECT_FALSE(Enabled(pView, IDC_FV_START));
    EXPECT_TRUE(Visible(pView, IDC_FV_START));
    for (int nID : {IDC_FV_PROGRESS, IDC_FV_PROGRESS_TEXT, IDC_FV_APPLY, IDOK})
        EXPECT_FALSE(Visible(pView, nID)) << nID;

    // A cleanup shows its progress in the place of Start; the bar takes at most 100.
    EXPECT_EQ(S_OK, pView->StartCleanup());
    EXPECT_FALSE(Visible(pView, IDC_FV_START));
    EXPECT_TRUE(pView->GetProgressCtrl().IsWindowVisible());
    EXPECT_TRUE(Visible(pView, IDC_FV_PROGRESS_TEXT));
    EXPECT_EQ(S_OK, pView->SetProgress(40));
    EXPECT_EQ(40, pView->GetProgressCtrl().GetPos());
    EXPECT_EQ(S_OK, pView->SetProgress(150));
    EXPECT_EQ(100, pView->GetProgressCtrl().GetPos());
    EXPECT_EQ(S_OK, pView->EndCleanup());
    // Enabled even though no search is possible; the next state update corrects it.
    EXPECT_TRUE(Visible(pView, IDC_FV_START));
    EXPECT_TRUE(Enabled(pView, IDC_FV_START));
    EXPECT_FALSE(pView->GetProgressCtrl().IsWindowVisible());
    CCmdUI state;
    pView->OnUpdateStartClear(&state);
    EXPECT_FALSE(state.m_bEnabled);
    EXPECT_FALSE(Enabled(pView, IDC_FV_START));
    EXPECT_FALSE(Visible(pView, IDC_FV_APPLY));
    CloseForm(pView);
}

TEST_F(FormViewTest, ANewConfigurationTakesItsProfileWhenFirstShownAndChoosesAgainOnRequest) {
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_MAIL);
    m_ui->chooser.strName = "work";
    m_ui->chooser.key = m_profileKey;
    m_doc.SetModifiedFlag(FALSE);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    EXPECT_EQ(1, m_ui->chooser.nRuns);
    EXPECT_EQ("work", ControlText(&general, IDC_GEN_PROFILE_NAME));
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
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(1, m_ui->chooser.nRuns);

    // The chooser fails on request: one box, nothing refreshed or notified.
    CGeneralSettingsPP& shown = pView->GetGeneralPage();
    CountingObserver observer;
    pConfig->Advise(&observer);
    m_ui->chooser.hrGetKey = E_FAIL;
    AfxClearShownMessageBoxes();
    shown.SendMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Failed to select profile", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ(0, observer.nCalls);
    // Cancelled: no box, but the store list is refilled and the views are told.
    m_ui->chooser.hrGetKey = S_OK;
    m_ui->chooser.nResult = IDCANCEL;
    AfxClearShownMessageBoxes();
    shown.GetStoreList()->ResetContent();
    shown.SendMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(1, shown.GetStoreList()->GetCount());
    EXPECT_EQ(1, observer.nCalls);
    EXPECT_EQ("work", ControlText(&shown, IDC_GEN_PROFILE_NAME));
    pConfig->Unadvise(&observer);
    CloseForm(pView);
}

// The toolkit marks the selected tab by the line under the row of tabs: a page laid over that
// line leaves no tab looking selected. Every page begins where the toolkit puts its own pages.
TEST_F(FormViewTest, ThePagesLeaveTheLineUnderTheTabsInSight) {
    ResultPageStandIn standIn;
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_MAIL));
    ASSERT_NE(nullptr, pView);
    Settle(200);
    auto* pBook = dynamic_cast<wxNotebook*>(pView->GetTabCtrl().GetWxWindow());
    ASSERT_NE(nullptr, pBook);
    ASSERT_GT(pBook->GetPageCount(), 0u);
    const wxRect rcToolkitPage = pBook->GetPage(0)->GetScreenRect();
    EXPECT_EQ(rcToolkitPage.y, pView->GetGeneralPage().GetWxWindow()->GetScreenRect().y);
    EXPECT_EQ(rcToolkitPage.y, pView->GetPropertiesPage().GetWxWindow()->GetScreenRect().y);
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    Settle(100);
    ASSERT_NE(nullptr, pView->GetSearchResultsPage());
    EXPECT_EQ(rcToolkitPage.y, pView->GetSearchResultsPage()->GetWxWindow()->GetScreenRect().y);
    CloseForm(pView);
}

TEST_F(FormViewTest, StartOpensOneResultsTabThatTabsLanguagesAndClosingFollow) {
    ResultPageStandIn standIn;
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_MAIL);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_TRUE(Enabled(pView, IDC_FV_START));
    EXPECT_EQ(S_OK, pView->DemandClosePP(PAGE_ID_SEARCH_RESULTS));  // none open: nothing to do
    SelectTab(pView, 1);
    EXPECT_EQ("General|Properties, on 1: P", Layout(pView));
    SelectTab(pView, 0);
    EXPECT_EQ("General|Properties, on 0: G", Layout(pView));

    // Start drops a cached result, so the new page searches afresh, on a third tab it selects.
    pConfig->SetSearchResult(new CDrawerMapList(0, 4));
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    CDrawerMapList* pCached = nullptr;
    pConfig->GetSearchResult(&pCached);
    EXPECT_EQ(nullptr, pCached);
    EXPECT_EQ(1, ResultPageStandIn::s_nCreated);
    EXPECT_TRUE(pView->HasSearchResults());
    EXPECT_EQ("General|Properties|Search results, on 2: R", Layout(pView));
    SelectTab(pView, 1);
    EXPECT_EQ("General|Properties|Search results, on 1: P", Layout(pView));
    SelectTab(pView, 2);
    EXPECT_EQ("General|Properties|Search results, on 2: R", Layout(pView));
    // Start again while the results tab is selected: the old page goes, the new tab ends selected.
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    EXPECT_EQ(2, ResultPageStandIn::s_nCreated);
    EXPECT_EQ(1, ResultPageStandIn::s_nPrepared);
    EXPECT_EQ("General|Properties|Search results, on 2: R", Layout(pView));
    EXPECT_TRUE(Enabled(pView, IDC_FV_START));

    ASSERT_EQ(S_OK, SetDefaultLanguageID(1031));
    EXPECT_EQ(S_OK, pView->OnLanguageChange());
    EXPECT_EQ("Allgemein|Eigenschaften|Such-Ergebnis, on 2: R", Layout(pView));
    EXPECT_EQ("&Modi", ControlText(&pView->GetGeneralPage(), IDC_GEN_MODES_GROUP));
    SetDefaultLanguageID(2057);

    // Only the results page can be closed.
    BOOL bCanClose = 7;
    EXPECT_EQ(S_OK, pView->CanClosePP(PAGE_ID_GENERAL, &bCanClose));
    EXPECT_EQ(7, bCanClose);
    EXPECT_EQ(S_OK, pView->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose));
    EXPECT_TRUE(bCanClose);
    EXPECT_EQ(E_UNEXPECTED, pView->DemandClosePP(PAGE_ID_PROPERTIES));
    EXPECT_EQ(3, pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(S_OK, pView->DemandClosePP(PAGE_ID_SEARCH_RESULTS));
    EXPECT_EQ(nullptr, pView->GetSearchResultsPage());
    EXPECT_EQ(2, ResultPageStandIn::s_nPrepared);
    EXPECT_EQ("Allgemein|Eigenschaften, on 0: G", Layout(pView));

    // A cached result comes back on its own tab when the configuration is shown again, not searched again.
    pConfig->SetSearchResult(new CDrawerMapList(0, 4));
    CloseForm(pView);
    pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(3, ResultPageStandIn::s_nCreated);
    EXPECT_EQ("General|Properties|Search results, on 2: R", Layout(pView));
    pConfig->GetSearchResult(&pCached);
    EXPECT_NE(nullptr, pCached);
    if (pCached != nullptr)
        pCached->Release();
    CloseForm(pView);
}

TEST_F(FormViewTest, ModeChangesNotifyOnlyWhenTheModeChangesAndAskBeforeDroppingAResult) {
    ResultPageStandIn standIn;
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_APPOINTMENT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CountingObserver observer;
    pConfig->Advise(&observer);
    m_doc.SetModifiedFlag(FALSE);
    CComboBox& box = pView->GetGeneralPage().GetCompareModeBox();
    ChooseMode(box, COMPARE_MODE_FOLDER);  // the mode it has
    EXPECT_EQ(0, observer.nCalls);
    EXPECT_FALSE(m_doc.IsModified());
    ChooseMode(box, COMPARE_MODE_STORE);
    EXPECT_EQ((DWORD)COMPARE_MODE_STORE, pConfig->GetCompareMode());
    EXPECT_EQ(1, observer.nCalls);
    EXPECT_TRUE(m_doc.IsModified());

    // With a result shown, a declined question keeps the mode and the result.
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    SelectTab(pView, 0);
    int nAsked = 0;
    int nAnswer = IDCANCEL;
    AfxSetModalHook([&](CWnd* pWnd) {
        ++nAsked;
        auto* pDlg = dynamic_cast<CDialog*>(pWnd);
        EXPECT_TRUE(pDlg != nullptr && pDlg->GetTemplateID() == IDD_UPDATE_RESULT_LIST);
        return nAnswer;
    });
    ChooseMode(box, COMPARE_MODE_FOLDER);
    EXPECT_EQ(1, nAsked);
    EXPECT_EQ((DWORD)COMPARE_MODE_STORE, pConfig->GetCompareMode());
    // The sorted list goes back to the configuration's mode, found by its item data.
    EXPECT_EQ((DWORD)COMPARE_MODE_STORE, (DWORD)box.GetItemData(box.GetCurSel()));
    EXPECT_TRUE(pView->HasSearchResults());
    nAnswer = IDOK;
    ChooseMode(box, COMPARE_MODE_FOLDER);
    EXPECT_EQ(2, nAsked);
    EXPECT_EQ((DWORD)COMPARE_MODE_FOLDER, pConfig->GetCompareMode());
    EXPECT_FALSE(pView->HasSearchResults());
    EXPECT_EQ("General|Properties, on 0: G", Layout(pView));
    // Without a result nothing is asked.
    ChooseMode(box, COMPARE_MODE_STORE);
    EXPECT_EQ(2, nAsked);
    const int nCalls = observer.nCalls;
    ChooseMode(pView->GetGeneralPage().GetProcessingModeBox(), PROCESSING_MODE_AUTOMATIC);
    EXPECT_EQ((DWORD)PROCESSING_MODE_AUTOMATIC, pConfig->GetProcessingMode());
    EXPECT_EQ(nCalls + 1, observer.nCalls);
    pConfig->Unadvise(&observer);
    CloseForm(pView);
}

TEST_F(FormViewTest, TheSeparatorKeepsItsHeightThroughEveryResize) {
    FVPagedView* pView = ShowForm(SearchableConfig(CONFIG_TYPE_JOURNAL));
    ASSERT_NE(nullptr, pView);
    EXPECT_FALSE(SaveScreenshot(pView, "form_view_journal.png").empty());
    CWnd* pSeparator = pView->GetDlgItem(IDC_FV_SEPARATOR);
    ASSERT_NE(nullptr, pSeparator);
    CRect rcBefore, rcView, rcAfter, rcClient;
    pSeparator->GetWindowRect(&rcBefore);
    ASSERT_GT(rcBefore.Height(), 2);
    pView->GetWindowRect(&rcView);
    // The main window shows and hides its bars, and the pane follows each time.
    for (int i = 0; i < 6; ++i) {
        pView->SetWindowPos(nullptr, 0, 0, rcView.Width() + (i % 2) * 40, rcView.Height() - (i % 2) * 30,
                            SWP_NOMOVE | SWP_NOZORDER);
        Settle(10);
    }
    pSeparator->GetWindowRect(&rcAfter);
    pView->GetClientRect(&rcClient);
    EXPECT_EQ(rcBefore.Height(), rcAfter.Height());
    EXPECT_EQ(rcClient.Width(), rcAfter.Width());
    CloseForm(pView);
}

TEST_F(FormViewTest, TheBaseSearchesNothingWithoutAConfigurationAndRefusesANullOne) {
    auto* pBase = new FVBase(IDD_FV_TASK);
    BOOL bPossible = TRUE;
    EXPECT_EQ(S_OK, pBase->IsSearchPossible(&bPossible));
    EXPECT_FALSE(bPossible);
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_TASK);
    EXPECT_EQ(S_OK, pBase->SetConfigInfo(pConfig));
    EXPECT_EQ(E_INVALIDARG, pBase->SetConfigInfo(nullptr));
    CConfigInfo* pHeld = pBase->GetConfigInfo();
    EXPECT_EQ(pConfig, pHeld);
    pHeld->Release();
    EXPECT_TRUE(pBase->ConfirmDiscardResults());  // nothing to discard
    delete pBase;
}

TEST_F(FormViewTest, AViewThatGoesWithItsWindowsLeavesItsConfiguration) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    const std::vector<IConfigObserver*> before = CConfigInfoTestAccess::Observers(pConfig);
    const ULONG ulRefsBefore = pConfig->AddRef() - 1;
    pConfig->Release();
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    IConfigObserver* pObserver = pView;
    std::vector<IConfigObserver*> shown = CConfigInfoTestAccess::Observers(pConfig);
    ASSERT_EQ(1, std::count(shown.begin(), shown.end(), pObserver));
    // No CloseView: the view goes with its parent, as at the end of the program.
    pView->DestroyWindow();
    Settle(10);
    // Gone from the observers (a view left there would be called after it was deleted), and its
    // reference to the configuration with it.
    ASSERT_EQ(before, CConfigInfoTestAccess::Observers(pConfig));
    EXPECT_EQ(ulRefsBefore + 1, pConfig->AddRef());
    pConfig->Release();
    EXPECT_EQ(S_OK, pConfig->NotifyConfigChange(nullptr));
}

TEST_F(FormViewTest, AStoreThatCannotBeOpenedIsReportedOnceAsTheFormIsBuilt) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    ASSERT_TRUE(std::filesystem::remove(m_root->Path() + "/Personal.pst"));
    AfxClearShownMessageBoxes();
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Failed to open Store", AfxGetShownMessageBoxes()[0].caption);
    // Choosing the store again is the user's own request, answered with its own box.
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    general.GetStoreList()->SetCurSel(0);
    general.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEN_STORE_LIST, LBN_SELCHANGE), 0);
    EXPECT_EQ(2u, AfxGetShownMessageBoxes().size());
    CloseForm(pView);
}

TEST_F(FormViewTest, AProfileWhoseStoresCannotBeReadLeavesNoStaleStoresOnThePage) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_MAIL);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    ASSERT_EQ(1, general.GetStoreList()->GetCount());
    ASSERT_EQ(1, general.GetFolderList()->GetCount());
    ASSERT_TRUE(Enabled(pView, IDC_FV_START));

    // The chosen profile went away while the chooser was open: its stores cannot be read.
    CountingObserver observer;
    pConfig->Advise(&observer);
    m_ui->chooser.strName = "gone";
    m_ui->chooser.key = {1, 2, 3, 4};
    AfxClearShownMessageBoxes();
    general.SendMessage(WM_COMMAND, IDC_GEN_SELECT_PROFILE, 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ("Failed to select profile", AfxGetShownMessageBoxes()[0].caption);
    // The page shows what the configuration now holds, and the form knows a search is impossible.
    EXPECT_EQ(0, pConfig->GetStoreCount());
    EXPECT_EQ("gone", ControlText(&general, IDC_GEN_PROFILE_NAME));
    EXPECT_EQ(0, general.GetStoreList()->GetCount());
    EXPECT_EQ(0, general.GetFolderList()->GetCount());
    EXPECT_FALSE(Enabled(&general, IDC_GEN_ADD_FOLDER));
    EXPECT_FALSE(Enabled(&general, IDC_GEN_DEL_FOLDER));
    EXPECT_EQ(1, observer.nCalls);
    EXPECT_FALSE(Enabled(pView, IDC_FV_START));
    pConfig->Unadvise(&observer);
    CloseForm(pView);
}

TEST_F(FormViewTest, TheRemoveButtonFollowsAFolderListEmptiedByAStoreThatWillNotOpen) {
    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_CONTACT);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CGeneralSettingsPP& general = pView->GetGeneralPage();
    ASSERT_EQ(1, general.GetFolderList()->GetCount());
    general.GetFolderList()->SetCurSel(0);
    general.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEN_FOLDER_LIST, LBN_SELCHANGE), 0);
    ASSERT_TRUE(Enabled(&general, IDC_GEN_DEL_FOLDER));

    // The store file went away behind the program's back; choosing the store again fails.
    ASSERT_TRUE(std::filesystem::remove(m_root->Path() + "/Personal.pst"));
    AfxClearShownMessageBoxes();
    general.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEN_STORE_LIST, LBN_SELCHANGE), 0);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ(0, general.GetFolderList()->GetCount());
    EXPECT_FALSE(Enabled(&general, IDC_GEN_DEL_FOLDER));
    // Without a store selection there is nothing to add to either.
    general.GetStoreList()->SetCurSel(-1);
    general.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEN_STORE_LIST, LBN_SELCHANGE), 0);
    EXPECT_FALSE(Enabled(&general, IDC_GEN_ADD_FOLDER));
    CloseForm(pView);
}

TEST_F(FormViewTest, AfterAChangeOfLanguageTheModeListsShowTheConfigurationsModes) {
    // An English text for "ignoring folder" that sorts behind "Folder by Folder", unlike the
    // German pair: the sorted list holds the two modes in the other order in each language.
    UseLanguageCopy([](std::string& english) {
        const size_t pos = english.find("\n81\t");
        english.replace(pos, english.find('\n', pos + 1) - pos, "\n81\tWhole store, ignoring folders");
    });

    CConfigInfo* pConfig = SearchableConfig(CONFIG_TYPE_TASK);
    pConfig->SetCompareMode(COMPARE_MODE_STORE);
    pConfig->SetProcessingMode(PROCESSING_MODE_AUTOMATIC);
    FVPagedView* pView = ShowForm(pConfig);
    ASSERT_NE(nullptr, pView);
    CComboBox& compare = pView->GetGeneralPage().GetCompareModeBox();
    CComboBox& processing = pView->GetGeneralPage().GetProcessingModeBox();
    for (LONG lLanguage : {1031, 2057}) {
        ASSERT_EQ(S_OK, SetDefaultLanguageID(lLanguage));
        pView->OnLanguageChange();
        ASSERT_GE(compare.GetCurSel(), 0);
        EXPECT_EQ((DWORD)COMPARE_MODE_STORE, (DWORD)compare.GetItemData(compare.GetCurSel())) << lLanguage;
        EXPECT_EQ((DWORD)PROCESSING_MODE_AUTOMATIC, (DWORD)processing.GetItemData(processing.GetCurSel()));
    }
    CloseForm(pView);
}

}  // namespace
