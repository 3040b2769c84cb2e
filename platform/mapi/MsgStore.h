// An opened message store: its properties, entries by id and the receive folder.
#pragma once

#include "platform/mapi/PropObject.h"

namespace qrvmapi {

class CMsgStoreImpl : public CPropObject<IMsgStore> {
public:
    // instanceKey is the store's key in the profile (its provider key); displayName its name there.
    CMsgStoreImpl(std::shared_ptr<CStoreDb> store, std::string instanceKey, std::string displayName,
                  bool writable);

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
    // OpenEntry without counting towards an armed open fault (for callers that counted already).
    HRESULT OpenEntryUncounted(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                               ULONG* lpulObjType, LPUNKNOWN* lppUnk);
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT GetReceiveFolder(LPCSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                             LPENTRYID* lppEntryID, LPSTR* lppszExplicitClass) override;

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IMsgStore || riid == IID_IMAPIProp; }
    HRESULT CollectProps(std::vector<CPropCell>& cells) override;
    bool IsComputed(ULONG) const override { return true; }
    HRESULT ApplyChanges(const CPropChanges& changes) override;

private:
    std::string m_instanceKey;
    std::string m_displayName;
};

// Compares two entry ids (or keys) for sameness: ids of this service by what they name, anything
// else byte for byte.
bool SameEntry(ULONG cb1, const void* lp1, ULONG cb2, const void* lp2);

}  // namespace qrvmapi
