// Building the form of the chosen configuration is work on the window's thread: the pointer shows
// it, and input made meanwhile goes with a sign, as during a search, instead of reaching the form
// that is leaving (out of use, gone when the work ends) without a word.
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPITestHooks.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"

namespace {

using qrvtest::ViewsFixture;

TEST_F(ViewsFixture, BuildingTheChosenFormIsABusyPeriod) {
    const auto ulContacts = (ULONG)List().GetItemData(1);
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(Doc()->GetConfiguration(ulContacts, &pConfig));
    AfxSetModalHook(ChooseDemoProfile);
    EXPECT_EQ(S_OK, pConfig->OnSelectProfile(Frame()));
    pConfig->Release();
    ClickRow(0);
    // The store check fails inside the build: its box is shown while the build runs.
    bool bBusy = false;
    int nWaits = 0;
    AfxSetMessageBoxHook([&](const AfxShownMessageBox&) {
        bBusy = CBusyPeriod::IsActive();
        nWaits = AfxGetWaitCursorCount();
        return IDOK;
    });
    CMAPITestHooks::FailQueryRows(1, E_OUTOFMEMORY);
    ClickRow(1);
    CMAPITestHooks::Reset();
    EXPECT_TRUE(bBusy);
    EXPECT_GT(nWaits, 0);
    EXPECT_FALSE(CBusyPeriod::IsActive());
    EXPECT_EQ(0, AfxGetWaitCursorCount());
}

}  // namespace
