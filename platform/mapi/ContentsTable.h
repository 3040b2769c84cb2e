// The contents table of a folder: its live messages in id order, read from the store in batches.
#pragma once

#include <memory>
#include <vector>

#include "platform/mapi/MemTable.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

// Reads lazily: each QueryRows fetches the next ids after the last one handed out and their
// column values in one pass, so messages added or deleted meanwhile (by this or another process)
// are seen or skipped as they are when the rows are read.
class CContentsTable : public CTableBase {
public:
    CContentsTable(std::shared_ptr<CStoreDb> store, LONGLONG folder);

    HRESULT Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override;
    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
    HRESULT SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;

protected:
    HRESULT NextRows(size_t count, std::vector<CRowCells>& rows) override;
    void Rewind() override { m_after = 0; }

private:
    // Reads rows after 'after' (moving it); with 'project' false only counts them into 'counted'.
    HRESULT Walk(LONGLONG& after, size_t count, bool project, std::vector<CRowCells>& rows, size_t& counted);
    // The next ids after 'after' to read: the folder's live messages, or, under a restriction to
    // entry ids, the named messages (which of them are live here is seen as they are read).
    // 'scanned' is the highest id handed out; 'more' is false at the end.
    HRESULT NextIds(LONGLONG after, size_t want, std::vector<LONGLONG>& ids, LONGLONG& scanned, bool& more);

    std::shared_ptr<CStoreDb> m_store;
    LONGLONG m_folder;
    LONGLONG m_after = 0;
    // Under a restriction to entry ids (one or an OR of equalities on PR_ENTRYID): the message
    // ids they name in this store, ascending. The rows are then looked up by id instead of
    // reading the whole folder and testing each row against every id.
    bool m_byIds = false;
    std::vector<LONGLONG> m_namedIds;
};

}  // namespace qrvmapi
