// Property lookups in the INI tables (Windows directory of a temporary root, Defaults.ini beside
// the test program) and the default selection of a type list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "model/ConfigInfo.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "tests/model/PropTestSupport.h"

using proptest::TraceCapture;

namespace {

const GUID kGuid = {0x04030201, 0x0605, 0x0807, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10}};
const char kSection[] = "TestSection";

class PropertyIniTest : public ::testing::Test {
protected:
    void TearDown() override { proptest::CloseTestLanguage(); }

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
    proptest::LoadTestLanguage(m_root, 6101, {"25\tSubject", "26\tE-mail address"});
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
