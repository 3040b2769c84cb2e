// The search progress dialog: texts, ranges, and bars that draw themselves while the search runs.
#include "ui/SearchProgressDialog.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "resources/ResultTemplates.h"
#include "trace/Trace.h"

IMPLEMENT_DYNAMIC(CSearchProgressDialog, CDialog)

BEGIN_MESSAGE_MAP(CSearchProgressDialog, CDialog)
END_MESSAGE_MAP()

CSearchProgressDialog::CSearchProgressDialog(CWnd* pParent) : CDialog(IDD_SEARCH_PROGRESS, pParent) {
    TRACE_CTOR("CSearchProgressDialog");
}

CSearchProgressDialog::~CSearchProgressDialog() {
    TRACE_DTOR("CSearchProgressDialog");
    if (GetSafeHwnd() != nullptr)
        DestroyWindow();
}

void CSearchProgressDialog::DoDataExchange() {
    if (m_ctrlStores.GetSafeHwnd() == nullptr)
        m_ctrlStores.SubclassDlgItem(IDC_PROGRESS_STORES, this);
    if (m_ctrlItems.GetSafeHwnd() == nullptr)
        m_ctrlItems.SubclassDlgItem(IDC_PROGRESS_ITEMS, this);
    if (m_ctrlFolders.GetSafeHwnd() == nullptr)
        m_ctrlFolders.SubclassDlgItem(IDC_PROGRESS_FOLDERS, this);
    if (m_txtFolders.GetSafeHwnd() == nullptr)
        m_txtFolders.SubclassDlgItem(IDC_PROGRESS_FOLDERS_LABEL, this);
    if (m_txtItems.GetSafeHwnd() == nullptr)
        m_txtItems.SubclassDlgItem(IDC_PROGRESS_ITEMS_LABEL, this);
    if (m_txtStores.GetSafeHwnd() == nullptr)
        m_txtStores.SubclassDlgItem(IDC_PROGRESS_STORES_LABEL, this);
}

BOOL CSearchProgressDialog::OnInitDialog() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("CSearchProgressDialog::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    DoDataExchange();
    OnLoadTexts();
    m_ctrlStores.SetRange32(0, 100);
    m_ctrlFolders.SetRange32(0, 100);
    m_ctrlItems.SetRange32(0, 100);
    // The search keeps the message loop from running: paint the whole dialog now.
    Invalidate(TRUE);
    UpdateWindow();
    ValidateRect(nullptr);
    return bResult;
}

HRESULT CSearchProgressDialog::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchProgressDialog::OnLoadTexts", hr);
    struct Row {
        CWnd* pWnd;
        LONG nTextID;
        const char* lpszDefault;
        const char* lpszTrace;
    };
    const Row rows[] = {
        {this, 50, "Progress", "GetLanguageText(ID_SEARCH_PROGRESS_CAPTION) failed: hr = 0x%08lx\n"},
        {&m_txtStores, 51, "Stores:", "GetLanguageText(ID_SEARCH_PROGRESS_STORES) failed: hr = 0x%08lx\n"},
        {&m_txtFolders, 52, "Folders:", "GetLanguageText(ID_SEARCH_PROGRESS_FOLDERS) failed: hr = 0x%08lx\n"},
        {&m_txtItems, 53, "Items:", "GetLanguageText(ID_SEARCH_PROGRESS_MESSAGES) failed: hr = 0x%08lx\n"},
    };
    for (const Row& row : rows) {
        LPSTR pszText = nullptr;
        const HRESULT hrText = GetLanguageText(&pszText, row.nTextID);
        if (FAILED(hrText))
            QTRACE(TRACE_ERROR, row.lpszTrace, hrText);
        if (row.pWnd->GetSafeHwnd() != nullptr)
            row.pWnd->SetWindowText(pszText != nullptr ? pszText : row.lpszDefault);
        free(pszText);
    }
    return hr;
}

void CSearchProgressDialog::Repaint(CWnd* pWnd) {
    if (pWnd->GetSafeHwnd() == nullptr)
        return;
    // Only marked for drawing: an update here would draw the bar before the toolkit has laid out
    // its new position, and the drawing would always show the step before.
    pWnd->Invalidate(TRUE);
    ++m_nRepaints;
}

void CSearchProgressDialog::SetProgress(Bar& bar, int nPercent) {
    // A folder may hold more items than its count said: such steps are not shown.
    if (nPercent >= 0 && nPercent <= 100 && nPercent != bar.nPos) {
        bar.pBar->SetPos(nPercent);
        bar.nPos = nPercent;
        bar.bChanged = true;
        m_bChangePending = true;
    }
    DrawChangesWhenDue();
}

void CSearchProgressDialog::DrawChangesWhenDue() {
    const bool bDrawChanges = m_bChangePending && m_busy.IsChangeDue();
    // Even without a change the toolkit gets its turn once an interval: the window may need painting
    // while the values stay the same, when the window manager maps it late or another window uncovers
    // it. The toolkit draws only what needs it.
    if (!bDrawChanges && !m_busy.IsTurnDue())
        return;
    if (GetSafeHwnd() == nullptr || !IsWindowVisible())
        return;
    if (bDrawChanges) {
        for (Bar& bar : m_bars) {
            if (!bar.bChanged)
                continue;
            Repaint(bar.pBar);
            Repaint(bar.pLabel);
            bar.bChanged = false;
        }
        m_bChangePending = false;
    }
    m_busy.PaintNow(bDrawChanges);
}

void CSearchProgressDialog::DrawNow() {
    if (GetSafeHwnd() == nullptr)
        return;
    Invalidate(TRUE);
    for (Bar& bar : m_bars)
        bar.bChanged = false;
    m_bChangePending = false;
    m_busy.PaintNow(true);
}

void CSearchProgressDialog::SetStoreProgress(int nPercent) {
    SetProgress(m_bars[0], nPercent);
}

void CSearchProgressDialog::SetFolderProgress(int nPercent) {
    SetProgress(m_bars[1], nPercent);
}

void CSearchProgressDialog::SetItemProgress(int nPercent) {
    SetProgress(m_bars[2], nPercent);
}

std::unique_ptr<ISearchProgress> CreateSearchProgressDialog(CWnd* pParent) {
    auto pDialog = std::make_unique<CSearchProgressDialog>(pParent);
    if (!pDialog->Create(IDD_SEARCH_PROGRESS, pParent)) {
        QTRACE(TRACE_ERROR, "Failed to create the search progress dialog!\n");
        return nullptr;
    }
    pDialog->SetStoreProgress(0);
    pDialog->SetFolderProgress(0);
    pDialog->SetItemProgress(0);
    pDialog->ShowWindow(SW_SHOW);
    pDialog->DrawNow();
    return pDialog;
}
