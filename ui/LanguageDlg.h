// CSelectLanguageDlg: the dialog of the change-language command; lists every loadable language.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"

// Shown with DoModal: IDOK when another language was chosen, whose id GetSelectedLanguageID then
// gives. The dialog itself changes nothing; the caller makes the language current.
class CSelectLanguageDlg : public CDialog {
public:
    explicit CSelectLanguageDlg(CWnd* pParent);
    ~CSelectLanguageDlg() override;

    LONG GetSelectedLanguageID() const { return m_lSelectedLanguageID; }
    HRESULT OnLoadTexts();
    HRESULT FillList();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnSelChangeLanguage();
    void OnDblClkLanguage();

    // The main frame's language chooser: runs the dialog and hands back the chosen id on IDOK.
    static int ChooseLanguage(CWnd* pParent, LONG* plLanguageID);
    // Makes this dialog the main frame's language chooser.
    static void Install();

protected:
    // TRUE when a row is selected and its language is not the current one.
    BOOL IsOtherLanguageSelected() const;

    CButton* m_pBtnCancel = nullptr;
    CButton* m_pBtnOK = nullptr;
    CListBox* m_pLstLanguages = nullptr;
    LONG m_lSelectedLanguageID = 0;

    DECLARE_MESSAGE_MAP()
};
