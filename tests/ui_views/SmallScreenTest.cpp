// On a small screen (this program runs on its own 800 x 600 display) the main window fits the
// work area, and every control of every page of a form view can be scrolled into view and clicked.
#include <wx/display.h>
#include <wx/scrolwin.h>
#include <wx/statbox.h>
#include <wx/utils.h>

#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPIX.h"
#include "resources/FormResource.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/RealInput.h"
#include "tests/support/ToolkitEnvironment.h"
#include "tests/ui_views/ViewsFixture.h"
#include "tools/store/Generator.h"
#include "ui/FormViews.h"
#include "ui/MainFrm.h"
#include "ui/ProfileDialog.h"
#include "ui/QuorvelView.h"
#include "ui/SelectionMarkListCtrl.h"

namespace {

using mapitest::Ref;

class SmallScreenTest : public qrvtest::ViewsFixture {
protected:
    void SetUp() override {
        if (qrvtest::ToolkitRunning() && wxGetDisplaySize().x > 1024)
            GTEST_SKIP() << "for small screens: ctest runs it on a display of its own";
        ViewsFixture::SetUp();
    }

    // The toolkit scrolls a form whose controls do not all show (the other pages') when the
    // test's scrolling or a control's focus asks, and complains of every hidden one it moves.
    qrvtest::ToolkitComplaintsExpected m_scrollingHiddenControls;

    // The contacts configuration on the demo profile, its contacts folder chosen: Start is enabled.
    void MakeSearchable() {
        CConfigInfo* pConfig = nullptr;
        ASSERT_TRUE(Doc()->GetConfiguration((ULONG)List().GetItemData(1), &pConfig));
        AfxSetModalHook(ChooseDemoProfile);
        ASSERT_EQ(S_OK, pConfig->OnSelectProfile(Frame()));
        AfxSetModalHook(nullptr);
        ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
        Ref<IMAPISession> session;
        ASSERT_EQ(S_OK, MAPILogonEx(0, const_cast<char*>("Quorvel Demo"), nullptr,
                                    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED, &session.p));
        Ref<CStoreInfo> store{pConfig->GetStore(0)};
        SBinary key{};
        ASSERT_EQ(S_OK, store->GetStoreKey(&key));
        Ref<IMsgStore> mdb;
        ASSERT_EQ(S_OK, session->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                              MAPI_BEST_ACCESS, &mdb.p));
        free(key.lpb);
        Ref<IMAPIFolder> folder{qrvstore::OpenOrMakeFolder(mdb.p, "Contacts", "IPF.Contact")};
        mapitest::Buffer id;
        ULONG cValues = 0;
        ASSERT_EQ(S_OK, folder->GetProps(mapitest::Tags{PR_ENTRYID}, 0, &cValues,
                                         reinterpret_cast<LPSPropValue*>(&id.p)));
        const SBinary& eid = static_cast<LPSPropValue>(id.p)->Value.bin;
        ASSERT_EQ(S_OK, store->AddFolder(mdb.p, eid.cb, eid.lpb));
        Ref<CPropertyList> list;
        Ref<CPropertyID> prop;
        ASSERT_EQ(S_OK, pConfig->GetPropertyList(&list.p));
        ASSERT_TRUE(SUCCEEDED(list->GetFirstProperty(&prop.p)) && prop.p != nullptr);
        prop->SetSelected(TRUE);
        folder.reset();
        mdb.reset();
        session->Logoff(0, 0, 0);
        session.reset();
        MAPIUninitialize();
        pConfig->Release();
    }

    FVPagedView* Form() const { return dynamic_cast<FVPagedView*>(Right()->GetCurrentForm()); }

    void SelectTab(int nTab) {
        Form()->GetTabCtrl().SetCurSel(nTab);
        NMHDR hdr{};
        hdr.code = TCN_SELCHANGE;
        Form()->GetTabCtrl().NotifyParent(&hdr);
        Settle(30);
    }

    // Scrolls the form as its scroll bars would until the middle of pWnd shows; that point on
    // the screen, where a click goes to pWnd.
    wxPoint Reach(wxWindow* pWnd) {
        wxWindow* pForm = Form()->GetWxWindow();
        const wxRect rc = pWnd->GetScreenRect();
        wxPoint centre(rc.x + rc.width / 2, rc.y + rc.height / 2);
        if (auto* pScroll = dynamic_cast<wxScrollHelper*>(pForm)) {
            int ppuX = 1, ppuY = 1;
            pScroll->GetScrollPixelsPerUnit(&ppuX, &ppuY);
            const wxPoint inForm = pScroll->CalcUnscrolledPosition(pForm->ScreenToClient(centre));
            const wxSize client = pForm->GetClientSize();
            pScroll->Scroll(std::max(0, inForm.x - client.x / 2) / std::max(ppuX, 1),
                            std::max(0, inForm.y - client.y / 2) / std::max(ppuY, 1));
            Settle(10);
            const wxRect now = pWnd->GetScreenRect();
            centre = wxPoint(now.x + now.width / 2, now.y + now.height / 2);
        }
        return centre;
    }

    // Every control showing on the current page (and the form's own) is reached and takes clicks.
    void ExpectEveryControlReachable(const std::string& where) {
        std::vector<wxWindow*> leaves;
        std::vector<wxWindow*> todo{Form()->GetWxWindow()};
        while (!todo.empty()) {
            wxWindow* p = todo.back();
            todo.pop_back();
            bool bShownChild = false;
            for (wxWindow* c : p->GetChildren())
                if (c->IsShown() && !c->IsTopLevel()) {
                    todo.push_back(c);
                    bShownChild = true;
                }
            // Group boxes are covered by what they group; containers (the tabs' empty pages) by
            // the pages over them.
            if (!bShownChild && p != Form()->GetWxWindow() && dynamic_cast<wxStaticBox*>(p) == nullptr &&
                p->GetClassInfo() != wxCLASSINFO(wxPanel) && p->IsShownOnScreen())
                leaves.push_back(p);
        }
        ASSERT_GE(leaves.size(), 3u) << where;
        const wxRect screen = wxDisplay().GetGeometry();
        for (wxWindow* pCtrl : leaves) {
            const wxPoint pt = Reach(pCtrl);
            const wxRect form = Form()->GetWxWindow()->GetScreenRect();
            SCOPED_TRACE(where + ": " + wxString(pCtrl->GetClassInfo()->GetClassName()).ToStdString() + " " +
                         std::to_string(pCtrl->GetId()) + " \"" + pCtrl->GetLabel().ToStdString() + "\" at " +
                         std::to_string(pt.x) + "," + std::to_string(pt.y));
            EXPECT_TRUE(screen.Contains(pt));
            EXPECT_TRUE(form.Contains(pt));
            wxWindow* pHit = wxFindWindowAtPoint(pt);
            while (pHit != nullptr && pHit != pCtrl)
                pHit = pHit->GetParent();
            EXPECT_EQ(pCtrl, pHit);
        }
    }
};

TEST_F(SmallScreenTest, WindowFitsTheWorkAreaAndEveryControlOfEveryPageCanBeReachedAndClicked) {
    const wxRect work = wxDisplay().GetClientArea();
    ASSERT_LE(work.width, 1024);
    CRect rcFrame;
    Frame()->GetWindowRect(&rcFrame);
    EXPECT_TRUE(work.Contains(wxRect(rcFrame.left, rcFrame.top, rcFrame.Width(), rcFrame.Height())))
        << rcFrame.left << "," << rcFrame.top << " " << rcFrame.Width() << "x" << rcFrame.Height();

    MakeSearchable();
    for (int nRow : {0, 2, 3, 1}) {
        ClickRow(nRow);
        ASSERT_NE(nullptr, Form()) << nRow;
        Frame()->ShowWindow(SW_SHOW);
        Settle(50);
        for (int nTab = 0; nTab < Form()->GetTabCtrl().GetItemCount(); ++nTab) {
            SelectTab(nTab);
            ExpectEveryControlReachable("row " + std::to_string(nRow) + ", tab " + std::to_string(nTab));
        }
    }

    // The Start button of the searchable configuration, clicked with the real pointer.
    CWnd* pStart = Form()->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    ASSERT_TRUE(pStart->IsWindowEnabled());
    Frame()->GetWxWindow()->Raise();
    const wxPoint pt = Reach(pStart->GetWxWindow());
    qrvtest::RealInput sim;
    sim.MouseMove(pt.x, pt.y);
    Settle(50);
    sim.MouseClick();
    for (int i = 0; i < 100 && Form()->GetSearchResultsPage() == nullptr; ++i)
        Settle(20);
    ASSERT_NE(nullptr, Form()->GetSearchResultsPage());
    SelectTab(2);
    ExpectEveryControlReachable("search results");
}

}  // namespace
