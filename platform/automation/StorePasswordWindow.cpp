// The store password prompt as a dialog of the window framework.
#include "platform/automation/StorePasswordWindow.h"

#include <wx/app.h>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/mapi/MAPICodes.h"

namespace {

void RegisterTemplate() {
    if (AfxFindDialogTemplate(STOREPASSWORD_TEMPLATE_ID) != nullptr)
        return;
    AfxRegisterDialogTemplate(
        {STOREPASSWORD_TEMPLATE_ID,
         DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
         0,
         0,
         0,
         220,
         84,
         "Store password",
         "MS Sans Serif",
         8,
         {{"STATIC", "", STOREPASSWORD_MESSAGE_ID, 7, 7, 206, 24, SS_LEFT},
          {"STATIC", "&Password:", STOREPASSWORD_LABEL_ID, 7, 40, 50, 8, SS_LEFT},
          {"EDIT", "", STOREPASSWORD_EDIT_ID, 60, 38, 153, 14,
           WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD},
          {"BUTTON", "OK", IDOK, 109, 62, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
          {"BUTTON", "Cancel", IDCANCEL, 163, 62, 50, 14, BS_PUSHBUTTON | WS_TABSTOP}}});
}

class CStorePasswordDialog : public CDialog {
public:
    CStorePasswordDialog(const std::string& storeName, bool bWrongBefore)
        : CDialog(STOREPASSWORD_TEMPLATE_ID), m_storeName(storeName), m_bWrongBefore(bWrongBefore) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        // A wrong password is said so plainly, and the user may try again or cancel.
        std::string message =
            m_bWrongBefore ? "The password is not correct. Enter the password of the store \"" + m_storeName +
                                 "\" again:"
                           : "The store \"" + m_storeName + "\" is password protected. Enter its password:";
        if (CWnd* pMessage = GetDlgItem(STOREPASSWORD_MESSAGE_ID))
            pMessage->SetWindowText(message.c_str());
        if (CWnd* pEdit = GetDlgItem(STOREPASSWORD_EDIT_ID))
            pEdit->SetFocus();
        return FALSE;
    }

    void OnOK() override {
        CString text;
        GetDlgItemText(STOREPASSWORD_EDIT_ID, text);
        m_password = text.GetString();
        CDialog::OnOK();
    }

    const std::string& Password() const { return m_password; }

private:
    std::string m_storeName;
    bool m_bWrongBefore;
    std::string m_password;
};

class CStorePasswordWindow : public IStorePasswordPrompt {
public:
    HRESULT AskPassword(const std::string& storeName, bool bWrongBefore, std::string& password) override {
        if (wxTheApp == nullptr)
            return E_UNEXPECTED;
        RegisterTemplate();
        CStorePasswordDialog dialog(storeName, bWrongBefore);
        const INT_PTR nResult = dialog.DoModal();
        if (nResult == -1)
            return E_UNEXPECTED;
        if (nResult != IDOK)
            return MAPI_E_USER_CANCEL;
        password = dialog.Password();
        return S_OK;
    }
};

CStorePasswordWindow g_prompt;

}  // namespace

IStorePasswordPrompt* StorePasswordWindow() {
    return &g_prompt;
}
