// The namespace object: Logon to a profile of the message-store service and GetItemFromID.
#include "platform/automation/MailNameSpace.h"

#include <cstring>

#include "platform/automation/HexKey.h"
#include "platform/automation/MailItem.h"
#include "platform/automation/StorePasswordPrompt.h"
#include "platform/mapi/MAPIX.h"

namespace {

enum : DISPID {
    DISPID_NS_LOGON = 1,
    DISPID_NS_GETITEMFROMID,
};

const DispMember NAMESPACE_MEMBERS[] = {
    {"Logon", DISPID_NS_LOGON, DISPATCH_METHOD, 0, 4},
    {"GetItemFromID", DISPID_NS_GETITEMFROMID, DISPATCH_METHOD, 1, 2},
    {nullptr, 0, 0, 0, 0},
};

}  // namespace

CMailNameSpace::CMailNameSpace() = default;

CMailNameSpace::~CMailNameSpace() {
    if (m_pSession != nullptr) {
        m_pSession->Logoff(0, 0, 0);
        m_pSession->Release();
        m_pSession = nullptr;
        MAPIUninitialize();
    }
}

const DispMember* CMailNameSpace::Members() const {
    return NAMESPACE_MEMBERS;
}

const char* CMailNameSpace::SourceName() const {
    return "Mail client namespace";
}

HRESULT CMailNameSpace::InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                                     DispFailure& failure) {
    switch (dispid) {
        case DISPID_NS_LOGON:
            return Logon(args, puArgErr, failure);
        case DISPID_NS_GETITEMFROMID:
            return GetItemFromID(args, pResult, puArgErr, failure);
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CMailNameSpace::Logon(const CDispArgs& args, UINT* puArgErr, DispFailure& failure) {
    std::string profile;
    std::string password;
    bool bHaveProfile = false;
    bool bHavePassword = false;
    bool bShowDialog = false;
    bool bNewSession = false;
    HRESULT hr = args.GetText(0, true, profile, &bHaveProfile, puArgErr);
    if (SUCCEEDED(hr))
        hr = args.GetText(1, true, password, &bHavePassword, puArgErr);
    if (SUCCEEDED(hr))
        hr = args.GetBool(2, false, bShowDialog, puArgErr);
    if (SUCCEEDED(hr))
        hr = args.GetBool(3, false, bNewSession, puArgErr);
    if (FAILED(hr))
        return hr;
    // A namespace that is logged on stays with its profile, as a running mail client does.
    if (m_pSession != nullptr)
        return S_OK;

    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        failure.description = "The message-store service could not be started.";
        return hr;
    }
    // The service has no logon dialog: ShowDialog cannot ask for anything and changes nothing.
    FLAGS flags = MAPI_EXTENDED | MAPI_NO_MAIL;
    if (bNewSession)
        flags |= MAPI_NEW_SESSION;
    flags |= profile.empty() ? MAPI_USE_DEFAULT : MAPI_EXPLICIT_PROFILE;
    IMAPISession* pSession = nullptr;
    hr = MAPILogonEx(0, profile.empty() ? nullptr : profile.c_str(),
                     bHavePassword ? password.c_str() : nullptr, flags, &pSession);
    if (FAILED(hr)) {
        MAPIUninitialize();
        failure.description = profile.empty() ? "The logon to the default profile failed."
                                              : "The logon to the profile \"" + profile + "\" failed.";
        return hr;
    }
    m_pSession = pSession;
    m_profile = profile;
    m_profilePassword = password;
    m_bProfilePassword = bHavePassword;
    return S_OK;
}

HRESULT CMailNameSpace::FindStore(const std::string& storeId, std::string& name, std::string& serviceUid) {
    IMAPITable* pTable = nullptr;
    HRESULT hr = m_pSession->GetMsgStoresTable(0, &pTable);
    if (FAILED(hr))
        return hr;
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_SERVICE_UID}};
    LPSRowSet pRows = nullptr;
    hr = pTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (SUCCEEDED(hr))
        hr = pTable->QueryRows(0x7FFFFFFF, 0, &pRows);
    pTable->Release();
    if (FAILED(hr))
        return hr;
    hr = MAPI_E_NOT_FOUND;
    for (ULONG i = 0; pRows != nullptr && i < pRows->cRows && hr == MAPI_E_NOT_FOUND; ++i) {
        const SRow& row = pRows->aRow[i];
        if (row.cValues < 3 || row.lpProps[0].ulPropTag != PR_ENTRYID ||
            row.lpProps[2].ulPropTag != PR_SERVICE_UID)
            continue;
        ULONG ulSame = FALSE;
        const SBinary& eid = row.lpProps[0].Value.bin;
        if (FAILED(m_pSession->CompareEntryIDs(
                eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), static_cast<ULONG>(storeId.size()),
                reinterpret_cast<LPENTRYID>(const_cast<char*>(storeId.data())), 0, &ulSame)) ||
            !ulSame)
            continue;
        const SBinary& uid = row.lpProps[2].Value.bin;
        serviceUid.assign(reinterpret_cast<const char*>(uid.lpb), uid.cb);
        name = row.lpProps[1].ulPropTag == PR_DISPLAY_NAME_A ? row.lpProps[1].Value.lpszA : "";
        hr = serviceUid.size() == sizeof(MAPIUID) ? S_OK : MAPI_E_CORRUPT_DATA;
    }
    FreeProws(pRows);
    return hr;
}

HRESULT CMailNameSpace::OpenStoreWithPassword(const std::string& storeId, const std::string& serviceUid,
                                              const std::string& password, IMsgStore** ppStore) {
    IProfAdmin* pProfiles = nullptr;
    HRESULT hr = MAPIAdminProfiles(0, &pProfiles);
    if (FAILED(hr))
        return hr;
    IMsgServiceAdmin* pServices = nullptr;
    hr = pProfiles->AdminServices(m_profile.c_str(), m_bProfilePassword ? m_profilePassword.c_str() : nullptr,
                                  0, 0, &pServices);
    pProfiles->Release();
    if (FAILED(hr))
        return hr;
    MAPIUID uid{};
    std::memcpy(uid.ab, serviceUid.data(), sizeof uid.ab);
    SPropValue props[2]{};
    props[0].ulPropTag = PR_PST_PW_SZ_OLD;
    props[0].Value.lpszA = const_cast<char*>(password.c_str());
    props[1].ulPropTag = PR_PST_REMEMBER_PW;
    props[1].Value.b = TRUE;
    hr = pServices->ConfigureMsgService(&uid, 0, 0, 2, props);
    if (SUCCEEDED(hr)) {
        hr = m_pSession->OpenMsgStore(0, static_cast<ULONG>(storeId.size()),
                                      reinterpret_cast<LPENTRYID>(const_cast<char*>(storeId.data())), nullptr,
                                      MDB_NO_DIALOG, ppStore);
        // The password does not stay in the profile: another program (or session) asks again.
        props[1].Value.b = FALSE;
        pServices->ConfigureMsgService(&uid, 0, 0, 1, &props[1]);
    }
    pServices->Release();
    return hr;
}

HRESULT CMailNameSpace::OpenStore(const std::string& storeId, IMsgStore** ppStore, DispFailure& failure) {
    *ppStore = nullptr;
    HRESULT hr = m_pSession->OpenMsgStore(0, static_cast<ULONG>(storeId.size()),
                                          reinterpret_cast<LPENTRYID>(const_cast<char*>(storeId.data())),
                                          nullptr, MDB_NO_DIALOG, ppStore);
    if (hr != MAPI_E_FAILONEPROVIDER)
        return hr;
    std::string name;
    std::string serviceUid;
    if (FAILED(FindStore(storeId, name, serviceUid))) {
        failure.description = "The store is password protected.";
        return hr;
    }
    auto known = m_storePasswords.find(storeId);
    if (known != m_storePasswords.end()) {
        hr = OpenStoreWithPassword(storeId, serviceUid, known->second, ppStore);
        if (hr != MAPI_E_FAILONEPROVIDER)
            return hr;
        m_storePasswords.erase(known);  // changed since: ask the user
    }
    IStorePasswordPrompt* pPrompt = GetStorePasswordPrompt();
    if (pPrompt == nullptr) {
        failure.description = "The store \"" + name + "\" is password protected.";
        return MAPI_E_FAILONEPROVIDER;
    }
    for (bool bWrong = false;; bWrong = true) {
        std::string password;
        hr = pPrompt->AskPassword(name, bWrong, password);
        if (FAILED(hr)) {
            failure.description = "The store \"" + name + "\" was not opened.";
            return hr;
        }
        hr = OpenStoreWithPassword(storeId, serviceUid, password, ppStore);
        if (SUCCEEDED(hr))
            m_storePasswords[storeId] = password;
        if (hr != MAPI_E_FAILONEPROVIDER)
            return hr;
    }
}

HRESULT CMailNameSpace::OpenMessage(const std::string& entryId, const std::string& storeId, bool bHaveStore,
                                    IMessage** ppMessage, DispFailure& failure) {
    *ppMessage = nullptr;
    auto lpEntry = reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data()));
    const ULONG cbEntry = static_cast<ULONG>(entryId.size());
    ULONG ulType = 0;
    IUnknown* pUnk = nullptr;
    HRESULT hr;
    if (bHaveStore) {
        IMsgStore* pStore = nullptr;
        hr = OpenStore(storeId, &pStore, failure);
        if (FAILED(hr))
            return hr;
        hr = pStore->OpenEntry(cbEntry, lpEntry, nullptr, 0, &ulType, &pUnk);
        pStore->Release();
    } else {
        hr = m_pSession->OpenEntry(cbEntry, lpEntry, nullptr, 0, &ulType, &pUnk);
    }
    if (FAILED(hr))
        return hr;
    if (ulType != MAPI_MESSAGE) {
        pUnk->Release();
        return MAPI_E_INVALID_ENTRYID;
    }
    hr = pUnk->QueryInterface(IID_IMessage, reinterpret_cast<void**>(ppMessage));
    pUnk->Release();
    return hr;
}

HRESULT CMailNameSpace::GetItemFromID(const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                                      DispFailure& failure) {
    std::string entryHex;
    std::string storeHex;
    bool bHaveStore = false;
    HRESULT hr = args.GetText(0, false, entryHex, nullptr, puArgErr);
    if (SUCCEEDED(hr))
        hr = args.GetText(1, true, storeHex, &bHaveStore, puArgErr);
    if (FAILED(hr))
        return hr;
    if (m_pSession == nullptr) {
        failure.description = "The namespace is not logged on to a profile.";
        return MAPI_E_LOGON_FAILED;
    }
    std::string entryId;
    std::string storeId;
    if (entryHex.empty() || !HexToBytes(entryHex, entryId)) {
        failure.description = "The entry id is not a valid hex key.";
        return MAPI_E_INVALID_ENTRYID;
    }
    if (bHaveStore && (storeHex.empty() || !HexToBytes(storeHex, storeId))) {
        failure.description = "The store id is not a valid hex key.";
        return MAPI_E_INVALID_ENTRYID;
    }
    IMessage* pMessage = nullptr;
    hr = OpenMessage(entryId, storeId, bHaveStore, &pMessage, failure);
    if (FAILED(hr)) {
        if (failure.description.empty())
            failure.description = "The item could not be found.";
        return hr;
    }
    CItemSnapshot snapshot;
    hr = ReadItemSnapshot(pMessage, snapshot);
    pMessage->Release();
    if (FAILED(hr)) {
        failure.description = "The item could not be read.";
        return hr;
    }
    CMailItem* pItem = new (std::nothrow) CMailItem(std::move(snapshot));
    if (pItem == nullptr)
        return E_OUTOFMEMORY;
    pResult->vt = VT_DISPATCH;
    pResult->pdispVal = pItem;
    return S_OK;
}
