// Items as JSON: every property type, standard properties by tag, named ones by GUID and id or name.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/mapi/MAPIX.h"

namespace qrvstore {

// The document form:
//   { "items": [ { "properties": [
//       { "tag": "0x0037001E", "value": "Lunch" },
//       { "guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8", "value": "a@b.c"
//       }, { "guid": "00020329-0000-0000-C000-000000000046", "name": "Keywords", "type": "PT_MV_UNICODE",
//         "value": ["red", "blue"] } ] } ] }
// Values: integers for I2, LONG, I8 and CURRENCY (in ten-thousandths), numbers for R4, DOUBLE and
// APPTIME, true/false for BOOLEAN, strings for text, "2024-05-06T07:08:09Z" for SYSTIME (years 1601
// to 9999), hex for BINARY, GUID text for CLSID, and arrays of these for the multi-valued types. A
// PT_STRING8 text whose bytes are not UTF-8 is {"hex": "4772FCDF65"}; no text holds a NUL.

// The JSON form of a value; null for a type that has none (errors, objects).
nlohmann::json ValueToJson(const SPropValue& value);
// Fills 'value' for 'tag' from JSON, allocating what it points at on lpParent. False (with a
// reason) when the JSON does not fit the tag's type.
bool ValueFromJson(ULONG tag, const nlohmann::json& json, LPVOID lpParent, SPropValue& value,
                   std::string& error);

// The tag of one property entry of the document form ("tag", or "guid" with "id" or "name" and
// "type"); a named property gets its id in the store of 'object', made when it is new. 0 (with a
// reason) for an entry that names no property this store can keep.
ULONG TagFromJson(LPMAPIPROP object, const nlohmann::json& entry, std::string& error);

// Every item of a folder with every property it keeps (ids and keys left out).
nlohmann::json ExportItems(LPMAPIFOLDER folder);
// The same items handed to 'take' one at a time, in the same order, as each is read: memory for one
// item. Returns how many were handed on; a CToolError when the folder cannot be read.
ULONG ForEachExportedItem(LPMAPIFOLDER folder, const std::function<void(nlohmann::json& item)>& take);
// The document of ExportItems written in pieces, byte for byte its dump with an indent of two and
// a line feed: each item is written as it is read. Returns how many items were written.
ULONG WriteItemsDocument(LPMAPIFOLDER folder, const std::function<void(const std::string& piece)>& write);
// Creates one item per element of "items"; returns how many. Stops at the first bad item with an
// error naming it; items created before stay.
ULONG ImportItems(LPMAPIFOLDER folder, const nlohmann::json& document);

}  // namespace qrvstore
