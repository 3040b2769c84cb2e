// The duplicate index: one ordered map per compared column, leading from an item's values to its drawer.
//
// How an item travels through the index and the search
// ----------------------------------------------------
// The search reads, for every chosen folder of every chosen store, each item's compared values in
// the order of the store's column set (an SPropTagArray). That row of values is the item's label.
// The search result (CDrawerMapList) hands the search one top-level map per folder (compare mode 0)
// or per store (compare mode 1), and the item is filed into it:
//
//   store -> folder -> contents table -> item -> GetProps -> label row [v0, v1, ..., vK-1]
//                                                                  |
//        CDrawerMapList::AddStoreMap/AddFolderMap --> top level    v
//   +--------------------------+   key(v0)   +--------------------+   key(vK-1)  +-------------+
//   | label line 0 (inner)     | ----------> | label line 1 ...   | ---------->  | CSortDrawer |
//   | KEY0 -> level*           |             | last line:         |              | label copy  |
//   +--------------------------+             | KEYn -> drawer*    |              | entries by  |
//                                            +--------------------+              | run number  |
//                                                                                +-------------+
// Each level converts only its own column's value into a key (ConvertToKey), looks it up in its
// table (CLabelTable: entries in filing order, found by a hash of the key once a line holds more
// than a few, the first kept inside the line) and passes the row on to the level below; the last
// level (last line) maps its key to a drawer, the group of items whose values are all equal. The
// search files an item with InsertEntry, one pass down the lines: where the label's drawer exists
// the item's CEntryReference goes into it, and where the label parts from every label filed so far
// a new drawer is made (labelled with the row, holding the entry) and filed there. LookupDrawer and
// InsertDrawer do the two halves of that apart, for callers that bring a drawer of their own.
// Two items share a drawer exactly when every column gives an equal key, so the key orders
// (KeyOrder.h) decide what "equal" means: exact values, with a missing value filed under its type's
// null key.
//
// Below the line where a label first has a key of its own, the lines of a full tree would each
// hold that one label alone. The entry there leads to a tail instead (LabelTail.h): the drawer and
// the label's further values in one block, compared column by column with each column's key order
// (through a level of that column's type, KeysOfColumn). When a later label shares the tail's values
// up to some column, the tail gives way to the lines a full tree has there, one column at a time,
// so groups and walk order are exactly a full tree's. At call-trace level filing makes every line,
// as the trace describes it.
//
// The result page later walks each top level with FindFirst/FindNext: depth first, every level in
// ascending key order, so drawers come out in the lexicographic order of their labels. A line sorts
// its entries by the key order only when a walk or the teardown needs it (filing never does), and
// again after a later filing; a walk in progress keeps its place at the entry it was at, so it meets
// exactly the keys an ordered tree's iterator would. A drawer with
// two or more entries is a duplicate group; the cleanup turns the marked entries into deletion lists
// (CStoreIndex2FolderList) and deletes them folder by folder.
//
// Ownership is by hand-counted references: a level holds one reference to each value (lower level
// or drawer, a tail's drawer through the tail) and owns its stored keys, which are always its own heap copies
// (DuplicateKey), never storage of a MAPI buffer. Releasing the top level tears the whole tree down, smallest
// key first.
//
// Memory per group is what limits a search of a large store, so each piece is kept in as few
// blocks as it can: a line with one key is one block, a label's values below its own key are one
// tail, a drawer keeps its first entry inside itself
// and its label packed as tags and value bytes in one block (PackedLabel.h), an entry reference its
// ids and subject in one.
// Lines, drawers and entry references come from a pool of headerless size classes
// (SmallBlockPool.h), in layouts of 48 bytes each. Lookup and filing compare a row's own value
// with the stored keys (ViewKey) instead of converting it into a copy first; a stored key is still
// DuplicateKey's copy. At call-trace level the conversion runs in full, as the trace describes it.
//
// Faults that would delete the wrong items are refused rather than tolerated: a key copy that cannot
// be allocated fails the filing (never a silent NULL key that would meet unrelated items), a row
// whose column count does not fit the level it reaches is E_INVALIDARG, and a level decides whether
// it is the last line by its own flag, so a drawer is never read as a level or the other way round.
#pragma once

#include <cassert>
#include <cstdint>
#include <new>
#include <type_traits>

#include "engine/DrawerMap.h"
#include "engine/EntryReference.h"
#include "engine/LabelTable.h"
#include "engine/LabelTail.h"
#include "engine/SmallBlockPool.h"
#include "engine/SortDrawer.h"
#include "trace/Trace.h"

// The value union of a MAPI property value, as ConvertToKey receives it.
using PropValueUnion = decltype(SPropValue{}.Value);

template <class KEY, class VALUE>
class LabelAccessMap : public CDrawerMap, public CPooledObject {
    static_assert(std::is_same_v<VALUE, CSortDrawer> || std::is_same_v<VALUE, CDrawerMap>,
                  "a label line holds drawers or the next level");
    static constexpr bool kLastLine = std::is_same_v<VALUE, CSortDrawer>;
    using Table = CLabelTable<KEY, VALUE>;
    static constexpr ULONG kNone = Table::kNone;

public:
    // fPointerKey says whether the keys are heap copies reached by pointer; that follows from the
    // key type, so it is checked rather than stored.
    LabelAccessMap(BOOL fLastLine, [[maybe_unused]] BOOL fPointerKey)
        : m_cRef(0),
          m_ulCursor(0),
          m_ulCursorEntry(kNone),
          m_fLastLine(fLastLine != FALSE),
          m_fCursorTail(false) {
        TRACE_CTOR("LabelAccessMap");
        assert((fPointerKey != FALSE) == std::is_pointer_v<KEY>);
    }

    ULONG AddRef() override { return ++m_cRef; }

    ULONG Release() override {
        if (m_cRef > 0) {
            --m_cRef;
        }
        if (m_cRef == 0) {
            delete this;
            return 0;
        }
        return m_cRef;
    }

    HRESULT LookupDrawer(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                         CSortDrawer** ppDrawer) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("LookupDrawer", hr);
        if (ppDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid drawer pointer specified!\n");
            return hr = E_INVALIDARG;
        }
        *ppDrawer = nullptr;
        if (FAILED(hr = CheckRow(lpRow, ulIndex, lpColumns))) {
            return hr;
        }
        KEY key{};
        bool fView = false;
        if (FAILED(hr = RowKey(&key, lpRow->lpProps[ulIndex], &fView))) {
            return hr;
        }
        typename Table::CLazyHash hash(key);
        const ULONG ulFound = m_table.Find(key, hash);
        if (ulFound == kNone) {
            QTRACE(TRACE_INFO, "No drawer present.\n");
        } else if (VALUE* pValue = m_table.At(ulFound).pValue; pValue == nullptr) {
            QTRACE(TRACE_ERROR, "Found NULL object in map for row column index!\n");
            hr = E_UNEXPECTED;
        } else if constexpr (kLastLine) {
            *ppDrawer = pValue;
            (*ppDrawer)->AddRef();
        } else if (IsTail(pValue)) {
            ULONG ulDiffer = 0;
            if (SUCCEEDED(hr = TailDiffers(AsTail(pValue), lpRow, ulIndex, lpColumns, &ulDiffer))) {
                if (ulDiffer == lpRow->cValues) {
                    *ppDrawer = AsTail(pValue)->Drawer();
                    (*ppDrawer)->AddRef();
                } else {
                    QTRACE(TRACE_INFO, "No drawer present.\n");
                }
            }
        } else {
            hr = pValue->LookupDrawer(lpRow, ulIndex + 1, lpColumns, ppDrawer);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pInner->LookupDrawer() failed: hr = 0x%08lx\n", hr);
            }
        }
        DropKey(&key, fView);
        return hr;
    }

    HRESULT InsertDrawer(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                         CSortDrawer** ppDrawer) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("InsertDrawer", hr);
        if (FAILED(hr = CheckRow(lpRow, ulIndex, lpColumns))) {
            return hr;
        }
        if (ppDrawer == nullptr || *ppDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid drawer specified!\n");
            return hr = E_INVALIDARG;
        }
        KEY key{};
        bool fView = false;
        if (FAILED(hr = RowKey(&key, lpRow->lpProps[ulIndex], &fView))) {
            return hr;
        }
        // A stored key is always DuplicateKey's copy, whether made from a view or a converted key.
        typename Table::CLazyHash hash(key);
        const ULONG ulFound = m_table.Find(key, hash);
        if (ulFound != kNone) {
            hr = FileUnderEntry(ulFound, lpRow, ulIndex, lpColumns, *ppDrawer);
        } else {
            hr = FileUnderNewKey(key, hash, lpRow, ulIndex, lpColumns, *ppDrawer);
        }
        DropKey(&key, fView);
        return hr;
    }

    HRESULT InsertEntry(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                        CEntryReference* pEntry) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("InsertEntry", hr);
        if (FAILED(hr = CheckRow(lpRow, ulIndex, lpColumns))) {
            return hr;
        }
        if (pEntry == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid object specified!\n");
            return hr = E_INVALIDARG;
        }
        KEY key{};
        bool fView = false;
        if (FAILED(hr = RowKey(&key, lpRow->lpProps[ulIndex], &fView))) {
            return hr;
        }
        typename Table::CLazyHash hash(key);
        const ULONG ulFound = m_table.Find(key, hash);
        CSortDrawer* pFound = nullptr;  // the label's drawer, when it is filed already
        bool fDescend = false;          // the label goes on in the line below
        if (ulFound != kNone) {
            VALUE* pValue = m_table.At(ulFound).pValue;
            if (pValue == nullptr) {
                QTRACE(TRACE_ERROR, "Found NULL object in map for row column index!\n");
                hr = E_UNEXPECTED;
            } else if constexpr (kLastLine) {
                pFound = pValue;
            } else if (IsTail(pValue)) {
                // The drawer is fetched while the values are compared: a large index has it in
                // memory the cache has long lost.
                __builtin_prefetch(AsTail(pValue)->Drawer(), 1);
                ULONG ulDiffer = 0;
                hr = TailDiffers(AsTail(pValue), lpRow, ulIndex, lpColumns, &ulDiffer);
                if (SUCCEEDED(hr) && ulDiffer == lpRow->cValues) {
                    pFound = AsTail(pValue)->Drawer();
                }
            } else {
                fDescend = true;
                hr = pValue->InsertEntry(lpRow, ulIndex + 1, lpColumns, pEntry);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "pInner->InsertEntry() failed: hr = 0x%08lx\n", hr);
                }
            }
        }
        if (SUCCEEDED(hr) && !fDescend) {
            if (pFound != nullptr) {
                if (FAILED(hr = pFound->Insert(pEntry))) {
                    QTRACE(TRACE_ERROR, "pDrawer->Insert() failed: hr = 0x%08lx\n", hr);
                }
            } else {
                // A new label: its drawer, with the entry in it, is filed where the label parts.
                CSortDrawer* pDrawer = nullptr;
                if (SUCCEEDED(hr = MakeDrawer(lpRow, pEntry, &pDrawer))) {
                    hr = ulFound != kNone ? FileUnderEntry(ulFound, lpRow, ulIndex, lpColumns, pDrawer)
                                          : FileUnderNewKey(key, hash, lpRow, ulIndex, lpColumns, pDrawer);
                    pDrawer->Release();
                }
            }
        }
        DropKey(&key, fView);
        return hr;
    }

    HRESULT FindFirst(CSortDrawer** ppDrawer) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("FindFirst", hr);
        if (ppDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid drawer pointer specified!\n");
            return hr = E_INVALIDARG;
        }
        *ppDrawer = nullptr;
        const ULONG* order = Ordered();
        const ULONG cOrder = m_table.Size();
        SetCursor(0);
        if (m_ulCursor == cOrder) {
            return hr;
        }
        if constexpr (kLastLine) {
            return hr = HandOutAtCursor(ppDrawer);
        } else {
            // A lower level without drawers is passed over, so the walk never ends early.
            for (; m_ulCursor != cOrder; SetCursor(m_ulCursor + 1)) {
                VALUE* pValue = m_table.At(order[m_ulCursor]).pValue;
                if (pValue == nullptr) {
                    QTRACE(TRACE_ERROR, "Found NULL pointer in map!\n");
                    return hr = E_UNEXPECTED;
                }
                if (IsTail(pValue)) {
                    return hr = HandOutTail(pValue, ppDrawer);
                }
                if (FAILED(hr = pValue->FindFirst(ppDrawer))) {
                    QTRACE(TRACE_ERROR, "pMap->FindFirst() failed: hr = 0x%08lx\n", hr);
                    return hr;
                }
                if (*ppDrawer != nullptr) {
                    return hr;
                }
            }
            return hr;
        }
    }

    HRESULT FindNext(CSortDrawer** ppDrawer) override {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT("FindNext", hr);
        if (ppDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid drawer pointer specified!\n");
            return hr = E_INVALIDARG;
        }
        *ppDrawer = nullptr;
        const ULONG* order = Ordered();
        const ULONG cOrder = m_table.Size();
        if (m_ulCursor == cOrder) {
            QTRACE(TRACE_INFO, "End of list\n");
            return hr;
        }
        if constexpr (kLastLine) {
            return hr = HandOutAtCursor(ppDrawer);
        } else {
            VALUE* pValue = m_table.At(order[m_ulCursor]).pValue;
            if (pValue == nullptr) {
                QTRACE(TRACE_ERROR, "Found NULL pointer in map!\n");
                return hr = E_UNEXPECTED;
            }
            // A tail's drawer was handed out when the walk came to it; so was the drawer of a tail
            // that has since turned into a line.
            if (!IsTail(pValue) && !m_fCursorTail && FAILED(hr = pValue->FindNext(ppDrawer))) {
                QTRACE(TRACE_ERROR, "pInner->FindNext() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            while (*ppDrawer == nullptr) {
                SetCursor(m_ulCursor + 1);
                if (m_ulCursor == cOrder) {
                    QTRACE(TRACE_INFO, "End of list.\n");
                    return hr;
                }
                pValue = m_table.At(order[m_ulCursor]).pValue;
                if (pValue == nullptr) {
                    QTRACE(TRACE_ERROR, "Found NULL pointer in map!\n");
                    return hr = E_UNEXPECTED;
                }
                if (IsTail(pValue)) {
                    return hr = HandOutTail(pValue, ppDrawer);
                }
                if (FAILED(hr = pValue->FindFirst(ppDrawer))) {
                    QTRACE(TRACE_ERROR, "pInner->FindFirst() failed: hr = 0x%08lx\n", hr);
                    return hr;
                }
            }
            return hr;
        }
    }

    HRESULT Merge(CDrawerMap* /*pOther*/) override {
        QTRACE(TRACE_ERROR, "Merge() is not implemented!\n");
        return E_NOTIMPL;
    }

    HRESULT KeysEqual(const SPropValue& a, const SPropValue& b, bool* pfEqual) override {
        *pfEqual = false;
        KEY keyA{}, keyB{};
        bool fViewA = false, fViewB = false;
        HRESULT hr = RowKey(&keyA, a, &fViewA);
        if (FAILED(hr)) {
            return hr;
        }
        if (SUCCEEDED(hr = RowKey(&keyB, b, &fViewB))) {
            *pfEqual = Table::Equal(keyA, keyB);
            DropKey(&keyB, fViewB);
        }
        DropKey(&keyA, fViewA);
        return hr;
    }

    HRESULT AdoptTail(CLabelTail* pTail) override {
        if (pTail == nullptr || !m_table.Empty()) {
            return E_UNEXPECTED;
        }
        KEY key{};
        bool fView = false;
        // A binary key views the value's SBinary: the value must outlive the key.
        const SPropValue first = pTail->First();
        HRESULT hr = RowKey(&key, first, &fView);
        if (FAILED(hr)) {
            return hr;
        }
        KEY stored{};
        if (FAILED(hr = DuplicateKey(&stored, &key))) {
            QTRACE(TRACE_ERROR, "DuplicateKey() failed: hr = 0x%08lx\n", hr);
        } else {
            try {
                m_table.ReserveOne();
                VALUE* pValue = nullptr;
                if constexpr (kLastLine) {
                    pValue = pTail->Drawer();  // the tail's reference goes to the entry
                    CLabelTail::FreeBlock(pTail);
                } else {
                    pTail->DropFirst();
                    pValue = LinkTail(pTail);
                }
                typename Table::CLazyHash hash(stored);
                m_table.Append(stored, pValue, hash);
            } catch (const std::bad_alloc&) {
                QTRACE(TRACE_ERROR, "new() failed: Unable to insert into map!\n");
                FreeKey(&stored);
                hr = E_OUTOFMEMORY;
            }
        }
        DropKey(&key, fView);
        return hr;
    }

    // The key operations of the concrete access map of each key type.
    virtual HRESULT ConvertToKey(KEY* pKey, ULONG ulPropTag, PropValueUnion value) = 0;
    virtual HRESULT DuplicateKey(KEY* pCopy, const KEY* pSource) = 0;
    virtual HRESULT FreeKey(KEY* pKey) = 0;
    // A key that looks at the value itself instead of a copy, equal under the key order to what
    // ConvertToKey would make; false when only a conversion gives the key (another width, another
    // type, a form the copy would change). The view lives as long as the row's value.
    virtual bool ViewKey(KEY* pKey, ULONG ulPropTag, const PropValueUnion& value) = 0;

    BOOL IsLastLine() const { return m_fLastLine ? TRUE : FALSE; }
    BOOL HasPointerKeys() const { return std::is_pointer_v<KEY> ? TRUE : FALSE; }
    size_t GetEntryCount() const { return m_table.Size(); }

protected:
    // The table is emptied by TearDown, which each concrete class's destructor calls (with the
    // destructor trace around it) while its own FreeKey still exists.
    ~LabelAccessMap() override = default;

    // Releases the values smallest key first, each before its key is freed; an entry is emptied
    // before its value goes, so nothing is released twice even when a value's teardown takes long.
    void TearDown() {
        const ULONG* order = m_table.Order();
        for (ULONG pos = 0; pos < m_table.Size(); ++pos) {
            auto& entry = m_table.At(order[pos]);
            VALUE* pValue = entry.pValue;
            entry.pValue = nullptr;
            ReleaseValue(pValue);
            FreeKey(&entry.key);
        }
        m_table.Clear();
        m_ulCursor = 0;
        m_ulCursorEntry = kNone;
        m_fCursorTail = false;
    }

private:
    // Filing and lookup only compare a row's key with stored keys, so a view does what a converted
    // copy did without its allocation, copy and release. At call-trace level the conversion runs
    // in full, so the trace shows every step of the key's making.
    bool ViewInsteadOfCopy(KEY* pKey, const SPropValue& prop) {
        if (TraceEnabled(TRACE_CALL)) {
            return false;
        }
        return ViewKey(pKey, prop.ulPropTag, prop.Value);
    }

    HRESULT CheckRow(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns) const {
        if (lpRow == nullptr || (lpRow->cValues != 0 && lpRow->lpProps == nullptr)) {
            QTRACE(TRACE_ERROR, "Failure: Invalid characteristics pointer specified!\n");
            return E_INVALIDARG;
        }
        if (ulIndex >= lpRow->cValues) {
            QTRACE(TRACE_ERROR, "Failure: Invalid characteristics index specified!\n");
            return E_INVALIDARG;
        }
        if (lpColumns == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: Invalid prop tag array specified!\n");
            return E_INVALIDARG;
        }
        if (lpColumns->cValues != lpRow->cValues) {
            QTRACE(TRACE_ERROR, "Failure: Invalid prop tag array size!\n");
            return E_INVALIDARG;
        }
        // The level's own flag decides what its values are; a row that ends elsewhere was not made
        // for this index and must not make a drawer be read as a level.
        const bool fRowEndsHere = (ulIndex == lpRow->cValues - 1);
        if (fRowEndsHere != kLastLine || m_fLastLine != kLastLine) {
            QTRACE(TRACE_ERROR, "Failure: Row does not fit the index!\n");
            return E_INVALIDARG;
        }
        return S_OK;
    }

    // The key of a row's value: a view when one does, else ConvertToKey's copy (*pfView false),
    // which DropKey frees.
    HRESULT RowKey(KEY* pKey, const SPropValue& prop, bool* pfView) {
        *pfView = ViewInsteadOfCopy(pKey, prop);
        if (*pfView) {
            return S_OK;
        }
        const HRESULT hr = ConvertToKey(pKey, prop.ulPropTag, prop.Value);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "ConvertToKey() failed: hr = 0x%08lx\n", hr);
        }
        return hr;
    }
    void DropKey(KEY* pKey, bool fView) {
        if (!fView) {
            FreeKey(pKey);
        }
    }

    // An inner line's value is a lower line or, marked by its lowest bit, a tail (LabelTail.h).
    static bool IsTail(const VALUE* pValue) {
        if constexpr (kLastLine) {
            return false;
        } else {
            return (reinterpret_cast<uintptr_t>(pValue) & 1) != 0;
        }
    }
    static CLabelTail* AsTail(VALUE* pValue) {
        return reinterpret_cast<CLabelTail*>(reinterpret_cast<uintptr_t>(pValue) & ~uintptr_t(1));
    }
    static VALUE* LinkTail(CLabelTail* pTail) {
        static_assert(alignof(CLabelTail) > 1, "the lowest bit marks a tail");
        return reinterpret_cast<VALUE*>(reinterpret_cast<uintptr_t>(pTail) | 1);
    }
    static void ReleaseValue(VALUE* pValue) {
        if (IsTail(pValue)) {
            CLabelTail::Free(AsTail(pValue));
        } else if (pValue != nullptr) {
            pValue->Release();
        }
    }

    HRESULT HandOutTail(VALUE* pValue, CSortDrawer** ppDrawer) {
        CSortDrawer* pDrawer = AsTail(pValue)->Drawer();
        if (pDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "Found NULL pointer in map!\n");
            return E_UNEXPECTED;
        }
        *ppDrawer = pDrawer;
        pDrawer->AddRef();
        m_fCursorTail = true;
        return S_OK;
    }

    // The first column after this line's where the row leaves the tail's values, each compared by
    // its column's key order; the row's value count when there is none.
    static HRESULT TailDiffers(const CLabelTail* pTail, LPSRow lpRow, ULONG ulIndex,
                               LPSPropTagArray lpColumns, ULONG* pulDiffer) {
        *pulDiffer = lpRow->cValues;
        CLabelTail::CReader reader(pTail);
        for (ULONG ulColumn = ulIndex + 1; ulColumn < lpRow->cValues; ++ulColumn) {
            CDrawerMap* pKeys = CDrawerMap::KeysOfColumn(lpColumns->aulPropTag[ulColumn]);
            if (pKeys == nullptr) {
                QTRACE(TRACE_ERROR, "Unexpected property type %04ld!\n", lpColumns->aulPropTag[ulColumn]);
                return E_UNEXPECTED;
            }
            bool fEqual = false;
            const HRESULT hr = pKeys->KeysEqual(reader.Next(), lpRow->lpProps[ulColumn], &fEqual);
            if (FAILED(hr)) {
                return hr;
            }
            if (!fEqual) {
                *pulDiffer = ulColumn;
                return S_OK;
            }
        }
        return S_OK;
    }

    // A new drawer labelled with the row, holding the entry, with one reference for the caller.
    static HRESULT MakeDrawer(LPSRow lpRow, CEntryReference* pEntry, CSortDrawer** ppDrawer) {
        HRESULT hr = S_OK;
        auto* pDrawer = new (std::nothrow) CSortDrawer();
        if (pDrawer == nullptr) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to create drawer object!\n");
            return E_OUTOFMEMORY;
        }
        pDrawer->AddRef();
        if (FAILED(hr = pDrawer->Init(lpRow))) {
            QTRACE(TRACE_ERROR, "pDrawer->Init() failed: hr = 0x%08lx\n", hr);
        } else if (FAILED(hr = pDrawer->Insert(pEntry))) {
            QTRACE(TRACE_ERROR, "pDrawer->Insert() failed: hr = 0x%08lx\n", hr);
        }
        if (FAILED(hr)) {
            pDrawer->Release();
            return hr;
        }
        *ppDrawer = pDrawer;
        return S_OK;
    }

    // Files pDrawer under the row whose key at this line is the entry's.
    HRESULT FileUnderEntry(ULONG ulFound, LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                           CSortDrawer* pDrawer) {
        HRESULT hr = S_OK;
        auto& entry = m_table.At(ulFound);
        if constexpr (kLastLine) {
            // Replacement keeps the stored key and swaps the value in place; the new drawer is
            // referenced before the old one is released, in case they are one and the same.
            pDrawer->AddRef();
            CSortDrawer* pOld = entry.pValue;
            entry.pValue = pDrawer;
            if (pOld != nullptr) {
                pOld->Release();
            }
            return S_OK;
        } else {
            if (entry.pValue == nullptr) {
                QTRACE(TRACE_ERROR, "Found NULL object in map for row column index!\n");
                return E_UNEXPECTED;
            }
            if (!IsTail(entry.pValue)) {
                hr = entry.pValue->InsertDrawer(lpRow, ulIndex + 1, lpColumns, &pDrawer);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "InsertDrawer() failed: hr = 0x%08lx\n", hr);
                }
                return hr;
            }
            CLabelTail* pTail = AsTail(entry.pValue);
            ULONG ulDiffer = 0;
            if (FAILED(hr = TailDiffers(pTail, lpRow, ulIndex, lpColumns, &ulDiffer))) {
                return hr;
            }
            if (ulDiffer == lpRow->cValues) {
                // The same label: the new drawer takes the old one's place, as on the last line.
                pDrawer->AddRef();
                CSortDrawer* pOld = pTail->Drawer();
                pTail->SetDrawer(pDrawer);
                if (pOld != nullptr) {
                    pOld->Release();
                }
                return S_OK;
            }
            // The labels part below this line: the tail becomes the line of the next column, which
            // then takes the row as any line does (and parts the two further down if need be).
            CDrawerMap* pNext = nullptr;
            if (FAILED(hr = MakeNextLine(lpColumns, ulIndex, &pNext))) {
                return hr;
            }
            if (FAILED(hr = pNext->AdoptTail(pTail))) {
                QTRACE(TRACE_ERROR, "Failed to insert: hr = 0x%08lx\n", hr);
                pNext->Release();
                return hr;
            }
            entry.pValue = pNext;
            hr = pNext->InsertDrawer(lpRow, ulIndex + 1, lpColumns, &pDrawer);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "InsertDrawer() failed: hr = 0x%08lx\n", hr);
            }
            return hr;
        }
    }

    HRESULT MakeNextLine(LPSPropTagArray lpColumns, ULONG ulIndex, CDrawerMap** ppNext) {
        HRESULT hr = CDrawerMap::CreateDrawerMap(lpColumns, ulIndex + 1, ppNext);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "CDrawerMap::CreateDrawerMap() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (*ppNext == nullptr) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to create next map!\n");
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    // Files pDrawer under a key this line does not hold yet.
    HRESULT FileUnderNewKey(const KEY& key, typename Table::CLazyHash& hash, LPSRow lpRow, ULONG ulIndex,
                            LPSPropTagArray lpColumns, CSortDrawer* pDrawer) {
        HRESULT hr = S_OK;
        // The value to file, with a working reference that becomes the map's on success.
        VALUE* pValue = nullptr;
        if constexpr (kLastLine) {
            pValue = pDrawer;
            pValue->AddRef();
        } else if (!TraceEnabled(TRACE_CALL)) {
            // The rest of the label in a tail, once every value of it is known to fit its column.
            for (ULONG ulColumn = ulIndex + 1; ulColumn < lpRow->cValues; ++ulColumn) {
                CDrawerMap* pKeys = CDrawerMap::KeysOfColumn(lpColumns->aulPropTag[ulColumn]);
                if (pKeys == nullptr) {
                    QTRACE(TRACE_ERROR, "Unexpected property type %04ld!\n", lpColumns->aulPropTag[ulColumn]);
                    return E_UNEXPECTED;
                }
                bool fEqual = false;
                if (FAILED(
                        hr = pKeys->KeysEqual(lpRow->lpProps[ulColumn], lpRow->lpProps[ulColumn], &fEqual))) {
                    return hr;
                }
            }
            CLabelTail* pTail =
                CLabelTail::Make(lpRow->lpProps + ulIndex + 1, lpRow->cValues - ulIndex - 1, pDrawer);
            if (pTail == nullptr) {
                QTRACE(TRACE_ERROR, "new() failed: Unable to create next map!\n");
                return E_OUTOFMEMORY;
            }
            pValue = LinkTail(pTail);
        } else {
            // At call-trace level every line is made, so the trace shows each step down the index.
            CDrawerMap* pNext = nullptr;
            if (FAILED(hr = MakeNextLine(lpColumns, ulIndex, &pNext))) {
                return hr;
            }
            hr = pNext->InsertDrawer(lpRow, ulIndex + 1, lpColumns, &pDrawer);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "Failed to insert: hr = 0x%08lx\n", hr);
                pNext->Release();
                return hr;
            }
            pValue = pNext;
        }

        KEY stored{};
        hr = DuplicateKey(&stored, &key);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "DuplicateKey() failed: hr = 0x%08lx\n", hr);
            ReleaseValue(pValue);
            return hr;
        }
        try {
            m_table.ReserveOne();
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, "new() failed: Unable to insert into map!\n");
            FreeKey(&stored);
            ReleaseValue(pValue);
            return E_OUTOFMEMORY;
        }
        m_table.Append(stored, pValue, hash);
        return S_OK;
    }

    // The key order, rebuilt after a filing. A walk in progress stays at the entry it was at, so a
    // key filed behind that entry is still met and one filed before it is not.
    const ULONG* Ordered() {
        if (!m_table.IsOrdered()) {
            const ULONG* order = m_table.Order();
            const ULONG cOrder = m_table.Size();
            m_ulCursor = ULONG(cOrder);
            if (m_ulCursorEntry != kNone) {
                for (ULONG pos = 0; pos < cOrder; ++pos) {
                    if (order[pos] == m_ulCursorEntry) {
                        m_ulCursor = pos;
                        break;
                    }
                }
            }
        }
        return m_table.Order();
    }

    void SetCursor(ULONG ulPosition) {
        const ULONG* order = m_table.Order();
        const ULONG cOrder = m_table.Size();
        m_ulCursor = ulPosition;
        m_fCursorTail = false;
        m_ulCursorEntry = ulPosition < cOrder ? order[ulPosition] : kNone;
    }

    HRESULT HandOutAtCursor(CSortDrawer** ppDrawer) {
        if constexpr (kLastLine) {
            CSortDrawer* pDrawer = m_table.At(m_table.Order()[m_ulCursor]).pValue;
            if (pDrawer == nullptr) {
                QTRACE(TRACE_ERROR, "Found NULL pointer in map!\n");
                return E_UNEXPECTED;
            }
            *ppDrawer = pDrawer;
            (*ppDrawer)->AddRef();
            SetCursor(m_ulCursor + 1);
        }
        return S_OK;
    }

    // Members ordered so that a line of one key fits a 48-byte pooled block: a large search has one
    // line per distinct value of every column.
    Table m_table;
    ULONG m_cRef;
    ULONG m_ulCursor;       // walk position in the key order; the order's size at the end
    ULONG m_ulCursorEntry;  // the entry at that position, kNone at the end
    bool m_fLastLine;
    bool m_fCursorTail;  // the walk handed out the drawer of the tail at the cursor
};
