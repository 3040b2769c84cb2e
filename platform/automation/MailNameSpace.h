// The mail client's namespace ("Session"): a logon to one profile, and items found by entry id.
#pragma once

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
                        IMessage** ppMessage);

    IMAPISession* m_pSession = nullptr;
};
