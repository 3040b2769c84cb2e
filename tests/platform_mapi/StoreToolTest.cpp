// The administration tool: commands, JSON round trips, the generator and the demo.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tools/store/StoreTool.h"

namespace mapitest {
namespace {

class StoreTool : public MapiTest {
protected:
    int Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int code = qrvstore::RunStoreTool(args, out, err);
        m_out = out.str();
        m_err = err.str();
        return code;
    }
    std::string m_out;
    std::string m_err;
};

TEST_F(StoreTool, HelpSucceedsAndMistakesAreUsageErrors) {
    EXPECT_EQ(0, Run({"--help"}));
    EXPECT_NE(std::string::npos, m_out.find("item import"));
    EXPECT_EQ(2, Run({}));
    EXPECT_EQ(2, Run({"frobnicate"}));
    EXPECT_NE(std::string::npos, m_err.find("unknown command"));
    EXPECT_EQ(2, Run({"profile", "create"}));
    EXPECT_EQ(2, Run({"profile", "list", "extra"}));
    EXPECT_EQ(2, Run({"generate", "a.qst", "contact", "ten"}));
    EXPECT_EQ(2, Run({"generate", "a.qst", "contact", "10", "--duplicates", "1.5"}));
    EXPECT_EQ(2, Run({"profile", "create", "X", "--password"}));
    EXPECT_EQ(1, Run({"folder", "list", "missing.qst"}));
    EXPECT_NE(std::string::npos, m_err.find("MAPI_E_NOT_FOUND"));
}

TEST_F(StoreTool, ProfilesAndStoresAreAdministeredEndToEnd) {
    ASSERT_EQ(0, Run({"profile", "create", "Work"}));
    ASSERT_EQ(0, Run({"profile", "create", "Home", "--password", "pw"}));
    EXPECT_EQ(1, Run({"profile", "create", "work"}));
    ASSERT_EQ(0, Run({"store", "add", "Work", "main.qst", "--name", "Main"}));
    ASSERT_EQ(0, Run({"store", "add", "Work", "vault.qst", "--name", "Vault", "--password", "v"}));
    EXPECT_EQ(1, Run({"store", "add", "Home", "home.qst"})) << "the profile password is needed";
    ASSERT_EQ(0, Run({"store", "add", "Home", "home.qst", "--profile-password", "pw", "--password", "h",
                      "--remember"}));
    ASSERT_EQ(0, Run({"store", "list", "Work"}));
    EXPECT_EQ("* Main\n  Vault\n", m_out);
    ASSERT_EQ(0, Run({"store", "default", "Work", "Vault"}));
    ASSERT_EQ(0, Run({"store", "list", "Work"}));
    EXPECT_EQ("  Main\n* Vault\n", m_out);

    // A store added without --remember refuses to open until the service is given the password;
    // one added with it opens at once.
    Ref<IMAPISession> work(Logon("Work"));
    std::string vault = StoreEntryId(work, "Vault");
    LPUNKNOWN unknown = nullptr;
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenById(work.p, vault, 0, &unknown));
    Ref<IMAPISession> home(Logon("Home", "pw"));
    Ref<IMsgStore> store(OpenStore(home, "home"));
    EXPECT_NE(nullptr, store.p);
    store.reset();
    home.reset();
    work.reset();

    ASSERT_EQ(0, Run({"profile", "default", "Home"}));
    ASSERT_EQ(0, Run({"profile", "list"}));
    EXPECT_EQ("  Work\n* Home\n", m_out);
    ASSERT_EQ(0, Run({"profile", "remove", "Work"}));
    EXPECT_EQ(0, access(HrResolveStorePath("main.qst").c_str(), F_OK)) << "store files outlive their profile";
    EXPECT_EQ(1, Run({"profile", "remove", "Work"}));
}

TEST_F(StoreTool, ExportAndImportCarryEveryTypeAndNamedPropertiesAndAFaultyImportAddsNothing) {
    ASSERT_EQ(0, Run({"store", "create", "src.qst"}));
    ASSERT_EQ(0, Run({"store", "create", "dst.qst"}));
    // The source gets one item with a value of every type, standard and named, through the tool.
    const char* document = R"({"items": [ {"properties": [
      {"tag": "0x001A001E", "value": "IPM.Contact"},
      {"tag": "0x0037001F", "value": "Grüße"},
      {"tag": "0x66010002", "value": -3},
      {"tag": "0x66020003", "value": 123456},
      {"tag": "0x66030004", "value": 1.5},
      {"tag": "0x66040005", "value": 2.25},
      {"tag": "0x66050006", "value": 50000},
      {"tag": "0x66060007", "value": 40000.5},
      {"tag": "0x6607000B", "value": true},
      {"tag": "0x66080014", "value": 1099511627776},
      {"tag": "0x66090040", "value": "2024-02-29T12:34:56.0000001Z"},
      {"tag": "0x660A0048", "value": "00062004-0000-0000-C000-000000000046"},
      {"tag": "0x660B0102", "value": "00FF10"},
      {"tag": "0x660C1003", "value": [1, 2, 3]},
      {"tag": "0x660D101E", "value": ["a", "b"]},
      {"tag": "0x660E101F", "value": ["ü"]},
      {"tag": "0x660F1102", "value": ["01", ""]},
      {"tag": "0x66101040", "value": ["2000-01-01T00:00:00Z"]},
      {"tag": "0x66111048", "value": ["00020329-0000-0000-C000-000000000046"]},
      {"tag": "0x66121014", "value": [-1]},
      {"tag": "0x66131005", "value": [0.5]},
      {"guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8", "value": "a@b.c"},
      {"guid": "00020329-0000-0000-C000-000000000046", "name": "Keywords", "type": "PT_MV_UNICODE",
       "value": ["red", "blue"]} ]} ]})";
    std::string file = m_root->WriteFile("in.json", document);
    ASSERT_EQ(0, Run({"item", "import", "src.qst", "Contacts", file})) << m_err;
    ASSERT_EQ(0, Run({"item", "export", "src.qst", "Contacts"}));
    nlohmann::json first = nlohmann::json::parse(m_out);
    ASSERT_EQ(1u, first["items"].size());
    // Every value given comes back, in the same form.
    nlohmann::json given = nlohmann::json::parse(document)["items"][0]["properties"];
    for (const auto& entry : given) {
        bool found = false;
        for (const auto& got : first["items"][0]["properties"]) {
            found = found || got == entry;
        }
        EXPECT_TRUE(found) << entry.dump();
    }
    std::string exported = m_root->WriteFile("out.json", m_out);
    ASSERT_EQ(0, Run({"item", "import", "dst.qst", "Imported/Contacts", exported}));
    ASSERT_EQ(0, Run({"item", "export", "dst.qst", "Imported/Contacts"}));
    EXPECT_EQ(first, nlohmann::json::parse(m_out)) << "the round trip changes nothing";

    // A faulty file adds nothing, not even the items before the fault.
    std::string bad = m_root->WriteFile("bad.json", R"({"items": [
      {"properties": [{"tag": "0x0037001E", "value": "fine"}]},
      {"properties": [{"tag": "0x00170003", "value": "not a number"}]} ]})");
    EXPECT_EQ(1, Run({"item", "import", "dst.qst", "Inbox", bad}));
    EXPECT_NE(std::string::npos, m_err.find("item 2")) << m_err;
    EXPECT_NE(std::string::npos, m_err.find("integer")) << m_err;
    ASSERT_EQ(0, Run({"item", "list", "dst.qst", "Inbox"}));
    EXPECT_EQ("", m_out);
    EXPECT_EQ(1,
              Run({"item", "import", "dst.qst", "Inbox", m_root->WriteFile("broken.json", "{\"items\": [")}));
    EXPECT_NE(std::string::npos, m_err.find("not valid JSON"));
}

TEST_F(StoreTool, GeneratorIsDeterministicAndMakesTheAskedShareOfDuplicates) {
    ASSERT_EQ(0, Run({"store", "create", "a.qst"}));
    ASSERT_EQ(0, Run({"store", "create", "b.qst"}));
    for (const char* file : {"a.qst", "b.qst"}) {
        ASSERT_EQ(0, Run({"generate", file, "contact", "200", "--folders", "3", "--duplicates", "0.25",
                          "--seed", "7"}))
            << m_err;
        EXPECT_NE(std::string::npos, m_out.find("200 Contact items (50 duplicates) in 3 folder(s)")) << m_out;
    }
    std::string exportedA, exportedB;
    for (const char* folder : {"Contacts", "Contacts/Contacts 2", "Contacts/Contacts 3"}) {
        ASSERT_EQ(0, Run({"item", "export", "a.qst", folder}));
        exportedA += m_out;
        ASSERT_EQ(0, Run({"item", "export", "b.qst", folder}));
        exportedB += m_out;
    }
    EXPECT_EQ(exportedA, exportedB);
    // Duplicates share every catalog value with an earlier item: count distinct value sets.
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("a.qst", "", MAPI_BEST_ACCESS, &store));
    std::set<std::string> distinct;
    size_t total = 0;
    Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));
    for (const char* name : {"Contacts", "Contacts 2", "Contacts 3"}) {
        Ref<IMAPIFolder> folder(std::string(name) == "Contacts" ? OpenNamedFolder(store, name)
                                                                : OpenChildFolder(contacts, store, name));
        ASSERT_NE(nullptr, folder.p);
        Ref<IMAPITable> items(
            ContentsTable(folder, {PR_GIVEN_NAME_A, PR_SURNAME_A, PR_BUSINESS_TELEPHONE_NUMBER_A}));
        Rows rows;
        ASSERT_EQ(S_OK, items->QueryRows(1000, 0, &rows.p));
        for (ULONG i = 0; i < rows.p->cRows; ++i) {
            const SPropValue* p = rows.p->aRow[i].lpProps;
            distinct.insert(std::string(p[0].Value.lpszA) + "|" + p[1].Value.lpszA + "|" + p[2].Value.lpszA);
        }
        total += rows.p->cRows;
        EXPECT_GT(rows.p->cRows, 30u) << "items are spread over the folders";
    }
    EXPECT_EQ(200u, total);
    EXPECT_EQ(150u, distinct.size());
}

TEST_F(StoreTool, DeletedItemsAreListedRestoredAndPurged) {
    ASSERT_EQ(0, Run({"store", "create", "d.qst"}));
    ASSERT_EQ(0, Run({"generate", "d.qst", "note", "5", "--duplicates", "0"}));
    std::vector<std::string> ids;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        ids = ContentIds(notes);
        ASSERT_EQ(5u, ids.size());
        std::vector<SBinary> bins = {Bin(ids[0]), Bin(ids[1]), Bin(ids[2])};
        SBinaryArray list{3, bins.data()};
        ASSERT_EQ(S_OK, notes->DeleteMessages(&list, 0, nullptr, 0));
    }
    ASSERT_EQ(0, Run({"deleted", "list", "d.qst"}));
    EXPECT_EQ(3, std::count(m_out.begin(), m_out.end(), '\n'));
    EXPECT_NE(std::string::npos, m_out.find("\tNotes\tIPM.StickyNote\t"));
    std::string hex = m_out.substr(0, m_out.find('\t'));
    ASSERT_EQ(0, Run({"deleted", "restore", "d.qst", hex}));
    EXPECT_EQ("1 items restored.\n", m_out);
    ASSERT_EQ(0, Run({"deleted", "purge", "d.qst"}));
    EXPECT_EQ("2 items purged.\n", m_out);
    ASSERT_EQ(0, Run({"item", "list", "d.qst", "Notes"}));
    EXPECT_EQ(3, std::count(m_out.begin(), m_out.end(), '\n'));
    EXPECT_EQ(2, Run({"deleted", "restore", "d.qst", "XYZ"}));
}

TEST_F(StoreTool, DemoIsMadeOnceWithADefaultAndAProtectedStore) {
    ASSERT_EQ(0, Run({"demo"})) << m_err;
    ASSERT_EQ(0, Run({"demo"}));
    EXPECT_NE(std::string::npos, m_out.find("nothing to do"));
    ASSERT_EQ(0, Run({"store", "list", "Quorvel Demo"}));
    EXPECT_EQ("* Personal Folders\n  Archive\n", m_out);
    ASSERT_EQ(0, Run({"folder", "list", "Quorvel Demo.qst"}));
    EXPECT_NE(std::string::npos, m_out.find("Contacts\tIPF.Contact"));
    EXPECT_EQ(1, Run({"folder", "list", "Quorvel Demo Archive.qst"}));
    EXPECT_NE(std::string::npos, m_err.find("password"));
    EXPECT_EQ(0, Run({"folder", "list", "Quorvel Demo Archive.qst", "--password", "archive"}));
}

}  // namespace
}  // namespace mapitest
