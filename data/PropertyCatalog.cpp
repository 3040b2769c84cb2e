// The property catalog: per item type, the MAPI properties a user compares, read from its JSON file.
#include "data/PropertyCatalog.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "platform/mapi/MAPIDefs.h"

namespace {

using nlohmann::json;

bool ParseHex(const std::string& strText, size_t nDigits, uint64_t& value) {
    if (strText.size() != nDigits)
        return false;
    value = 0;
    for (char c : strText) {
        int n;
        if (c >= '0' && c <= '9')
            n = c - '0';
        else if (c >= 'a' && c <= 'f')
            n = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            n = c - 'A' + 10;
        else
            return false;
        value = value * 16 + (uint64_t)n;
    }
    return true;
}

// "00062004-0000-0000-C000-000000000046" in the usual textual GUID form.
bool ParseGuid(const std::string& strText, GUID& guid) {
    if (strText.size() != 36 || strText[8] != '-' || strText[13] != '-' || strText[18] != '-' ||
        strText[23] != '-')
        return false;
    uint64_t v;
    if (!ParseHex(strText.substr(0, 8), 8, v))
        return false;
    guid.Data1 = (DWORD)v;
    if (!ParseHex(strText.substr(9, 4), 4, v))
        return false;
    guid.Data2 = (WORD)v;
    if (!ParseHex(strText.substr(14, 4), 4, v))
        return false;
    guid.Data3 = (WORD)v;
    const std::string strTail = strText.substr(19, 4) + strText.substr(24, 12);
    for (int i = 0; i < 8; ++i) {
        if (!ParseHex(strTail.substr(i * 2, 2), 2, v))
            return false;
        guid.Data4[i] = (BYTE)v;
    }
    return true;
}

bool ParseTag(const std::string& strText, ULONG& ulTag) {
    uint64_t v;
    if (strText.size() != 10 || strText[0] != '0' || (strText[1] != 'x' && strText[1] != 'X') ||
        !ParseHex(strText.substr(2), 8, v))
        return false;
    ulTag = (ULONG)v;
    return true;
}

// The property types the duplicate index can compare (multi-valued ones it cannot).
struct PropTypeName {
    const char* pszName;
    ULONG ulType;
};
const PropTypeName PROP_TYPES[] = {{"PT_I2", PT_I2},
                                   {"PT_LONG", PT_LONG},
                                   {"PT_R4", PT_R4},
                                   {"PT_DOUBLE", PT_DOUBLE},
                                   {"PT_CURRENCY", PT_CURRENCY},
                                   {"PT_APPTIME", PT_APPTIME},
                                   {"PT_BOOLEAN", PT_BOOLEAN},
                                   {"PT_I8", PT_I8},
                                   {"PT_STRING8", PT_STRING8},
                                   {"PT_UNICODE", PT_UNICODE},
                                   {"PT_SYSTIME", PT_SYSTIME},
                                   {"PT_CLSID", PT_CLSID},
                                   {"PT_BINARY", PT_BINARY}};

bool ParsePropType(const std::string& strText, ULONG& ulType) {
    for (const PropTypeName& entry : PROP_TYPES) {
        if (strText == entry.pszName) {
            ulType = entry.ulType;
            return true;
        }
    }
    return false;
}

bool IsComparableType(ULONG ulType) {
    for (const PropTypeName& entry : PROP_TYPES) {
        if (entry.ulType == ulType)
            return true;
    }
    return false;
}

std::string Where(const CatalogItemType& type, size_t nIndex) {
    return "item type " + std::to_string(type.dwType) + ", property " + std::to_string(nIndex + 1);
}

bool ParseProperty(const json& jp, const CatalogItemType& type, size_t nIndex, CatalogProperty& prop,
                   std::string& strError) {
    const std::string strWhere = Where(type, nIndex);
    if (!jp.is_object()) {
        strError = strWhere + ": not an object";
        return false;
    }
    const std::string strKind = jp.value("kind", "");
    if (strKind == "std") {
        if (!jp.contains("tag") || !jp["tag"].is_string() ||
            !ParseTag(jp["tag"].get<std::string>(), prop.ulTag)) {
            strError = strWhere + ": \"tag\" must be a text like \"0x0037001E\"";
            return false;
        }
        if (!IsComparableType(PROP_TYPE(prop.ulTag))) {
            strError = strWhere + ": the tag's type cannot be compared";
            return false;
        }
    } else if (strKind == "named") {
        prop.bNamed = true;
        if (!jp.contains("guid") || !jp["guid"].is_string() ||
            !ParseGuid(jp["guid"].get<std::string>(), prop.guid)) {
            strError = strWhere + ": \"guid\" must be a text like \"00062004-0000-0000-C000-000000000046\"";
            return false;
        }
        ULONG ulType = 0;
        if (!jp.contains("type") || !jp["type"].is_string() ||
            !ParsePropType(jp["type"].get<std::string>(), ulType)) {
            strError = strWhere + ": \"type\" must name a comparable property type such as \"PT_STRING8\"";
            return false;
        }
        prop.ulTag = PROP_TAG(ulType, 0);
        const bool bHasID = jp.contains("id");
        const bool bHasName = jp.contains("name");
        if (bHasID == bHasName) {
            strError = strWhere + ": a named property has either \"id\" or \"name\"";
            return false;
        }
        if (bHasID) {
            if (!jp["id"].is_number_integer() || jp["id"].get<int64_t>() < 0 ||
                jp["id"].get<int64_t>() > 0xFFFFFFFFLL) {
                strError = strWhere + ": \"id\" must be a number";
                return false;
            }
            prop.lID = (LONG)(ULONG)jp["id"].get<int64_t>();
        } else {
            if (!jp["name"].is_string() || jp["name"].get<std::string>().empty()) {
                strError = strWhere + ": \"name\" must be a text";
                return false;
            }
            prop.bByName = true;
            prop.strName = jp["name"].get<std::string>();
        }
    } else {
        strError = strWhere + ": \"kind\" must be \"std\" or \"named\"";
        return false;
    }

    if (!jp.contains("sample") || !jp["sample"].is_string() || jp["sample"].get<std::string>().empty()) {
        strError = strWhere + ": \"sample\" is missing";
        return false;
    }
    prop.strSample = jp["sample"].get<std::string>();
    if (!jp.contains("textId") || !jp["textId"].is_number_integer()) {
        strError = strWhere + ": \"textId\" is missing";
        return false;
    }
    const int64_t nTextID = jp["textId"].get<int64_t>();
    if (nTextID < CATALOG_TEXT_ID_FIRST || nTextID > CATALOG_TEXT_ID_LAST) {
        strError = strWhere + ": \"textId\" lies outside " + std::to_string(CATALOG_TEXT_ID_FIRST) + "-" +
                   std::to_string(CATALOG_TEXT_ID_LAST);
        return false;
    }
    prop.lTextID = (LONG)nTextID;
    const json jNames = jp.value("displayName", json::object());
    if (!jNames.is_object() || !jNames.contains("en") || !jNames.contains("de") ||
        !jNames["en"].is_string() || !jNames["de"].is_string() || jNames["en"].get<std::string>().empty() ||
        jNames["de"].get<std::string>().empty()) {
        strError = strWhere + ": \"displayName\" needs \"en\" and \"de\" texts";
        return false;
    }
    prop.strEnglish = jNames["en"].get<std::string>();
    prop.strGerman = jNames["de"].get<std::string>();
    for (const std::string* pText : {&prop.strEnglish, &prop.strGerman}) {
        if (pText->find_first_of("\r\n") != std::string::npos) {
            strError = strWhere + ": a display name must be one line";
            return false;
        }
    }
    if ((jp.contains("selected") && !jp["selected"].is_boolean()) ||
        (jp.contains("excluded") && !jp["excluded"].is_boolean())) {
        strError = strWhere + ": \"selected\" and \"excluded\" are true or false";
        return false;
    }
    prop.bSelected = jp.value("selected", false);
    prop.bExcluded = jp.value("excluded", false);
    return true;
}

}  // namespace

bool ParsePropertyCatalog(const std::string& strText, PropertyCatalog& catalog, std::string& strError) {
    catalog.itemTypes.clear();
    json root;
    try {
        root = json::parse(strText);
    } catch (const json::exception& e) {
        strError = std::string("not valid JSON: ") + e.what();
        return false;
    }
    if (!root.is_object() || !root.contains("itemTypes") || !root["itemTypes"].is_array()) {
        strError = "\"itemTypes\" must be a list";
        return false;
    }
    std::set<DWORD> types;
    std::set<LONG> textIDs;
    for (const json& jt : root["itemTypes"]) {
        CatalogItemType type;
        if (!jt.is_object() || !jt.contains("type") || !jt["type"].is_number_integer() ||
            jt["type"].get<int64_t>() < 1 || jt["type"].get<int64_t>() > 6) {
            strError = "an item type needs \"type\" 1 to 6";
            return false;
        }
        type.dwType = (DWORD)jt["type"].get<int64_t>();
        if (!types.insert(type.dwType).second) {
            strError = "item type " + std::to_string(type.dwType) + " is listed twice";
            return false;
        }
        type.strSection = jt.value("section", "");
        type.strFile = jt.value("file", "");
        if (type.strSection.empty() || type.strFile.empty() || type.strFile.find('/') != std::string::npos) {
            strError =
                "item type " + std::to_string(type.dwType) + " needs \"section\" and a plain \"file\" name";
            return false;
        }
        if (!jt.contains("properties") || !jt["properties"].is_array()) {
            strError = "item type " + std::to_string(type.dwType) + " needs a \"properties\" list";
            return false;
        }
        const json& jProps = jt["properties"];
        std::set<std::string> keys;
        for (size_t i = 0; i < jProps.size(); ++i) {
            CatalogProperty prop;
            if (!ParseProperty(jProps[i], type, i, prop, strError))
                return false;
            const std::string strKey =
                prop.bNamed ? std::string(reinterpret_cast<const char*>(&prop.guid), sizeof(GUID)) +
                                  (prop.bByName ? "n:" + prop.strName : "i:" + std::to_string(prop.lID))
                            : "s:" + std::to_string(prop.ulTag);
            if (!keys.insert(strKey).second) {
                strError = Where(type, i) + ": the property is listed twice";
                return false;
            }
            if (!textIDs.insert(prop.lTextID).second) {
                strError = Where(type, i) + ": text id " + std::to_string(prop.lTextID) + " is used twice";
                return false;
            }
            type.properties.push_back(std::move(prop));
        }
        catalog.itemTypes.push_back(std::move(type));
    }
    return true;
}
