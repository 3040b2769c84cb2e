// FVBase: the common base of the six item-type form views in the right pane of the main window.
#pragma once

#include <memory>

#include "model/ConfigObserver.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/View.h"

class CCmdUI;
class CConfigInfo;
class CDC;
class CDocument;
class FVBase;
class PropertyPageBase;

// Page ids of the close-page protocol; only the Search results page can be closed.
#define PAGE_ID_GENERAL 0
#define PAGE_ID_PROPERTIES 1
#define PAGE_ID_SEARCH_RESULTS 2

// Makes the Search results page object for a form view (constructed with the view as its owner,
// window not yet created); null when it cannot be made. The page's own module installs it.
using SearchResultPageFactory = PropertyPageBase* (*)(FVBase* pOwner);
void SetSearchResultPageFactory(SearchResultPageFactory pfnFactory);
SearchResultPageFactory GetSearchResultPageFactory();

// A form view shows one configuration: a header, a tab control with the pages (built by the
// derived views) and an actions group with the Start button and a progress bar. It registers as
// an observer of its configuration and is told of every change.
class FVBase : public CFormView, public IConfigObserver {
    DECLARE_DYNAMIC(FVBase)
public:
    explicit FVBase(UINT nIDTemplate);
    ~FVBase() override;

    // ---- framework operations ----
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    // Binds the progress label and bar.
    virtual void DoDataExchange();
    void OnInitialUpdate() override;
    void OnDraw(CDC* pDC) override;

    // ---- own virtual operations, in this order ----
    // TRUE when a change that makes the current search result stale may go ahead; asks the user
    // while a result is shown and, on consent, drops it.
    virtual BOOL ConfirmDiscardResults();
    virtual void ClearSearchResults();
    virtual HRESULT EndCleanup();
    virtual HRESULT StartCleanup();
    virtual HRESULT OnCleanupDone();
    virtual void CloseView();
    virtual HRESULT OnLanguageChange();
    HRESULT OnConfigChange() override;
    virtual HRESULT SetConfigInfo(CConfigInfo* pConfig);
    virtual HRESULT CanClosePP(int nPageID, BOOL* pbCanClose);
    virtual HRESULT DemandClosePP(int nPageID);
    virtual BOOL HasSearchResults();
    virtual HRESULT IsSearchPossible(BOOL* pbPossible);
    // Draws the header caption into pDC (the view's own context when null).
    virtual HRESULT DisplayCaptionText(CDC* pDC);
    virtual BOOL LoadDisplayTexts();

    // ---- non-virtual ----
    // The configuration with a reference for the caller, or null.
    CConfigInfo* GetConfigInfo();
    void SetDocument(CDocument* pDoc);
    HRESULT SetProgress(int nPercent);
    void OnUpdateStartClear(CCmdUI* pCmdUI);

    BOOL IsInitialized() const { return m_bInitialized; }
    UINT GetCaptionTextID() const { return m_nCaptionTextID; }
    BOOL IsCaptionHidden() const { return m_bNoCaption; }
    CProgressCtrl& GetProgressCtrl() { return m_ctrlProgress; }

    void OnSize(UINT nType, int cx, int cy);
    void OnPaint();
    void OnAddConfiguration();
    void OnDeleteConfiguration();
    void OnRenameConfiguration();

protected:
    // Sends a configuration command to the configuration list, when there is one.
    void ForwardToConfigList(UINT nID);
    // Lets the toolkit draw the progress display now: the cleanup and the fill of the result tree
    // keep the message loop from running while they drive it.
    void DrawProgressNow();

    BOOL m_bInitialized = FALSE;
    CStatic m_ctrlProgressText;
    CProgressCtrl m_ctrlProgress;
    BOOL m_bProgressPending = FALSE;  // the bar's position changed after its last drawing
    // From StartCleanup to EndCleanup: the form is busy, draws its progress at the period's pace
    // and takes no input.
    std::unique_ptr<CBusyPeriod> m_pBusy;
    UINT m_nCaptionTextID = 0;
    BOOL m_bNoCaption = FALSE;
    CConfigInfo* m_pConfigInfo = nullptr;  // one reference, or null

    DECLARE_MESSAGE_MAP()
};
