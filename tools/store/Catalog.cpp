// Loading of the property catalog, with a built-in default of the same shape.
#include "tools/store/Catalog.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/win32/AtomicFile.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

using nlohmann::json;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::vector<CCatalogType> FromJson(const json& doc, const std::string& source) {
    auto fail = [&](const std::string& what) { return CToolError(source + ": " + what); };
    if (!doc.is_object() || !doc.contains("itemTypes") || !doc["itemTypes"].is_array()) {
        throw fail("no \"itemTypes\" array");
    }
    std::vector<CCatalogType> catalog;
    for (const json& t : doc["itemTypes"]) {
        CCatalogType type;
        if (!t.is_object() || !t.value("type", json()).is_number_integer() ||
            !t.value("name", json()).is_string() || !t.value("messageClass", json()).is_string() ||
            !t.value("folder", json()).is_string()) {
            throw fail("an item type needs \"type\", \"name\", \"messageClass\" and \"folder\"");
        }
        type.m_type = t["type"].get<int>();
        type.m_name = t["name"].get<std::string>();
        type.m_messageClass = t["messageClass"].get<std::string>();
        type.m_folder = t["folder"].get<std::string>();
        for (const json& p : t.value("properties", json::array())) {
            CCatalogProperty prop;
            std::string where = type.m_name + " property " + std::to_string(type.m_properties.size() + 1);
            if (!p.is_object() || !p.value("kind", json()).is_string()) {
                throw fail(where + ": no \"kind\"");
            }
            prop.m_sample = p.value("sample", std::string("subject"));
            if (p["kind"] == "std") {
                std::string tag = p.value("tag", std::string());
                char* end = nullptr;
                unsigned long value = std::strtoul(tag.c_str(), &end, 16);
                if (tag.empty() || *end != '\0' || value > 0xFFFFFFFFul) {
                    throw fail(where + ": bad \"tag\"");
                }
                prop.m_tag = static_cast<ULONG>(value);
            } else if (p["kind"] == "named") {
                prop.m_named = true;
                ULONG ptype = 0;
                if (!ParseGuid(p.value("guid", std::string()), prop.m_guid) ||
                    !TypeFromName(p.value("type", std::string()), ptype)) {
                    throw fail(where + ": a named property needs a \"guid\" and a \"type\"");
                }
                prop.m_tag = PROP_TAG(ptype, 0);
                if (p.contains("id") && p["id"].is_number_integer()) {
                    prop.m_kind = MNID_ID;
                    prop.m_id = p["id"].get<LONG>();
                } else if (p.contains("name") && p["name"].is_string()) {
                    prop.m_kind = MNID_STRING;
                    prop.m_name = p["name"].get<std::string>();
                } else {
                    throw fail(where + ": a named property needs an \"id\" or a \"name\"");
                }
            } else {
                throw fail(where + ": unknown kind");
            }
            type.m_properties.push_back(std::move(prop));
        }
        catalog.push_back(std::move(type));
    }
    return catalog;
}

const char* const kDefaultCatalog = R"json({ "itemTypes": [
  { "type": 1, "name": "Contact", "messageClass": "IPM.Contact", "folder": "Contacts", "properties": [
    { "kind": "std", "tag": "0x3A06001E", "sample": "givenName" },
    { "kind": "std", "tag": "0x3A11001E", "sample": "surname" },
    { "kind": "std", "tag": "0x3001001E", "sample": "fullName" },
    { "kind": "std", "tag": "0x3A16001E", "sample": "company" },
    { "kind": "std", "tag": "0x3A08001E", "sample": "phone" },
    { "kind": "std", "tag": "0x3A420040", "sample": "birthday" },
    { "kind": "named", "guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8",
      "sample": "email" } ] },
  { "type": 2, "name": "Appointment", "messageClass": "IPM.Appointment", "folder": "Calendar", "properties": [
    { "kind": "std", "tag": "0x0037001E", "sample": "subject" },
    { "kind": "named", "guid": "00062002-0000-0000-C000-000000000046", "id": 33293, "type": "PT_SYSTIME",
      "sample": "dateTime" },
    { "kind": "named", "guid": "00062002-0000-0000-C000-000000000046", "id": 33288, "type": "PT_STRING8",
      "sample": "location" } ] },
  { "type": 3, "name": "Mail", "messageClass": "IPM.Note", "folder": "Inbox", "properties": [
    { "kind": "std", "tag": "0x0037001E", "sample": "subject" },
    { "kind": "std", "tag": "0x0C1A001E", "sample": "fullName" },
    { "kind": "std", "tag": "0x0E060040", "sample": "dateTime" },
    { "kind": "std", "tag": "0x1035001E", "sample": "messageId" } ] },
  { "type": 4, "name": "Note", "messageClass": "IPM.StickyNote", "folder": "Notes", "properties": [
    { "kind": "std", "tag": "0x0037001E", "sample": "subject" },
    { "kind": "std", "tag": "0x1000001E", "sample": "body" } ] },
  { "type": 5, "name": "Task", "messageClass": "IPM.Task", "folder": "Tasks", "properties": [
    { "kind": "std", "tag": "0x0037001E", "sample": "subject" },
    { "kind": "named", "guid": "00062003-0000-0000-C000-000000000046", "id": 33029, "type": "PT_SYSTIME",
      "sample": "date" },
    { "kind": "named", "guid": "00062003-0000-0000-C000-000000000046", "id": 33026, "type": "PT_DOUBLE",
      "sample": "percent" } ] },
  { "type": 6, "name": "Journal", "messageClass": "IPM.Activity", "folder": "Journal", "properties": [
    { "kind": "std", "tag": "0x0037001E", "sample": "subject" },
    { "kind": "named", "guid": "0006200A-0000-0000-C000-000000000046", "id": 34566, "type": "PT_SYSTIME",
      "sample": "dateTime" } ] } ] })json";

std::string ProgramDirectory() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) {
        return ".";
    }
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

}  // namespace

std::vector<CCatalogType> LoadCatalog(const std::string& path) {
    // Read as the other input files are: a FIFO or a device named as the catalog is refused at once.
    std::string text;
    if (!qrvfile::ReadWholeFile(path, text)) {
        int err = errno;
        throw CToolError("cannot read the catalog " + path + ": " +
                         (err == EINVAL ? "it is not a regular file" : std::strerror(err)));
    }
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded()) {
        throw CToolError(path + ": not valid JSON");
    }
    return FromJson(doc, path);
}

std::vector<CCatalogType> DefaultCatalog() {
    return FromJson(json::parse(kDefaultCatalog), "built-in catalog");
}

std::vector<CCatalogType> FindCatalog(const std::string& explicitPath) {
    if (!explicitPath.empty()) {
        return LoadCatalog(explicitPath);
    }
    std::string beside = ProgramDirectory() + "/PropertyCatalog.json";
    if (access(beside.c_str(), R_OK) == 0) {
        return LoadCatalog(beside);
    }
    return DefaultCatalog();
}

const CCatalogType* FindType(const std::vector<CCatalogType>& catalog, const std::string& word) {
    std::string w = Lower(word);
    for (const CCatalogType& type : catalog) {
        std::string name = Lower(type.m_name);
        if (w == name || w == name + "s" || w == std::to_string(type.m_type) || w == Lower(type.m_folder)) {
            return &type;
        }
    }
    // The common words for mails and journal entries.
    if (w == "mail" || w == "mails" || w == "message" || w == "messages") {
        return FindType(catalog, "3");
    }
    if (w == "journal" || w == "journals") {
        return FindType(catalog, "6");
    }
    return nullptr;
}

}  // namespace qrvstore
