// The folder picker and its tree over a real store: what is listed, what may be chosen, clicks,
// the chosen folder, and the grey drawing with a picture of the dialog.
#include <wx/app.h>
#include <wx/treectrl.h>
#include <wx/weakref.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "language/LanguageSettings.h"
#include "platform/mapi/MAPITags.h"
#include "tests/platform_mapi/FolderShapes.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_dialogs/DialogFixture.h"
#include "ui/SelectMAPIFolderDlg.h"

using namespace dlgtest;

namespace {

class FolderPicker : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        if (IsSkipped())
            return;
        MakeProfile("P", "", "p.pst", "Personal");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "Personal");
        mapitest::Ref<IMAPIFolder> contacts(OpenNamedFolder(m_store, "Contacts"));
        m_friends = MakeFolder(contacts, "Friends", "IPF.Contact.Special");
        MakeFolder(contacts, "Upper", "ipf.contact");
        MakeFolder(contacts, "Plain", "");
        mapitest::Ref<IMAPIFolder> deleted(OpenNamedFolder(m_store, "Deleted Items"));
        MakeFolder(deleted, "Old contacts", "IPF.Contact");
        m_pDlg = std::make_unique<CSelectMAPIFolderDlg>(nullptr);
        ASSERT_EQ(S_OK, m_pDlg->Init(m_store, "IPF.Contact"));
    }
    void TearDown() override {
        m_pDlg.reset();
        m_store.reset();
        if (m_session.p != nullptr)
            m_session->Logoff(0, 0, 0);
        m_session.reset();
        DialogTest::TearDown();
    }

    static std::vector<std::string> Names(CTreeCtrl& tree, HTREEITEM hItem) {
        std::vector<std::string> names;
        for (; hItem != nullptr; hItem = tree.GetNextSiblingItem(hItem))
            names.emplace_back(tree.GetItemText(hItem).GetString());
        return names;
    }
    static int Selectable(CTreeCtrl& tree, const std::string& path) {
        HTREEITEM hItem = FindPath(tree, path);
        EXPECT_NE(nullptr, hItem) << path;
        auto* pData = hItem ? reinterpret_cast<CItemData*>(tree.GetItemData(hItem)) : nullptr;
        return pData != nullptr ? (int)pData->m_bSelectable : -1;
    }
    static int Image(CTreeCtrl& tree, const std::string& path) {
        HTREEITEM hItem = FindPath(tree, path);
        auto* pWx = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
        return hItem ? pWx->GetItemImage(wxTreeItemId(hItem)) : -100;
    }
    static BOOL OkEnabled(CWnd* pDlg) { return pDlg->GetDlgItem(IDOK)->IsWindowEnabled(); }
    static CSelectMAPIFolderDlg* Picker(CWnd* pDlg) { return dynamic_cast<CSelectMAPIFolderDlg*>(pDlg); }

    mapitest::Ref<IMAPISession> m_session;
    mapitest::Ref<IMsgStore> m_store;
    std::string m_friends;
    // A picker for contacts; tests of another filter make their own.
    std::unique_ptr<CSelectMAPIFolderDlg> m_pDlg;
};

TEST_F(FolderPicker, ListsTheFoldersSortedAndLetsChooseOnlyThoseOfTheType) {
    const struct {
        const char* pszClass;
        std::vector<const char*> choosable, grey;
    } cases[] = {{"IPF.Contact",
                  {"Contacts", "Contacts\\Friends"},
                  {"Contacts\\Upper", "Contacts\\Plain", "Inbox", "Calendar"}},
                 // Mails come from note folders and from folders without a class.
                 {"", {"Inbox", "Contacts\\Plain"}, {"Calendar", "Contacts"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszClass);
        CSelectMAPIFolderDlg dlg(nullptr);
        ASSERT_EQ(S_OK, dlg.Init(m_store, c.pszClass));
        OnModal([&c](CWnd* pDlg) {
            CTreeCtrl& tree = Picker(pDlg)->GetTree();
            std::vector<std::string> top = Names(tree, tree.GetRootItem());
            // Sorted, and without the waste basket and the junk folder.
            EXPECT_TRUE(std::is_sorted(top.begin(), top.end())) << ::testing::PrintToString(top);
            EXPECT_EQ(top.end(), std::find(top.begin(), top.end(), "Deleted Items"));
            for (const std::string& name : top)
                EXPECT_EQ(std::string::npos, name.find("Junk")) << name;
            EXPECT_NE(top.end(), std::find(top.begin(), top.end(), "Inbox"));
            for (const char* path : c.choosable)
                EXPECT_EQ(1, Selectable(tree, path)) << path;
            for (const char* path : c.grey)
                EXPECT_EQ(0, Selectable(tree, path)) << path;
            const std::pair<const char*, int> images[] = {
                {"Contacts", FOLDER_IMAGE_CONTACTS}, {"Inbox", FOLDER_IMAGE_MAIL},
                {"Sent Items", FOLDER_IMAGE_SENT},   {"Outbox", FOLDER_IMAGE_OUTBOX},
                {"Drafts", FOLDER_IMAGE_DRAFTS},     {"Calendar", FOLDER_IMAGE_CALENDAR},
                {"Tasks", FOLDER_IMAGE_TASKS},       {"Notes", FOLDER_IMAGE_NOTES},
                {"Journal", FOLDER_IMAGE_JOURNAL},   {"Contacts\\Plain", FOLDER_IMAGE_MAIL}};
            for (const auto& [path, image] : images)
                EXPECT_EQ(image, Image(tree, path)) << path;
            // Nothing is chosen yet.
            EXPECT_FALSE(OkEnabled(pDlg));
            return IDCANCEL;
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        SBinary key{0, nullptr};
        EXPECT_EQ(S_OK, dlg.GetSelectedFolderKey(&key));
        EXPECT_EQ(0u, key.cb);
    }
}

TEST_F(FolderPicker, ClicksEnableOkOnlyOnFoldersThatMayBeChosenAndOkHandsOutTheFolder) {
    OnModal([](CWnd* pDlg) {
        CMapiFolderTree& tree = Picker(pDlg)->GetTree();
        const CPoint nowhere(-5000, -5000);
        tree.SelectItem(FindPath(tree, "Contacts\\Friends"));
        tree.NotifyClick(NM_CLICK, nowhere);
        EXPECT_TRUE(OkEnabled(pDlg));
        tree.SelectItem(FindPath(tree, "Contacts\\Upper"));
        tree.NotifyClick(NM_CLICK, nowhere);
        EXPECT_FALSE(OkEnabled(pDlg));
        // Double-clicking a grey folder leaves the dialog open; so do Enter and OK.
        tree.NotifyClick(NM_DBLCLK, nowhere);
        EXPECT_FALSE(Picker(pDlg)->IsEnded());
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(Picker(pDlg)->IsEnded());
        // A double click with no item under the mouse takes the selection: a folder that may be
        // chosen enables OK but does not close the dialog.
        tree.SelectItem(FindPath(tree, "Contacts"));
        tree.NotifyClick(NM_DBLCLK, nowhere);
        EXPECT_TRUE(OkEnabled(pDlg));
        EXPECT_FALSE(Picker(pDlg)->IsEnded());

        // OK hands out the chosen folder and the check box; every item gave its record back
        // before the dialog ended.
        tree.SelectItem(FindPath(tree, "Contacts\\Friends"));
        dynamic_cast<CButton*>(pDlg->GetDlgItem(IDC_INCLUDE_SUBFOLDERS))->SetCheck(BST_CHECKED);
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(Picker(pDlg)->IsEnded());
        std::vector<HTREEITEM> pending{tree.GetRootItem()};
        int nItems = 0;
        while (!pending.empty()) {
            HTREEITEM hItem = pending.back();
            pending.pop_back();
            for (; hItem != nullptr; hItem = tree.GetNextSiblingItem(hItem), ++nItems) {
                EXPECT_EQ(0u, tree.GetItemData(hItem));
                pending.push_back(tree.GetChildItem(hItem));
            }
        }
        EXPECT_GT(nItems, 10);
        return AFX_MODAL_KEEP;
    });
    ASSERT_EQ(IDOK, m_pDlg->DoModal());
    SBinary key{0, nullptr};
    ASSERT_EQ(S_OK, m_pDlg->GetSelectedFolderKey(&key));
    EXPECT_EQ(m_friends, mapitest::Bytes(key));
    std::free(key.lpb);
    EXPECT_EQ(1u, m_pDlg->GetCheckState());
}

TEST_F(FolderPicker, TheTreeLetsGoOfTheDialogsImagesWhenTheDialogGoes) {
    // The dialog goes with the handler that made it, while the toolkit's tree lives until the
    // loop turns and still takes the rest of a double-click that chose a folder.
    auto* pDlg = new CSelectMAPIFolderDlg(nullptr);
    ASSERT_EQ(S_OK, pDlg->Init(m_store, "IPF.Contact"));
    wxWeakRef<wxTreeCtrl> wxTree;
    OnModal([&](CWnd* pWnd) {
        CMapiFolderTree& tree = Picker(pWnd)->GetTree();
        wxTree = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
        EXPECT_TRUE(wxTree && wxTree->GetImageList() != nullptr);
        tree.SelectItem(FindPath(tree, "Contacts\\Friends"));
        pWnd->SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(Picker(pWnd)->IsEnded());
        return AFX_MODAL_KEEP;
    });
    ASSERT_EQ(IDOK, pDlg->DoModal());
    delete pDlg;
    if (wxTree) {
        EXPECT_EQ(nullptr, wxTree->GetImageList());
        wxMouseEvent up(wxEVT_LEFT_UP);
        up.SetEventObject(wxTree.get());
        up.SetPosition(wxPoint(20, 10));
        wxTree->GetEventHandler()->ProcessEvent(up);
    }
    wxTheApp->ProcessPendingEvents();
}

TEST_F(FolderPicker, GreyAndWhiteTextComeFromTheItemRecordsAndShowInAPicture) {
    OnModal([](CWnd* pDlg) {
        CMapiFolderTree& tree = Picker(pDlg)->GetTree();
        EXPECT_EQ(GetDesktopColor(COLOR_GRAYTEXT), tree.m_clrGrayText);
        LRESULT lResult = 0;
        auto draw = [&tree, &lResult](DWORD dwStage, HTREEITEM hItem, UINT uState) {
            NMTVCUSTOMDRAW cd{};
            cd.nmcd.hdr.code = NM_CUSTOMDRAW;
            cd.nmcd.dwDrawStage = dwStage;
            cd.nmcd.uItemState = uState;
            cd.nmcd.lItemlParam = hItem ? (LPARAM)tree.GetItemData(hItem) : 0;
            cd.clrText = RGB(1, 2, 3);
            lResult = tree.NotifyParent(&cd.nmcd.hdr);
            return cd.clrText;
        };
        draw(CDDS_PREPAINT, nullptr, 0);
        EXPECT_EQ(CDRF_NOTIFYITEMDRAW, lResult);
        HTREEITEM hFriends = FindPath(tree, "Contacts\\Friends");
        HTREEITEM hUpper = FindPath(tree, "Contacts\\Upper");
        EXPECT_EQ(tree.m_clrNormalText, draw(CDDS_ITEMPREPAINT, hFriends, 0));
        EXPECT_EQ(CDRF_DODEFAULT, lResult);
        EXPECT_EQ(RGB(255, 255, 255), draw(CDDS_ITEMPREPAINT, hFriends, CDIS_SELECTED));
        EXPECT_EQ(tree.m_clrGrayText, draw(CDDS_ITEMPREPAINT, hUpper, 0));
        EXPECT_EQ(tree.m_clrGrayText, draw(CDDS_ITEMPREPAINT, hUpper, CDIS_SELECTED));
        // An item without a record keeps the colours it had.
        EXPECT_EQ(RGB(1, 2, 3), draw(CDDS_ITEMPREPAINT, nullptr, CDIS_SELECTED));
        EXPECT_EQ(CDRF_DODEFAULT, lResult);
        draw(CDDS_ITEMPOSTPAINT, hFriends, 0);
        EXPECT_EQ(CDRF_DODEFAULT, lResult);
        draw(CDDS_POSTPAINT, nullptr, 0);
        EXPECT_EQ(0, lResult);
        // The toolkit's tree shows the same colours.
        wxColour grey =
            dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow())->GetItemTextColour(wxTreeItemId(hUpper));
        EXPECT_EQ(tree.m_clrGrayText, RGB(grey.Red(), grey.Green(), grey.Blue()));

        // A picture of the dialog with a folder chosen, for a look by eye.
        tree.Expand(FindPath(tree, "Contacts"), TVE_EXPAND);
        tree.SelectItem(hFriends);
        tree.NotifyClick(NM_CLICK, CPoint(-5000, -5000));
        EXPECT_EQ("Select folder", Text(pDlg, 0));
        wxWindow* pWx = pDlg->GetWxWindow();
        pWx->Show();
        pWx->Raise();
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
        while (std::chrono::steady_clock::now() < end) {
            wxTheApp->Yield(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_GT(pWx->GetScreenRect().width, 200);
        qrvtest::SaveWindowPicture(pDlg, std::string(QRV_ARTIFACT_DIR) + "/quorvel-folder-picker.png");
        pWx->Hide();
        return IDCANCEL;
    });
    m_pDlg->DoModal();
}

TEST_F(FolderPicker, OpensOnAVeryDeepChainAndOnACycleOfFoldersListingEachFolderOnce) {
    MakeProfile("Deep", "", "deep.pst", "Deep");
    {
        mapitest::Ref<IMAPISession> session(Logon("Deep"));
        mapitest::Ref<IMsgStore> store(OpenStore(session, "Deep"));
        session->Logoff(0, 0, 0);
    }
    mapitest::MakeFolderChainBelowInbox("deep.pst");
    mapitest::MakeCycleThroughInbox("deep.pst");

    mapitest::Ref<IMAPISession> session(Logon("Deep"));
    mapitest::Ref<IMsgStore> store(OpenStore(session, "Deep"));
    CSelectMAPIFolderDlg dlg(nullptr);
    ASSERT_EQ(S_OK, dlg.Init(store, ""));
    // The fill, the colours of every item, choosing the deepest folder and OK, which gives back
    // every item's record, all walk the whole depth.
    OnModal([](CWnd* pDlg) {
        CTreeCtrl& tree = Picker(pDlg)->GetTree();
        int nDepth = 0;
        HTREEITEM hDeepest = nullptr;
        // The top of the tree is not listed again below Inbox, nor anything below it.
        for (HTREEITEM hItem = tree.GetChildItem(FindPath(tree, "Inbox")); hItem != nullptr;
             hItem = tree.GetChildItem(hItem), ++nDepth) {
            EXPECT_EQ(nullptr, tree.GetNextSiblingItem(hItem));
            hDeepest = hItem;
        }
        EXPECT_EQ(mapitest::kDeepChain, nDepth);
        EXPECT_NE(nullptr, FindPath(tree, "Calendar"));
        auto* pWx = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
        EXPECT_TRUE(pWx->GetItemTextColour(wxTreeItemId(hDeepest)).IsOk())
            << "the deepest item has its colour";
        // "*" on Inbox, and the toolkit's own opening of everything below it, open the branch as
        // deep as the tree can lay out and paint it.
        HTREEITEM hInbox = FindPath(tree, "Inbox");
        tree.SelectItem(hInbox);
        wxKeyEvent key(wxEVT_KEY_DOWN);
        key.m_keyCode = WXK_NUMPAD_MULTIPLY;
        pWx->ProcessWindowEvent(key);
        pWx->ExpandAllChildren(wxTreeItemId(hInbox));
        pWx->Refresh();
        pWx->Update();
        HTREEITEM hLevel = hInbox;
        for (int nLevel = 1; nLevel < CMapiFolderTree::kMaxOpenDepth; ++nLevel)
            hLevel = tree.GetChildItem(hLevel);
        EXPECT_TRUE(pWx->IsExpanded(wxTreeItemId(hLevel)));
        EXPECT_FALSE(pWx->IsExpanded(wxTreeItemId(tree.GetChildItem(hLevel))));
        tree.SelectItem(hDeepest);
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_EQ(0u, tree.GetItemData(hDeepest)) << "its record is given back";
        return AFX_MODAL_KEEP;
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, m_nModalRuns);
    SBinary key{0, nullptr};
    EXPECT_EQ(S_OK, dlg.GetSelectedFolderKey(&key));
    EXPECT_NE(0u, key.cb);
    std::free(key.lpb);
    session->Logoff(0, 0, 0);
}

TEST_F(FolderPicker, StarOpensTheBranchFromTheKeypadAndFromTheMainKeyboard) {
    {
        mapitest::Ref<IMAPIFolder> friends(OpenFolder(m_store, m_friends));
        MakeFolder(friends, "Close", "IPF.Contact");
    }
    // The keypad's key-down carries "*" itself; the main keyboard's carries "8" with Shift, and the
    // "*" comes with the character that the desktop sends after it.
    const struct {
        const char* pszKeys;
        int nDownKey;
        bool bShift;
    } cases[] = {{"keypad", WXK_NUMPAD_MULTIPLY, false}, {"shift+8", '8', true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszKeys);
        CSelectMAPIFolderDlg dlg(nullptr);
        ASSERT_EQ(S_OK, dlg.Init(m_store, "IPF.Contact"));
        OnModal([&c](CWnd* pDlg) {
            CTreeCtrl& tree = Picker(pDlg)->GetTree();
            auto* pWx = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
            HTREEITEM hContacts = FindPath(tree, "Contacts");
            tree.SelectItem(hContacts);
            wxKeyEvent down(wxEVT_KEY_DOWN);
            down.m_keyCode = c.nDownKey;
            down.m_shiftDown = c.bShift;
            down.SetEventObject(pWx);
            // The toolkit sends the character only for a key-down that nobody took.
            if (!pWx->GetEventHandler()->ProcessEvent(down) || down.GetSkipped()) {
                wxKeyEvent character(wxEVT_CHAR);
                character.m_keyCode = '*';
                character.m_uniChar = '*';
                character.m_shiftDown = c.bShift;
                character.SetEventObject(pWx);
                pWx->GetEventHandler()->ProcessEvent(character);
            }
            EXPECT_TRUE(pWx->IsExpanded(wxTreeItemId(hContacts)));
            EXPECT_TRUE(pWx->IsExpanded(wxTreeItemId(FindPath(tree, "Contacts\\Friends"))));
            EXPECT_FALSE(pWx->IsExpanded(wxTreeItemId(FindPath(tree, "Inbox"))));
            return IDCANCEL;
        });
        dlg.DoModal();
    }
}

TEST_F(FolderPicker, FailuresBeforeTheDialogIsSeen) {
    CSelectMAPIFolderDlg dlg(nullptr);
    EXPECT_EQ(E_INVALIDARG, dlg.Init(nullptr, "IPF.Contact"));
    // Without a store, or without its texts, the dialog closes as cancelled before it is seen.
    OnModal([](CWnd*) { return IDOK; });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    CloseLanguageModule();
    EXPECT_EQ(IDCANCEL, m_pDlg->DoModal());
    InitLanguageModule();
    EXPECT_EQ(0, m_nModalRuns);
    EXPECT_TRUE(m_boxes.empty());
}

}  // namespace
