// The property catalog: per item type, the MAPI properties a user compares, read from its JSON file.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"

// One property of an item type.
struct CatalogProperty {
    bool bNamed = false;
    ULONG ulTag = 0;         // standard: the full tag; named: PROP_TAG(type, 0)
    GUID guid = {};          // named only
    bool bByName = false;    // named: identified by name (MNID_STRING) rather than number
    LONG lID = 0;            // named by number
    std::string strName;     // named by name (UTF-8)
    std::string strSample;   // the kind of value the store tool makes for it
    LONG lTextID = 0;        // display-name text in the language files
    std::string strEnglish;  // display names
    std::string strGerman;
    bool bSelected = false;  // compared by default
    bool bExcluded = false;  // offered to nobody
};

// One item type with its properties, in catalog order.
struct CatalogItemType {
    DWORD dwType = 0;        // 1 contacts ... 6 journal entries
    std::string strSection;  // INI section name
    std::string strFile;     // default property file name
    std::vector<CatalogProperty> properties;
};

struct PropertyCatalog {
    std::vector<CatalogItemType> itemTypes;
};

// Reads and checks a catalog text. false with a one-line reason in strError when the text is not
// JSON, a field is missing or malformed, a text id repeats or lies outside the reserved range, or
// an item type repeats.
bool ParsePropertyCatalog(const std::string& strText, PropertyCatalog& catalog, std::string& strError);

// The text ids reserved for property display names in the language files.
constexpr LONG CATALOG_TEXT_ID_FIRST = 3000;
constexpr LONG CATALOG_TEXT_ID_LAST = 3999;
