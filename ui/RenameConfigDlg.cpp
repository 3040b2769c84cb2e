// The rename-configuration dialog.
#include "ui/RenameConfigDlg.h"

#include <cstring>

#include "resources/ViewResources.h"
#include "trace/Trace.h"
#include "ui/DialogTexts.h"

BEGIN_MESSAGE_MAP(CChangeConfigNameDlg, CDialog)
ON_EN_CHANGE(IDC_RENAME_NEW_NAME, &CChangeConfigNameDlg::OnChangeNewName)
END_MESSAGE_MAP()

CChangeConfigNameDlg::CChangeConfigNameDlg(const CString& strCurrentName, CWnd* pParent)
    : CDialog(IDD_RENAME_CONFIGURATION, pParent), m_strCurrentName(strCurrentName) {
    TRACE_CTOR("CChangeConfigNameDlg");
}

CChangeConfigNameDlg::~CChangeConfigNameDlg() {
    TRACE_DTOR("CChangeConfigNameDlg");
}

BOOL CChangeConfigNameDlg::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CChangeConfigNameDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    m_pStcNewName = dynamic_cast<CStatic*>(GetDlgItem(IDC_RENAME_NEW_LABEL));
    m_pEdtNewName = dynamic_cast<CEdit*>(GetDlgItem(IDC_RENAME_NEW_NAME));
    m_pStcCurrentName = dynamic_cast<CStatic*>(GetDlgItem(IDC_RENAME_OLD_LABEL));
    m_pEdtCurrentName = dynamic_cast<CEdit*>(GetDlgItem(IDC_RENAME_OLD_NAME));
    if (m_pBtnOK == nullptr || m_pEdtNewName == nullptr || m_pEdtCurrentName == nullptr) {
        QTRACE(TRACE_ERROR, "Dialog controls missing!\n");
        EndDialog(IDCANCEL);
        return bResult;
    }
    OnLoadTexts();
    m_pEdtCurrentName->SetWindowText(m_strCurrentName);
    m_pEdtNewName->SetWindowText(m_strCurrentName);
    m_pEdtNewName->SetFocus();
    // Set after the edits were filled: filling the new-name edit may report a change.
    m_pBtnOK->EnableWindow(FALSE);
    return bResult;
}

HRESULT CChangeConfigNameDlg::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CChangeConfigNameDlg::OnLoadTexts", hr);
    SetWindowText(GetDialogText(45, "ID_RENAME_CONFIG_CAPTION", "Rename configuration"));
    if (m_pStcCurrentName != nullptr)
        m_pStcCurrentName->SetWindowText(
            GetDialogText(46, "ID_RENAME_CONFIG_OLD_NAME", "&Current configuration name:"));
    if (m_pStcNewName != nullptr)
        m_pStcNewName->SetWindowText(
            GetDialogText(47, "ID_RENAME_CONFIG_NEW_NAME", "&New configuration name:"));
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowText(GetDialogText(48, "ID_RENAME_CONFIG_OK", "&OK"));
    if (m_pBtnCancel != nullptr)
        m_pBtnCancel->SetWindowText(GetDialogText(49, "ID_RENAME_CONFIG_CANCEL", "&Cancel"));
    return hr;
}

void CChangeConfigNameDlg::OnChangeNewName() {
    TRACE_FUNC_VOID("CChangeConfigNameDlg::OnChangeNewName");
    if (m_pEdtNewName == nullptr || m_pBtnOK == nullptr)
        return;
    CString strText;
    m_pEdtNewName->GetWindowText(strText);
    // Exact byte comparison of the UTF-8 texts: a change of letter case alone is a new name.
    BOOL bEnable = !strText.IsEmpty() && std::strcmp(strText, m_strCurrentName) != 0;
    m_pBtnOK->EnableWindow(bEnable);
}

void CChangeConfigNameDlg::OnOK() {
    TRACE_FUNC_VOID("CChangeConfigNameDlg::OnOK");
    if (m_pEdtNewName != nullptr)
        m_pEdtNewName->GetWindowText(m_strNewName);
    EndDialog(IDOK);
}
