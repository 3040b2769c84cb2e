// Shared set-up of the message-store tests.
#include "tests/platform_mapi/MapiTestSupport.h"

#include <cstring>

#include "platform/mapi/StoreAdmin.h"

namespace mapitest {

std::string Bytes(const SBinary& bin) {
    return bin.cb > 0 ? std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb) : std::string();
}

SBinary Bin(const std::string& bytes) {
    return SBinary{static_cast<ULONG>(bytes.size()),
                   reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data()))};
}

SRestriction PropertyIs(ULONG relop, SPropValue& value) {
    SRestriction res{};
    res.rt = RES_PROPERTY;
    res.res.resProperty.relop = relop;
    res.res.resProperty.ulPropTag = value.ulPropTag;
    res.res.resProperty.lpProp = &value;
    return res;
}

void MapiTest::SetUp() {
    m_root = std::make_unique<qrvtest::TempRoot>();
    CMAPITestHooks::Reset();
    m_objectsBefore = CMAPITestHooks::LiveObjects();
    m_buffersBefore = CMAPITestHooks::LiveBuffers();
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
}

MapiTest::~MapiTest() {
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
    SPropValue values[3] = {};
    values[0].ulPropTag = PR_PST_PATH;
    values[0].Value.lpszA = const_cast<char*>(storeFile.c_str());
    values[1].ulPropTag = PR_DISPLAY_NAME;
    values[1].Value.lpszA = const_cast<char*>(storeName.c_str());
    values[2].ulPropTag = PR_PST_PW_SZ_NEW;
    values[2].Value.lpszA = const_cast<char*>(storePassword.c_str());
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
    SPropValue values[2] = {};
    values[0].ulPropTag = PR_PST_PW_SZ_OLD;
    values[0].Value.lpszA = const_cast<char*>(password.c_str());
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
    EXPECT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_DISPLAY_NAME_A}, 0));
    Rows rows;
    EXPECT_EQ(S_OK, table->QueryRows(50, 0, &rows.p));
    for (ULONG i = 0; rows.p != nullptr && i < rows.p->cRows; ++i) {
        if (name == rows.p->aRow[i].lpProps[1].Value.lpszA) {
            return Bytes(rows.p->aRow[i].lpProps[0].Value.bin);
        }
    }
    ADD_FAILURE() << "no store named " << name;
    return {};
}

LPMDB MapiTest::OpenStore(LPMAPISESSION session, const std::string& name, ULONG flags) {
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    EXPECT_EQ(S_OK, OpenById(session, StoreEntryId(session, name), flags, &unknown, &type));
    EXPECT_EQ(MAPI_STORE, type);
    return static_cast<LPMDB>(static_cast<IMsgStore*>(static_cast<IUnknown*>(unknown)));
}

std::string MapiTest::BinaryProp(LPMAPIPROP object, ULONG tag) {
    ULONG count = 0;
    LPSPropValue values = nullptr;
    EXPECT_EQ(S_OK, object->GetProps(Tags{tag}, 0, &count, &values));
    std::string bytes = values != nullptr && values[0].ulPropTag == tag ? Bytes(values[0].Value.bin) : "";
    MAPIFreeBuffer(values);
    return bytes;
}

LONG MapiTest::LongProp(LPMAPIPROP object, ULONG tag) {
    ULONG count = 0;
    LPSPropValue values = nullptr;
    EXPECT_EQ(S_OK, object->GetProps(Tags{tag}, 0, &count, &values));
    LONG value = values != nullptr && values[0].ulPropTag == tag ? values[0].Value.l : -1;
    MAPIFreeBuffer(values);
    return value;
}

std::string MapiTest::TextProp(LPMAPIPROP object, ULONG tag) {
    ULONG count = 0;
    LPSPropValue values = nullptr;
    HRESULT hr = object->GetProps(Tags{tag}, 0, &count, &values);
    EXPECT_TRUE(SUCCEEDED(hr));
    std::string text = values != nullptr && values[0].ulPropTag == tag ? values[0].Value.lpszA : "<none>";
    MAPIFreeBuffer(values);
    return text;
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
    EXPECT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_DISPLAY_NAME_A}, 0));
    Rows rows;
    EXPECT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
    for (ULONG i = 0; i < rows.p->cRows; ++i) {
        if (name == rows.p->aRow[i].lpProps[1].Value.lpszA) {
            return OpenFolder(store, Bytes(rows.p->aRow[i].lpProps[0].Value.bin), flags);
        }
    }
    ADD_FAILURE() << "no folder named " << name;
    return nullptr;
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
    SPropValue base[2] = {};
    base[0].ulPropTag = PR_MESSAGE_CLASS_A;
    base[0].Value.lpszA = const_cast<char*>(messageClass.c_str());
    base[1].ulPropTag = PR_SUBJECT_A;
    base[1].Value.lpszA = const_cast<char*>(subject.c_str());
    EXPECT_EQ(S_OK, message->SetProps(2, base, nullptr));
    if (!extra.empty()) {
        EXPECT_EQ(S_OK, message->SetProps(static_cast<ULONG>(extra.size()), extra.data(), nullptr));
    }
    EXPECT_EQ(S_OK, message->SaveChanges(0));
    return BinaryProp(message, PR_ENTRYID);
}

std::vector<std::string> MapiTest::ContentIds(LPMAPIFOLDER folder, LONG batch) {
    std::vector<std::string> ids;
    Ref<IMAPITable> table(ContentsTable(folder, {PR_ENTRYID}));
    for (;;) {
        Rows rows;
        EXPECT_EQ(S_OK, table->QueryRows(batch, 0, &rows.p));
        if (rows.p == nullptr || rows.p->cRows == 0) {
            break;
        }
        for (ULONG i = 0; i < rows.p->cRows; ++i) {
            ids.push_back(Bytes(rows.p->aRow[i].lpProps[0].Value.bin));
        }
    }
    return ids;
}

}  // namespace mapitest
