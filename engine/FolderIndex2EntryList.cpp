// CFolderIndex2EntryList: one store's deletion lists, one per folder, in ascending folder index.
#include "engine/FolderIndex2EntryList.h"

#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/IndexedLists.h"
#include "model/RefCounting.h"
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
    ReleaseIndexedLists(m_map);
    m_cursor = m_map.end();
}

ULONG CFolderIndex2EntryList::AddRef() {
    return ++m_cRef;
}

ULONG CFolderIndex2EntryList::Release() {
    return ReleaseCounted(this, &m_cRef);
}

HRESULT CFolderIndex2EntryList::Insert(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Insert", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid reference speified!\n");
        return hr = E_INVALIDARG;
    }
    static const IndexedListTexts s_texts{"Found NULL pointer in Map!\n",
                                          "new() failed: Unable to allocate entry list object!\n",
                                          "pList->AddEntry() failed: hr = 0x%08lx\n"};
    return hr = FileUnderIndex(
               m_map, pEntry->GetFolderIndex(), pEntry,
               [](CEntryList* pList, CEntryReference* pAdded) { return pList->AddEntry(pAdded); }, s_texts);
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
