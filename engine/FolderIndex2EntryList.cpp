// CFolderIndex2EntryList: one store's deletion lists, one per folder, in ascending folder index.
#include "engine/FolderIndex2EntryList.h"

#include <new>

#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "trace/Trace.h"

CFolderIndex2EntryList::CFolderIndex2EntryList() : m_cursor(m_map.end()), m_cRef(0) {
    TRACE_CTOR("CFolderIndex2EntryList");
}

CFolderIndex2EntryList::~CFolderIndex2EntryList() {
    TRACE_DTOR("CFolderIndex2EntryList");
    EmptyMap();
}

void CFolderIndex2EntryList::EmptyMap() {
    TRACE_FUNC_VOID("EmptyMap");
    for (auto& [lFolder, pList] : m_map) {
        if (pList != nullptr) {
            pList->Release();
        }
    }
    m_map.clear();
    m_cursor = m_map.end();
}

ULONG CFolderIndex2EntryList::AddRef() {
    return ++m_cRef;
}

ULONG CFolderIndex2EntryList::Release() {
    if (m_cRef > 0) {
        --m_cRef;
    }
    if (m_cRef == 0) {
        delete this;
        return 0;
    }
    return m_cRef;
}

HRESULT CFolderIndex2EntryList::Insert(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Insert", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid reference speified!\n");
        return hr = E_INVALIDARG;
    }
    const LONG lFolder = pEntry->GetFolderIndex();
    auto it = m_map.find(lFolder);
    CEntryList* pList = nullptr;
    bool fNew = false;
    if (it != m_map.end()) {
        pList = it->second;
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, "Found NULL pointer in Map!\n");
            return hr = E_UNEXPECTED;
        }
    } else {
        pList = new (std::nothrow) CEntryList();
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to allocate entry list object!\n");
            return hr = E_OUTOFMEMORY;
        }
        pList->AddRef();
        fNew = true;
    }
    hr = pList->AddEntry(pEntry);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->AddEntry() failed: hr = 0x%08lx\n", hr);
        if (fNew) {
            pList->Release();
        }
        return hr;
    }
    if (fNew) {
        try {
            m_map.emplace(lFolder, pList);
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to allocate entry list object!\n");
            pList->Release();
            return hr = E_OUTOFMEMORY;
        }
    }
    return hr;
}

HRESULT CFolderIndex2EntryList::GetFirstEntryList(CEntryList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetFirstEntryList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    m_cursor = m_map.begin();
    return hr = GetNextEntryList(ppList);
}

HRESULT CFolderIndex2EntryList::GetNextEntryList(CEntryList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetNextEntryList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    if (m_cursor == m_map.end()) {
        return hr;
    }
    if (m_cursor->second == nullptr) {
        QTRACE(TRACE_ERROR, "Found NULL pointer in List!\n");
        return hr = E_UNEXPECTED;
    }
    *ppList = m_cursor->second;
    (*ppList)->AddRef();
    ++m_cursor;
    return hr;
}
