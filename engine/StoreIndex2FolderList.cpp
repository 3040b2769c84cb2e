// CStoreIndex2FolderList: walks a cleanup's entry lists store by store, folder by folder.
#include "engine/StoreIndex2FolderList.h"

#include <new>

#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/FolderIndex2EntryList.h"
#include "trace/Trace.h"

CStoreIndex2FolderList::CStoreIndex2FolderList() : m_cursor(m_map.end()), m_cRef(0) {
    TRACE_CTOR("CStoreIndex2FolderList");
}

CStoreIndex2FolderList::~CStoreIndex2FolderList() {
    TRACE_DTOR("CStoreIndex2FolderList");
    EmptyMap();
}

void CStoreIndex2FolderList::EmptyMap() {
    TRACE_FUNC_VOID("EmptyMap");
    for (auto& [lStore, pList] : m_map) {
        if (pList != nullptr) {
            pList->Release();
        }
    }
    m_map.clear();
    m_cursor = m_map.end();
}

ULONG CStoreIndex2FolderList::AddRef() {
    return ++m_cRef;
}

ULONG CStoreIndex2FolderList::Release() {
    if (m_cRef > 0) {
        --m_cRef;
    }
    if (m_cRef == 0) {
        delete this;
        return 0;
    }
    return m_cRef;
}

HRESULT CStoreIndex2FolderList::Insert(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Insert", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid reference specified!\n");
        return hr = E_INVALIDARG;
    }
    const LONG lStore = pEntry->GetStoreIndex();
    auto it = m_map.find(lStore);
    CFolderIndex2EntryList* pList = nullptr;
    bool fNew = false;
    if (it != m_map.end()) {
        pList = it->second;
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, "Found NULL pointer in folder entry list!\n");
            return hr = E_UNEXPECTED;
        }
    } else {
        pList = new (std::nothrow) CFolderIndex2EntryList();
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to create folder entry list!\n");
            return hr = E_OUTOFMEMORY;
        }
        pList->AddRef();
        fNew = true;
    }
    hr = pList->Insert(pEntry);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->Insert() failed: hr = 0x%08lx\n", hr);
        if (fNew) {
            pList->Release();
        }
        return hr;
    }
    if (fNew) {
        try {
            m_map.emplace(lStore, pList);
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to create folder entry list!\n");
            pList->Release();
            return hr = E_OUTOFMEMORY;
        }
    }
    return hr;
}

HRESULT CStoreIndex2FolderList::GetEntryList(CEntryList** ppList, BOOL fFirst) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetEntryList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    if (m_cursor == m_map.end()) {
        QTRACE(TRACE_INFO, "End of list.\n");
        return hr;
    }
    CFolderIndex2EntryList* pFolders = m_cursor->second;
    if (pFolders == nullptr) {
        QTRACE(TRACE_ERROR, "Found NULL pointer in List!\n");
        return hr = E_UNEXPECTED;
    }
    pFolders->AddRef();
    hr = fFirst ? pFolders->GetFirstEntryList(ppList) : pFolders->GetNextEntryList(ppList);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Access to list failed: hr = 0x%08lx\n", hr);
    }
    pFolders->Release();
    return hr;
}

HRESULT CStoreIndex2FolderList::GetFirstEntryList(CEntryList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetFirstEntryList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    m_cursor = m_map.begin();
    if (m_cursor == m_map.end()) {
        return hr;
    }
    hr = GetEntryList(ppList, TRUE);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetEntryList() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (*ppList == nullptr) {
        hr = GetNextEntryList(ppList);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetNextEntryList() failed: hr = 0x%08lx\n", hr);
        }
    }
    return hr;
}

HRESULT CStoreIndex2FolderList::GetNextEntryList(CEntryList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetNextEntryList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    while (*ppList == nullptr) {
        if (m_cursor == m_map.end()) {
            return hr;
        }
        hr = GetEntryList(ppList, FALSE);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetEntryList() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (*ppList != nullptr) {
            return hr;
        }
        if (++m_cursor == m_map.end()) {
            return hr;
        }
        hr = GetEntryList(ppList, TRUE);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetEntryList() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
    }
    return hr;
}
