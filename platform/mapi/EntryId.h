// Entry ids and keys of the message-store service: what they hold and how they are parsed.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

namespace qrvmapi {

// An entry id names a store, a folder or a message of one store file, for the file's lifetime:
//   4 flag bytes (0) | 16-byte provider id | version 1 | kind (1 store, 3 folder, 5 message) |
//   2 bytes 0 | 16-byte store id | 8-byte object id, little-endian (0 for a store).
// The store id is the file's own, so an id stays valid wherever the file is moved or attached.
enum class EntryKind : BYTE { Store = 1, Folder = 3, Message = 5 };

struct CEntryRef {
    EntryKind m_kind = EntryKind::Store;
    std::string m_storeUid;  // 16 bytes
    LONGLONG m_id = 0;
};

constexpr size_t kEntryIdSize = 48;

std::string MakeEntryId(EntryKind kind, const std::string& storeUid, LONGLONG id);
// False for anything that is not one of our entry ids (wrong size, provider, version or kind).
bool ParseEntryId(const void* data, size_t cb, CEntryRef& ref);
// Whether an id ParseEntryId takes is byte for byte the one MakeEntryId makes of what it parsed:
// the parse passes over the reserved bytes, which a made id leaves clear.
bool IsExactEntryId(const void* data, size_t cb);

// The provider id that every entry id of this service carries, and the store type of
// PR_MDB_PROVIDER.
const std::string& ProviderUid();
const std::string& StoreProviderType();

// The instance and record key of a folder or message: kind (4 bytes) and id (8 bytes), little-endian.
std::string MakeObjectKey(EntryKind kind, LONGLONG id);

// 100-nanosecond intervals since 1601 for the current time.
LONGLONG NowFileTime();

}  // namespace qrvmapi
