// Named-property ids of a store file: looked up, given provisionally, and written with the next
// write of the file.
#include <sqlite3.h>

#include "platform/mapi/MAPIDefs.h"
#include "platform/mapi/ProvisionalNames.h"
#include "platform/mapi/SqlSteps.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

namespace {

constexpr ULONG kFirstNamedId = 0x8000;
constexpr ULONG kLastNamedId = 0xFFFE;

// The columns guid, kind, lid, name from first on; false when they do not make a valid name.
bool ReadNamedId(const CStmt& stmt, int first, CNamedId& name) {
    name.m_guid = stmt.Blob(first);
    name.m_kind = static_cast<ULONG>(stmt.Int(first + 1));
    name.m_lid = static_cast<LONG>(stmt.Int(first + 2));
    name.m_name = stmt.Text(first + 3);
    return name.m_guid.size() == 16 && (name.m_kind == MNID_ID || name.m_kind == MNID_STRING);
}

// The name as the file keeps it: a number only for MNID_ID, a text only for MNID_STRING.
LONGLONG LidOf(const CNamedId& name) {
    return name.m_kind == MNID_ID ? name.m_lid : 0;
}
std::string TextOf(const CNamedId& name) {
    return name.m_kind == MNID_STRING ? name.m_name : std::string();
}

HRESULT InsertName(CSqliteDb& db, ULONG pid, const CNamedId& name) {
    auto insert = db.Prepare("INSERT INTO named(pid, guid, kind, lid, name) VALUES(?1, ?2, ?3, ?4, ?5)");
    if (!insert->Valid()) {
        return db.LastResult();
    }
    insert->Bind(1, pid);
    insert->BindBlob(2, name.m_guid.data(), name.m_guid.size());
    insert->Bind(3, name.m_kind);
    insert->Bind(4, LidOf(name));
    insert->BindText(5, TextOf(name));
    return StepDone(*insert);
}

HRESULT IdTaken(CSqliteDb& db, ULONG pid, bool& taken) {
    auto stmt = db.Prepare("SELECT 1 FROM named WHERE pid = ?1");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    stmt->Bind(1, pid);
    int rc = stmt->Step();
    taken = rc == SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

}  // namespace

bool CStoreDb::AnyProvisional() {
    return CProvisionalNames::Service().Any();
}

HRESULT CStoreDb::FindName(const CNamedId& name, ULONG& pid) {
    pid = 0;
    auto stmt =
        m_db.Prepare("SELECT pid FROM named WHERE guid = ?1 AND kind = ?2 AND lid = ?3 AND name = ?4");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->BindBlob(1, name.m_guid.data(), name.m_guid.size());
    stmt->Bind(2, name.m_kind);
    stmt->Bind(3, LidOf(name));
    stmt->BindText(4, TextOf(name));
    int rc = stmt->Step();
    if (rc == SQLITE_ROW) {
        pid = static_cast<ULONG>(stmt->Int(0));
        return S_OK;
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::NextNamedId(ULONG& next) {
    next = kFirstNamedId;
    auto stmt = m_db.Prepare("SELECT max(pid) FROM named");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    int rc = stmt->Step();
    if (rc == SQLITE_ROW && !stmt->IsNull(0)) {
        next = static_cast<ULONG>(std::max<LONGLONG>(stmt->Int(0) + 1, kFirstNamedId));
        return S_OK;
    }
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::IdsFromNames(const std::vector<CNamedId>& names, bool create, std::vector<ULONG>& pids) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    pids.assign(names.size(), 0);
    CProvisionalNames& provisional = CProvisionalNames::Service();
    const CNamesKey key{m_db.FileKey(), m_uid};
    for (size_t i = 0; i < names.size(); ++i) {
        HRESULT hr = FindName(names[i], pids[i]);
        if (FAILED(hr)) {
            return hr;
        }
        if (pids[i] != 0) {
            CNamedId given;
            if (provisional.Any() && provisional.Find(key, pids[i], given)) {
                if (SameName(given, names[i])) {
                    if (m_db.Depth() == 0) {
                        provisional.Settle(key, pids[i]);  // in the file, committed, under its own id
                    }
                    continue;
                }
                // Another program took an id this process gave to another name meanwhile. Here the
                // id keeps the name it was given for (tags handed out earlier still mean it), and
                // this name gets an id of its own, read and written where the file keeps the name.
                ULONG next = 0;
                if (FAILED(hr = NextNamedId(next))) {
                    return hr;
                }
                const ULONG alias = next > kLastNamedId ? next : provisional.Give(key, names[i], next);
                if (alias > kLastNamedId) {
                    provisional.Settle(key, alias);
                    pids.assign(names.size(), 0);
                    return MAPI_E_TABLE_TOO_BIG;
                }
                pids[i] = alias;
            }
            continue;
        }
        if (!create) {
            continue;
        }
        if (m_db.KnownDamaged()) {
            pids.assign(names.size(), 0);
            return MAPI_E_CORRUPT_STORE;  // never to be written: no id is made for it
        }
        ULONG next = 0;
        hr = NextNamedId(next);
        if (FAILED(hr)) {
            return hr;
        }
        if (!key.m_file.Valid()) {
            // A file this process cannot tell from others has no provisional ids: made at once.
            CLockedTransaction tx(m_db);
            if (FAILED(tx.Result())) {
                return tx.Result();
            }
            if (FAILED(hr = FindName(names[i], pids[i])) || FAILED(hr = NextNamedId(next))) {
                return hr;
            }
            if (pids[i] == 0) {
                if (next > kLastNamedId) {
                    return MAPI_E_TABLE_TOO_BIG;
                }
                if (FAILED(hr = InsertName(m_db, next, names[i]))) {
                    return hr;
                }
                pids[i] = next;
            }
            if (FAILED(hr = tx.Commit())) {
                return hr;
            }
            continue;
        }
        ULONG pid = next > kLastNamedId ? next : provisional.Give(key, names[i], next);
        if (pid > kLastNamedId) {
            provisional.Settle(key, pid);
            pids.assign(names.size(), 0);
            return MAPI_E_TABLE_TOO_BIG;
        }
        pids[i] = pid;
    }
    return S_OK;
}

HRESULT CStoreDb::StoredId(ULONG pid, ULONG& stored) {
    stored = pid;
    CProvisionalNames& provisional = CProvisionalNames::Service();
    CNamedId name;
    if (pid < kFirstNamedId || !provisional.Any() ||
        !provisional.Find(CNamesKey{m_db.FileKey(), m_uid}, pid, name)) {
        return S_OK;
    }
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    HRESULT hr = FindName(name, stored);
    if (SUCCEEDED(hr) && stored == pid && m_db.Depth() == 0) {
        provisional.Settle(CNamesKey{m_db.FileKey(), m_uid}, pid);
    }
    return hr;
}

HRESULT CStoreDb::WriteProvisionalNames() {
    CProvisionalNames& provisional = CProvisionalNames::Service();
    const CNamesKey key{m_db.FileKey(), m_uid};
    if (!provisional.Any() || !key.m_file.Valid()) {
        return S_OK;
    }
    for (const auto& [pid, name] : provisional.Pending(key)) {
        ULONG held = 0;
        HRESULT hr = FindName(name, held);
        if (FAILED(hr)) {
            return hr;
        }
        if (held == pid) {
            provisional.Settle(key, pid);  // seen at the start of a transaction: committed
            continue;
        }
        if (held != 0) {
            continue;  // another program made it under another id: StoredId reads it there
        }
        bool taken = false;
        if (FAILED(hr = IdTaken(m_db, pid, taken))) {
            return hr;
        }
        ULONG at = pid;
        if (taken) {
            // Above every id given here too: an id this process gave to another name keeps
            // meaning that name here, so the file would keep this one under an id read as another.
            if (FAILED(hr = NextNamedId(at))) {
                return hr;
            }
            at = provisional.Above(key, at);
        }
        if (at > kLastNamedId) {
            continue;  // no id left: a value under it cannot be written (StoredId answers 0)
        }
        if (FAILED(hr = InsertName(m_db, at, name))) {
            return hr;
        }
        if (at == pid) {
            m_namesWritten.push_back(pid);
        }
    }
    return S_OK;
}

HRESULT CStoreDb::StoredChanges(const CPropChanges& changes, CPropChanges& stored, const CPropChanges*& use) {
    use = &changes;
    if (!AnyProvisional()) {
        return S_OK;
    }
    stored.clear();
    for (const auto& [pid, cell] : changes) {
        ULONG at = 0;
        HRESULT hr = StoredId(pid, at);
        if (SUCCEEDED(hr) && at == 0) {
            hr = WriteProvisionalNames();  // given after this transaction began
            if (SUCCEEDED(hr)) {
                hr = StoredId(pid, at);
            }
        }
        if (FAILED(hr)) {
            return hr;
        }
        if (at == 0) {
            return MAPI_E_TABLE_TOO_BIG;
        }
        stored[at] = cell;
    }
    use = &stored;
    return S_OK;
}

void CStoreDb::SettleWrittenNames() {
    for (ULONG pid : m_namesWritten) {
        CProvisionalNames::Service().Settle(CNamesKey{m_db.FileKey(), m_uid}, pid);
    }
    m_namesWritten.clear();
}

HRESULT CStoreDb::NameFromId(ULONG pid, CNamedId& name, bool& found) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    found = false;
    if (CProvisionalNames::Service().Any() &&
        CProvisionalNames::Service().Find(CNamesKey{m_db.FileKey(), m_uid}, pid, name)) {
        found = true;
        return S_OK;
    }
    auto stmt = m_db.Prepare("SELECT guid, kind, lid, name FROM named WHERE pid = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, pid);
    int rc = stmt->Step();
    if (rc == SQLITE_ROW) {
        found = ReadNamedId(*stmt, 0, name);
        return S_OK;
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::AllNames(std::vector<std::pair<ULONG, CNamedId>>& names) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    names.clear();
    auto stmt = m_db.Prepare("SELECT pid, guid, kind, lid, name FROM named ORDER BY pid");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        CNamedId name;
        if (ReadNamedId(*stmt, 1, name)) {
            names.emplace_back(static_cast<ULONG>(stmt->Int(0)), std::move(name));
        }
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

}  // namespace qrvmapi
