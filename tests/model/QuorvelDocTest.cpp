// The document: its default configurations, the map, opening and saving ".qrv" files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <set>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/win32/MessageBox.h"
#include "tests/model/ArchiveBytes.h"
#include "tests/model/ConfigTestAccess.h"
#include "tests/model/PropTestSupport.h"
#include "tests/model/UiDoubles.h"
#include "tests/support/FailingFlush.h"
#include "tests/support/TempRoot.h"

using namespace qrvtest;

namespace {

// Answers every message box and remembers its caption and text.
class BoxRecorder {
public:
    BoxRecorder() {
        m_previous = SetMessageBoxHandler([this](HWND, const char* pszText, const char* pszCaption, UINT) {
            captions.push_back(pszCaption != nullptr ? pszCaption : "");
            texts.push_back(pszText != nullptr ? pszText : "");
            return IDOK;
        });
    }
    ~BoxRecorder() { SetMessageBoxHandler(m_previous); }
    std::vector<std::string> captions;
    std::vector<std::string> texts;

private:
    MessageBoxHandler m_previous;
};

struct ConfigSummary {
    ULONG ulID;
    DWORD dwType;
    std::string strName;
    bool operator==(const ConfigSummary&) const = default;
};

std::vector<ConfigSummary> Summarize(CQuorvelDoc& doc) {
    std::vector<ConfigSummary> result;
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    for (BOOL b = doc.GetFirstConfiguration(pos, &pConfig); b; b = doc.GetNextConfiguration(pos, &pConfig)) {
        result.push_back(
            {pConfig->GetConfigID(), pConfig->GetConfigType(), (LPCSTR)pConfig->GetConfigName()});
        EXPECT_EQ(&doc, pConfig->GetDocument());
        pConfig->Release();
    }
    return result;
}

// A document with one configuration of every type, stores, folders, properties and passwords.
void FillRichDocument(CQuorvelDoc& doc) {
    const char* names[] = {"", "Kontakte", "Termine", "Post", "Notizen", "Aufgaben", "Journal"};
    for (DWORD dwType = 1; dwType <= 6; ++dwType) {
        CConfigInfo* pConfig = nullptr;
        ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo(names[dwType], dwType, &doc, &pConfig));
        pConfig->SetCompareMode(dwType % 2);
        pConfig->SetProcessingMode(dwType == 6 ? 1 : 0);
        if (dwType == 2)
            pConfig->SetProfilePassword("geheim");
        for (int s = 0; s < (int)dwType % 3; ++s) {
            const std::string id = "store-" + std::to_string(dwType) + "-" + std::to_string(s);
            CStoreInfo* pStore = CConfigInfoTestAccess::AddStore(pConfig, id, "inst-" + id, id.c_str());
            for (int f = 0; f < s + 1; ++f) {
                const std::string folder = id + "/folder-" + std::to_string(f);
                pStore->AddFolder(nullptr, (ULONG)folder.size(),
                                  reinterpret_cast<const BYTE*>(folder.data()));
            }
        }
        // Flip a selection so that the saved flags differ from the defaults.
        CPropertyList* pList = nullptr;
        pConfig->GetPropertyList(&pList);
        if (pList != nullptr) {
            CPropertyID* pProp = nullptr;
            if (SUCCEEDED(pList->GetFirstProperty(&pProp)) && pProp != nullptr) {
                pProp->SetSelected(!pProp->IsSelected());
                pProp->Release();
            }
            pList->Release();
        }
        ASSERT_EQ(S_OK, doc.AddConfiguration(pConfig));
        pConfig->Release();
    }
}

// Document files below a fresh root; every message box is answered and remembered.
class QuorvelDocFile : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_root.Path() + "/" + name; }
    // Saves a document and gives back the bytes of its file.
    std::string Saved(CQuorvelDoc& doc, const std::string& name) {
        EXPECT_TRUE(doc.OnSaveDocument(Path(name).c_str()));
        return m_root.ReadFile(name);
    }

    TempRoot m_root;
    BoxRecorder m_boxes;
};

}  // namespace

TEST_F(QuorvelDocFile, NewDocumentHoldsTheFourDefaultConfigurations) {
    CQuorvelDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    const std::vector<ConfigSummary> configs = Summarize(doc);
    ASSERT_EQ(4u, configs.size());
    const DWORD types[] = {3, 1, 2, 5};
    const char* names[] = {"E-Mails", "Contacts", "Appointments", "Tasks"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(types[i], configs[i].dwType);
        EXPECT_EQ(names[i], configs[i].strName);
        EXPECT_TRUE(i == 0 || configs[i - 1].ulID < configs[i].ulID);
        CConfigInfo* pConfig = nullptr;
        ASSERT_TRUE(doc.GetConfiguration(configs[i].ulID, &pConfig));
        EXPECT_FALSE(pConfig->IsNewConfig());
        pConfig->Release();
    }
    EXPECT_EQ(0u, doc.GetCurrentConfigID());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.IsDeleteConfigurationEnabled());

    // Saved in that order: the first record after the count is a mail configuration.
    EXPECT_EQ(Dword(1) + Dword(4) + NewClassTag("CMailInfo"), Saved(doc, "new.qrv").substr(0, 8 + 15));
}

TEST(QuorvelDoc, MapOperations) {
    CQuorvelDoc doc;
    CConfigInfo* pConfig = reinterpret_cast<CConfigInfo*>(0x1);
    POSITION pos = reinterpret_cast<POSITION>(0x1);
    EXPECT_FALSE(doc.GetFirstConfiguration(pos, &pConfig));
    EXPECT_EQ(nullptr, pConfig);
    EXPECT_FALSE(doc.IsDeleteConfigurationEnabled());
    EXPECT_EQ(E_INVALIDARG, doc.AddConfiguration(nullptr));

    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("one", 4, &doc, &pConfig));
    EXPECT_EQ(S_OK, doc.AddConfiguration(pConfig));
    EXPECT_EQ(E_FAIL, doc.AddConfiguration(pConfig));  // its id is taken
    const ULONG ulID = pConfig->GetConfigID();
    pConfig->Release();
    EXPECT_FALSE(doc.GetConfiguration(ulID + 1000, &pConfig));
    EXPECT_EQ(nullptr, pConfig);
    doc.RemoveConfiguration(ulID + 1000);
    EXPECT_EQ(1, doc.GetConfigurationCount());
    doc.RemoveConfiguration(ulID);
    EXPECT_EQ(0, doc.GetConfigurationCount());
}

TEST(QuorvelDoc, ResetAndDeleteTalkToTheWindowsOnlyWhenThereAreAny) {
    FakeUiServices ui;
    CQuorvelDoc doc;
    doc.OnNewDocument();
    doc.SetCurrentConfigID(5);
    doc.OnDeleteConfiguration();
    doc.DeleteContents();
    EXPECT_TRUE(ui.mainCommands.empty());
    EXPECT_TRUE(ui.leftPaneCommands.empty());
    EXPECT_EQ(5u, doc.GetCurrentConfigID());

    ui.bMainWindow = TRUE;
    doc.OnNewDocument();
    doc.SetCurrentConfigID(5);
    doc.OnDeleteConfiguration();
    EXPECT_EQ(std::vector<UINT>{32773}, ui.leftPaneCommands);
    ui.mainCommands.clear();
    doc.DeleteContents();
    EXPECT_EQ(std::vector<UINT>{32771}, ui.mainCommands);
    EXPECT_EQ(0u, doc.GetCurrentConfigID());
    EXPECT_EQ(0, doc.GetConfigurationCount());
}

TEST_F(QuorvelDocFile, EmptyDocumentIsEightBytesAndOwnerOnly) {
    CQuorvelDoc doc;
    doc.SetModifiedFlag(TRUE);
    EXPECT_EQ(Dword(1) + Dword(0), Saved(doc, "empty.qrv"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(CString(Path("empty.qrv").c_str()), doc.GetPathName());
    EXPECT_EQ(CString("empty.qrv"), doc.GetTitle());
    struct stat st = {};
    ASSERT_EQ(0, stat(Path("empty.qrv").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);

    CQuorvelDoc loaded;
    loaded.OnNewDocument();
    ASSERT_TRUE(loaded.OnOpenDocument(Path("empty.qrv").c_str()));
    EXPECT_EQ(0, loaded.GetConfigurationCount());
    EXPECT_FALSE(loaded.IsModified());

    EXPECT_TRUE(m_boxes.captions.empty());
}

TEST_F(QuorvelDocFile, EverythingComesBackIdentical) {
    CQuorvelDoc doc;
    FillRichDocument(doc);
    const std::string bytes = Saved(doc, "rich.qrv");

    CQuorvelDoc loaded;
    ASSERT_TRUE(loaded.OnOpenDocument(Path("rich.qrv").c_str()));
    EXPECT_EQ(Summarize(doc), Summarize(loaded));
    CConfigInfo* pConfig = nullptr;
    ASSERT_TRUE(loaded.GetConfiguration(Summarize(doc)[1].ulID, &pConfig));
    EXPECT_EQ(CString("geheim"), pConfig->GetProfilePassword());
    EXPECT_EQ(2, pConfig->GetStoreCount());
    CStoreInfo* pStore = pConfig->GetStore(1);
    EXPECT_EQ(2, pStore->GetFolderCount());
    pStore->Release();
    pConfig->Release();
    EXPECT_EQ(bytes, Saved(loaded, "again.qrv"));
}

TEST_F(QuorvelDocFile, ACutFileNeverReplacesTheWholeOne) {
    CQuorvelDoc doc;
    FillRichDocument(doc);
    const std::string bytes = Saved(doc, "whole.qrv");
    const std::vector<ConfigSummary> all = Summarize(doc);

    const std::string strCut = Path("cut.qrv");
    size_t nFirstOpened = 0;
    for (size_t n = 1; n < bytes.size(); ++n) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        m_root.WriteFile("cut.qrv", bytes.substr(0, n));
        CQuorvelDoc loaded;
        m_boxes.captions.clear();
        const BOOL bOpened = loaded.OnOpenDocument(strCut.c_str());
        ASSERT_EQ(1u, m_boxes.captions.size());
        EXPECT_EQ("Failed to load file", m_boxes.captions[0]);
        const std::vector<ConfigSummary> kept = Summarize(loaded);
        if (!bOpened) {
            // Cut before its first whole configuration: nothing of it is taken.
            ASSERT_EQ(0u, nFirstOpened);
            EXPECT_TRUE(kept.empty());
            EXPECT_FALSE(loaded.IsModified());
            continue;
        }
        if (nFirstOpened == 0)
            nFirstOpened = n;
        // What was read whole stays; the document has no name, so a save must ask for one.
        ASSERT_FALSE(kept.empty());
        ASSERT_LT(kept.size(), all.size());
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), all.begin()));
        EXPECT_TRUE(loaded.GetPathName().IsEmpty());
        EXPECT_TRUE(loaded.IsModified());
    }
    EXPECT_GT(nFirstOpened, 8u);
    EXPECT_EQ(bytes.substr(0, bytes.size() - 1), m_root.ReadFile("cut.qrv"));
}

TEST_F(QuorvelDocFile, WrongVersionsAndDamagedFilesFailTheOpenAndKeepTheEarlierDocument) {
    CQuorvelDoc doc;
    FillRichDocument(doc);
    Saved(doc, "earlier.qrv");
    const std::vector<ConfigSummary> earlier = Summarize(doc);
    ASSERT_EQ(Path("earlier.qrv"), (LPCSTR)doc.GetPathName());

    // Another version, a damaged start, a foreign file, an unreadable one and a missing one.
    m_root.WriteFile("v2.qrv", Dword(2) + Dword(0));
    m_root.WriteFile("garbage.qrv", Dword(1) + Dword(3) + Hex("ff ff 07 00"));
    m_root.WriteFile("picture.qrv", Hex("89 50 4e 47 0d 0a 1a 0a 00 00 00 0d 49 48 44 52"));
    const std::string strLocked = m_root.WriteFile("locked.qrv", Dword(1) + Dword(0));
    chmod(strLocked.c_str(), 0);
    for (const char* name : {"v2.qrv", "garbage.qrv", "picture.qrv", "locked.qrv", "missing.qrv"}) {
        if (std::string(name) == "locked.qrv" && geteuid() == 0)
            continue;  // root reads anyway
        SCOPED_TRACE(name);
        m_boxes.captions.clear();
        m_boxes.texts.clear();
        EXPECT_FALSE(doc.OnOpenDocument(Path(name).c_str()));
        // Only a damaged document is "not a valid config file"; a file that cannot be read and
        // another version are passed on for the framework to report.
        const std::string strName = name;
        if (strName == "garbage.qrv") {
            EXPECT_EQ(std::vector<std::string>{"Failed to load file"}, m_boxes.captions);
            EXPECT_EQ(CQuorvelDoc::OpenFailure::None, doc.GetOpenFailure());
        } else {
            EXPECT_TRUE(m_boxes.captions.empty());
            EXPECT_EQ(strName == "locked.qrv" || strName == "missing.qrv"
                          ? CQuorvelDoc::OpenFailure::FileError
                          : CQuorvelDoc::OpenFailure::PassedOn,
                      doc.GetOpenFailure());
        }
        EXPECT_EQ(earlier, Summarize(doc));
        EXPECT_EQ(Path("earlier.qrv"), (LPCSTR)doc.GetPathName());
        EXPECT_EQ(CString("earlier.qrv"), doc.GetTitle());
        EXPECT_FALSE(doc.IsModified());
    }

    // A configuration record of version 2 inside a good document.
    CQuorvelDoc one;
    CConfigInfo* pConfig = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("x", 5, &one, &pConfig));
    one.AddConfiguration(pConfig);
    pConfig->Release();
    std::string bytes = Saved(one, "v2.qrv");
    bytes.replace(8 + NewClassTag("CTaskInfo").size(), 4, Dword(2));
    m_root.WriteFile("v2.qrv", bytes);
    m_boxes.texts.clear();
    EXPECT_FALSE(doc.OnOpenDocument(Path("v2.qrv").c_str()));
    EXPECT_TRUE(m_boxes.texts.empty());
    EXPECT_EQ(CQuorvelDoc::OpenFailure::PassedOn, doc.GetOpenFailure());
    EXPECT_EQ(earlier, Summarize(doc));

    // An item type, a compare or a processing mode out of its range is a damaged document, and so
    // is an empty file, as a failed copy leaves it.
    const size_t nType = 8 + NewClassTag("CTaskInfo").size() + 3 * 4;
    const size_t nModes = nType + 4 + 2;
    std::vector<std::string> damaged = {""};
    for (auto [nOffset, dwBad] :
         {std::pair{nType, 0u}, {nType, 7u}, {nType, 99u}, {nModes, 2u}, {nModes + 4, 2u}}) {
        std::string bad = bytes;
        bad.replace(8 + NewClassTag("CTaskInfo").size(), 4, Dword(1));
        ASSERT_EQ(Dword(nOffset == nType ? 5 : 0), bad.substr(nOffset, 4));
        damaged.push_back(bad.replace(nOffset, 4, Dword(dwBad)));
    }
    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        m_root.WriteFile("damaged.qrv", damaged[i]);
        m_boxes.captions.clear();
        m_boxes.texts.clear();
        EXPECT_FALSE(doc.OnOpenDocument(Path("damaged.qrv").c_str()));
        EXPECT_EQ(std::vector<std::string>{"Failed to load file"}, m_boxes.captions);
        EXPECT_EQ(std::vector<std::string>{"The configuration file you requested could not be loaded. The "
                                           "file was not a valid config file."},
                  m_boxes.texts);
        EXPECT_EQ(earlier, Summarize(doc));
        EXPECT_EQ(Path("earlier.qrv"), (LPCSTR)doc.GetPathName());
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST_F(QuorvelDocFile, RepeatedIdsAndRecordsAreKeptApart) {
    CQuorvelDoc doc;
    CConfigInfo* pA = nullptr;
    CConfigInfo* pB = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("first", 1, &doc, &pA));
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("second", 2, &doc, &pB));
    doc.AddConfiguration(pA);
    doc.AddConfiguration(pB);
    const ULONG ulA = pA->GetConfigID();
    const ULONG ulB = pB->GetConfigID();
    pA->Release();
    pB->Release();
    const std::string bytes = Saved(doc, "ids.qrv");
    const size_t nSecond = bytes.find(NewClassTag("CAppointmentInfo"));
    ASSERT_NE(std::string::npos, nSecond);
    auto open = [&](const std::string& file) {
        m_root.WriteFile("ids.qrv", file);
        CQuorvelDoc loaded;
        EXPECT_TRUE(loaded.OnOpenDocument(Path("ids.qrv").c_str()));
        EXPECT_FALSE(loaded.IsModified());
        return Summarize(loaded);
    };

    // Give the second record the first one's id: both stay, the later one renumbered.
    std::string same = bytes;
    same.replace(nSecond + NewClassTag("CAppointmentInfo").size() + 4, 4, Dword(ulA));
    std::vector<ConfigSummary> configs = open(same);
    ASSERT_EQ(2u, configs.size());
    EXPECT_EQ((ConfigSummary{ulA, 1, "first"}), configs[0]);
    EXPECT_EQ("second", configs[1].strName);
    EXPECT_GT(configs[1].ulID, ulB);

    // A stream that names the same record twice holds one configuration.
    EXPECT_EQ(1u, open(Dword(1) + Dword(2) + bytes.substr(8, nSecond - 8) + Hex("02 00")).size());
    // A null slot is skipped and still counted.
    EXPECT_EQ(1u, open(Dword(1) + Dword(2) + Hex("00 00") + bytes.substr(8, nSecond - 8)).size());
}

TEST_F(QuorvelDocFile, AFailedSaveLeavesTheOldFile) {
    const std::string strPath = m_root.WriteFile("locked/doc.qrv", "old contents");
    const std::string strDir = Path("locked");
    CQuorvelDoc doc;
    doc.OnNewDocument();
    doc.SetModifiedFlag(TRUE);
    ASSERT_EQ(0, chmod(strDir.c_str(), 0500));
    if (geteuid() != 0) {  // root writes anyway
        EXPECT_FALSE(doc.OnSaveDocument(strPath.c_str()));
        EXPECT_EQ("old contents", m_root.ReadFile("locked/doc.qrv"));
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(1u, m_boxes.captions.size());
    }
    chmod(strDir.c_str(), 0700);
    // A target that is a directory cannot be replaced either; no temporary file stays behind.
    const std::string strBusy = strDir + "/busy.qrv";
    ASSERT_TRUE(std::filesystem::create_directory(strBusy));
    EXPECT_FALSE(doc.OnSaveDocument(strBusy.c_str()));
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(strDir))
        entries.insert(entry.path().filename().string());
    EXPECT_EQ((std::set<std::string>{"busy.qrv", "doc.qrv"}), entries);
    EXPECT_EQ("old contents", m_root.ReadFile("locked/doc.qrv"));
    EXPECT_TRUE(std::filesystem::is_directory(strBusy));
    // Nor can a file in a folder that does not exist.
    EXPECT_FALSE(doc.OnSaveDocument((strDir + "/none/doc.qrv").c_str()));
    // A save whose rename never reached the disk is not done: it says so and stays to be saved.
    m_boxes.captions.clear();
    {
        FailingFlush failing(S_IFDIR, EIO);
        EXPECT_FALSE(doc.OnSaveDocument(strPath.c_str()));
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(1u, m_boxes.captions.size());
    EXPECT_TRUE(doc.GetPathName().IsEmpty());
}

TEST_F(QuorvelDocFile, SaveWritesThroughLinksAndNeverOverAReadOnlyFile) {
    // The failure box shows the system's text for the error.
    proptest::LoadTestLanguage(m_root, 6301, {"134\tError", "135\t%1"});
    struct LanguageClose {
        ~LanguageClose() { proptest::CloseTestLanguage(); }
    } closeLanguage;
    CQuorvelDoc doc;
    doc.OnNewDocument();
    const std::string strSaved = Saved(doc, "reference.qrv");

    // A link is written through to its target, also one whose target does not exist yet.
    const std::string strReal = m_root.WriteFile("real/doc.qrv", "old contents");
    ASSERT_EQ(0, symlink("real/doc.qrv", Path("link.qrv").c_str()));
    ASSERT_EQ(0, symlink(Path("real/new.qrv").c_str(), Path("dangling.qrv").c_str()));
    for (const char* name : {"link.qrv", "dangling.qrv"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(doc.OnSaveDocument(Path(name).c_str()));
        EXPECT_TRUE(std::filesystem::is_symlink(Path(name)));
        EXPECT_EQ(Path(name), (LPCSTR)doc.GetPathName());
    }
    EXPECT_EQ(strSaved, m_root.ReadFile("real/doc.qrv"));
    EXPECT_EQ(strSaved, m_root.ReadFile("real/new.qrv"));

    // A read-only file is refused with the access-denied box, and stays as it was.
    m_root.WriteFile("readonly.qrv", "protected");
    ASSERT_EQ(0, chmod(Path("readonly.qrv").c_str(), 0444));
    doc.SetModifiedFlag(TRUE);
    m_boxes.texts.clear();
    EXPECT_FALSE(doc.OnSaveDocument(Path("readonly.qrv").c_str()));
    EXPECT_EQ("protected", m_root.ReadFile("readonly.qrv"));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(1u, m_boxes.texts.size());
    EXPECT_NE(std::string::npos, m_boxes.texts[0].find("Access is denied.")) << m_boxes.texts[0];
    // The same through a link.
    ASSERT_EQ(0, symlink("readonly.qrv", Path("to-readonly.qrv").c_str()));
    EXPECT_FALSE(doc.OnSaveDocument(Path("to-readonly.qrv").c_str()));
    EXPECT_EQ("protected", m_root.ReadFile("readonly.qrv"));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("to-readonly.qrv")));

    // A folder that does not exist is named as the path that cannot be found.
    m_boxes.texts.clear();
    EXPECT_FALSE(doc.OnSaveDocument(Path("none/doc.qrv").c_str()));
    ASSERT_EQ(1u, m_boxes.texts.size());
    EXPECT_NE(std::string::npos, m_boxes.texts[0].find("cannot find the path")) << m_boxes.texts[0];
}

TEST_F(QuorvelDocFile, SaveRemovesOnlyItsOwnLeftoverTemporaryFiles) {
    CQuorvelDoc doc;
    doc.OnNewDocument();
    // What a save killed before its rename leaves, and names that only look alike.
    const std::vector<std::string> leftovers = {".doc.qrv.Ab3xZ9", ".doc.qrv.000000"};
    const std::vector<std::string> others = {".doc.qrv.Ab3xZ",  ".doc.qrv.Ab3xZ99",  ".doc.qrv.Ab-xZ9",
                                             "doc.qrv.Ab3xZ9",  ".other.qrv.Ab3xZ9", ".doc.qrv.Ab3xZ9.bak",
                                             ".xdoc.qrv.Ab3xZ9"};
    for (const std::string& name : leftovers)
        m_root.WriteFile(name, "partial");
    for (const std::string& name : others)
        m_root.WriteFile(name, "keep");
    ASSERT_TRUE(std::filesystem::create_directory(Path(".doc.qrv.Dir123")));

    EXPECT_TRUE(doc.OnSaveDocument(Path("doc.qrv").c_str()));
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(m_root.Path()))
        entries.insert(entry.path().filename().string());
    std::set<std::string> expected(others.begin(), others.end());
    expected.insert({"doc.qrv", ".doc.qrv.Dir123"});
    EXPECT_EQ(expected, entries);
}
