// The main window started on a fresh root with the demo profile made.
#pragma once

#include <sstream>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/ui/UiFixture.h"
#include "tools/store/StoreTool.h"
#include "ui/ProfileDialog.h"

namespace qrvtest {

class ViewsFixture : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::ostringstream out, err;
        ASSERT_EQ(0, qrvstore::RunStoreTool({"demo"}, out, err)) << err.str();
        ASSERT_TRUE(Start());
        Settle(30);
        ASSERT_NE(nullptr, Left());
        ASSERT_NE(nullptr, Right());
    }

    // A modal hook: chooses the demo profile in the profile dialog; every other dialog is confirmed.
    static int ChooseDemoProfile(CWnd* pWnd) {
        if (dynamic_cast<CProfileDialog*>(pWnd) != nullptr) {
            auto* pList = dynamic_cast<CListBox*>(pWnd->GetDlgItem(IDC_PROFILE_LIST));
            pList->SetCurSel(pList->FindStringExact(-1, "Quorvel Demo"));
        }
        if (auto* pDlg = dynamic_cast<CDialog*>(pWnd); pDlg != nullptr && !pDlg->IsEnded())
            pDlg->OnOK();
        return AFX_MODAL_KEEP;
    }
};

}  // namespace qrvtest
