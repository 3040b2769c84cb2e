// The update question: caption, question and both buttons in the current language.
#include "ui/UpdateResultListDlg.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "language/ReplaceNewlineChar.h"
#include "resources/FormResource.h"
#include "trace/Trace.h"

CUpdateResultListDlg::CUpdateResultListDlg(CWnd* pParent) : CDialog(IDD_UPDATE_RESULT_LIST, pParent) {
    TRACE_CTOR("CUpdateResultListDlg");
}

CUpdateResultListDlg::~CUpdateResultListDlg() {
    TRACE_DTOR("CUpdateResultListDlg");
}

BOOL CUpdateResultListDlg::OnInitDialog() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("CUpdateResultListDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    OnLoadTexts();
    return bResult;
}

void CUpdateResultListDlg::OnLoadTexts() {
    TRACE_FUNC_VOID("CUpdateResultListDlg::OnLoadTexts");
    struct Row {
        int nControlID;  // 0: the dialog's caption
        LONG nTextID;
        const char* lpszDefault;
        const char* lpszTrace;
    };
    static const Row rows[] = {
        {0, 57, "Update result list",
         "GetLanguageText(ID_CHANGED_CONFIG_UPDATE_CAPTION) failed: hr = 0x%08lx\n"},
        {IDC_UPDATE_QUESTION, 58,
         "You have changed your configuration.\n\nUpdate the search result list now?",
         "GetLanguageText(ID_CHANGED_CONFIG_UPDATE_TEXT) failed: hr = 0x%08lx\n"},
        {IDOK, 59, "&Yes", "GetLanguageText(ID_CHANGED_CONFIG_UPDATE_OK) failed: hr = 0x%08lx\n"},
        {IDCANCEL, 60, "&No, thanx",
         "GetLanguageText(ID_CHANGED_CONFIG_UPDATE_CANCEL) failed: hr = 0x%08lx\n"},
    };
    for (const Row& row : rows) {
        LPSTR pszText = nullptr;
        HRESULT hr = GetLanguageText(&pszText, row.nTextID);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, row.lpszTrace, hr);
        LPCSTR pszShown = pszText != nullptr ? pszText : row.lpszDefault;
        LPSTR pszConverted = nullptr;
        if (row.nControlID == IDC_UPDATE_QUESTION) {
            hr = ReplaceNewlineChar(&pszConverted, pszShown);
            if (FAILED(hr))
                QTRACE(TRACE_ERROR, "ReplaceNewlineChar() failed: hr = 0x%08lx\n", hr);
            else
                pszShown = pszConverted;
        }
        if (row.nControlID == 0)
            SetWindowText(pszShown);
        else if (CWnd* pCtrl = GetDlgItem(row.nControlID))
            pCtrl->SetWindowText(pszShown);
        free(pszConverted);
        free(pszText);
    }
}
