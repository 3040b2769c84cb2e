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
#include "platform/win32/Format.h"
#include "tests/model/PropTestSupport.h"

namespace {

const GUID kAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kPublic = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kCommon = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Makes properties and lists and gives back its references at the end of the test.
class PropertyListTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (CPropertyList* l : m_lists) {
            l->Release();
        }
        for (CPropertyID* p : m_props) {
            p->Release();
        }
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

// What a walk yields: "std:0037001e", "id:8005", "name:Key".
std::vector<std::string> Walk(CPropertyList& list) {
    std::vector<std::string> out;
    CPropertyID* p = nullptr;
    HRESULT hr = list.GetFirstProperty(&p);
    while (SUCCEEDED(hr) && p != nullptr) {
        if (auto* s = dynamic_cast<CStdPropertyID*>(p)) {
            out.push_back(FormatText("std:%08lx", s->GetTag()));
        } else if (auto* n = dynamic_cast<CNamedPropertyID*>(p)) {
            MAPINAMEID id = n->GetNameID();
            out.push_back(id.ulKind == MNID_ID ? FormatText("id:%lx", (ULONG)id.Kind.lID)
                                               : "name:" + Utf16ToUtf8(id.Kind.lpwstrName));
        }
        p->Release();
        p = nullptr;
        hr = list.GetNextProperty(&p);
    }
    EXPECT_EQ(S_OK, hr);
    return out;
}

TEST_F(PropertyListTest, CursorsAtTheEndAndEmptySubLists) {
    CPropTypeList* pList = List<CPropTypeList>();
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(S_OK, pList->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_UNEXPECTED, pList->GetNextProperty(&p));

    // A failed insertion leaves the sub-list it made, empty: counted, passed over by walks.
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(Keep(new CNamedPropertyID())));
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_TRUE(Walk(*pList).empty());
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
    CPropertyList* pSub = reinterpret_cast<CPropertyList*>(1);
    EXPECT_EQ(E_NOTIMPL, pStd->CreateNewPropertyList(Std(1), &pSub));
    EXPECT_EQ(nullptr, pSub);

    CGuidNamedNamedList* pNames = List<CGuidNamedNamedList>();
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ByName(kPublic, nullptr)));
    // An empty name would be saved as no name, and the file could not be loaded again.
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ByName(kPublic, u"")));
    EXPECT_EQ(E_INVALIDARG, pNames->InsertProperty(ById(kPublic, 1)));
    EXPECT_EQ(0u, pNames->GetMapCount());

    CPropertyList* pBase = List<CPropertyList>();
    EXPECT_EQ(E_NOTIMPL, pBase->InsertProperty(Std(1)));
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(E_NOTIMPL, pBase->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
}

TEST_F(PropertyListTest, ReleaseAtZeroStillDestroys) {
    // A list nobody took a reference on goes with its first Release (the sanitizer run checks).
    CStdPropList* pList = new CStdPropList;
    ASSERT_EQ(S_OK, pList->InsertProperty(Std(0x0037001E)));
    EXPECT_EQ(0u, pList->Release());
    CStdPropertyID* pProp = new CStdPropertyID(0, 1);
    EXPECT_EQ(0, pProp->Release());
}

}  // namespace
