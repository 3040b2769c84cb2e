// The results tests' fixture: mails in a real inbox, the page installed, tree walks and clicks.
#include "tests/ui_results/ResultsFixture.h"

#include <cstdio>
#include <deque>

#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "resources/FormResource.h"
#include "ui/FormViews.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {

namespace {

template <class T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p != nullptr)
            p->Release();
    }
};

// Opens the configuration's store in a session of its own.
struct StoreSession {
    Ref<IMAPISession> session;
    Ref<IMsgStore> mdb;
    explicit StoreSession(CConfigInfo* pConfig) {
        EXPECT_EQ(S_OK, MAPILogonEx(0, "work", nullptr,
                                    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED, &session.p));
        CStoreInfo* pStore = pConfig->GetStore(0);
        SBinary key{};
        EXPECT_EQ(S_OK, pStore->GetStoreKey(&key));
        pStore->Release();
        EXPECT_EQ(S_OK, session.p->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                                MAPI_BEST_ACCESS | MAPI_MODIFY, &mdb.p));
        free(key.lpb);
    }
    ~StoreSession() {
        mdb.p->Release();
        mdb.p = nullptr;
        session.p->Logoff(0, 0, 0);
    }
    IMAPIFolder* OpenFolder(const std::vector<BYTE>& id) {
        ULONG ulType = 0;
        LPUNKNOWN lpUnk = nullptr;
        EXPECT_EQ(S_OK, mdb.p->OpenEntry((ULONG)id.size(), (LPENTRYID)id.data(), nullptr, MAPI_MODIFY,
                                         &ulType, &lpUnk));
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
    LPENTRYID lpInbox = nullptr;
    ASSERT_EQ(S_OK, store.mdb.p->GetReceiveFolder(nullptr, 0, &cbInbox, &lpInbox, nullptr));
    m_inbox.assign(reinterpret_cast<BYTE*>(lpInbox), reinterpret_cast<BYTE*>(lpInbox) + cbInbox);
    MAPIFreeBuffer(lpInbox);
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
    IMAPIFolder* lpFolder = store.OpenFolder(m_inbox);
    LPMESSAGE lpMessage = nullptr;
    EXPECT_EQ(S_OK, lpFolder->CreateMessage(nullptr, 0, &lpMessage));
    std::vector<SPropValue> props;
    std::deque<std::string> texts;
    auto text = [&](ULONG tag, const std::string& value) {
        texts.push_back(value);
        SPropValue v{};
        v.ulPropTag = tag;
        v.Value.lpszA = texts.back().data();
        props.push_back(v);
    };
    text(PR_MESSAGE_CLASS, "IPM.Note");
    if (!mail.subject.empty())
        text(PR_SUBJECT, mail.subject);
    text(PR_SENDER_NAME, mail.sender);
    text(PR_SENDER_EMAIL_ADDRESS, mail.sender + "@example.org");
    SPropValue sent{};
    sent.ulPropTag = PR_CLIENT_SUBMIT_TIME;
    sent.Value.ft = FILETIME{0x10000000, 0x01D00000};
    props.push_back(sent);
    SPropValue modified{};
    modified.ulPropTag = PR_LAST_MODIFICATION_TIME;
    modified.Value.ft = FILETIME{mail.dwModified, mail.dwModifiedHigh};
    props.push_back(modified);
    EXPECT_EQ(S_OK, lpMessage->SetProps((ULONG)props.size(), props.data(), nullptr));
    EXPECT_EQ(S_OK, lpMessage->SaveChanges(0));
    SizedSPropTagArray(1, idTag) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpId = nullptr;
    EXPECT_EQ(S_OK, lpMessage->GetProps((LPSPropTagArray)&idTag, 0, &cValues, &lpId));
    std::vector<BYTE> id(lpId->Value.bin.lpb, lpId->Value.bin.lpb + lpId->Value.bin.cb);
    MAPIFreeBuffer(lpId);
    lpMessage->Release();
    lpFolder->Release();
    return id;
}

std::set<std::vector<BYTE>> ResultsFixture::LiveItems() {
    std::set<std::vector<BYTE>> items;
    StoreSession store(m_pConfig);
    IMAPIFolder* lpFolder = store.OpenFolder(m_inbox);
    LPMAPITABLE lpTable = nullptr;
    EXPECT_EQ(S_OK, lpFolder->GetContentsTable(0, &lpTable));
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    EXPECT_EQ(S_OK, lpTable->SetColumns((LPSPropTagArray)&columns, 0));
    LPSRowSet lpRows = nullptr;
    EXPECT_EQ(S_OK, lpTable->QueryRows(1000, 0, &lpRows));
    for (ULONG i = 0; lpRows != nullptr && i < lpRows->cRows; ++i) {
        const SBinary& bin = lpRows->aRow[i].lpProps[0].Value.bin;
        items.insert(std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb));
    }
    FreeProws(lpRows);
    lpTable->Release();
    lpFolder->Release();
    return items;
}

std::set<std::string> ResultsFixture::DeletedItems() {
    std::set<std::string> items;
    StoreSession store(m_pConfig);
    std::vector<CDeletedItem> deleted;
    EXPECT_EQ(S_OK, HrListDeletedItems(store.mdb.p, deleted));
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

CPoint ResultsFixture::LabelPoint(CSearchResultPP* pPage, HTREEITEM hItem) {
    CRect rc;
    EXPECT_TRUE(pPage->GetTree().GetItemRect(hItem, &rc, TRUE));
    CPoint pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    pPage->GetTree().ClientToScreen(&pt);
    return pt;
}

}  // namespace qrvtest
