// One message-store file: its schema, folders, messages, properties and named-property ids.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/mapi/CellBatch.h"
#include "platform/mapi/ForkJoin.h"
#include "platform/mapi/PropCell.h"
#include "platform/mapi/SqliteDb.h"

namespace qrvmapi {

// The folders every store gets when it is made, with the roles the store's properties point at.
enum class SpecialFolder {
    Root,
    IpmSubtree,
    Inbox,
    Outbox,
    SentItems,
    DeletedItems,
    Drafts,
    Junk,
    Contacts,
    Calendar,
    Notes,
    Tasks,
    Journal,
    Count
};

struct CFolderRow {
    LONGLONG m_id = 0;
    LONGLONG m_parent = 0;  // the root is its own parent
    std::string m_name;
    std::optional<std::string> m_class;
    ULONG m_type = 1;
    std::string m_comment;
};

// A property name: a property set and a number (kind MNID_ID) or a UTF-8 name (MNID_STRING).
struct CNamedId {
    std::string m_guid;  // 16 bytes
    ULONG m_kind = 0;
    LONG m_lid = 0;
    std::string m_name;
};

struct CDeletedRow {
    LONGLONG m_id = 0;
    LONGLONG m_folder = 0;
    LONGLONG m_deletedOn = 0;
    std::string m_class;
    std::string m_subject;
};

// Changes to a message's properties by property id: a cell sets, nullopt removes.
typedef std::map<ULONG, std::optional<CPropCell>> CPropChanges;

class CStoreDb {
public:
    // Makes a new store file with the standard folders. Fails with MAPI_E_COLLISION when the file
    // exists. The file appears complete or not at all.
    static HRESULT Create(const std::string& path, const std::string& displayName,
                          const std::string& password);
    // Opens an existing store file: MAPI_E_NOT_FOUND when it is missing, MAPI_E_CORRUPT_STORE when
    // it is damaged or not a store, MAPI_E_VERSION when it is from a later format.
    HRESULT Open(const std::string& path);

    const std::string& Path() const { return m_path; }
    const std::string& Uid() const { return m_uid; }
    const std::string& DisplayName() const { return m_displayName; }
    bool HasPassword() const { return !m_pwHash.empty(); }
    bool CheckPassword(const std::string& password) const;
    LONGLONG Special(SpecialFolder role) const { return m_special[static_cast<int>(role)]; }
    SpecialFolder RoleOf(LONGLONG folder) const;
    CSqliteDb& Db() { return m_db; }
    // Starts the whole-file check of the file in the background unless this process checked it
    // already, so that it is done, or partly done, when the first write comes: a search calls it.
    void PrepareWrites();

    // Folders.
    HRESULT GetFolder(LONGLONG id, CFolderRow& row);
    HRESULT ChildFolders(LONGLONG parent, std::vector<CFolderRow>& rows);
    HRESULT CreateFolder(LONGLONG parent, const std::string& name, const std::optional<std::string>& cls,
                         ULONG type, const std::string& comment, LONGLONG& id);
    HRESULT FindChildFolder(LONGLONG parent, const std::string& name, LONGLONG& id);
    HRESULT SetFolderClass(LONGLONG folder, const std::optional<std::string>& cls);
    HRESULT CountMessages(LONGLONG folder, ULONG& count);
    HRESULT HasChildFolders(LONGLONG folder, bool& any);
    // Removes a folder with every folder below it and every item in them, live or soft-deleted,
    // for good, in one transaction.
    HRESULT DeleteFolderTree(LONGLONG folder);
    // Gives a folder a new name; MAPI_E_COLLISION when a sibling already has it (in any case).
    HRESULT RenameFolder(LONGLONG folder, const std::string& name);
    HRESULT ReadFolderProps(LONGLONG folder, std::vector<CPropCell>& cells);
    HRESULT WriteFolderProps(LONGLONG folder, const CPropChanges& changes);

    // Messages.
    HRESULT MessageState(LONGLONG id, LONGLONG& folder, bool& deleted);
    HRESULT ReadProp(LONGLONG msg, ULONG pid, CPropCell& cell, bool& found);
    // The message's state and every property it keeps (in property-id order), in one read:
    // opening an item is one statement, and its later reads need no more.
    HRESULT LoadMessage(LONGLONG id, LONGLONG& folder, bool& deleted, CStoredCells& cells);
    HRESULT ReadProps(LONGLONG msg, std::vector<CPropCell>& cells);
    // The message's state and every property it keeps, read now (never a table's handover).
    HRESULT ReadMessage(LONGLONG id, LONGLONG& folder, bool& deleted, std::vector<CPropCell>& cells);
    // Reads the values of a batch of messages (ids ascending) in the columns whose property ids are
    // in 'pids', and no other: row i of the batch holds those of ids[i], in property-id order.
    HRESULT ReadColumns(const std::vector<LONGLONG>& ids, const std::vector<ULONG>& pids, CCellBatch& batch);
    // Which of a few scattered ids (ascending) are live messages of the folder (live[i]), and their
    // values in the columns whose property ids are in 'pids' (ascending): row i of the batch holds
    // those of ids[i], in property-id order. A look-up of each item reads only those values of it.
    HRESULT ReadLiveColumns(LONGLONG folder, const std::vector<LONGLONG>& ids, const std::vector<ULONG>& pids,
                            CCellBatch& batch, std::vector<char>& live);
    // A batch for ReadColumns to fill: the one handed over last when no opened item holds it any
    // more (its handover ends here), so that reading batch after batch reuses the same memory
    // instead of taking fresh heap for each; a new one otherwise.
    std::shared_ptr<CCellBatch> BatchToFill();
    // Keeps what a contents table has just read of its first 'count' rows, so that opening those
    // items right after (as a search does, row by row) needs no second read. Kept briefly and only
    // until this connection changes anything; LoadMessage hands each row out once.
    void Prefetch(LONGLONG folder, const std::vector<LONGLONG>& ids, std::shared_ptr<CCellBatch> batch,
                  size_t count);
    // Writes a new message (id 0 on entry) or changes an existing one, in one transaction.
    HRESULT SaveMessage(LONGLONG& id, LONGLONG folder, const CPropChanges& changes);
    // The live messages of a folder with ids above 'after', in id order, at most 'limit'.
    HRESULT NextMessages(LONGLONG folder, LONGLONG after, int limit, std::vector<LONGLONG>& ids);
    // Deletes the messages of the folder in one transaction; ids that are not live messages of the
    // folder are counted in 'missing' and skipped.
    HRESULT DeleteMessages(LONGLONG folder, const std::vector<LONGLONG>& ids, bool hard, ULONG& missing);
    HRESULT ListDeleted(std::vector<CDeletedRow>& rows);
    // Brings soft-deleted messages back into their folders; all of them when ids is empty.
    HRESULT RestoreMessages(const std::vector<LONGLONG>& ids, ULONG& done);
    // Removes soft-deleted messages for good; all of them when ids is empty.
    HRESULT PurgeMessages(const std::vector<LONGLONG>& ids, ULONG& done);

    // Named properties: ids from 0x8000 up; 0 for a name the store does not know. With 'create' a
    // name the file does not hold gets a provisional id (ProvisionalNames.h): the look-up writes
    // nothing and never waits for the file's check; the name is written, under that id while it is
    // free, by the next write transaction on the file of any connection of this process. When the
    // file holds a name under an id this process gave provisionally to another name, the id keeps
    // that other name here and the file's name is answered with an id of its own (read and written
    // where the file keeps it): one id never names two properties here.
    HRESULT IdsFromNames(const std::vector<CNamedId>& names, bool create, std::vector<ULONG>& pids);
    HRESULT NameFromId(ULONG pid, CNamedId& name, bool& found);
    HRESULT AllNames(std::vector<std::pair<ULONG, CNamedId>>& names);
    // The id under which the file keeps the values of the property a caller names by 'pid': 'pid'
    // itself, unless it is provisional: then the id of its name in the file, or 0 (nothing is kept
    // under 0) while the file does not hold the name. Every read and write by a caller's id goes
    // through it.
    HRESULT StoredId(ULONG pid, ULONG& stored);
    // Whether any id of any file is provisional now: when not, StoredId is the identity.
    static bool AnyProvisional();

private:
    HRESULT LoadMeta();
    HRESULT UsesWal(bool& wal);
    // Whether the file has every table and column of a store: one that lacks any is damaged.
    bool HasStoreSchema();
    static HRESULT CreateSchema(CSqliteDb& db, const std::string& uid, const std::string& displayName,
                                const std::string& password);
    HRESULT WriteProps(LONGLONG msg, const CPropChanges& changes);
    // The id of a name in the file, 0 when it does not hold it; the id after the file's last one.
    HRESULT FindName(const CNamedId& name, ULONG& pid);
    HRESULT NextNamedId(ULONG& next);
    // Inside each outermost write transaction: writes the names this process gave provisional ids
    // for the file, under those ids where they are free (else under the file's next ids).
    HRESULT WriteProvisionalNames();
    // After its commit: the names written under their provisional ids are the file's own now.
    void SettleWrittenNames();
    // Changes by a caller's ids as the file keeps them (StoredId), inside a write transaction:
    // 'use' is 'changes' itself when no id is provisional, else 'stored'.
    HRESULT StoredChanges(const CPropChanges& changes, CPropChanges& stored, const CPropChanges*& use);
    // In how many parts a read of this many scattered items is best shared out: this connection
    // takes the first, a reader connection (opened on first need) each other one. One inside a
    // transaction that has written, for a few items or on one core. Readers started inside a
    // transaction that has not written yet read what it reads: it holds the write lock.
    size_t ReadParts(size_t items);

    void DropPrefetch() {
        m_prefetchRows.clear();
        m_prefetchBatch.reset();
    }

    CSqliteDb m_db;
    // Connections to the same file that only read, each a part of a large column batch.
    std::vector<std::unique_ptr<CSqliteDb>> m_readers;
    // The threads that run those parts; they stop before the connections close.
    CForkJoin m_fork;
    // The last batch a contents table read: its items by id, each with its row in the batch and
    // whether an open has taken it, and the batch the opened items share.
    struct CPrefetchRow {
        LONGLONG m_id;
        size_t m_row;
        bool m_taken;
    };
    LONGLONG m_prefetchFolder = 0;
    std::vector<CPrefetchRow> m_prefetchRows;
    std::shared_ptr<CCellBatch> m_prefetchBatch;
    std::chrono::steady_clock::time_point m_prefetchTime;
    bool m_writesPrepared = false;
    std::vector<ULONG> m_namesWritten;  // by the running write transaction, under their own ids
    std::string m_path;
    std::string m_uid;
    std::string m_displayName;
    std::string m_pwSalt;
    std::string m_pwHash;
    LONGLONG m_special[static_cast<int>(SpecialFolder::Count)] = {};
};

}  // namespace qrvmapi
