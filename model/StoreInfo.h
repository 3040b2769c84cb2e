// One chosen message store of a configuration's profile, with its chosen folders.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "model/InfoObject.h"
#include "platform/afx/CString.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CFolderInfo;
class CObjectMap;
class CPropertyList;
struct IMsgStore;

// A store is known by its entry id and by its instance key (its PR_INSTANCE_KEY in the profile's
// message-stores table). The password of a protected personal folders file is kept in memory
// only: it is never saved with the document.
class CStoreInfo : public CInfoObject {
    DECLARE_SERIAL(CStoreInfo)

public:
    CStoreInfo();
    ~CStoreInfo() override;

    void Serialize(CArchive& ar) override;
    virtual ULONG Release();
    virtual ULONG AddRef();
    // Frees both keys, releases every folder and the property list, then resets as Init does.
    // Only while no other holder exists: at construction, destruction and the start of loading.
    virtual void Clear();
    // Both keys empty, both flags FALSE, no property list, reference count 0; the name, the
    // password and the folders stay.
    virtual void Init();

    // Clear, then copies each key whose count and bytes are both given. E_OUTOFMEMORY when a copy
    // fails; the store then holds neither key.
    HRESULT Init(ULONG cbStoreKey, const BYTE* lpbStoreKey, ULONG cbInstanceKey, const BYTE* lpbInstanceKey);

    void SetPassword(const CString& strPassword);
    CString GetPassword() const { return m_strPassword; }
    void ClearPassword();
    BOOL IsPasswordProtected() const { return m_bPasswordProtected; }

    void SetStoreName(const CString& strName) { m_strName = strName; }
    CString GetStoreName() const { return m_strName; }

    int GetFolderCount() const { return (int)m_Folders.size(); }
    // The folder at nIndex with a reference added; E_INVALIDARG out of range (*ppFolder untouched).
    HRESULT GetFolder(int nIndex, CFolderInfo** ppFolder);
    // Adds the folder unless the store already holds it, by the opened store's CompareEntryIDs or,
    // without a store, byte for byte; S_OK in both cases. Only held ids that agree with the new one
    // past their four flag bytes are compared (ids of one entry differ in their flags at most), so
    // adding n folders costs about n, not n squared.
    HRESULT AddFolder(IMsgStore* lpMDB, ULONG cbFolderKey, const BYTE* lpbFolderKey);
    // The form the General page calls, with the configuration's item type, which plays no part.
    HRESULT AddFolder(DWORD dwConfigType, IMsgStore* lpMDB, ULONG cbFolderKey, const BYTE* lpbFolderKey);
    HRESULT DeleteFolder(int nIndex);
    // Empties the map and inserts the entry id of every folder, without names.
    HRESULT BuildObjectMap(CObjectMap* pMap);

    // Heap copies (malloc) of the entry id and the instance key, which the caller frees; empty
    // (S_OK) when the store has none. *lpKey is set empty first.
    HRESULT GetStoreKey(SBinary* lpKey);
    HRESULT GetInstanceKey(SBinary* lpKey);

protected:
    void SaveVersion1(CArchive& ar);
    void LoadVersion1(CArchive& ar);

private:
    // Entry ids hashed and compared past their four flag bytes (all of a shorter id): the ids one
    // store could take for the same entry fall on one key.
    struct CEntryBodyHash {
        size_t operator()(const std::string& id) const;
    };
    struct CEntryBodyEqual {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using CHeldKeys = std::unordered_multiset<std::string, CEntryBodyHash, CEntryBodyEqual>;

    // Appends a folder (the caller's reference passes to the list) with its entry id.
    void AppendFolder(CFolderInfo* pFolder, std::string&& key);
    // Whether a held folder's entry id is the given one: by the store's CompareEntryIDs, or byte
    // for byte without a store. A failed comparison is returned.
    HRESULT FindHeldKey(IMsgStore* lpMDB, const std::string& key, BOOL* pbHeld);

    SBinary m_StoreKey;
    SBinary m_InstanceKey;
    CString m_strName;
    BOOL m_bPasswordProtected;
    CString m_strPassword;
    BOOL m_bIMAPStore;
    std::vector<CFolderInfo*> m_Folders;  // one reference each, never null
    // In step with m_Folders: each folder's entry id (empty for a folder without one), and the
    // non-empty ones as a set.
    std::vector<std::string> m_FolderKeys;
    CHeldKeys m_HeldKeys;
    // Folder records a loaded document named a second time for a folder held already: not listed,
    // but kept alive, since the archive may still hand them out to a later reference.
    std::vector<CFolderInfo*> m_UnlistedFolders;
    CPropertyList* m_pPropertyList;  // one reference, or null
    ULONG m_ulRefCount;
};
