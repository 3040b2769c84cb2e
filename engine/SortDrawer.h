// One duplicate group: the items whose compared values (the label) are all equal.
#pragma once

#include "engine/SmallBlockPool.h"
#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CEntryReference;
struct CPackedLabel;

// The entries are keyed by their running number. Their walk order is that of a 17-bucket hash map
// whose bucket is (number >> 4) % 17, each new number put at the head of its bucket's chain and a
// replaced number keeping its place. The result page keeps, of the equally old items of a group,
// the first one it meets in this order, so the order is part of the result and must not change.
// Most drawers hold a single entry, so the entries are kept compactly in filing order (the first
// inside the drawer, costing no allocation, the later ones in one block with room for the walk
// order) and the bucket order is derived when a walk starts. An entry added during a walk ends it.
// A large search makes one drawer per distinct label, so the drawer is pooled and kept at 48 bytes.
class CSortDrawer : public CObject, public CPooledObject {
public:
    CSortDrawer();

    virtual ULONG GetCount() const;
    virtual HRESULT FindNext(CEntryReference** ppEntry);
    virtual HRESULT FindFirst(CEntryReference** ppEntry);
    virtual HRESULT Insert(CEntryReference* pEntry);
    virtual ULONG Release();
    virtual ULONG AddRef();

    // Keeps a deep copy of the row as the drawer's label, packed (PackedLabel.h): nothing reads it
    // until the result page shows the group, and every group of a large search keeps one.
    HRESULT Init(LPSRow lpRow);
    // A deep copy of the label in MAPI memory for the caller (FreeRowSet), or NULL when there is none.
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

    // The entries after the first, in filing order, followed by room for the walk order of all
    // entries (as filing positions, the first being 0): one block, grown by doubling.
    struct CMore {
        ULONG cEntries;
        ULONG cCapacity;
        ULONG cOrdered;  // the entry count the walk order was built for; 0 when it must be rebuilt
        ULONG ulReserved;
        Entry* Entries() { return reinterpret_cast<Entry*>(this + 1); }
        ULONG* Order() { return reinterpret_cast<ULONG*>(Entries() + cCapacity); }
        static size_t Bytes(ULONG cCapacity) {
            return sizeof(CMore) + cCapacity * sizeof(Entry) + (size_t(cCapacity) + 1) * sizeof(ULONG);
        }
    };
    static constexpr ULONG kNotWalking = 0xFFFFFFFFu;

    ULONG EntryCount() const { return m_pFirst == nullptr ? 0 : 1 + (m_pMore ? m_pMore->cEntries : 0); }
    ULONG NumberAt(ULONG ulIndex) const {
        return ulIndex == 0 ? m_ulFirstNumber : m_pMore->Entries()[ulIndex - 1].ulNumber;
    }
    CEntryReference*& EntryAt(ULONG ulIndex) {
        return ulIndex == 0 ? m_pFirst : m_pMore->Entries()[ulIndex - 1].pEntry;
    }
    // The walk order, built when entries were added since it was last made.
    const ULONG* WalkOrder();
    // Appends in filing order and ends a walk; false, with nothing changed, when memory runs out.
    bool Append(ULONG ulNumber, CEntryReference* pEntry);

    LONG m_cRef;
    ULONG m_ulHighest;          // highest number filed: later numbers need no search for a twin
    CPackedLabel* m_pLabel;     // NULL until a label was copied, and after a failed copy
    CEntryReference* m_pFirst;  // the first entry filed; NULL in an empty drawer
    ULONG m_ulFirstNumber;
    ULONG m_ulCursor;  // next position in the walk order; kNotWalking outside a walk
    CMore* m_pMore;    // NULL until a second entry is filed
};
