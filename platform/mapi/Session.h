// A logon to one profile: its stores table and opening of stores, folders and messages by id.
#pragma once

#include <string>

#include "platform/mapi/ComObject.h"
#include "platform/mapi/ProfileDb.h"

namespace qrvmapi {

// Opens the store of a profile's service: MAPI_E_FAILONEPROVIDER when the store has a password and
// the service does not remember the right one; MAPI_E_NOT_FOUND when the service has no store
// file (or the file has been replaced by another store).
HRESULT OpenServiceStore(const CServiceRow& service, ULONG ulFlags, LPMDB* lppMDB);

class CSessionImpl : public CComObject<IMAPISession> {
public:
    CSessionImpl(LONGLONG profile, std::string profileName);

    HRESULT GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                         ULONG ulFlags, LPMDB* lppMDB) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) override;

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IMAPISession; }

private:
    HRESULT FindStoreService(ULONG cbEntryID, LPENTRYID lpEntryID, CProfileDb& db, CServiceRow& service);

    LONGLONG m_profile;
    std::string m_profileName;
    bool m_loggedOff = false;
};

}  // namespace qrvmapi
