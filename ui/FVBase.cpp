// The form view base: configuration, Start state, progress display, header caption, forwarding.
#include "ui/FVBase.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/WinApp.h"
#include "resources/FormResource.h"
#include "trace/Trace.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/MemoryDC.h"
#include "ui/SearchProgressDialog.h"
#include "ui/UpdateResultListDlg.h"

#define ID_CMD_ADD_CONFIGURATION 32772
#define ID_CMD_DELETE_CONFIGURATION 32773
#define ID_CMD_RENAME_CONFIGURATION 32782

#define ID_GRP_ACTIONS 61
#define ID_ACTIONS_START 62
#define ID_ACTIONS_APPLY 63
#define ID_ACTIONS_PROGRESS 64

namespace {
SearchResultPageFactory g_pfnSearchResultPageFactory = nullptr;

// The header strip that holds the caption: the band is 50 pixels high, the caption overhangs it.
constexpr int kHeaderBottom = 51;
}  // namespace

void SetSearchResultPageFactory(SearchResultPageFactory pfnFactory) {
    g_pfnSearchResultPageFactory = pfnFactory;
}

SearchResultPageFactory GetSearchResultPageFactory() {
    return g_pfnSearchResultPageFactory;
}

IMPLEMENT_DYNAMIC(FVBase, CFormView)

BEGIN_MESSAGE_MAP(FVBase, CFormView)
ON_WM_SIZE()
ON_WM_PAINT()
ON_COMMAND(ID_CMD_ADD_CONFIGURATION, &FVBase::OnAddConfiguration)
ON_COMMAND(ID_CMD_DELETE_CONFIGURATION, &FVBase::OnDeleteConfiguration)
ON_COMMAND(ID_CMD_RENAME_CONFIGURATION, &FVBase::OnRenameConfiguration)
ON_UPDATE_COMMAND_UI(IDC_FV_START, &FVBase::OnUpdateStartClear)
END_MESSAGE_MAP()

FVBase::FVBase(UINT nIDTemplate) : CFormView(nIDTemplate) {
    TRACE_CTOR("FVBase");
}

FVBase::~FVBase() {
    TRACE_DTOR("FVBase");
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->Release();
    m_pConfigInfo = nullptr;
}

BOOL FVBase::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CFormView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

void FVBase::DoDataExchange() {
    if (m_ctrlProgressText.GetSafeHwnd() == nullptr)
        m_ctrlProgressText.SubclassDlgItem(IDC_FV_PROGRESS_TEXT, this);
    if (m_ctrlProgress.GetSafeHwnd() == nullptr)
        m_ctrlProgress.SubclassDlgItem(IDC_FV_PROGRESS, this);
}

void FVBase::OnInitialUpdate() {
    TRACE_FUNC_VOID("FVBase::OnInitialUpdate");
    CFormView::OnInitialUpdate();
    DoDataExchange();
    m_bInitialized = TRUE;
    if (CWnd* pSeparator = GetDlgItem(IDC_FV_SEPARATOR)) {
        CRect rcView, rcSeparator;
        GetClientRect(&rcView);
        // The window's height: the frame's border lies outside its client area.
        pSeparator->GetWindowRect(&rcSeparator);
        pSeparator->SetWindowPos(nullptr, 0, 0, rcView.Width(), rcSeparator.Height(),
                                 SWP_NOMOVE | SWP_NOZORDER);
    }
    LoadDisplayTexts();
    if (CWnd* pStart = GetDlgItem(IDC_FV_START)) {
        BOOL bPossible = FALSE;
        HRESULT hr = IsSearchPossible(&bPossible);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "IsSearchPossible() failed: hr = 0x%08lx\n", hr);
            bPossible = FALSE;
        }
        if (bPossible)
            pStart->SetFocus();
        else
            pStart->EnableWindow(FALSE);
    }
}

void FVBase::OnPaint() {
    CPaintDC dc(this);
    // Drawn in the form's coordinates: the header moves with the controls when the form scrolls.
    OnPrepareDC(&dc);
    // The form's own background first: handling the paint ourselves takes that over from the
    // toolkit, and a header without a caption band must not show what lay there before.
    CRect rcClient;
    GetClientRect(&rcClient);
    const CPoint ptScroll = GetScrollPosition();
    rcClient.OffsetRect(ptScroll.x, ptScroll.y);
    dc.FillSolidRect(&rcClient, GetSysColor(COLOR_BTNFACE));
    OnDraw(&dc);
}

void FVBase::OnDraw(CDC* pDC) {
    TRACE_FUNC_VOID("FVBase::OnDraw");
    if (m_bNoCaption || pDC == nullptr)
        return;
    CRect rcClient;
    GetClientRect(&rcClient);
    CMemoryDC memDC(pDC);
    // The band lies right of the 50-pixel header picture of the views that draw it.
    memDC.FillSolidRect(rcClient.left + 50, rcClient.top, rcClient.Width() - 50, 50, RGB(0, 0, 255));
    DisplayCaptionText(&memDC);
}

HRESULT FVBase::DisplayCaptionText(CDC* pDC) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::DisplayCaptionText", hr);
    if (m_nCaptionTextID == 0)
        return hr;
    LPSTR pszCaption = nullptr;
    hr = GetLanguageText(&pszCaption, (LONG)m_nCaptionTextID);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    std::unique_ptr<CClientDC> pOwnDC;
    if (pDC == nullptr) {
        pOwnDC = std::make_unique<CClientDC>(this);
        if (pOwnDC->GetWxDC() == nullptr) {
            QTRACE(TRACE_ERROR, "GetDC() failed!\n");
            free(pszCaption);
            hr = E_FAIL;
            return hr;
        }
        pDC = pOwnDC.get();
    }
    // A 30-point bold italic script face; "Script" falls back to the toolkit's script family.
    LOGFONT lf{};
    lf.lfHeight = -30 * 96 / 72;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = TRUE;
    lf.lfOutPrecision = 5;
    lf.lfQuality = 2;
    lf.lfPitchAndFamily = 0x42;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Script");
    CFont font;
    if (!font.CreateFontIndirect(&lf)) {
        QTRACE(TRACE_ERROR, "CreateFontIndirect() failed!\n");
        free(pszCaption);
        return hr;
    }
    CFont* pOldFont = pDC->SelectObject(&font);
    COLORREF crOldBk = pDC->SetBkColor(RGB(0, 0, 255));
    COLORREF crOldText = 0;
    int nOldMode = -1;
    // Four shadow copies, darkest furthest away, then the caption itself on top. The first copy
    // is drawn in the context's own background mode, the others over it.
    for (int i = 3; i >= 0; --i) {
        const int k = 3 - i;
        const COLORREF crPrevious = pDC->SetTextColor(RGB(31 + 56 * k, 28 + 50 * k, 2 + 7 * k));
        if (i == 3)
            crOldText = crPrevious;
        pDC->TextOut(52 + i, i, pszCaption);
        if (nOldMode < 0)
            nOldMode = pDC->SetBkMode(TRANSPARENT);
    }
    pDC->SetTextColor(RGB(255, 228, 30));
    pDC->TextOut(52, 0, pszCaption);
    pDC->SetTextColor(crOldText);
    pDC->SetBkColor(crOldBk);
    pDC->SetBkMode(nOldMode);
    pDC->SelectObject(pOldFont);
    free(pszCaption);
    return hr;
}

BOOL FVBase::LoadDisplayTexts() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("FVBase::LoadDisplayTexts", bResult);
    struct Row {
        UINT nControlID;
        LONG nTextID;
        const char* lpszTextTrace;
        const char* lpszControlTrace;
    };
    static const Row rows[] = {
        {IDC_FV_ACTIONS_GROUP, ID_GRP_ACTIONS, "Failed to load text ID_GRP_ACTIONS!\n",
         "Failed to access action group control!\n"},
        {IDC_FV_START, ID_ACTIONS_START, "Failed to load text ID_ACTIONS_START!\n",
         "Failed to access start button control!\n"},
        {IDC_FV_APPLY, ID_ACTIONS_APPLY, "Failed to load text ID_ACTIONS_APPLY!\n",
         "Failed to access apply button control!\n"},
        {IDC_FV_PROGRESS_TEXT, ID_ACTIONS_PROGRESS, "Failed to load text ID_ACTIONS_PROGRESS!\n",
         "Failed to access progress text control!\n"},
    };
    for (const Row& row : rows) {
        CWnd* pCtrl = GetDlgItem((int)row.nControlID);
        if (pCtrl == nullptr) {
            QTRACE(TRACE_ERROR, "%s", row.lpszControlTrace);
            bResult = FALSE;
            continue;
        }
        LPSTR pszText = nullptr;
        if (SUCCEEDED(GetLanguageText(&pszText, row.nTextID)) && pszText != nullptr)
            pCtrl->SetWindowText(pszText);
        else
            QTRACE(TRACE_ERROR, "%s", row.lpszTextTrace);
        free(pszText);
        // The apply button belongs to an editing style this program does not have.
        if (row.nControlID == IDC_FV_APPLY) {
            pCtrl->ShowWindow(SW_HIDE);
            pCtrl->EnableWindow(FALSE);
        }
    }
    return bResult;
}

BOOL FVBase::ConfirmDiscardResults() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("FVBase::ConfirmDiscardResults", bResult);
    if (!HasSearchResults())
        return bResult;
    CUpdateResultListDlg dlg(this);
    if (dlg.DoModal() == IDOK) {
        ClearSearchResults();
        bResult = TRUE;
    } else {
        bResult = FALSE;
    }
    return bResult;
}

void FVBase::ClearSearchResults() {
    TRACE_FUNC_VOID("FVBase::ClearSearchResults");
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->SetSearchResult(nullptr);
}

void FVBase::DrawProgressNow() {
    if (m_ctrlProgress.GetSafeHwnd() != nullptr)
        m_ctrlProgress.Invalidate(TRUE);
    m_bProgressPending = FALSE;
    if (m_pBusy != nullptr)
        m_pBusy->PaintNow(true);
    else
        AfxPaintNow();
}

HRESULT FVBase::StartCleanup() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::StartCleanup", hr);
    if (m_pBusy == nullptr)
        m_pBusy = std::make_unique<CBusyPeriod>();
    if (CWnd* pStart = GetDlgItem(IDC_FV_START)) {
        pStart->EnableWindow(FALSE);
        pStart->ShowWindow(SW_HIDE);
    }
    if (m_ctrlProgressText.GetSafeHwnd() != nullptr) {
        m_ctrlProgressText.ShowWindow(SW_SHOW);
        m_ctrlProgressText.Invalidate(TRUE);
    }
    if (m_ctrlProgress.GetSafeHwnd() != nullptr) {
        m_ctrlProgress.ShowWindow(SW_SHOW);
        m_ctrlProgress.SetRange(0, 100);
        m_ctrlProgress.SetPos(0);
    }
    // The toolkit maps, lays out and draws the controls just shown only when it gets its turn; the
    // first steps of the work may change nothing for long, so the display is on screen before it.
    if (m_ctrlProgress.GetSafeHwnd() != nullptr)
        m_ctrlProgress.Invalidate(TRUE);
    m_bProgressPending = FALSE;
    m_pBusy->PaintFrameNow(this);
    return hr;
}

HRESULT FVBase::SetProgress(int nPercent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::SetProgress", hr);
    if (m_ctrlProgress.GetSafeHwnd() == nullptr)
        return hr;
    // The search counts some steps past the end (an unknown folder size is taken as 500 items):
    // anything beyond the range is a full bar.
    if (nPercent > 100)
        nPercent = 100;
    if (nPercent != m_ctrlProgress.GetPos()) {
        m_ctrlProgress.SetPos(nPercent);
        m_bProgressPending = TRUE;
    }
    // A cleanup calls this once per group: a change is drawn at most once per interval, and
    // without one the toolkit still gets its turn then, for a window uncovered in the meantime.
    if (m_pBusy == nullptr) {
        if (m_bProgressPending)
            DrawProgressNow();
        return hr;
    }
    if (m_bProgressPending && m_pBusy->IsChangeDue())
        DrawProgressNow();
    else if (m_pBusy->IsTurnDue() && m_ctrlProgress.IsWindowVisible())
        m_pBusy->PaintNow(false);
    return hr;
}

HRESULT FVBase::EndCleanup() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::EndCleanup", hr);
    // The form was busy (a cleanup or a fill of the result tree) and took no input meanwhile: what
    // was clicked or typed then goes, instead of acting on the controls that show from now on.
    m_pBusy.reset();
    if (CWnd* pStart = GetDlgItem(IDC_FV_START)) {
        pStart->EnableWindow(TRUE);
        pStart->ShowWindow(SW_SHOW);
    }
    if (m_ctrlProgressText.GetSafeHwnd() != nullptr)
        m_ctrlProgressText.ShowWindow(SW_HIDE);
    if (m_ctrlProgress.GetSafeHwnd() != nullptr)
        m_ctrlProgress.ShowWindow(SW_HIDE);
    if (CWnd* pGroup = GetDlgItem(IDC_FV_ACTIONS_GROUP)) {
        CRect rcGroup;
        pGroup->GetWindowRect(&rcGroup);
        ScreenToClient(&rcGroup);
        InvalidateRect(&rcGroup, TRUE);
        UpdateWindow();
        ValidateRect(&rcGroup);
    }
    return hr;
}

HRESULT FVBase::OnCleanupDone() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::OnCleanupDone", hr);
    return hr;
}

void FVBase::CloseView() {
    TRACE_FUNC_VOID("FVBase::CloseView");
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

HRESULT FVBase::OnLanguageChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::OnLanguageChange", hr);
    LoadDisplayTexts();
    CRect rcHeader;
    GetClientRect(&rcHeader);
    rcHeader.bottom = kHeaderBottom;
    InvalidateRect(&rcHeader, FALSE);
    return hr;
}

HRESULT FVBase::OnConfigChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::OnConfigChange", hr);
    BOOL bPossible = FALSE;
    hr = IsSearchPossible(&bPossible);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "IsSearchPossible() failed: hr = 0x%08lx\n", hr);
        bPossible = FALSE;
    }
    if (CWnd* pStart = GetDlgItem(IDC_FV_START))
        pStart->EnableWindow(bPossible);
    return hr;
}

HRESULT FVBase::SetConfigInfo(CConfigInfo* pConfig) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::SetConfigInfo", hr);
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid config info specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    pConfig->AddRef();
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->Release();
    m_pConfigInfo = pConfig;
    return hr;
}

CConfigInfo* FVBase::GetConfigInfo() {
    if (m_pConfigInfo != nullptr)
        m_pConfigInfo->AddRef();
    return m_pConfigInfo;
}

HRESULT FVBase::CanClosePP(int, BOOL* pbCanClose) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::CanClosePP", hr);
    if (pbCanClose != nullptr)
        *pbCanClose = FALSE;
    return hr;
}

HRESULT FVBase::DemandClosePP(int) {
    HRESULT hr = E_FAIL;
    TRACE_FUNC_RESULT("FVBase::DemandClosePP", hr);
    return hr;
}

BOOL FVBase::HasSearchResults() {
    return FALSE;
}

HRESULT FVBase::IsSearchPossible(BOOL* pbPossible) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FVBase::IsSearchPossible", hr);
    if (pbPossible == nullptr) {
        hr = E_INVALIDARG;
        return hr;
    }
    *pbPossible = FALSE;
    if (m_pConfigInfo == nullptr) {
        QTRACE(TRACE_ERROR, "No config object present!\n");
        return hr;
    }
    hr = m_pConfigInfo->IsSearchPossible(pbPossible);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "IsSearchPossible() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void FVBase::SetDocument(CDocument* pDoc) {
    TRACE_FUNC_VOID("FVBase::SetDocument");
    if (pDoc != nullptr)
        pDoc->AddView(this);
}

void FVBase::OnUpdateStartClear(CCmdUI* pCmdUI) {
    BOOL bPossible = FALSE;
    HRESULT hr = IsSearchPossible(&bPossible);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "IsSearchPossible() failed: hr = 0x%08lx\n", hr);
        bPossible = FALSE;
    }
    if (pCmdUI != nullptr)
        pCmdUI->Enable(bPossible);
    if (CWnd* pStart = GetDlgItem(IDC_FV_START))
        pStart->EnableWindow(bPossible);
}

void FVBase::OnSize(UINT nType, int cx, int cy) {
    CFormView::OnSize(nType, cx, cy);
    if (!m_bInitialized)
        return;
    if (CWnd* pSeparator = GetDlgItem(IDC_FV_SEPARATOR)) {
        CRect rcSeparator;
        pSeparator->GetWindowRect(&rcSeparator);
        pSeparator->SetWindowPos(nullptr, 0, 0, cx, rcSeparator.Height(), SWP_NOMOVE | SWP_NOZORDER);
    }
}

void FVBase::ForwardToConfigList(UINT nID) {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = dynamic_cast<CMainFrame*>(pApp != nullptr ? pApp->m_pMainWnd : nullptr);
    if (pFrame == nullptr)
        return;
    if (CConfigView* pLeft = pFrame->GetLeftPane())
        pLeft->SendMessage(WM_COMMAND, nID, 0);
}

void FVBase::OnAddConfiguration() {
    TRACE_FUNC_VOID("FVBase::OnAddConfiguration");
    ForwardToConfigList(ID_CMD_ADD_CONFIGURATION);
}

void FVBase::OnDeleteConfiguration() {
    TRACE_FUNC_VOID("FVBase::OnDeleteConfiguration");
    ForwardToConfigList(ID_CMD_DELETE_CONFIGURATION);
}

void FVBase::OnRenameConfiguration() {
    TRACE_FUNC_VOID("FVBase::OnRenameConfiguration");
    ForwardToConfigList(ID_CMD_RENAME_CONFIGURATION);
}
