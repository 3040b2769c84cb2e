// One chosen folder of a chosen message store, saved inside the store's record.
#include "model/FolderInfo.h"

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "model/BinaryKey.h"
#include "model/KeyCopy.h"
#include "model/RecordFrames.h"
#include "model/RefCounting.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "trace/Trace.h"

// A folder record's class-list base is CObject: it is not a kind of CInfoObject in type tests.
IMPLEMENT_SERIAL(CFolderInfo, CObject, 1)

// The value every folder the system creates carries; saved and restored, read by nothing.
#define FOLDER_DEFAULT_VALUE 6

CFolderInfo::CFolderInfo() {
    TRACE_CTOR("CFolderInfo");
    m_StoreKey = {0, nullptr};
    m_FolderKey = {0, nullptr};
    Init();
}

CFolderInfo::~CFolderInfo() {
    TRACE_DTOR("CFolderInfo");
    Clear();
}

void CFolderInfo::Init() {
    TRACE_FUNC_VOID("CFolderInfo::Init");
    m_StoreKey = {0, nullptr};
    m_FolderKey = {0, nullptr};
    m_dwValue = FOLDER_DEFAULT_VALUE;
    m_ulRefCount = 0;
}

void CFolderInfo::Clear() {
    TRACE_FUNC_VOID("CFolderInfo::Clear");
    FreeBinaryKey(&m_StoreKey);
    FreeBinaryKey(&m_FolderKey);
    m_dwValue = FOLDER_DEFAULT_VALUE;
}

HRESULT CFolderInfo::Init(ULONG cbStoreKey, const BYTE* lpbStoreKey, ULONG cbFolderKey,
                          const BYTE* lpbFolderKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CFolderInfo::Init", hr);
    Clear();
    hr = CopyBinaryKey(&m_StoreKey, cbStoreKey, lpbStoreKey);
    if (SUCCEEDED(hr))
        hr = CopyBinaryKey(&m_FolderKey, cbFolderKey, lpbFolderKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Failed to copy binary key!\n");
        Clear();
    }
    return hr;
}

ULONG CFolderInfo::AddRef() {
    return ++m_ulRefCount;
}

ULONG CFolderInfo::Release() {
    return ReleaseCounted(this, &m_ulRefCount);
}

HRESULT CFolderInfo::GetFolderKey(SBinary* lpKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CFolderInfo::GetFolderKey", hr);
    return hr = HandOutKeyCopy(lpKey, m_FolderKey,
                               "malloc() failed: Unable to allocate memroy for folder key!\n");
}

HRESULT CFolderInfo::GetFullPath(IMsgStore* lpMDB, CString& strPath) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CFolderInfo::GetFullPath", hr);
    strPath.Empty();
    if (lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    if (IsBinaryKeyEmpty(m_FolderKey)) {
        QTRACE(TRACE_ERROR, "Failure: Folder key not set!\n");
        return hr = E_UNEXPECTED;
    }

    SizedSPropTagArray(1, tags) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    IMAPIFolder* lpFolder = nullptr;
    CString strBuilt;
    do {
        hr = lpMDB->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpProps);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", hr);
            break;
        }
        if (cValues != 1 || lpProps == nullptr) {
            QTRACE(TRACE_ERROR, "GetProps() failed: Returned %ld values instaed of 1\n", cValues);
            hr = E_FAIL;
            break;
        }
        if (lpProps[0].ulPropTag != PR_IPM_SUBTREE_ENTRYID) {
            QTRACE(TRACE_ERROR, "GetProps() failed: Returned invalid property 0x%08lx\n",
                   lpProps[0].ulPropTag);
            hr = E_FAIL;
            break;
        }
        ULONG ulObjType = 0;
        hr = lpMDB->OpenEntry(m_FolderKey.cb, reinterpret_cast<LPENTRYID>(m_FolderKey.lpb), nullptr,
                              MAPI_BEST_ACCESS, &ulObjType, reinterpret_cast<LPUNKNOWN*>(&lpFolder));
        if (hr == MAPI_E_NOT_FOUND) {
            QTRACE(TRACE_WARNING, "Folder vanished.");
            hr = S_FOLDER_VANISHED;
            break;
        }
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = GetParentPath(lpMDB, lpProps[0].Value.bin, lpFolder, strBuilt, 0, &m_FolderKey);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetParentPath() failed: hr = 0x%08lx\n", hr);
            break;
        }
        // Only a complete path is handed out: a climb that failed half way names no folder.
        strPath = strBuilt;
    } while (false);

    if (lpFolder != nullptr)
        lpFolder->Release();
    MAPIFreeBuffer(lpProps);
    return hr;
}

HRESULT CFolderInfo::GetParentPath(IMsgStore* lpMDB, const SBinary& IPMSubtreeID, IMAPIFolder* lpFolder,
                                   CString& strPath, int nDepth, const SBinary* lpFolderID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CFolderInfo::GetParentPath", hr);
    if (lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lpFolder == nullptr || IsBinaryKeyEmpty(IPMSubtreeID)) {
        QTRACE(TRACE_ERROR, "Failure: Invalid folder pointer specified!\n");
        return hr = E_INVALIDARG;
    }

    // The climb goes from the folder up, one parent at a time in a loop, collecting the names
    // innermost first; it remembers the folders it has met, so a damaged store whose folders name
    // each other as parents ends it at once, and a folder below the IPM subtree at the depth bound.
    std::vector<std::string> names;
    std::set<std::string> met;
    if (lpFolderID != nullptr && !IsBinaryKeyEmpty(*lpFolderID))
        met.emplace(reinterpret_cast<const char*>(lpFolderID->lpb), lpFolderID->cb);
    lpFolder->AddRef();
    IMAPIFolder* lpCurrent = lpFolder;
    SizedSPropTagArray(2, tags) = {2, {PR_DISPLAY_NAME_A, PR_PARENT_ENTRYID}};
    BOOL bCut = FALSE;
    for (int nLevel = nDepth;; ++nLevel) {
        if (nLevel >= FOLDER_PATH_MAX_DEPTH) {
            QTRACE(TRACE_WARNING, "Folder lies deeper than %d levels below the IPM subtree!\n",
                   FOLDER_PATH_MAX_DEPTH);
            bCut = TRUE;
            break;
        }
        ULONG cValues = 0;
        LPSPropValue lpProps = nullptr;
        hr = lpCurrent->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpProps);
        lpCurrent->Release();
        lpCurrent = nullptr;
        ULONG ulAtTop = FALSE;
        do {
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", hr);
                break;
            }
            if (cValues != 2) {
                QTRACE(TRACE_ERROR, "GetProps() failed: Returned %ld properties out of 2!\n", cValues);
                hr = E_FAIL;
                break;
            }
            if (lpProps == nullptr) {
                QTRACE(TRACE_ERROR, "GetProps() failed: Returned NULL as property array!\n");
                hr = E_FAIL;
                break;
            }
            // A folder without a name answers the name column as an error value; it shows as "<?>".
            const BOOL bHasName = lpProps[0].ulPropTag == PR_DISPLAY_NAME_A;
            if (!bHasName && lpProps[0].ulPropTag != CHANGE_PROP_TYPE(PR_DISPLAY_NAME_A, PT_ERROR)) {
                QTRACE(TRACE_ERROR, "GetProps() failed: Error retrieving display name!\n");
                hr = E_FAIL;
                break;
            }
            if (lpProps[1].ulPropTag != PR_PARENT_ENTRYID || IsBinaryKeyEmpty(lpProps[1].Value.bin)) {
                QTRACE(TRACE_ERROR, "GetProps() failed: Error retrieving parent ID!\n");
                hr = E_FAIL;
                break;
            }
            names.emplace_back(bHasName && lpProps[0].Value.lpszA != nullptr ? lpProps[0].Value.lpszA
                                                                             : "<?>");
            const SBinary& parentID = lpProps[1].Value.bin;
            hr = lpMDB->CompareEntryIDs(parentID.cb, reinterpret_cast<LPENTRYID>(parentID.lpb),
                                        IPMSubtreeID.cb, reinterpret_cast<LPENTRYID>(IPMSubtreeID.lpb), 0,
                                        &ulAtTop);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx!\n", hr);
                break;
            }
            if (ulAtTop)
                break;
            // A folder met again would be climbed for ever: the folder names itself, or a folder
            // below it, as its parent.
            if (!met.emplace(reinterpret_cast<const char*>(parentID.lpb), parentID.cb).second) {
                QTRACE(TRACE_ERROR, "Folder is its own parent!\n");
                hr = E_FAIL;
                break;
            }
            ULONG ulObjType = 0;
            hr = lpMDB->OpenEntry(parentID.cb, reinterpret_cast<LPENTRYID>(parentID.lpb), nullptr,
                                  MAPI_BEST_ACCESS, &ulObjType, reinterpret_cast<LPUNKNOWN*>(&lpCurrent));
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", hr);
                lpCurrent = nullptr;
            }
        } while (false);
        MAPIFreeBuffer(lpProps);
        if (FAILED(hr) || ulAtTop)
            break;
    }
    if (lpCurrent != nullptr)
        lpCurrent->Release();
    if (FAILED(hr))
        return hr;
    // Outermost first; a path that fails half way adds nothing.
    if (bCut) {
        if (!strPath.IsEmpty())
            strPath += "\\";
        strPath += FOLDER_PATH_CUT_MARK;
        hr = S_FOLDER_PATH_CUT;
    }
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!strPath.IsEmpty())
            strPath += "\\";
        strPath += name->c_str();
    }
    return hr;
}

void CFolderInfo::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CFolderInfo::Serialize");
    QTRACE(TRACE_CALL, "Serializing specific content.\n");
    SerializeContentsVersion1(
        ar, [&] { SaveVersion1(ar); }, [&] { LoadVersion1(ar); });
}

void CFolderInfo::SaveVersion1(CArchive& ar) {
    SaveBinaryKey(m_StoreKey.cb, m_StoreKey.lpb, ar);
    SaveBinaryKey(m_FolderKey.cb, m_FolderKey.lpb, ar);
    ar << m_dwValue;
}

void CFolderInfo::LoadVersion1(CArchive& ar) {
    // Keys held before are freed, not overwritten: a record read twice must not leak.
    FreeBinaryKey(&m_StoreKey);
    FreeBinaryKey(&m_FolderKey);
    LoadBinaryKey(m_StoreKey, ar);
    LoadBinaryKey(m_FolderKey, ar);
    ar >> m_dwValue;
}
