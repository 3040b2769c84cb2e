// Property identifiers: records byte for byte, version and length checks, selectors, store tags, and
// lookups in the INI tables (Windows directory of a temporary root, Defaults.ini beside the test
// program) with the default selection of a type list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/ConfigInfo.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "platform/mapi/MAPITestHooks.h"
#include "tests/model/FakeMsgStore.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

// The GUID whose bytes in memory are 01 02 .. 10.
const GUID kGuid = {0x04030201, 0x0605, 0x0807, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10}};
const char kGuidHex[] = "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10";

std::string Selector(CPropertyID& prop, HRESULT* phr = nullptr) {
    LPSTR psz = nullptr;
    HRESULT hr = prop.BuildTextSelector(&psz);
    if (phr != nullptr)
        *phr = hr;
    std::string s = psz != nullptr ? psz : "<null>";
    free(psz);
    return s;
}

TEST(PropertyIDTest, RecordBytesAndRoundTrips) {
    CStdPropertyID* pProp = new CStdPropertyID(0, 0x0037001E);
    pProp->AddRef();
    pProp->SetSelected(TRUE);
    const std::string expected =
        NewClassTag("CStdPropertyID") + Hex("01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
    EXPECT_EQ(ToHex(expected), ToHex(StoreRecord(pProp)));
    pProp->Release();
    CStdPropertyID* pLoaded = dynamic_cast<CStdPropertyID*>(LoadRecord(expected, RUNTIME_CLASS(CPropertyID)));
    ASSERT_NE(nullptr, pLoaded);
    EXPECT_EQ(0x0037001Eu, pLoaded->GetTag());
    EXPECT_TRUE(pLoaded->IsSelected());
    delete pLoaded;

    CNamedPropertyID byNumber(7, &kGuid, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_UNICODE, 0));
    EXPECT_EQ(ToHex(Hex("01 00 00 00 00 00 00 00 07 00 00 00 01 00 00 00 1F 00 00 00 10 00 00 00") +
                    Hex(kGuidHex) + Hex("00 00 00 00 05 80 00 00")),
              ToHex(SerializeTo(byNumber)));
    CNamedPropertyID byName(0, &kGuid, MNID_STRING, 0, u"Keyé", PROP_TAG(PT_LONG, 0x8001));
    byName.SetSelected(TRUE);
    EXPECT_EQ(ToHex(Hex("01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 03 00 00 00 10 00 00 00") +
                    Hex(kGuidHex) + Hex("01 00 00 00 04 00 00 00 4B 00 65 00 79 00 E9 00")),
              ToHex(SerializeTo(byName)));
    CNamedPropertyID loaded;
    SerializeFrom(loaded, SerializeTo(byName));
    MAPINAMEID id = loaded.GetNameID();
    ASSERT_NE(nullptr, id.lpguid);
    EXPECT_EQ(0, std::memcmp(id.lpguid, &kGuid, 16));
    EXPECT_EQ((ULONG)MNID_STRING, id.ulKind);
    EXPECT_EQ(std::u16string(u"Keyé"), std::u16string(id.Kind.lpwstrName));
    EXPECT_EQ(PT_LONG, loaded.GetPropType());
    EXPECT_TRUE(loaded.IsSelected());
}

TEST(PropertyIDTest, MissingGuidAndNameAreSavedEmptyAndLoadNull) {
    CNamedPropertyID empty;  // no GUID, number 0, type 10
    EXPECT_EQ(
        ToHex(Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 0A 00 00 00") + std::string(12, '\0')),
        ToHex(SerializeTo(empty)));
    CNamedPropertyID loaded(1, &kGuid, MNID_ID, 1, nullptr, 0);
    SerializeFrom(loaded, SerializeTo(empty));
    EXPECT_EQ(nullptr, loaded.GetNameID().lpguid);
    HRESULT hr = S_OK;
    EXPECT_EQ("<null>", Selector(loaded, &hr));
    EXPECT_EQ(E_UNEXPECTED, hr);

    CNamedPropertyID noName(0, &kGuid, MNID_STRING, 0, nullptr, 0);
    const std::string bytes = SerializeTo(noName);
    EXPECT_EQ(ToHex(Hex("01 00 00 00 00 00 00 00")), ToHex(bytes.substr(bytes.size() - 8)));
    SerializeFrom(loaded, bytes);
    EXPECT_EQ((ULONG)MNID_STRING, loaded.GetNameID().ulKind);
    EXPECT_EQ(nullptr, loaded.GetNameID().Kind.lpwstrName);
    EXPECT_EQ("<null>", Selector(loaded, &hr));
    EXPECT_EQ(E_UNEXPECTED, hr);
}

TEST(PropertyIDTest, UnknownVersionsAndDamagedRecordsStopTheLoad) {
    CStdPropertyID prop(5, 0x1234001E);
    prop.SetSelected(TRUE);
    EXPECT_EQ("notsupported", Outcome([&] { SerializeFrom(prop, Hex("02 00 00 00 01 00 00 00")); }));
    EXPECT_FALSE(prop.IsSelected());
    EXPECT_EQ(0u, prop.GetContext());
    // A derived part of an unknown version stops the load too: its fields must not be read as
    // the next record of the list.
    EXPECT_EQ("notsupported", Outcome([&] {
                  SerializeFrom(prop, Hex("01 00 00 00 01 00 00 00 00 00 00 00 02 00 00 00 1E 00 37 00"));
              }));
    EXPECT_EQ(0u, prop.GetTag());
    CNamedPropertyID named(0, &kGuid, MNID_ID, 3, nullptr, 0);
    EXPECT_EQ("notsupported",
              Outcome([&] { SerializeFrom(named, Hex("01 00 00 00 00 00 00 00 00 00 00 00 07 00 00 00")); }));
    EXPECT_EQ(nullptr, named.GetNameID().lpguid);

    const std::string head = Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 1F 00 00 00");
    const struct {
        const char* pszTail;
        const char* pszOutcome;
    } damaged[] = {
        {"05 00 00 00 01 02 03 04 05 00 00 00 00 00 00 00 00", "archive:1"},  // a GUID of 5 bytes
        {"10 00 00 00 01 02", "archive:3"},
        {"00 00 00 00 01 00 00 00 FF FF FF 7F 41 00", "archive:3"},  // refused before allocating
        {"00 00 00 00 02 00 00 00 00 00 00 00", "notsupported"},
        {"00 00 00 00 00 00 00 00 05", "archive:3"},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.pszTail);
        EXPECT_EQ(d.pszOutcome, Outcome([&] { SerializeFrom(named, head + Hex(d.pszTail)); }));
        EXPECT_EQ(nullptr, named.GetNameID().lpguid);
    }
}

TEST(PropertyIDTest, SelectorsAndConstruction) {
    const GUID address = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    CStdPropertyID subject(0, 0x3001001E), high(0, 0x8000000B);
    CNamedPropertyID byNumber(0, &kGuid, MNID_ID, 0x8005, nullptr, 0);
    CNamedPropertyID email(0, &address, MNID_ID, 0x8083, nullptr, 0);
    CNamedPropertyID byName(0, &kGuid, MNID_STRING, 0, u"Grüße", 0);
    EXPECT_EQ("0x3001001e", Selector(subject));
    EXPECT_EQ("0x8000000b", Selector(high));
    EXPECT_EQ("{04030201-0605-0807-090A-0B0C0D0E0F10},0x00008005", Selector(byNumber));
    EXPECT_EQ("{00062004-0000-0000-C000-000000000046},0x00008083", Selector(email));
    EXPECT_EQ("{04030201-0605-0807-090A-0B0C0D0E0F10},Grüße", Selector(byName));
    EXPECT_EQ(E_INVALIDARG, subject.BuildTextSelector(nullptr));
    EXPECT_EQ(E_INVALIDARG, byName.BuildTextSelector(nullptr));

    EXPECT_EQ("notsupported", Outcome([] { CNamedPropertyID p(0, nullptr, MNID_ID, 1, nullptr, 0); }));
    EXPECT_EQ("notsupported", Outcome([] { CNamedPropertyID p(0, &kGuid, 7, 1, nullptr, 0); }));
    ULONG ulTag = 1;
    EXPECT_EQ(S_OK, subject.GetPropertyID(nullptr, &ulTag));
    EXPECT_EQ(0x3001001Eu, ulTag);
}

TEST(PropertyIDTest, NamedTagIsTheStoresIdWithTheHeldType) {
    const LONG lBuffers = CMAPITestHooks::LiveBuffers();
    CFakeMsgStore store;
    CNamedPropertyID prop(0, &kGuid, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_UNICODE, 0));
    // The store answers with type bits of its own: only the id may be taken from it.
    store.m_tags = {PROP_TAG(PT_LONG, 0x8042)};
    ULONG ulTag = 0;
    ASSERT_EQ(S_OK, prop.GetPropertyID(&store, &ulTag));
    EXPECT_EQ(PROP_TAG(PT_UNICODE, 0x8042), ulTag);
    EXPECT_EQ(MAPI_CREATE, store.m_ulFlags);
    EXPECT_EQ(prop.GetNameID().lpguid, store.m_lastName.lpguid);
    EXPECT_EQ(0x8005, store.m_lastName.Kind.lID);

    EXPECT_EQ(E_INVALIDARG, prop.GetPropertyID(nullptr, &ulTag));
    EXPECT_EQ(0u, ulTag);
    store.m_tags = {PROP_TAG(PT_ERROR, 0)};
    ulTag = 5;
    EXPECT_EQ(MAPI_E_NOT_FOUND, prop.GetPropertyID(&store, &ulTag));
    EXPECT_EQ(0u, ulTag);
    store.m_tags = {PROP_TAG(PT_LONG, 0x8001), PROP_TAG(PT_LONG, 0x8002)};
    EXPECT_EQ(E_UNEXPECTED, prop.GetPropertyID(&store, &ulTag));
    store.m_bNullArray = true;
    EXPECT_EQ(E_UNEXPECTED, prop.GetPropertyID(&store, &ulTag));
    store.m_hrAnswer = MAPI_E_NO_SUPPORT;
    EXPECT_EQ(MAPI_E_NO_SUPPORT, prop.GetPropertyID(&store, &ulTag));
    EXPECT_EQ(lBuffers, CMAPITestHooks::LiveBuffers()) << "the tag array was not freed";
}

const char kSection[] = "TestSection";

class PropertyIniTest : public ::testing::Test {
protected:
    void TearDown() override { CloseTestLanguage(); }

    void WriteIni(const std::string& name, const std::string& body) {
        m_root.WriteFile("windows/" + name, "[" + std::string(kSection) + "]\n" + body);
    }
    static std::string Name(CPropertyID& prop, HRESULT* phr = nullptr) {
        LPSTR psz = reinterpret_cast<LPSTR>(1);
        HRESULT hr = prop.GetShortPropertyName(&psz, kSection, KEYTABLE_INI_FILE);
        if (phr != nullptr)
            *phr = hr;
        std::string s = psz != nullptr ? psz : "<null>";
        free(psz);
        return s;
    }
    static LONG TextID(CPropertyID& prop) {
        LONG l = -1;
        EXPECT_EQ(S_OK, prop.GetTextID(&l, kSection, KEYTABLE_INI_FILE));
        return l;
    }

    qrvtest::TempRoot m_root;
};

TEST_F(PropertyIniTest, TextNumbersAreReadWholeAndLikeAtoi) {
    WriteIni(KEYTABLE_INI_FILE,
             "0x0037001e=25\n"
             "0x3001001e=0000000000000000000000042\n"  // 25 characters: the buffer grows twice
             "0x0e060040=abc\n"
             "0x0e070003=  -12xyz\n"
             "0x0e080003=99999999999999\n");
    const std::pair<ULONG, LONG> cases[] = {{0x0037001E, 25},  {0x3001001E, 42},         {0x0E060040, 0},
                                            {0x0E070003, -12}, {0x0E080003, 0x7FFFFFFF}, {0x12340003, 0}};
    for (const auto& [ulTag, lTextID] : cases) {
        CStdPropertyID prop(0, ulTag);
        EXPECT_EQ(lTextID, TextID(prop)) << std::hex << ulTag;
    }
    CStdPropertyID subject(0, 0x0037001E);

    LONG l = 0;
    LPSTR psz = nullptr;
    BOOL b = TRUE;
    EXPECT_EQ(E_INVALIDARG, subject.GetTextID(&l, nullptr, KEYTABLE_INI_FILE));
    EXPECT_EQ(E_INVALIDARG, subject.GetShortPropertyName(&psz, kSection, nullptr));
    EXPECT_EQ(E_INVALIDARG, subject.IsExcludedProperty(&b, nullptr));
    EXPECT_FALSE(b);
}

TEST_F(PropertyIniTest, NamesComeFromTheLanguageUnlessExcludedOrUnnumbered) {
    LoadTestLanguage(m_root, 6101, {"25\tSubject", "26\tE-mail address"});
    CNamedPropertyID email(0, &kGuid, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_UNICODE, 0));
    CNamedPropertyID keywords(0, &kGuid, MNID_STRING, 0, u"Keywords", PROP_TAG(PT_MV_UNICODE, 0));
    CStdPropertyID subject(0, 0x0037001E), body(0, 0x1000001E), size(0, 0x0E080003);
    WriteIni(KEYTABLE_INI_FILE,
             "0x0037001e=25\n"
             "0x1000001e=25\n"
             "0x0e080003=abc\n"
             "{04030201-0605-0807-090A-0B0C0D0E0F10},0x00008005=26\n");
    WriteIni(EXCLUSION_INI_FILE, "0x1000001e=1\n");

    EXPECT_EQ("Subject", Name(subject));
    EXPECT_EQ("E-mail address", Name(email));
    // No text number: a standard property has no name, a named one shows its selector.
    HRESULT hr = E_FAIL;
    EXPECT_EQ("<null>", Name(size, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ("{04030201-0605-0807-090A-0B0C0D0E0F10},Keywords", Name(keywords));
    // A text number the language does not have is a failure of the lookup.
    WriteIni(KEYTABLE_INI_FILE, "0x0037001e=31\n");
    EXPECT_EQ("<null>", Name(subject, &hr));
    EXPECT_TRUE(FAILED(hr));

    // Excluded: no name, and the key table is not even asked.
    {
        TraceCapture trace(4);
        EXPECT_EQ("<null>", Name(body, &hr));
        EXPECT_EQ(S_OK, hr);
        EXPECT_FALSE(trace.Contains("GetTextID"));
    }
    BOOL bExcluded = FALSE;
    EXPECT_EQ(S_OK, body.IsExcludedProperty(&bExcluded, kSection));
    EXPECT_TRUE(bExcluded);
    EXPECT_EQ(S_OK, body.IsExcludedProperty(&bExcluded, "OtherSection"));
    EXPECT_FALSE(bExcluded);
}

// A configuration whose INI section is the test section.
class CTestConfig : public CConfigInfo {
public:
    HRESULT m_hrSection = S_OK;
    HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection) override {
        *ppszSection = nullptr;
        if (FAILED(m_hrSection))
            return m_hrSection;
        *ppszSection = strdup(kSection);
        return S_OK;
    }
};

TEST_F(PropertyIniTest, DefaultSelectionSetsEveryFlag) {
    CPropTypeList* pList = new CPropTypeList;
    pList->AddRef();
    CStdPropertyID* subject = new CStdPropertyID(0, 0x0037001E);
    CStdPropertyID* name = new CStdPropertyID(0, 0x3001001E);
    CNamedPropertyID* email = new CNamedPropertyID(0, &kGuid, MNID_ID, 0x8005, nullptr, 0);
    CNamedPropertyID* unknown = new CNamedPropertyID(0, &kGuid, MNID_ID, 0x8099, nullptr, 0);
    CNamedPropertyID* keywords = new CNamedPropertyID(0, &PS_PUBLIC_STRINGS, MNID_STRING, 0, u"Keywords", 0);
    CPropertyID* all[] = {subject, name, email, unknown, keywords};
    for (CPropertyID* p : all) {
        p->AddRef();
        ASSERT_EQ(S_OK, pList->InsertProperty(p));
    }
    name->SetSelected(TRUE);
    unknown->SetSelected(TRUE);

    CTestConfig config;
    ASSERT_EQ(S_OK, pList->SelectDefaultProperties(&config));
    EXPECT_TRUE(subject->IsSelected());
    EXPECT_FALSE(name->IsSelected());  // chosen before, not selected by default: reset
    EXPECT_TRUE(email->IsSelected());
    EXPECT_FALSE(unknown->IsSelected());
    EXPECT_TRUE(keywords->IsSelected());  // any value but 0 selects
    EXPECT_NE(std::string::npos,
              std::string(CPropertyID::GetDefaultsFilePath()).find("propbin/Defaults.ini"));

    EXPECT_EQ(E_UNEXPECTED, pList->SelectDefaultProperties(nullptr));
    config.m_hrSection = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, pList->SelectDefaultProperties(&config));

    // Only the type list selects; a keyed list answers success and changes nothing.
    CStdPropList* pStd = new CStdPropList;
    pStd->AddRef();
    ASSERT_EQ(S_OK, pStd->InsertProperty(name));
    EXPECT_EQ(S_OK, pStd->SelectDefaultProperties(&config));
    EXPECT_FALSE(name->IsSelected());
    pStd->Release();

    for (CPropertyID* p : all)
        p->Release();
    pList->Release();
}

}  // namespace
