// Command parsing and the profile, store, folder, item and deleted-item commands of qrvstore.
#include "tools/store/StoreTool.h"

#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "tools/store/Catalog.h"
#include "tools/store/FolderTree.h"
#include "tools/store/Generator.h"
#include "tools/store/ItemJson.h"
#include "tools/store/ToolFile.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

const char* const kHelp = R"(Usage: qrvstore <command> [arguments] [options]

Administers the profiles and message-store files of the machine root ($QUORVEL_ROOT, else
${XDG_DATA_HOME:-~/.local/share}/quorvel). A STORE is a store file: a bare file name lives in
<root>/mapi/stores, a path is used as given. Protected stores need --password PW.

Profiles
  profile create NAME [--password PW]     make a profile (the first one becomes the default)
  profile list                            list the profiles; * marks the default
  profile remove NAME                     remove a profile (its store files stay)
  profile default NAME                    make NAME the default profile

Stores of a profile (--profile-password PW when the profile has a password)
  store add PROFILE STORE [--name DISPLAY] [--password PW] [--remember] [--default]
                                          attach STORE to PROFILE; a missing file is created, with
                                          PW as its password. --remember lets the profile keep PW,
                                          so the store opens without asking.
  store list PROFILE                      list the profile's stores; * marks the default store
  store default PROFILE DISPLAY           make the store named DISPLAY the default store
  store create STORE [--name DISPLAY] [--password PW]
                                          make a store file without attaching it
  store remove PROFILE DISPLAY            take the store named DISPLAY out of the profile (its
                                          file stays); the default store only when it is the last

Folders and items
  folder make STORE PATH [--class CLASS]  make a folder below the top of the store, e.g.
                                          "Contacts/Friends" (parents are made as needed)
  folder list STORE                       list every folder with its class and item count
  folder rename STORE PATH NAME           give the folder at PATH the new name NAME
  folder delete STORE PATH                remove the folder at PATH, the folders below it and all
                                          their items for good (standard folders stay)
  item list STORE FOLDER [--limit N]      list the items of a folder: entry id, class, subject
  item export STORE FOLDER [--out FILE]   write the folder's items as JSON (to standard output);
                                          FILE is replaced as a whole and keeps its mode
  item import STORE FOLDER FILE           add the items of a JSON file to the folder
                                          (the folder is made when missing)
  item delete STORE ENTRYID... [--hard]   delete items by the entry ids "item list" shows: to the
                                          recoverable deleted items, or for good with --hard
  item set STORE ENTRYID PROPERTY VALUE   set one property of an item. PROPERTY is a tag such as
                                          0x0037001E, or GUID:ID:TYPE or GUID:NAME:TYPE for a
                                          named one. VALUE is written as in JSON items (numbers,
                                          true/false, arrays), text types as plain text.

Deleted items (deleting without the hard-delete flag keeps items recoverable)
  deleted list STORE                      list soft-deleted items: entry id, folder, class, subject
  deleted restore STORE [ENTRYID...]      bring the given items (all when none given) back
  deleted purge STORE [ENTRYID...]        remove the given items (all when none given) for good

Synthetic data
  generate STORE TYPE COUNT [--folders F] [--duplicates SHARE] [--seed N] [--catalog FILE]
                                          add COUNT items of TYPE (contact, appointment, mail,
                                          note, task, journal) to its standard folder and F-1
                                          sub-folders; SHARE (0..1, default 0.2) of them copy
                                          every catalog value of an earlier item. The same seed
                                          (default 1) always makes the same items. Items are
                                          saved in transactions of 5000.
  demo [--catalog FILE]                   make the profile "Quorvel Demo" with the default store
                                          "Personal Folders" (items of every type, with
                                          duplicates) and the protected store "Archive"
                                          (password "archive"); does nothing when it exists

Options
  --help                                  show this text

JSON items: { "items": [ { "properties": [ { "tag": "0x0037001E", "value": "Lunch" },
  { "guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8",
    "value": "anna@example.com" } ] } ] }; named properties may use "name" instead of "id".
A PT_STRING8 text whose bytes are not UTF-8 is written as its bytes in hex, {"hex": "4772FCDF65"},
and read back the same way. Times run from 1601 to 9999; a text cannot hold a NUL (\u0000).
Every change is one transaction: a command that fails leaves the store as it was.
Exit codes: 0 success, 1 the operation failed, 2 the command line is wrong.
)";

// A parsed command line: words and --options (the flags take no value).
struct CArgs {
    std::vector<std::string> m_words;
    std::map<std::string, std::string> m_options;
    std::set<std::string> m_flags;

    bool Has(const std::string& flag) const { return m_flags.count(flag) != 0; }
    std::string Option(const std::string& name, const std::string& fallback = "") const {
        auto found = m_options.find(name);
        return found != m_options.end() ? found->second : fallback;
    }
    const std::string& Word(size_t i, const char* what) const {
        if (i >= m_words.size()) {
            throw CToolError(std::string("missing ") + what + " (see qrvstore --help)", 2);
        }
        return m_words[i];
    }
    void Expect(size_t min, size_t max) const {
        if (m_words.size() > max) {
            throw CToolError("too many arguments: \"" + m_words[max] + "\" (see qrvstore --help)", 2);
        }
        (void)min;
    }
};

const std::set<std::string> kFlags = {"--help", "--remember", "--default", "--hard"};
const std::set<std::string> kValued = {
    "--password", "--profile-password", "--name",       "--class", "--limit",
    "--out",      "--folders",          "--duplicates", "--seed",  "--catalog"};

CArgs Parse(const std::vector<std::string>& args) {
    CArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            if (kFlags.count(arg)) {
                parsed.m_flags.insert(arg);
            } else if (kValued.count(arg)) {
                if (i + 1 >= args.size()) {
                    throw CToolError(arg + " needs a value", 2);
                }
                parsed.m_options[arg] = args[++i];
            } else {
                throw CToolError("unknown option " + arg + " (see qrvstore --help)", 2);
            }
        } else {
            parsed.m_words.push_back(arg);
        }
    }
    return parsed;
}

ULONGLONG Number(const std::string& text, const char* what) {
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || text[0] == '-') {
        throw CToolError(std::string(what) + " must be a whole number, not \"" + text + "\"", 2);
    }
    return value;
}

// Holds an interface for the length of a command.
template <class T>
struct CHold {
    T* p = nullptr;
    ~CHold() {
        if (p != nullptr) {
            p->Release();
        }
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

LPMDB OpenStoreFile(const CArgs& args, size_t word, bool writable) {
    const std::string& file = args.Word(word, "STORE");
    LPMDB store = nullptr;
    Check(HrOpenStoreFile(file, args.Option("--password"), writable ? MAPI_BEST_ACCESS : 0, &store),
          "Opening the store " + HrResolveStorePath(file));
    return store;
}

std::string TextOf(const SPropValue& value) {
    return PROP_TYPE(value.ulPropTag) == PT_STRING8 ? value.Value.lpszA : "";
}

bool FlagOf(const SPropValue& value) {
    return PROP_TYPE(value.ulPropTag) == PT_BOOLEAN && value.Value.b != 0;
}

// The bytes of one binary property of an object: an entry id it holds. 'damage' says what is
// wrong with the store when the object does not have it.
std::string BinaryProp(LPMAPIPROP object, ULONG tag, const std::string& what, const std::string& damage) {
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    Check(object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), what);
    std::string bytes;
    const bool found = BytesOf(values[0], bytes);
    MAPIFreeBuffer(values);
    if (!found) {
        throw CToolError(damage + ": the store is damaged");
    }
    return bytes;
}

// Opens a folder below the IPM subtree by its path, without making anything.
LPMAPIFOLDER FindFolder(LPMDB store, const std::string& path) {
    LPMAPIFOLDER folder = OpenTopFolder(store);
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? path.size() : end + 1;
        if (name.empty()) {
            continue;
        }
        LPMAPIFOLDER child = nullptr;
        try {
            child = OpenChildFolder(store, folder, name);
        } catch (...) {
            folder->Release();
            throw;
        }
        folder->Release();
        if (child == nullptr) {
            // A damaged file may hold the folder where no walk from the top finds it.
            std::string cut = FoldersOutOfReach(store);
            throw CToolError("no folder \"" + name + "\" in \"" + path + "\"" +
                             (cut.empty() ? "" : " (" + cut + ": the store is damaged)"));
        }
        folder = child;
    }
    return folder;
}

// The entry id of the folder at a path below the top of the store; the top itself is no path.
std::string FolderEntryId(LPMDB store, const std::string& path) {
    if (path.find_first_not_of('/') == std::string::npos) {
        throw CToolError("the top of the store cannot be changed: give the path of a folder below it", 2);
    }
    CHold<IMAPIFolder> folder;
    folder.p = FindFolder(store, path);
    return BinaryProp(folder.p, PR_ENTRYID, "Reading the folder",
                      "the folder \"" + path + "\" has no entry id");
}

// Frees a row set when a command ends, also by an error.
struct CHoldRows {
    LPSRowSet p = nullptr;
    ~CHoldRows() { FreeProws(p); }
};

// Lists the folders below 'top', depth first. Any depth is sound, so the walk keeps its place in
// a list of levels, not in a call per level, and every level holds only its own rows and where its
// part of the one path being listed ends: memory grows with the tree, not with the sum of the
// paths. A damaged store may hold a cycle of folders: a folder met a second time is listed once
// only, the rest of the tree still is, and then the error names it, as it names the folders that
// a damaged file has cut off from the top (which no walk from the top can list).
void ListFolders(LPMDB store, LPMAPIFOLDER top, std::ostream& out) {
    struct CLevel {
        CHoldRows rows;
        ULONG next = 0;
        size_t prefix = 0;
    };
    std::set<std::string> seen = {
        BinaryProp(top, PR_ENTRYID, "Reading the top of the store", "the top of the store has no entry id")};
    std::vector<std::unique_ptr<CLevel>> levels;
    std::string path;
    std::string metAgain;
    auto descend = [&levels, &path](LPMAPIFOLDER folder) {
        auto level = std::make_unique<CLevel>();
        level->prefix = path.size();
        CHold<IMAPITable> table;
        Check(folder->GetHierarchyTable(0, &table), "GetHierarchyTable");
        SizedSPropTagArray(4, columns) = {
            4, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A, PR_CONTENT_COUNT}};
        Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
        Check(table->QueryRows(0x7FFFFFFF, 0, &level->rows.p), "QueryRows");
        levels.push_back(std::move(level));
    };
    descend(top);
    while (!levels.empty()) {
        CLevel& level = *levels.back();
        if (level.next == level.rows.p->cRows) {
            levels.pop_back();
            continue;
        }
        const SPropValue* p = level.rows.p->aRow[level.next++].lpProps;
        path.resize(level.prefix);
        path += TextOf(p[1]);
        const SBinary& eid = p[0].Value.bin;
        if (PROP_TYPE(p[0].ulPropTag) != PT_BINARY ||
            !seen.insert(std::string(reinterpret_cast<const char*>(eid.lpb), eid.cb)).second) {
            if (metAgain.empty()) {
                metAgain = path;
            }
            continue;
        }
        out << path << "\t" << (PROP_TYPE(p[2].ulPropTag) == PT_STRING8 ? p[2].Value.lpszA : "-") << "\t"
            << (PROP_TYPE(p[3].ulPropTag) == PT_LONG ? p[3].Value.l : 0) << "\n";
        CHold<IMAPIFolder> child;
        ULONG type = 0;
        HRESULT hr = top->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, 0, &type,
                                    reinterpret_cast<LPUNKNOWN*>(&child));
        if (SUCCEEDED(hr)) {
            path += '/';
            descend(child.p);
        }
    }
    std::string damage;
    if (!metAgain.empty()) {
        damage = "the folder \"" + metAgain + "\" is its own ancestor";
    }
    const std::string cut = FoldersOutOfReach(store);
    if (!cut.empty()) {
        damage += (damage.empty() ? "" : "; ") + cut;
    }
    if (!damage.empty()) {
        throw CToolError(damage + ": the store is damaged");
    }
}

// A name the lists of the tool show one a line: refused (a usage error) when it is empty or holds
// a control character such as a line break, which would break the list.
void CheckListableName(const std::string& name, const char* what) {
    bool control = false;
    for (unsigned char c : name) {
        control = control || c < 0x20 || c == 0x7F;
    }
    if (name.empty() || control) {
        std::string shown;
        for (unsigned char c : name) {
            shown += c < 0x20 || c == 0x7F ? "?" : std::string(1, static_cast<char>(c));
        }
        throw CToolError(std::string(what) +
                             " must not be empty or hold control characters such as a line break, not \"" +
                             shown + "\"",
                         2);
    }
}

// A folder path the tool makes folders for: every name in it must be listable, whichever command
// makes them.
void CheckFolderPath(const std::string& path) {
    for (size_t start = 0; start < path.size();) {
        size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            CheckListableName(path.substr(start, end - start), "a folder name");
        }
        start = end + 1;
    }
}

// An entry id given in hex (a usage error for anything else).
std::string EntryIdOf(const std::string& hex) {
    std::string bytes;
    if (!FromHex(hex, bytes) || bytes.empty()) {
        throw CToolError("\"" + hex + "\" is not an entry id in hex", 2);
    }
    return bytes;
}

// Opens the live item an entry id names, for changing it.
LPMESSAGE OpenItem(LPMDB store, const std::string& eid) {
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    HRESULT hr = store->OpenEntry(static_cast<ULONG>(eid.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())), nullptr,
                                  MAPI_BEST_ACCESS, &type, &unknown);
    std::string hex = ToHex(eid);
    if (hr == MAPI_E_NOT_FOUND) {
        throw CToolError("the store holds no item " + hex + " (a deleted item is out of reach)");
    }
    if (hr == MAPI_E_INVALID_ENTRYID) {
        throw CToolError(hex + " is not the entry id of an item of this store");
    }
    Check(hr, "Opening the item " + hex);
    if (type != MAPI_MESSAGE) {
        unknown->Release();
        throw CToolError(hex + " is not the entry id of an item of this store");
    }
    return static_cast<LPMESSAGE>(unknown);
}

// Deletes one item from its folder: recoverable unless hard.
void DeleteItem(LPMDB store, const std::string& eid, bool hard) {
    CHold<IMessage> item;
    item.p = OpenItem(store, eid);
    std::string parent = BinaryProp(item.p, PR_PARENT_ENTRYID, "Reading the item",
                                    "the item " + ToHex(eid) + " names no folder");
    CHold<IMAPIFolder> folder;
    ULONG type = 0;
    HRESULT hr =
        store->OpenEntry(static_cast<ULONG>(parent.size()), reinterpret_cast<LPENTRYID>(parent.data()),
                         nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&folder));
    Check(hr, "Opening the folder of the item " + ToHex(eid));
    SBinary bin{static_cast<ULONG>(eid.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(eid.data()))};
    SBinaryArray list{1, &bin};
    hr = folder->DeleteMessages(&list, 0, nullptr, hard ? DELETE_HARD_DELETE : 0);
    Check(hr == MAPI_W_PARTIAL_COMPLETION ? MAPI_E_NOT_FOUND : hr, "Deleting the item " + ToHex(eid));
}

// A property named on the command line, in the document form of JSON items: a tag such as
// 0x0037001E, or GUID:ID:TYPE / GUID:NAME:TYPE (a name may hold colons itself).
nlohmann::json PropertyEntry(const std::string& text) {
    size_t first = text.find(':');
    if (first == std::string::npos) {
        return nlohmann::json{{"tag", text}};
    }
    size_t last = text.rfind(':');
    std::string middle = first < last ? text.substr(first + 1, last - first - 1) : std::string();
    if (middle.empty()) {
        throw CToolError(
            "\"" + text + "\" is neither a tag like 0x0037001E nor GUID:ID:TYPE or GUID:NAME:TYPE", 2);
    }
    nlohmann::json entry{{"guid", text.substr(0, first)}, {"type", text.substr(last + 1)}};
    bool number = middle.find_first_not_of("0123456789", middle[0] == '-' ? 1 : 0) == std::string::npos &&
                  middle != "-";
    if (number) {
        entry["id"] = nlohmann::json::parse(middle);
    } else {
        entry["name"] = middle;
    }
    return entry;
}

// A value given on the command line for a property of 'tag': text types take the text as it is,
// every other type is written as in JSON items.
nlohmann::json ValueArgument(ULONG tag, const std::string& text) {
    switch (PROP_TYPE(tag)) {
        case PT_STRING8:
        case PT_UNICODE:
        case PT_SYSTIME:
        case PT_CLSID:
        case PT_BINARY:
            return text;
        default: {
            nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
            if (value.is_discarded()) {
                throw CToolError(
                    "\"" + text + "\" is not a value as JSON items write it (e.g. 42, true, [1, 2])", 2);
            }
            return value;
        }
    }
}

// Sets one property of an item and saves it.
void SetItemProperty(LPMDB store, const std::string& eid, const std::string& property,
                     const std::string& valueText) {
    nlohmann::json entry = PropertyEntry(property);
    CHold<IMessage> item;
    item.p = OpenItem(store, eid);
    std::string where = "item " + ToHex(eid) + ", property " + property + ": ";
    std::string error;
    ULONG tag = TagFromJson(item.p, entry, error);
    if (tag == 0) {
        throw CToolError(where + error);
    }
    nlohmann::json value = ValueArgument(tag, valueText);
    LPSPropValue holder = nullptr;
    Check(MAPIAllocateBuffer(sizeof(SPropValue), reinterpret_cast<LPVOID*>(&holder)), "MAPIAllocateBuffer");
    if (!ValueFromJson(tag, value, holder, *holder, error)) {
        MAPIFreeBuffer(holder);
        throw CToolError(where + error);
    }
    LPSPropProblemArray problems = nullptr;
    HRESULT hr = item->SetProps(1, holder, &problems);
    MAPIFreeBuffer(holder);
    if (SUCCEEDED(hr) && problems != nullptr) {
        hr = problems->aProblem[0].scode;
        MAPIFreeBuffer(problems);
        if (hr == MAPI_E_COMPUTED) {
            throw CToolError(where + "the store keeps this property itself");
        }
        Check(hr, where + "refused");
    }
    Check(hr, where + "setting");
    Check(item->SaveChanges(0), "Saving the item " + ToHex(eid));
}

// Runs 'change' as one transaction of the store: everything or, when it throws, nothing.
template <class F>
void InOneTransaction(LPMDB store, F change) {
    Check(HrBeginStoreBatch(store), "Starting the change");
    try {
        change();
    } catch (...) {
        HrEndStoreBatch(store, FALSE);
        throw;
    }
    Check(HrEndStoreBatch(store, TRUE), "Committing the change");
}

// --- profiles -------------------------------------------------------------------------------

int ProfileCommand(const CArgs& args, std::ostream& out) {
    const std::string& verb = args.Word(1, "a profile command (create, list, remove, default)");
    CHold<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, &admin), "MAPIAdminProfiles");
    if (verb == "create") {
        args.Expect(3, 3);
        const std::string& name = args.Word(2, "NAME");
        CheckListableName(name, "a profile name");
        std::string password = args.Option("--password");
        Check(admin->CreateProfile(name.c_str(), password.c_str(), 0, 0),
              "Creating the profile \"" + name + "\"");
        out << "Profile \"" << name << "\" created.\n";
    } else if (verb == "list") {
        args.Expect(2, 2);
        CHold<IMAPITable> table;
        Check(admin->GetProfileTable(0, &table), "GetProfileTable");
        SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE}};
        Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
        LPSRowSet rows = nullptr;
        Check(table->QueryRows(0x7FFFFFFF, 0, &rows), "QueryRows");
        for (ULONG i = 0; i < rows->cRows; ++i) {
            bool isDefault = FlagOf(rows->aRow[i].lpProps[1]);
            out << (isDefault ? "* " : "  ") << TextOf(rows->aRow[i].lpProps[0]) << "\n";
        }
        FreeProws(rows);
    } else if (verb == "remove") {
        args.Expect(3, 3);
        const std::string& name = args.Word(2, "NAME");
        Check(admin->DeleteProfile(name.c_str(), 0), "Removing the profile \"" + name + "\"");
        out << "Profile \"" << name << "\" removed.\n";
    } else if (verb == "default") {
        args.Expect(3, 3);
        const std::string& name = args.Word(2, "NAME");
        Check(admin->SetDefaultProfile(name.c_str(), 0), "Making \"" + name + "\" the default profile");
        out << "\"" << name << "\" is the default profile.\n";
    } else {
        throw CToolError("unknown profile command \"" + verb + "\" (see qrvstore --help)", 2);
    }
    return 0;
}

// --- stores of profiles ---------------------------------------------------------------------

std::string StoreEntryIdByName(LPMAPISESSION session, const std::string& display) {
    CHold<IMAPITable> table;
    Check(session->GetMsgStoresTable(0, &table), "GetMsgStoresTable");
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
    LPSRowSet rows = nullptr;
    Check(table->QueryRows(0x7FFFFFFF, 0, &rows), "QueryRows");
    std::string eid;
    for (ULONG i = 0; i < rows->cRows && eid.empty(); ++i) {
        if (TextOf(rows->aRow[i].lpProps[1]) == display) {
            BytesOf(rows->aRow[i].lpProps[0], eid);
        }
    }
    FreeProws(rows);
    if (eid.empty()) {
        throw CToolError("the profile has no store named \"" + display + "\"");
    }
    return eid;
}

void AddStoreToProfile(const std::string& profile, const std::string& profilePassword,
                       const std::string& file, const std::string& display, const std::string& password,
                       bool remember, bool makeDefault, std::ostream& out) {
    std::string name = display;
    if (name.empty()) {
        name = file.substr(file.find_last_of('/') + 1);
        name = name.substr(0, name.find_last_of('.'));
    }
    CheckListableName(name, "a store name");
    CHold<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, &admin), "MAPIAdminProfiles");
    CHold<IMsgServiceAdmin> services;
    Check(admin->AdminServices(profile.c_str(), profilePassword.c_str(), 0, 0, &services),
          "Opening the profile \"" + profile + "\"");
    std::string path = HrResolveStorePath(file);
    bool existed = access(path.c_str(), F_OK) == 0;
    SPropValue values[5] = {};
    ULONG count = 0;
    values[count].ulPropTag = PR_PST_PATH;
    values[count++].Value.lpszA = const_cast<char*>(path.c_str());
    values[count].ulPropTag = PR_DISPLAY_NAME_A;
    values[count++].Value.lpszA = const_cast<char*>(name.c_str());
    values[count].ulPropTag = PR_PST_PW_SZ_NEW;
    values[count++].Value.lpszA = const_cast<char*>(password.c_str());
    if (remember && !password.empty()) {
        values[count].ulPropTag = PR_PST_PW_SZ_OLD;
        values[count++].Value.lpszA = const_cast<char*>(password.c_str());
        values[count].ulPropTag = PR_PST_REMEMBER_PW;
        values[count++].Value.b = TRUE;
    }
    MAPIUID uid;
    Check(HrAddConfiguredService(services.p, name.c_str(), count, values, &uid), "Attaching " + path);
    out << "Store \"" << name << "\" (" << path << (existed ? ", existing file" : ", new file")
        << ") added to \"" << profile << "\".\n";
    if (makeDefault) {
        CHold<IMAPISession> session;
        Check(MAPILogonEx(0, profile.c_str(), profilePassword.c_str(),
                          MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE, &session),
              "Logging on to \"" + profile + "\"");
        std::string eid = StoreEntryIdByName(session.p, name);
        Check(session->SetDefaultStore(0, static_cast<ULONG>(eid.size()),
                                       reinterpret_cast<LPENTRYID>(eid.data())),
              "Setting the default store");
        session->Logoff(0, 0, 0);
        out << "\"" << name << "\" is the default store.\n";
    }
}

int StoreCommand(const CArgs& args, std::ostream& out) {
    const std::string& verb = args.Word(1, "a store command (add, list, default, create, remove)");
    std::string profilePassword = args.Option("--profile-password");
    if (verb == "add") {
        args.Expect(4, 4);
        AddStoreToProfile(args.Word(2, "PROFILE"), profilePassword, args.Word(3, "STORE"),
                          args.Option("--name"), args.Option("--password"), args.Has("--remember"),
                          args.Has("--default"), out);
    } else if (verb == "create") {
        args.Expect(3, 3);
        const std::string& file = args.Word(2, "STORE");
        std::string name = args.Option("--name", "Personal Folders");
        CheckListableName(name, "a store name");
        Check(HrCreateStoreFile(file, name, args.Option("--password")),
              "Creating " + HrResolveStorePath(file));
        out << "Store file " << HrResolveStorePath(file) << " created.\n";
    } else if (verb == "remove") {
        args.Expect(4, 4);
        const std::string& profile = args.Word(2, "PROFILE");
        const std::string& display = args.Word(3, "DISPLAY");
        HRESULT hr = HrRemoveProfileStore(profile, profilePassword, display);
        if (hr == MAPI_E_NOT_FOUND) {
            throw CToolError("there is no profile \"" + profile + "\" with a store named \"" + display +
                             "\"");
        }
        if (hr == MAPI_E_AMBIGUOUS_RECIP) {
            throw CToolError("\"" + profile + "\" has several stores named \"" + display + "\"");
        }
        if (hr == MAPI_E_NO_ACCESS) {
            throw CToolError("\"" + display + "\" is the default store of \"" + profile +
                             "\": make another store the default first");
        }
        Check(hr, "Removing the store \"" + display + "\" from \"" + profile + "\"");
        out << "Store \"" << display << "\" removed from \"" << profile << "\".\n";
    } else if (verb == "list" || verb == "default") {
        args.Expect(3, verb == "list" ? 3 : 4);
        const std::string& profile = args.Word(2, "PROFILE");
        CHold<IMAPISession> session;
        Check(MAPILogonEx(0, profile.c_str(), profilePassword.c_str(),
                          MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE, &session),
              "Logging on to \"" + profile + "\"");
        if (verb == "default") {
            const std::string& display = args.Word(3, "DISPLAY");
            std::string eid = StoreEntryIdByName(session.p, display);
            Check(session->SetDefaultStore(0, static_cast<ULONG>(eid.size()),
                                           reinterpret_cast<LPENTRYID>(eid.data())),
                  "Setting the default store");
            out << "\"" << display << "\" is the default store of \"" << profile << "\".\n";
        } else {
            CHold<IMAPITable> table;
            Check(session->GetMsgStoresTable(0, &table), "GetMsgStoresTable");
            SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_DEFAULT_STORE}};
            Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
            LPSRowSet rows = nullptr;
            Check(table->QueryRows(0x7FFFFFFF, 0, &rows), "QueryRows");
            for (ULONG i = 0; i < rows->cRows; ++i) {
                out << (FlagOf(rows->aRow[i].lpProps[1]) ? "* " : "  ") << TextOf(rows->aRow[i].lpProps[0])
                    << "\n";
            }
            FreeProws(rows);
        }
        session->Logoff(0, 0, 0);
    } else {
        throw CToolError("unknown store command \"" + verb + "\" (see qrvstore --help)", 2);
    }
    return 0;
}

// --- folders and items ----------------------------------------------------------------------

int FolderCommand(const CArgs& args, std::ostream& out) {
    const std::string& verb = args.Word(1, "a folder command (make, list, rename, delete)");
    if (verb == "make") {
        args.Expect(4, 4);
        const std::string& path = args.Word(3, "PATH");
        if (path.find_first_not_of('/') == std::string::npos) {
            throw CToolError(
                "the top of the store is there always: give the path of a folder below it, not \"" + path +
                    "\"",
                2);
        }
        CheckFolderPath(path);
        // A class is listed beside the folder, so it must be listable as a name is.
        const std::string containerClass = args.Option("--class");
        if (args.m_options.count("--class") != 0) {
            CheckListableName(containerClass, "a folder class");
        }
        CHold<IMsgStore> store;
        store.p = OpenStoreFile(args, 2, true);
        LPMAPIFOLDER folder = OpenOrMakeFolder(store.p, path, containerClass);
        folder->Release();
        out << "Folder \"" << path << "\" is there.\n";
    } else if (verb == "list") {
        args.Expect(3, 3);
        CHold<IMsgStore> store;
        store.p = OpenStoreFile(args, 2, false);
        CHold<IMAPIFolder> top;
        top.p = FindFolder(store.p, "");
        ListFolders(store.p, top.p, out);
    } else if (verb == "rename" || verb == "delete") {
        args.Expect(4, verb == "rename" ? 5 : 4);
        const std::string& path = args.Word(3, "PATH");
        std::string name = verb == "rename" ? args.Word(4, "NAME") : std::string();
        if (verb == "rename") {
            CheckListableName(name, "a folder name");
        }
        if (verb == "rename" && name.find('/') != std::string::npos) {
            throw CToolError("a folder name must not be empty or hold \"/\", not \"" + name + "\"", 2);
        }
        CHold<IMsgStore> store;
        store.p = OpenStoreFile(args, 2, true);
        std::string eid = FolderEntryId(store.p, path);
        HRESULT hr = verb == "rename" ? HrRenameFolder(store.p, eid, name) : HrDeleteFolder(store.p, eid);
        if (hr == MAPI_E_NO_ACCESS) {
            throw CToolError("\"" + path + "\" is a standard folder of the store and cannot be " +
                             (verb == "rename" ? "renamed" : "deleted"));
        }
        if (hr == MAPI_E_COLLISION) {
            throw CToolError("a folder beside \"" + path + "\" is called \"" + name + "\" already");
        }
        Check(hr, (verb == "rename" ? "Renaming the folder \"" : "Deleting the folder \"") + path + "\"");
        if (verb == "rename") {
            out << "Folder \"" << path << "\" renamed to \"" << name << "\".\n";
        } else {
            out << "Folder \"" << path << "\" deleted.\n";
        }
    } else {
        throw CToolError("unknown folder command \"" + verb + "\" (see qrvstore --help)", 2);
    }
    return 0;
}

int ItemCommand(const CArgs& args, std::ostream& out) {
    const std::string& verb = args.Word(1, "an item command (list, export, import, delete, set)");
    CHold<IMsgStore> store;
    if (verb == "list") {
        args.Expect(4, 4);
        store.p = OpenStoreFile(args, 2, false);
        CHold<IMAPIFolder> folder;
        folder.p = FindFolder(store.p, args.Word(3, "FOLDER"));
        ULONGLONG limit = args.m_options.count("--limit") ? Number(args.Option("--limit"), "--limit") : ~0ull;
        CHold<IMAPITable> table;
        Check(folder->GetContentsTable(0, &table), "GetContentsTable");
        SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_SUBJECT_A}};
        Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
        ULONGLONG shown = 0;
        while (shown < limit) {
            LPSRowSet rows = nullptr;
            Check(table->QueryRows(100, 0, &rows), "QueryRows");
            ULONG n = rows->cRows;
            for (ULONG i = 0; i < n && shown < limit; ++i, ++shown) {
                const SPropValue* p = rows->aRow[i].lpProps;
                std::string eid;
                if (!BytesOf(p[0], eid)) {
                    FreeProws(rows);
                    throw CToolError("an item of \"" + args.Word(3, "FOLDER") +
                                     "\" has no entry id: the store is damaged");
                }
                out << ToHex(eid) << "\t" << TextOf(p[1]) << "\t" << TextOf(p[2]) << "\n";
            }
            FreeProws(rows);
            if (n == 0) {
                break;
            }
        }
    } else if (verb == "export") {
        args.Expect(4, 4);
        store.p = OpenStoreFile(args, 2, false);
        CHold<IMAPIFolder> folder;
        folder.p = FindFolder(store.p, args.Word(3, "FOLDER"));
        // Each item is written as it is read: a folder of any size needs memory for one item.
        std::string file = args.Option("--out");
        if (file.empty()) {
            WriteItemsDocument(folder.p, [&out](const std::string& piece) { out << piece; });
        } else {
            CDocumentWriter writer(file);
            ULONG count =
                WriteItemsDocument(folder.p, [&writer](const std::string& piece) { writer.Write(piece); });
            writer.Commit();
            out << count << " items written to " << file << ".\n";
        }
    } else if (verb == "import") {
        args.Expect(5, 5);
        const std::string& file = args.Word(4, "FILE");
        CheckFolderPath(args.Word(3, "FOLDER"));
        nlohmann::json doc = nlohmann::json::parse(ReadDocumentFile(file), nullptr, false);
        if (doc.is_discarded()) {
            throw CToolError(file + ": not valid JSON");
        }
        store.p = OpenStoreFile(args, 2, true);
        // All items of the file go in together or not at all, and so does a folder made for them.
        ULONG made = 0;
        InOneTransaction(store.p, [&] {
            CHold<IMAPIFolder> folder;
            folder.p = OpenOrMakeFolder(store.p, args.Word(3, "FOLDER"), "");
            made = ImportItems(folder.p, doc);
        });
        out << made << " items imported.\n";
    } else if (verb == "delete") {
        args.Word(3, "ENTRYID");
        std::vector<std::string> ids;
        for (size_t i = 3; i < args.m_words.size(); ++i) {
            ids.push_back(EntryIdOf(args.m_words[i]));
        }
        bool hard = args.Has("--hard");
        store.p = OpenStoreFile(args, 2, true);
        InOneTransaction(store.p, [&] {
            for (const std::string& eid : ids) {
                DeleteItem(store.p, eid, hard);
            }
        });
        out << ids.size() << " items deleted" << (hard ? " for good" : " (recoverable)") << ".\n";
    } else if (verb == "set") {
        args.Expect(6, 6);
        std::string eid = EntryIdOf(args.Word(3, "ENTRYID"));
        std::string property = args.Word(4, "PROPERTY");
        std::string value = args.Word(5, "VALUE");
        store.p = OpenStoreFile(args, 2, true);
        InOneTransaction(store.p, [&] { SetItemProperty(store.p, eid, property, value); });
        out << "Property " << property << " of the item set.\n";
    } else {
        throw CToolError("unknown item command \"" + verb + "\" (see qrvstore --help)", 2);
    }
    return 0;
}

int DeletedCommand(const CArgs& args, std::ostream& out) {
    const std::string& verb = args.Word(1, "a deleted-items command (list, restore, purge)");
    CHold<IMsgStore> store;
    store.p = OpenStoreFile(args, 2, verb != "list");
    if (verb == "list") {
        args.Expect(3, 3);
        std::vector<CDeletedItem> items;
        Check(HrListDeletedItems(store.p, items), "Listing deleted items");
        for (const CDeletedItem& item : items) {
            std::string folder = "?";
            LPMAPIFOLDER opened = nullptr;
            ULONG type = 0;
            if (SUCCEEDED(store->OpenEntry(
                    static_cast<ULONG>(item.m_folderEntryId.size()),
                    reinterpret_cast<LPENTRYID>(const_cast<char*>(item.m_folderEntryId.data())), nullptr, 0,
                    &type, reinterpret_cast<LPUNKNOWN*>(&opened)))) {
                SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_A}};
                ULONG count = 0;
                LPSPropValue values = nullptr;
                if (SUCCEEDED(
                        opened->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values))) {
                    folder = TextOf(values[0]);
                }
                MAPIFreeBuffer(values);
                opened->Release();
            }
            out << ToHex(item.m_entryId) << "\t" << folder << "\t" << item.m_messageClass << "\t"
                << item.m_subject << "\t" << FormatTime(item.m_deletedOn) << "\n";
        }
        return 0;
    }
    if (verb != "restore" && verb != "purge") {
        throw CToolError("unknown deleted-items command \"" + verb + "\" (see qrvstore --help)", 2);
    }
    std::vector<std::string> ids;
    for (size_t i = 3; i < args.m_words.size(); ++i) {
        std::string bytes;
        if (!FromHex(args.m_words[i], bytes)) {
            throw CToolError("\"" + args.m_words[i] + "\" is not an entry id in hex", 2);
        }
        ids.push_back(bytes);
    }
    ULONG done = 0;
    if (verb == "restore") {
        Check(HrRestoreDeletedItems(store.p, ids, &done), "Restoring");
        out << done << " items restored.\n";
    } else {
        Check(HrPurgeDeletedItems(store.p, ids, &done), "Purging");
        out << done << " items purged.\n";
    }
    return 0;
}

// --- synthetic data -------------------------------------------------------------------------

int GenerateCommand(const CArgs& args, std::ostream& out) {
    args.Expect(4, 4);
    std::vector<CCatalogType> catalog = FindCatalog(args.Option("--catalog"));
    const CCatalogType* type = FindType(catalog, args.Word(2, "TYPE"));
    if (type == nullptr) {
        throw CToolError("unknown item type \"" + args.Word(2, "TYPE") +
                             "\" (contact, appointment, mail, note, task or journal)",
                         2);
    }
    CGenerateOptions options;
    options.m_type = type;
    ULONGLONG count = Number(args.Word(3, "COUNT"), "COUNT");
    ULONGLONG folders = Number(args.Option("--folders", "1"), "--folders");
    if (count > 10000000 || folders > 1000) {
        throw CToolError("COUNT is limited to 10000000 and --folders to 1000", 2);
    }
    options.m_count = static_cast<ULONG>(count);
    options.m_folders = static_cast<ULONG>(folders);
    options.m_seed = Number(args.Option("--seed", "1"), "--seed");
    std::string share = args.Option("--duplicates", "0.2");
    char* end = nullptr;
    options.m_duplicates = std::strtod(share.c_str(), &end);
    if (share.empty() || *end != '\0' || !(options.m_duplicates >= 0 && options.m_duplicates <= 1)) {
        throw CToolError("--duplicates must be a share between 0 and 1, not \"" + share + "\"", 2);
    }
    CHold<IMsgStore> store;
    store.p = OpenStoreFile(args, 1, true);
    CGenerateResult result = Generate(store.p, options);
    out << result.m_items << " " << type->m_name << " items (" << result.m_duplicates << " duplicates) in "
        << result.m_folders.size() << " folder(s).\n";
    return 0;
}

int DemoCommand(const CArgs& args, std::ostream& out);

}  // namespace

std::string HelpText() {
    return kHelp;
}

int RunStoreTool(const std::vector<std::string>& rawArgs, std::ostream& out, std::ostream& err) {
    int code = 0;
    bool initialised = false;
    try {
        CArgs args = Parse(rawArgs);
        if (args.Has("--help") || args.m_words.empty() || args.m_words[0] == "help") {
            out << kHelp;
            return args.m_words.empty() && !args.Has("--help") ? 2 : 0;
        }
        Check(MAPIInitialize(nullptr), "MAPIInitialize");
        initialised = true;
        const std::string& command = args.m_words[0];
        if (command == "profile") {
            code = ProfileCommand(args, out);
        } else if (command == "store") {
            code = StoreCommand(args, out);
        } else if (command == "folder") {
            code = FolderCommand(args, out);
        } else if (command == "item") {
            code = ItemCommand(args, out);
        } else if (command == "deleted") {
            code = DeletedCommand(args, out);
        } else if (command == "generate") {
            code = GenerateCommand(args, out);
        } else if (command == "demo") {
            code = DemoCommand(args, out);
        } else {
            throw CToolError("unknown command \"" + command + "\" (see qrvstore --help)", 2);
        }
    } catch (const CToolError& error) {
        err << "qrvstore: " << error.what() << "\n";
        code = error.ExitCode();
    } catch (const std::exception& error) {
        err << "qrvstore: " << error.what() << "\n";
        code = 1;
    }
    if (initialised) {
        MAPIUninitialize();
    }
    // A check started by a read is not waited for: the tool is done.
    StopStoreChecks();
    return code;
}

namespace {

const char* const kDemoProfile = "Quorvel Demo";

bool ProfileExists(const std::string& name) {
    CHold<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, &admin), "MAPIAdminProfiles");
    CHold<IMAPITable> table;
    Check(admin->GetProfileTable(0, &table), "GetProfileTable");
    SizedSPropTagArray(1, columns) = {1, {PR_DISPLAY_NAME_A}};
    Check(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "SetColumns");
    LPSRowSet rows = nullptr;
    Check(table->QueryRows(0x7FFFFFFF, 0, &rows), "QueryRows");
    bool found = false;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        found = found || strcasecmp(TextOf(rows->aRow[i].lpProps[0]).c_str(), name.c_str()) == 0;
    }
    FreeProws(rows);
    return found;
}

void Fill(const std::string& file, const std::string& password, const std::vector<CCatalogType>& catalog,
          const std::vector<std::pair<const char*, std::array<ULONG, 3>>>& plan, std::ostream& out) {
    CHold<IMsgStore> store;
    Check(HrOpenStoreFile(file, password, MAPI_BEST_ACCESS, &store), "Opening " + file);
    for (const auto& [word, numbers] : plan) {
        CGenerateOptions options;
        options.m_type = FindType(catalog, word);
        if (options.m_type == nullptr) {
            continue;  // a catalog without this type simply gets no such items
        }
        options.m_count = numbers[0];
        options.m_folders = numbers[1];
        options.m_duplicates = numbers[2] / 100.0;
        options.m_seed = 2024 + numbers[0];
        CGenerateResult result = Generate(store.p, options);
        out << "  " << result.m_items << " " << options.m_type->m_name << " items, " << result.m_duplicates
            << " of them duplicates\n";
    }
}

int DemoCommand(const CArgs& args, std::ostream& out) {
    args.Expect(1, 1);
    if (ProfileExists(kDemoProfile)) {
        out << "The profile \"" << kDemoProfile << "\" exists already; nothing to do.\n";
        return 0;
    }
    std::vector<CCatalogType> catalog = FindCatalog(args.Option("--catalog"));
    const std::string personal = "Quorvel Demo.qst";
    const std::string archive = "Quorvel Demo Archive.qst";
    bool freshPersonal = access(HrResolveStorePath(personal).c_str(), F_OK) != 0;
    bool freshArchive = access(HrResolveStorePath(archive).c_str(), F_OK) != 0;
    CHold<IProfAdmin> admin;
    Check(MAPIAdminProfiles(0, &admin), "MAPIAdminProfiles");
    Check(admin->CreateProfile(kDemoProfile, nullptr, 0, 0), "Creating the demo profile");
    try {
        AddStoreToProfile(kDemoProfile, "", personal, "Personal Folders", "", false, true, out);
        AddStoreToProfile(kDemoProfile, "", archive, "Archive", "archive", false, false, out);
        if (freshPersonal) {
            out << "Personal Folders:\n";
            Fill(personal, "", catalog,
                 {{"contact", {120, 2, 25}},
                  {"appointment", {80, 1, 20}},
                  {"mail", {150, 2, 20}},
                  {"note", {40, 1, 25}},
                  {"task", {50, 1, 20}},
                  {"journal", {30, 1, 20}}},
                 out);
        }
        if (freshArchive) {
            out << "Archive (password \"archive\"):\n";
            Fill(archive, "archive", catalog, {{"contact", {60, 1, 30}}, {"mail", {60, 1, 30}}}, out);
        }
    } catch (...) {
        // A demo that could not be finished is removed, so that running it again starts over.
        admin->DeleteProfile(kDemoProfile, 0);
        throw;
    }
    out << "The profile \"" << kDemoProfile << "\" is ready.\n";
    return 0;
}

}  // namespace

}  // namespace qrvstore
