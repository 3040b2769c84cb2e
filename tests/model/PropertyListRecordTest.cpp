// Records of the property lists byte for byte, the default property file, and damaged streams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "tests/model/PropTestSupport.h"

using proptest::Ascii;
using proptest::Bytes;
using proptest::Hex;
using proptest::LoadObject;
using proptest::StoreObject;
using proptest::ToHex;
using proptest::TraceCapture;
using proptest::operator+;

namespace {

// {01234567-89AB-CDEF-0123-456789ABCDEF}
const GUID kGuid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
const char kGuidHex[] = "67 45 23 01 AB 89 EF CD 01 23 45 67 89 AB CD EF";

Bytes NewClass(const std::string& name) {
    Bytes b = Hex("FF FF 01 00");
    b.push_back((BYTE)name.size());
    b.push_back(0);
    return b + Ascii(name);
}

Bytes Dword(DWORD v) {
    return Bytes{(BYTE)v, (BYTE)(v >> 8), (BYTE)(v >> 16), (BYTE)(v >> 24)};
}

// The smallest useful default property file: one standard property 0x0037001E, selected.
Bytes ExampleFile() {
    return NewClass("CPropTypeList") + Hex("01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00") +
           NewClass("CStdPropList") + Hex("01 00 00 00 01 00 00 00 01 00 00 00 1E 00 37 00") +
           NewClass("CStdPropertyID") + Hex("01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
}

// The body of a named property record by number (base part, then the named part).
Bytes NamedById(DWORD number, DWORD selected = 0) {
    return Dword(1) + Dword(selected) + Dword(0) + Dword(1) + Dword(PT_LONG) + Dword(16) + Hex(kGuidHex) +
           Dword(0) + Dword(number);
}

Bytes NamedByName(const std::u16string& name) {
    Bytes b = Dword(1) + Dword(0) + Dword(0) + Dword(1) + Dword(PT_UNICODE) + Dword(16) + Hex(kGuidHex) +
              Dword(1) + Dword((DWORD)name.size());
    for (char16_t c : name) {
        b.push_back((BYTE)c);
        b.push_back((BYTE)(c >> 8));
    }
    return b;
}

template <class T>
T* Load(const Bytes& bytes) {
    CObject* p = LoadObject(bytes, RUNTIME_CLASS(CPropertyList));
    T* pList = dynamic_cast<T*>(p);
    EXPECT_NE(nullptr, pList);
    if (pList == nullptr) {
        delete p;
        return nullptr;
    }
    pList->AddRef();
    return pList;
}

// "ok", "notsupported", "memory" or "archive:<cause>"; a loaded record is released.
std::string LoadOutcome(const Bytes& bytes) {
    try {
        CObject* p = LoadObject(bytes, RUNTIME_CLASS(CPropertyList));
        if (auto* l = dynamic_cast<CPropertyList*>(p)) {
            l->AddRef();
            l->Release();
        }
    } catch (CNotSupportedException* e) {
        e->Delete();
        return "notsupported";
    } catch (CMemoryException* e) {
        e->Delete();
        return "memory";
    } catch (CArchiveException* e) {
        std::string s = "archive:" + std::to_string(e->m_cause);
        e->Delete();
        return s;
    }
    return "ok";
}

TEST(PropertyListRecordTest, SmallestDefaultFileBytesAndLoad) {
    const Bytes file = ExampleFile();
    ASSERT_EQ(109u, file.size());

    CPropTypeList* pList = Load<CPropTypeList>(file);
    ASSERT_NE(nullptr, pList);
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    ASSERT_NE(nullptr, p);
    ULONG ulTag = 0;
    EXPECT_EQ(S_OK, p->GetPropertyID(nullptr, &ulTag));
    EXPECT_EQ(0x0037001Eu, ulTag);
    EXPECT_TRUE(p->IsSelected());
    p->Release();
    ASSERT_EQ(S_OK, pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);

    // Written back, it is the same file.
    EXPECT_EQ(ToHex(file), ToHex(StoreObject(pList)));
    pList->Release();
}

TEST(PropertyListRecordTest, NamedListBodyWithNumberAndNameSets) {
    const GUID other = {0x00062008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    CNamedPropList* pList = new CNamedPropList;
    pList->AddRef();
    CNamedPropertyID* byId = new CNamedPropertyID(0, &kGuid, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_LONG, 0));
    CNamedPropertyID* byName =
        new CNamedPropertyID(0, &other, MNID_STRING, 0, u"Key", PROP_TAG(PT_UNICODE, 0));
    byId->AddRef();
    byName->AddRef();
    ASSERT_EQ(S_OK, pList->InsertProperty(byName));
    ASSERT_EQ(S_OK, pList->InsertProperty(byId));

    // {01234567} (first byte 67) comes after {00062008} (first byte 08).
    const Bytes nameBody = Dword(1) + Dword(0) + Dword(0) + Dword(1) + Dword(PT_UNICODE) + Dword(16) +
                           Hex("08 20 06 00 00 00 00 00 C0 00 00 00 00 00 00 46") + Dword(1) + Dword(3) +
                           Hex("4B 00 65 00 79 00");
    const Bytes expected = NewClass("CNamedPropList") + Dword(1) + Dword(1) + Dword(2) + Dword(16) +
                           Hex("08 20 06 00 00 00 00 00 C0 00 00 00 00 00 00 46") +
                           NewClass("CGuidNamedNamedList") + Dword(1) + Dword(1) + Dword(1) +
                           NewClass("CNamedPropertyID") + nameBody + Dword(16) + Hex(kGuidHex) +
                           NewClass("CGuidNamedIDList") + Dword(1) + Dword(1) + Dword(1) +
                           Hex("05 80") /* CNamedPropertyID, class index 5 */ + NamedById(0x8005);
    const Bytes stored = StoreObject(pList);
    EXPECT_EQ(ToHex(expected), ToHex(stored));

    CNamedPropList* pLoaded = Load<CNamedPropList>(stored);
    ASSERT_NE(nullptr, pLoaded);
    EXPECT_EQ(ToHex(stored), ToHex(StoreObject(pLoaded)));
    EXPECT_EQ(2u, pLoaded->GetMapCount());
    pLoaded->Release();
    byId->Release();
    byName->Release();
    pList->Release();
}

TEST(PropertyListRecordTest, EmptySubListsAreNotWritten) {
    CPropTypeList* pList = new CPropTypeList;
    pList->AddRef();
    EXPECT_EQ(ToHex(NewClass("CPropTypeList") + Dword(1) + Dword(1) + Dword(0)), ToHex(StoreObject(pList)));

    // A failed insertion leaves an empty named sub-list behind: it counts, but is not saved.
    CNamedPropertyID* noGuid = new CNamedPropertyID;
    noGuid->AddRef();
    EXPECT_EQ(E_INVALIDARG, pList->InsertProperty(noGuid));
    noGuid->Release();
    EXPECT_EQ(1u, pList->GetMapCount());
    const Bytes stored = StoreObject(pList);
    EXPECT_EQ(ToHex(NewClass("CPropTypeList") + Dword(1) + Dword(1) + Dword(0)), ToHex(stored));
    CPropTypeList* pLoaded = Load<CPropTypeList>(stored);
    EXPECT_EQ(0u, pLoaded->GetMapCount());
    pLoaded->Release();

    // The same inside the named list: a set whose sub-list is empty is left out.
    CNamedPropList* pNamed = new CNamedPropList;
    pNamed->AddRef();
    CNamedPropertyID* noName = new CNamedPropertyID(0, &kGuid, MNID_STRING, 0, nullptr, 0);
    noName->AddRef();
    EXPECT_EQ(E_INVALIDARG, pNamed->InsertProperty(noName));
    noName->Release();
    EXPECT_EQ(1u, pNamed->GetMapCount());
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    EXPECT_EQ(S_OK, pNamed->GetFirstProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(ToHex(NewClass("CNamedPropList") + Dword(1) + Dword(1) + Dword(0)), ToHex(StoreObject(pNamed)));
    pNamed->Release();
    pList->Release();
}

TEST(PropertyListRecordTest, LaterEntriesOfTheSameKeyWin) {
    // Kind 1 twice: the second sub-list replaces the first.
    const Bytes twice = NewClass("CPropTypeList") + Dword(1) + Dword(1) + Dword(2) + Dword(1) +
                        NewClass("CStdPropList") + Dword(1) + Dword(1) + Dword(1) + Hex("1E 00 37 00") +
                        NewClass("CStdPropertyID") +
                        Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00") + Dword(1) +
                        Hex("03 80") /* CStdPropList, class index 3 */ + Dword(1) + Dword(1) + Dword(1) +
                        Hex("1E 00 01 30") + Hex("05 80") /* CStdPropertyID, class index 5 */ +
                        Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 1E 00 01 30");
    CPropTypeList* pList = Load<CPropTypeList>(twice);
    ASSERT_NE(nullptr, pList);
    EXPECT_EQ(1u, pList->GetMapCount());
    CPropertyID* p = nullptr;
    ASSERT_EQ(S_OK, pList->GetFirstProperty(&p));
    ULONG ulTag = 0;
    p->GetPropertyID(nullptr, &ulTag);
    EXPECT_EQ(0x3001001Eu, ulTag);
    p->Release();
    pList->Release();

    // Two records of one number in a number-keyed body: one entry, the later one.
    const Bytes numbers = NewClass("CGuidNamedIDList") + Dword(1) + Dword(1) + Dword(2) +
                          NewClass("CNamedPropertyID") + NamedById(0x8005, 0) + Hex("03 80") +
                          NamedById(0x8005, 1);
    CGuidNamedIDList* pIds = Load<CGuidNamedIDList>(numbers);
    ASSERT_NE(nullptr, pIds);
    EXPECT_EQ(1u, pIds->GetMapCount());
    ASSERT_EQ(S_OK, pIds->GetFirstProperty(&p));
    EXPECT_TRUE(p->IsSelected());
    p->Release();
    pIds->Release();

    // The same record referred to twice in one body is one object held once.
    const Bytes shared = NewClass("CGuidNamedNamedList") + Dword(1) + Dword(1) + Dword(2) +
                         NewClass("CNamedPropertyID") + NamedByName(u"Key") + Hex("04 00");
    CGuidNamedNamedList* pNames = Load<CGuidNamedNamedList>(shared);
    ASSERT_NE(nullptr, pNames);
    EXPECT_EQ(1u, pNames->GetMapCount());
    pNames->Release();
}

TEST(PropertyListRecordTest, WrongVersionsAreNotSupported) {
    TraceCapture trace;
    EXPECT_EQ("notsupported", LoadOutcome(NewClass("CPropTypeList") + Dword(2) + Dword(1) + Dword(0)));
    EXPECT_TRUE(trace.Contains("Invalid archive version 2!\n"));
    EXPECT_EQ("notsupported", LoadOutcome(NewClass("CStdPropList") + Dword(1) + Dword(2) + Dword(0)));
    EXPECT_EQ("ok", LoadOutcome(NewClass("CStdPropList") + Dword(1) + Dword(1) + Dword(0)));
}

TEST(PropertyListRecordTest, WrongKindsInKeyedBodiesAreNotSupported) {
    TraceCapture trace;
    const Bytes stdRecord =
        NewClass("CStdPropertyID") + Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
    EXPECT_EQ("notsupported",
              LoadOutcome(NewClass("CGuidNamedIDList") + Dword(1) + Dword(1) + Dword(1) + stdRecord));
    EXPECT_TRUE(trace.Contains("Unexpected property type 1 instead PT_NAMED_TYPE (=2)!\n"));
    EXPECT_TRUE(trace.Contains("Failed to load property list!\n"));

    EXPECT_EQ("notsupported", LoadOutcome(NewClass("CGuidNamedIDList") + Dword(1) + Dword(1) + Dword(1) +
                                          NewClass("CNamedPropertyID") + NamedByName(u"Key")));
    EXPECT_TRUE(trace.Contains("Unexpected type 1 of named property (0 = MNID_ID expected)!\n"));
    EXPECT_EQ("notsupported", LoadOutcome(NewClass("CGuidNamedNamedList") + Dword(1) + Dword(1) + Dword(1) +
                                          NewClass("CNamedPropertyID") + NamedById(5)));
    EXPECT_TRUE(trace.Contains("Unexpected type 0 of named property (1 = MNID_STRING expected)!\n"));
    // A name-keyed property without a name could never be inserted, so it is not loaded either.
    EXPECT_EQ("notsupported", LoadOutcome(NewClass("CGuidNamedNamedList") + Dword(1) + Dword(1) + Dword(1) +
                                          NewClass("CNamedPropertyID") + NamedByName(u"")));
    EXPECT_TRUE(trace.Contains("No property name specified!\n"));
}

TEST(PropertyListRecordTest, DamagedStreamsFailCleanly) {
    // A GUID key of another length than 16 would be compared over 16 bytes.
    EXPECT_EQ("archive:1", LoadOutcome(NewClass("CNamedPropList") + Dword(1) + Dword(1) + Dword(1) +
                                       Dword(4) + Hex("01 02 03 04") + Hex("00 00")));
    EXPECT_EQ("archive:1", LoadOutcome(NewClass("CNamedPropList") + Dword(1) + Dword(1) + Dword(1) +
                                       Dword(0) + Hex("00 00")));
    // A GUID cut short.
    EXPECT_EQ("archive:3", LoadOutcome(NewClass("CNamedPropList") + Dword(1) + Dword(1) + Dword(1) +
                                       Dword(16) + Hex("01 02 03")));
    // A null sub-list or property.
    EXPECT_EQ("memory", LoadOutcome(NewClass("CPropTypeList") + Dword(1) + Dword(1) + Dword(1) + Dword(1) +
                                    Hex("00 00")));
    EXPECT_EQ("memory", LoadOutcome(NewClass("CStdPropList") + Dword(1) + Dword(1) + Dword(1) + Dword(5) +
                                    Hex("00 00")));
    // A property where a list is required.
    EXPECT_EQ("archive:6", LoadOutcome(NewClass("CPropTypeList") + Dword(1) + Dword(1) + Dword(1) + Dword(1) +
                                       NewClass("CStdPropertyID")));
    // An empty file, and every cut of the example file.
    EXPECT_EQ("archive:3", LoadOutcome(Bytes()));
    const Bytes file = ExampleFile();
    for (size_t n = 1; n < file.size(); ++n) {
        // Inside a class name the archive answers bad class, elsewhere end of file.
        const std::string outcome = LoadOutcome(Bytes(file.begin(), file.begin() + n));
        EXPECT_TRUE(outcome == "archive:3" || outcome == "archive:6") << "cut at " << n << ": " << outcome;
    }
    // A count of four billion entries in a short stream ends at the end of the stream.
    EXPECT_EQ("archive:3", LoadOutcome(NewClass("CStdPropList") + Dword(1) + Dword(1) + Dword(0xFFFFFFFF)));
}

}  // namespace
