// The results tests' fixture: mails in a real inbox, the page installed, tree walks and clicks.
#include "tests/ui_results/ResultsFixture.h"
#include "tests/support/RealInput.h"

#include <wx/toplevel.h>

#include <chrono>

#include "engine/EntryReference.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "resources/FormResource.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/PopupMenu.h"
#include "ui/ResultTree.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {

namespace {

using mapitest::Ref;

// Opens the configuration's store in a session of its own.
struct StoreSession {
    Ref<IMAPISession> session;
    Ref<IMsgStore> mdb;
    explicit StoreSession(CConfigInfo* pConfig) {
        EXPECT_EQ(S_OK, MAPILogonEx(0, "work", nullptr,
                                    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED, &session));
        Ref<CStoreInfo> store{pConfig->GetStore(0)};
        SBinary key{};
        EXPECT_EQ(S_OK, store->GetStoreKey(&key));
        EXPECT_EQ(S_OK, session->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                              MAPI_BEST_ACCESS | MAPI_MODIFY, &mdb));
        free(key.lpb);
    }
    ~StoreSession() {
        mdb.reset();
        session->Logoff(0, 0, 0);
    }
    IMAPIFolder* OpenFolder(const std::vector<BYTE>& id) {
        LPUNKNOWN lpUnk = nullptr;
        EXPECT_EQ(S_OK, mapitest::OpenById(mdb.p, std::string(id.begin(), id.end()), MAPI_MODIFY, &lpUnk));
        return static_cast<IMAPIFolder*>(lpUnk);
    }
};

}  // namespace

void ResultsFixture::SetUp() {
    FormsFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    InstallSearchResultPage();
    CConfigInfo* pConfig = MakeConfig(CONFIG_TYPE_MAIL, "Mails");
    ASSERT_NE(nullptr, pConfig);
    ChooseProfile(pConfig);
    AddInbox(pConfig);
    StoreSession store(pConfig);
    ULONG cbInbox = 0;
    mapitest::Buffer inbox;
    ASSERT_EQ(S_OK, store.mdb->GetReceiveFolder(nullptr, 0, &cbInbox, reinterpret_cast<LPENTRYID*>(&inbox.p),
                                                nullptr));
    m_inbox.assign(static_cast<BYTE*>(inbox.p), static_cast<BYTE*>(inbox.p) + cbInbox);
}

void ResultsFixture::TearDown() {
    CPopupMenu::SetTrackHook(nullptr);
    CResultTree::SetCursorPosHook(nullptr);
    CMAPITestHooks::Reset();
    SetSearchResultPageFactory(nullptr);
    FormsFixture::TearDown();
}

std::vector<BYTE> ResultsFixture::AddMail(const Mail& mail) {
    StoreSession store(m_pConfig);
    Ref<IMAPIFolder> folder{store.OpenFolder(m_inbox)};
    Ref<IMessage> message;
    EXPECT_EQ(S_OK, folder->CreateMessage(nullptr, 0, &message));
    const std::string email = mail.sender + "@example.org";
    std::vector<SPropValue> props(6);
    props[0].ulPropTag = PR_MESSAGE_CLASS;
    props[0].Value.lpszA = const_cast<char*>("IPM.Note");
    props[1].ulPropTag = PR_SENDER_NAME;
    props[1].Value.lpszA = const_cast<char*>(mail.sender.c_str());
    props[2].ulPropTag = PR_SENDER_EMAIL_ADDRESS;
    props[2].Value.lpszA = const_cast<char*>(email.c_str());
    props[3].ulPropTag = PR_CLIENT_SUBMIT_TIME;
    props[3].Value.ft = FILETIME{0x10000000, 0x01D00000};
    props[4].ulPropTag = PR_LAST_MODIFICATION_TIME;
    props[4].Value.ft = FILETIME{mail.dwModified, mail.dwModifiedHigh};
    props[5].ulPropTag = PR_SUBJECT;
    props[5].Value.lpszA = const_cast<char*>(mail.subject.c_str());
    EXPECT_EQ(S_OK, message->SetProps(mail.subject.empty() ? 5 : 6, props.data(), nullptr));
    EXPECT_EQ(S_OK, message->SaveChanges(0));
    ULONG cValues = 0;
    LPSPropValue lpId = nullptr;
    EXPECT_EQ(S_OK, message->GetProps(mapitest::Tags{PR_ENTRYID}, 0, &cValues, &lpId));
    std::vector<BYTE> id(lpId->Value.bin.lpb, lpId->Value.bin.lpb + lpId->Value.bin.cb);
    MAPIFreeBuffer(lpId);
    return id;
}

std::set<std::vector<BYTE>> ResultsFixture::LiveItems() {
    StoreSession store(m_pConfig);
    Ref<IMAPIFolder> folder{store.OpenFolder(m_inbox)};
    return mapitest::LiveEntryIds(folder);
}

std::set<std::string> ResultsFixture::DeletedItems() {
    std::set<std::string> items;
    StoreSession store(m_pConfig);
    std::vector<CDeletedItem> deleted;
    EXPECT_EQ(S_OK, HrListDeletedItems(store.mdb, deleted));
    for (const CDeletedItem& item : deleted)
        items.insert(item.m_entryId);
    return items;
}

CSearchResultPP* ResultsFixture::PageOf(FVPagedView* pView) {
    return dynamic_cast<CSearchResultPP*>(pView->GetSearchResultsPage());
}

CSearchResultPP* ResultsFixture::Start(FVPagedView* pView) {
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    Settle();
    return PageOf(pView);
}

std::vector<HTREEITEM> ResultsFixture::Roots(CTreeCtrl& tree) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM h = tree.GetRootItem(); h != nullptr; h = tree.GetNextSiblingItem(h))
        items.push_back(h);
    return items;
}

std::vector<HTREEITEM> ResultsFixture::Children(CTreeCtrl& tree, HTREEITEM hRoot) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM h = tree.GetChildItem(hRoot); h != nullptr; h = tree.GetNextSiblingItem(h))
        items.push_back(h);
    return items;
}

ItemInfo* ResultsFixture::Info(CTreeCtrl& tree, HTREEITEM hItem) {
    return reinterpret_cast<ItemInfo*>(tree.GetItemData(hItem));
}

HTREEITEM ResultsFixture::RootNamed(CSearchResultPP* pPage, const char* lpszText) {
    for (HTREEITEM h : Roots(pPage->GetTree()))
        if (pPage->GetTree().GetItemText(h) == lpszText)
            return h;
    return nullptr;
}

std::vector<BYTE> ResultsFixture::EntryOf(ItemInfo* pInfo) {
    SBinary id{};
    EXPECT_EQ(S_OK, pInfo->pEntry->GetEntryID(&id));
    std::vector<BYTE> bytes(id.lpb, id.lpb + id.cb);
    free(id.lpb);
    return bytes;
}

CPoint ResultsFixture::LabelPoint(CSearchResultPP* pPage, HTREEITEM hItem) {
    CRect rc;
    EXPECT_TRUE(pPage->GetTree().GetItemRect(hItem, &rc, TRUE));
    CPoint pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    pPage->GetTree().ClientToScreen(&pt);
    return pt;
}

bool ResultsFixture::ClickUntil(CWnd* pTarget, const CPoint& pt, bool bRightDouble,
                                const std::function<bool()>& bDone) {
    for (int nTry = 0; nTry < 5; ++nTry) {
        wxGetTopLevelParent(pTarget->GetWxWindow())->Raise();
        Settle(50);
        RealInput sim;
        sim.MouseMove(pt.x, pt.y);
        if (bRightDouble) {
            Settle(20);
            sim.MouseDblClick(wxMOUSE_BTN_RIGHT);
        } else {
            sim.MouseClick();
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            Settle(10);
            if (bDone())
                return true;
        }
    }
    return false;
}

void ResultsFixture::WaitOutRightClick(CResultTree* pTree) {
    Settle(CResultTree::GetDoubleClickTime() + 150);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pTree != nullptr && pTree->IsRightClickPending() && std::chrono::steady_clock::now() < end)
        Settle(10);
}

}  // namespace qrvtest
