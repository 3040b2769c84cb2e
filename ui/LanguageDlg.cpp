// The language dialog: one row per language file, named in the current language.
#include "ui/LanguageDlg.h"

#include <cstdlib>
#include <memory>

#include "language/LanguageDict.h"
#include "language/LanguageInfo.h"
#include "language/LanguageSettings.h"
#include "resources/ViewResources.h"
#include "trace/Trace.h"
#include "ui/DialogTexts.h"
#include "ui/MainFrm.h"

BEGIN_MESSAGE_MAP(CSelectLanguageDlg, CDialog)
ON_LBN_SELCHANGE(IDC_LANGUAGE_LIST, &CSelectLanguageDlg::OnSelChangeLanguage)
ON_LBN_DBLCLK(IDC_LANGUAGE_LIST, &CSelectLanguageDlg::OnDblClkLanguage)
END_MESSAGE_MAP()

CSelectLanguageDlg::CSelectLanguageDlg(CWnd* pParent) : CDialog(IDD_SELECT_LANGUAGE, pParent) {
    TRACE_CTOR("CSelectLanguageDlg");
}

CSelectLanguageDlg::~CSelectLanguageDlg() {
    TRACE_DTOR("CSelectLanguageDlg");
}

int CSelectLanguageDlg::ChooseLanguage(CWnd* pParent, LONG* plLanguageID) {
    int nResult = IDCANCEL;
    TRACE_FUNC_RESULT("CSelectLanguageDlg::ChooseLanguage", nResult);
    if (plLanguageID == nullptr)
        return nResult;
    CSelectLanguageDlg dlg(pParent);
    nResult = (int)dlg.DoModal();
    if (nResult == IDOK)
        *plLanguageID = dlg.GetSelectedLanguageID();
    return nResult;
}

void CSelectLanguageDlg::Install() {
    SetLanguageChooser(&CSelectLanguageDlg::ChooseLanguage);
}

BOOL CSelectLanguageDlg::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CSelectLanguageDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pLstLanguages = dynamic_cast<CListBox*>(GetDlgItem(IDC_LANGUAGE_LIST));
    if (m_pBtnCancel == nullptr || m_pBtnOK == nullptr || m_pLstLanguages == nullptr) {
        QTRACE(TRACE_ERROR, "Dialog controls missing!\n");
        EndDialog(IDCANCEL);
        return bResult;
    }
    OnLoadTexts();
    HRESULT hr = FillList();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FillList() failed: hr = 0x%08lx\n", hr);
        EndDialog(IDCANCEL);
        return bResult;
    }
    OnSelChangeLanguage();
    m_pLstLanguages->SetFocus();
    return bResult;
}

HRESULT CSelectLanguageDlg::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectLanguageDlg::OnLoadTexts", hr);
    SetWindowText(GetDialogText(121, "", "Select language"));
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowText(GetDialogText(122, "", "&OK"));
    if (m_pBtnCancel != nullptr)
        m_pBtnCancel->SetWindowText(GetDialogText(123, "", "&Cancel"));
    return hr;
}

HRESULT CSelectLanguageDlg::FillList() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectLanguageDlg::FillList", hr);
    if (m_pLstLanguages == nullptr)
        return hr = E_UNEXPECTED;
    const LONG lCurrent = GetCurrentLanguageID();
    // A dictionary of its own: the module's shared one belongs to the loader thread.
    auto pDict = std::make_unique<CLanguageDict>();
    LONG lCount = 0;
    CLanguageInfo* pList = nullptr;
    hr = pDict->GetSupportedLanguageList("Quorvel", lCurrent, &lCount, &pList, "*.lng");
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetSupportedLanguageList() failed: hr = 0x%08lx\n", hr);
        delete[] pList;
        return hr;
    }
    for (LONG i = 0; i < lCount && pList != nullptr; ++i) {
        const LONG lID = pList[i].GetLanguageID();
        LPSTR pszName = nullptr;
        HRESULT hrName = pList[i].GetLocalizedLanguageName(&pszName);
        if (hrName == E_OUTOFMEMORY) {
            QTRACE(TRACE_ERROR, "No memory to retrieve language name (language ID %d)!\n", lID);
            continue;
        }
        if (FAILED(hrName) || pszName == nullptr) {
            hr = FAILED(hrName) ? hrName : E_FAIL;
            QTRACE(TRACE_ERROR, "GetLocalizedLanguageName() failed: hr = 0x%08lx\n", hr);
            std::free(pszName);
            break;
        }
        int nRow = m_pLstLanguages->AddString(pszName);
        if (nRow >= 0) {
            m_pLstLanguages->SetItemData(nRow, (DWORD_PTR)(ULONG)lID);
            if (lID == lCurrent)
                m_pLstLanguages->SetCurSel(nRow);
        }
        std::free(pszName);
    }
    delete[] pList;
    return hr;
}

BOOL CSelectLanguageDlg::IsOtherLanguageSelected() const {
    if (m_pLstLanguages == nullptr || m_pLstLanguages->GetCount() <= 0)
        return FALSE;
    int nRow = m_pLstLanguages->GetCurSel();
    if (nRow < 0)
        return FALSE;
    return (LONG)(ULONG)m_pLstLanguages->GetItemData(nRow) != GetCurrentLanguageID();
}

void CSelectLanguageDlg::OnSelChangeLanguage() {
    TRACE_FUNC_VOID("CSelectLanguageDlg::OnSelChangeLanguage");
    if (m_pBtnOK != nullptr)
        m_pBtnOK->EnableWindow(IsOtherLanguageSelected());
}

void CSelectLanguageDlg::OnDblClkLanguage() {
    TRACE_FUNC_VOID("CSelectLanguageDlg::OnDblClkLanguage");
    if (IsOtherLanguageSelected())
        OnOK();
}

void CSelectLanguageDlg::OnOK() {
    TRACE_FUNC_VOID("CSelectLanguageDlg::OnOK");
    int nRow = m_pLstLanguages != nullptr ? m_pLstLanguages->GetCurSel() : -1;
    if (nRow < 0)
        return;
    m_lSelectedLanguageID = (LONG)(ULONG)m_pLstLanguages->GetItemData(nRow);
    EndDialog(IDOK);
}
