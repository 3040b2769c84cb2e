// Property lists: key orders, references, replacement, refusals, cursors, stable records, and the
// two-level lists over sub-lists that fail.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "platform/mapi/MAPICodes.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

const GUID kAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kPublic = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kCommon = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// "std:0037001e", "id:8005", "name:Key".
std::string Describe(CPropertyID* p) {
    if (auto* s = dynamic_cast<CStdPropertyID*>(p))
        return FormatText("std:%08lx", s->GetTag());
    const MAPINAMEID id = dynamic_cast<CNamedPropertyID*>(p)->GetNameID();
    return id.ulKind == MNID_ID ? FormatText("id:%lx", (ULONG)id.Kind.lID)
                                : "name:" + Utf16ToUtf8(id.Kind.lpwstrName);
}

// What a walk yields, described.
std::vector<std::string> Walk(CPropertyList& list) {
    std::vector<std::string> out;
    CPropertyID* p = nullptr;
    HRESULT hr = list.GetFirstProperty(&p);
    while (SUCCEEDED(hr) && p != nullptr) {
        out.push_back(Describe(p));
        p->Release();
        p = nullptr;
        hr = list.GetNextProperty(&p);
    }
    EXPECT_EQ(S_OK, hr);
    return out;
}

// Makes properties and lists and gives back its references at the end of the test.
class PropertyListTest : public ::testing::Test {
public:
    void TearDown() override {
        for (CPropertyList* l : m_lists)
            l->Release();
        for (CPropertyID* p : m_props)
            p->Release();
    }
    CStdPropertyID* Std(ULONG ulTag) { return Keep(new CStdPropertyID(0, ulTag)); }
    CNamedPropertyID* ById(const GUID& guid, ULONG ulID) {
        return Keep(new CNamedPropertyID(0, &guid, MNID_ID, (LONG)ulID, nullptr, PROP_TAG(PT_LONG, 0)));
    }
    CNamedPropertyID* ByName(const GUID& guid, const WCHAR* name) {
        return Keep(new CNamedPropertyID(0, &guid, MNID_STRING, 0, name, PROP_TAG(PT_UNICODE, 0)));
    }
    template <class T>
    T* Keep(T* p) {
        p->AddRef();
        m_props.push_back(p);
        return p;
    }
    template <class T>
    T* List() {
        T* p = new T;
        p->AddRef();
        m_lists.push_back(p);
        return p;
    }
    static LONG Refs(CPropertyID* p) {
        p->AddRef();
        return p->Release();
    }

    std::vector<CPropertyID*> m_props;
    std::vector<CPropertyList*> m_lists;
};

TEST_F(PropertyListTest, CursorsAtTheEndAndEmptySubLists) {
    CPropTypeList* pList = List<CPropTypeList>();
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));

    // A failed insertion leaves the sub-list it made, empty: counted, passed over by walks, and
    // not saved.
    const std::string emptyRecord = Hex("01 00 00 00 01 00 00 00 00 00 00 00");
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(Keep(new CNamedPropertyID())));
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_TRUE(Walk(*pList).empty());
    EXPECT_EQ(ToHex(emptyRecord), ToHex(SerializeTo(*pList)));
    CNamedPropList* pNamed = List<CNamedPropList>();
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(ByName(kAddress, nullptr)));
    EXPECT_EQ(1u, pNamed->GetMapCount());
    EXPECT_EQ(ToHex(emptyRecord), ToHex(SerializeTo(*pNamed)));

    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    EXPECT_EQ(std::vector<std::string>{"std:0037001e"}, Walk(*pList));
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p)) << "after the end of a walk";

    // ClearList gives back every entry and ends the walk.
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    p->Release();
    pList->ClearList();
    EXPECT_EQ(0u, pList->GetMapCount());
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));
    EXPECT_EQ(1, Refs(m_props.back()));

    // Flat lists end quietly; the named list needs its first call.
    EXPECT_EQ(S_OK, List<CStdPropList>()->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_UNEXPECTED, List<CNamedPropList>()->GetNextProperty(&p));
}

TEST_F(PropertyListTest, SameKeyReplacesAndKeepsTheCount) {
    CStdPropList* pList = List<CStdPropList>();
    CStdPropertyID* first = Std(0x0037001E);
    CStdPropertyID* second = Std(0x0037001E);
    ASSERT_EQ(S_OK, pList->InsertProperty(first));
    EXPECT_EQ(2, Refs(first));
    ASSERT_EQ(S_OK, pList->InsertProperty(second));
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_EQ(1, Refs(first)) << "the replaced property was not given back";
    // Storing the very object a list holds keeps it alive.
    ASSERT_EQ(S_OK, pList->InsertProperty(second));
    EXPECT_EQ(2, Refs(second));

    CGuidNamedNamedList* pNames = List<CGuidNamedNamedList>();
    CNamedPropertyID* a = ByName(kPublic, u"Key");
    CNamedPropertyID* b = ByName(kCommon, u"Key");  // the set plays no part at this level
    ASSERT_EQ(S_OK, pNames->InsertProperty(a));
    ASSERT_EQ(S_OK, pNames->InsertProperty(a));
    ASSERT_EQ(S_OK, pNames->InsertProperty(b));
    EXPECT_EQ(1u, pNames->GetMapCount());
    EXPECT_EQ(1, Refs(a));
    EXPECT_EQ(2, Refs(b));

    CGuidNamedIDList* pIds = List<CGuidNamedIDList>();
    ASSERT_EQ(S_OK, pIds->InsertProperty(ById(kPublic, 5)));
    ASSERT_EQ(S_OK, pIds->InsertProperty(ById(kPublic, 5)));
    EXPECT_EQ(1u, pIds->GetMapCount());
}

TEST_F(PropertyListTest, LookupFindsByKey) {
    CPropTypeList* pList = List<CPropTypeList>();
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, 0x8005)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Keywords")));
    auto found = [&](CPropertyID* p) {
        BOOL b = 2;
        EXPECT_EQ(S_OK, pList->Lookup(p, &b));
        return b;
    };
    EXPECT_TRUE(found(Std(0x0037001E)));
    EXPECT_FALSE(found(Std(0x0037001F)));
    EXPECT_TRUE(found(ById(kAddress, 0x8005)));
    EXPECT_FALSE(found(ById(kCommon, 0x8005)));
    EXPECT_TRUE(found(ByName(kPublic, u"Keywords")));
    EXPECT_FALSE(found(ByName(kPublic, u"keywords")));
    BOOL b = TRUE;
    // A name looked up in a number-keyed set: the set refuses it.
    EXPECT_EQ(E_INVALIDARG, pList->Lookup(ByName(kAddress, u"x"), &b));
    EXPECT_FALSE(b);
    EXPECT_EQ(E_INVALIDARG, pList->Lookup(nullptr, &b));
    EXPECT_EQ(S_OK, List<CPropTypeList>()->Lookup(Std(1), &b));
    EXPECT_FALSE(b);
}

TEST_F(PropertyListTest, RefusalsOfTheKeyedLists) {
    CPropTypeList* pList = List<CPropTypeList>();
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, 0x8005)));
    // A name in a number-keyed set: refused by the set, the set unchanged.
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(ByName(kAddress, u"Keywords")));
    EXPECT_EQ(std::vector<std::string>{"id:8005"}, Walk(*pList));
    EXPECT_EQ(E_UNEXPECTED, pList->InsertProperty(Keep(new CPropertyID)));

    CNamedPropList* pNamed = List<CNamedPropList>();
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(Keep(new CNamedPropertyID())));
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(Std(1)));
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(nullptr));
    EXPECT_EQ(0u, pNamed->GetMapCount());

    CStdPropList* pStd = List<CStdPropList>();
    EXPECT_EQ(E_INVALIDARG, pStd->InsertProperty(ById(kAddress, 1)));

    CGuidNamedNamedList* pNames = List<CGuidNamedNamedList>();
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ByName(kPublic, nullptr)));
    // An empty name would be saved as no name, and the file could not be loaded again.
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ByName(kPublic, u"")));
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ById(kPublic, 1)));
    EXPECT_EQ(0u, pNames->GetMapCount());
}

TEST_F(PropertyListTest, ReleaseAtZeroStillDestroys) {
    // A list nobody took a reference on goes with its first Release (the sanitizer run checks).
    CStdPropList* pList = new CStdPropList;
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    EXPECT_EQ(0u, pList->Release());
    CStdPropertyID* pProp = new CStdPropertyID(0, 1);
    EXPECT_EQ(0, pProp->Release());
}

// Each keyed list with properties it takes, made in the reverse of its key order.
struct StdList {
    typedef CStdPropList List;
    static std::vector<CPropertyID*> Make(PropertyListTest& t) {
        return {t.Std(0x8000000B), t.Std(0x3001001E), t.Std(0x0037001E)};  // tags compare unsigned
    }
};
struct NumberList {
    typedef CGuidNamedIDList List;
    static std::vector<CPropertyID*> Make(PropertyListTest& t) {
        return {t.ById(kAddress, 0x80000001), t.ById(kAddress, 0x8501), t.ById(kAddress, 0x8005)};
    }
};
struct NameList {
    typedef CGuidNamedNamedList List;
    // Units compare unsigned and case-sensitively; a prefix comes first.
    static std::vector<CPropertyID*> Make(PropertyListTest& t) {
        return {t.ByName(kAddress, u"alpha"), t.ByName(kAddress, u"Zeta"), t.ByName(kAddress, u"Keywords"),
                t.ByName(kAddress, u"Key")};
    }
};
struct SetList {
    typedef CNamedPropList List;
    // Sets compare by the bytes held: {00062004} (04) before {00062008} (08) before {00020329} (29).
    static std::vector<CPropertyID*> Make(PropertyListTest& t) {
        return {t.ByName(kPublic, u"Zeta"), t.ById(kCommon, 0x8501), t.ById(kAddress, 0x8101),
                t.ById(kAddress, 0x8005)};
    }
};
struct KindList {
    typedef CPropTypeList List;
    static std::vector<CPropertyID*> Make(PropertyListTest& t) {
        return {t.ByName(kPublic, u"Key"), t.ById(kAddress, 0x8005), t.Std(0x0037001E)};
    }
};

template <class Family>
class KeyedListFamilyTest : public PropertyListTest {
protected:
    void SetUp() override {
        m_pList = List<typename Family::List>();
        m_family = Family::Make(*this);
        for (auto it = m_family.rbegin(); it != m_family.rend(); ++it)
            m_ordered.push_back(Describe(*it));
    }
    void InsertAll(CPropertyList* pList) {
        for (CPropertyID* p : m_family)
            ASSERT_EQ(S_OK, pList->InsertProperty(p));
    }
    void ExpectRefs(LONG lRefs, const char* pszWhy) {
        for (CPropertyID* p : m_family)
            EXPECT_EQ(lRefs, Refs(p)) << pszWhy;
    }

    typename Family::List* m_pList = nullptr;
    std::vector<CPropertyID*> m_family;  // the fixture holds one reference each
    std::vector<std::string> m_ordered;
};

typedef ::testing::Types<StdList, NumberList, NameList, SetList, KindList> AllLists;
TYPED_TEST_SUITE(KeyedListFamilyTest, AllLists);

TYPED_TEST(KeyedListFamilyTest, WalksInKeyOrderAndHoldsOneReferenceEach) {
    this->InsertAll(this->m_pList);
    EXPECT_EQ(this->m_ordered, Walk(*this->m_pList));
    EXPECT_EQ(this->m_ordered, Walk(*this->m_pList));  // a walk can be restarted
    this->ExpectRefs(2, "the walk left a reference behind, or the list holds none");
    // Clearing gives every reference back and leaves a list that can be filled again.
    this->m_pList->ClearList();
    EXPECT_EQ(0u, this->m_pList->GetMapCount());
    EXPECT_TRUE(Walk(*this->m_pList).empty());
    this->ExpectRefs(1, "clearing kept a reference");
    this->InsertAll(this->m_pList);
    auto* pOther = new typename TypeParam::List;
    pOther->AddRef();
    this->InsertAll(pOther);
    pOther->Release();
    this->ExpectRefs(2, "destroying a list kept a reference");
}

TYPED_TEST(KeyedListFamilyTest, SavedRecordLoadsIntoTheSameListAndSavesTheSame) {
    this->InsertAll(this->m_pList);
    const std::string saved = SerializeTo(*this->m_pList);
    auto* pLoaded = this->template List<typename TypeParam::List>();
    SerializeFrom(*pLoaded, saved);
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(*pLoaded)));
    EXPECT_EQ(this->m_pList->GetMapCount(), pLoaded->GetMapCount());
    EXPECT_EQ(this->m_ordered, Walk(*pLoaded));
    // Loading again over a filled list replaces what it held instead of adding to it.
    SerializeFrom(*pLoaded, saved);
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(*pLoaded)));

    // An empty list is a count of 0 after the two versions.
    this->m_pList->ClearList();
    EXPECT_EQ(ToHex(Hex("01 00 00 00 01 00 00 00 00 00 00 00")), ToHex(SerializeTo(*this->m_pList)));
}

// The flat lists: the cursor points at the next property, so an end is never an error.
template <class Family>
class FlatListTest : public KeyedListFamilyTest<Family> {};

typedef ::testing::Types<StdList, NumberList, NameList> FlatLists;
TYPED_TEST_SUITE(FlatListTest, FlatLists);

TYPED_TEST(FlatListTest, EndsOfTheWalkAreQuiet) {
    TraceCapture trace;
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(S_OK, this->m_pList->GetNextProperty(&p)) << "before any walk";
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(S_OK, this->m_pList->GetFirstProperty(&p)) << "on an empty list";
    EXPECT_EQ(nullptr, p);

    this->InsertAll(this->m_pList);
    Walk(*this->m_pList);
    EXPECT_EQ(S_OK, this->m_pList->GetNextProperty(&p)) << "after the end";
    EXPECT_EQ(nullptr, p);

    // Cleared in the middle of a walk: the walk simply ends.
    ASSERT_EQ(S_OK, this->m_pList->GetFirstProperty(&p));
    ASSERT_NE(nullptr, p);
    p->Release();
    this->m_pList->ClearList();
    EXPECT_EQ(S_OK, this->m_pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);

    EXPECT_EQ(E_INVALIDARG, this->m_pList->GetFirstProperty(nullptr));
    EXPECT_EQ(E_INVALIDARG, this->m_pList->GetNextProperty(nullptr));
    EXPECT_FALSE(trace.Contains("undefined iterator"));
}

// A sub-list that keeps the properties it is given in order and fails what it is told to fail.
class CScriptedList : public CPropertyList {
public:
    HRESULT m_hrFirst = S_OK;
    HRESULT m_hrNext = S_OK;
    HRESULT m_hrLookup = S_OK;
    HRESULT m_hrInsert = S_OK;

    ~CScriptedList() override {
        for (CPropertyID* p : m_held)
            p->Release();
    }
    HRESULT GetFirstProperty(CPropertyID** ppProp) override {
        m_next = 0;
        *ppProp = nullptr;
        return FAILED(m_hrFirst) ? m_hrFirst : HandOut(ppProp);
    }
    HRESULT GetNextProperty(CPropertyID** ppProp) override {
        *ppProp = nullptr;
        return FAILED(m_hrNext) ? m_hrNext : HandOut(ppProp);
    }
    HRESULT Lookup(CPropertyID* /*pProp*/, BOOL* pbFound) override {
        *pbFound = !m_held.empty();
        return m_hrLookup;
    }
    HRESULT InsertProperty(CPropertyID* pProp) override {
        if (FAILED(m_hrInsert))
            return m_hrInsert;
        pProp->AddRef();
        m_held.push_back(pProp);
        return S_OK;
    }
    ULONG GetMapCount() override { return (ULONG)m_held.size(); }

private:
    HRESULT HandOut(CPropertyID** ppProp) {
        if (m_next < m_held.size()) {
            *ppProp = m_held[m_next++];
            (*ppProp)->AddRef();
        }
        return S_OK;
    }
    std::vector<CPropertyID*> m_held;
    size_t m_next = 0;
};

// A two-level list whose sub-lists are scripted ones, or whose making of one fails.
template <class Base>
class CRoutingList : public Base {
public:
    HRESULT m_hrCreate = S_OK;
    HRESULT m_hrNewInsert = S_OK;        // what the sub-lists made from now on answer to inserts
    std::vector<CScriptedList*> m_made;  // held by the list itself

    HRESULT CreateNewPropertyList(CPropertyID* /*pProp*/, CPropertyList** ppList) override {
        *ppList = nullptr;
        if (FAILED(m_hrCreate))
            return m_hrCreate;
        CScriptedList* pList = new CScriptedList;
        pList->m_hrInsert = m_hrNewInsert;
        pList->AddRef();
        m_made.push_back(pList);
        *ppList = pList;
        return S_OK;
    }
};

// The two lists route by different keys: by kind, and by property set.
struct ByKind {
    typedef CPropTypeList List;
    static CPropertyID* First(PropertyListTest& t) { return t.Std(0x0037001E); }
    static CPropertyID* Second(PropertyListTest& t) { return t.ById(kAddress, 0x8005); }
};
struct BySet {
    typedef CNamedPropList List;
    static CPropertyID* First(PropertyListTest& t) { return t.ById(kAddress, 0x8005); }
    static CPropertyID* Second(PropertyListTest& t) { return t.ByName(kCommon, u"Key"); }
};

template <class Way>
class SubListRoutingTest : public PropertyListTest {
protected:
    // The list under test and a property for each of two sub-lists.
    std::tuple<CRoutingList<typename Way::List>*, CPropertyID*, CPropertyID*> Route() {
        return {List<CRoutingList<typename Way::List>>(), Way::First(*this), Way::Second(*this)};
    }
};

typedef ::testing::Types<ByKind, BySet> Ways;
TYPED_TEST_SUITE(SubListRoutingTest, Ways);

TYPED_TEST(SubListRoutingTest, InsertAndLookupFailuresOfTheSubListComeBack) {
    auto [pList, pFirst, pSecond] = this->Route();
    pList->m_hrCreate = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, pList->InsertProperty(pFirst));
    EXPECT_EQ(0u, pList->GetMapCount());
    // Nothing of the refused insert is left behind: the next one makes the sub-list afresh.
    pList->m_hrCreate = S_OK;
    EXPECT_EQ(S_OK, pList->InsertProperty(pFirst));
    EXPECT_EQ(1u, pList->GetMapCount());
    ASSERT_EQ(1u, pList->m_made.size());
    CScriptedList* pSub = pList->m_made[0];
    EXPECT_EQ(1u, pSub->GetMapCount());
    pSub->m_hrInsert = E_INVALIDARG;
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(pFirst));
    EXPECT_EQ(1u, pSub->GetMapCount());

    // No sub-list for the key: found is FALSE without asking anyone.
    BOOL bFound = TRUE;
    EXPECT_EQ(S_OK, pList->Lookup(pSecond, &bFound));
    EXPECT_FALSE(bFound);
    EXPECT_EQ(S_OK, pList->Lookup(pFirst, &bFound));
    EXPECT_TRUE(bFound);
    pSub->m_hrLookup = E_FAIL;
    EXPECT_EQ(E_FAIL, pList->Lookup(pFirst, &bFound));

    // A sub-list made for an insert that it then refuses stays, empty.
    pList->m_hrNewInsert = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, pList->InsertProperty(pSecond));
    EXPECT_EQ(2u, pList->GetMapCount());
    ASSERT_EQ(2u, pList->m_made.size());
    EXPECT_EQ(0u, pList->m_made[1]->GetMapCount());
}

TYPED_TEST(SubListRoutingTest, WalkFailuresOfTheSubListsComeBack) {
    auto [pList, pFirst, pSecond] = this->Route();
    ASSERT_EQ(S_OK, pList->InsertProperty(pFirst));
    ASSERT_EQ(S_OK, pList->InsertProperty(pSecond));
    ASSERT_EQ(2u, pList->m_made.size());
    CScriptedList* pFirstSub = pList->m_made[0];
    CScriptedList* pSecondSub = pList->m_made[1];

    // The second sub-list cannot start: the walk stops there, after the first one's property.
    pSecondSub->m_hrFirst = MAPI_E_CALL_FAILED;
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(pFirst, p);
    p->Release();
    EXPECT_EQ(MAPI_E_CALL_FAILED, pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);

    // The first sub-list fails to go on: the failure comes back as it came.
    pSecondSub->m_hrFirst = S_OK;
    pFirstSub->m_hrNext = E_ACCESSDENIED;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    p->Release();
    EXPECT_EQ(E_ACCESSDENIED, pList->GetNextProperty(&p));

    // Without failures the walk yields both and then ends; past the end the cursor is undefined.
    pFirstSub->m_hrNext = S_OK;
    std::vector<CPropertyID*> walked;
    HRESULT hr = pList->GetFirstProperty(&p);
    while (SUCCEEDED(hr) && p != nullptr) {
        walked.push_back(p);
        p->Release();
        hr = pList->GetNextProperty(&p);
    }
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ((std::vector<CPropertyID*>{pFirst, pSecond}), walked);
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));
    EXPECT_EQ(E_INVALIDARG, pList->GetFirstProperty(nullptr));
    EXPECT_EQ(E_INVALIDARG, pList->GetNextProperty(nullptr));
}

// The base of the lists holds nothing: it answers as a list that can store nothing, refuses a
// missing property, and traces every answer as the lists do.
TEST(PropertyListBaseTest, AnswersAsAListThatStoresNothingAndTracesEachCall) {
    CPropertyList* pList = new CPropertyList;
    pList->AddRef();
    CStdPropertyID* pProp = new CStdPropertyID(0, 0x0037001E);
    pProp->AddRef();
    qrvtest::TraceCapture trace(TRACE_CALL);

    CPropertyID* pOut = pProp;
    EXPECT_EQ(E_NOTIMPL, pList->GetFirstProperty(&pOut));
    EXPECT_EQ(nullptr, pOut);
    pOut = pProp;
    EXPECT_EQ(E_NOTIMPL, pList->GetNextProperty(&pOut));
    EXPECT_EQ(nullptr, pOut);
    BOOL bFound = TRUE;
    EXPECT_EQ(E_NOTIMPL, pList->Lookup(pProp, &bFound));
    EXPECT_FALSE(bFound);
    bFound = TRUE;
    EXPECT_EQ(E_INVALIDARG, pList->Lookup(nullptr, &bFound));
    EXPECT_FALSE(bFound);
    EXPECT_EQ(E_NOTIMPL, pList->InsertProperty(pProp));
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(nullptr));
    EXPECT_EQ(S_OK, pList->SelectDefaultProperties(nullptr));
    CPropertyList* pSub = pList;
    EXPECT_EQ(E_NOTIMPL, pList->CreateNewPropertyList(pProp, &pSub));
    EXPECT_EQ(nullptr, pSub);
    EXPECT_EQ(0u, pList->GetMapCount());

    const std::string text = trace.Text();
    EXPECT_NE(std::string::npos, text.find("Invalid property object specified!\n"));
    for (const char* name :
         {"GetFirstProperty", "GetNextProperty", "InsertProperty", "CreateNewPropertyList"})
        EXPECT_NE(std::string::npos, text.find(FormatText("<--CPropertyList::%s(), ret = 80004001\n", name)))
            << name << "\n"
            << text;
    EXPECT_NE(std::string::npos, text.find("-->CPropertyList::Lookup()\n"));
    EXPECT_NE(std::string::npos, text.find("<--CPropertyList::Lookup(), ret = 80070057\n"));
    EXPECT_NE(std::string::npos, text.find("<--CPropertyList::SelectDefaultProperties(), ret = 0\n"));

    pProp->Release();
    pList->Release();
}

}  // namespace
