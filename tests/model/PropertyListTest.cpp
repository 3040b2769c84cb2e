// Property lists: walk orders, keys, replacement, refusals and the two-level cursors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "platform/win32/CodePage.h"
#include "tests/model/PropTestSupport.h"

using proptest::TraceCapture;

namespace {

const GUID kAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kPublic = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kCommon = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Owns one reference on each property it makes.
class PropertyListTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (CPropertyID* p : m_props) {
            p->Release();
        }
    }
    CStdPropertyID* Std(ULONG ulTag) { return Keep(new CStdPropertyID(0, ulTag)); }
    CNamedPropertyID* ById(const GUID& guid, LONG lID) {
        return Keep(new CNamedPropertyID(0, &guid, MNID_ID, lID, nullptr, PROP_TAG(PT_LONG, 0)));
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

    std::vector<CPropertyID*> m_props;
};

// A short description of every property a walk yields: "std:0037001e", "id:8005", "name:Key".
std::vector<std::string> Walk(CPropertyList& list) {
    std::vector<std::string> out;
    CPropertyID* p = nullptr;
    HRESULT hr = list.GetFirstProperty(&p);
    while (SUCCEEDED(hr) && p != nullptr) {
        if (auto* s = dynamic_cast<CStdPropertyID*>(p)) {
            char buf[16];
            snprintf(buf, sizeof(buf), "%08x", s->GetTag());
            out.push_back(std::string("std:") + buf);
        } else if (auto* n = dynamic_cast<CNamedPropertyID*>(p)) {
            MAPINAMEID id = n->GetNameID();
            if (id.ulKind == MNID_ID) {
                char buf[16];
                snprintf(buf, sizeof(buf), "%x", (unsigned)id.Kind.lID);
                out.push_back(std::string("id:") + buf);
            } else {
                out.push_back("name:" + Utf16ToUtf8(id.Kind.lpwstrName));
            }
        }
        p->Release();
        p = nullptr;
        hr = list.GetNextProperty(&p);
    }
    EXPECT_EQ(S_OK, hr);
    return out;
}

template <class T>
T* NewList() {
    T* p = new T;
    p->AddRef();
    return p;
}

TEST_F(PropertyListTest, TypeListWalksStandardThenNamedInKeyOrder) {
    CPropTypeList* pList = NewList<CPropTypeList>();
    // Inserted in a scrambled order on purpose.
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"alpha")));
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, (LONG)0x80000001)));
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x3001001E)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Keywords")));
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, 0x8005)));
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x8000000B)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Zeta")));
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Key")));
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kCommon, 0x8501)));

    // Tags unsigned; {00062004} (first byte 04) before {00062008} (08) before {00020329} (29);
    // numbers unsigned; names by 16-bit units (upper case first, a prefix first).
    const std::vector<std::string> expected = {
        "std:0037001e", "std:3001001e", "std:8000000b",  "id:8005",   "id:80000001",
        "id:8501",      "name:Key",     "name:Keywords", "name:Zeta", "name:alpha"};
    EXPECT_EQ(expected, Walk(*pList));
    EXPECT_EQ(2u, pList->GetMapCount());
    // A walk can be restarted, and ends the same way.
    EXPECT_EQ(expected, Walk(*pList));
    pList->Release();
}

TEST_F(PropertyListTest, NextBeforeFirstOrAfterTheEndIsUnexpected) {
    CPropTypeList* pList = NewList<CPropTypeList>();
    TraceCapture trace;
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_TRUE(trace.Contains("Failure: undefined iterator - missing call to GetFirstProperty() ?\n"));

    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    ASSERT_NE(nullptr, p);
    p->Release();
    EXPECT_EQ(S_OK, pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));

    // A flat list ends quietly instead.
    CStdPropList* pStd = NewList<CStdPropList>();
    EXPECT_EQ(S_OK, pStd->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);
    pStd->Release();
    CNamedPropList* pNamed = NewList<CNamedPropList>();
    EXPECT_EQ(E_UNEXPECTED, pNamed->GetNextProperty(&p));
    pNamed->Release();
    pList->Release();
}

TEST_F(PropertyListTest, EmptyListsAndEmptySubListsYieldNothing) {
    CPropTypeList* pList = NewList<CPropTypeList>();
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(0u, pList->GetMapCount());

    // A failed insertion leaves the sub-list it made, empty.
    CNamedPropertyID* noGuid = Keep(new CNamedPropertyID());
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(noGuid));
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_TRUE(Walk(*pList).empty());
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    EXPECT_EQ(std::vector<std::string>{"std:0037001e"}, Walk(*pList));
    pList->Release();
}

TEST_F(PropertyListTest, SameKeyReplacesAndKeepsTheCount) {
    CStdPropList* pList = NewList<CStdPropList>();
    CStdPropertyID* first = Std(0x0037001E);
    CStdPropertyID* second = Std(0x0037001E);
    ASSERT_EQ(S_OK, pList->InsertProperty(first));
    EXPECT_EQ(2, first->AddRef() - 1);  // the test's and the list's reference
    first->Release();
    ASSERT_EQ(S_OK, pList->InsertProperty(second));
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_EQ(2, first->AddRef());  // the list gave its reference back
    first->Release();
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(second, p);
    p->Release();
    // Storing the very object it holds keeps it alive.
    ASSERT_EQ(S_OK, pList->InsertProperty(second));
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(second, p);
    p->Release();
    pList->Release();

    CGuidNamedNamedList* pNames = NewList<CGuidNamedNamedList>();
    CNamedPropertyID* a = ByName(kPublic, u"Key");
    CNamedPropertyID* b = ByName(kCommon, u"Key");  // the set plays no part here
    ASSERT_EQ(S_OK, pNames->InsertProperty(a));
    ASSERT_EQ(S_OK, pNames->InsertProperty(a));
    ASSERT_EQ(S_OK, pNames->InsertProperty(b));
    EXPECT_EQ(1u, pNames->GetMapCount());
    ASSERT_EQ(S_OK, pNames->GetFirstProperty(&p));
    EXPECT_EQ(b, p);
    p->Release();
    pNames->Release();

    CGuidNamedIDList* pIds = NewList<CGuidNamedIDList>();
    ASSERT_EQ(S_OK, pIds->InsertProperty(ById(kPublic, 5)));
    ASSERT_EQ(S_OK, pIds->InsertProperty(ById(kPublic, 5)));
    EXPECT_EQ(1u, pIds->GetMapCount());
    pIds->Release();
}

TEST_F(PropertyListTest, LookupFindsByKeyWithoutHandingOut) {
    CPropTypeList* pList = NewList<CPropTypeList>();
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, 0x8005)));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Keywords")));
    BOOL b = FALSE;
    EXPECT_EQ(S_OK, pList->Lookup(Std(0x0037001E), &b));
    EXPECT_TRUE(b);
    EXPECT_EQ(S_OK, pList->Lookup(Std(0x0037001F), &b));
    EXPECT_FALSE(b);
    EXPECT_EQ(S_OK, pList->Lookup(ById(kAddress, 0x8005), &b));
    EXPECT_TRUE(b);
    EXPECT_EQ(S_OK, pList->Lookup(ById(kCommon, 0x8005), &b));
    EXPECT_FALSE(b);
    EXPECT_EQ(S_OK, pList->Lookup(ByName(kPublic, u"Keywords"), &b));
    EXPECT_TRUE(b);
    EXPECT_EQ(S_OK, pList->Lookup(ByName(kPublic, u"keywords"), &b));
    EXPECT_FALSE(b);
    // A name looked up in a number-keyed set: the set refuses it.
    EXPECT_EQ(E_INVALIDARG, pList->Lookup(ByName(kAddress, u"x"), &b));
    EXPECT_FALSE(b);
    CPropTypeList* pEmpty = NewList<CPropTypeList>();
    EXPECT_EQ(S_OK, pEmpty->Lookup(Std(1), &b));
    EXPECT_FALSE(b);
    EXPECT_EQ(E_INVALIDARG, pEmpty->Lookup(nullptr, &b));
    pEmpty->Release();
    pList->Release();
}

TEST_F(PropertyListTest, RefusalsOfTheKeyedLists) {
    TraceCapture trace;
    CPropTypeList* pList = NewList<CPropTypeList>();
    ASSERT_EQ(S_OK, pList->InsertProperty(ById(kAddress, 0x8005)));
    // A name in a number-keyed set: refused by the set, traced by the named list, set unchanged.
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(ByName(kAddress, u"Keywords")));
    EXPECT_TRUE(trace.Contains("Unexpected type 1 of named property (0 = MNID_ID expected)!\n"));
    EXPECT_TRUE(trace.Contains("pList->InsertProperty() failed: hr = 0x80070057\n"));
    EXPECT_EQ(std::vector<std::string>{"id:8005"}, Walk(*pList));

    CNamedPropList* pNamed = NewList<CNamedPropList>();
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(Keep(new CNamedPropertyID())));
    EXPECT_TRUE(trace.Contains("Failure: No GUID defined!\n"));
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(Std(1)));
    EXPECT_EQ(0u, pNamed->GetMapCount());
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(nullptr));

    CStdPropList* pStd = NewList<CStdPropList>();
    EXPECT_EQ(E_INVALIDARG, pStd->InsertProperty(ById(kAddress, 1)));
    EXPECT_TRUE(trace.Contains("Invalid property type 2 found (expected type 1)\n"));
    CPropertyList* pSub = reinterpret_cast<CPropertyList*>(1);
    EXPECT_EQ(E_NOTIMPL, pStd->CreateNewPropertyList(Std(1), &pSub));
    EXPECT_EQ(nullptr, pSub);

    CGuidNamedNamedList* pNames = NewList<CGuidNamedNamedList>();
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ByName(kPublic, nullptr)));
    EXPECT_TRUE(trace.Contains("No property name specified!\n"));
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ById(kPublic, 1)));
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(Std(1)));
    EXPECT_EQ(0u, pNames->GetMapCount());

    // The base class holds nothing.
    CPropertyList* pBase = NewList<CPropertyList>();
    EXPECT_EQ(E_NOTIMPL, pBase->InsertProperty(Std(1)));
    EXPECT_EQ(E_INVALIDARG, pBase->InsertProperty(nullptr));
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(E_NOTIMPL, pBase->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(0u, pBase->GetMapCount());

    // The type list makes sub-lists only for the two kinds.
    CPropertyID* pPlain = Keep(new CPropertyID);
    EXPECT_EQ(E_UNEXPECTED, pList->InsertProperty(pPlain));
    EXPECT_TRUE(trace.Contains("Unknown property type 0!\n"));

    for (CPropertyList* l : {(CPropertyList*)pNamed, (CPropertyList*)pStd, (CPropertyList*)pNames, pBase,
                             (CPropertyList*)pList}) {
        l->Release();
    }
}

TEST_F(PropertyListTest, ClearListReleasesAndEndsTheWalk) {
    CPropTypeList* pList = NewList<CPropTypeList>();
    CStdPropertyID* s = Std(0x0037001E);
    ASSERT_EQ(S_OK, pList->InsertProperty(s));
    ASSERT_EQ(S_OK, pList->InsertProperty(ByName(kPublic, u"Key")));
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    p->Release();
    pList->ClearList();
    EXPECT_EQ(0u, pList->GetMapCount());
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));
    EXPECT_EQ(2, s->AddRef());  // only the test's own reference was left
    s->Release();
    pList->Release();
}

TEST_F(PropertyListTest, ReleaseAtZeroStillDestroys) {
    // A list nobody took a reference on goes with its first Release, not never.
    CStdPropList* pList = new CStdPropList;
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    EXPECT_EQ(0u, pList->Release());
}

}  // namespace
