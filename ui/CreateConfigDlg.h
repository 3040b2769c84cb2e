// CCreateConfiguration: the dialog of the add-configuration command (a name and an item type).
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

// Shown with DoModal: IDOK once a name was typed and a type chosen. The caller checks the name
// against the existing configurations itself.
class CCreateConfiguration : public CDialog {
public:
    explicit CCreateConfiguration(CWnd* pParent);
    ~CCreateConfiguration() override;

    // The name as typed (not trimmed).
    CString GetName() const { return m_strName; }
    // The item type 1 to 6; meaningful after IDOK only.
    DWORD GetType() const { return m_dwType; }
    HRESULT OnLoadTexts();

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    CButton* m_pBtnOK = nullptr;
    CButton* m_pBtnCancel = nullptr;
    CStatic* m_pStcType = nullptr;
    CStatic* m_pStcName = nullptr;
    CComboBox* m_pCmbType = nullptr;
    CEdit* m_pEdtName = nullptr;
    CString m_strName;
    DWORD m_dwType = 0;
};
