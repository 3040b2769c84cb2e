// One chosen message store of a configuration's profile, with its chosen folders.
#include "model/StoreInfo.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string_view>

#include "model/BinaryKey.h"
#include "model/FolderInfo.h"
#include "model/KeyCopy.h"
#include "model/ObjectMap.h"
#include "model/PropertyList.h"
#include "model/RecordFrames.h"
#include "model/RefCounting.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPIInterfaces.h"
#include "trace/Trace.h"

// A store record's class-list base is CObject: it is not a kind of CInfoObject in type tests.
IMPLEMENT_SERIAL(CStoreInfo, CObject, 1)

namespace {

// E_INVALIDARG, traced, for an index that names no folder of a store with nCount folders.
HRESULT CheckFolderIndex(int nIndex, int nCount) {
    if (nIndex < 0) {
        QTRACE(TRACE_ERROR, "Index out of bounds: nIndex < 0\n");
        return E_INVALIDARG;
    }
    if (nIndex >= nCount) {
        QTRACE(TRACE_ERROR, "Index out of bounds: nIndex > folder count\n");
        return E_INVALIDARG;
    }
    return S_OK;
}

// An entry id past its four flag bytes, which tell only how the id was handed out; all of an id
// too short to have more.
std::string_view EntryBody(const std::string& id) {
    constexpr size_t kFlagBytes = 4;
    return id.size() > kFlagBytes ? std::string_view(id).substr(kFlagBytes) : std::string_view(id);
}

// The entry id a folder holds, as bytes (empty when it has none).
std::string FolderKeyOf(CFolderInfo* pFolder) {
    SBinary key = {0, nullptr};
    if (FAILED(pFolder->GetFolderKey(&key)))
        AfxThrowMemoryException();
    std::string bytes;
    try {
        if (!IsBinaryKeyEmpty(key))
            bytes.assign(reinterpret_cast<const char*>(key.lpb), key.cb);
    } catch (const std::bad_alloc&) {
        FreeBinaryKey(&key);
        AfxThrowMemoryException();
    }
    FreeBinaryKey(&key);
    return bytes;
}

}  // namespace

size_t CStoreInfo::CEntryBodyHash::operator()(const std::string& id) const {
    return std::hash<std::string_view>()(EntryBody(id));
}

bool CStoreInfo::CEntryBodyEqual::operator()(const std::string& a, const std::string& b) const {
    return EntryBody(a) == EntryBody(b);
}

CStoreInfo::CStoreInfo() : m_bPasswordProtected(FALSE) {
    TRACE_CTOR("CStoreInfo");
    m_StoreKey = {0, nullptr};
    m_InstanceKey = {0, nullptr};
    m_pPropertyList = nullptr;
    Clear();
}

CStoreInfo::~CStoreInfo() {
    TRACE_DTOR("CStoreInfo");
    Clear();
}

void CStoreInfo::Init() {
    TRACE_FUNC_VOID("CStoreInfo::Init");
    m_StoreKey = {0, nullptr};
    m_InstanceKey = {0, nullptr};
    m_bPasswordProtected = FALSE;
    m_bIMAPStore = FALSE;
    m_pPropertyList = nullptr;
    m_ulRefCount = 0;
}

void CStoreInfo::Clear() {
    TRACE_FUNC_VOID("CStoreInfo::Clear");
    FreeBinaryKey(&m_StoreKey);
    FreeBinaryKey(&m_InstanceKey);
    for (CFolderInfo* pFolder : m_Folders)
        pFolder->Release();
    m_Folders.clear();
    m_FolderKeys.clear();
    m_HeldKeys.clear();
    for (CFolderInfo* pFolder : m_UnlistedFolders)
        pFolder->Release();
    m_UnlistedFolders.clear();
    if (m_pPropertyList != nullptr)
        m_pPropertyList->Release();
    Init();
}

HRESULT CStoreInfo::Init(ULONG cbStoreKey, const BYTE* lpbStoreKey, ULONG cbInstanceKey,
                         const BYTE* lpbInstanceKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::Init", hr);
    // Clear resets the reference count too; whoever already holds this store keeps its reference.
    const ULONG ulRefCount = m_ulRefCount;
    Clear();
    m_ulRefCount = ulRefCount;
    hr = CopyBinaryKey(&m_StoreKey, cbStoreKey, lpbStoreKey);
    if (SUCCEEDED(hr))
        hr = CopyBinaryKey(&m_InstanceKey, cbInstanceKey, lpbInstanceKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Failed to copy binary key!\n");
        // Half a store identity would match the wrong store later: keep neither key.
        FreeBinaryKey(&m_StoreKey);
        FreeBinaryKey(&m_InstanceKey);
    }
    return hr;
}

ULONG CStoreInfo::AddRef() {
    return ++m_ulRefCount;
}

ULONG CStoreInfo::Release() {
    return ReleaseCounted(this, &m_ulRefCount);
}

void CStoreInfo::SetPassword(const CString& strPassword) {
    m_strPassword = strPassword;
    m_bPasswordProtected = TRUE;
}

void CStoreInfo::ClearPassword() {
    m_strPassword.Empty();
    m_bPasswordProtected = FALSE;
}

HRESULT CStoreInfo::GetFolder(int nIndex, CFolderInfo** ppFolder) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::GetFolder", hr);
    hr = CheckFolderIndex(nIndex, GetFolderCount());
    if (FAILED(hr))
        return hr;
    if (ppFolder == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid stpre pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppFolder = m_Folders[nIndex];
    (*ppFolder)->AddRef();
    return hr;
}

HRESULT CStoreInfo::AddFolder(DWORD /*dwConfigType*/, IMsgStore* lpMDB, ULONG cbFolderKey,
                              const BYTE* lpbFolderKey) {
    return AddFolder(lpMDB, cbFolderKey, lpbFolderKey);
}

HRESULT CStoreInfo::AddFolder(IMsgStore* lpMDB, ULONG cbFolderKey, const BYTE* lpbFolderKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::AddFolder", hr);
    if (cbFolderKey == 0 || lpbFolderKey == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid folder key specified!\n");
        return hr = E_INVALIDARG;
    }

    std::string key;
    try {
        key.assign(reinterpret_cast<const char*>(lpbFolderKey), cbFolderKey);
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to allocate new folder data!\n");
        return hr = E_OUTOFMEMORY;
    }
    BOOL bHeld = FALSE;
    hr = FindHeldKey(lpMDB, key, &bHeld);
    if (FAILED(hr))
        return hr;
    if (bHeld) {
        QTRACE(TRACE_WARNING, "Folder already present!\n");
        return hr = S_OK;
    }

    CFolderInfo* pFolder = new (std::nothrow) CFolderInfo;
    if (pFolder == nullptr) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to allocate new folder data!\n");
        return hr = E_OUTOFMEMORY;
    }
    pFolder->AddRef();
    hr = pFolder->Init(m_StoreKey.cb, m_StoreKey.lpb, cbFolderKey, lpbFolderKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to allocate new folder data!\n");
        pFolder->Release();
        return hr = E_OUTOFMEMORY;
    }
    try {
        AppendFolder(pFolder, std::move(key));
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "Failed to add folder object!\n");
        pFolder->Release();
        return hr = E_OUTOFMEMORY;
    }
    return hr;
}

HRESULT CStoreInfo::FindHeldKey(IMsgStore* lpMDB, const std::string& key, BOOL* pbHeld) {
    *pbHeld = FALSE;
    const auto [first, last] = m_HeldKeys.equal_range(key);
    for (auto it = first; it != last; ++it) {
        const std::string& held = *it;
        if (lpMDB != nullptr) {
            ULONG ulResult = FALSE;
            const HRESULT hr = lpMDB->CompareEntryIDs(
                (ULONG)held.size(), reinterpret_cast<LPENTRYID>(const_cast<char*>(held.data())),
                (ULONG)key.size(), reinterpret_cast<LPENTRYID>(const_cast<char*>(key.data())), 0, &ulResult);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            *pbHeld = ulResult != 0;
        } else {
            *pbHeld = held == key;
        }
        if (*pbHeld)
            break;
    }
    return S_OK;
}

void CStoreInfo::AppendFolder(CFolderInfo* pFolder, std::string&& key) {
    // Room first, growing as push_back would: once the folder is listed nothing below can fail.
    auto makeRoom = [](auto& list) {
        if (list.size() == list.capacity())
            list.reserve(list.size() * 2 + 8);
    };
    makeRoom(m_Folders);
    makeRoom(m_FolderKeys);
    if (!key.empty())
        m_HeldKeys.insert(key);
    m_Folders.push_back(pFolder);
    m_FolderKeys.push_back(std::move(key));
}

HRESULT CStoreInfo::DeleteFolder(int nIndex) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::DeleteFolder", hr);
    hr = CheckFolderIndex(nIndex, GetFolderCount());
    if (FAILED(hr))
        return hr;
    CFolderInfo* pFolder = m_Folders[nIndex];
    const std::string& key = m_FolderKeys[nIndex];
    if (!key.empty()) {
        const auto [first, last] = m_HeldKeys.equal_range(key);
        for (auto it = first; it != last; ++it) {
            if (*it == key) {
                m_HeldKeys.erase(it);
                break;
            }
        }
    }
    m_Folders.erase(m_Folders.begin() + nIndex);
    m_FolderKeys.erase(m_FolderKeys.begin() + nIndex);
    pFolder->Release();
    return hr;
}

HRESULT CStoreInfo::BuildObjectMap(CObjectMap* pMap) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::BuildObjectMap", hr);
    if (pMap == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid object map specified!\n");
        return hr = E_INVALIDARG;
    }
    hr = pMap->ResetContent();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "ResetContent() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    const int nCount = GetFolderCount();
    for (int i = 0; i < nCount && SUCCEEDED(hr); ++i) {
        CFolderInfo* pFolder = nullptr;
        SBinary key = {0, nullptr};
        hr = GetFolder(i, &pFolder);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetFolder() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = pFolder->GetFolderKey(&key);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetFolderKey() failed: hr = 0x%08lx\n", hr);
        } else if (!IsBinaryKeyEmpty(key)) {
            hr = pMap->Insert(key.cb, key.lpb, nullptr);
            if (FAILED(hr))
                QTRACE(TRACE_ERROR, "Insert() failed: hr = 0x%08lx\n", hr);
        }
        FreeBinaryKey(&key);
        pFolder->Release();
    }
    return hr;
}

HRESULT CStoreInfo::GetStoreKey(SBinary* lpKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::GetStoreKey", hr);
    return hr = HandOutKeyCopy(lpKey, m_StoreKey,
                               "malloc() failed: Unable to allocate memory for store key!\n");
}

HRESULT CStoreInfo::GetInstanceKey(SBinary* lpKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreInfo::GetInstanceKey", hr);
    return hr = HandOutKeyCopy(lpKey, m_InstanceKey, "malloc() failed: Unable to allocate key memory!\n");
}

void CStoreInfo::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CStoreInfo::Serialize");
    QTRACE(TRACE_CALL, "Serializing specific content.\n");
    SerializeContentsVersion1(
        ar, [&] { SaveVersion1(ar); }, [&] { LoadVersion1(ar); });
}

void CStoreInfo::SaveVersion1(CArchive& ar) {
    SaveBinaryKey(m_StoreKey.cb, m_StoreKey.lpb, ar);
    SaveBinaryKey(m_InstanceKey.cb, m_InstanceKey.lpb, ar);
    ar << m_strName;
    ar << (DWORD)m_bIMAPStore;
    ar << (DWORD)m_Folders.size();
    for (CFolderInfo* pFolder : m_Folders)
        ar.WriteObject(pFolder);
    ar.WriteObject(m_pPropertyList);
}

void CStoreInfo::LoadVersion1(CArchive& ar) {
    // Loading runs on a record that nobody else holds yet; keep the archive's reference count.
    const ULONG ulRefCount = m_ulRefCount;
    Clear();
    m_ulRefCount = ulRefCount;

    LoadBinaryKey(m_StoreKey, ar);
    LoadBinaryKey(m_InstanceKey, ar);
    ar >> m_strName;
    ClearPassword();
    DWORD dwIMAP = 0;
    ar >> dwIMAP;
    m_bIMAPStore = (BOOL)dwIMAP;
    DWORD dwFolders = 0;
    ar >> dwFolders;
    for (DWORD i = 0; i < dwFolders; ++i) {
        CFolderInfo* pFolder = static_cast<CFolderInfo*>(ar.ReadObject(RUNTIME_CLASS(CFolderInfo)));
        if (pFolder == nullptr)
            continue;
        // Held at once: should a later part of this record fail, the archive deletes the store
        // and its destructor gives every folder read so far back.
        pFolder->AddRef();
        try {
            std::string key = FolderKeyOf(pFolder);
            BOOL bHeld = FALSE;
            FindHeldKey(nullptr, key, &bHeld);
            if (bHeld) {
                // A damaged or merged document may name one folder twice; searched twice, each of
                // its items would be taken for a duplicate of itself.
                QTRACE(TRACE_WARNING, "Folder record %lu names a folder already held - skipping!\n",
                       (ULONG)i);
                m_UnlistedFolders.push_back(pFolder);
            } else {
                AppendFolder(pFolder, std::move(key));
            }
        } catch (const std::bad_alloc&) {
            pFolder->Release();
            AfxThrowMemoryException();
        } catch (...) {
            pFolder->Release();
            throw;
        }
    }
    CPropertyList* pList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
    if (pList != nullptr) {
        m_pPropertyList = pList;
        pList->AddRef();
    }
}
