// What the build makes of the property catalog: default property files, INI tables, display names.
#pragma once

#include <string>

#include "data/PropertyCatalog.h"
#include "platform/win32/WinTypes.h"

class CPropertyList;

// The property list of one item type, as a default property file holds it: a type list with every
// catalog property and its default selection. One reference for the caller.
HRESULT BuildPropertyList(const CatalogItemType& type, CPropertyList** ppList, std::string& strError);

// The bytes of the item type's default property file: one property-list record, nothing else.
bool BuildDefaultPropertyFile(const CatalogItemType& type, std::string& strBytes, std::string& strError);

// The text selector under which the INI tables know a property.
bool BuildSelector(const CatalogProperty& prop, std::string& strSelector, std::string& strError);

// The three INI tables, one section per item type, one key per property (its text selector):
// "KeyTable.ini" the display-name text id, "Defaults.ini" 1 for a default selection and
// "Exclusion.ini" 1 for an excluded property.
enum class CatalogTable { KeyTable, Defaults, Exclusion };
bool BuildIniTable(const PropertyCatalog& catalog, CatalogTable table, std::string& strText,
                   std::string& strError);

// A language file with the property display names put into its marked block (after the line
// starting LNG_BLOCK_BEGIN, up to the line starting LNG_BLOCK_END); a file without the block gets
// one at its end. bGerman picks the German names, else the English ones.
std::string MergeDisplayNames(const std::string& strLanguageFile, const PropertyCatalog& catalog,
                              bool bGerman);

#define LNG_BLOCK_BEGIN "; ---- property display names"
#define LNG_BLOCK_END "; ---- end of property display names"
