// The administration tool under damaged and extreme input: deep JSON, planted links, texts that are
// not UTF-8, values an export could not write back, a folder cycle and names that cannot be listed.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/FolderShapes.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tools/store/ItemJson.h"
#include "tools/store/StoreTool.h"

namespace mapitest {
namespace {

class StoreToolInput : public MapiTest {
protected:
    int Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int code = qrvstore::RunStoreTool(args, out, err);
        m_out = out.str();
        m_err = err.str();
        return code;
    }
    // Imports one item whose properties are 'properties' after a fine first item; expects the
    // refusal to say 'says' and the folder to stay empty.
    void ExpectRefused(const std::string& properties, const std::string& says) {
        std::string file = m_root->WriteFile(
            "refused.json",
            R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "fine"}]}, {"properties": [)" +
                properties + "]}]}");
        EXPECT_EQ(1, Run({"item", "import", "s.qst", "Inbox", file})) << properties;
        EXPECT_NE(std::string::npos, m_err.find(says)) << m_err;
        ASSERT_EQ(0, Run({"item", "list", "s.qst", "Inbox"}));
        EXPECT_EQ("", m_out) << "nothing of the file is imported";
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(0, lstat(path.c_str(), &st)) << path;
        return st.st_mode;
    }
    std::string m_out;
    std::string m_err;
};

TEST_F(StoreToolInput, ANamedIdNested100000LevelsDeepIsRefusedWithoutACrash) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    const std::string arrays = std::string(100000, '[') + std::string(100000, ']');
    std::string objects;
    for (int i = 0; i < 100000; ++i) {
        objects += "{\"a\":";
    }
    objects += "1" + std::string(100000, '}');
    for (const std::string& id : {arrays, objects}) {
        ExpectRefused(R"({"guid": "00062004-0000-0000-C000-000000000046", "type": "PT_STRING8", "id": )" +
                          id + R"(, "value": "x"})",
                      "item 2, property 1 (00062004-0000-0000-C000-000000000046): a named property needs an "
                      "\"id\" (number)");
    }
}

TEST_F(StoreToolInput, AnExportWritesNoPlantedLinkAndKeepsTheTargetsModeAndLink) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    const std::string dir = m_root->Path() + "/";
    const std::string victim = m_root->WriteFile("victim.txt", "secret");
    ASSERT_EQ(0, symlink(victim.c_str(), (dir + "out.json.tmp").c_str()));
    const std::string out = m_root->WriteFile("out.json", "old");
    ASSERT_EQ(0, chmod(out.c_str(), 0600));
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Inbox", "--out", out})) << m_err;
    EXPECT_EQ("secret", m_root->ReadFile("victim.txt"));
    EXPECT_EQ(nlohmann::json::parse(m_root->ReadFile("out.json")), nlohmann::json::parse(R"({"items": []})"));
    EXPECT_EQ(S_IFREG | 0600, ModeOf(out));

    // Through a link: the link stays, its target gets the items and keeps its mode.
    const std::string target = m_root->WriteFile("target.json", "old");
    ASSERT_EQ(0, chmod(target.c_str(), 0640));
    ASSERT_EQ(0, symlink("target.json", (dir + "link.json").c_str()));
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Inbox", "--out", dir + "link.json"})) << m_err;
    EXPECT_TRUE(S_ISLNK(ModeOf(dir + "link.json")));
    EXPECT_EQ(S_IFREG | 0640, ModeOf(target));
    EXPECT_NE(std::string::npos, m_root->ReadFile("target.json").find("items"));
    // A link to a file not made yet leads to the file the export makes.
    ASSERT_EQ(0, symlink("made.json", (dir + "dangling.json").c_str()));
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Inbox", "--out", dir + "dangling.json"})) << m_err;
    EXPECT_TRUE(S_ISLNK(ModeOf(dir + "dangling.json")));
    EXPECT_NE(std::string::npos, m_root->ReadFile("made.json").find("items"));
    // A folder is named with the reason, and nothing is left beside it.
    EXPECT_EQ(1, Run({"item", "export", "s.qst", "Inbox", "--out", dir + "mapi"}));
    EXPECT_NE(std::string::npos, m_err.find("cannot write " + dir + "mapi: it is a directory")) << m_err;
}

// An export writes each item as it reads it: to standard output and to a file, byte for byte the
// document of all the folder's items made whole, and for a large folder in much less memory than
// the file it writes. What a killed export left beside the file is removed.
TEST_F(StoreToolInput, AnExportIsTheWholeDocumentByteForByteWrittenItemByItem) {
    // The program itself, run first: a child counts as its peak what this process held when it was
    // made, which the in-process runs below would swell.
    const std::string dir = m_root->Path() + "/";
    const std::string out = dir + "big.json";
    auto peakOfRun = [](std::vector<const char*> args) {
        args.insert(args.begin(), QRVSTORE_PATH);
        args.push_back(nullptr);
        pid_t child = fork();
        if (child == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            // Under the address sanitizer, memory freed is held back for a while: hold back little.
            const char* asan = getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS",
                   (std::string(asan != nullptr ? asan : "") + ":quarantine_size_mb=1").c_str(), 1);
            execv(QRVSTORE_PATH, const_cast<char* const*>(args.data()));
            _exit(127);
        }
        int status = 0;
        struct rusage usage {};
        EXPECT_EQ(child, wait4(child, &status, 0, &usage));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        return usage.ru_maxrss;
    };
    peakOfRun({"store", "create", "big.qst"});
    peakOfRun({"generate", "big.qst", "mail", "20000"});
    const long peak = peakOfRun({"item", "export", "big.qst", "Inbox", "--out", out.c_str()});
    struct stat st {};
    ASSERT_EQ(0, stat(out.c_str(), &st));
    EXPECT_GT(st.st_size, 30 << 20) << "bytes written";
    // Made whole, the document took six times its size; item by item it takes a few megabytes, and
    // less than a hundred under the address sanitizer.
    EXPECT_LT(peak, 100 << 10) << "kilobytes at most";

    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    ASSERT_EQ(0, Run({"generate", "s.qst", "contact", "40"}));
    const std::string leftover = m_root->WriteFile(".out.json.Ab12Cd", "killed midway");
    for (const char* name : {"Contacts", "Inbox"}) {
        std::string whole;
        {
            Ref<IMsgStore> store;
            ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", 0, &store));
            Ref<IMAPIFolder> folder(OpenNamedFolder(store, name, 0));
            whole = qrvstore::ExportItems(folder).dump(2) + "\n";
        }
        ASSERT_EQ(0, Run({"item", "export", "s.qst", name})) << m_err;
        EXPECT_EQ(whole, m_out) << name;
        ASSERT_EQ(0, Run({"item", "export", "s.qst", name, "--out", dir + "out.json"})) << m_err;
        EXPECT_EQ(whole, m_root->ReadFile("out.json")) << name;
    }
    EXPECT_NE(0, access(leftover.c_str(), F_OK));
}

TEST_F(StoreToolInput, ATextThatIsNotUtf8IsExportedAsItsBytesAndReadBack) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    std::string file = m_root->WriteFile("in.json", R"({"items": [{"properties": [
      {"tag": "0x0037001E", "value": "x"}, {"tag": "0x6610101E", "value": ["ok", {"hex": "FF41"}]}]}]})");
    ASSERT_EQ(0, Run({"item", "import", "s.qst", "Inbox", file})) << m_err;
    ASSERT_EQ(0, Run({"item", "list", "s.qst", "Inbox"}));
    const std::string id = m_out.substr(0, m_out.find('\t'));
    ASSERT_EQ(0, Run({"item", "set", "s.qst", id, "0x0037001E",
                      "Gr\xFC\xDF"
                      "e"}));
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Inbox"})) << m_err;
    nlohmann::json first = nlohmann::json::parse(m_out);
    std::string found;
    for (const auto& entry : first["items"][0]["properties"]) {
        found += entry["value"].dump();
    }
    EXPECT_NE(std::string::npos, found.find(R"({"hex":"4772FCDF65"})")) << found;
    EXPECT_NE(std::string::npos, found.find(R"(["ok",{"hex":"FF41"}])")) << found;
    ASSERT_EQ(0, Run({"item", "import", "s.qst", "Copy", m_root->WriteFile("out.json", first.dump())}));
    ASSERT_EQ(0, Run({"item", "list", "s.qst", "Copy"}));
    EXPECT_NE(std::string::npos, m_out.find("\tGr\xFC\xDF"
                                            "e\n"))
        << "the same bytes come back";
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Copy"}));
    EXPECT_EQ(first, nlohmann::json::parse(m_out));
}

TEST_F(StoreToolInput, WhatAnExportCouldNotWriteBackIsRefusedNamingTheItemAndTheProperty) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    const std::pair<const char*, const char*> cases[] = {
        {R"({"tag": "0x00390040", "value": 9223372036854775807})",
         "item 2, property 1 (0x00390040): a time from 1601-01-01T00:00:00Z to 9999-12-31T23:59:59.9999999Z"},
        {R"({"tag": "0x00390040", "value": -1})", "item 2, property 1 (0x00390040): a time from"},
        {R"({"tag": "0x66101040", "value": ["2000-01-01T00:00:00Z", 2650467744000000000]})",
         "item 2, property 1 (0x66101040): element 1: a time from"},
        {R"({"tag": "0x00390040", "value": "2023-02-30T00:00:00Z"})",
         "item 2, property 1 (0x00390040): a time"},
        {R"({"tag": "0x0037001F", "value": "a\u0000b"})",
         "item 2, property 1 (0x0037001F): a text cannot hold a NUL"},
        {R"({"tag": "0x001A001E", "value": "IPM.Note"}, {"tag": "0x6610101E", "value": ["a", "b\u0000"]})",
         "item 2, property 2 (0x6610101E): element 1: a text cannot hold a NUL"},
        {R"({"tag": "0x0037001E", "value": {"hex": "610062"}})",
         "item 2, property 1 (0x0037001E): a text cannot"},
        {R"({"guid": "00020329-0000-0000-C000-000000000046", "name": "a\u0000b", "type": "PT_LONG", "value": 1})",
         "item 2, property 1 (00020329-0000-0000-C000-000000000046 name \"a\\u0000b\"): "},
        // What the file says is shown escaped: no terminal escape reaches the error stream.
        {R"({"tag": "0x\u001b[2J", "value": 1})",
         "item 2, property 1 (0x\\u001b[2J): \"0x\\u001b[2J\" is not the tag of a standard property"},
    };
    for (const auto& [property, says] : cases) {
        ExpectRefused(property, says);
    }
    // The first and the last time an export writes are read back as they are.
    std::string edges = m_root->WriteFile("edges.json", R"({"items": [{"properties": [
      {"tag": "0x00390040", "value": "1601-01-01T00:00:00Z"},
      {"tag": "0x66101040", "value": ["9999-12-31T23:59:59.9999999Z"]}]}]})");
    ASSERT_EQ(0, Run({"item", "import", "s.qst", "Edges", edges})) << m_err;
    ASSERT_EQ(0, Run({"item", "export", "s.qst", "Edges"}));
    EXPECT_NE(std::string::npos, m_out.find("\"1601-01-01T00:00:00Z\"")) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("\"9999-12-31T23:59:59.9999999Z\"")) << m_out;
}

TEST_F(StoreToolInput, AFolderCycleIsReportedAndEveryLevelIsReleasedButAnyDepthIsListed) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    std::string deep = "Inbox";
    for (int i = 0; i < 100; ++i) {
        deep += "/f";
    }
    ASSERT_EQ(0, Run({"folder", "make", "s.qst", deep})) << m_err;
    ASSERT_EQ(0, Run({"folder", "list", "s.qst"})) << m_err;
    EXPECT_NE(std::string::npos, m_out.find("\n" + deep + "\t")) << m_out;

    // A chain whose listing holds every level's whole path (those lines alone fill 400 MB), listed
    // by the program itself: what it holds grows with the tree, not with the lines it writes.
    ASSERT_EQ(0, Run({"store", "create", "chain.qst"}));
    MakeFolderChainBelowInbox("chain.qst", 20000);
    pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        // Under the address sanitizer, memory freed is held back for a while: hold back little.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":quarantine_size_mb=1").c_str(),
               1);
        execl(QRVSTORE_PATH, QRVSTORE_PATH, "folder", "list", "chain.qst", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(child, wait4(child, &status, 0, &usage));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "kilobytes at most";

    // The top of the store made a child of Inbox: every folder is still listed, each once, Inbox
    // and its items are there, a folder made in Inbox goes into it, and the damage is named.
    std::string items = m_root->WriteFile(
        "one.json", R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "kept"}]}]})");
    ASSERT_EQ(0, Run({"item", "import", "s.qst", "Inbox", items})) << m_err;
    MakeCycleThroughInbox("s.qst");
    ASSERT_EQ(0, Run({"folder", "make", "s.qst", "Inbox/New"})) << m_err;
    EXPECT_EQ(1, Run({"folder", "list", "s.qst"}));
    EXPECT_NE(std::string::npos, m_err.find("the folder \"Inbox/Top of Personal Folders\" is its own "
                                            "ancestor: the store is damaged"))
        << m_err;
    for (const std::string& line :
         std::vector<std::string>{"Inbox\tIPF.Note\t1\n", "Inbox/New\t-\t0\n", "\n" + deep + "\t",
                                  "\nJournal\tIPF.Journal\t0\n", "\nCalendar\t"}) {
        EXPECT_NE(std::string::npos, m_out.find(line)) << line << m_out;
    }
    EXPECT_EQ(std::string::npos, m_out.find("Top of Personal Folders")) << m_out;
    EXPECT_EQ(1u + 100 + 1 + 10, std::count(m_out.begin(), m_out.end(), '\n')) << m_out;
    ASSERT_EQ(0, Run({"item", "list", "s.qst", "Inbox"})) << m_err;
    EXPECT_NE(std::string::npos, m_out.find("\tkept\n")) << m_out;

    // Deleting a folder that the top of the store has been made a child of deletes that folder
    // and nothing above it.
    MakeCycleThroughInbox("s.qst", "New");
    ASSERT_EQ(0, Run({"folder", "delete", "s.qst", "Inbox/New"})) << m_err;
    ASSERT_EQ(0, Run({"folder", "list", "s.qst"})) << m_err;
    EXPECT_EQ(std::string::npos, m_out.find("Inbox/New")) << m_out;
    EXPECT_EQ(1u + 100 + 10, std::count(m_out.begin(), m_out.end(), '\n')) << m_out;
    ASSERT_EQ(0, Run({"item", "list", "s.qst", "Inbox"})) << m_err;
    EXPECT_NE(std::string::npos, m_out.find("\tkept\n")) << m_out;
}

// A store that does not name the top of its folders (the row is missing or no number) or names one
// that is gone: every command that walks the folders says so in its own words, and nothing is made.
TEST_F(StoreToolInput, AStoreWhoseTopIsNotNamedOrIsGoneIsToldDamagedByEveryCommand) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    const std::string items = m_root->WriteFile(
        "one.json", R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "kept"}]}]})");
    const std::string unnamed = "the store does not say which folder is the top of its folders";
    const std::pair<std::string, std::string> damages[] = {
        {"DELETE FROM meta WHERE key = 'folder.ipm'", unnamed},
        {"INSERT INTO meta VALUES ('folder.ipm', 'top')", unnamed},
        {"UPDATE meta SET value = 999 WHERE key = 'folder.ipm'",
         "the folder the store names as the top of its folders is missing"}};
    const std::vector<std::vector<std::string>> commands = {{"folder", "list", "s.qst"},
                                                            {"item", "list", "s.qst", "Inbox"},
                                                            {"item", "export", "s.qst", "Inbox"},
                                                            {"folder", "make", "s.qst", "Inbox/New"},
                                                            {"item", "import", "s.qst", "Inbox", items},
                                                            {"folder", "delete", "s.qst", "Inbox/New"},
                                                            {"generate", "s.qst", "mail", "3"}};
    for (const auto& [sql, says] : damages) {
        ExecOnStore("s.qst", sql);
        for (const std::vector<std::string>& command : commands) {
            EXPECT_EQ(1, Run(command)) << sql << " " << command[1];
            EXPECT_EQ("qrvstore: " + says + ": the store is damaged\n", m_err) << sql << " " << command[1];
            EXPECT_EQ("", m_out);
        }
    }
    ExecOnStore("s.qst",
                "UPDATE meta SET value = (SELECT id FROM folders WHERE name = 'Top of Personal Folders') "
                "WHERE key = 'folder.ipm'");
    ASSERT_EQ(0, Run({"folder", "list", "s.qst"})) << m_err;
    EXPECT_EQ(11, std::count(m_out.begin(), m_out.end(), '\n')) << m_out;
    ASSERT_EQ(0, Run({"item", "list", "s.qst", "Inbox"}));
    EXPECT_EQ("", m_out);
}

// Inbox made the child of its own sub folder: it and all below it are out of reach of the top. The
// listing tells so after what it reaches; no folder is made where one out of reach may stand (no
// second Inbox), by any command; what is in reach is still read and filled.
TEST_F(StoreToolInput, FoldersCutOffFromTheTopAreToldAndNoSecondStandardFolderIsMade) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    ASSERT_EQ(0, Run({"folder", "make", "s.qst", "Inbox/Sub/Deep"}));
    const std::string items = m_root->WriteFile(
        "one.json", R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "kept"}]}]})");
    CutOffFromTheTop("s.qst", "Inbox", "Sub");
    const std::string cut =
        "3 folders are out of reach of the top of the store (\"Inbox\", \"Sub\", \"Deep\")";
    EXPECT_EQ(1, Run({"folder", "list", "s.qst"}));
    EXPECT_EQ("qrvstore: " + cut + ": the store is damaged\n", m_err);
    EXPECT_NE(std::string::npos, m_out.find("\nContacts\tIPF.Contact\t0\n")) << m_out;
    EXPECT_EQ(10, std::count(m_out.begin(), m_out.end(), '\n')) << m_out;
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"folder", "make", "s.qst", "Inbox/New"},
                                               {"item", "import", "s.qst", "Inbox", items},
                                               {"generate", "s.qst", "mail", "3"},
                                               {"folder", "make", "s.qst", "Contacts/New"}}) {
        EXPECT_EQ(1, Run(command)) << command[1];
        EXPECT_EQ(0u, m_err.find("qrvstore: " + cut + ": the store is damaged, so no folder \"")) << m_err;
    }
    EXPECT_EQ(1, Run({"item", "list", "s.qst", "Inbox"}));
    EXPECT_EQ("qrvstore: no folder \"Inbox\" in \"Inbox\" (" + cut + ": the store is damaged)\n", m_err);
    ASSERT_EQ(0, Run({"item", "import", "s.qst", "Contacts", items})) << m_err;

    // Put back in its place, Inbox is the only one, with nothing new below it.
    ExecOnStore("s.qst",
                "UPDATE folders SET parent = (SELECT value FROM meta WHERE key = 'folder.ipm') "
                "WHERE name = 'Inbox'");
    ASSERT_EQ(0, Run({"folder", "list", "s.qst"})) << m_err;
    std::istringstream lines(m_out);
    int inboxes = 0;
    for (std::string line; std::getline(lines, line);) {
        inboxes += line.rfind("Inbox\t", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(1, inboxes) << m_out;
    EXPECT_EQ(std::string::npos, m_out.find("New")) << m_out;
    EXPECT_EQ(13, std::count(m_out.begin(), m_out.end(), '\n')) << m_out;
    EXPECT_NE(std::string::npos, m_out.find("\nContacts\tIPF.Contact\t1\n")) << m_out;
}

TEST_F(StoreToolInput, ADirectoryTheTopOfTheStoreAndUnlistableNamesAreRefusedInClearWords) {
    ASSERT_EQ(0, Run({"store", "create", "s.qst"}));
    EXPECT_EQ(1, Run({"item", "import", "s.qst", "Inbox", m_root->Path()}));
    EXPECT_EQ("qrvstore: cannot read " + m_root->Path() + ": it is a directory\n", m_err);
    const std::string fifo = m_root->Path() + "/items.fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(1, Run({"item", "import", "s.qst", "Inbox", fifo})) << "refused at once, not waited on";
    EXPECT_EQ("qrvstore: cannot read " + fifo + ": it is not a regular file\n", m_err);
    EXPECT_EQ(1, Run({"item", "import", "s.qst", "Inbox", m_root->Path() + "/none.json"}));
    EXPECT_NE(std::string::npos, m_err.find("none.json: No such file or directory")) << m_err;

    ASSERT_EQ(0, Run({"folder", "list", "s.qst"}));
    const std::string folders = m_out;
    for (const char* path : {"", "/", "Inbox/\x01", "a\nb"}) {
        EXPECT_EQ(2, Run({"folder", "make", "s.qst", path})) << path;
        EXPECT_EQ(std::string::npos, m_out.find("is there")) << m_out;
    }
    EXPECT_EQ(2, Run({"folder", "rename", "s.qst", "Inbox/x", "a\tb"}));
    // An import makes its folder by the same rule, and a class is listed as a name is.
    std::string items = m_root->WriteFile("items.json", R"({"items": []})");
    EXPECT_EQ(2, Run({"item", "import", "s.qst", "Inbox/\x1b[2Jx", items}));
    EXPECT_NE(std::string::npos, m_err.find("a folder name must not be empty or hold control characters"))
        << m_err;
    for (const char* cls : {"IPF.Note\nInbox\tIPF.Note", ""}) {
        EXPECT_EQ(2, Run({"folder", "make", "s.qst", "Inbox/y", "--class", cls})) << cls;
        EXPECT_NE(std::string::npos, m_err.find("a folder class must not")) << m_err;
    }
    ASSERT_EQ(0, Run({"folder", "list", "s.qst"}));
    EXPECT_EQ(folders, m_out);

    EXPECT_EQ(2, Run({"profile", "create", "a\nb"}));
    EXPECT_NE(std::string::npos, m_err.find("a profile name must not be empty or hold control characters"));
    EXPECT_EQ(2, Run({"profile", "create", ""}));
    EXPECT_EQ(2, Run({"store", "create", "t.qst", "--name", "a\nb"}));
    EXPECT_NE(std::string::npos, m_err.find("a store name must not")) << m_err;
    ASSERT_EQ(0, Run({"profile", "create", "Caf\xC3\xA9 & Co"}));
    ASSERT_EQ(0, Run({"profile", "list"}));
    EXPECT_EQ("* Caf\xC3\xA9 & Co\n", m_out);
}

}  // namespace
}  // namespace mapitest
