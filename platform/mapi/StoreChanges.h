// Whether anyone else changed a store since a mark taken earlier on the same opened store.
#pragma once

#include "platform/mapi/MAPIInterfaces.h"

// A number that stays the same as long as no other connection, in this process or another one,
// commits a change to the store's file; this store's own changes leave it as it is. Taken inside a
// batch (HrBeginStoreBatch), nobody else can change the file until the batch ends, so two equal
// marks taken in two batches mean that what one batch read still holds in the other, apart from
// what this store changed itself.
HRESULT HrGetStoreChangeMark(LPMDB lpMDB, ULONGLONG* lpullMark);

// A read snapshot of the store's connection: until HrEndStoreSnapshot, the reads of the store
// through lpMDB on that connection see the file as it was at the snapshot's first read, whatever
// others commit meanwhile, and HrGetStoreChangeMark gives the mark of that state. Large reads of
// many scattered items (a table restricted to named items) also run on parallel read connections,
// which see the latest commits: a commit they see came after the snapshot's mark, so any mark
// taken later differs from it. It takes no write lock: other programs go on committing (in a file
// kept in rollback-journal mode they wait until it ends, so keep it short). The snapshot belongs to the
// calling thread; a batch cannot run inside it.
HRESULT HrBeginStoreSnapshot(LPMDB lpMDB);
HRESULT HrEndStoreSnapshot(LPMDB lpMDB);
