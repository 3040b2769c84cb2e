// What the item viewer is given: each value as one line, long binaries cut, named properties named.
#include <string>

#include "platform/automation/ItemSnapshot.h"
#include "platform/mapi/MAPIX.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace {

SPropValue Value(ULONG tag) {
    SPropValue v{};
    v.ulPropTag = tag;
    return v;
}

TEST(ItemSnapshot, ValuesAreOneLineOfText) {
    SPropValue v = Value(PROP_TAG(PT_UNICODE, 0x1000));
    v.Value.lpszW = const_cast<LPWSTR>(u"line one\r\nline\ttwo");
    EXPECT_EQ("line one  line two", FormatPropValue(v));

    v = Value(PROP_TAG(PT_SYSTIME, 0x3007));
    // 2020-02-29 12:34:56 UTC in FILETIME ticks.
    const ULONGLONG ticks = 116444736000000000ULL + 1582979696ULL * 10000000ULL;
    v.Value.ft = FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_EQ("2020-02-29 12:34:56 UTC", FormatPropValue(v));

    v = Value(PROP_TAG(PT_ERROR, 0x0037));
    v.Value.err = MAPI_E_NOT_FOUND;
    EXPECT_EQ("error 0x8004010F", FormatPropValue(v));

    LPSTR texts[] = {const_cast<LPSTR>("Red"), nullptr, const_cast<LPSTR>("Blue")};
    v = Value(PROP_TAG(PT_MV_STRING8, 0x9000));
    v.Value.MVszA = SLPSTRArray{3, texts};
    EXPECT_EQ("Red; ; Blue", FormatPropValue(v));
    EXPECT_EQ("PT_MV_STRING8", PropTypeName(PT_MV_STRING8));
    EXPECT_EQ("0x00000099", PropTypeName(0x99));
}

TEST(ItemSnapshot, BinaryValuesAreCutAfterSixtyFourBytes) {
    BYTE bytes[65];
    for (int i = 0; i < 65; ++i)
        bytes[i] = static_cast<BYTE>(i);
    SPropValue v = Value(PR_ENTRYID);
    v.Value.bin = SBinary{64, bytes};
    EXPECT_EQ(128u, FormatPropValue(v).size());
    v.Value.bin = SBinary{65, bytes};
    const std::string cut = FormatPropValue(v);
    EXPECT_EQ(0u, cut.find("000102"));
    // The 64 bytes shown end with 0x3F; the 65th (0x40) is only counted.
    EXPECT_EQ("3F... (65 bytes)", cut.substr(126));
    v.Value.bin = SBinary{0, nullptr};
    EXPECT_EQ("", FormatPropValue(v));
}

class ItemSnapshotStoreTest : public mapitest::MapiTest {};

TEST_F(ItemSnapshotStoreTest, NamedPropertiesCarryTheirSetAndId) {
    MakeProfile("P", "", "s.pst", "S");
    mapitest::Ref<IMAPISession> session(Logon("P"));
    mapitest::Ref<IMsgStore> store(OpenStore(session, "S"));
    mapitest::Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));

    GUID set = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    MAPINAMEID name{&set, MNID_ID, {0x8083}};
    LPMAPINAMEID names[1] = {&name};
    LPSPropTagArray lpTags = nullptr;
    ASSERT_EQ(S_OK, contacts->GetIDsFromNames(1, names, MAPI_CREATE, &lpTags));
    const ULONG tag = PROP_TAG(PT_UNICODE, PROP_ID(lpTags->aulPropTag[0]));
    MAPIFreeBuffer(lpTags);
    SPropValue email = Value(tag);
    email.Value.lpszW = const_cast<LPWSTR>(u"anna@example.org");
    const std::string entryId = AddMessage(contacts, "IPM.Contact", "Anna", {email});

    LPUNKNOWN unknown = nullptr;
    ASSERT_EQ(S_OK, mapitest::OpenById(store.p, entryId, 0, &unknown));
    mapitest::Ref<IUnknown> message(unknown);
    IMAPIProp* pProp = nullptr;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&pProp)));
    mapitest::Ref<IMAPIProp> item(pProp);

    CItemSnapshot snapshot;
    ASSERT_EQ(S_OK, ReadItemSnapshot(item, snapshot));
    EXPECT_EQ("IPM.Contact", snapshot.messageClass);
    EXPECT_EQ("Anna", snapshot.subject);
    bool found = false;
    for (const CItemProperty& property : snapshot.properties) {
        if (PROP_ID(property.ulTag) == PROP_ID(tag)) {
            found = true;
            EXPECT_NE(std::string::npos, property.name.find("{00062004-0000-0000-C000-000000000046} 0x8083"))
                << property.name;
            EXPECT_EQ("anna@example.org", property.value);
        }
    }
    EXPECT_TRUE(found);
    session->Logoff(0, 0, 0);
}

}  // namespace
