// The mail client's namespace ("Session"): a logon to one profile, and items found by entry id.
#pragma once

#include <map>
#include <string>

#include "platform/automation/DispatchObject.h"
#include "platform/mapi/MAPIInterfaces.h"

class CMailNameSpace : public CDispatchObject {
public:
    // Made with one reference for the caller, not logged on.
    CMailNameSpace();

    bool IsLoggedOn() const { return m_pSession != nullptr; }

protected:
    // Logs the session off; the message-store service is released with it.
    ~CMailNameSpace() override;

    const DispMember* Members() const override;
    HRESULT InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                         DispFailure& failure) override;
    const char* SourceName() const override;

private:
    // Logon(Profile, Password, ShowDialog, NewSession), every argument optional.
    HRESULT Logon(const CDispArgs& args, UINT* puArgErr, DispFailure& failure);
    // GetItemFromID(EntryIDItem, EntryIDStore): hex texts; without a store the session finds it.
    HRESULT GetItemFromID(const CDispArgs& args, VARIANT* pResult, UINT* puArgErr, DispFailure& failure);
    HRESULT OpenMessage(const std::string& entryId, const std::string& storeId, bool bHaveStore,
                        IMessage** ppMessage, DispFailure& failure);
    // Opens a store of the session; a protected one with the password given in this session
    // before, else with the one the user enters in the password prompt (asked again while wrong).
    HRESULT OpenStore(const std::string& storeId, IMsgStore** ppStore, DispFailure& failure);
    // The store's display name and its service's uid, from the session's stores table.
    HRESULT FindStore(const std::string& storeId, std::string& name, std::string& serviceUid);
    // Opens the store with a password its service hands over for this one open only.
    HRESULT OpenStoreWithPassword(const std::string& storeId, const std::string& serviceUid,
                                  const std::string& password, IMsgStore** ppStore);

    IMAPISession* m_pSession = nullptr;
    // The profile as logged on to: service administration needs it.
    std::string m_profile;
    std::string m_profilePassword;
    bool m_bProfilePassword = false;
    // The passwords the user gave for protected stores in this session, by store entry id: like a
    // mail client, the namespace asks once per store.
    std::map<std::string, std::string> m_storePasswords;
};
