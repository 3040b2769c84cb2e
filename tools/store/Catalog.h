// The property catalog as the store tool's generator reads it: item types and their properties.
#pragma once

#include <string>
#include <vector>

#include "platform/mapi/MAPIDefs.h"

namespace qrvstore {

struct CCatalogProperty {
    bool m_named = false;
    ULONG m_tag = 0;  // standard: the whole tag; named: only the type part counts
    GUID m_guid{};
    ULONG m_kind = MNID_ID;
    LONG m_id = 0;
    std::string m_name;
    std::string m_sample;  // the kind of value to make (givenName, email, dateTime, ...)
};

struct CCatalogType {
    int m_type = 0;  // 1 contacts ... 6 journal
    std::string m_name;
    std::string m_messageClass;
    std::string m_folder;  // the standard folder the items live in
    std::vector<CCatalogProperty> m_properties;
};

// Reads the catalog; throws CToolError naming the file and the problem.
std::vector<CCatalogType> LoadCatalog(const std::string& path);
// A small catalog of the same shape, for when no catalog file is at hand.
std::vector<CCatalogType> DefaultCatalog();
// The catalog file beside the program, else the built-in one; 'explicitPath' wins when given.
std::vector<CCatalogType> FindCatalog(const std::string& explicitPath);

// The item type named by a word ("contact", "contacts", "Contact") or its number.
const CCatalogType* FindType(const std::vector<CCatalogType>& catalog, const std::string& word);

}  // namespace qrvstore
