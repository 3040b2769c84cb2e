// The storage of one label line: its keys in filing order, a hash table over them, and the key order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "engine/KeyHash.h"
#include "engine/KeyOrder.h"
#include "engine/PrefaultPages.h"
#include "platform/win32/WinTypes.h"

// A large index files millions of keys in its top line and looks each item up there first. An
// ordered tree pays one cache miss per step of that lookup and a node per key; a hash table finds
// the key in about one probe, and the entries lie together in one array. The key order is only
// needed when the line is walked or torn down, so it is derived then, by sorting the entries with
// the very comparator the tree used: keys are unique under it, so the walk is the same as before.
//
// Lines with few keys (most inner lines hold one) have no table: a scan of a handful of keys is
// cheaper than hashing. The first key is kept inside the line itself, so a line of one key costs no
// allocation beyond the line; more keys live in one block holding the entries and the key order.
// A large search has one inner line per distinct value of every column but the last, so the table
// is kept at 24 bytes: the key order of one entry needs no storage, the slot count of the hash
// table lies in the table's own block, and the one entry of a small line lies where a larger line
// keeps the pointers to its blocks.
template <class KEY, class VALUE>
class CLabelTable {
public:
    struct Entry {
        KEY key;
        VALUE* pValue;
    };
    static_assert(std::is_trivially_copyable_v<Entry>, "entries are moved by copying their bytes");
    // A slot of the hash table: the key's hash tag (high half) and entry index + 1, 0 when free;
    // and the value the entry had when it was placed, only ever used to fetch it early (a value
    // replaced since is merely a fetch in vain).
    struct CSlot {
        uint64_t cell;
        const void* pValueHint;
    };
    static constexpr ULONG kNone = std::numeric_limits<ULONG>::max();

    CLabelTable() = default;
    CLabelTable(const CLabelTable&) = delete;
    CLabelTable& operator=(const CLabelTable&) = delete;
    ~CLabelTable() { Clear(); }

    ULONG Size() const { return m_cEntries; }
    bool Empty() const { return m_cEntries == 0; }
    Entry& At(ULONG ulIndex) { return Entries()[ulIndex]; }
    const Entry& At(ULONG ulIndex) const { return Entries()[ulIndex]; }

    static uint64_t HashOf(const KEY& key) { return KeyHash<KEY>()(key); }
    // Equal under the key order; a narrow string needs one comparison, not the order's two.
    static bool Equal(const KEY& a, const KEY& b) {
        if constexpr (std::is_same_v<KEY, char*>) {
            return a == b || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
        } else if constexpr (std::is_same_v<KEY, SBinary*>) {
            // As SBinaryLess sees it: equal counts, and equal bytes unless there are none.
            return a == b || (a != nullptr && b != nullptr && a->cb == b->cb &&
                              (a->cb == 0 || std::memcmp(a->lpb, b->lpb, a->cb) == 0));
        } else {
            const KeyLess<KEY> less;
            return !less(a, b) && !less(b, a);
        }
    }

    // A key's hash, computed when first needed: a line without a hash table never needs it, and a
    // long text or binary value costs more to hash than to compare with the one or two keys there.
    class CLazyHash {
    public:
        explicit CLazyHash(const KEY& key) : m_key(key) {}
        uint64_t Get() {
            if (!m_fKnown) {
                m_hash = HashOf(m_key);
                m_fKnown = true;
            }
            return m_hash;
        }

    private:
        const KEY& m_key;
        uint64_t m_hash = 0;
        bool m_fKnown = false;
    };

    // Find and Append with the hash computed only when the line has a table.
    ULONG Find(const KEY& key, CLazyHash& hash) const {
        return HashSlots() == nullptr ? Scan(key) : Find(key, hash.Get());
    }
    void Append(const KEY& key, VALUE* pValue, CLazyHash& hash) noexcept {
        Append(key, pValue, HashSlots() == nullptr ? 0 : hash.Get());
    }

    // The index of the entry whose key is equal to key, or kNone.
    ULONG Find(const KEY& key, uint64_t hash) const {
        const CSlot* pTable = HashSlots();
        if (pTable == nullptr) {
            return Scan(key);
        }
        const Entry* pEntries = Entries();
        const size_t cSlots = Slots();
        const size_t mask = cSlots - 1;
        const uint64_t tag = Tag(hash);
        for (size_t slot = Home(hash, cSlots);; slot = (slot + 1) & mask) {
            const uint64_t cell = pTable[slot].cell;
            if (cell == 0) {
                return kNone;
            }
            if ((cell & kTagMask) == tag) {
                // The value is most likely what the caller reads next: it is fetched while the
                // key is compared, instead of after it.
                __builtin_prefetch(pTable[slot].pValueHint);
                if (Equal(pEntries[ULONG(cell) - 1].key, key)) {
                    return ULONG(cell) - 1;
                }
            }
        }
    }

    // Makes room for one more entry; throws std::bad_alloc with nothing changed. Room for the key
    // order is kept too, so that a walk never needs memory the filing did not already have.
    void ReserveOne() {
        if (m_cEntries >= kMaxEntries) {
            throw std::bad_alloc();
        }
        const size_t cNew = size_t(m_cEntries) + 1;
        const size_t cSlotsNow = Slots();
        if (cNew > kLinear && cNew * 2 > cSlotsNow) {
            size_t cSlots = cSlotsNow == 0 ? 4 * kLinear : cSlotsNow * 2;
            while (cNew * 2 > cSlots) {
                cSlots *= 2;
            }
            auto* pBlock = static_cast<CSlot*>(std::calloc(cSlots + 1, sizeof(CSlot)));
            if (pBlock == nullptr) {
                throw std::bad_alloc();
            }
            if (cSlots >= kPrefaultSlots) {
                // Placing the cells reads each slot before it writes it, all over the block.
                PrefaultPages(pBlock, (cSlots + 1) * sizeof(CSlot));
            }
            pBlock[0].cell = cSlots;
            CSlot* pTable = pBlock + 1;
            if (const CSlot* pOld = HashSlots(); pOld != nullptr) {
                // A slot's tag holds the top bits of its key's hash, which choose the slot: the
                // cells move over in slot order without a look at the keys, and land in the same
                // order, so a large table grows by streaming through memory, not by a cache miss
                // per key.
                for (size_t i = 0; i < cSlotsNow; ++i) {
                    if (pOld[i].cell != 0) {
                        PlaceCell(pTable, cSlots, pOld[i]);
                    }
                }
            } else {
                for (ULONG i = 0; i < m_cEntries; ++i) {
                    Place(pTable, cSlots, HashOf(Entries()[i].key), i, Entries()[i].pValue);
                }
            }
            // More than kLinear entries: the capacity is above 1, so the block pointers are in use.
            ReleaseTable();
            m_u.heap.pTable = pTable;
        }
        if (cNew > m_cCapacity) {
            const size_t cCapacity = size_t(m_cCapacity) * 2;
            const size_t cbBlock = cCapacity * (sizeof(Entry) + sizeof(ULONG));
            CSlot* pTable = HashSlots();
            if (m_cCapacity > 1) {
                // Only the entries are kept: the key order is rebuilt after the filing that follows.
                // A large block grows where the heap can remap it, without a copy of its pages.
                void* pBlock = std::realloc(m_u.heap.pEntries, cbBlock);
                if (pBlock == nullptr) {
                    throw std::bad_alloc();
                }
                m_u.heap.pEntries = static_cast<Entry*>(pBlock);
                if (cCapacity >= kPrefaultSlots) {
                    // Beyond the entries kept: the room the next filings write entry by entry.
                    const size_t cbOld = size_t(m_cCapacity) * sizeof(Entry);
                    PrefaultPages(static_cast<char*>(pBlock) + cbOld, cbBlock - cbOld);
                }
            } else {
                void* pBlock = std::malloc(cbBlock);
                if (pBlock == nullptr) {
                    throw std::bad_alloc();
                }
                auto* pEntries = static_cast<Entry*>(pBlock);
                // The one entry a line keeps inside itself (a capacity of 1 holds at most one).
                if (m_cEntries != 0) {
                    pEntries[0] = m_u.inline_;
                }
                m_u.heap = CHeap{pEntries, pTable};  // the inline entry was copied above
            }
            m_cCapacity = ULONG(cCapacity);
            m_fOrdered = 0;
        }
    }

    // Appends an entry after ReserveOne; never fails. The key order is then rebuilt when next asked.
    void Append(const KEY& key, VALUE* pValue, uint64_t hash) noexcept {
        const ULONG ulIndex = m_cEntries;
        Entries()[ulIndex] = Entry{key, pValue};
        ++m_cEntries;
        if (CSlot* pTable = HashSlots(); pTable != nullptr) {
            Place(pTable, Slots(), hash, ulIndex, pValue);
        }
        m_fOrdered = 0;
    }

    // The entry indexes in ascending key order (no allocation: ReserveOne kept the room).
    const ULONG* Order() {
        static const ULONG s_aulOne[1] = {0};
        if (m_cCapacity == 1) {
            m_fOrdered = 1;  // one entry or none: nothing to sort, nothing to store
            return s_aulOne;
        }
        ULONG* pOrder = OrderStorage();
        if (!m_fOrdered) {
            for (ULONG i = 0; i < m_cEntries; ++i) {
                pOrder[i] = i;
            }
            const KeyLess<KEY> less;
            const Entry* pEntries = Entries();
            std::sort(pOrder, pOrder + m_cEntries,
                      [&](ULONG a, ULONG b) { return less(pEntries[a].key, pEntries[b].key); });
            m_fOrdered = 1;
        }
        return pOrder;
    }
    bool IsOrdered() const { return m_fOrdered != 0; }

    // Forgets every entry and gives the memory back; the caller has released values and keys.
    void Clear() noexcept {
        ReleaseTable();
        ReleaseBlock();
        m_u.inline_ = Entry{};
        m_cEntries = 0;
        m_cCapacity = 1;
        m_fOrdered = 1;
    }

private:
    ULONG Scan(const KEY& key) const {
        for (ULONG i = 0; i < m_cEntries; ++i) {
            if (Equal(Entries()[i].key, key)) {
                return i;
            }
        }
        return kNone;
    }

    static constexpr size_t kLinear = 8;
    // Blocks of this many slots or entries and more are large enough to be fresh pages.
    static constexpr size_t kPrefaultSlots = 4096;
    // The capacity doubles up to 2^30, which leaves its top bit to the ordered flag.
    static constexpr ULONG kMaxEntries = 1u << 30;
    static constexpr uint64_t kTagMask = 0xFFFFFFFF00000000ull;

    static uint64_t Tag(uint64_t hash) { return hash & kTagMask; }

    // The first slot to probe: the top bits of the hash (a table has at most 2^32 slots, so they
    // lie within the tag).
    static size_t Home(uint64_t hash, size_t cSlots) {
        return size_t(hash >> (64 - unsigned(__builtin_ctzll(cSlots))));
    }
    static void Place(CSlot* pTable, size_t cSlots, uint64_t hash, ULONG ulIndex, const VALUE* pValue) {
        PlaceCell(pTable, cSlots, CSlot{Tag(hash) | (uint64_t(ulIndex) + 1), pValue});
    }
    static void PlaceCell(CSlot* pTable, size_t cSlots, const CSlot& slotValue) {
        const size_t mask = cSlots - 1;
        size_t slot = Home(slotValue.cell & kTagMask, cSlots);
        while (pTable[slot].cell != 0) {
            slot = (slot + 1) & mask;
        }
        pTable[slot] = slotValue;
    }

    void ReleaseBlock() noexcept {
        if (m_cCapacity > 1) {
            std::free(m_u.heap.pEntries);  // the order lies in the same block
        }
    }
    void ReleaseTable() noexcept {
        if (CSlot* pTable = HashSlots(); pTable != nullptr) {
            std::free(pTable - 1);
        }
    }
    size_t Slots() const {
        const CSlot* pTable = HashSlots();
        return pTable == nullptr ? 0 : size_t(pTable[-1].cell);
    }
    // The key order behind the entries of a block (a capacity above 1).
    ULONG* OrderStorage() { return reinterpret_cast<ULONG*>(Entries() + m_cCapacity); }

    // The entries in filing order: the one inside the line while the capacity is 1, else a block.
    Entry* Entries() { return m_cCapacity == 1 ? &m_u.inline_ : m_u.heap.pEntries; }
    const Entry* Entries() const { return m_cCapacity == 1 ? &m_u.inline_ : m_u.heap.pEntries; }
    // The hash table (CSlot); NULL when the line is scanned. The slot count lies in the first cell
    // before the slots.
    CSlot* HashSlots() const { return m_cCapacity == 1 ? nullptr : m_u.heap.pTable; }

    // A line of one entry keeps it where a larger line keeps its block pointers.
    struct CHeap {
        Entry* pEntries;
        CSlot* pTable;
    };
    union UEntries {
        Entry inline_;
        CHeap heap;
    } m_u{};
    ULONG m_cEntries = 0;
    ULONG m_cCapacity : 31 = 1;
    ULONG m_fOrdered : 1 = 1;  // the key order is valid
};
