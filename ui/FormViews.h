// The six item-type form views (contacts, calendar, mail, notes, tasks, journal) and their factory.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "ui/FVBase.h"
#include "ui/GeneralSettingsPP.h"
#include "ui/PropertyOptionsPP.h"

// What tells the six views apart; everything else they do alike.
struct FORM_VIEW_TRAITS {
    DWORD dwConfigType;                // the item type shown
    UINT nIDTemplate;                  // template and control id
    UINT nCaptionTextID;               // header caption text
    BOOL bNoCaption;                   // TRUE: no caption band
    const char* lpszResultTabDefault;  // Search results tab text when rebuilt from a cached result
};

// The tab pages of a form view: General (0), Properties (1) and, on demand, Search results (2).
// Tab position 2 exists exactly while the Search results page does.
class FVPagedView : public FVBase {
    DECLARE_DYNAMIC(FVPagedView)
public:
    explicit FVPagedView(const FORM_VIEW_TRAITS& traits);
    ~FVPagedView() override;

    void DoDataExchange() override;
    void OnInitialUpdate() override;
    void ClearSearchResults() override;
    void CloseView() override;
    HRESULT OnLanguageChange() override;
    HRESULT OnConfigChange() override;
    HRESULT CanClosePP(int nPageID, BOOL* pbCanClose) override;
    HRESULT DemandClosePP(int nPageID) override;
    BOOL HasSearchResults() override;

    // Start: a new search on a new Search results page.
    void OnStartClear();
    void OnSelchangeTabMail(NMHDR* pNMHDR, LRESULT* pResult);

    const FORM_VIEW_TRAITS& GetTraits() const { return m_traits; }
    CTabCtrl& GetTabCtrl() { return m_tabPages; }
    CGeneralSettingsPP& GetGeneralPage() { return m_ppageGeneral; }
    CPropertyOptionsPP& GetPropertiesPage() { return m_ppageProperties; }
    PropertyPageBase* GetSearchResultsPage() const { return m_pSearchResults; }

protected:
    // Where the pages lie: the tab control's display area, in this view's client coordinates.
    CRect ComputePageRect();
    // Gives the page the configuration, makes its window and places it on top, shown or not.
    BOOL CreatePage(PropertyPageBase* pPage, UINT nIDTemplate, CConfigInfo* pConfig, const CRect& rcPage,
                    BOOL bShow);
    // Makes the Search results page, shown on tab 2; FALSE when it could not be made.
    BOOL OpenSearchResultsPage(CConfigInfo* pConfig, const CRect& rcPage, const char* lpszTabDefault);
    void DestroySearchResultsPage();
    // TRUE when the Search results page shows a result the configuration no longer caches.
    BOOL ShowsDroppedResult();
    void SetTabText(int nItem, LONG nTextID, const char* lpszDefault, const char* lpszTrace, BOOL bInsert);

    FORM_VIEW_TRAITS m_traits;
    CButton m_btnStart;
    CTabCtrl m_tabPages;
    CGeneralSettingsPP m_ppageGeneral;
    CPropertyOptionsPP m_ppageProperties;
    PropertyPageBase* m_pSearchResults = nullptr;  // owned
    BOOL m_bAdvised = FALSE;                       // on the configuration's observer list

    DECLARE_MESSAGE_MAP()
};

class FVContacts : public FVPagedView {
    DECLARE_DYNCREATE(FVContacts)
public:
    FVContacts();
    void OnSelchangeTabContacts(NMHDR* pNMHDR, LRESULT* pResult) { OnSelchangeTabMail(pNMHDR, pResult); }

protected:
    DECLARE_MESSAGE_MAP()
};

class FVCalendar : public FVPagedView {
    DECLARE_DYNCREATE(FVCalendar)
public:
    FVCalendar();
};

class FVMail : public FVPagedView {
    DECLARE_DYNCREATE(FVMail)
public:
    FVMail();
};

class FVNote : public FVPagedView {
    DECLARE_DYNCREATE(FVNote)
public:
    FVNote();
};

class FVTask : public FVPagedView {
    DECLARE_DYNCREATE(FVTask)
public:
    FVTask();
};

class FVJournal : public FVPagedView {
    DECLARE_DYNCREATE(FVJournal)
public:
    FVJournal();
};

// The form view object for an item type (1 to 6), window not yet created; null for any other.
// The host view then calls SetConfigInfo, creates the window with GetFormViewControlID as its id,
// SetDocument and OnInitialUpdate; to remove it, CloseView and DestroyWindow (which deletes it).
FVBase* CreateFormView(DWORD dwConfigType);
// The control id (equal to the template id) of an item type's form view; 0 for any other type.
UINT GetFormViewControlID(DWORD dwConfigType);
