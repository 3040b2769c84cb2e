// Configurations: the id counter, the six item types, modes, observers, values and the record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "model/AppointmentInfo.h"
#include "model/ConfigInfo.h"
#include "model/ContactInfo.h"
#include "model/JournalInfo.h"
#include "model/MailInfo.h"
#include "model/NoteInfo.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "model/TaskInfo.h"
#include "platform/afx/CException.h"
#include "platform/win32/Module.h"
#include "tests/model/ArchiveBytes.h"
#include "tests/model/UiDoubles.h"
#include "tests/support/TraceCapture.h"

using namespace qrvtest;

namespace {

// Releases a configuration at the end of a scope.
struct ConfigPtr {
    CConfigInfo* p = nullptr;
    ~ConfigPtr() {
        if (p != nullptr)
            p->Release();
    }
    CConfigInfo* operator->() const { return p; }
};

std::string TextOf(LPSTR psz) {
    std::string s = psz != nullptr ? psz : "";
    free(psz);
    return s;
}

int CountProperties(CConfigInfo* pConfig) {
    CPropertyList* pList = nullptr;
    EXPECT_EQ(S_OK, pConfig->GetPropertyList(&pList));
    if (pList == nullptr)
        return -1;
    int n = 0;
    CPropertyID* pProp = nullptr;
    for (HRESULT hr = pList->GetFirstProperty(&pProp); SUCCEEDED(hr) && pProp != nullptr;
         hr = pList->GetNextProperty(&pProp)) {
        ++n;
        pProp->Release();
        pProp = nullptr;
    }
    pList->Release();
    return n;
}

// A configuration whose default property file name a test chooses.
class CFileConfig : public CConfigInfo {
public:
    CFileConfig(std::string strFile, CQuorvelDoc* pDoc)
        : CConfigInfo(3, "File test", pDoc), m_strFile(strFile) {
        AddRef();
    }
    HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile) override {
        return CopyTypeText(m_strFile.c_str(), ppszFile, "");
    }

private:
    std::string m_strFile;
};

// A cached result double: counts its references like the engine's result list.
struct FakeResult {
    ULONG AddRef() { return ++nRef; }
    ULONG Release() { return --nRef; }
    ULONG nRef = 1;
};

// Loads the stored record of a mail configuration with another id written into it.
CConfigInfo* LoadWithID(CConfigInfo* pMail, ULONG ulID) {
    std::string bytes = StoreRecord(pMail);
    bytes.replace(NewClassTag("CMailInfo").size() + 4, 4, Dword(ulID));
    CConfigInfo* pLoaded = static_cast<CConfigInfo*>(LoadRecord(bytes, RUNTIME_CLASS(CConfigInfo)));
    EXPECT_NE(nullptr, pLoaded);
    if (pLoaded != nullptr)
        pLoaded->AddRef();
    return pLoaded;
}

}  // namespace

TEST(ConfigID, CountsUpNeverBelowALoadedIdAndRenumbersUnusableOnes) {
    CQuorvelDoc doc;
    ConfigPtr a, b;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("a", 3, &doc, &a.p));
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("b", 3, &doc, &b.p));
    EXPECT_EQ(a->GetConfigID() + 1, b->GetConfigID());
    EXPECT_EQ(b->GetConfigID(), CConfigInfo::GetConfigIDCounter());

    // Loading ids base+7 then base+2 leaves the counter at base+8; the next new id is base+9.
    const ULONG base = CConfigInfo::GetConfigIDCounter() + 100;
    for (ULONG id : {base + 7, base + 2}) {
        ConfigPtr loaded{LoadWithID(a.p, id)};
        ASSERT_NE(nullptr, loaded.p);
        EXPECT_EQ(id, loaded->GetConfigID());
    }
    EXPECT_EQ(base + 8, CConfigInfo::GetConfigIDCounter());
    EXPECT_EQ(base + 9, CConfigInfo::NextConfigID());

    for (ULONG id : {0u, 0xFFFFFFFFu, CONFIG_ID_LIMIT}) {
        const ULONG before = CConfigInfo::GetConfigIDCounter();
        ConfigPtr loaded{LoadWithID(a.p, id)};
        ASSERT_NE(nullptr, loaded.p);
        EXPECT_EQ(before + 1, loaded->GetConfigID()) << "loaded id " << id;
        EXPECT_EQ(before + 1, CConfigInfo::GetConfigIDCounter());
    }
}

TEST(ConfigTypes, EachTypeHasItsClassSectionAndDefaultFile) {
    struct Expected {
        DWORD dwType;
        const CRuntimeClass* pClass;
        const char* pszSection;
        const char* pszFile;
    };
    const Expected types[] = {{1, RUNTIME_CLASS(CContactInfo), "Kontakte", "Kontakt.qrvv"},
                              {2, RUNTIME_CLASS(CAppointmentInfo), "Kalender", "Kalender.qrvv"},
                              {3, RUNTIME_CLASS(CMailInfo), "Mails", "Mail.qrvv"},
                              {4, RUNTIME_CLASS(CNoteInfo), "Notizen", "Notiz.qrvv"},
                              {5, RUNTIME_CLASS(CTaskInfo), "Aufgaben", "Aufgaben.qrvv"},
                              {6, RUNTIME_CLASS(CJournalInfo), "Journale", "Journal.qrvv"}};
    CQuorvelDoc doc;
    for (const Expected& e : types) {
        ConfigPtr config;
        ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("x", e.dwType, &doc, &config.p));
        EXPECT_EQ(e.pClass, config->GetRuntimeClass());
        EXPECT_EQ(e.dwType, config->GetConfigType());
        EXPECT_TRUE(config->IsNewConfig());
        LPSTR psz = nullptr;
        ASSERT_EQ(S_OK, config->GetShortNameConfigSectionName(&psz));
        EXPECT_EQ(e.pszSection, TextOf(psz));
        ASSERT_EQ(S_OK, config->GetFullPropertyFileName(&psz));
        EXPECT_EQ(GetProgramDirectory() + e.pszFile, TextOf(psz));
        // The build puts every type's default properties beside the program.
        EXPECT_GT(CountProperties(config.p), 0) << e.pszFile;
    }

    // Bad arguments are refused and leave no configuration behind.
    const struct {
        const char* pszName;
        DWORD dwType;
        CQuorvelDoc* pDoc;
    } bad[] = {{"", 3, &doc}, {"x", 3, nullptr}, {"x", 0, &doc}, {"x", 7, &doc}};
    for (const auto& b : bad) {
        CConfigInfo* pConfig = reinterpret_cast<CConfigInfo*>(0x1);
        EXPECT_EQ(E_INVALIDARG, CConfigInfo::CreateConfigInfo(b.pszName, b.dwType, b.pDoc, &pConfig));
        EXPECT_EQ(nullptr, pConfig);
    }
    EXPECT_EQ(E_INVALIDARG, CConfigInfo::CreateConfigInfo("x", 3, &doc, nullptr));
}

TEST(ConfigProperties, MissingFileMeansNoListAndDamagedFileFails) {
    CQuorvelDoc doc;
    CFileConfig* pMissing = new CFileConfig("NoSuchFile.qrvv", &doc);
    EXPECT_EQ(S_OK, pMissing->LoadProperties());
    CPropertyList* pList = reinterpret_cast<CPropertyList*>(0x1);
    EXPECT_EQ(S_OK, pMissing->GetPropertyList(&pList));
    EXPECT_EQ(nullptr, pList);
    pMissing->Release();

    // A cut copy of a real default file beside the program.
    std::ifstream in(GetProgramDirectory() + "Mail.qrvv", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 40u);
    const std::string strName = "damaged-" + std::to_string(getpid()) + ".qrvv";
    const std::string strPath = GetProgramDirectory() + strName;
    std::ofstream(strPath, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    CFileConfig* pDamaged = new CFileConfig(strName, &doc);
    EXPECT_EQ(E_FAIL, pDamaged->LoadProperties());
    EXPECT_EQ(S_OK, pDamaged->GetPropertyList(&pList));
    EXPECT_EQ(nullptr, pList);
    pDamaged->Release();
    remove(strPath.c_str());
}

TEST(ConfigModes, MarkTheDocumentOnlyWhenTheValueChanges) {
    CQuorvelDoc doc;
    ConfigPtr config;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("x", 3, &doc, &config.p));
    config->SetCompareMode(0);
    config->SetProcessingMode(0);
    EXPECT_FALSE(doc.IsModified());
    config->SetCompareMode(1);
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(FALSE);
    config->SetCompareMode(1);
    EXPECT_FALSE(doc.IsModified());
    config->SetProcessingMode(1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(1u, config->GetCompareMode());
    EXPECT_EQ(1u, config->GetProcessingMode());

    // Names and passwords leave the marking to their callers.
    doc.SetModifiedFlag(FALSE);
    EXPECT_EQ(S_OK, config->SetConfigName("renamed"));
    {
        // Its exit line carries the result code, as every operation that returns one does.
        qrvtest::TraceCapture trace(TRACE_CALL);
        EXPECT_EQ(S_OK, config->SetProfilePassword(""));
        EXPECT_TRUE(trace.Contains("<--CConfigInfo::SetProfilePassword(), ret = 0\n")) << trace.Text();
    }
    EXPECT_TRUE(config->HasProfilePassword());
    config->RemoveProfilePassword();
    EXPECT_FALSE(config->HasProfilePassword());
    EXPECT_FALSE(doc.IsModified());

    // A configuration without a document keeps its modes, and its store index within its stores.
    CConfigInfo loose;
    loose.SetCompareMode(1);
    EXPECT_EQ(1u, loose.GetCompareMode());
    loose.SetCurrentStoreIndex(0);
    EXPECT_EQ(-1, loose.GetCurrentStoreIndex());
    EXPECT_EQ(nullptr, loose.GetStore(0));
    EXPECT_EQ(nullptr, loose.GetStore(-1));
}

TEST(ConfigObservers, AdviseNotifyAndUnadvise) {
    CConfigInfo config;
    CountingObserver a, b(E_FAIL), c(E_ACCESSDENIED);
    EXPECT_EQ(E_INVALIDARG, config.Advise(nullptr));
    EXPECT_EQ(E_INVALIDARG, config.Unadvise(nullptr));
    EXPECT_EQ(S_OK, config.Unadvise(&a));
    EXPECT_EQ(S_OK, config.Advise(&a));
    EXPECT_EQ(S_OK, config.Advise(&a));
    EXPECT_EQ(S_OK, config.NotifyConfigChange(&a));
    EXPECT_EQ(0, a.nCalls);
    EXPECT_EQ(S_OK, config.NotifyConfigChange(nullptr));
    EXPECT_EQ(1, a.nCalls);

    // Every view is told; the later failure is the result.
    config.Advise(&b);
    config.Advise(&c);
    EXPECT_EQ(E_ACCESSDENIED, config.NotifyConfigChange(nullptr));
    EXPECT_EQ(2, a.nCalls);
    EXPECT_EQ(1, b.nCalls);
    EXPECT_EQ(1, c.nCalls);
    config.Unadvise(&b);
    config.Unadvise(&c);
    EXPECT_EQ(S_OK, config.NotifyConfigChange(nullptr));
    EXPECT_EQ(1, b.nCalls);
}

TEST(ConfigObservers, ViewsThatChangeTheListWhileToldAreSafe) {
    CConfigInfo config;
    CountingObserver first, late;
    auto gone = std::make_unique<CountingObserver>();
    CountingObserver* pGone = gone.get();
    // The first view advises a new one and takes another away (which then goes).
    first.onChange = [&] {
        config.Advise(&late);
        config.Unadvise(pGone);
        gone.reset();
    };
    config.Advise(&first);
    config.Advise(pGone);
    EXPECT_EQ(S_OK, config.NotifyConfigChange(nullptr));
    EXPECT_EQ(1, first.nCalls);
    EXPECT_EQ(0, late.nCalls);  // not in the list the walk began with
    EXPECT_EQ(S_OK, config.NotifyConfigChange(nullptr));
    EXPECT_EQ(1, late.nCalls);
}

TEST(ConfigValues, EmptyMeansNothingToCompare) {
    CConfigInfo config;
    SPropValue values[3] = {};
    values[0].ulPropTag = PROP_TAG(PT_NULL, 0x1000);
    values[1].ulPropTag = PROP_TAG(PT_STRING8, 0x0037);
    values[1].Value.lpszA = const_cast<LPSTR>("");
    values[2].ulPropTag = PROP_TAG(PT_ERROR, 0x3001);
    EXPECT_TRUE(config.ArePropValuesEmpty(3, values));
    EXPECT_TRUE(config.ArePropValuesEmpty(0, values));
    EXPECT_TRUE(config.ArePropValuesEmpty(3, nullptr));
    WCHAR wszEmpty[] = {0};
    values[1].ulPropTag = PROP_TAG(PT_UNICODE, 0x0037);
    values[1].Value.lpszW = wszEmpty;
    EXPECT_TRUE(config.ArePropValuesEmpty(3, values));
    values[1].Value.lpszW = nullptr;
    EXPECT_TRUE(config.ArePropValuesEmpty(3, values));
    values[2].ulPropTag = PROP_TAG(PT_LONG, 0x0E08);
    values[2].Value.l = 0;
    EXPECT_FALSE(config.ArePropValuesEmpty(3, values));
}

TEST(ConfigSearchResult, HoldsOneReferenceAndGoesWithTheStores) {
    FakeResult first, second;
    {
        CConfigInfo config;
        config.SetSearchResult(&first);
        EXPECT_EQ(2u, first.nRef);
        FakeResult* pGot = nullptr;
        config.GetSearchResult(&pGot);
        EXPECT_EQ(&first, pGot);
        EXPECT_EQ(3u, first.nRef);
        pGot->Release();
        config.SetSearchResult(&second);
        EXPECT_EQ(1u, first.nRef);
        EXPECT_EQ(2u, second.nRef);
        // Any change of the store list drops the cache: its indexes would be stale.
        config.ClearStores();
        EXPECT_EQ(1u, second.nRef);
        config.GetSearchResult(&pGot);
        EXPECT_EQ(nullptr, pGot);
        config.SetSearchResult(&second);
        config.SetSearchResult(nullptr);
        EXPECT_EQ(1u, second.nRef);
        config.SetSearchResult(&second);
    }
    EXPECT_EQ(1u, second.nRef);  // released with the configuration
}

TEST(ConfigRecord, FieldsInOrderAndBackByteForByte) {
    CQuorvelDoc doc;
    ConfigPtr config;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("Mails", 3, &doc, &config.p));
    config->SetCompareMode(1);
    config->SetProfilePassword("pa55 wörd");
    const std::string bytes = StoreRecord(config.p);

    std::string expected = NewClassTag("CMailInfo") + Dword(1) + Dword(config->GetConfigID()) + Dword(1) +
                           Dword(3) + "\x05Mails" + Dword(1) + Dword(0) + Dword(0) /* no profile key */ +
                           Dword(1) + "\x0Apa55 w\xC3\xB6rd" + std::string("\x00", 1) /* profile name */;
    ASSERT_GT(bytes.size(), expected.size());
    EXPECT_EQ(expected, bytes.substr(0, expected.size()));
    // The property list follows, then the store count.
    EXPECT_EQ(NewClassTag("CPropTypeList"),
              bytes.substr(expected.size(), NewClassTag("CPropTypeList").size()));
    EXPECT_EQ(Dword(0), bytes.substr(bytes.size() - 4));

    ConfigPtr loaded;
    loaded.p = static_cast<CConfigInfo*>(LoadRecord(bytes, RUNTIME_CLASS(CConfigInfo)));
    ASSERT_NE(nullptr, loaded.p);
    loaded->AddRef();
    EXPECT_EQ(CString("pa55 wörd"), loaded->GetProfilePassword());
    EXPECT_EQ(bytes, StoreRecord(loaded.p));
    EXPECT_EQ(nullptr, loaded->GetDocument());

    CConfigInfo* pUnreferenced = new CConfigInfo;
    EXPECT_EQ(0u, pUnreferenced->Release());  // releasing at zero deletes: the sanitizer run sees it go
}

TEST(ConfigRecord, ReadingIntoAFilledConfigurationGivesBackWhatItHeld) {
    CQuorvelDoc doc;
    ConfigPtr config;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("first", 2, &doc, &config.p));
    ConfigPtr other;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("second", 2, &doc, &other.p));
    // Read the other's body over a filled configuration: the list held before goes (the sanitizer
    // run checks it).
    std::string body = SerializeTo(*other.p);
    SerializeFrom(*config.p, body);
    EXPECT_EQ(CString("second"), config->GetConfigName());
    EXPECT_EQ(other->GetConfigID(), config->GetConfigID());
    EXPECT_GT(CountProperties(config.p), 0);

    // A body that fails inside the property list leaves no dangling list behind.
    bool bFailed = false;
    try {
        SerializeFrom(*config.p, body.substr(0, body.size() / 2));
    } catch (CException* e) {
        e->Delete();
        bFailed = true;
    }
    EXPECT_TRUE(bFailed);
    CPropertyList* pList = nullptr;
    EXPECT_EQ(S_OK, config->GetPropertyList(&pList));
    EXPECT_EQ(nullptr, pList);
}
