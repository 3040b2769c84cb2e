// The profile chooser: the profile table in a sorted list, the chosen profile's key and name.
#include "ui/ProfileDialog.h"

#include <cstdlib>
#include <cstring>

#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPIInterfaces.h"
#include "platform/mapi/MAPITags.h"
#include "trace/Trace.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"

BEGIN_MESSAGE_MAP(CProfileDialog, CDialog)
ON_LBN_DBLCLK(IDC_PROFILE_LIST, &CProfileDialog::OnDblclkProfileList)
ON_WM_SIZE()
ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

namespace {
// The smallest window the layout still fits in.
const LONG kMinTrackWidth = 266;
const LONG kMinTrackHeight = 210;
// Profile table rows are read in batches of this many.
const LONG kRowBatch = 50;
}  // namespace

CProfileDialog::CProfileDialog(CWnd* pParent) : CDialog(IDD_PROFILE, pParent) {
    TRACE_CTOR("CProfileDialog");
}

CProfileDialog::~CProfileDialog() {
    TRACE_DTOR("CProfileDialog");
    DropProfileKey();
    FreeKeyTable();
}

void CProfileDialog::DropProfileKey() {
    std::free(m_ProfileKey.lpb);
    m_ProfileKey.lpb = nullptr;
    m_ProfileKey.cb = 0;
}

void CProfileDialog::FreeKeyTable() {
    for (ULONG i = 0; i < m_cInstanceKeys; ++i)
        std::free(m_pInstanceKeys[i].lpb);
    std::free(m_pInstanceKeys);
    m_pInstanceKeys = nullptr;
    m_cInstanceKeys = 0;
}

HRESULT CProfileDialog::Init(const SBinary* lpProfileKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CProfileDialog::Init", hr);
    DropProfileKey();
    if (lpProfileKey == nullptr || lpProfileKey->cb == 0 || lpProfileKey->lpb == nullptr)
        return hr;
    auto* lpb = static_cast<LPBYTE>(std::malloc(lpProfileKey->cb));
    if (lpb == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for binary key!\n");
        hr = E_OUTOFMEMORY;
        return hr;
    }
    std::memcpy(lpb, lpProfileKey->lpb, lpProfileKey->cb);
    m_ProfileKey.lpb = lpb;
    m_ProfileKey.cb = lpProfileKey->cb;
    return hr;
}

HRESULT CProfileDialog::GetProfileKey(SBinary* lpKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CProfileDialog::GetProfileKey", hr);
    if (lpKey == nullptr) {
        hr = E_INVALIDARG;
        return hr;
    }
    if (m_ProfileKey.cb == 0 || m_ProfileKey.lpb == nullptr)
        return hr;
    lpKey->cb = 0;
    lpKey->lpb = static_cast<LPBYTE>(std::malloc(m_ProfileKey.cb));
    if (lpKey->lpb == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate buffer!\n");
        hr = E_OUTOFMEMORY;
        return hr;
    }
    std::memcpy(lpKey->lpb, m_ProfileKey.lpb, m_ProfileKey.cb);
    lpKey->cb = m_ProfileKey.cb;
    return hr;
}

void CProfileDialog::DoDataExchange() {
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    m_pStcLabel = dynamic_cast<CStatic*>(GetDlgItem(IDC_PROFILE_LABEL));
    m_pLstProfiles = dynamic_cast<CListBox*>(GetDlgItem(IDC_PROFILE_LIST));
}

BOOL CProfileDialog::OnInitDialog() {
    BOOL bResult = CDialog::OnInitDialog();
    TRACE_FUNC_BOOL("CProfileDialog::OnInitDialog", bResult);
    DoDataExchange();
    if (m_pLstProfiles == nullptr || m_pBtnOK == nullptr || m_pBtnCancel == nullptr ||
        m_pStcLabel == nullptr) {
        EndDialog(IDCANCEL);
        return bResult;
    }

    // This dialog has no built-in texts: without its language texts it does not open.
    struct {
        LONG nID;
        CWnd* pWnd;
        LPCSTR pszFailure;
    } texts[] = {{184, this, "Failed to load caption text!\n"},
                 {185, m_pStcLabel, "Failed to profile text!\n"},
                 {186, m_pBtnOK, "Failed to load OK text!\n"},
                 {187, m_pBtnCancel, "Failed to load cancel text!\n"}};
    for (const auto& text : texts) {
        CString strText;
        if (!FetchDialogText(text.nID, strText, nullptr)) {
            QTRACE(TRACE_ERROR, text.pszFailure);
            EndDialog(IDCANCEL);
            return bResult;
        }
        text.pWnd->SetWindowText(strText);
    }

    HRESULT hr = FillProfileList();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FillProfileList() failed: hr = 0x%08lx\n", (ULONG)hr);
        EndDialog(IDCANCEL);
        return bResult;
    }

    m_pLstProfiles->SetCurSel(0);
    if (m_ProfileKey.cb != 0 && m_ProfileKey.lpb != nullptr) {
        int nCount = m_pLstProfiles->GetCount();
        for (int i = 0; i < nCount; ++i) {
            auto nIndex = (ULONG)m_pLstProfiles->GetItemData(i);
            if (nIndex >= m_cInstanceKeys)
                continue;
            const SBinary& key = m_pInstanceKeys[nIndex];
            if (key.cb == m_ProfileKey.cb && key.lpb != nullptr &&
                std::memcmp(key.lpb, m_ProfileKey.lpb, key.cb) == 0) {
                m_pLstProfiles->SetCurSel(i);
                break;
            }
        }
    }
    if (m_pLstProfiles->GetCount() == 0)
        m_pBtnOK->EnableWindow(FALSE);
    DropProfileKey();

    SetItemDistances();
    m_bInitialized = TRUE;
    ApplyMinTrackSize(this);
    return bResult;
}

HRESULT CProfileDialog::FillProfileList() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CProfileDialog::FillProfileList", hr);
    LPPROFADMIN lpAdmin = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    BOOL bInitialized = FALSE;
    SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_INSTANCE_KEY}};

    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", (ULONG)hr);
        goto End;
    }
    bInitialized = TRUE;
    hr = MAPIAdminProfiles(0, &lpAdmin);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIAdminProfiles() failed: hr = 0x%08lx\n", (ULONG)hr);
        goto End;
    }
    hr = lpAdmin->GetProfileTable(0, &lpTable);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetProfileTable() failed: hr = 0x%08lx\n", (ULONG)hr);
        goto End;
    }
    hr = lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", (ULONG)hr);
        goto End;
    }
    for (;;) {
        FreeProws(lpRows);
        lpRows = nullptr;
        hr = lpTable->QueryRows(kRowBatch, 0, &lpRows);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", (ULONG)hr);
            goto End;
        }
        if (lpRows == nullptr || lpRows->cRows == 0)
            break;
        for (ULONG r = 0; r < lpRows->cRows; ++r) {
            const SRow& row = lpRows->aRow[r];
            // A row whose name or key is an error value names no profile that could be chosen.
            if (row.cValues < 2 || row.lpProps[0].ulPropTag != PR_DISPLAY_NAME_A ||
                row.lpProps[1].ulPropTag != PR_INSTANCE_KEY || row.lpProps[0].Value.lpszA == nullptr) {
                QTRACE(TRACE_WARNING, "Profile row without name or instance key skipped.\n");
                continue;
            }
            auto* pGrown = static_cast<SBinary*>(std::malloc(sizeof(SBinary) * (m_cInstanceKeys + 1)));
            if (pGrown == nullptr) {
                QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate instace key array!\n");
                hr = E_OUTOFMEMORY;
                goto End;
            }
            if (m_cInstanceKeys > 0)
                std::memcpy(pGrown, m_pInstanceKeys, sizeof(SBinary) * m_cInstanceKeys);
            std::free(m_pInstanceKeys);
            m_pInstanceKeys = pGrown;
            SBinary& entry = m_pInstanceKeys[m_cInstanceKeys];
            ULONG nIndex = m_cInstanceKeys++;
            entry.cb = 0;
            entry.lpb = nullptr;
            const SBinary& key = row.lpProps[1].Value.bin;
            if (key.cb > 0) {
                entry.lpb = static_cast<LPBYTE>(std::malloc(key.cb));
                if (entry.lpb == nullptr) {
                    QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate new instace key!\n");
                    hr = E_OUTOFMEMORY;
                    goto End;
                }
                std::memcpy(entry.lpb, key.lpb, key.cb);
                entry.cb = key.cb;
            }
            int nItem = m_pLstProfiles->AddString(row.lpProps[0].Value.lpszA);
            if (nItem < 0)
                QTRACE(TRACE_ERROR, "Failed to enter profile string into List: Error code %d\n", nItem);
            else
                m_pLstProfiles->SetItemData(nItem, nIndex);
        }
    }
End:
    FreeProws(lpRows);
    if (lpTable != nullptr)
        lpTable->Release();
    if (lpAdmin != nullptr)
        lpAdmin->Release();
    if (bInitialized)
        MAPIUninitialize();
    return hr;
}

void CProfileDialog::OnOK() {
    TRACE_FUNC_VOID("CProfileDialog::OnOK");
    if (m_pLstProfiles == nullptr)
        return;
    int nSel = m_pLstProfiles->GetCurSel();
    if (nSel < 0)
        return;
    DropProfileKey();
    auto nIndex = (ULONG)m_pLstProfiles->GetItemData(nSel);
    if (nIndex >= m_cInstanceKeys)
        return;
    const SBinary& key = m_pInstanceKeys[nIndex];
    if (key.cb > 0) {
        m_ProfileKey.lpb = static_cast<LPBYTE>(std::malloc(key.cb));
        if (m_ProfileKey.lpb == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate instance key!\n");
            return;
        }
        std::memcpy(m_ProfileKey.lpb, key.lpb, key.cb);
        m_ProfileKey.cb = key.cb;
    }
    m_pLstProfiles->GetText(nSel, m_strProfileName);
    CDialog::OnOK();
}

void CProfileDialog::OnDblclkProfileList() {
    TRACE_FUNC_VOID("CProfileDialog::OnDblclkProfileList");
    PostMessage(WM_COMMAND, IDOK, 0);
}

void CProfileDialog::SetItemDistances() {
    TRACE_FUNC_VOID("CProfileDialog::SetItemDistances");
    CRect rcWindow = GetWindowRectInClient(this);
    CRect rcLabel = GetChildRectInClient(this, m_pStcLabel);
    CRect rcList = GetChildRectInClient(this, m_pLstProfiles);
    CRect rcCancel = GetChildRectInClient(this, m_pBtnCancel);
    m_rcOK = GetChildRectInClient(this, m_pBtnOK);
    m_lLabelHeight = rcLabel.bottom - rcLabel.top;
    m_lListTopOffset = rcList.top - rcWindow.top;
    m_lListLeftOffset = rcList.left - rcWindow.left;
    m_lBottomMargin = rcWindow.bottom - rcList.bottom;
    m_lButtonGap = m_rcOK.left - rcList.right;
    m_lRightMargin = rcWindow.right - m_rcOK.right + 2 * GetDialogMetric(this, SM_CXDLGFRAME);
    m_lButtonSpacing = rcCancel.top - m_rcOK.bottom;
}

int CProfileDialog::GetListWidth() const {
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    int w = rcWindow.Width() - m_lListLeftOffset - m_lButtonGap - m_rcOK.Width() - m_lRightMargin;
    return w < 0 ? 0 : w;
}

int CProfileDialog::GetListHeight() const {
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    int h = rcWindow.Height() - m_lListTopOffset - m_lBottomMargin;
    return h < 0 ? 0 : h;
}

void CProfileDialog::ReclalcLayout() {
    TRACE_FUNC_VOID("CProfileDialog::ReclalcLayout");
    int w = GetListWidth();
    int h = GetListHeight();
    m_pStcLabel->SetWindowPos(nullptr, 0, 0, w, m_lLabelHeight, SWP_NOZORDER | SWP_NOMOVE);
    m_pLstProfiles->SetWindowPos(nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE);
    int x = m_lListLeftOffset + w + m_lButtonGap;
    m_pBtnOK->SetWindowPos(nullptr, x, m_rcOK.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    m_pBtnCancel->SetWindowPos(nullptr, x, m_rcOK.top + m_rcOK.Height() + m_lButtonSpacing, 0, 0,
                               SWP_NOZORDER | SWP_NOSIZE);
}

void CProfileDialog::OnSize(UINT nType, int cx, int cy) {
    CDialog::OnSize(nType, cx, cy);
    if (m_bInitialized)
        ReclalcLayout();
}

void CProfileDialog::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    if (lpMMI == nullptr)
        return;
    lpMMI->ptMinTrackSize.x = kMinTrackWidth;
    lpMMI->ptMinTrackSize.y = kMinTrackHeight;
}
