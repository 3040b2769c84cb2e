// What every keyed property list promises alike: references, clearing, the flat walk, stable records.
#include <gtest/gtest.h>

#include <vector>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

const GUID kSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kOtherSet = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

CPropertyID* NumberProp(const GUID& guid, LONG lID) {
    return new CNamedPropertyID(0, &guid, MNID_ID, lID, nullptr, PROP_TAG(PT_LONG, 0));
}
CPropertyID* NameProp(const GUID& guid, const WCHAR* name) {
    return new CNamedPropertyID(0, &guid, MNID_STRING, 0, name, PROP_TAG(PT_UNICODE, 0));
}

// Each list with properties it takes, made in the reverse of its key order.
struct StdList {
    typedef CStdPropList List;
    static std::vector<CPropertyID*> Make() {
        return {new CStdPropertyID(0, 0x8000000B), new CStdPropertyID(0, 0x3001001E),
                new CStdPropertyID(0, 0x0037001E)};
    }
};
struct NumberList {
    typedef CGuidNamedIDList List;
    static std::vector<CPropertyID*> Make() {
        return {NumberProp(kSet, (LONG)0x80000001), NumberProp(kSet, 0x8501), NumberProp(kSet, 0x8005)};
    }
};
struct NameList {
    typedef CGuidNamedNamedList List;
    static std::vector<CPropertyID*> Make() {
        // Units compare unsigned and case-sensitively; a prefix comes first.
        return {NameProp(kSet, u"alpha"), NameProp(kSet, u"Zeta"), NameProp(kSet, u"Keywords"),
                NameProp(kSet, u"Key")};
    }
};
struct SetList {
    typedef CNamedPropList List;
    static std::vector<CPropertyID*> Make() {
        // {00062004} sorts before {00020329} by the bytes held: 04 before 29.
        return {NameProp(kOtherSet, u"Zeta"), NumberProp(kSet, 0x8101), NumberProp(kSet, 0x8005)};
    }
};
struct KindList {
    typedef CPropTypeList List;
    static std::vector<CPropertyID*> Make() {
        return {NameProp(kOtherSet, u"Key"), NumberProp(kSet, 0x8005), new CStdPropertyID(0, 0x0037001E)};
    }
};

template <class Family>
class KeyedListFamilyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pList = new typename Family::List;
        m_pList->AddRef();
        m_props = Family::Make();
        for (CPropertyID* p : m_props) {
            p->AddRef();
        }
    }
    void TearDown() override {
        if (m_pList != nullptr) {
            m_pList->Release();
        }
        for (CPropertyID* p : m_props) {
            p->Release();
        }
    }
    void InsertAll() {
        for (CPropertyID* p : m_props) {
            ASSERT_EQ(S_OK, m_pList->InsertProperty(p));
        }
    }
    static LONG Refs(CPropertyID* p) {
        p->AddRef();
        return p->Release();
    }
    std::vector<CPropertyID*> Walk(CPropertyList& list) {
        std::vector<CPropertyID*> out;
        CPropertyID* p = nullptr;
        HRESULT hr = list.GetFirstProperty(&p);
        while (SUCCEEDED(hr) && p != nullptr) {
            out.push_back(p);
            p->Release();
            hr = list.GetNextProperty(&p);
        }
        EXPECT_EQ(S_OK, hr);
        return out;
    }

    typename Family::List* m_pList = nullptr;
    std::vector<CPropertyID*> m_props;  // one reference each for the test
};

typedef ::testing::Types<StdList, NumberList, NameList, SetList, KindList> AllLists;
TYPED_TEST_SUITE(KeyedListFamilyTest, AllLists);

TYPED_TEST(KeyedListFamilyTest, WalksInKeyOrderAndHoldsOneReferenceEach) {
    this->InsertAll();
    const std::vector<CPropertyID*> reversed(this->m_props.rbegin(), this->m_props.rend());
    EXPECT_EQ(reversed, this->Walk(*this->m_pList));
    EXPECT_EQ(reversed, this->Walk(*this->m_pList));  // a walk can be restarted
    for (CPropertyID* p : this->m_props) {
        EXPECT_EQ(2, this->Refs(p)) << "the walk left a reference behind, or the list holds none";
    }
    // Clearing gives every reference back and leaves a list that can be filled again.
    this->m_pList->ClearList();
    EXPECT_EQ(0u, this->m_pList->GetMapCount());
    EXPECT_TRUE(this->Walk(*this->m_pList).empty());
    for (CPropertyID* p : this->m_props) {
        EXPECT_EQ(1, this->Refs(p));
    }
    this->InsertAll();
    this->m_pList->Release();
    this->m_pList = nullptr;
    for (CPropertyID* p : this->m_props) {
        EXPECT_EQ(1, this->Refs(p)) << "destroying the list kept a reference";
    }
}

TYPED_TEST(KeyedListFamilyTest, SavedRecordLoadsIntoTheSameListAndSavesTheSame) {
    this->InsertAll();
    const std::string saved = SerializeTo(*this->m_pList);

    typename TypeParam::List* pLoaded = new typename TypeParam::List;
    pLoaded->AddRef();
    SerializeFrom(*pLoaded, saved);
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(*pLoaded)));
    EXPECT_EQ(this->m_pList->GetMapCount(), pLoaded->GetMapCount());
    EXPECT_EQ(this->m_props.size(), this->Walk(*pLoaded).size());

    // Loading again over a filled list replaces what it held instead of adding to it.
    SerializeFrom(*pLoaded, saved);
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(*pLoaded)));
    pLoaded->Release();

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

    this->InsertAll();
    this->Walk(*this->m_pList);
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
    EXPECT_TRUE(trace.Contains("Failure: Invalid property specified!\n"));
    EXPECT_FALSE(trace.Contains("undefined iterator"));
}

}  // namespace
