// CUpdateResultListDlg: the yes/no question shown before a change makes a shown search result stale.
#pragma once

#include "platform/afx/wnd/Dialog.h"

// DoModal: IDOK for Yes, IDCANCEL for No, Esc or the close box, -1 when it cannot be made (which
// callers treat like No).
class CUpdateResultListDlg : public CDialog {
public:
    explicit CUpdateResultListDlg(CWnd* pParent);
    ~CUpdateResultListDlg() override;

    BOOL OnInitDialog() override;
    void OnLoadTexts();
};
