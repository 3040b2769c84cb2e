// The item-type form views: tab pages, Start, the close-page protocol, language and config changes.
#include "ui/FormViews.h"

#include <cstdlib>

#include "engine/DrawerMapList.h"
#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "resources/FormResource.h"
#include "trace/Trace.h"
#include "ui/DialogLayout.h"
#include "ui/SearchResultPP.h"
#include "ui/StoreOpenErrorBox.h"

#ifndef SWP_NOCOPYBITS
#define SWP_NOCOPYBITS 0x0100
#endif

#define ID_TAB_GENERAL_CAPTION 77
#define ID_TAB_PROPERTIES_CAPTION 97
#define ID_TAB_RESULTS_CAPTION 99

namespace {

const FORM_VIEW_TRAITS kContacts{CONFIG_TYPE_CONTACT, IDD_FV_CONTACTS, 65, TRUE, "Such-Ergebnis"};
const FORM_VIEW_TRAITS kCalendar{CONFIG_TYPE_APPOINTMENT, IDD_FV_CALENDAR, 67, TRUE, "Such-Ergebnis"};
const FORM_VIEW_TRAITS kMail{CONFIG_TYPE_MAIL, IDD_FV_MAIL, 66, TRUE, "Search results"};
const FORM_VIEW_TRAITS kNote{CONFIG_TYPE_NOTE, IDD_FV_NOTE, 69, TRUE, "Search results"};
const FORM_VIEW_TRAITS kTask{CONFIG_TYPE_TASK, IDD_FV_TASK, 70, TRUE, "Search results"};
const FORM_VIEW_TRAITS kJournal{CONFIG_TYPE_JOURNAL, IDD_FV_JOURNAL, 68, FALSE, "Such-Ergebnis"};

const char* const kTraceGeneralText = "Failed to load text ID_TAB_GENERAL_CAPTION!\n";
const char* const kTracePropertiesText = "Failed to load text ID_TAB_PROPERTIES_CAPTION!\n";
const char* const kTraceResultsText = "Failed to load text ID_TAB_RESULTS_CAPTION!\n";

// Holds one configuration reference for the length of a handler.
struct ConfigRef {
    CConfigInfo* p;
    ~ConfigRef() {
        if (p != nullptr)
            p->Release();
    }
};

}  // namespace

IMPLEMENT_DYNAMIC(FVPagedView, FVBase)

BEGIN_MESSAGE_MAP(FVPagedView, FVBase)
ON_NOTIFY(TCN_SELCHANGE, IDC_FV_TABS, &FVPagedView::OnSelchangeTabMail)
ON_BN_CLICKED(IDC_FV_START, &FVPagedView::OnStartClear)
END_MESSAGE_MAP()

FVPagedView::FVPagedView(const FORM_VIEW_TRAITS& traits) : FVBase(traits.nIDTemplate), m_traits(traits) {
    TRACE_CTOR("FVPagedView");
    RegisterFormResources();
}

FVPagedView::~FVPagedView() {
    TRACE_DTOR("FVPagedView");
    DestroySearchResultsPage();
    // A view that goes with its parent windows (at the end of the program) was never closed: it
    // must not stay on its configuration's list of observers, which would call it after this.
    if (m_bAdvised && m_pConfigInfo != nullptr)
        m_pConfigInfo->Unadvise(this);
}

void FVPagedView::DoDataExchange() {
    FVBase::DoDataExchange();
    if (m_tabPages.GetSafeHwnd() == nullptr)
        m_tabPages.SubclassDlgItem(IDC_FV_TABS, this);
    if (m_btnStart.GetSafeHwnd() == nullptr)
        m_btnStart.SubclassDlgItem(IDC_FV_START, this);
}

CRect FVPagedView::ComputePageRect() {
    CRect rc;
    if (m_tabPages.GetSafeHwnd() == nullptr)
        return rc;
    m_tabPages.GetClientRect(&rc);
    // Not through screen positions: the first form is made while the window manager still moves
    // the new main window, which would shift the pages by that move.
    const CRect rcTabs = GetChildRectInClient(this, &m_tabPages);
    rc.OffsetRect(rcTabs.left, rcTabs.top);
    // The display area already lies below the row of tabs here; moving it down by another tab
    // height would push the pages over the actions group and the Start button.
    m_tabPages.AdjustRect(FALSE, &rc);
    return rc;
}

void FVPagedView::SetTabText(int nItem, LONG nTextID, const char* lpszDefault, const char* lpszTrace,
                             BOOL bInsert) {
    LPSTR pszText = nullptr;
    if (FAILED(GetLanguageText(&pszText, nTextID)) || pszText == nullptr)
        QTRACE(TRACE_ERROR, "%s", lpszTrace);
    LPCSTR pszShown = pszText != nullptr ? pszText : lpszDefault;
    if (bInsert) {
        m_tabPages.InsertItem(nItem, pszShown);
    } else {
        TCITEM item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPSTR>(pszShown);
        m_tabPages.SetItem(nItem, &item);
    }
    free(pszText);
}

BOOL FVPagedView::CreatePage(PropertyPageBase* pPage, UINT nIDTemplate, CConfigInfo* pConfig,
                             const CRect& rcPage, BOOL bShow) {
    pPage->SetConfigInfo(pConfig);
    if (!pPage->Create(nIDTemplate, this)) {
        QTRACE(TRACE_ERROR, "Failed to create page %u!\n", nIDTemplate);
        return FALSE;
    }
    pPage->SetOwnerView(this);
    pPage->SetWindowPos(nullptr, rcPage.left, rcPage.top, 0, 0,
                        SWP_NOSIZE | (bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    return TRUE;
}

BOOL FVPagedView::OpenSearchResultsPage(CConfigInfo* pConfig, const CRect& rcPage,
                                        const char* lpszTabDefault) {
    SearchResultPageFactory pfnFactory = GetSearchResultPageFactory();
    if (pfnFactory == nullptr) {
        QTRACE(TRACE_ERROR, "No search results page available!\n");
        return FALSE;
    }
    m_pSearchResults = pfnFactory(this);
    if (m_pSearchResults == nullptr) {
        ShowError(
            this, "Low resources!",
            "The current action failed due to low memory resources. Please free up more memory by closing "
            "programs or by installing additional memory hardware.",
            130, 131);
        return FALSE;
    }
    m_ppageGeneral.ShowWindow(SW_HIDE);
    m_ppageProperties.ShowWindow(SW_HIDE);
    // The page's creation runs the search and fills its tree.
    if (!CreatePage(m_pSearchResults, IDD_PP_SEARCH_RESULTS, pConfig, rcPage, TRUE)) {
        // No window, no tab: the view goes back to the General page as if Start had not run.
        DestroySearchResultsPage();
        m_ppageGeneral.ShowWindow(SW_SHOW);
        m_tabPages.SetCurSel(0);
        return FALSE;
    }
    SetTabText(2, ID_TAB_RESULTS_CAPTION, lpszTabDefault, kTraceResultsText, TRUE);
    m_tabPages.SetCurSel(2);
    return TRUE;
}

void FVPagedView::DestroySearchResultsPage() {
    if (m_pSearchResults == nullptr)
        return;
    PropertyPageBase* pPage = m_pSearchResults;
    m_pSearchResults = nullptr;
    if (pPage->GetSafeHwnd() != nullptr)
        pPage->DestroyWindow();
    delete pPage;
}

void FVPagedView::OnInitialUpdate() {
    TRACE_FUNC_VOID("FVPagedView::OnInitialUpdate");
    m_bNoCaption = m_traits.bNoCaption;
    FVBase::OnInitialUpdate();
    m_nCaptionTextID = m_traits.nCaptionTextID;
    SetTabText(0, ID_TAB_GENERAL_CAPTION, "General", kTraceGeneralText, TRUE);
    // With a tab in it, the toolkit can say where its pages begin.
    const CRect rcPage = ComputePageRect();
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration info present!\n");
        return;
    }
    if (FAILED(config.p->Advise(this)))
        QTRACE(TRACE_ERROR, "Failed to Advise() !\n");
    else
        m_bAdvised = TRUE;
    {
        // Both pages open the current store as they are made: one that cannot be opened is
        // reported once.
        CStoreOpenErrorOnce reportOnce;
        CreatePage(&m_ppageGeneral, IDD_PP_GENERAL, config.p, rcPage, TRUE);
        SetTabText(1, ID_TAB_PROPERTIES_CAPTION, "Properties", kTracePropertiesText, TRUE);
        CreatePage(&m_ppageProperties, IDD_PP_PROPERTIES, config.p, rcPage, FALSE);
    }

    // A configuration that still holds a search result comes back with its result page.
    CDrawerMapList* pCached = nullptr;
    config.p->GetSearchResult(&pCached);
    if (pCached != nullptr) {
        pCached->Release();
        OpenSearchResultsPage(config.p, rcPage, m_traits.lpszResultTabDefault);
    }
}

void FVPagedView::OnSelchangeTabMail(NMHDR* pNMHDR, LRESULT* pResult) {
    TRACE_FUNC_VOID("FVPagedView::OnSelchangeTabMail");
    CTabCtrl* pTabs = &m_tabPages;
    if (pNMHDR != nullptr && pNMHDR->hwndFrom != nullptr)
        if (auto* pFrom = dynamic_cast<CTabCtrl*>(CWnd::FromHandle(pNMHDR->hwndFrom)))
            pTabs = pFrom;
    LRESULT lResult = 0;
    switch (pTabs->GetCurSel()) {
        case 0:
            m_ppageProperties.ShowWindow(SW_HIDE);
            if (m_pSearchResults != nullptr)
                m_pSearchResults->ShowWindow(SW_HIDE);
            m_ppageGeneral.ShowWindow(SW_SHOW);
            break;
        case 1:
            m_ppageGeneral.ShowWindow(SW_HIDE);
            if (m_pSearchResults != nullptr)
                m_pSearchResults->ShowWindow(SW_HIDE);
            m_ppageProperties.ShowWindow(SW_SHOW);
            break;
        case 2:
            if (m_pSearchResults != nullptr) {
                m_ppageGeneral.ShowWindow(SW_HIDE);
                m_ppageProperties.ShowWindow(SW_HIDE);
                m_pSearchResults->ShowWindow(SW_SHOW);
            } else {
                m_ppageProperties.ShowWindow(SW_HIDE);
                m_ppageGeneral.ShowWindow(SW_SHOW);
            }
            break;
        default:
            lResult = 1;
            break;
    }
    if (pResult != nullptr)
        *pResult = lResult;
}

void FVPagedView::OnStartClear() {
    TRACE_FUNC_VOID("FVPagedView::OnStartClear");
    const CRect rcPage = ComputePageRect();
    CWaitCursor wait;
    // The search and the fill of the new page are one stretch of work: what is clicked or typed
    // from now until the page is up goes.
    CBusyPeriod busy;
    m_btnStart.EnableWindow(FALSE);
    if (m_pSearchResults != nullptr) {
        if (m_tabPages.GetCurSel() == 2) {
            m_pSearchResults->ShowWindow(SW_HIDE);
            m_tabPages.SetCurSel(0);
            m_ppageGeneral.ShowWindow(SW_SHOW);
        }
        m_tabPages.DeleteItem(2);
        m_pSearchResults->PrepareClose();
        DestroySearchResultsPage();
    }
    ConfigRef config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No configuration information present! Aborting!\n");
    } else {
        // The new page searches afresh.
        config.p->SetSearchResult(nullptr);
        OpenSearchResultsPage(config.p, rcPage, "Such-Ergebnis");
    }
    m_btnStart.EnableWindow(TRUE);
    // The page gave its tree the keyboard while it was still hidden, and the progress window took
    // the activation since; without this the toolkit hands the keyboard back to Start.
    if (auto* pResults = dynamic_cast<CSearchResultPP*>(m_pSearchResults);
        pResults != nullptr && pResults->GetTree().GetSafeHwnd() != nullptr && pResults->IsWindowVisible())
        pResults->GetTree().SetFocus();
}

HRESULT FVPagedView::CanClosePP(int nPageID, BOOL* pbCanClose) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVPagedView::CanClosePP", hr);
    if (nPageID == PAGE_ID_SEARCH_RESULTS && pbCanClose != nullptr)
        *pbCanClose = TRUE;
    return hr;
}

HRESULT FVPagedView::DemandClosePP(int nPageID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVPagedView::DemandClosePP", hr);
    if (nPageID != PAGE_ID_SEARCH_RESULTS) {
        QTRACE(TRACE_ERROR, "Unexpected Tab page ID %d", nPageID);
        hr = E_UNEXPECTED;
        return hr;
    }
    if (m_pSearchResults == nullptr)
        return hr;
    if (m_tabPages.GetCurSel() == 2) {
        m_pSearchResults->ShowWindow(SW_HIDE);
        m_tabPages.SetCurSel(0);
        m_ppageGeneral.ShowWindow(SW_SHOW);
    }
    m_tabPages.DeleteItem(2);
    m_pSearchResults->PrepareClose();
    DestroySearchResultsPage();
    return hr;
}

BOOL FVPagedView::HasSearchResults() {
    return m_pSearchResults != nullptr;
}

void FVPagedView::ClearSearchResults() {
    TRACE_FUNC_VOID("FVPagedView::ClearSearchResults");
    FVBase::ClearSearchResults();
    // The page shows the dropped result: it goes too, the General page coming up if it was shown.
    DemandClosePP(PAGE_ID_SEARCH_RESULTS);
}

BOOL FVPagedView::ShowsDroppedResult() {
    auto* pPage = dynamic_cast<CSearchResultPP*>(m_pSearchResults);
    if (pPage == nullptr || pPage->GetResultList() == nullptr || m_pConfigInfo == nullptr)
        return FALSE;
    return !m_pConfigInfo->CachesSearchResult(pPage->GetResultList());
}

HRESULT FVPagedView::OnConfigChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVPagedView::OnConfigChange", hr);
    hr = FVBase::OnConfigChange();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FVBase::OnConfigChange() failed: hr = 0x%08lx\n", hr);
        QTRACE(TRACE_ERROR, "continueing...\n");
    }
    if (m_ppageGeneral.GetSafeHwnd() != nullptr) {
        hr = m_ppageGeneral.OnConfigChange();
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "m_ppageGeneral.OnConfigChange() failed: hr = 0x%08lx\n", hr);
            QTRACE(TRACE_ERROR, "continueing...\n");
        }
    }
    if (m_ppageProperties.GetSafeHwnd() != nullptr) {
        hr = m_ppageProperties.OnConfigChange();
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "m_ppageProperties.OnConfigChange() failed: hr = 0x%08lx\n", hr);
            QTRACE(TRACE_ERROR, "continueing...\n");
        }
    }
    // A change that dropped the cached result (stores or folders changed under it) closes the
    // page that shows it: its positions no longer name what the search read.
    if (ShowsDroppedResult())
        DemandClosePP(PAGE_ID_SEARCH_RESULTS);
    if (m_pSearchResults != nullptr) {
        hr = m_pSearchResults->OnConfigChange();
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "m_pSearchResults->OnConfigChange() failed: hr = 0x%08lx\n", hr);
            QTRACE(TRACE_ERROR, "continueing...\n");
        }
    }
    return hr;
}

HRESULT FVPagedView::OnLanguageChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVPagedView::OnLanguageChange", hr);
    const int nSelected = m_tabPages.GetCurSel();
    if (m_ppageGeneral.GetSafeHwnd() != nullptr) {
        hr = m_ppageGeneral.OnLanguageChange();
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "m_ppageGeneral.OnLanguageChange() failed: hr = 0x%08lx\n", hr);
    }
    if (m_ppageProperties.GetSafeHwnd() != nullptr) {
        hr = m_ppageProperties.OnLanguageChange();
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "m_ppageProperties.OnLanguageChange() failed: hr = 0x%08lx\n", hr);
    }
    if (m_pSearchResults != nullptr) {
        hr = m_pSearchResults->OnLanguageChange();
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "m_pSearchResults->OnLanguageChange() failed: hr = 0x%08lx\n", hr);
    }
    if (m_tabPages.GetItemCount() > 0)
        SetTabText(0, ID_TAB_GENERAL_CAPTION, "General", kTraceGeneralText, FALSE);
    if (m_tabPages.GetItemCount() > 1)
        SetTabText(1, ID_TAB_PROPERTIES_CAPTION, "Properties", kTracePropertiesText, FALSE);
    if (m_pSearchResults != nullptr)
        SetTabText(2, ID_TAB_RESULTS_CAPTION, "Search results", kTraceResultsText, FALSE);
    CWnd* pFocus = CWnd::GetFocus();
    PropertyPageBase* pShown = nullptr;
    if (nSelected == 0)
        pShown = &m_ppageGeneral;
    else if (nSelected == 1)
        pShown = &m_ppageProperties;
    else if (nSelected == 2)
        pShown = m_pSearchResults;
    if (pShown != nullptr && pShown->GetSafeHwnd() != nullptr) {
        // Bring the page up again so that every relabelled control is drawn afresh.
        pShown->SetWindowPos(nullptr, 0, 0, 0, 0,
                             SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS);
        pShown->ShowWindow(SW_HIDE);
        pShown->ShowWindow(SW_SHOW);
    }
    if (pFocus != nullptr && AfxIsWindow(pFocus->GetSafeHwnd()))
        pFocus->SetFocus();
    hr = FVBase::OnLanguageChange();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "FVBase::OnLanguageChange() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void FVPagedView::CloseView() {
    TRACE_FUNC_VOID("FVPagedView::CloseView");
    m_ppageGeneral.PrepareClose();
    m_ppageProperties.PrepareClose();
    if (m_pSearchResults != nullptr)
        m_pSearchResults->PrepareClose();
    ConfigRef config{GetConfigInfo()};
    if (config.p != nullptr) {
        config.p->Unadvise(this);
        m_bAdvised = FALSE;
    }
}

// ---- the six views ----

IMPLEMENT_DYNCREATE(FVContacts, FVPagedView)
BEGIN_MESSAGE_MAP(FVContacts, FVPagedView)
ON_NOTIFY(TCN_SELCHANGE, IDC_FV_TABS, &FVContacts::OnSelchangeTabContacts)
END_MESSAGE_MAP()
FVContacts::FVContacts() : FVPagedView(kContacts) {}

IMPLEMENT_DYNCREATE(FVCalendar, FVPagedView)
FVCalendar::FVCalendar() : FVPagedView(kCalendar) {}

IMPLEMENT_DYNCREATE(FVMail, FVPagedView)
FVMail::FVMail() : FVPagedView(kMail) {}

IMPLEMENT_DYNCREATE(FVNote, FVPagedView)
FVNote::FVNote() : FVPagedView(kNote) {}

IMPLEMENT_DYNCREATE(FVTask, FVPagedView)
FVTask::FVTask() : FVPagedView(kTask) {}

IMPLEMENT_DYNCREATE(FVJournal, FVPagedView)
FVJournal::FVJournal() : FVPagedView(kJournal) {}

FVBase* CreateFormView(DWORD dwConfigType) {
    switch (dwConfigType) {
        case CONFIG_TYPE_CONTACT:
            return new FVContacts;
        case CONFIG_TYPE_APPOINTMENT:
            return new FVCalendar;
        case CONFIG_TYPE_MAIL:
            return new FVMail;
        case CONFIG_TYPE_NOTE:
            return new FVNote;
        case CONFIG_TYPE_TASK:
            return new FVTask;
        case CONFIG_TYPE_JOURNAL:
            return new FVJournal;
        default:
            return nullptr;
    }
}

UINT GetFormViewControlID(DWORD dwConfigType) {
    switch (dwConfigType) {
        case CONFIG_TYPE_CONTACT:
            return IDD_FV_CONTACTS;
        case CONFIG_TYPE_APPOINTMENT:
            return IDD_FV_CALENDAR;
        case CONFIG_TYPE_MAIL:
            return IDD_FV_MAIL;
        case CONFIG_TYPE_NOTE:
            return IDD_FV_NOTE;
        case CONFIG_TYPE_TASK:
            return IDD_FV_TASK;
        case CONFIG_TYPE_JOURNAL:
            return IDD_FV_JOURNAL;
        default:
            return 0;
    }
}
