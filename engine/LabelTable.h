// The storage of one label line: its keys in filing order, a hash table over them, and the key order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/KeyHash.h"
#include "engine/KeyOrder.h"
#include "platform/win32/WinTypes.h"

// A large index files millions of keys in its top line and looks each item up there first. An
// ordered tree pays one cache miss per step of that lookup and a node per key; a hash table finds
// the key in about one probe, and the entries lie together in one array. The key order is only
// needed when the line is walked or torn down, so it is derived then, by sorting the entries with
// the very comparator the tree used: keys are unique under it, so the walk is the same as before.
//
// Lines with few keys (most inner lines hold one) have no table: a scan of a handful of keys is
// cheaper than hashing, and such a line costs a single small array.
template <class KEY, class VALUE>
class CLabelTable {
public:
    struct Entry {
        KEY key;
        VALUE* pValue;
    };
    static constexpr ULONG kNone = std::numeric_limits<ULONG>::max();

    CLabelTable() = default;
    CLabelTable(const CLabelTable&) = delete;
    CLabelTable& operator=(const CLabelTable&) = delete;

    ULONG Size() const { return ULONG(m_entries.size()); }
    bool Empty() const { return m_entries.empty(); }
    Entry& At(ULONG ulIndex) { return m_entries[ulIndex]; }
    const Entry& At(ULONG ulIndex) const { return m_entries[ulIndex]; }

    static uint64_t HashOf(const KEY& key) { return KeyHash<KEY>()(key); }
    static bool Equal(const KEY& a, const KEY& b) {
        const KeyLess<KEY> less;
        return !less(a, b) && !less(b, a);
    }

    // The index of the entry whose key is equal to key, or kNone.
    ULONG Find(const KEY& key, uint64_t hash) const {
        if (m_table.empty()) {
            for (ULONG i = 0; i < m_entries.size(); ++i) {
                if (Equal(m_entries[i].key, key)) {
                    return i;
                }
            }
            return kNone;
        }
        const size_t mask = m_table.size() - 1;
        const uint64_t tag = Tag(hash);
        for (size_t slot = size_t(hash) & mask;; slot = (slot + 1) & mask) {
            const uint64_t cell = m_table[slot];
            if (cell == 0) {
                return kNone;
            }
            if ((cell & kTagMask) == tag && Equal(m_entries[ULONG(cell) - 1].key, key)) {
                return ULONG(cell) - 1;
            }
        }
    }

    // Makes room for one more entry; throws std::bad_alloc with nothing changed. Room for the key
    // order is kept too, so that a walk never needs memory the filing did not already have.
    void ReserveOne() {
        if (m_entries.size() >= size_t(kNone) - 1) {
            throw std::bad_alloc();
        }
        const size_t cNew = m_entries.size() + 1;
        if (cNew > m_entries.capacity()) {
            const size_t cCapacity = m_entries.empty() ? 1 : m_entries.capacity() * 2;
            std::vector<Entry> entries;
            entries.reserve(cCapacity);
            std::vector<ULONG> order;
            order.reserve(cCapacity);
            entries.assign(m_entries.begin(), m_entries.end());
            order.assign(m_order.begin(), m_order.end());
            m_entries.swap(entries);
            m_order.swap(order);
        }
        if (cNew > kLinear && cNew * 2 > m_table.size()) {
            size_t cSlots = m_table.empty() ? 4 * kLinear : m_table.size() * 2;
            while (cNew * 2 > cSlots) {
                cSlots *= 2;
            }
            std::vector<uint64_t> table(cSlots, 0);
            for (ULONG i = 0; i < m_entries.size(); ++i) {
                Place(table, HashOf(m_entries[i].key), i);
            }
            m_table.swap(table);
        }
    }

    // Appends an entry after ReserveOne; never fails. The key order is then rebuilt when next asked.
    void Append(const KEY& key, VALUE* pValue, uint64_t hash) noexcept {
        const ULONG ulIndex = ULONG(m_entries.size());
        m_entries.push_back(Entry{key, pValue});
        if (!m_table.empty()) {
            Place(m_table, hash, ulIndex);
        }
        m_fOrdered = false;
    }

    // The entry indexes in ascending key order (no allocation: ReserveOne kept the room).
    const std::vector<ULONG>& Order() {
        if (!m_fOrdered) {
            m_order.resize(m_entries.size());
            for (ULONG i = 0; i < m_order.size(); ++i) {
                m_order[i] = i;
            }
            const KeyLess<KEY> less;
            std::sort(m_order.begin(), m_order.end(),
                      [&](ULONG a, ULONG b) { return less(m_entries[a].key, m_entries[b].key); });
            m_fOrdered = true;
        }
        return m_order;
    }
    bool IsOrdered() const { return m_fOrdered; }

    // Forgets every entry and gives the memory back; the caller has released values and keys.
    void Clear() noexcept {
        std::vector<Entry>().swap(m_entries);
        std::vector<uint64_t>().swap(m_table);
        std::vector<ULONG>().swap(m_order);
        m_fOrdered = true;
    }

private:
    static constexpr size_t kLinear = 8;
    static constexpr uint64_t kTagMask = 0xFFFFFFFF00000000ull;

    static uint64_t Tag(uint64_t hash) { return hash & kTagMask; }

    static void Place(std::vector<uint64_t>& table, uint64_t hash, ULONG ulIndex) {
        const size_t mask = table.size() - 1;
        size_t slot = size_t(hash) & mask;
        while (table[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        table[slot] = Tag(hash) | (uint64_t(ulIndex) + 1);
    }

    std::vector<Entry> m_entries;   // filing order
    std::vector<uint64_t> m_table;  // hash tag (high half) and entry index + 1; 0 is a free slot
    std::vector<ULONG> m_order;     // ascending key order, valid while m_fOrdered
    bool m_fOrdered = true;
};
