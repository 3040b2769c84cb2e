// The namespace object: Logon to a profile of the message-store service and GetItemFromID.
#include "platform/automation/MailNameSpace.h"

#include "platform/automation/HexKey.h"
#include "platform/automation/MailItem.h"
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
    return S_OK;
}

HRESULT CMailNameSpace::OpenMessage(const std::string& entryId, const std::string& storeId, bool bHaveStore,
                                    IMessage** ppMessage) {
    *ppMessage = nullptr;
    auto lpEntry = reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data()));
    const ULONG cbEntry = static_cast<ULONG>(entryId.size());
    ULONG ulType = 0;
    IUnknown* pUnk = nullptr;
    HRESULT hr;
    if (bHaveStore) {
        IMsgStore* pStore = nullptr;
        hr = m_pSession->OpenMsgStore(0, static_cast<ULONG>(storeId.size()),
                                      reinterpret_cast<LPENTRYID>(const_cast<char*>(storeId.data())), nullptr,
                                      MDB_NO_DIALOG, &pStore);
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
    hr = OpenMessage(entryId, storeId, bHaveStore, &pMessage);
    if (FAILED(hr)) {
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
