// The store password dialog: one attempt to give a protected store its password.
#include "ui/StorePasswordDlg.h"

#include <cstdlib>

#include "language/ReplaceNewlineChar.h"
#include "model/StoreInfo.h"
#include "trace/Trace.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"

BEGIN_MESSAGE_MAP(CStorePasswordDlg, CDialog)
END_MESSAGE_MAP()

CStorePasswordDlg::CStorePasswordDlg(CStoreInfo* pStore, CWnd* pParent)
    : CDialog(IDD_STORE_PASSWORD, pParent), m_pStore(pStore) {
    TRACE_CTOR("CStorePasswordDlg");
    if (m_pStore != nullptr)
        m_pStore->AddRef();
}

CStorePasswordDlg::~CStorePasswordDlg() {
    TRACE_DTOR("CStorePasswordDlg");
    if (m_pStore != nullptr)
        m_pStore->Release();
    m_pStore = nullptr;
}

void CStorePasswordDlg::DoDataExchange() {
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    m_pStcLabel = dynamic_cast<CStatic*>(GetDlgItem(IDC_STORE_PWD_LABEL));
    m_pStcExplanation = dynamic_cast<CStatic*>(GetDlgItem(IDC_STORE_PWD_EXPLANATION));
    m_pEdtPassword = dynamic_cast<CEdit*>(GetDlgItem(IDC_STORE_PWD_EDIT));
}

BOOL CStorePasswordDlg::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CStorePasswordDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    DoDataExchange();
    OnLoadTexts();
    if (m_pEdtPassword != nullptr)
        m_pEdtPassword->SetFocus();
    return bResult;
}

HRESULT CStorePasswordDlg::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStorePasswordDlg::OnLoadTexts", hr);
    SetWindowText(GetDialogText(210, "ID_STORE_PWD_DLG_CAPTION", "Set store password"));

    CString strExplanation = GetDialogText(
        211, "ID_STORE_PWD_DLG_EXPLANATION",
        "The store is password protected.\n\nEither you supplied no password or the password did not match. "
        "Please (re-)enter the password.");
    LPSTR pszConverted = nullptr;
    HRESULT hrConvert = ReplaceNewlineChar(&pszConverted, strExplanation);
    if (FAILED(hrConvert))
        QTRACE(TRACE_ERROR, "ReplaceNewlineChar() failed: hr = 0x%08lx\n", (ULONG)hrConvert);
    if (m_pStcExplanation != nullptr)
        m_pStcExplanation->SetWindowText(SUCCEEDED(hrConvert) ? pszConverted : strExplanation.GetString());
    std::free(pszConverted);
    // The template leaves room for four lines; a longer translation pushes the field and the
    // buttons down instead of being cut.
    GrowStaticToFitText(this, m_pStcExplanation);

    if (m_pStcLabel != nullptr)
        m_pStcLabel->SetWindowText(GetDialogText(212, "ID_STORE_PWD_DLG_PASSWORD", "&Password for store:"));
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowText(GetDialogText(213, "ID_STORE_PWD_DLG_OK", "&OK"));
    if (m_pBtnCancel != nullptr)
        m_pBtnCancel->SetWindowText(GetDialogText(214, "ID_STORE_PWD_DLG_CANCEL", "&Cancel"));
    return hr;
}

void CStorePasswordDlg::OnOK() {
    TRACE_FUNC_VOID("CStorePasswordDlg::OnOK");
    m_strPassword.Empty();
    if (m_pEdtPassword != nullptr)
        m_pEdtPassword->GetWindowText(m_strPassword);
    // Even an empty password marks the store protected: the caller then opens it with that.
    if (m_pStore != nullptr)
        m_pStore->SetPassword(m_strPassword);
    CDialog::OnOK();
}
