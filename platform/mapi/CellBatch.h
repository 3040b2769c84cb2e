// Stored cells of messages read together, and an opened message's share of them.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/mapi/PropCell.h"

namespace qrvmapi {

// The cells of a batch of messages, each message's in property-id order, one after the other: a
// batch is a few heap blocks, not one per message, and the items opened from it share it. A batch
// holds the values of some columns only: an item without a value in one of them has none.
struct CCellBatch {
    std::vector<CPropCell> m_cells;
    std::vector<size_t> m_starts;  // message i holds m_cells[m_starts[i], m_starts[i + 1])
    std::vector<ULONG> m_pids;     // the property ids read (ascending)

    size_t Count() const { return m_starts.empty() ? 0 : m_starts.size() - 1; }
    bool Holds(ULONG pid) const { return std::binary_search(m_pids.begin(), m_pids.end(), pid); }
    const CPropCell* Begin(size_t i) const { return m_cells.data() + m_starts[i]; }
    const CPropCell* End(size_t i) const { return m_cells.data() + m_starts[i + 1]; }
};

// What an opened message keeps of its stored cells, in property-id order: its row of a shared
// batch (which nobody changes any more), which holds only the batch's columns, or all its cells
// of its own.
class CStoredCells {
public:
    CStoredCells() = default;
    explicit CStoredCells(std::vector<CPropCell> own) : m_own(std::move(own)) {}
    CStoredCells(std::shared_ptr<const CCellBatch> batch, size_t row)
        : m_batch(std::move(batch)), m_row(row) {}

    const CPropCell* begin() const { return m_batch ? m_batch->Begin(m_row) : m_own.data(); }
    const CPropCell* end() const { return m_batch ? m_batch->End(m_row) : m_own.data() + m_own.size(); }
    size_t size() const { return static_cast<size_t>(end() - begin()); }
    bool empty() const { return begin() == end(); }
    // Whether these cells tell if the message has the property: always for cells of its own.
    bool Covers(ULONG pid) const { return !m_batch || m_batch->Holds(pid); }
    bool Complete() const { return !m_batch; }

    // The cell with the property id of the tag, or null.
    const CPropCell* Find(ULONG tag) const {
        const ULONG pid = PROP_ID(tag);
        const CPropCell* found = std::lower_bound(
            begin(), end(), pid, [](const CPropCell& c, ULONG id) { return PROP_ID(c.m_tag) < id; });
        return found != end() && PROP_ID(found->m_tag) == pid ? found : nullptr;
    }

private:
    std::shared_ptr<const CCellBatch> m_batch;
    size_t m_row = 0;
    std::vector<CPropCell> m_own;
};

}  // namespace qrvmapi
