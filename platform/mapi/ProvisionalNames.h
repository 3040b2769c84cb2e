// Property names a store file does not hold yet, with the ids this process handed out for them
// without writing: looking a name up never writes into a store (nor waits for its check), and the
// name is written in the store's next write transaction, under the id it was handed out with when
// that id is still free.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/mapi/FileCheck.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

bool SameName(const CNamedId& a, const CNamedId& b);

// A store file as this process knows it: the file itself, and the store's own id, so that another
// store that comes to lie in a file of the same identity is never taken for it.
struct CNamesKey {
    CFileKey m_file;
    std::string m_store;
    bool operator<(const CNamesKey& other) const {
        return m_file == other.m_file ? m_store < other.m_store : m_file < other.m_file;
    }
};

// One per process, shared by every connection and object of every store file: an id handed out for
// a file is known to all that use the file. An id is given once per file and name, and never to
// two names; it is an id the file did not use when it was given (the file's next id or above).
//
// Reading through a provisional id looks the name up in the file each time (StoredIdOf): it reads
// the values of the name wherever the file holds it (another program may have made it meanwhile,
// under another id), and nothing while the file does not hold it, whatever row the id itself names
// there. Once the file holds the name under the id it was given, the id is the file's own and its
// entry goes (Settle).
class CProvisionalNames {
public:
    static CProvisionalNames& Service();

    // The id of a name the file at 'key' does not hold, whose next id is 'fileNext': the one given
    // before, or the next one after every id given for the file and the file's own.
    ULONG Give(const CNamesKey& key, const CNamedId& name, ULONG fileNext);
    // The first id above 'fileNext' and every id given for the file at 'key'.
    ULONG Above(const CNamesKey& key, ULONG fileNext) const;
    // Whether 'pid' was given for the file at 'key', and for which name.
    bool Find(const CNamesKey& key, ULONG pid, CNamedId& name) const;
    // Every name with a provisional id of the file.
    std::vector<std::pair<ULONG, CNamedId>> Pending(const CNamesKey& key) const;
    // The file holds the name of 'pid' under that very id, committed: the id is the file's own now.
    void Settle(const CNamesKey& key, ULONG pid);
    // Whether any id is provisional now, in any file: when none is, every id is the file's own.
    bool Any() const { return m_count.load(std::memory_order_acquire) != 0; }

    // Forgets everything (tests).
    void Reset();

private:
    mutable std::mutex m_lock;
    std::map<CNamesKey, std::map<ULONG, CNamedId>> m_files;
    std::atomic<size_t> m_count{0};
};

}  // namespace qrvmapi
