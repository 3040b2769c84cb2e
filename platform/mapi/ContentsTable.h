// The contents table of a folder: its live messages in id order, read from the store in batches.
#pragma once

#include <memory>

#include "platform/mapi/MemTable.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

// Reads lazily: each QueryRows fetches the next ids after the last one handed out and their
// column values in one pass, so messages added or deleted meanwhile (by this or another process)
// are seen or skipped as they are when the rows are read.
class CContentsTable : public CTableBase {
public:
    CContentsTable(std::shared_ptr<CStoreDb> store, LONGLONG folder);

    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
    HRESULT SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;

protected:
    HRESULT NextRows(size_t count, std::vector<CRowCells>& rows) override;
    void Rewind() override { m_after = 0; }

private:
    // Reads rows after 'after' (moving it); with 'project' false only counts them into 'counted'.
    HRESULT Walk(LONGLONG& after, size_t count, bool project, std::vector<CRowCells>& rows, size_t& counted);

    std::shared_ptr<CStoreDb> m_store;
    LONGLONG m_folder;
    LONGLONG m_after = 0;
};

}  // namespace qrvmapi
