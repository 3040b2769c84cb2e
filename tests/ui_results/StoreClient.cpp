// Another client of the test profile's store, for the results tests.
#include "tests/ui_results/StoreClient.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/ConfigInfo.h"
#include "model/StoreInfo.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace qrvtest {

using mapitest::Ref;

CStoreClient::CStoreClient(CConfigInfo* pConfig) {
    EXPECT_EQ(S_OK, MAPILogonEx(0, "work", nullptr, MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED,
                                &m_lpSession));
    CStoreInfo* pStore = pConfig->GetStore(0);
    SBinary key{};
    EXPECT_EQ(S_OK, pStore->GetStoreKey(&key));
    pStore->Release();
    EXPECT_EQ(S_OK, m_lpSession->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                              MAPI_BEST_ACCESS | MAPI_MODIFY, &m_lpMDB));
    free(key.lpb);
}

CStoreClient::~CStoreClient() {
    if (m_lpMDB != nullptr)
        m_lpMDB->Release();
    if (m_lpSession != nullptr) {
        m_lpSession->Logoff(0, 0, 0);
        m_lpSession->Release();
    }
}

IMAPIFolder* CStoreClient::Open(const std::vector<BYTE>& folder) {
    LPUNKNOWN lpUnk = nullptr;
    EXPECT_EQ(S_OK,
              mapitest::OpenById(m_lpMDB, std::string(folder.begin(), folder.end()), MAPI_MODIFY, &lpUnk));
    return static_cast<IMAPIFolder*>(lpUnk);
}

std::vector<BYTE> CStoreClient::MakeFolder(const std::vector<BYTE>& parent, const char* lpszName) {
    Ref<IMAPIFolder> lpParent{Open(parent)};
    Ref<IMAPIFolder> lpFolder;
    EXPECT_EQ(S_OK,
              lpParent->CreateFolder(FOLDER_GENERIC, lpszName, nullptr, nullptr, OPEN_IF_EXISTS, &lpFolder));
    mapitest::Values id;
    EXPECT_EQ(S_OK, lpFolder->GetProps(mapitest::Tags{PR_ENTRYID}, 0, &id.count, &id.p));
    return std::vector<BYTE>(id[0].Value.bin.lpb, id[0].Value.bin.lpb + id[0].Value.bin.cb);
}

std::vector<BYTE> CStoreClient::AddMail(const std::vector<BYTE>& folder, const std::string& subject,
                                        const std::string& sender, DWORD dwModified) {
    Ref<IMAPIFolder> lpFolder{Open(folder)};
    Ref<IMessage> message;
    EXPECT_EQ(S_OK, lpFolder->CreateMessage(nullptr, 0, &message));
    const std::string email = sender + "@example.org";
    SPropValue props[6] = {};
    props[0].ulPropTag = PR_MESSAGE_CLASS;
    props[0].Value.lpszA = const_cast<char*>("IPM.Note");
    props[1].ulPropTag = PR_SENDER_NAME;
    props[1].Value.lpszA = const_cast<char*>(sender.c_str());
    props[2].ulPropTag = PR_SENDER_EMAIL_ADDRESS;
    props[2].Value.lpszA = const_cast<char*>(email.c_str());
    props[3].ulPropTag = PR_CLIENT_SUBMIT_TIME;
    props[3].Value.ft = FILETIME{0x10000000, 0x01D00000};
    props[4].ulPropTag = PR_LAST_MODIFICATION_TIME;
    props[4].Value.ft = FILETIME{dwModified, 0x01D00000};
    props[5].ulPropTag = PR_SUBJECT;
    props[5].Value.lpszA = const_cast<char*>(subject.c_str());
    EXPECT_EQ(S_OK, message->SetProps(6, props, nullptr));
    EXPECT_EQ(S_OK, message->SaveChanges(0));
    mapitest::Values id;
    EXPECT_EQ(S_OK, message->GetProps(mapitest::Tags{PR_ENTRYID}, 0, &id.count, &id.p));
    return std::vector<BYTE>(id[0].Value.bin.lpb, id[0].Value.bin.lpb + id[0].Value.bin.cb);
}

void CStoreClient::DeleteItem(const std::vector<BYTE>& folder, const std::vector<BYTE>& item) {
    Ref<IMAPIFolder> lpFolder{Open(folder)};
    SBinary bin{(ULONG)item.size(), const_cast<LPBYTE>(item.data())};
    SBinaryArray list{1, &bin};
    EXPECT_EQ(S_OK, lpFolder->DeleteMessages(&list, 0, nullptr, 0));
}

void CStoreClient::SetText(const std::vector<BYTE>& item, ULONG ulTag, const char* lpszValue) {
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK, mapitest::OpenById(m_lpMDB, std::string(item.begin(), item.end()), MAPI_MODIFY, &lpUnk));
    Ref<IMessage> message{static_cast<IMessage*>(lpUnk)};
    SPropValue value{};
    value.ulPropTag = ulTag;
    value.Value.lpszA = const_cast<char*>(lpszValue);
    EXPECT_EQ(S_OK, message->SetProps(1, &value, nullptr));
    EXPECT_EQ(S_OK, message->SaveChanges(0));
}

void CStoreClient::DeleteFolder(const std::vector<BYTE>& folder) {
    EXPECT_EQ(S_OK, HrDeleteFolder(m_lpMDB, std::string(folder.begin(), folder.end())));
}

std::set<std::vector<BYTE>> CStoreClient::LiveItems(const std::vector<BYTE>& folder) {
    Ref<IMAPIFolder> lpFolder{Open(folder)};
    return mapitest::LiveEntryIds(lpFolder);
}

}  // namespace qrvtest
