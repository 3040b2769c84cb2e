// CEntryList: the entries of one folder that a cleanup deletes with one call.
#include "engine/EntryList.h"

#include <cstdlib>
#include <cstring>

#include "engine/EntryReference.h"
#include "engine/PointerArray.h"
#include "model/RefCounting.h"
#include "trace/Trace.h"

CEntryList::CEntryList()
    : m_ulCount(0), m_ulCapacity(0), m_ppEntries(nullptr), m_lStoreIndex(0), m_lFolderIndex(0), m_cRef(0) {
    TRACE_CTOR("CEntryList");
}

CEntryList::~CEntryList() {
    TRACE_DTOR("CEntryList");
    for (ULONG i = 0; i < m_ulCapacity; ++i) {
        if (m_ppEntries[i] != nullptr) {
            m_ppEntries[i]->Release();
        }
    }
    std::free(m_ppEntries);
}

ULONG CEntryList::AddRef() {
    return ++m_cRef;
}

ULONG CEntryList::Release() {
    return ReleaseCounted(this, &m_cRef);
}

HRESULT CEntryList::AddEntry(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("AddEntry", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid reference specified!\n");
        return hr = E_INVALIDARG;
    }
    const bool fFirst = (m_ulCapacity == 0);
    if (!fFirst) {
        if (pEntry->GetStoreIndex() != m_lStoreIndex) {
            QTRACE(TRACE_ERROR, "Invalid store index!\n");
            return hr = E_INVALIDARG;
        }
        if (pEntry->GetFolderIndex() != m_lFolderIndex) {
            QTRACE(TRACE_ERROR, "Invalid folder index!\n");
            return hr = E_INVALIDARG;
        }
    }
    if (m_ulCount == m_ulCapacity && !GrowPointerArray(&m_ppEntries, m_ulCount, &m_ulCapacity, kGrowStep)) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to grow array!\n");
        return hr = E_OUTOFMEMORY;
    }
    // The indices are taken only once the entry is sure to be held, so a failed first AddEntry
    // leaves the list as it was.
    if (fFirst) {
        m_lStoreIndex = pEntry->GetStoreIndex();
        m_lFolderIndex = pEntry->GetFolderIndex();
    }
    m_ppEntries[m_ulCount++] = pEntry;
    pEntry->AddRef();
    return hr;
}

HRESULT CEntryList::BuildBinArray(SBinaryArray* lpArray) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("BuildBinArray", hr);
    if (lpArray == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid array specified!\n");
        return hr = E_INVALIDARG;
    }
    lpArray->cValues = 0;
    lpArray->lpbin = nullptr;
    if (m_ulCount == 0) {
        return hr;
    }
    lpArray->lpbin = static_cast<SBinary*>(std::calloc(m_ulCount, sizeof(SBinary)));
    if (lpArray->lpbin == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate binary array!\n");
        return hr = E_OUTOFMEMORY;
    }
    lpArray->cValues = m_ulCount;
    ULONG ulNext = 0;
    for (ULONG i = 0; i < m_ulCapacity && ulNext < m_ulCount; ++i) {
        if (m_ppEntries[i] == nullptr) {
            continue;
        }
        hr = m_ppEntries[i]->GetEntryID(&lpArray->lpbin[ulNext]);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "pRef->GetEntryID() failed: hr = 0x%08lx\n", hr);
            break;
        }
        ++ulNext;
    }
    return hr;
}

HRESULT CEntryList::FreeBinArray(SBinaryArray* lpArray) {
    TRACE_FUNC_VOID("FreeBinArray");
    if (lpArray == nullptr) {
        return S_OK;
    }
    // Freed whenever a pointer is set: a count that was never raised must not leak the block.
    if (lpArray->lpbin != nullptr) {
        for (ULONG i = 0; i < lpArray->cValues; ++i) {
            std::free(lpArray->lpbin[i].lpb);
            lpArray->lpbin[i].lpb = nullptr;
            lpArray->lpbin[i].cb = 0;
        }
        std::free(lpArray->lpbin);
    }
    lpArray->cValues = 0;
    lpArray->lpbin = nullptr;
    return S_OK;
}
