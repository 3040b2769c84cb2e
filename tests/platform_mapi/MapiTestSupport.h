// Shared set-up of the message-store tests: a fresh machine root, profiles, stores and items.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "tests/support/TempRoot.h"

namespace mapitest {

// Releases an interface at the end of a scope.
template <class T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    explicit Ref(T* q) : p(q) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void reset() {
        if (p != nullptr) {
            p->Release();
            p = nullptr;
        }
    }
    T* operator->() const { return p; }
    T** operator&() { return &p; }
    operator T*() const { return p; }
};

// Frees a MAPI buffer or row set at the end of a scope.
struct Buffer {
    void* p = nullptr;
    ~Buffer() { MAPIFreeBuffer(p); }
};
struct Rows {
    LPSRowSet p = nullptr;
    ~Rows() { FreeProws(p); }
    void reset() {
        FreeProws(p);
        p = nullptr;
    }
};

inline std::string Bytes(const SBinary& bin) {
    return bin.cb > 0 ? std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb) : std::string();
}
inline SBinary Bin(const std::string& bytes) {
    return SBinary{static_cast<ULONG>(bytes.size()),
                   reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data()))};
}

// The values GetProps hands out, freed at the end of a scope: `GetProps(tags, 0, &v.count, &v.p)`.
struct Values {
    ULONG count = 0;
    LPSPropValue p = nullptr;
    Values() = default;
    Values(const Values&) = delete;
    Values& operator=(const Values&) = delete;
    ~Values() { MAPIFreeBuffer(p); }
    SPropValue& operator[](size_t i) const { return p[i]; }
};

// The tag GetIDsFromNames gives the numbered name 'id' of the property set 'set'; its result.
inline HRESULT NamedIdOf(LPMDB store, const GUID& set, LONG id, ULONG flags, ULONG& tag) {
    MAPINAMEID name{};
    name.lpguid = const_cast<GUID*>(&set);
    name.ulKind = MNID_ID;
    name.Kind.lID = id;
    LPMAPINAMEID names[1] = {&name};
    LPSPropTagArray tags = nullptr;
    HRESULT hr = store->GetIDsFromNames(1, names, flags, &tags);
    tag = tags != nullptr ? tags->aulPropTag[0] : 0;
    MAPIFreeBuffer(tags);
    return hr;
}

// Property values built in place, e.g. for AddMessage's extra values; a text value points at 'text'.
inline SPropValue LongValue(ULONG tag, LONG value) {
    SPropValue v{tag, 0, {}};
    v.Value.l = value;
    return v;
}
inline SPropValue TextValue(ULONG tag, const char* text) {
    SPropValue v{tag, 0, {}};
    v.Value.lpszA = const_cast<char*>(text);
    return v;
}

// A property tag array built in place: `table->SetColumns(Tags{PR_ENTRYID}, 0)`.
struct Tags {
    std::vector<ULONG> m_raw;
    Tags(std::initializer_list<ULONG> tags) : Tags(std::vector<ULONG>(tags)) {}
    explicit Tags(const std::vector<ULONG>& tags) : m_raw(1, static_cast<ULONG>(tags.size())) {
        m_raw.insert(m_raw.end(), tags.begin(), tags.end());
    }
    operator LPSPropTagArray() { return reinterpret_cast<LPSPropTagArray>(m_raw.data()); }
};

// A restriction comparing one property with 'value'.
inline SRestriction PropertyIs(ULONG relop, SPropValue& value) {
    SRestriction res{};
    res.rt = RES_PROPERTY;
    res.res.resProperty = SPropertyRestriction{relop, value.ulPropTag, &value};
    return res;
}

// The entry ids of a folder's live items (up to 1000).
inline std::set<std::vector<BYTE>> LiveEntryIds(IMAPIFolder* folder) {
    std::set<std::vector<BYTE>> items;
    Ref<IMAPITable> table;
    Rows rows;
    EXPECT_EQ(S_OK, folder->GetContentsTable(0, &table));
    EXPECT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID}, 0));
    EXPECT_EQ(S_OK, table->QueryRows(1000, 0, &rows.p));
    for (ULONG i = 0; rows.p != nullptr && i < rows.p->cRows; ++i) {
        const SBinary& bin = rows.p->aRow[i].lpProps[0].Value.bin;
        items.insert(std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb));
    }
    return items;
}

// Opens an entry by its id through a session, store or folder.
template <class C>
HRESULT OpenById(C* container, const std::string& eid, ULONG flags, LPUNKNOWN* unknown,
                 ULONG* type = nullptr) {
    ULONG ignored = 0;
    *unknown = nullptr;
    return container->OpenEntry(static_cast<ULONG>(eid.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())), nullptr, flags,
                                type != nullptr ? type : &ignored, unknown);
}

// Damage done to a store file while no connection has it open: flips the lowest bit of the byte
// 'offset' bytes into the first page of the table or index 'name' (negative: from its end), in a
// new file put in its place.
void FlipBitInPageOf(const std::string& storeFile, const std::string& name, long offset);
// SQLite's integrity check of a store file, read-only: "ok" or the first fault it finds.
std::string IntegrityOf(const std::string& storeFile);
// What a reader could change of a store: its bytes, its journal mode (its header says it) and the
// names of the files in its folder.
std::string StoreState(const std::string& storeFile);
// Every byte of a file.
std::string FileBytes(const std::string& path);

// Every test runs in its own machine root with MAPI initialised once, and checks on the way out
// that nothing it made is still alive and that initialisation is balanced. The check runs in the
// destructor, after a derived fixture's members have released what they hold.
class MapiTest : public ::testing::Test {
protected:
    ~MapiTest() override;
    void SetUp() override;

    // Makes a profile with one personal-folders service whose store file is 'storeFile'
    // (created when missing, with 'storePassword'); returns the service's uid.
    std::string MakeProfile(const std::string& profile, const std::string& profilePassword,
                            const std::string& storeFile, const std::string& storeName,
                            const std::string& storePassword = "");
    // Adds one more store to a profile; returns the service's uid.
    std::string AddStore(const std::string& profile, const std::string& profilePassword,
                         const std::string& storeFile, const std::string& storeName,
                         const std::string& storePassword = "");
    // Adds a personal-folders service called 'name' to a profile's services; 'uid' gets its uid.
    HRESULT NewService(LPSERVICEADMIN services, const std::string& name, MAPIUID& uid);
    // Sets the password a service hands its store (PR_PST_PW_SZ_OLD with PR_PST_REMEMBER_PW).
    HRESULT RememberPassword(const std::string& profile, const std::string& serviceUid,
                             const std::string& password, bool remember);

    LPMAPISESSION Logon(const std::string& profile, const char* password = "");
    // The entry id of the store whose display name is 'name' in the session's stores table.
    std::string StoreEntryId(LPMAPISESSION session, const std::string& name);
    LPMDB OpenStore(LPMAPISESSION session, const std::string& name, ULONG flags = MAPI_BEST_ACCESS);
    // The entry id stored in a binary property of an object.
    std::string BinaryProp(LPMAPIPROP object, ULONG tag);
    LONG LongProp(LPMAPIPROP object, ULONG tag);
    std::string TextProp(LPMAPIPROP object, ULONG tag);
    LPMAPIFOLDER OpenFolder(LPMDB store, const std::string& entryId, ULONG flags = MAPI_BEST_ACCESS);
    // Opens a standard folder below the IPM subtree by name ("Contacts", "Inbox", ...).
    LPMAPIFOLDER OpenNamedFolder(LPMDB store, const std::string& name, ULONG flags = MAPI_BEST_ACCESS);
    // Opens the direct subfolder of 'parent' called 'name'.
    LPMAPIFOLDER OpenChildFolder(LPMAPIFOLDER parent, LPMDB store, const std::string& name,
                                 ULONG flags = MAPI_BEST_ACCESS);
    // A folder's contents table showing 'columns'.
    LPMAPITABLE ContentsTable(LPMAPIFOLDER folder, std::initializer_list<ULONG> columns);
    // Creates and saves a message with a class, a subject and the given extra values; returns its entry id.
    std::string AddMessage(LPMAPIFOLDER folder, const std::string& messageClass, const std::string& subject,
                           std::vector<SPropValue> extra = {});
    // The entry ids of a folder's contents, read in batches of 'batch'.
    // Calls each(row) for every row the table still has, read 'batch' rows at a time.
    static void EachRow(LPMAPITABLE table, LONG batch, const std::function<void(const SRow&)>& each);
    std::vector<std::string> ContentIds(LPMAPIFOLDER folder, LONG batch = 100);

    std::unique_ptr<qrvtest::TempRoot> m_root;
    LONG m_objectsBefore = 0;
    LONG m_buffersBefore = 0;
    // Whether SetUp ran (a test that skips before it leaves nothing to check) and initialised MAPI.
    bool m_bSetUp = false;
    bool m_bInitialized = false;
};

}  // namespace mapitest
