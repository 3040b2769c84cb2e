// CStoreIndex2FolderList: walks a cleanup's entry lists store by store, folder by folder.
#include "engine/StoreIndex2FolderList.h"

#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/FolderIndex2EntryList.h"
#include "engine/IndexedLists.h"
#include "model/RefCounting.h"
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
    ReleaseIndexedLists(m_map);
    m_cursor = m_map.end();
}

ULONG CStoreIndex2FolderList::AddRef() {
    return ++m_cRef;
}

ULONG CStoreIndex2FolderList::Release() {
    return ReleaseCounted(this, &m_cRef);
}

HRESULT CStoreIndex2FolderList::Insert(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Insert", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid reference specified!\n");
        return hr = E_INVALIDARG;
    }
    static const IndexedListTexts s_texts{"Found NULL pointer in folder entry list!\n",
                                          "new() failed: Unable to create folder entry list!\n",
                                          "pList->Insert() failed: hr = 0x%08lx\n"};
    return hr = FileUnderIndex(
               m_map, pEntry->GetStoreIndex(), pEntry,
               [](CFolderIndex2EntryList* pList, CEntryReference* pAdded) { return pList->Insert(pAdded); },
               s_texts);
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
