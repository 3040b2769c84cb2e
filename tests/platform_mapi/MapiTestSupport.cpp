// Shared set-up of the message-store tests.
#include "tests/platform_mapi/MapiTestSupport.h"

#include <dirent.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "platform/mapi/StoreAdmin.h"

namespace mapitest {

namespace {

// The entry id of the row whose display name is 'name' in a hierarchy or stores table; empty if none.
std::string EntryIdNamed(LPMAPITABLE table, const std::string& name) {
    EXPECT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_DISPLAY_NAME_A}, 0));
    Rows rows;
    EXPECT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
    for (ULONG i = 0; rows.p != nullptr && i < rows.p->cRows; ++i) {
        if (name == rows.p->aRow[i].lpProps[1].Value.lpszA) {
            return Bytes(rows.p->aRow[i].lpProps[0].Value.bin);
        }
    }
    ADD_FAILURE() << "nothing named " << name;
    return {};
}

// The first row of a statement's first column as text, over a read-only connection.
std::string FirstText(const std::string& storeFile, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string text;
    if (sqlite3_open_v2(HrResolveStorePath(storeFile).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
        }
        if (rc == SQLITE_ROW) {
            const unsigned char* value = sqlite3_column_text(stmt, 0);
            text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
        } else {
            text = sqlite3_errstr(rc);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return text;
}

}  // namespace

void FlipBitInPageOf(const std::string& storeFile, const std::string& name, long offset) {
    long page = std::atol(
        FirstText(storeFile, "SELECT rootpage FROM sqlite_master WHERE name = '" + name + "'").c_str());
    long size = std::atol(FirstText(storeFile, "PRAGMA page_size").c_str());
    ASSERT_GT(page, 0) << name;
    std::string bytes = FileBytes(HrResolveStorePath(storeFile));
    size_t at = static_cast<size_t>((page - 1) * size + (offset < 0 ? size + offset : offset));
    ASSERT_LT(at, bytes.size());
    bytes[at] = static_cast<char>(bytes[at] ^ 1);
    // Written as a new file in its place: a process knows a file it checked once as sound for its
    // whole life, and a test runs many processes' steps in one.
    std::remove(HrResolveStorePath(storeFile).c_str());
    std::ofstream(HrResolveStorePath(storeFile), std::ios::binary | std::ios::trunc) << bytes;
}

std::string IntegrityOf(const std::string& storeFile) {
    return FirstText(storeFile, "PRAGMA integrity_check");
}

// What a reader could change of a store: its bytes, its schema, its journal mode (the header says
// it) and the files beside it.
std::string StoreState(const std::string& file) {
    std::string state;
    const std::string path = HrResolveStorePath(file);
    const std::string dir = path.substr(0, path.rfind('/'));
    std::set<std::string> names;
    if (DIR* listing = ::opendir(dir.c_str())) {
        while (dirent* entry = ::readdir(listing)) {
            names.insert(entry->d_name);
        }
        ::closedir(listing);
    }
    for (const std::string& name : names) {
        state += name + "\n";
    }
    const std::string bytes = FileBytes(path);
    state += "mode " + std::to_string(bytes.size() > 19 ? bytes[18] * 10 + bytes[19] : -1) + "\n";
    return state + bytes;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void MapiTest::SetUp() {
    m_root = std::make_unique<qrvtest::TempRoot>();
    CMAPITestHooks::Reset();
    m_objectsBefore = CMAPITestHooks::LiveObjects();
    m_buffersBefore = CMAPITestHooks::LiveBuffers();
    m_bSetUp = true;
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    m_bInitialized = true;
}

MapiTest::~MapiTest() {
    if (!m_bSetUp)
        return;
    if (m_bInitialized)
        MAPIUninitialize();
    CMAPITestHooks::Reset();
    EXPECT_EQ(m_objectsBefore, CMAPITestHooks::LiveObjects()) << "objects left unreleased";
    EXPECT_EQ(m_buffersBefore, CMAPITestHooks::LiveBuffers()) << "MAPI buffers left unfreed";
    EXPECT_EQ(0, CMAPITestHooks::InitializeBalance());
    m_root.reset();
}

std::string MapiTest::AddStore(const std::string& profile, const std::string& profilePassword,
                               const std::string& storeFile, const std::string& storeName,
                               const std::string& storePassword) {
    Ref<IProfAdmin> admin;
    EXPECT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    Ref<IMsgServiceAdmin> services;
    EXPECT_EQ(S_OK, admin->AdminServices(profile.c_str(), profilePassword.c_str(), 0, 0, &services));
    if (services.p == nullptr) {
        return {};
    }
    MAPIUID muid{};
    EXPECT_EQ(S_OK, NewService(services, storeName, muid));
    SPropValue values[3] = {TextValue(PR_PST_PATH, storeFile.c_str()),
                            TextValue(PR_DISPLAY_NAME, storeName.c_str()),
                            TextValue(PR_PST_PW_SZ_NEW, storePassword.c_str())};
    EXPECT_EQ(S_OK, services->ConfigureMsgService(&muid, 0, 0, 3, values));
    return std::string(reinterpret_cast<const char*>(muid.ab), 16);
}

HRESULT MapiTest::NewService(LPSERVICEADMIN services, const std::string& name, MAPIUID& uid) {
    HRESULT hr = services->CreateMsgService("MSPST MS", name.c_str(), 0, 0);
    Ref<IMAPITable> table;
    if (SUCCEEDED(hr)) {
        hr = services->GetMsgServiceTable(0, &table);
    }
    Rows rows;
    if (SUCCEEDED(hr)) {
        hr = table->QueryRows(100, 0, &rows.p);
    }
    if (SUCCEEDED(hr) && rows.p->cRows > 0) {
        std::memcpy(uid.ab, rows.p->aRow[rows.p->cRows - 1].lpProps[0].Value.bin.lpb, 16);
    }
    return hr;
}

std::string MapiTest::MakeProfile(const std::string& profile, const std::string& profilePassword,
                                  const std::string& storeFile, const std::string& storeName,
                                  const std::string& storePassword) {
    Ref<IProfAdmin> admin;
    EXPECT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    EXPECT_EQ(S_OK, admin->CreateProfile(profile.c_str(), profilePassword.c_str(), 0, 0));
    return AddStore(profile, profilePassword, storeFile, storeName, storePassword);
}

HRESULT MapiTest::RememberPassword(const std::string& profile, const std::string& serviceUid,
                                   const std::string& password, bool remember) {
    Ref<IProfAdmin> admin;
    HRESULT hr = MAPIAdminProfiles(0, &admin);
    if (FAILED(hr)) {
        return hr;
    }
    Ref<IMsgServiceAdmin> services;
    hr = admin->AdminServices(profile.c_str(), nullptr, 0, 0, &services);
    if (FAILED(hr)) {
        return hr;
    }
    SPropValue values[2] = {TextValue(PR_PST_PW_SZ_OLD, password.c_str()), {}};
    values[1].ulPropTag = PR_PST_REMEMBER_PW;
    values[1].Value.b = remember ? 1 : 0;
    MAPIUID muid;
    std::memcpy(muid.ab, serviceUid.data(), 16);
    return services->ConfigureMsgService(&muid, 0, 0, 2, values);
}

LPMAPISESSION MapiTest::Logon(const std::string& profile, const char* password) {
    LPMAPISESSION session = nullptr;
    EXPECT_EQ(S_OK, MAPILogonEx(0, profile.c_str(), password, 0x108032, &session));
    return session;
}

std::string MapiTest::StoreEntryId(LPMAPISESSION session, const std::string& name) {
    Ref<IMAPITable> table;
    EXPECT_EQ(S_OK, session->GetMsgStoresTable(0, &table));
    return table.p != nullptr ? EntryIdNamed(table, name) : std::string();
}

LPMDB MapiTest::OpenStore(LPMAPISESSION session, const std::string& name, ULONG flags) {
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    EXPECT_EQ(S_OK, OpenById(session, StoreEntryId(session, name), flags, &unknown, &type));
    EXPECT_EQ(MAPI_STORE, type);
    return static_cast<LPMDB>(static_cast<IMsgStore*>(static_cast<IUnknown*>(unknown)));
}

std::string MapiTest::BinaryProp(LPMAPIPROP object, ULONG tag) {
    Values v;
    EXPECT_EQ(S_OK, object->GetProps(Tags{tag}, 0, &v.count, &v.p));
    return v.p != nullptr && v[0].ulPropTag == tag ? Bytes(v[0].Value.bin) : "";
}

LONG MapiTest::LongProp(LPMAPIPROP object, ULONG tag) {
    Values v;
    EXPECT_EQ(S_OK, object->GetProps(Tags{tag}, 0, &v.count, &v.p));
    return v.p != nullptr && v[0].ulPropTag == tag ? v[0].Value.l : -1;
}

std::string MapiTest::TextProp(LPMAPIPROP object, ULONG tag) {
    Values v;
    EXPECT_TRUE(SUCCEEDED(object->GetProps(Tags{tag}, 0, &v.count, &v.p)));
    return v.p != nullptr && v[0].ulPropTag == tag ? v[0].Value.lpszA : "<none>";
}

LPMAPIFOLDER MapiTest::OpenFolder(LPMDB store, const std::string& entryId, ULONG flags) {
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    EXPECT_EQ(S_OK, OpenById(store, entryId, flags, &unknown, &type));
    EXPECT_EQ(MAPI_FOLDER, type);
    return static_cast<LPMAPIFOLDER>(static_cast<IMAPIFolder*>(static_cast<IUnknown*>(unknown)));
}

LPMAPIFOLDER MapiTest::OpenNamedFolder(LPMDB store, const std::string& name, ULONG flags) {
    Ref<IMAPIFolder> ipm(OpenFolder(store, BinaryProp(store, PR_IPM_SUBTREE_ENTRYID)));
    return OpenChildFolder(ipm, store, name, flags);
}

LPMAPIFOLDER MapiTest::OpenChildFolder(LPMAPIFOLDER parent, LPMDB store, const std::string& name,
                                       ULONG flags) {
    Ref<IMAPITable> table;
    EXPECT_EQ(S_OK, parent->GetHierarchyTable(0, &table));
    std::string eid = table.p != nullptr ? EntryIdNamed(table, name) : std::string();
    return eid.empty() ? nullptr : OpenFolder(store, eid, flags);
}

LPMAPITABLE MapiTest::ContentsTable(LPMAPIFOLDER folder, std::initializer_list<ULONG> columns) {
    LPMAPITABLE table = nullptr;
    EXPECT_EQ(S_OK, folder->GetContentsTable(0, &table));
    EXPECT_EQ(S_OK, table->SetColumns(Tags(columns), 0));
    return table;
}

std::string MapiTest::AddMessage(LPMAPIFOLDER folder, const std::string& messageClass,
                                 const std::string& subject, std::vector<SPropValue> extra) {
    Ref<IMessage> message;
    EXPECT_EQ(S_OK, folder->CreateMessage(nullptr, 0, &message));
    SPropValue base[2] = {TextValue(PR_MESSAGE_CLASS_A, messageClass.c_str()),
                          TextValue(PR_SUBJECT_A, subject.c_str())};
    EXPECT_EQ(S_OK, message->SetProps(2, base, nullptr));
    if (!extra.empty()) {
        EXPECT_EQ(S_OK, message->SetProps(static_cast<ULONG>(extra.size()), extra.data(), nullptr));
    }
    EXPECT_EQ(S_OK, message->SaveChanges(0));
    return BinaryProp(message, PR_ENTRYID);
}

void MapiTest::EachRow(LPMAPITABLE table, LONG batch, const std::function<void(const SRow&)>& each) {
    for (;;) {
        Rows rows;
        EXPECT_EQ(S_OK, table->QueryRows(batch, 0, &rows.p));
        if (rows.p == nullptr || rows.p->cRows == 0) {
            break;
        }
        for (ULONG i = 0; i < rows.p->cRows; ++i) {
            each(rows.p->aRow[i]);
        }
    }
}

std::vector<std::string> MapiTest::ContentIds(LPMAPIFOLDER folder, LONG batch) {
    std::vector<std::string> ids;
    Ref<IMAPITable> table(ContentsTable(folder, {PR_ENTRYID}));
    EachRow(table, batch, [&](const SRow& row) { ids.push_back(Bytes(row.lpProps[0].Value.bin)); });
    return ids;
}

}  // namespace mapitest
