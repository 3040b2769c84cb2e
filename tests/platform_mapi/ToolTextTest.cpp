// The store tool's text forms and catalog on their own: times, GUIDs, hex, JSON values, catalogs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "platform/mapi/MAPIX.h"
#include "tests/support/HangGuard.h"
#include "tests/support/TempRoot.h"
#include "tools/store/Catalog.h"
#include "tools/store/ItemJson.h"
#include "tools/store/ToolText.h"

namespace {

using namespace qrvstore;

TEST(ToolText, TimesRoundTripFromTheEpochOnAndBadTimesAreRefused) {
    EXPECT_EQ("1601-01-01T00:00:00Z", FormatTime(0));
    EXPECT_EQ(116444736000000000LL, TicksFromDate(1970, 1, 1));
    EXPECT_EQ("2024-02-29T23:59:59.0000001Z", FormatTime(TicksFromDate(2024, 2, 29, 23, 59, 59) + 1));
    for (const char* text : {"1601-01-01T00:00:00Z", "1900-03-01T12:00:00Z", "2000-02-29T00:00:00.5Z",
                             "2038-01-19T03:14:08Z", "9999-12-31T23:59:59.9999999Z"}) {
        LONGLONG ticks = 0;
        ASSERT_TRUE(ParseTime(text, ticks)) << text;
        LONGLONG again = 0;
        ASSERT_TRUE(ParseTime(FormatTime(ticks), again)) << text;
        EXPECT_EQ(ticks, again) << text;
    }
    LONGLONG ticks = 0;
    EXPECT_TRUE(ParseTime("2000-02-29T00:00:00.5Z", ticks));
    EXPECT_EQ("2000-02-29T00:00:00.5000000Z", FormatTime(ticks));
    for (const char* bad : {"", "2024-13-01T00:00:00Z", "2024-01-01 00:00:00", "2024-01-01T00:00:00",
                            "2024-01-01T00:00:00.Z", "1500-01-01T00:00:00Z", "2024-01-01T00:00:00Zjunk"}) {
        EXPECT_FALSE(ParseTime(bad, ticks)) << bad;
    }
}

TEST(ToolText, GuidsHexAndTypeNames) {
    GUID guid{};
    ASSERT_TRUE(ParseGuid("{00062004-0000-0000-C000-000000000046}", guid));
    EXPECT_TRUE(IsEqualGUID(PSETID_Address, guid));
    EXPECT_EQ("00062004-0000-0000-C000-000000000046", FormatGuid(guid));
    ASSERT_TRUE(ParseGuid("0006200a-0000-0000-c000-000000000046", guid));
    EXPECT_TRUE(IsEqualGUID(PSETID_Log, guid));
    for (const char* bad :
         {"", "00062004-0000-0000-C000-00000000004", "00062004+0000-0000-C000-000000000046",
          "0006200G-0000-0000-C000-000000000046", "{00062004-0000-0000-C000-000000000046"}) {
        EXPECT_FALSE(ParseGuid(bad, guid)) << bad;
    }
    std::string bytes;
    ASSERT_TRUE(FromHex("00ff7Fa0", bytes));
    EXPECT_EQ(std::string("\x00\xFF\x7F\xA0", 4), bytes);
    EXPECT_EQ("00FF7FA0", ToHex(bytes));
    EXPECT_FALSE(FromHex("abc", bytes));
    EXPECT_FALSE(FromHex("zz", bytes));
    ULONG type = 0;
    ASSERT_TRUE(TypeFromName("PT_MV_UNICODE", type));
    EXPECT_EQ(PT_MV_UNICODE, type);
    ASSERT_TRUE(TypeFromName("PT_TSTRING", type));
    EXPECT_EQ(PT_STRING8, type);
    EXPECT_FALSE(TypeFromName("PT_OBJECT", type));
    EXPECT_EQ("PT_SYSTIME", NameOfType(PT_SYSTIME));
    EXPECT_NE(std::string::npos, DescribeResult(MAPI_E_FAILONEPROVIDER).find("password"));
    EXPECT_EQ("0x12345678", DescribeResult(0x12345678));
}

TEST(ToolText, JsonValuesThatDoNotFitTheirTypeAreRefusedWithAReason) {
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    LPVOID parent = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(8, &parent));
    SPropValue value{};
    std::string error;
    struct {
        ULONG m_tag;
        const char* m_json;
        const char* m_reason;
    } const cases[] = {
        {PR_IMPORTANCE, "\"high\"", "integer"},
        {PR_IMPORTANCE, "1.5", "integer"},
        {PR_HASATTACH, "1", "true or false"},
        {PR_SUBJECT_A, "7", "string"},
        {PR_LAST_MODIFICATION_TIME, "\"yesterday\"", "time"},
        {PR_ENTRYID, "\"0G\"", "hex"},
        {PROP_TAG(PT_CLSID, 0x6600), "\"nope\"", "GUID"},
        {PROP_TAG(PT_MV_LONG, 0x6600), "5", "array"},
        {PROP_TAG(PT_MV_LONG, 0x6600), "[1, \"x\"]", "element 1"},
        {PROP_TAG(PT_OBJECT, 0x6600), "1", "cannot be kept"},
        // Numbers too wide for their type are refused, not cut to their low bits.
        {PROP_TAG(PT_I2, 0x6600), "70000", "does not fit PT_I2"},
        {PROP_TAG(PT_I2, 0x6600), "-32769", "does not fit PT_I2"},
        {PROP_TAG(PT_LONG, 0x6600), "4294967297", "does not fit PT_LONG"},
        {PROP_TAG(PT_LONG, 0x6600), "-2147483649", "does not fit PT_LONG"},
        {PROP_TAG(PT_I8, 0x6600), "18446744073709551615", "does not fit PT_I8"},
        {PROP_TAG(PT_MV_I2, 0x6600), "[1, 32768]", "element 1: 32768 does not fit"},
        {PROP_TAG(PT_R4, 0x6600), "1e39", "does not fit PT_R4"},
        {PR_LAST_MODIFICATION_TIME, "9223372036854775808", "does not fit"},
    };
    for (const auto& c : cases) {
        error.clear();
        EXPECT_FALSE(ValueFromJson(c.m_tag, nlohmann::json::parse(c.m_json), parent, value, error))
            << c.m_json;
        EXPECT_NE(std::string::npos, error.find(c.m_reason)) << c.m_json << ": " << error;
    }
    // The edges of each integer type fit.
    const std::pair<ULONG, const char*> edges[] = {
        {PROP_TAG(PT_I2, 0x6600), "-32768"},
        {PROP_TAG(PT_I2, 0x6600), "32767"},
        {PROP_TAG(PT_LONG, 0x6600), "-2147483648"},
        {PROP_TAG(PT_LONG, 0x6600), "2147483647"},
        {PROP_TAG(PT_I8, 0x6600), "-9223372036854775808"},
        {PROP_TAG(PT_I8, 0x6600), "9223372036854775807"},
    };
    for (const auto& [tag, text] : edges) {
        ASSERT_TRUE(ValueFromJson(tag, nlohmann::json::parse(text), parent, value, error)) << text << error;
        EXPECT_EQ(nlohmann::json::parse(text), ValueToJson(value));
    }
    // Times may also be given as raw ticks, and come back as text.
    ASSERT_TRUE(ValueFromJson(PR_LAST_MODIFICATION_TIME, nlohmann::json(0), parent, value, error));
    EXPECT_EQ(nlohmann::json("1601-01-01T00:00:00Z"), ValueToJson(value));
    ASSERT_TRUE(ValueFromJson(PROP_TAG(PT_MV_BINARY, 0x6600), nlohmann::json::parse("[\"\", \"01\"]"), parent,
                              value, error));
    EXPECT_EQ(2u, value.Value.MVbin.cValues);
    EXPECT_EQ(0u, value.Value.MVbin.lpbin[0].cb);
    SPropValue failed{};
    failed.ulPropTag = CHANGE_PROP_TYPE(PR_SUBJECT_A, PT_ERROR);
    EXPECT_TRUE(ValueToJson(failed).is_null());
    MAPIFreeBuffer(parent);
    MAPIUninitialize();
}

TEST(Catalog, TheDefaultAndTheShippedCatalogLoadTypesAreFoundByAnyNameAndDamageIsReported) {
    std::vector<CCatalogType> catalog = DefaultCatalog();
    for (const char* word : {"contact", "Contacts", "1", "appointment", "calendar", "mail", "messages",
                             "note", "tasks", "journal", "6"}) {
        EXPECT_NE(nullptr, FindType(catalog, word)) << word;
    }
    EXPECT_EQ(nullptr, FindType(catalog, "spreadsheet"));
#ifdef QRV_CATALOG_PATH
    std::vector<CCatalogType> shipped = LoadCatalog(QRV_CATALOG_PATH);
    EXPECT_EQ(catalog.size(), shipped.size());
    for (const CCatalogType& type : shipped) {
        EXPECT_FALSE(type.m_properties.empty()) << type.m_name;
    }
#endif
    qrvtest::TempRoot root;
    const std::string type =
        R"({"itemTypes": [{"type": 1, "name": "C", "messageClass": "IPM.Contact", "folder": "Contacts", )";
    const std::pair<std::string, const char*> cases[] = {
        {"{", "not valid JSON"},
        {"{}", "itemTypes"},
        {R"({"itemTypes": [{"type": 1}]})", "messageClass"},
        {type + R"("properties": [{"kind": "std", "tag": "zz"}]}]})", "bad \"tag\""},
        {type +
             R"("properties": [{"kind": "named", "guid": "00062004-0000-0000-C000-000000000046", "type": "PT_LONG"}]}]})",
         "\"id\" or a \"name\""},
        {type + R"("properties": [{"kind": "odd"}]}]})", "unknown kind"},
    };
    for (const auto& [text, reason] : cases) {
        try {
            LoadCatalog(root.WriteFile("catalog.json", text));
            ADD_FAILURE() << text;
        } catch (const CToolError& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(reason)) << error.what();
        }
    }
    EXPECT_THROW(LoadCatalog(root.Path() + "/missing.json"), CToolError);
    // A FIFO named as the catalog is refused at once instead of waiting for a writer.
    const std::string fifo = root.Path() + "/catalog.fifo";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    qrvtest::HangGuard guard("reading a FIFO as the catalog");
    EXPECT_THROW(LoadCatalog(fifo), CToolError);
}

}  // namespace
