// The dialog that asks for the password of a message store that refused to open.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

class CStoreInfo;

#define IDD_STORE_PASSWORD 206
#define IDC_STORE_PWD_LABEL 1022
#define IDC_STORE_PWD_EXPLANATION 1075
#define IDC_STORE_PWD_EDIT 1084

// Records the entered password in the store object on OK; it opens nothing itself. The caller
// makes a new dialog for every attempt to open the store.
class CStorePasswordDlg : public CDialog {
public:
    // Holds a reference on pStore (may be null) for the dialog's life.
    CStorePasswordDlg(CStoreInfo* pStore, CWnd* pParent);
    ~CStorePasswordDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;

    CString GetPassword() const { return m_strPassword; }

protected:
    void DoDataExchange();
    HRESULT OnLoadTexts();

    CButton* m_pBtnOK = nullptr;
    CButton* m_pBtnCancel = nullptr;
    CStatic* m_pStcLabel = nullptr;
    CStatic* m_pStcExplanation = nullptr;
    CEdit* m_pEdtPassword = nullptr;
    CStoreInfo* m_pStore = nullptr;
    CString m_strPassword;

    DECLARE_MESSAGE_MAP()
};
