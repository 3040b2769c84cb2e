// CSortDrawer: a duplicate group holding the entry references of equally labelled items.
#include "engine/SortDrawer.h"

#include <array>

#include "engine/CompactLabel.h"
#include "engine/EntryReference.h"
#include "model/RowSet.h"
#include "trace/Trace.h"

CSortDrawer::CSortDrawer()
    : m_cRef(0),
      m_ulHighest(0),
      m_lpLabel(nullptr),
      m_first{0, nullptr},
      m_cursor(0),
      m_fWalking(false),
      m_fHasFirst(false) {
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
    return (ULONG)EntryCount();
}

void CSortDrawer::Append(const Entry& entry) {
    if (!m_fHasFirst) {
        m_first = entry;
        m_fHasFirst = true;
        return;
    }
    // Grown by doubling: a large group would otherwise be copied whole for every entry filed.
    if (m_more.size() == m_more.capacity()) {
        m_more.reserve(m_more.empty() ? 1 : 2 * m_more.capacity());
    }
    m_more.push_back(entry);
}

HRESULT CSortDrawer::Init(LPSRow lpRow) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Init", hr);
    if (lpRow == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid row specified!\n");
        return hr = E_INVALIDARG;
    }
    FreeRowSet(&m_lpLabel);
    // The label's values usually fit one block; other rows take the general copy.
    hr = CopyLabelCompact(&m_lpLabel, lpRow);
    if (hr == S_FALSE) {
        hr = CopyRowSet(&m_lpLabel, lpRow);
    }
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
    if (!m_fHasFirst || ulNumber > m_ulHighest) {
        Append({ulNumber, pEntry});  // may throw before anything is changed
        pEntry->AddRef();
        m_ulHighest = ulNumber;
        m_order.clear();
        return hr;
    }
    for (size_t i = 0; i < EntryCount(); ++i) {
        Entry& entry = EntryAt(i);
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
    Append({ulNumber, pEntry});
    pEntry->AddRef();
    m_order.clear();
    return hr;
}

void CSortDrawer::BuildWalkOrder() {
    // Counting sort by bucket; within a bucket the newest entry first, as at the head of a chain.
    std::array<size_t, kBuckets + 1> start{};
    const size_t cEntries = EntryCount();
    for (size_t i = 0; i < cEntries; ++i) {
        ++start[BucketOf(EntryAt(i).ulNumber) + 1];
    }
    for (ULONG b = 1; b <= kBuckets; ++b) {
        start[b] += start[b - 1];
    }
    m_order.assign(cEntries, 0);
    std::array<size_t, kBuckets> end{};
    for (ULONG b = 0; b < kBuckets; ++b) {
        end[b] = start[b + 1];
    }
    for (size_t i = 0; i < cEntries; ++i) {
        const ULONG b = BucketOf(EntryAt(i).ulNumber);
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
    if (m_order.size() != EntryCount()) {
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
    if (!m_fWalking || m_cursor >= m_order.size() || m_order.size() != EntryCount()) {
        return hr;
    }
    *ppEntry = EntryAt(m_order[m_cursor++]).pEntry;
    (*ppEntry)->AddRef();
    return hr;
}

void CSortDrawer::DeleteEntryMap() {
    TRACE_FUNC_VOID("DeleteEntryMap");
    if (m_order.size() != EntryCount()) {
        BuildWalkOrder();
    }
    // The entries are forgotten before any is released, so a release never sees a half-empty drawer.
    const Entry first = m_first;
    std::vector<Entry> more;
    more.swap(m_more);
    m_fHasFirst = false;
    m_first = Entry{0, nullptr};
    for (ULONG index : m_order) {
        (index == 0 ? first : more[index - 1]).pEntry->Release();
    }
    m_order.clear();
    m_order.shrink_to_fit();
    m_cursor = 0;
    m_fWalking = false;
    m_ulHighest = 0;
}
