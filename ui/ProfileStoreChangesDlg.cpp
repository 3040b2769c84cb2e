// The profile store changes notice: two lists of store names under an explanation.
#include "ui/ProfileStoreChangesDlg.h"

#include <cstdlib>

#include "language/ReplaceNewlineChar.h"
#include "model/StoreInfo.h"
#include "trace/Trace.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"

BEGIN_MESSAGE_MAP(CProfileStoreChangesDlg, CDialog)
END_MESSAGE_MAP()

CProfileStoreChangesDlg::CProfileStoreChangesDlg(CWnd* pParent)
    : CDialog(IDD_PROFILE_STORE_CHANGES, pParent) {
    TRACE_CTOR("CProfileStoreChangesDlg");
}

CProfileStoreChangesDlg::~CProfileStoreChangesDlg() {
    TRACE_DTOR("CProfileStoreChangesDlg");
    DropArrays();
}

void CProfileStoreChangesDlg::DropArrays() {
    for (ULONG i = 0; i < m_cAdded; ++i)
        if (m_ppAdded[i] != nullptr)
            m_ppAdded[i]->Release();
    for (ULONG i = 0; i < m_cRemoved; ++i)
        if (m_ppRemoved[i] != nullptr)
            m_ppRemoved[i]->Release();
    std::free(m_ppAdded);
    std::free(m_ppRemoved);
    m_ppAdded = nullptr;
    m_ppRemoved = nullptr;
    m_cAdded = 0;
    m_cRemoved = 0;
}

HRESULT CProfileStoreChangesDlg::CopyArray(CStoreInfo** ppSource, ULONG cSource, CStoreInfo*** pppCopy,
                                           ULONG* pcCopy) {
    *pppCopy = nullptr;
    *pcCopy = 0;
    if (ppSource == nullptr || cSource == 0)
        return S_OK;
    auto** ppCopy = static_cast<CStoreInfo**>(std::malloc(sizeof(CStoreInfo*) * cSource));
    if (ppCopy == nullptr)
        return E_OUTOFMEMORY;
    for (ULONG i = 0; i < cSource; ++i) {
        ppCopy[i] = ppSource[i];
        if (ppCopy[i] != nullptr)
            ppCopy[i]->AddRef();
    }
    *pppCopy = ppCopy;
    *pcCopy = cSource;
    return S_OK;
}

HRESULT CProfileStoreChangesDlg::Init(CStoreInfo** ppAdded, ULONG cAdded, CStoreInfo** ppRemoved,
                                      ULONG cRemoved) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CProfileStoreChangesDlg::Init", hr);
    DropArrays();
    m_bInitialized = FALSE;
    hr = CopyArray(ppAdded, cAdded, &m_ppAdded, &m_cAdded);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "malloc() faioled: Unable to create add array!\n");
        return hr;
    }
    hr = CopyArray(ppRemoved, cRemoved, &m_ppRemoved, &m_cRemoved);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "malloc() faioled: Unable to create remove array!\n");
        return hr;
    }
    m_bInitialized = TRUE;
    return hr;
}

void CProfileStoreChangesDlg::DoDataExchange() {
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pStcRemovedHeader = dynamic_cast<CStatic*>(GetDlgItem(IDC_CHANGES_REMOVED_HEADER));
    m_pStcExplanation = dynamic_cast<CStatic*>(GetDlgItem(IDC_CHANGES_EXPLANATION));
    m_pStcAddedHeader = dynamic_cast<CStatic*>(GetDlgItem(IDC_CHANGES_ADDED_HEADER));
    m_pLstRemoved = dynamic_cast<CListBox*>(GetDlgItem(IDC_CHANGES_REMOVED_LIST));
    m_pLstAdded = dynamic_cast<CListBox*>(GetDlgItem(IDC_CHANGES_ADDED_LIST));
}

void CProfileStoreChangesDlg::FillList(CListBox* pList, CStoreInfo** ppStores, ULONG cStores) {
    if (pList == nullptr)
        return;
    pList->ResetContent();
    for (ULONG i = 0; i < cStores; ++i) {
        if (ppStores[i] == nullptr)
            continue;
        CString strName = ppStores[i]->GetStoreName();
        pList->AddString(strName.IsEmpty() ? "?" : strName.GetString());
    }
}

BOOL CProfileStoreChangesDlg::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CProfileStoreChangesDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    if (!m_bInitialized) {
        EndDialog(IDCANCEL);
        return bResult;
    }
    DoDataExchange();
    // The notice offers no choice: its Cancel button only serves Escape and the close box.
    if (CWnd* pCancel = GetDlgItem(IDCANCEL))
        pCancel->ShowWindow(SW_HIDE);
    OnLoadTexts();
    FillList(m_pLstAdded, m_ppAdded, m_cAdded);
    FillList(m_pLstRemoved, m_ppRemoved, m_cRemoved);
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetFocus();
    return bResult;
}

HRESULT CProfileStoreChangesDlg::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CProfileStoreChangesDlg::OnLoadTexts", hr);
    SetWindowText(GetDialogText(199, "ID_PROFILE_STORE_CHANGES_CAPTION", "Profile store changes"));

    // Only a fetched text carries escapes; the default already holds its line feeds.
    CString strExplanation;
    HRESULT hrFetch = S_OK;
    if (FetchDialogText(200, strExplanation, &hrFetch)) {
        LPSTR pszConverted = nullptr;
        HRESULT hrConvert = ReplaceNewlineChar(&pszConverted, strExplanation);
        if (FAILED(hrConvert))
            QTRACE(TRACE_ERROR, "ReplaceNewlineChar() failed: hr = 0x%08lxx\n", (ULONG)hrConvert);
        else
            strExplanation = pszConverted;
        std::free(pszConverted);
    } else {
        QTRACE(TRACE_ERROR, "GetLanguageText(%s) failed: hr = 0x%08lx\n",
               "ID_PROFILE_STORE_CHANGES_EXPLANATION", (ULONG)hrFetch);
        strExplanation =
            "The profile has been changed since the last time it was accessed.\n"
            "Some stores have been added and/or removed.\n\nThe configuration has been updated.";
    }
    if (m_pStcExplanation != nullptr)
        m_pStcExplanation->SetWindowText(strExplanation);
    if (m_pStcAddedHeader != nullptr)
        m_pStcAddedHeader->SetWindowText(
            GetDialogText(201, "ID_PROFILE_STORE_CHANGES_ADDED_HEADER", "Stores added:"));
    if (m_pStcRemovedHeader != nullptr)
        m_pStcRemovedHeader->SetWindowText(
            GetDialogText(202, "ID_PROFILE_STORE_CHANGES_REMOVED_HEADER", "Stores removed:"));
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowText(GetDialogText(203, "ID_PROFILE_STORE_CHANGES_OK", "&OK"));
    // The template's texts are sized for English: a longer translation widens the removed-stores
    // header up to its list's width, and pushes what lies below a text down rather than cutting it.
    if (m_pStcRemovedHeader != nullptr && m_pLstRemoved != nullptr)
        FitStaticToText(this, m_pStcRemovedHeader, GetChildRectInClient(this, m_pLstRemoved).Width());
    GrowStaticToFitText(this, m_pStcAddedHeader);
    GrowStaticToFitText(this, m_pStcExplanation);
    return hr;
}
