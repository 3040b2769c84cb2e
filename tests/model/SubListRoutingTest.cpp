// The two-level lists (by kind, by property set) over sub-lists that fail: what comes back.
#include <gtest/gtest.h>

#include <vector>

#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropertyID.h"
#include "platform/mapi/MAPICodes.h"
#include "tests/model/PropTestSupport.h"

namespace {

const GUID kFirstSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kSecondSet = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A sub-list that keeps the properties it is given in order and fails what it is told to fail.
class CScriptedList : public CPropertyList {
public:
    HRESULT m_hrFirst = S_OK;
    HRESULT m_hrNext = S_OK;
    HRESULT m_hrLookup = S_OK;
    HRESULT m_hrInsert = S_OK;

    ~CScriptedList() override {
        for (CPropertyID* p : m_held) {
            p->Release();
        }
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
        if (FAILED(m_hrInsert)) {
            return m_hrInsert;
        }
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
        if (FAILED(m_hrCreate)) {
            return m_hrCreate;
        }
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
    static CPropertyID* First() { return new CStdPropertyID(0, 0x0037001E); }
    static CPropertyID* Second() {
        return new CNamedPropertyID(0, &kFirstSet, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_LONG, 0));
    }
};
struct BySet {
    typedef CNamedPropList List;
    static CPropertyID* First() {
        return new CNamedPropertyID(0, &kFirstSet, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_LONG, 0));
    }
    static CPropertyID* Second() {
        return new CNamedPropertyID(0, &kSecondSet, MNID_STRING, 0, u"Key", PROP_TAG(PT_UNICODE, 0));
    }
};

template <class Route>
class SubListRoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pList = new CRoutingList<typename Route::List>;
        m_pList->AddRef();
        m_pFirst = Route::First();
        m_pFirst->AddRef();
        m_pSecond = Route::Second();
        m_pSecond->AddRef();
    }
    void TearDown() override {
        m_pList->Release();
        m_pFirst->Release();
        m_pSecond->Release();
    }
    CRoutingList<typename Route::List>* m_pList = nullptr;
    CPropertyID* m_pFirst = nullptr;
    CPropertyID* m_pSecond = nullptr;
};

typedef ::testing::Types<ByKind, BySet> Routes;
TYPED_TEST_SUITE(SubListRoutingTest, Routes);

TYPED_TEST(SubListRoutingTest, InsertAndLookupFailuresOfTheSubListComeBack) {
    auto* pList = this->m_pList;
    pList->m_hrCreate = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, pList->InsertProperty(this->m_pFirst));
    EXPECT_EQ(0u, pList->GetMapCount());
    // Nothing of the refused insert is left behind: the next one makes the sub-list afresh.
    pList->m_hrCreate = S_OK;
    EXPECT_EQ(S_OK, pList->InsertProperty(this->m_pFirst));
    EXPECT_EQ(1u, pList->GetMapCount());
    ASSERT_EQ(1u, pList->m_made.size());
    CScriptedList* pSub = pList->m_made[0];
    EXPECT_EQ(1u, pSub->GetMapCount());
    pSub->m_hrInsert = E_INVALIDARG;
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(this->m_pFirst));
    EXPECT_EQ(1u, pSub->GetMapCount());

    // No sub-list for the key: found is FALSE without asking anyone.
    BOOL bFound = TRUE;
    EXPECT_EQ(S_OK, pList->Lookup(this->m_pSecond, &bFound));
    EXPECT_FALSE(bFound);
    EXPECT_EQ(S_OK, pList->Lookup(this->m_pFirst, &bFound));
    EXPECT_TRUE(bFound);
    pSub->m_hrLookup = E_FAIL;
    EXPECT_EQ(E_FAIL, pList->Lookup(this->m_pFirst, &bFound));

    // A sub-list made for an insert that it then refuses stays, empty.
    pList->m_hrNewInsert = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, pList->InsertProperty(this->m_pSecond));
    EXPECT_EQ(2u, pList->GetMapCount());
    ASSERT_EQ(2u, pList->m_made.size());
    EXPECT_EQ(0u, pList->m_made[1]->GetMapCount());
}

TYPED_TEST(SubListRoutingTest, WalkFailuresOfTheSubListsComeBack) {
    ASSERT_EQ(S_OK, this->m_pList->InsertProperty(this->m_pFirst));
    ASSERT_EQ(S_OK, this->m_pList->InsertProperty(this->m_pSecond));
    ASSERT_EQ(2u, this->m_pList->m_made.size());
    CScriptedList* pFirstSub = this->m_pList->m_made[0];
    CScriptedList* pSecondSub = this->m_pList->m_made[1];

    // The second sub-list cannot start: the walk stops there, after the first one's property.
    pSecondSub->m_hrFirst = MAPI_E_CALL_FAILED;
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, this->m_pList->GetFirstProperty(&p));
    EXPECT_EQ(this->m_pFirst, p);
    p->Release();
    EXPECT_EQ(MAPI_E_CALL_FAILED, this->m_pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);

    // The first sub-list fails to go on: the failure comes back as it came.
    pSecondSub->m_hrFirst = S_OK;
    pFirstSub->m_hrNext = E_ACCESSDENIED;
    ASSERT_EQ(S_OK, this->m_pList->GetFirstProperty(&p));
    p->Release();
    EXPECT_EQ(E_ACCESSDENIED, this->m_pList->GetNextProperty(&p));

    // Without failures the walk yields both and then ends; past the end the cursor is undefined.
    pFirstSub->m_hrNext = S_OK;
    std::vector<CPropertyID*> walked;
    HRESULT hr = this->m_pList->GetFirstProperty(&p);
    while (SUCCEEDED(hr) && p != nullptr) {
        walked.push_back(p);
        p->Release();
        hr = this->m_pList->GetNextProperty(&p);
    }
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ((std::vector<CPropertyID*>{this->m_pFirst, this->m_pSecond}), walked);
    EXPECT_EQ(E_UNEXPECTED, this->m_pList->GetNextProperty(&p));
    EXPECT_EQ(E_INVALIDARG, this->m_pList->GetFirstProperty(nullptr));
    EXPECT_EQ(E_INVALIDARG, this->m_pList->GetNextProperty(nullptr));
}

}  // namespace
