// Entry ids, object keys and time stamps of the message-store service.
#include "platform/mapi/EntryId.h"

#include <chrono>
#include <cstring>

namespace qrvmapi {

namespace {
constexpr BYTE kVersion = 1;
// Offsets inside an entry id.
constexpr size_t kProviderAt = 4;
constexpr size_t kVersionAt = 20;
constexpr size_t kKindAt = 21;
constexpr size_t kReservedAt = 22;  // two bytes, clear
constexpr size_t kStoreAt = 24;
constexpr size_t kIdAt = 40;
}  // namespace

const std::string& ProviderUid() {
    static const std::string uid("\x51\x52\x56\x4C\x2D\x53\x54\x4F\x52\x45\x2D\x50\x52\x4F\x56\x31", 16);
    return uid;
}

const std::string& StoreProviderType() {
    static const std::string uid("\x51\x52\x56\x4C\x2D\x4D\x44\x42\x2D\x50\x45\x52\x53\x4F\x4E\x31", 16);
    return uid;
}

std::string MakeEntryId(EntryKind kind, const std::string& storeUid, LONGLONG id) {
    std::string eid(kEntryIdSize, '\0');
    std::memcpy(eid.data() + kProviderAt, ProviderUid().data(), 16);
    eid[kVersionAt] = static_cast<char>(kVersion);
    eid[kKindAt] = static_cast<char>(kind);
    std::memcpy(eid.data() + kStoreAt, storeUid.data(), storeUid.size() < 16 ? storeUid.size() : 16);
    for (int i = 0; i < 8; ++i) {
        eid[kIdAt + i] = static_cast<char>((static_cast<ULONGLONG>(id) >> (8 * i)) & 0xFF);
    }
    return eid;
}

bool ParseEntryId(const void* data, size_t cb, CEntryRef& ref) {
    if (data == nullptr || cb != kEntryIdSize) {
        return false;
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    static const BYTE kZero[4] = {0, 0, 0, 0};
    if (std::memcmp(bytes, kZero, 4) != 0 ||
        std::memcmp(bytes + kProviderAt, ProviderUid().data(), 16) != 0 || bytes[kVersionAt] != kVersion) {
        return false;
    }
    BYTE kind = bytes[kKindAt];
    if (kind != static_cast<BYTE>(EntryKind::Store) && kind != static_cast<BYTE>(EntryKind::Folder) &&
        kind != static_cast<BYTE>(EntryKind::Message)) {
        return false;
    }
    ref.m_kind = static_cast<EntryKind>(kind);
    ref.m_storeUid.assign(reinterpret_cast<const char*>(bytes + kStoreAt), 16);
    ULONGLONG id = 0;
    for (int i = 7; i >= 0; --i) {
        id = (id << 8) | bytes[kIdAt + i];
    }
    ref.m_id = static_cast<LONGLONG>(id);
    if (ref.m_kind == EntryKind::Store ? ref.m_id != 0 : ref.m_id <= 0) {
        return false;
    }
    return true;
}

bool IsExactEntryId(const void* data, size_t cb) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return data != nullptr && cb == kEntryIdSize && bytes[kReservedAt] == 0 && bytes[kReservedAt + 1] == 0;
}

std::string MakeObjectKey(EntryKind kind, LONGLONG id) {
    std::string key(12, '\0');
    key[0] = static_cast<char>(kind);
    for (int i = 0; i < 8; ++i) {
        key[4 + i] = static_cast<char>((static_cast<ULONGLONG>(id) >> (8 * i)) & 0xFF);
    }
    return key;
}

LONGLONG NowFileTime() {
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr LONGLONG kEpochDelta = 11644473600LL;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    LONGLONG ticks = std::chrono::duration_cast<std::chrono::microseconds>(now).count() * 10;
    return ticks + kEpochDelta * 10000000LL;
}

}  // namespace qrvmapi
