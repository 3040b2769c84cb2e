// CSortDrawer: a duplicate group holding the entry references of equally labelled items.
#include "engine/SortDrawer.h"

#include <array>
#include <cstring>

#include "engine/EntryReference.h"
#include "engine/PackedLabel.h"
#include "trace/Trace.h"

static_assert(sizeof(CSortDrawer) <= 48, "one drawer per distinct label: kept at 48 bytes");

CSortDrawer::CSortDrawer()
    : m_cRef(0),
      m_ulHighest(0),
      m_pLabel(nullptr),
      m_pFirst(nullptr),
      m_ulFirstNumber(0),
      m_ulCursor(kNotWalking),
      m_pMore(nullptr) {
    TRACE_CTOR("CSortDrawer");
}

CSortDrawer::~CSortDrawer() {
    TRACE_DTOR("CSortDrawer");
    DeleteEntryMap();
    FreePackedLabel(m_pLabel);
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
    return EntryCount();
}

bool CSortDrawer::Append(ULONG ulNumber, CEntryReference* pEntry) {
    if (m_pFirst == nullptr) {
        m_pFirst = pEntry;
        m_ulFirstNumber = ulNumber;
        m_ulCursor = kNotWalking;
        return true;
    }
    // Grown by doubling: a large group would otherwise be copied whole for every entry filed.
    if (m_pMore == nullptr || m_pMore->cEntries == m_pMore->cCapacity) {
        const ULONG cCapacity = m_pMore == nullptr ? 1 : 2 * m_pMore->cCapacity;
        if (cCapacity > 0x10000000u) {
            return false;
        }
        auto* pMore = static_cast<CMore*>(CPooledObject::AllocateBytes(CMore::Bytes(cCapacity)));
        if (pMore == nullptr) {
            return false;
        }
        pMore->cEntries = 0;
        pMore->cCapacity = cCapacity;
        pMore->cOrdered = 0;
        pMore->ulReserved = 0;
        if (m_pMore != nullptr) {
            pMore->cEntries = m_pMore->cEntries;
            std::memcpy(pMore->Entries(), m_pMore->Entries(), sizeof(Entry) * m_pMore->cEntries);
            CPooledObject::FreeBytes(m_pMore, CMore::Bytes(m_pMore->cCapacity));
        }
        m_pMore = pMore;
    }
    m_pMore->Entries()[m_pMore->cEntries++] = Entry{ulNumber, pEntry};
    m_pMore->cOrdered = 0;
    m_ulCursor = kNotWalking;
    return true;
}

HRESULT CSortDrawer::Init(LPSRow lpRow) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("Init", hr);
    if (lpRow == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid row specified!\n");
        return hr = E_INVALIDARG;
    }
    FreePackedLabel(m_pLabel);
    m_pLabel = nullptr;
    // A failed copy leaves no label: an empty one would pass for a row without values.
    hr = PackLabel(lpRow, &m_pLabel);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CopyRowSet() failed: hr = 0x%08lx\n", hr);
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
    if (m_pLabel == nullptr) {
        return hr;
    }
    hr = UnpackLabel(m_pLabel, lppLabel);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CopyRowSet() failed: hr = 0x%08lx\n", hr);
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
    const bool fNewest = (m_pFirst == nullptr || ulNumber > m_ulHighest);
    if (!fNewest) {
        const ULONG cEntries = EntryCount();
        for (ULONG i = 0; i < cEntries; ++i) {
            if (NumberAt(i) == ulNumber) {
                // Replaced in place: the number keeps its walk position. The new reference is
                // taken before the old one goes, in case both are the same object.
                pEntry->AddRef();
                CEntryReference*& rSlot = EntryAt(i);
                CEntryReference* pOld = rSlot;
                rSlot = pEntry;
                pOld->Release();
                return hr;
            }
        }
    }
    if (!Append(ulNumber, pEntry)) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to insert entry into drawer!\n");
        return hr = E_OUTOFMEMORY;
    }
    pEntry->AddRef();
    if (fNewest) {
        m_ulHighest = ulNumber;
    }
    return hr;
}

const ULONG* CSortDrawer::WalkOrder() {
    static const ULONG s_aulFirstOnly[1] = {0};
    if (m_pMore == nullptr) {
        return s_aulFirstOnly;
    }
    const ULONG cEntries = EntryCount();
    ULONG* pOrder = m_pMore->Order();
    if (m_pMore->cOrdered == cEntries) {
        return pOrder;
    }
    // Counting sort by bucket; within a bucket the newest entry first, as at the head of a chain.
    std::array<ULONG, kBuckets + 1> start{};
    for (ULONG i = 0; i < cEntries; ++i) {
        ++start[BucketOf(NumberAt(i)) + 1];
    }
    for (ULONG b = 1; b <= kBuckets; ++b) {
        start[b] += start[b - 1];
    }
    std::array<ULONG, kBuckets> end{};
    for (ULONG b = 0; b < kBuckets; ++b) {
        end[b] = start[b + 1];
    }
    for (ULONG i = 0; i < cEntries; ++i) {
        pOrder[--end[BucketOf(NumberAt(i))]] = i;
    }
    m_pMore->cOrdered = cEntries;
    return pOrder;
}

HRESULT CSortDrawer::FindFirst(CEntryReference** ppEntry) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindFirst", hr);
    if (ppEntry == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid entry pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppEntry = nullptr;
    m_ulCursor = 0;
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
    if (m_ulCursor == kNotWalking || m_ulCursor >= EntryCount()) {
        return hr;
    }
    *ppEntry = EntryAt(WalkOrder()[m_ulCursor++]);
    (*ppEntry)->AddRef();
    return hr;
}

void CSortDrawer::DeleteEntryMap() {
    TRACE_FUNC_VOID("DeleteEntryMap");
    const ULONG cEntries = EntryCount();
    const ULONG* pOrder = WalkOrder();
    // The entries are forgotten before any is released, so a release never sees a half-empty drawer.
    CEntryReference* pFirst = m_pFirst;
    CMore* pMore = m_pMore;
    m_pFirst = nullptr;
    m_pMore = nullptr;
    m_ulFirstNumber = 0;
    m_ulCursor = kNotWalking;
    m_ulHighest = 0;
    for (ULONG pos = 0; pos < cEntries; ++pos) {
        const ULONG index = pOrder[pos];
        (index == 0 ? pFirst : pMore->Entries()[index - 1].pEntry)->Release();
    }
    if (pMore != nullptr) {
        CPooledObject::FreeBytes(pMore, CMore::Bytes(pMore->cCapacity));
    }
}
