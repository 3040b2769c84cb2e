// CSortDrawer: a duplicate group holding the entry references of equally labelled items.
#include "engine/SortDrawer.h"

#include <array>

#include "engine/EntryReference.h"
#include "model/RowSet.h"
#include "trace/Trace.h"

CSortDrawer::CSortDrawer() : m_cRef(0), m_lpLabel(nullptr), m_ulHighest(0), m_cursor(0), m_fWalking(false) {
    TRACE_CTOR("CSortDrawer");
}

CSortDrawer::~CSortDrawer() {
    TRACE_DTOR("CSortDrawer");
    DeleteEntryMap();
    FreeRowSet(&m_lpLabel);
}

ULONG CSortDrawer::AddRef() {
    return (ULONG)++m_cRef;
}

ULONG CSortDrawer::Release() {
    if (m_cRef > 0) {
        --m_cRef;
    }
    if (m_cRef == 0) {
        delete this;
        return 0;
    }
    return (ULONG)m_cRef;
}

ULONG CSortDrawer::GetCount() const {
    return (ULONG)m_entries.size();
}

HRESULT CSortDrawer::Init(LPSRow lpRow) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Init", hr);
    if (lpRow == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid row specified!\n");
        return hr = E_INVALIDARG;
    }
    FreeRowSet(&m_lpLabel);
    hr = CopyRowSet(&m_lpLabel, lpRow);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CopyRowSet() failed: hr = 0x%08lx\n", hr);
        // A partial copy reads as an empty row; it must not pass for the label.
        FreeRowSet(&m_lpLabel);
    }
    return hr;
}

HRESULT CSortDrawer::GetDrawerLabel(LPSRow* lppLabel) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetDrawerLabel", hr);
    if (lppLabel == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid label pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppLabel = nullptr;
    if (m_lpLabel == nullptr) {
        return hr;
    }
    hr = CopyRowSet(lppLabel, m_lpLabel);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CopyRowSet() failed: hr = 0x%08lx\n", hr);
        FreeRowSet(lppLabel);
    }
    return hr;
}

HRESULT CSortDrawer::Insert(CEntryReference* pEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Insert", hr);
    if (pEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid object specified!\n");
        return hr = E_INVALIDARG;
    }
    const ULONG ulNumber = pEntry->GetNumber();
    // The search numbers its items upwards, so a number above every filed one is new; only a
    // lower number needs the search for an entry to replace.
    if (m_entries.empty() || ulNumber > m_ulHighest) {
        m_entries.reserve(m_entries.size() + 1);  // may throw before anything is changed
        pEntry->AddRef();
        m_entries.push_back({ulNumber, pEntry});
        m_ulHighest = ulNumber;
        m_order.clear();
        return hr;
    }
    for (Entry& entry : m_entries) {
        if (entry.ulNumber == ulNumber) {
            // Replaced in place: the number keeps its walk position. The new reference is taken
            // before the old one goes, in case both are the same object.
            pEntry->AddRef();
            CEntryReference* pOld = entry.pEntry;
            entry.pEntry = pEntry;
            pOld->Release();
            return hr;
        }
    }
    m_entries.reserve(m_entries.size() + 1);
    pEntry->AddRef();
    m_entries.push_back({ulNumber, pEntry});
    m_order.clear();
    return hr;
}

void CSortDrawer::BuildWalkOrder() {
    // Counting sort by bucket; within a bucket the newest entry first, as at the head of a chain.
    std::array<size_t, kBuckets + 1> start{};
    for (const Entry& entry : m_entries) {
        ++start[BucketOf(entry.ulNumber) + 1];
    }
    for (ULONG b = 1; b <= kBuckets; ++b) {
        start[b] += start[b - 1];
    }
    m_order.assign(m_entries.size(), 0);
    std::array<size_t, kBuckets> end{};
    for (ULONG b = 0; b < kBuckets; ++b) {
        end[b] = start[b + 1];
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const ULONG b = BucketOf(m_entries[i].ulNumber);
        m_order[--end[b]] = (ULONG)i;
    }
}

HRESULT CSortDrawer::FindFirst(CEntryReference** ppEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindFirst", hr);
    if (ppEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid entry pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppEntry = nullptr;
    if (m_order.size() != m_entries.size()) {
        BuildWalkOrder();
    }
    m_fWalking = true;
    m_cursor = 0;
    return hr = FindNext(ppEntry);
}

HRESULT CSortDrawer::FindNext(CEntryReference** ppEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindNext", hr);
    if (ppEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid entry pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppEntry = nullptr;
    if (!m_fWalking || m_cursor >= m_order.size() || m_order.size() != m_entries.size()) {
        return hr;
    }
    *ppEntry = m_entries[m_order[m_cursor++]].pEntry;
    (*ppEntry)->AddRef();
    return hr;
}

void CSortDrawer::DeleteEntryMap() {
    TRACE_FUNC_VOID("DeleteEntryMap");
    if (m_order.size() != m_entries.size()) {
        BuildWalkOrder();
    }
    std::vector<Entry> entries;
    entries.swap(m_entries);
    for (ULONG index : m_order) {
        entries[index].pEntry->Release();
    }
    m_order.clear();
    m_order.shrink_to_fit();
    m_cursor = 0;
    m_fWalking = false;
    m_ulHighest = 0;
}
