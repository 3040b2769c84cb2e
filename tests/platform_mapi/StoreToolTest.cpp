// The administration tool: commands, JSON round trips, the generator and the demo.
#include <sqlite3.h>
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
    // A folder's entry id in hex, as the tool writes entry ids.
    std::string BinaryFolderId(const std::string& file, const std::string& name) {
        Ref<IMsgStore> store;
        EXPECT_EQ(S_OK, HrOpenStoreFile(file, "", 0, &store));
        Ref<IMAPIFolder> folder(OpenNamedFolder(store, name, 0));
        std::string hex;
        for (unsigned char c : BinaryProp(folder, PR_ENTRYID)) {
            static const char* const digits = "0123456789ABCDEF";
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        return hex;
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

TEST_F(StoreTool, AnImportedNumberThatDoesNotFitItsTypeIsNamedAndTheImportAddsNothing) {
    ASSERT_EQ(0, Run({"store", "create", "n.qst"}));
    ASSERT_EQ(0, Run({"folder", "list", "n.qst"}));
    const std::string folders = m_out;
    const std::pair<const char*, const char*> cases[] = {
        {R"({"tag": "0x66010002", "value": 70000})", "property 2 (0x66010002): 70000 does not fit PT_I2"},
        {R"({"tag": "0x66020003", "value": 4294967297})", "property 2 (0x66020003): 4294967297 does not fit"},
        {R"({"guid": "00062004-0000-0000-C000-000000000046", "id": 99999999999, "type": "PT_LONG", "value": 1})",
         "property 2 (00062004-0000-0000-C000-000000000046 id 99999999999): 99999999999 does not fit"},
    };
    for (const auto& [property, says] : cases) {
        std::string file = m_root->WriteFile(
            "wide.json", std::string(R"({"items": [ {"properties": [{"tag": "0x0037001E", "value": "fine"}]},
              {"properties": [ {"guid": "00020329-0000-0000-C000-000000000046", "name": "New", "type": "PT_LONG",
                "value": 1}, )") +
                             property + "]} ]}");
        EXPECT_EQ(1, Run({"item", "import", "n.qst", "Fresh", file}));
        EXPECT_NE(std::string::npos, m_err.find(std::string("item 2, ") + says)) << m_err;
        ASSERT_EQ(0, Run({"folder", "list", "n.qst"}));
        EXPECT_EQ(folders, m_out) << "not even the folder is made";
    }
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("n.qst", "", 0, &store));
    GUID set = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    std::u16string name = u"New";
    MAPINAMEID id{&set, MNID_STRING, {}};
    id.Kind.lpwstrName = name.data();
    LPMAPINAMEID names[1] = {&id};
    Buffer tags;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED,
              store->GetIDsFromNames(1, names, 0, reinterpret_cast<LPSPropTagArray*>(&tags.p)))
        << "no named id was kept";
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

// The entry ids of a folder's items, as "item list" shows them.
std::vector<std::string> ListedIds(const std::string& listing) {
    std::vector<std::string> ids;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        ids.push_back(line.substr(0, line.find('\t')));
    }
    return ids;
}

TEST_F(StoreTool, ItemsAreDeletedSoftOrHardAndOnePropertyIsChangedOrNothingIs) {
    ASSERT_EQ(0, Run({"store", "create", "i.qst"}));
    ASSERT_EQ(0, Run({"generate", "i.qst", "note", "4", "--duplicates", "0"}));
    ASSERT_EQ(0, Run({"item", "list", "i.qst", "Notes"}));
    std::vector<std::string> ids = ListedIds(m_out);
    ASSERT_EQ(4u, ids.size());
    const std::string guid = "00062004-0000-0000-C000-000000000046";

    ASSERT_EQ(0, Run({"item", "set", "i.qst", ids[0], "0x0037001F", "Grüße: 42"})) << m_err;
    ASSERT_EQ(0, Run({"item", "set", "i.qst", ids[0], "0x66010002", "-32768"})) << m_err;
    ASSERT_EQ(0, Run({"item", "set", "i.qst", ids[0], guid + ":32899:PT_STRING8", "a@b.c"})) << m_err;
    ASSERT_EQ(0, Run({"item", "set", "i.qst", ids[0], guid + ":urn:x:Tags:PT_MV_LONG", "[1, 2]"})) << m_err;
    ASSERT_EQ(0, Run({"item", "export", "i.qst", "Notes"}));
    const std::string changed = m_out;
    nlohmann::json properties = nlohmann::json::parse(changed)["items"][0]["properties"];
    for (
        const char* expected :
        {R"({"tag": "0x0037001F", "value": "Grüße: 42"})", R"({"tag": "0x66010002", "value": -32768})",
         R"({"guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8", "value": "a@b.c"})",
         R"({"guid": "00062004-0000-0000-C000-000000000046", "name": "urn:x:Tags", "type": "PT_MV_LONG",
              "value": [1, 2]})"}) {
        EXPECT_NE(properties.end(),
                  std::find(properties.begin(), properties.end(), nlohmann::json::parse(expected)))
            << expected;
    }

    // Each refusal names the cause and changes nothing.
    struct CBad {
        std::vector<std::string> m_args;
        const char* m_says;
    };
    std::string gone = ids[3].substr(0, ids[3].size() - 16) + "6300000000000000";
    const CBad refused[] = {
        {{"0x66020003", "4294967297"}, "does not fit PT_LONG"},
        {{"0x66010002", "70000"}, "does not fit PT_I2"},
        {{guid + ":99999999999:PT_LONG", "1"}, "does not fit the 32-bit id"},
        {{"0xZZ", "1"}, "not the tag"},
        {{"0x0FFF0102", "00"}, "keeps this property itself"},
        {{guid + ":1:PT_NOPE", "1"}, "type"},
    };
    for (const CBad& bad : refused) {
        std::vector<std::string> args = {"item", "set", "i.qst", ids[0]};
        args.insert(args.end(), bad.m_args.begin(), bad.m_args.end());
        EXPECT_NE(0, Run(args)) << bad.m_args[0];
        EXPECT_NE(std::string::npos, m_err.find(bad.m_says)) << m_err;
    }
    EXPECT_EQ(1, Run({"item", "set", "i.qst", gone, "0x0037001E", "x"}));
    EXPECT_NE(std::string::npos, m_err.find("no item")) << m_err;
    EXPECT_EQ(2, Run({"item", "set", "i.qst", "XYZ", "0x0037001E", "x"}));
    EXPECT_EQ(2, Run({"item", "set", "i.qst", ids[0], guid + "::PT_LONG", "1"}));
    EXPECT_EQ(2, Run({"item", "set", "i.qst", ids[0], "0x66020003", "{"}));
    EXPECT_EQ(1, Run({"item", "delete", "i.qst", ids[1], gone})) << "one unknown id deletes none";
    ASSERT_EQ(0, Run({"item", "export", "i.qst", "Notes"}));
    EXPECT_EQ(changed, m_out);

    // Soft deletion keeps the item recoverable, hard deletion does not.
    ASSERT_EQ(0, Run({"item", "delete", "i.qst", ids[1], ids[2]})) << m_err;
    ASSERT_EQ(0, Run({"item", "delete", "i.qst", ids[3], "--hard"})) << m_err;
    ASSERT_EQ(0, Run({"item", "list", "i.qst", "Notes"}));
    EXPECT_EQ(std::vector<std::string>{ids[0]}, ListedIds(m_out));
    ASSERT_EQ(0, Run({"deleted", "list", "i.qst"}));
    EXPECT_EQ((std::vector<std::string>{ids[1], ids[2]}), ListedIds(m_out));
    EXPECT_EQ(1, Run({"item", "delete", "i.qst", ids[1]})) << "a deleted item is deleted once";
    std::string folder = BinaryFolderId("i.qst", "Notes");
    EXPECT_EQ(1, Run({"item", "delete", "i.qst", folder}));
    EXPECT_NE(std::string::npos, m_err.find("not the entry id of an item")) << m_err;
}

TEST_F(StoreTool, FoldersAreRenamedAndDeletedWithEverythingBelowButStandardFoldersStay) {
    ASSERT_EQ(0, Run({"store", "create", "f.qst"}));
    ASSERT_EQ(0, Run({"folder", "make", "f.qst", "Projects/Old/Deep"}));
    std::string items = m_root->WriteFile("items.json", R"({"items": [
      {"properties": [{"tag": "0x0037001E", "value": "a"}]},
      {"properties": [{"tag": "0x0037001E", "value": "b"}]} ]})");
    ASSERT_EQ(0, Run({"item", "import", "f.qst", "Projects/Old/Deep", items}));
    ASSERT_EQ(0, Run({"item", "import", "f.qst", "Projects/Old", items}));
    ASSERT_EQ(0, Run({"item", "list", "f.qst", "Projects/Old/Deep"}));
    ASSERT_EQ(0, Run({"item", "delete", "f.qst", ListedIds(m_out)[0]}));

    ASSERT_EQ(0, Run({"folder", "list", "f.qst"}));
    const std::string before = m_out;
    const std::vector<std::vector<std::string>> refused = {
        {"folder", "delete", "f.qst", "Inbox"},
        {"folder", "rename", "f.qst", "Contacts", "People"},
        {"folder", "delete", "f.qst", "Projects/Missing"},
        {"folder", "rename", "f.qst", "Projects", "inbox"},
        {"folder", "rename", "f.qst", "Projects", "a/b"},
        {"folder", "delete", "f.qst", ""},
    };
    for (const auto& args : refused) {
        EXPECT_NE(0, Run(args)) << args[1] << " " << args[3];
        EXPECT_FALSE(m_err.empty());
    }
    ASSERT_EQ(0, Run({"folder", "list", "f.qst"}));
    EXPECT_EQ(before, m_out);

    ASSERT_EQ(0, Run({"folder", "rename", "f.qst", "projects", "Work"})) << m_err;
    ASSERT_EQ(0, Run({"folder", "rename", "f.qst", "Work/Old", "OLD"})) << "a new case of the same name";
    ASSERT_EQ(0, Run({"folder", "delete", "f.qst", "Work/Old"})) << m_err;
    ASSERT_EQ(0, Run({"folder", "list", "f.qst"}));
    EXPECT_NE(std::string::npos, m_out.find("\nWork\t-\t0\n")) << m_out;
    EXPECT_EQ(std::string::npos, m_out.find("OLD")) << m_out;
    EXPECT_EQ(std::string::npos, m_out.find("Deep")) << m_out;
    ASSERT_EQ(0, Run({"deleted", "list", "f.qst"}));
    EXPECT_EQ("", m_out) << "the deleted folder's recoverable items went with it";
}

TEST_F(StoreTool, AStoreIsRemovedFromAProfileButTheDefaultStoreOnlyWhenItIsTheLast) {
    ASSERT_EQ(0, Run({"profile", "create", "P", "--password", "pw"}));
    ASSERT_EQ(0, Run({"store", "add", "P", "main.qst", "--name", "Main", "--profile-password", "pw"}));
    ASSERT_EQ(0, Run({"store", "add", "P", "extra.qst", "--name", "Extra", "--profile-password", "pw"}));
    // An add that fails halfway (the file is no store) leaves no service behind, also where no
    // removal could take one away again (another program's trigger refuses them here).
    const std::string profiles = m_root->Path() + "/mapi/profiles.db";
    auto sql = [&](const char* text) {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(profiles.c_str(), &db));
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, text, -1, &stmt, nullptr)) << sqlite3_errmsg(db);
        m_out = sqlite3_step(stmt) == SQLITE_ROW ? std::to_string(sqlite3_column_int(stmt, 0)) : "";
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    };
    sql("CREATE TRIGGER keep BEFORE DELETE ON services BEGIN SELECT RAISE(ABORT, 'kept'); END");
    const std::string junk = m_root->WriteFile("junk.qst", std::string(8192, 'j'));
    EXPECT_EQ(1, Run({"store", "add", "P", junk, "--name", "Junk", "--profile-password", "pw"}));
    sql("SELECT count(*) FROM services");
    EXPECT_EQ("2", m_out);
    sql("DROP TRIGGER keep");
    EXPECT_EQ(1, Run({"store", "remove", "P", "Main", "--profile-password", "pw"}));
    EXPECT_NE(std::string::npos, m_err.find("default")) << m_err;
    EXPECT_EQ(1, Run({"store", "remove", "P", "Other", "--profile-password", "pw"}));
    EXPECT_EQ(1, Run({"store", "remove", "Q", "Extra"}));
    EXPECT_EQ(1, Run({"store", "remove", "P", "Extra", "--profile-password", "wrong"}));
    ASSERT_EQ(0, Run({"store", "list", "P", "--profile-password", "pw"}));
    EXPECT_EQ("* Main\n  Extra\n", m_out);

    ASSERT_EQ(0, Run({"store", "remove", "P", "Extra", "--profile-password", "pw"})) << m_err;
    ASSERT_EQ(0, Run({"store", "list", "P", "--profile-password", "pw"}));
    EXPECT_EQ("* Main\n", m_out);
    EXPECT_EQ(0, access(HrResolveStorePath("extra.qst").c_str(), F_OK)) << "the file stays";
    ASSERT_EQ(0, Run({"store", "remove", "P", "Main", "--profile-password", "pw"})) << m_err;
    ASSERT_EQ(0, Run({"store", "list", "P", "--profile-password", "pw"}));
    EXPECT_EQ("", m_out);
}

TEST_F(StoreTool, AStoreFileThatFailsTheIntegrityCheckIsReadButNeverWritten) {
    ASSERT_EQ(0, Run({"store", "create", "d.qst"}));
    ASSERT_EQ(0, Run({"generate", "d.qst", "note", "300"}));
    // One bit of an index entry: every table still reads, but the index no longer matches them.
    FlipBitInPageOf("d.qst", "messages_folder", -1);
    ASSERT_NE("ok", IntegrityOf("d.qst"));
    const std::string path = HrResolveStorePath("d.qst");
    const std::string before = FileBytes(path);
    ASSERT_EQ(0, Run({"item", "list", "d.qst", "Notes", "--limit", "1"}));
    const std::string item = ListedIds(m_out).at(0);
    std::string items = m_root->WriteFile(
        "items.json", R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "a"}]}]})");
    const std::vector<std::vector<std::string>> writes = {
        {"folder", "make", "d.qst", "New"},
        {"item", "import", "d.qst", "Notes", items},
        {"item", "delete", "d.qst", item},
        {"item", "set", "d.qst", item, "0x0037001E", "b"},
    };
    for (const auto& args : writes) {
        EXPECT_EQ(1, Run(args)) << args[0] << " " << args[1];
        EXPECT_NE(std::string::npos, m_err.find("MAPI_E_CORRUPT_STORE")) << m_err;
    }
    EXPECT_EQ(before, FileBytes(path));
}

TEST_F(StoreTool, ReadsLeaveTheStoreAndItsFolderAsTheyWere) {
    ASSERT_EQ(0, Run({"store", "create", "r.qst"}));
    ASSERT_EQ(0, Run({"generate", "r.qst", "note", "50"}));
    ASSERT_EQ(0, Run({"store", "create", "j.qst"}));
    ASSERT_EQ(0, Run({"generate", "j.qst", "note", "50"}));
    sqlite3* db = nullptr;  // a file another program keeps with a rollback journal
    ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("j.qst").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    for (const char* file : {"r.qst", "j.qst"}) {
        const std::string before = StoreState(file);
        ASSERT_EQ(0, Run({"item", "list", file, "Notes"})) << m_err;
        ASSERT_EQ(0, Run({"folder", "list", file})) << m_err;
        ASSERT_EQ(0, Run({"item", "export", file, "Notes"})) << m_err;
        EXPECT_TRUE(before == StoreState(file)) << file;
    }
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
