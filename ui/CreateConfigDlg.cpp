// The create-configuration dialog: a name and one of the six item types.
#include "ui/CreateConfigDlg.h"

#include "resources/ViewResources.h"
#include "trace/Trace.h"
#include "ui/DialogTexts.h"

CCreateConfiguration::CCreateConfiguration(CWnd* pParent) : CDialog(IDD_CREATE_CONFIGURATION, pParent) {
    TRACE_CTOR("CCreateConfiguration");
}

CCreateConfiguration::~CCreateConfiguration() {
    TRACE_DTOR("CCreateConfiguration");
}

BOOL CCreateConfiguration::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CCreateConfiguration::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    m_pStcType = dynamic_cast<CStatic*>(GetDlgItem(IDC_CREATE_TYPE_LABEL));
    m_pStcName = dynamic_cast<CStatic*>(GetDlgItem(IDC_CREATE_NAME_LABEL));
    m_pCmbType = dynamic_cast<CComboBox*>(GetDlgItem(IDC_CREATE_TYPE));
    m_pEdtName = dynamic_cast<CEdit*>(GetDlgItem(IDC_CREATE_NAME));
    if (m_pCmbType == nullptr || m_pEdtName == nullptr) {
        QTRACE(TRACE_ERROR, "Dialog controls missing!\n");
        EndDialog(IDCANCEL);
        return bResult;
    }
    OnLoadTexts();
    // The sorted combo puts the alphabetically first type of the current language on top.
    m_pCmbType->SetCurSel(0);
    m_pEdtName->SetFocus();
    return bResult;
}

HRESULT CCreateConfiguration::OnLoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CCreateConfiguration::OnLoadTexts", hr);
    SetWindowText(GetDialogText(188, "", "Add configuration"));
    if (m_pStcName != nullptr)
        m_pStcName->SetWindowText(GetDialogText(189, "", "Configuration name:"));
    if (m_pStcType != nullptr)
        m_pStcType->SetWindowText(GetDialogText(190, "", "Configuration type:"));
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowText(GetDialogText(191, "", "&OK"));
    if (m_pBtnCancel != nullptr)
        m_pBtnCancel->SetWindowText(GetDialogText(192, "", "&Cancel"));
    if (m_pCmbType == nullptr)
        return hr;
    static const struct {
        LONG nTextID;
        LPCSTR pszDefault;
        DWORD dwType;
    } types[] = {{193, "Contacts", 1}, {194, "Appointments", 2}, {195, "E-mail", 3},
                 {196, "Notes", 4},    {197, "Tasks", 5},        {198, "Journals", 6}};
    m_pCmbType->ResetContent();
    for (const auto& type : types) {
        int nRow = m_pCmbType->AddString(GetDialogText(type.nTextID, "", type.pszDefault));
        if (nRow >= 0)
            m_pCmbType->SetItemData(nRow, type.dwType);
    }
    return hr;
}

void CCreateConfiguration::OnOK() {
    TRACE_FUNC_VOID("CCreateConfiguration::OnOK");
    if (m_pCmbType == nullptr || m_pEdtName == nullptr)
        return;
    int nRow = m_pCmbType->GetCurSel();
    m_pEdtName->GetWindowText(m_strName);
    // Quiet validation: without a name or a type the dialog simply stays open.
    if (nRow < 0 || m_strName.IsEmpty())
        return;
    m_dwType = (DWORD)m_pCmbType->GetItemData(nRow);
    EndDialog(IDOK);
}
