// Conversion of property values between the caller's SPropValue form and the stored cell form.
#include "platform/mapi/PropCell.h"

#include <bit>
#include <cstring>

#include "platform/mapi/BufferRoom.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/win32/CodePage.h"

static_assert(std::endian::native == std::endian::little, "packed lists are written in host order");

namespace qrvmapi {

namespace {

bool IsTextType(ULONG type) {
    return type == PT_STRING8 || type == PT_UNICODE;
}

// The one array pointer and count of a multi-valued value, whatever its element type.
void ListOf(const SPropValue& value, ULONG& count, const void*& elements) {
    // Every multi-valued member of the union starts with the count followed by the pointer.
    count = value.Value.MVl.cValues;
    elements = value.Value.MVl.lpl;
}

void SetList(SPropValue& value, ULONG count, void* elements) {
    value.Value.MVl.cValues = count;
    value.Value.MVl.lpl = static_cast<LONG*>(elements);
}

HRESULT AllocMore(size_t cb, LPVOID parent, void** out) {
    *out = nullptr;
    if (cb > 0xFFFFFFF0u) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    return MAPIAllocateMore(static_cast<ULONG>(cb), parent, out);
}

HRESULT CopyText8(const std::string& utf8, LPVOID parent, LPSTR* out) {
    void* block = nullptr;
    HRESULT hr = AllocMore(utf8.size() + 1, parent, &block);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(block, utf8.data(), utf8.size());
    *out = static_cast<LPSTR>(block);
    return S_OK;
}

HRESULT CopyText16(const std::string& utf8, LPVOID parent, LPWSTR* out) {
    std::u16string wide = Utf8ToUtf16(utf8);
    void* block = nullptr;
    HRESULT hr = AllocMore((wide.size() + 1) * sizeof(WCHAR), parent, &block);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(block, wide.data(), wide.size() * sizeof(WCHAR));
    *out = static_cast<LPWSTR>(block);
    return S_OK;
}

HRESULT CopyBytes(const std::string& bytes, LPVOID parent, SBinary& bin) {
    bin.cb = static_cast<ULONG>(bytes.size());
    bin.lpb = nullptr;
    if (bytes.empty()) {
        return S_OK;
    }
    void* block = nullptr;
    HRESULT hr = AllocMore(bytes.size(), parent, &block);
    if (FAILED(hr)) {
        bin.cb = 0;
        return hr;
    }
    std::memcpy(block, bytes.data(), bytes.size());
    bin.lpb = static_cast<LPBYTE>(block);
    return S_OK;
}

}  // namespace

CPropCell CPropCell::Long(ULONG tag, LONGLONG value) {
    CPropCell cell;
    cell.m_tag = tag;
    cell.m_kind = CellKind::Integer;
    cell.m_int = value;
    return cell;
}

CPropCell CPropCell::Bool(ULONG tag, bool value) {
    return Long(tag, value ? 1 : 0);
}

CPropCell CPropCell::Text(ULONG tag, std::string utf8) {
    CPropCell cell;
    cell.m_tag = tag;
    cell.m_kind = CellKind::Text;
    cell.m_bytes = std::move(utf8);
    return cell;
}

CPropCell CPropCell::Binary(ULONG tag, const void* data, size_t cb) {
    CPropCell cell;
    cell.m_tag = tag;
    cell.m_kind = CellKind::Bytes;
    if (cb > 0) {
        cell.m_bytes.assign(static_cast<const char*>(data), cb);
    }
    return cell;
}

CPropCell CPropCell::Time(ULONG tag, LONGLONG fileTime) {
    return Long(tag, fileTime);
}

CellKind KindOfType(ULONG type) {
    if (type & MV_FLAG) {
        return CellKind::Bytes;
    }
    switch (type) {
        case PT_R4:
        case PT_DOUBLE:
        case PT_APPTIME:
            return CellKind::Real;
        case PT_STRING8:
        case PT_UNICODE:
            return CellKind::Text;
        case PT_BINARY:
        case PT_CLSID:
            return CellKind::Bytes;
        default:
            return CellKind::Integer;
    }
}

bool IsStorableType(ULONG type) {
    switch (type & ~MV_FLAG) {
        case PT_I2:
        case PT_LONG:
        case PT_R4:
        case PT_DOUBLE:
        case PT_CURRENCY:
        case PT_APPTIME:
        case PT_I8:
        case PT_SYSTIME:
        case PT_CLSID:
        case PT_STRING8:
        case PT_UNICODE:
        case PT_BINARY:
            return true;
        case PT_BOOLEAN:
            return (type & MV_FLAG) == 0;
        default:
            return false;
    }
}

std::string PackFixed(const void* elements, size_t count, size_t size) {
    std::string packed(4 + count * size, '\0');
    ULONG n = static_cast<ULONG>(count);
    std::memcpy(packed.data(), &n, 4);
    if (count > 0) {
        std::memcpy(packed.data() + 4, elements, count * size);
    }
    return packed;
}

std::string PackVariable(const std::vector<std::string>& elements) {
    std::string packed;
    ULONG n = static_cast<ULONG>(elements.size());
    packed.append(reinterpret_cast<const char*>(&n), 4);
    for (const std::string& element : elements) {
        ULONG len = static_cast<ULONG>(element.size());
        packed.append(reinterpret_cast<const char*>(&len), 4);
        packed.append(element);
    }
    return packed;
}

bool UnpackCount(const std::string& packed, ULONG type, ULONG& count) {
    count = 0;
    if (packed.size() < 4) {
        return false;
    }
    std::memcpy(&count, packed.data(), 4);
    size_t size = FixedElementSize(type);
    if (size == 0) {
        return true;  // variable elements are checked while they are split
    }
    return (packed.size() - 4) / size == count && (packed.size() - 4) % size == 0;
}

bool UnpackVariable(const std::string& packed, std::vector<std::string>& elements) {
    elements.clear();
    ULONG count = 0;
    if (packed.size() < 4) {
        return false;
    }
    std::memcpy(&count, packed.data(), 4);
    size_t pos = 4;
    // Each element needs at least its 4-byte length, so a count beyond that is damage.
    if (count > (packed.size() - pos) / 4) {
        return false;
    }
    elements.reserve(count);
    for (ULONG i = 0; i < count; ++i) {
        if (packed.size() - pos < 4) {
            return false;
        }
        ULONG len = 0;
        std::memcpy(&len, packed.data() + pos, 4);
        pos += 4;
        if (len > packed.size() - pos) {
            return false;
        }
        elements.emplace_back(packed.data() + pos, len);
        pos += len;
    }
    return pos == packed.size();
}

HRESULT CellFromValue(const SPropValue& value, CPropCell& cell) {
    ULONG type = PROP_TYPE(value.ulPropTag);
    if (!IsStorableType(type)) {
        return MAPI_E_INVALID_TYPE;
    }
    cell = CPropCell();
    cell.m_tag = value.ulPropTag;
    cell.m_kind = KindOfType(type);
    const _PV& v = value.Value;
    if (type & MV_FLAG) {
        ULONG count = 0;
        const void* elements = nullptr;
        ListOf(value, count, elements);
        if (count > 0 && elements == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        size_t size = FixedElementSize(type);
        if (size != 0) {
            cell.m_bytes = PackFixed(elements, count, size);
            return S_OK;
        }
        std::vector<std::string> parts;
        parts.reserve(count);
        for (ULONG i = 0; i < count; ++i) {
            if (type == PT_MV_STRING8) {
                if (v.MVszA.lppszA[i] == nullptr) {
                    return MAPI_E_INVALID_PARAMETER;
                }
                parts.emplace_back(v.MVszA.lppszA[i]);
            } else if (type == PT_MV_UNICODE) {
                if (v.MVszW.lppszW[i] == nullptr) {
                    return MAPI_E_INVALID_PARAMETER;
                }
                parts.push_back(Utf16ToUtf8(v.MVszW.lppszW[i]));
            } else {
                const SBinary& bin = v.MVbin.lpbin[i];
                if (bin.cb > 0 && bin.lpb == nullptr) {
                    return MAPI_E_INVALID_PARAMETER;
                }
                parts.emplace_back(reinterpret_cast<const char*>(bin.lpb), bin.cb);
            }
        }
        cell.m_bytes = PackVariable(parts);
        return S_OK;
    }
    switch (type) {
        case PT_I2:
            cell.m_int = v.i;
            break;
        case PT_LONG:
            cell.m_int = v.l;
            break;
        case PT_BOOLEAN:
            cell.m_int = v.b != 0 ? 1 : 0;
            break;
        case PT_I8:
            cell.m_int = v.li.QuadPart;
            break;
        case PT_CURRENCY:
            cell.m_int = v.cur.int64;
            break;
        case PT_SYSTIME:
            cell.m_int = static_cast<LONGLONG>((static_cast<ULONGLONG>(v.ft.dwHighDateTime) << 32) |
                                               v.ft.dwLowDateTime);
            break;
        case PT_R4:
            cell.m_real = v.flt;
            break;
        case PT_DOUBLE:
            cell.m_real = v.dbl;
            break;
        case PT_APPTIME:
            cell.m_real = v.at;
            break;
        case PT_STRING8:
            if (v.lpszA == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            cell.m_bytes = v.lpszA;
            break;
        case PT_UNICODE:
            if (v.lpszW == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            cell.m_bytes = Utf16ToUtf8(v.lpszW);
            break;
        case PT_BINARY:
            if (v.bin.cb > 0 && v.bin.lpb == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            cell.m_bytes.assign(reinterpret_cast<const char*>(v.bin.lpb), v.bin.cb);
            break;
        case PT_CLSID:
            if (v.lpguid == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            cell.m_bytes.assign(reinterpret_cast<const char*>(v.lpguid), sizeof(GUID));
            break;
        default:
            return MAPI_E_INVALID_TYPE;
    }
    return S_OK;
}

void ErrorValue(ULONG tag, SCODE sc, SPropValue& value) {
    value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    value.dwAlignPad = 0;
    value.Value.err = sc;
}

namespace {

// The type a stored cell is handed out as, or PT_ERROR when the wanted type does not fit.
ULONG EffectiveType(ULONG stored, ULONG wanted, ULONG ulFlags) {
    ULONG base = stored & ~MV_FLAG;
    if (wanted == PT_UNSPECIFIED) {
        if (IsTextType(base)) {
            return (stored & MV_FLAG) | ((ulFlags & MAPI_UNICODE) ? PT_UNICODE : PT_STRING8);
        }
        return stored;
    }
    if (wanted == stored) {
        return stored;
    }
    if ((wanted & MV_FLAG) == (stored & MV_FLAG) && IsTextType(base) && IsTextType(wanted & ~MV_FLAG)) {
        return wanted;
    }
    return PT_ERROR;
}

HRESULT MultiFromCell(const CPropCell& cell, ULONG type, LPVOID parent, SPropValue& value, bool& damaged) {
    size_t size = FixedElementSize(type);
    if (size != 0) {
        ULONG count = 0;
        if (!UnpackCount(cell.m_bytes, type, count)) {
            damaged = true;
            return S_OK;
        }
        void* block = nullptr;
        if (count > 0) {
            HRESULT hr = AllocMore(count * size, parent, &block);
            if (FAILED(hr)) {
                return hr;
            }
            std::memcpy(block, cell.m_bytes.data() + 4, count * size);
        }
        SetList(value, count, block);
        return S_OK;
    }
    std::vector<std::string> parts;
    if (!UnpackVariable(cell.m_bytes, parts)) {
        damaged = true;
        return S_OK;
    }
    ULONG count = static_cast<ULONG>(parts.size());
    size_t slot = type == PT_MV_BINARY ? sizeof(SBinary) : sizeof(void*);
    void* array = nullptr;
    if (count > 0) {
        HRESULT hr = AllocMore(count * slot, parent, &array);
        if (FAILED(hr)) {
            return hr;
        }
    }
    SetList(value, count, array);
    for (ULONG i = 0; i < count; ++i) {
        HRESULT hr = S_OK;
        if (type == PT_MV_STRING8) {
            hr = CopyText8(parts[i], parent, &static_cast<LPSTR*>(array)[i]);
        } else if (type == PT_MV_UNICODE) {
            hr = CopyText16(parts[i], parent, &static_cast<LPWSTR*>(array)[i]);
        } else {
            hr = CopyBytes(parts[i], parent, static_cast<SBinary*>(array)[i]);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT ValueFromCell(const CPropCell& cell, ULONG wantedTag, ULONG ulFlags, LPVOID lpParent,
                      SPropValue& value) {
    std::memset(&value, 0, sizeof(value));
    // A type code no store writes is damage. Asked for by its type, such a value would pass for a
    // missing one: a search would file the item as if it lacked the value (two items could pass for
    // duplicates), or stop with a failure that says nothing. The store says what is wrong instead.
    // Asked for without a type, it comes as a damaged value, as every other damaged value does.
    if (!IsStorableType(cell.Type()) && PROP_TYPE(wantedTag) != PT_UNSPECIFIED) {
        return MAPI_E_CORRUPT_STORE;
    }
    ULONG type = EffectiveType(cell.Type(), PROP_TYPE(wantedTag), ulFlags);
    ULONG tag = wantedTag == PR_NULL ? cell.m_tag : wantedTag;
    if (type == PT_ERROR) {
        ErrorValue(tag, MAPI_E_NOT_FOUND, value);
        return S_OK;
    }
    value.ulPropTag = CHANGE_PROP_TYPE(tag, type);
    _PV& v = value.Value;
    bool damaged = false;
    HRESULT hr = S_OK;
    if (type & MV_FLAG) {
        hr = MultiFromCell(cell, type, lpParent, value, damaged);
    } else {
        switch (type) {
            case PT_I2:
                v.i = static_cast<SHORT>(cell.m_int);
                break;
            case PT_LONG:
                v.l = static_cast<LONG>(cell.m_int);
                break;
            case PT_BOOLEAN:
                v.b = cell.m_int != 0 ? 1 : 0;
                break;
            case PT_I8:
                v.li.QuadPart = cell.m_int;
                break;
            case PT_CURRENCY:
                v.cur.int64 = cell.m_int;
                break;
            case PT_SYSTIME:
                v.ft.dwLowDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(cell.m_int) & 0xFFFFFFFFu);
                v.ft.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(cell.m_int) >> 32);
                break;
            case PT_R4:
                v.flt = static_cast<float>(cell.m_real);
                break;
            case PT_DOUBLE:
                v.dbl = cell.m_real;
                break;
            case PT_APPTIME:
                v.at = cell.m_real;
                break;
            case PT_STRING8:
                hr = CopyText8(cell.m_bytes, lpParent, &v.lpszA);
                break;
            case PT_UNICODE:
                hr = CopyText16(cell.m_bytes, lpParent, &v.lpszW);
                break;
            case PT_BINARY:
                hr = CopyBytes(cell.m_bytes, lpParent, v.bin);
                break;
            case PT_CLSID: {
                if (cell.m_bytes.size() != sizeof(GUID)) {
                    damaged = true;
                    break;
                }
                void* block = nullptr;
                hr = AllocMore(sizeof(GUID), lpParent, &block);
                if (SUCCEEDED(hr)) {
                    std::memcpy(block, cell.m_bytes.data(), sizeof(GUID));
                    v.lpguid = static_cast<LPGUID>(block);
                }
                break;
            }
            default:
                damaged = true;
                break;
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (damaged) {
        std::memset(&value, 0, sizeof(value));
        ErrorValue(tag, MAPI_E_CORRUPT_DATA, value);
    }
    return S_OK;
}

size_t LinkedRoomOfCell(const CPropCell& cell, ULONG wantedTag, ULONG ulFlags) {
    const ULONG type = EffectiveType(cell.Type(), PROP_TYPE(wantedTag), ulFlags);
    const size_t bytes = cell.m_bytes.size();
    if (type == PT_ERROR) {
        return 0;
    }
    if (type & MV_FLAG) {
        if (FixedElementSize(type) != 0) {
            return LinkedBlockCost(bytes);
        }
        // The element array, then one block per element; a UTF-16 element takes at most twice
        // its UTF-8 bytes, and each element has at least its 4-byte length in the packed list.
        const size_t count = bytes / 4;
        return LinkedBlockCost(count * sizeof(SBinary)) + count * LinkedBlockCost(2) + 2 * bytes;
    }
    switch (type) {
        case PT_STRING8:
            return LinkedBlockCost(bytes + 1);
        case PT_UNICODE:
            return LinkedBlockCost((bytes + 1) * sizeof(WCHAR));
        case PT_BINARY:
            return bytes > 0 ? LinkedBlockCost(bytes) : 0;
        case PT_CLSID:
            return LinkedBlockCost(sizeof(GUID));
        default:
            return 0;
    }
}

int CompareCells(const CPropCell& a, const CPropCell& b) {
    if (a.m_kind != b.m_kind) {
        return 2;
    }
    switch (a.m_kind) {
        case CellKind::Integer:
            return a.m_int < b.m_int ? -1 : (a.m_int > b.m_int ? 1 : 0);
        case CellKind::Real:
            return a.m_real < b.m_real ? -1 : (a.m_real > b.m_real ? 1 : (a.m_real == b.m_real ? 0 : 2));
        default: {
            int c = a.m_bytes.compare(b.m_bytes);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
    }
}

}  // namespace qrvmapi
