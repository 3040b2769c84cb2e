// The store and folder operations of the General page against real profiles and stores: the
// password loop, adding folders through the picker, vanished folders and removing folders.
#include <wx/eventfilter.h>
#include <wx/window.h>

#include <algorithm>

#include "engine/DrawerMapList.h"
#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/ObjectMap.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPITags.h"
#include "tests/platform_mapi/FolderShapes.h"
#include "tests/ui_dialogs/DialogFixture.h"
#include "ui/ProfileDialog.h"
#include "ui/SelectMAPIFolderDlg.h"
#include "ui/StoreFolderSelection.h"
#include "ui/StorePasswordDlg.h"

using namespace dlgtest;

namespace {

const UINT IDD_TEST_PAGE = 60001;

// A stand-in for the General page: its two lists in a window, and counters of what was asked.
class CTestPage : public IStoreFolderPage {
public:
    CWnd* GetPageWindow() override { return &m_wnd; }
    CConfigInfo* GetPageConfiguration() override { return m_pConfig; }
    CListBox* GetStoreList() override { return dynamic_cast<CListBox*>(m_wnd.GetDlgItem(1025)); }
    CListBox* GetFolderList() override { return dynamic_cast<CListBox*>(m_wnd.GetDlgItem(1017)); }
    BOOL ConfirmDiscardResults() override {
        ++m_nConfirm;
        return m_bConfirm;
    }
    void EnableDialog() override { ++m_nEnable; }

    CDialog m_wnd;
    CConfigInfo* m_pConfig = nullptr;
    BOOL m_bConfirm = TRUE;
    int m_nConfirm = 0;
    int m_nEnable = 0;
};

class StoreFolderSelection : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        if (IsSkipped())
            return;
        const DWORD dwList = WS_CHILD | LBS_SORT | LBS_NOTIFY;
        DLGTEMPLATEDEF page{IDD_TEST_PAGE, WS_POPUP | WS_CAPTION, 0, 0, 0, 300, 200,
                            "Page",        "MS Sans Serif",       8, {}};
        page.items = {{"LISTBOX", "", 1025, 7, 7, 130, 80, dwList},
                      {"LISTBOX", "", 1017, 150, 7, 130, 80, dwList}};
        AfxRegisterDialogTemplate(page);
        ASSERT_TRUE(m_page.m_wnd.Create(IDD_TEST_PAGE, nullptr));
        MakeProfile("P", "", "personal.pst", "Personal");
        m_vault = AddStore("P", "", "vault.pst", "Vault", "pw");
        mapitest::Ref<IMAPISession> session(Logon("P"));
        mapitest::Ref<IMsgStore> store(OpenStore(session, "Personal"));
        mapitest::Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));
        m_contacts = BinaryProp(contacts, PR_ENTRYID);
        MakeFolder(contacts, "Friends", "IPF.Contact.Special");
        m_upper = MakeFolder(contacts, "Upper", "ipf.contact");
        std::string plain = MakeFolder(contacts, "Plain", "");
        mapitest::Ref<IMAPIFolder> plainFolder(OpenFolder(store, plain));
        MakeFolder(plainFolder, "Deep", "IPF.Contact");
        mapitest::Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        m_receipts = MakeFolder(inbox, "Receipts", "IPF.Note");
        std::string people = MakeFolder(inbox, "People", "IPF.Contact");
        mapitest::Ref<IMAPIFolder> peopleFolder(OpenFolder(store, people));
        MakeFolder(peopleFolder, "Letters", "IPF.Note");
        session->Logoff(0, 0, 0);
    }
    void TearDown() override {
        if (m_page.m_pConfig != nullptr)
            m_page.m_pConfig->Release();
        m_page.m_pConfig = nullptr;
        if (m_page.m_wnd.GetSafeHwnd() != nullptr)
            m_page.m_wnd.DestroyWindow();
        DialogTest::TearDown();
    }

    // A configuration of the type on profile "P", its stores listed on the page.
    void MakeConfig(DWORD dwType) {
        ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("C", dwType, &m_doc, &m_page.m_pConfig));
        OnModal([](CWnd* pDlg) {
            pDlg->SendMessage(WM_COMMAND, IDOK, 0);
            return AFX_MODAL_KEEP;
        });
        ASSERT_EQ(S_OK, m_page.m_pConfig->OnSelectProfile(nullptr));
        ASSERT_EQ(2, m_page.m_pConfig->GetStoreCount());
        ASSERT_EQ(S_OK, m_selection.FillStoreList());
        m_doc.SetModifiedFlag(FALSE);
        m_nModalRuns = 0;
    }
    void SelectStore(const std::string& name) {
        CListBox* pStores = m_page.GetStoreList();
        pStores->SetCurSel(pStores->FindStringExact(-1, name.c_str()));
        m_selection.OnSelchangeStoreList();
    }
    CStoreInfo* Store(const std::string& name) {
        for (int i = 0; i < m_page.m_pConfig->GetStoreCount(); ++i) {
            CStoreInfo* pStore = m_page.m_pConfig->GetStore(i);
            pStore->Release();
            if (std::string(pStore->GetStoreName()) == name)
                return pStore;
        }
        return nullptr;
    }
    std::vector<std::string> Folders() { return ListTexts(&m_page.m_wnd, 1017); }
    // Adds a folder through the picker, choosing a path with or without its sub-folders.
    void AddFolder(const std::string& path, bool bSubFolders, CStoreFolderSelection* pSelection = nullptr) {
        OnModal([path, bSubFolders](CWnd* pDlg) {
            auto* pPicker = dynamic_cast<CSelectMAPIFolderDlg*>(pDlg);
            EXPECT_NE(nullptr, pPicker);
            if (pPicker == nullptr)
                return IDCANCEL;
            HTREEITEM hItem = FindPath(pPicker->GetTree(), path);
            EXPECT_NE(nullptr, hItem) << path;
            pPicker->GetTree().SelectItem(hItem);
            dynamic_cast<CButton*>(pDlg->GetDlgItem(IDC_INCLUDE_SUBFOLDERS))->SetCheck(bSubFolders);
            pDlg->SendMessage(WM_COMMAND, IDOK, 0);
            return AFX_MODAL_KEEP;
        });
        (pSelection != nullptr ? pSelection : &m_selection)->OnAddFolder();
    }

    CQuorvelDoc m_doc;
    CTestPage m_page;
    CStoreFolderSelection m_selection{&m_page};
    std::string m_vault, m_contacts, m_upper, m_receipts;
};

TEST_F(StoreFolderSelection, StoreListShowsTheDefaultStoreAndAProtectedStoreAsksUntilThePasswordFits) {
    CStoreFolderSelection none(&m_page);
    EXPECT_EQ(E_INVALIDARG, none.FillStoreList());
    MakeConfig(1);
    EXPECT_EQ((std::vector<std::string>{"Personal", "Vault"}), ListTexts(&m_page.m_wnd, 1025));
    CListBox* pStores = m_page.GetStoreList();
    ASSERT_GE(pStores->GetCurSel(), 0);
    CStoreInfo* pDefault = m_page.m_pConfig->GetStore((int)pStores->GetItemData(pStores->GetCurSel()));
    EXPECT_EQ(pDefault, Store("Personal"));
    pDefault->Release();

    // A cancelled password ends quietly, and nothing of the other store stays behind in the list.
    SelectStore("Personal");
    AddFolder("Contacts", false);
    EXPECT_EQ((std::vector<std::string>{"Contacts"}), Folders());
    m_nModalRuns = 0;
    OnModal([](CWnd*) { return IDCANCEL; });
    SelectStore("Vault");
    EXPECT_EQ(1, m_nModalRuns);
    EXPECT_TRUE(Folders().empty());
    EXPECT_FALSE(Store("Vault")->IsPasswordProtected());

    // A wrong password asks again, each time with an empty field.
    m_nModalRuns = 0;
    std::vector<std::string> answers{"wrong", "pw"};
    OnModal([&answers](CWnd* pDlg) {
        EXPECT_EQ((UINT)IDD_STORE_PASSWORD, dynamic_cast<CDialog*>(pDlg)->GetTemplateID());
        EXPECT_EQ("", Text(pDlg, IDC_STORE_PWD_EDIT));
        if (answers.empty())
            return IDCANCEL;
        pDlg->GetDlgItem(IDC_STORE_PWD_EDIT)->SetWindowText(answers.front().c_str());
        answers.erase(answers.begin());
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        return AFX_MODAL_KEEP;
    });
    SelectStore("Vault");
    EXPECT_EQ(2, m_nModalRuns);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ("pw", std::string(Store("Vault")->GetPassword()));
    CStoreInfo* pCurrent = m_page.m_pConfig->GetStore(m_page.m_pConfig->GetCurrentStoreIndex());
    EXPECT_EQ(Store("Vault"), pCurrent);
    pCurrent->Release();

    // The password stays with the store object: the next selection opens without asking.
    SelectStore("Personal");
    SelectStore("Vault");
    EXPECT_EQ(2, m_nModalRuns);
}

TEST_F(StoreFolderSelection, AddingWithSubFoldersTakesTheFoldersOfTheType) {
    MakeConfig(1);
    SelectStore("Personal");
    int nEnable = m_page.m_nEnable;
    AddFolder("Contacts", true);
    EXPECT_EQ(1, m_page.m_nConfirm);
    EXPECT_GT(m_page.m_nEnable, nEnable);
    // The walk compares whole classes ignoring case, and goes on below folders it passes over.
    EXPECT_EQ((std::vector<std::string>{"Contacts", "Contacts\\Plain\\Deep", "Contacts\\Upper"}), Folders());
    EXPECT_EQ(3, Store("Personal")->GetFolderCount());
    EXPECT_TRUE(m_doc.IsModified());

    // Adding a folder already held changes nothing but still counts as a change.
    m_doc.SetModifiedFlag(FALSE);
    AddFolder("Contacts", false);
    EXPECT_EQ(3, Store("Personal")->GetFolderCount());
    EXPECT_TRUE(m_doc.IsModified());

    // A refused confirmation opens no picker.
    m_page.m_bConfirm = FALSE;
    m_nModalRuns = 0;
    m_selection.OnAddFolder();
    EXPECT_EQ(0, m_nModalRuns);
}

TEST_F(StoreFolderSelection, AddingAMailTreeTakesTheReceiveFolderAndNoteFolders) {
    MakeConfig(3);
    SelectStore("Personal");
    AddFolder("Inbox", true);
    EXPECT_EQ((std::vector<std::string>{"Inbox", "Inbox\\People\\Letters", "Inbox\\Receipts"}), Folders());
}

TEST_F(StoreFolderSelection, TheSubFolderWalkGoesAnyDepthAndTakesEachFolderOfACycleOnce) {
    mapitest::MakeFolderChainBelowInbox("personal.pst");
    mapitest::MakeCycleThroughInbox("personal.pst");
    MakeConfig(1);
    SelectStore("Personal");
    mapitest::Ref<IMAPISession> session(Logon("P"));
    mapitest::Ref<IMsgStore> store(OpenStore(session, "Personal"));
    CObjectMap known;
    auto insert = [&](const char* pszName) {
        std::string id = BinaryProp(mapitest::Ref<IMAPIFolder>(OpenNamedFolder(store, pszName)), PR_ENTRYID);
        EXPECT_EQ(S_OK, m_selection.InsertSubFolders(&known, session, store, Store("Personal"),
                                                     (ULONG)id.size(), mapitest::Bin(id).lpb));
    };
    // Below Inbox lie the chain and, through the cycle, the top of the tree, which lies above
    // Inbox as well and is no sub-folder of it.
    insert("Inbox");
    SelectStore("Personal");
    EXPECT_EQ((std::vector<std::string>{"Inbox\\People"}), Folders());
    insert("Contacts");
    session->Logoff(0, 0, 0);
    SelectStore("Personal");
    EXPECT_EQ(
        (std::vector<std::string>{"Contacts", "Contacts\\Plain\\Deep", "Contacts\\Upper", "Inbox\\People"}),
        Folders());
    EXPECT_EQ(4, Store("Personal")->GetFolderCount());
}

TEST_F(StoreFolderSelection, TheSubFolderWalkTakesNoFolderAboveTheChosenOneWhereverTheCycleRuns) {
    // The top of the tree becomes a child of Inbox\People\Letters: below People the walk meets
    // People's grandparent, and through it folders that are no sub-folders of People.
    mapitest::MakeCycleThroughInbox("personal.pst", "Letters");
    MakeConfig(1);
    SelectStore("Personal");
    AddFolder("Inbox\\People", true);
    EXPECT_EQ((std::vector<std::string>{"Inbox\\People"}), Folders());
    EXPECT_EQ(1, Store("Personal")->GetFolderCount());
}

TEST_F(StoreFolderSelection, TheListShowsEveryFolderThatIsSearchedAndEachCanBeRemoved) {
    // A chain deeper than a path names, and a chosen folder that no path leads to.
    const int nChain = FOLDER_PATH_MAX_DEPTH + 6;
    mapitest::MakeFolderChainBelowInbox("personal.pst", nChain);
    mapitest::MakeFolderItsOwnParent("personal.pst", "Receipts");
    MakeConfig(3);
    SelectStore("Personal");
    AddFolder("Inbox", true);
    ASSERT_EQ(S_OK, Store("Personal")
                        ->AddFolder(3, nullptr, (ULONG)m_receipts.size(),
                                    reinterpret_cast<const BYTE*>(m_receipts.data())));
    SelectStore("Personal");

    const std::string cut = FOLDER_PATH_CUT_MARK;
    std::vector<std::string> expected = {"Inbox", "Inbox\\People\\Letters", cut + "\\Receipts"};
    std::string path = "Inbox";
    for (int nDepth = 2; nDepth <= nChain + 1; ++nDepth) {
        path += "\\f";
        if (nDepth <= FOLDER_PATH_MAX_DEPTH)
            expected.push_back(path);
        else
            expected.push_back(cut + path.substr(path.size() - 2 * FOLDER_PATH_MAX_DEPTH));
    }
    std::vector<std::string> listed = Folders();
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(expected, listed);
    ASSERT_EQ((int)expected.size(), Store("Personal")->GetFolderCount());

    // A folder listed by a cut path is removed like any other.
    CListBox* pFolders = m_page.GetFolderList();
    for (const std::string& text : {cut + "\\Receipts", expected.back()}) {
        pFolders->SetCurSel(pFolders->FindStringExact(-1, text.c_str()));
        m_selection.OnDelFolder();
    }
    EXPECT_EQ((int)expected.size() - 2, Store("Personal")->GetFolderCount());
    EXPECT_EQ((int)expected.size() - 2, pFolders->GetCount());
    EXPECT_EQ(LB_ERR, pFolders->FindStringExact(-1, (cut + "\\Receipts").c_str()));
}

// What the user sees while the sub-folder walk runs: the pointer, and the page window drawn.
class CWatchedSelection : public CStoreFolderSelection, public wxEventFilter {
public:
    using CStoreFolderSelection::CStoreFolderSelection;
    HRESULT InsertSubFolders(CObjectMap* pKnown, LPMAPISESSION lpSession, LPMDB lpMDB, CStoreInfo* pStore,
                             ULONG cbEntryID, LPBYTE lpbEntryID) override {
        m_bBusy = CBusyPeriod::IsActive();
        m_nWaitCursors = AfxGetWaitCursorCount();
        wxWindow* pPage = m_pPage->GetPageWindow()->GetWxWindow();
        pPage->Show();
        pPage->Refresh();
        wxEvtHandler::AddFilter(this);
        HRESULT hr =
            CStoreFolderSelection::InsertSubFolders(pKnown, lpSession, lpMDB, pStore, cbEntryID, lpbEntryID);
        wxEvtHandler::RemoveFilter(this);
        pPage->Hide();
        return hr;
    }
    int FilterEvent(wxEvent& event) override {
        auto* pWx = dynamic_cast<wxWindow*>(event.GetEventObject());
        if (event.GetEventType() == wxEVT_PAINT && pWx != nullptr &&
            wxGetTopLevelParent(pWx) == m_pPage->GetPageWindow()->GetWxWindow())
            ++m_nPaints;
        return Event_Skip;
    }

    bool m_bBusy = false;
    int m_nWaitCursors = 0;
    int m_nPaints = 0;
};

TEST_F(StoreFolderSelection, TheSubFolderWalkIsABusyPeriodThatKeepsTheWindowDrawn) {
    mapitest::MakeFolderChainBelowInbox("personal.pst", 5000);
    MakeConfig(3);
    SelectStore("Personal");
    CWatchedSelection watched(&m_page);
    AddFolder("Inbox", true, &watched);
    EXPECT_TRUE(watched.m_bBusy);
    EXPECT_GT(watched.m_nWaitCursors, 0);
    EXPECT_GT(watched.m_nPaints, 0) << "the window was not drawn while the walk ran";
    EXPECT_FALSE(CBusyPeriod::IsActive());
    EXPECT_EQ(0, AfxGetWaitCursorCount());
    EXPECT_EQ(5000 + 3, Store("Personal")->GetFolderCount());
}

TEST_F(StoreFolderSelection, VanishedFoldersAreDroppedAndTheRestStayInStep) {
    MakeConfig(1);
    SelectStore("Personal");
    AddFolder("Contacts", false);
    // An id of this store that names no folder any more.
    std::string gone = m_upper;
    for (size_t i = gone.size() - 8; i < gone.size() - 1; ++i)
        gone[i] = '\x7e';
    CStoreInfo* pPersonal = Store("Personal");
    ASSERT_EQ(S_OK, pPersonal->AddFolder(1, nullptr, (ULONG)gone.size(), (LPBYTE)gone.data()));
    ASSERT_EQ(S_OK, pPersonal->AddFolder(1, nullptr, (ULONG)m_upper.size(), (LPBYTE)m_upper.data()));
    ASSERT_EQ(3, pPersonal->GetFolderCount());

    m_doc.SetModifiedFlag(FALSE);
    m_page.m_pConfig->SetSearchResult(new CDrawerMapList(0, 4));
    m_selection.OnSelchangeStoreList();
    ASSERT_EQ(1u, m_boxes.size());
    CDrawerMapList* pCached = nullptr;
    m_page.m_pConfig->GetSearchResult(&pCached);
    EXPECT_EQ(nullptr, pCached);
    EXPECT_EQ("Folder vanished", m_boxes[0].caption);
    EXPECT_EQ((std::vector<std::string>{"Contacts", "Contacts\\Upper"}), Folders());
    EXPECT_EQ(2, pPersonal->GetFolderCount());
    EXPECT_TRUE(m_doc.IsModified());

    // The entry behind the dropped folder removes the folder it shows.
    CListBox* pFolders = m_page.GetFolderList();
    pFolders->SetCurSel(pFolders->FindStringExact(-1, "Contacts\\Upper"));
    m_selection.OnDelFolder();
    ASSERT_EQ(1, pPersonal->GetFolderCount());
    CFolderInfo* pLeft = nullptr;
    ASSERT_EQ(S_OK, pPersonal->GetFolder(0, &pLeft));
    SBinary key{0, nullptr};
    ASSERT_EQ(S_OK, pLeft->GetFolderKey(&key));
    EXPECT_EQ(m_contacts, mapitest::Bytes(key));
    std::free(key.lpb);
    pLeft->Release();
    EXPECT_EQ((std::vector<std::string>{"Contacts"}), Folders());
    EXPECT_EQ(LB_ERR, pFolders->GetCurSel());
}

TEST_F(StoreFolderSelection, RemovingActsOnlyOnTheStoreTheListWasFilledFrom) {
    MakeConfig(1);
    ASSERT_EQ(S_OK, RememberPassword("P", m_vault, "pw", true));
    SelectStore("Vault");
    AddFolder("Contacts", false);
    SelectStore("Personal");
    AddFolder("Contacts", false);
    ASSERT_EQ(1, Store("Vault")->GetFolderCount());
    ASSERT_EQ(1, Store("Personal")->GetFolderCount());

    // The store list moves on without the folder list being refilled (as after a profile change).
    CListBox* pStores = m_page.GetStoreList();
    pStores->SetCurSel(pStores->FindStringExact(-1, "Vault"));
    m_page.GetFolderList()->SetCurSel(0);
    m_selection.OnDelFolder();
    EXPECT_EQ(1, Store("Vault")->GetFolderCount());
    EXPECT_EQ(1, Store("Personal")->GetFolderCount());
    EXPECT_TRUE(Folders().empty());
}

TEST_F(StoreFolderSelection, TheProfileAlreadyChosenKeepsFoldersAndPasswordsAndAnotherEmptiesTheFolderList) {
    MakeConfig(1);
    MakeProfile("Q", "", "other.pst", "Other");
    SelectStore("Personal");
    AddFolder("Contacts", false);
    Store("Vault")->SetPassword("pw");
    m_doc.SetModifiedFlag(FALSE);
    // The chooser comes up on the configuration's profile; OK takes it as it is.
    OnModal([](CWnd* pDlg) {
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        return AFX_MODAL_KEEP;
    });
    ASSERT_EQ(S_OK, m_page.m_pConfig->OnSelectProfile(nullptr));
    ASSERT_EQ(S_OK, m_selection.FillStoreList());
    EXPECT_EQ((std::vector<std::string>{"Contacts"}), Folders());
    EXPECT_EQ(1, Store("Personal")->GetFolderCount());
    EXPECT_EQ(CString("pw"), Store("Vault")->GetPassword());
    EXPECT_FALSE(m_doc.IsModified());

    OnModal([](CWnd* pDlg) {
        auto* pList = dynamic_cast<CListBox*>(pDlg->GetDlgItem(IDC_PROFILE_LIST));
        pList->SetCurSel(pList->FindStringExact(-1, "Q"));
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        return AFX_MODAL_KEEP;
    });
    ASSERT_EQ(S_OK, m_page.m_pConfig->OnSelectProfile(nullptr));
    ASSERT_EQ(S_OK, m_selection.FillStoreList());
    EXPECT_EQ((std::vector<std::string>{"Other"}), ListTexts(&m_page.m_wnd, 1025));
    EXPECT_TRUE(Folders().empty());
    EXPECT_TRUE(m_doc.IsModified());
}

}  // namespace
