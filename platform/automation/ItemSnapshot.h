// What the item viewer shows of an item: its class, subject and every property as text, read
// once when the item is fetched.
#pragma once

#include <string>
#include <vector>

#include "platform/mapi/MAPIInterfaces.h"

struct CItemProperty {
    ULONG ulTag = 0;
    std::string name;   // "0x0037001F", or for a named property its set and id or name as well
    std::string type;   // "PT_UNICODE" ...
    std::string value;  // one line of text
};

struct CItemSnapshot {
    std::string entryIdHex;
    std::string messageClass;
    std::string subject;
    std::vector<CItemProperty> properties;  // in tag order
};

// Reads every property of the message into the snapshot.
HRESULT ReadItemSnapshot(IMAPIProp* pMessage, CItemSnapshot& snapshot);
// The text of one value, on one line (line breaks and tabs become spaces). Long binary values are
// cut after 64 bytes with their length named.
std::string FormatPropValue(const SPropValue& value);
// The type's name ("PT_LONG", "PT_MV_UNICODE" ...), or its number in hex.
std::string PropTypeName(ULONG ulType);
