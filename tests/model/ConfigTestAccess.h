// Lets the configuration tests give a configuration stores without a message store.
#pragma once

#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/StoreInfo.h"

class CConfigInfoTestAccess {
public:
    // Appends a new store with the given keys and name; the configuration holds the only reference.
    static CStoreInfo* AddStore(CConfigInfo* pConfig, const std::string& strEntryID,
                                const std::string& strInstanceKey, const char* pszName) {
        CStoreInfo* pStore = new CStoreInfo;
        pStore->AddRef();
        pStore->Init((ULONG)strEntryID.size(), reinterpret_cast<const BYTE*>(strEntryID.data()),
                     (ULONG)strInstanceKey.size(), reinterpret_cast<const BYTE*>(strInstanceKey.data()));
        pStore->SetStoreName(pszName);
        pConfig->AppendStore(pStore);
        pStore->Release();
        return pStore;
    }
    // The observers the configuration tells of changes, in the order they came.
    static std::vector<IConfigObserver*> Observers(const CConfigInfo* pConfig) {
        return pConfig->m_Observers;
    }
    // Names the profile without a chooser (the store check logs on by name).
    static void SetProfileName(CConfigInfo* pConfig, const char* pszName) {
        pConfig->m_strProfileName = pszName;
    }
};
