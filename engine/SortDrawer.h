// One duplicate group: the items whose compared values (the label) are all equal.
#pragma once

#include <vector>

#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CEntryReference;

// The entries are keyed by their running number. Their walk order is that of a 17-bucket hash map
// whose bucket is (number >> 4) % 17, each new number put at the head of its bucket's chain and a
// replaced number keeping its place. The result page keeps, of the equally old items of a group,
// the first one it meets in this order, so the order is part of the result and must not change.
// Most drawers hold a single entry, so the entries are kept compactly in filing order (the first
// inside the drawer, costing no allocation) and the bucket order is derived when a walk starts
// (entries are never added during a walk).
class CSortDrawer : public CObject {
public:
    CSortDrawer();

    virtual ULONG GetCount() const;
    virtual HRESULT FindNext(CEntryReference** ppEntry);
    virtual HRESULT FindFirst(CEntryReference** ppEntry);
    virtual HRESULT Insert(CEntryReference* pEntry);
    virtual ULONG Release();
    virtual ULONG AddRef();

    // Keeps a deep copy of the row (in MAPI memory) as the drawer's label.
    HRESULT Init(LPSRow lpRow);
    // A deep copy of the label for the caller (FreeRowSet), or NULL when there is none.
    HRESULT GetDrawerLabel(LPSRow* lppLabel);
    // Releases every entry in walk order and forgets the walk.
    void DeleteEntryMap();

    static ULONG BucketOf(ULONG ulNumber) { return (ulNumber >> 4) % kBuckets; }

protected:
    ~CSortDrawer() override;

private:
    static constexpr ULONG kBuckets = 17;
    struct Entry {
        ULONG ulNumber;
        CEntryReference* pEntry;
    };

    void BuildWalkOrder();
    size_t EntryCount() const { return m_fHasFirst ? 1 + m_more.size() : 0; }
    Entry& EntryAt(size_t index) { return index == 0 ? m_first : m_more[index - 1]; }
    // Appends in filing order; may throw std::bad_alloc before anything is changed.
    void Append(const Entry& entry);

    LONG m_cRef;
    ULONG m_ulHighest;  // highest number filed: later numbers need no search for a twin
    LPSRow m_lpLabel;
    Entry m_first;               // the first entry filed, valid while m_fHasFirst
    std::vector<Entry> m_more;   // the later ones, in filing order
    std::vector<ULONG> m_order;  // walk order, as filing positions; built by FindFirst
    size_t m_cursor;             // next position in m_order; m_order.size() when at the end
    bool m_fWalking;
    bool m_fHasFirst;
};
