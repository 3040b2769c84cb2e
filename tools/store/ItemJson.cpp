// JSON export and import of items, with the value forms of every property type.
#include "tools/store/ItemJson.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/win32/CodePage.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

using nlohmann::json;

// The times an export writes and an import reads back: the years 1601 to 9999.
const LONGLONG kLastTick = TicksFromDate(10000, 1, 1) - 1;

bool IsUtf8(const std::string& text) {
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) != 0;
}

// A text of the file as an error shows it: escaped as in JSON and in ASCII, so that a NUL does not
// cut the message short and no control character reaches the terminal. Quoted when asked.
std::string Shown(const json& text, bool quoted) {
    std::string shown = text.dump(-1, ' ', true, json::error_handler_t::replace);
    return quoted ? shown : shown.substr(1, shown.size() - 2);
}

// A text ends at its first NUL in a store: one that holds a NUL would lose the rest.
bool RefuseNul(const std::string& text, std::string& error) {
    if (text.find('\0') == std::string::npos) {
        return false;
    }
    error = "a text cannot hold a NUL character (\\u0000): the store would keep only what is before it";
    return true;
}

// Properties every item has without keeping them: an import must not try to set them.
bool IsComputed(ULONG tag) {
    switch (PROP_ID(tag)) {
        case PROP_ID(PR_ENTRYID):
        case PROP_ID(PR_INSTANCE_KEY):
        case PROP_ID(PR_RECORD_KEY):
        case PROP_ID(PR_PARENT_ENTRYID):
        case PROP_ID(PR_STORE_ENTRYID):
        case PROP_ID(PR_STORE_RECORD_KEY):
        case PROP_ID(PR_OBJECT_TYPE):
        case PROP_ID(PR_MDB_PROVIDER):
            return true;
        default:
            return false;
    }
}

json Scalar(ULONG type, const void* p) {
    switch (type) {
        case PT_I2:
            return *static_cast<const SHORT*>(p);
        case PT_LONG:
            return *static_cast<const LONG*>(p);
        case PT_R4:
            return *static_cast<const float*>(p);
        case PT_DOUBLE:
        case PT_APPTIME:
            return *static_cast<const double*>(p);
        case PT_CURRENCY:
        case PT_I8:
            return *static_cast<const LONGLONG*>(p);
        case PT_SYSTIME: {
            const FILETIME* ft = static_cast<const FILETIME*>(p);
            return FormatTime(
                static_cast<LONGLONG>((ULONGLONG(ft->dwHighDateTime) << 32) | ft->dwLowDateTime));
        }
        case PT_CLSID:
            return FormatGuid(*static_cast<const GUID*>(p));
        case PT_STRING8: {
            // Bytes that are not UTF-8 (written by a client in another code page) cannot be a JSON
            // text; they are carried as hex, so that nothing is lost or refused.
            std::string text(*static_cast<const LPSTR*>(p));
            return IsUtf8(text) ? json(text) : json{{"hex", ToHex(text)}};
        }
        case PT_UNICODE:
            return Utf16ToUtf8(*static_cast<const LPWSTR*>(p));
        case PT_BINARY: {
            const SBinary* bin = static_cast<const SBinary*>(p);
            return ToHex(std::string(reinterpret_cast<const char*>(bin->lpb), bin->cb));
        }
        default:
            return nullptr;
    }
}

size_t ElementSize(ULONG type) {
    switch (type) {
        case PT_I2:
            return sizeof(SHORT);
        case PT_LONG:
        case PT_R4:
            return 4;
        case PT_DOUBLE:
        case PT_APPTIME:
        case PT_CURRENCY:
        case PT_I8:
        case PT_SYSTIME:
            return 8;
        case PT_CLSID:
            return sizeof(GUID);
        case PT_STRING8:
        case PT_UNICODE:
            return sizeof(void*);
        case PT_BINARY:
            return sizeof(SBinary);
        default:
            return 0;
    }
}

// A JSON integer within [low, high]; false with a reason for any other value, so that a number
// too wide for its type is refused instead of being cut to its low bits.
bool IntegerIn(const json& j, LONGLONG low, LONGLONG high, const char* typeName, LONGLONG& value,
               std::string& error) {
    if (!j.is_number_integer()) {
        error = "an integer is expected";
        return false;
    }
    bool fits = j.is_number_unsigned() ? j.get<ULONGLONG>() <= static_cast<ULONGLONG>(high)
                                       : j.get<LONGLONG>() >= low && j.get<LONGLONG>() <= high;
    if (!fits) {
        error = j.dump() + " does not fit " + typeName + " (" + std::to_string(low) + " to " +
                std::to_string(high) + ")";
        return false;
    }
    value = j.get<LONGLONG>();
    return true;
}

// Reads one element of 'type' from JSON into 'slot'.
bool ScalarFromJson(ULONG type, const json& j, LPVOID parent, void* slot, std::string& error) {
    auto alloc = [&](size_t cb, void** out) {
        return SUCCEEDED(MAPIAllocateMore(static_cast<ULONG>(cb), parent, out));
    };
    switch (type) {
        case PT_I2:
        case PT_LONG:
        case PT_CURRENCY:
        case PT_I8: {
            LONGLONG v = 0;
            bool fits = type == PT_I2     ? IntegerIn(j, SHRT_MIN, SHRT_MAX, "PT_I2", v, error)
                        : type == PT_LONG ? IntegerIn(j, INT32_MIN, INT32_MAX, "PT_LONG", v, error)
                                          : IntegerIn(j, INT64_MIN, INT64_MAX,
                                                      type == PT_I8 ? "PT_I8" : "PT_CURRENCY", v, error);
            if (!fits) {
                return false;
            }
            if (type == PT_I2) {
                *static_cast<SHORT*>(slot) = static_cast<SHORT>(v);
            } else if (type == PT_LONG) {
                *static_cast<LONG*>(slot) = static_cast<LONG>(v);
            } else {
                *static_cast<LONGLONG*>(slot) = v;
            }
            return true;
        }
        case PT_R4:
        case PT_DOUBLE:
        case PT_APPTIME:
            if (!j.is_number()) {
                error = "a number is expected";
                return false;
            }
            if (type == PT_R4) {
                if (std::fabs(j.get<double>()) > FLT_MAX) {
                    error = j.dump() + " does not fit PT_R4";
                    return false;
                }
                *static_cast<float*>(slot) = j.get<float>();
            } else {
                *static_cast<double*>(slot) = j.get<double>();
            }
            return true;
        case PT_SYSTIME: {
            LONGLONG ticks = 0;
            if (j.is_number_integer()) {
                if (!IntegerIn(j, INT64_MIN, INT64_MAX, "PT_SYSTIME", ticks, error)) {
                    return false;
                }
            } else if (!j.is_string() || !ParseTime(j.get<std::string>(), ticks)) {
                error = "a time like 2024-05-06T07:08:09Z is expected";
                return false;
            }
            if (ticks < 0 || ticks > kLastTick) {
                error = "a time from 1601-01-01T00:00:00Z to 9999-12-31T23:59:59.9999999Z is expected, not " +
                        (j.is_string() ? j.get<std::string>() : j.dump());
                return false;
            }
            FILETIME* ft = static_cast<FILETIME*>(slot);
            ft->dwLowDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) & 0xFFFFFFFFu);
            ft->dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) >> 32);
            return true;
        }
        case PT_CLSID: {
            if (!j.is_string() || !ParseGuid(j.get<std::string>(), *static_cast<GUID*>(slot))) {
                error = "a GUID is expected";
                return false;
            }
            return true;
        }
        case PT_STRING8:
        case PT_UNICODE: {
            std::string text;
            if (type == PT_STRING8 && j.is_object() && j.size() == 1 && j.contains("hex")) {
                if (!j["hex"].is_string() || !FromHex(j["hex"].get<std::string>(), text)) {
                    error = "{\"hex\": ...} needs the text's bytes in hex";
                    return false;
                }
            } else if (j.is_string()) {
                text = j.get<std::string>();
            } else {
                error = type == PT_STRING8 ? "a string (or {\"hex\": bytes}) is expected"
                                           : "a string is expected";
                return false;
            }
            if (RefuseNul(text, error)) {
                return false;
            }
            void* block = nullptr;
            if (type == PT_STRING8) {
                if (!alloc(text.size() + 1, &block)) {
                    error = "out of memory";
                    return false;
                }
                std::memcpy(block, text.data(), text.size());
            } else {
                std::u16string wide = Utf8ToUtf16(text);
                if (!alloc((wide.size() + 1) * sizeof(WCHAR), &block)) {
                    error = "out of memory";
                    return false;
                }
                std::memcpy(block, wide.data(), wide.size() * sizeof(WCHAR));
            }
            *static_cast<void**>(slot) = block;
            return true;
        }
        case PT_BINARY: {
            std::string bytes;
            if (!j.is_string() || !FromHex(j.get<std::string>(), bytes)) {
                error = "hex bytes are expected";
                return false;
            }
            SBinary* bin = static_cast<SBinary*>(slot);
            bin->cb = static_cast<ULONG>(bytes.size());
            bin->lpb = nullptr;
            if (!bytes.empty()) {
                void* block = nullptr;
                if (!alloc(bytes.size(), &block)) {
                    error = "out of memory";
                    return false;
                }
                std::memcpy(block, bytes.data(), bytes.size());
                bin->lpb = static_cast<LPBYTE>(block);
            }
            return true;
        }
        default:
            error = "this type cannot be kept in a store";
            return false;
    }
}

}  // namespace

json ValueToJson(const SPropValue& value) {
    ULONG type = PROP_TYPE(value.ulPropTag);
    if (type == PT_BOOLEAN) {
        return value.Value.b != 0;
    }
    if (type == PT_CLSID) {
        // A single GUID is held by pointer; in a list the GUIDs sit in the array itself.
        return value.Value.lpguid != nullptr ? json(FormatGuid(*value.Value.lpguid)) : json(nullptr);
    }
    if ((type & MV_FLAG) == 0) {
        return Scalar(type, &value.Value);
    }
    ULONG base = type & ~MV_FLAG;
    size_t size = ElementSize(base);
    if (size == 0) {
        return nullptr;
    }
    json list = json::array();
    const BYTE* elements = reinterpret_cast<const BYTE*>(value.Value.MVl.lpl);
    for (ULONG i = 0; i < value.Value.MVl.cValues; ++i) {
        list.push_back(Scalar(base, elements + i * size));
    }
    return list;
}

bool ValueFromJson(ULONG tag, const json& j, LPVOID lpParent, SPropValue& value, std::string& error) {
    std::memset(&value, 0, sizeof(value));
    value.ulPropTag = tag;
    ULONG type = PROP_TYPE(tag);
    if (type == PT_BOOLEAN) {
        if (!j.is_boolean()) {
            error = "true or false is expected";
            return false;
        }
        value.Value.b = j.get<bool>() ? 1 : 0;
        return true;
    }
    if (type == PT_CLSID) {
        if (FAILED(
                MAPIAllocateMore(sizeof(GUID), lpParent, reinterpret_cast<LPVOID*>(&value.Value.lpguid)))) {
            error = "out of memory";
            return false;
        }
        return ScalarFromJson(type, j, lpParent, value.Value.lpguid, error);
    }
    if ((type & MV_FLAG) == 0) {
        return ScalarFromJson(type, j, lpParent, &value.Value, error);
    }
    ULONG base = type & ~MV_FLAG;
    size_t size = ElementSize(base);
    if (size == 0 || base == PT_BOOLEAN) {
        error = "this type cannot be kept in a store";
        return false;
    }
    if (!j.is_array()) {
        error = "an array is expected";
        return false;
    }
    void* elements = nullptr;
    if (!j.empty() && FAILED(MAPIAllocateMore(static_cast<ULONG>(size * j.size()), lpParent, &elements))) {
        error = "out of memory";
        return false;
    }
    for (size_t i = 0; i < j.size(); ++i) {
        if (!ScalarFromJson(base, j[i], lpParent, static_cast<BYTE*>(elements) + i * size, error)) {
            error = "element " + std::to_string(i) + ": " + error;
            return false;
        }
    }
    value.Value.MVl.cValues = static_cast<ULONG>(j.size());
    value.Value.MVl.lpl = static_cast<LONG*>(elements);
    return true;
}

namespace {

// The document form of one opened item: every property it keeps (ids and keys left out).
HRESULT ItemToJson(LPMESSAGE message, json& item) {
    // The item's own tags keep the width its text was written in.
    LPSPropTagArray tags = nullptr;
    ULONG count = 0;
    LPSPropValue values = nullptr;
    HRESULT hr = message->GetPropList(0, &tags);
    if (SUCCEEDED(hr)) {
        hr = message->GetProps(tags, 0, &count, &values);
    }
    MAPIFreeBuffer(tags);
    json properties = json::array();
    for (ULONG i = 0; SUCCEEDED(hr) && i < count; ++i) {
        const SPropValue& value = values[i];
        if (PROP_TYPE(value.ulPropTag) == PT_ERROR || IsComputed(value.ulPropTag)) {
            continue;
        }
        json entry;
        if (PROP_ID(value.ulPropTag) >= 0x8000) {
            SizedSPropTagArray(1, one) = {1, {value.ulPropTag}};
            LPSPropTagArray named = reinterpret_cast<LPSPropTagArray>(&one);
            ULONG names = 0;
            LPMAPINAMEID* found = nullptr;
            if (message->GetNamesFromIDs(&named, nullptr, 0, &names, &found) != S_OK || names != 1) {
                MAPIFreeBuffer(found);
                continue;  // an id without a name cannot be carried to another store
            }
            entry["guid"] = FormatGuid(*found[0]->lpguid);
            if (found[0]->ulKind == MNID_ID) {
                entry["id"] = found[0]->Kind.lID;
            } else {
                entry["name"] = Utf16ToUtf8(found[0]->Kind.lpwstrName);
            }
            entry["type"] = NameOfType(PROP_TYPE(value.ulPropTag));
            MAPIFreeBuffer(found);
        } else {
            char tag[16];
            std::snprintf(tag, sizeof(tag), "0x%08X", value.ulPropTag);
            entry["tag"] = tag;
        }
        entry["value"] = ValueToJson(value);
        properties.push_back(std::move(entry));
    }
    MAPIFreeBuffer(values);
    if (SUCCEEDED(hr)) {
        item = json{{"properties", std::move(properties)}};
    }
    return hr;
}

// Holds what one batch of the folder's walk has open, so that an item handed on may throw.
struct CExportBatch {
    LPMAPITABLE table = nullptr;
    LPSRowSet rows = nullptr;
    LPMESSAGE message = nullptr;
    ~CExportBatch() {
        if (message != nullptr) {
            message->Release();
        }
        FreeProws(rows);
        if (table != nullptr) {
            table->Release();
        }
    }
};

// A JSON text of 'item' as it stands at depth 'depth' of a document dumped with an indent of two.
std::string Indented(const json& item, size_t depth) {
    const std::string text = item.dump(2);
    const std::string margin(2 * depth, ' ');
    std::string shifted;
    shifted.reserve(text.size() + text.size() / 8);
    shifted += margin;
    for (char c : text) {
        shifted += c;
        // Texts are written escaped: every line feed in a dump is one of its own line breaks.
        if (c == '\n') {
            shifted += margin;
        }
    }
    return shifted;
}

}  // namespace

ULONG ForEachExportedItem(LPMAPIFOLDER folder, const std::function<void(json&)>& take) {
    CExportBatch batch;
    Check(folder->GetContentsTable(0, &batch.table), "GetContentsTable");
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    Check(batch.table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), "Reading the folder");
    ULONG handed = 0;
    for (;;) {
        FreeProws(batch.rows);
        batch.rows = nullptr;
        Check(batch.table->QueryRows(100, 0, &batch.rows), "Reading the folder");
        if (batch.rows->cRows == 0) {
            return handed;
        }
        for (ULONG r = 0; r < batch.rows->cRows; ++r) {
            const SPropValue& id = batch.rows->aRow[r].lpProps[0];
            if (PROP_TYPE(id.ulPropTag) != PT_BINARY) {
                throw CToolError("an item of the folder has no entry id: the store is damaged");
            }
            ULONG type = 0;
            Check(folder->OpenEntry(id.Value.bin.cb, reinterpret_cast<LPENTRYID>(id.Value.bin.lpb), nullptr,
                                    0, &type, reinterpret_cast<LPUNKNOWN*>(&batch.message)),
                  "Reading the folder");
            json item;
            HRESULT hr = ItemToJson(batch.message, item);
            batch.message->Release();
            batch.message = nullptr;
            Check(hr, "Reading the folder");
            take(item);
            ++handed;
        }
    }
}

json ExportItems(LPMAPIFOLDER folder) {
    json items = json::array();
    ForEachExportedItem(folder, [&items](json& item) { items.push_back(std::move(item)); });
    return json{{"items", std::move(items)}};
}

ULONG WriteItemsDocument(LPMAPIFOLDER folder, const std::function<void(const std::string&)>& write) {
    // The document is {"items": [...]}: its first and last lines, and each item two levels in.
    write("{\n  \"items\": [");
    const ULONG count = ForEachExportedItem(folder, [&write, first = true](json& item) mutable {
        write((first ? "\n" : ",\n") + Indented(item, 2));
        first = false;
    });
    write(count == 0 ? "]\n}\n" : "\n  ]\n}\n");
    return count;
}

ULONG TagFromJson(LPMAPIPROP object, const json& entry, std::string& error) {
    if (entry.contains("tag")) {
        if (!entry["tag"].is_string()) {
            error = "\"tag\" must be a string like \"0x0037001E\"";
            return 0;
        }
        std::string text = entry["tag"].get<std::string>();
        if (RefuseNul(text, error)) {
            return 0;
        }
        char* end = nullptr;
        unsigned long tag = std::strtoul(text.c_str(), &end, 16);
        if (text.empty() || *end != '\0' || tag > 0xFFFFFFFFul || PROP_ID(tag) == 0 ||
            PROP_ID(tag) >= 0x8000) {
            error = Shown(entry["tag"], true) + " is not the tag of a standard property";
            return 0;
        }
        return static_cast<ULONG>(tag);
    }
    GUID guid{};
    ULONG type = 0;
    if (!entry.contains("guid") || !entry["guid"].is_string() ||
        !ParseGuid(entry["guid"].get<std::string>(), guid)) {
        error = "a property needs a \"tag\", or a \"guid\" with an \"id\" or a \"name\"";
        return 0;
    }
    if (!entry.contains("type") || !entry["type"].is_string() ||
        !TypeFromName(entry["type"].get<std::string>(), type)) {
        error = "a named property needs a \"type\" such as \"PT_UNICODE\"";
        return 0;
    }
    MAPINAMEID name{};
    name.lpguid = &guid;
    std::u16string wide;
    if (entry.contains("id") && entry["id"].is_number_integer()) {
        LONGLONG id = 0;
        if (!IntegerIn(entry["id"], INT32_MIN, INT32_MAX, "the 32-bit id of a named property", id, error)) {
            return 0;
        }
        name.ulKind = MNID_ID;
        name.Kind.lID = static_cast<LONG>(id);
    } else if (entry.contains("name") && entry["name"].is_string()) {
        if (RefuseNul(entry["name"].get<std::string>(), error)) {
            return 0;
        }
        name.ulKind = MNID_STRING;
        wide = Utf8ToUtf16(entry["name"].get<std::string>());
        name.Kind.lpwstrName = wide.data();
    } else {
        error = "a named property needs an \"id\" (number) or a \"name\" (string)";
        return 0;
    }
    LPMAPINAMEID names[1] = {&name};
    LPSPropTagArray tags = nullptr;
    HRESULT hr = object->GetIDsFromNames(1, names, MAPI_CREATE, &tags);
    ULONG tag = SUCCEEDED(hr) && tags != nullptr && PROP_TYPE(tags->aulPropTag[0]) != PT_ERROR
                    ? CHANGE_PROP_TYPE(tags->aulPropTag[0], type)
                    : 0;
    MAPIFreeBuffer(tags);
    if (tag == 0) {
        error = "the store could not map the name: " + DescribeResult(FAILED(hr) ? hr : MAPI_E_NOT_FOUND);
    }
    return tag;
}

namespace {

// How an error names a property entry: " (0x0037001E)" or " (GUID id 32899)", from what it says.
std::string DescribeEntry(const json& entry) {
    if (!entry.is_object()) {
        return "";
    }
    if (entry.contains("tag") && entry["tag"].is_string()) {
        return " (" + Shown(entry["tag"], false) + ")";
    }
    if (entry.contains("guid") && entry["guid"].is_string()) {
        std::string text = " (" + Shown(entry["guid"], false);
        // Only a number is written out: an id of any other shape may nest arbitrarily deep.
        if (entry.contains("id") && entry["id"].is_number()) {
            text += " id " + entry["id"].dump();
        } else if (entry.contains("name") && entry["name"].is_string()) {
            text += " name " + Shown(entry["name"], true);
        }
        return text + ")";
    }
    return "";
}

}  // namespace

ULONG ImportItems(LPMAPIFOLDER folder, const json& document) {
    if (!document.is_object() || !document.contains("items") || !document["items"].is_array()) {
        throw CToolError("the document needs an \"items\" array");
    }
    ULONG made = 0;
    for (const json& item : document["items"]) {
        std::string where = "item " + std::to_string(made + 1);
        if (!item.is_object() || !item.contains("properties") || !item["properties"].is_array()) {
            throw CToolError(where + ": needs a \"properties\" array");
        }
        const json& properties = item["properties"];
        LPSPropValue values = nullptr;
        Check(MAPIAllocateBuffer(static_cast<ULONG>((properties.size() + 1) * sizeof(SPropValue)),
                                 reinterpret_cast<LPVOID*>(&values)),
              "MAPIAllocateBuffer");
        ULONG count = 0;
        std::string error;
        for (size_t i = 0; i < properties.size(); ++i) {
            const json& entry = properties[i];
            std::string what = "property " + std::to_string(i + 1) + DescribeEntry(entry);
            if (!entry.is_object() || !entry.contains("value")) {
                error = what + ": needs a \"value\"";
                break;
            }
            ULONG tag = TagFromJson(folder, entry, error);
            if (tag == 0 || IsComputed(tag)) {
                if (tag != 0) {
                    continue;  // ids and keys are the store's own
                }
                error = what + ": " + error;
                break;
            }
            if (!ValueFromJson(tag, entry["value"], values, values[count], error)) {
                error = what + ": " + error;
                break;
            }
            ++count;
        }
        if (!error.empty()) {
            MAPIFreeBuffer(values);
            throw CToolError(where + ", " + error);
        }
        LPMESSAGE message = nullptr;
        HRESULT hr = folder->CreateMessage(nullptr, 0, &message);
        LPSPropProblemArray problems = nullptr;
        if (SUCCEEDED(hr)) {
            hr = message->SetProps(count, values, &problems);
        }
        if (SUCCEEDED(hr) && problems != nullptr) {
            char tag[16];
            std::snprintf(tag, sizeof(tag), "0x%08X", problems->aProblem[0].ulPropTag);
            error = std::string("the property ") + tag +
                    " was refused: " + DescribeResult(problems->aProblem[0].scode);
        }
        if (SUCCEEDED(hr) && error.empty()) {
            hr = message->SaveChanges(0);
        }
        MAPIFreeBuffer(problems);
        MAPIFreeBuffer(values);
        if (message != nullptr) {
            message->Release();
        }
        if (!error.empty()) {
            throw CToolError(where + ": " + error);
        }
        Check(hr, where + ": saving");
        ++made;
    }
    return made;
}

}  // namespace qrvstore
