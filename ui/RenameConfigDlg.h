// CChangeConfigNameDlg: the dialog of the rename-configuration command.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

// Shows the current name read-only and an edit for the new one; OK is available only while the
// new name is not empty and differs from the current one (letter case counts).
class CChangeConfigNameDlg : public CDialog {
public:
    CChangeConfigNameDlg(const CString& strCurrentName, CWnd* pParent);
    ~CChangeConfigNameDlg() override;

    // The new name as typed; empty unless the dialog ended with IDOK.
    CString GetNewName() const { return m_strNewName; }
    HRESULT OnLoadTexts();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnChangeNewName();

protected:
    CButton* m_pBtnOK = nullptr;
    CButton* m_pBtnCancel = nullptr;
    CStatic* m_pStcNewName = nullptr;
    CEdit* m_pEdtNewName = nullptr;
    CStatic* m_pStcCurrentName = nullptr;
    CEdit* m_pEdtCurrentName = nullptr;
    CString m_strCurrentName;
    CString m_strNewName;

    DECLARE_MESSAGE_MAP()
};
