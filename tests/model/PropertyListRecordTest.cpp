// Records of the property lists byte for byte, the default property file, and damaged streams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropertyID.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

// {01234567-89AB-CDEF-0123-456789ABCDEF}
const GUID kGuid = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
const char kGuidHex[] = "67 45 23 01 AB 89 EF CD 01 23 45 67 89 AB CD EF";
const char kCommonHex[] = "08 20 06 00 00 00 00 00 C0 00 00 00 00 00 00 46";  // {00062008-...-46}

// The version DWORDs of a list record: base part and own part.
const std::string kListVersions = Hex("01 00 00 00 01 00 00 00");

// The smallest useful default property file: one standard property 0x0037001E, selected.
std::string ExampleFile() {
    return NewClassTag("CPropTypeList") + kListVersions + Hex("01 00 00 00 01 00 00 00") +
           NewClassTag("CStdPropList") + kListVersions + Hex("01 00 00 00 1E 00 37 00") +
           NewClassTag("CStdPropertyID") + Hex("01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
}

std::string StdBody(const char* tagHex) {
    return Hex("01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00") + Hex(tagHex);
}
// The body of a named property record (base part, then the named part).
std::string NamedById(DWORD number, DWORD selected = 0) {
    return Dword(1) + Dword(selected) + Dword(0) + Dword(1) + Dword(PT_LONG) + Dword(16) + Hex(kGuidHex) +
           Dword(0) + Dword(number);
}
std::string NamedByName(const std::u16string& name, const char* guidHex = kGuidHex) {
    std::string b = Dword(1) + Dword(0) + Dword(0) + Dword(1) + Dword(PT_UNICODE) + Dword(16) + Hex(guidHex) +
                    Dword(1) + Dword((DWORD)name.size());
    for (char16_t c : name) {
        b += (char)c;
        b += (char)(c >> 8);
    }
    return b;
}

template <class T>
T* Load(const std::string& bytes) {
    T* pList = dynamic_cast<T*>(LoadRecord(bytes, RUNTIME_CLASS(CPropertyList)));
    EXPECT_NE(nullptr, pList);
    if (pList != nullptr)
        pList->AddRef();
    return pList;
}

std::string LoadOutcome(const std::string& bytes) {
    return Outcome([&] {
        if (auto* p = dynamic_cast<CPropertyList*>(LoadRecord(bytes, RUNTIME_CLASS(CPropertyList)))) {
            p->AddRef();
            p->Release();
        }
    });
}

ULONG FirstTag(CPropertyList* pList, BOOL* pbSelected = nullptr) {
    CPropertyID* p = nullptr;
    ULONG ulTag = 0;
    EXPECT_EQ(S_OK, pList->GetFirstProperty(&p));
    if (p != nullptr) {
        p->GetPropertyID(nullptr, &ulTag);
        if (pbSelected != nullptr)
            *pbSelected = p->IsSelected();
        p->Release();
    }
    return ulTag;
}

TEST(PropertyListRecordTest, SmallestDefaultFileBytesAndLoad) {
    const std::string file = ExampleFile();
    CPropTypeList* pList = Load<CPropTypeList>(file);
    ASSERT_NE(nullptr, pList);
    BOOL bSelected = FALSE;
    EXPECT_EQ(0x0037001Eu, FirstTag(pList, &bSelected));
    EXPECT_TRUE(bSelected);
    CPropertyID* p = reinterpret_cast<CPropertyID*>(1);
    ASSERT_EQ(S_OK, pList->GetNextProperty(&p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(ToHex(file), ToHex(StoreRecord(pList)));
    pList->Release();
}

TEST(PropertyListRecordTest, NamedListBodyWithNumberAndNameSets) {
    const GUID common = {0x00062008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    CNamedPropList* pList = new CNamedPropList;
    pList->AddRef();
    CNamedPropertyID* byId = new CNamedPropertyID(0, &kGuid, MNID_ID, 0x8005, nullptr, PROP_TAG(PT_LONG, 0));
    CNamedPropertyID* byName =
        new CNamedPropertyID(0, &common, MNID_STRING, 0, u"Key", PROP_TAG(PT_UNICODE, 0));
    ASSERT_EQ(S_OK, pList->InsertProperty(byName));
    ASSERT_EQ(S_OK, pList->InsertProperty(byId));

    // {00062008} (first stored byte 08) comes before {01234567} (67).
    const std::string expected =
        NewClassTag("CNamedPropList") + kListVersions + Dword(2) + Dword(16) + Hex(kCommonHex) +
        NewClassTag("CGuidNamedNamedList") + kListVersions + Dword(1) + NewClassTag("CNamedPropertyID") +
        NamedByName(u"Key", kCommonHex) + Dword(16) + Hex(kGuidHex) + NewClassTag("CGuidNamedIDList") +
        kListVersions + Dword(1) + Hex("05 80") /* CNamedPropertyID, class index 5 */ + NamedById(0x8005);
    EXPECT_EQ(ToHex(expected), ToHex(StoreRecord(pList)));
    pList->Release();
}

TEST(PropertyListRecordTest, LaterEntriesOfTheSameKeyWin) {
    // Kind 1 twice: the second sub-list replaces the first.
    const std::string twice = NewClassTag("CPropTypeList") + kListVersions + Dword(2) + Dword(1) +
                              NewClassTag("CStdPropList") + kListVersions + Dword(1) + Hex("1E 00 37 00") +
                              NewClassTag("CStdPropertyID") + StdBody("1E 00 37 00") + Dword(1) +
                              Hex("03 80") /* CStdPropList */ + kListVersions + Dword(1) +
                              Hex("1E 00 01 30") + Hex("05 80") /* CStdPropertyID */ + StdBody("1E 00 01 30");
    CPropTypeList* pList = Load<CPropTypeList>(twice);
    ASSERT_NE(nullptr, pList);
    EXPECT_EQ(1u, pList->GetMapCount());
    EXPECT_EQ(0x3001001Eu, FirstTag(pList));
    pList->Release();

    // The replaced sub-list is gone: a later reference to it in the same stream is a damaged
    // file, never the freed object.
    const std::string outcome = Outcome([&] {
        Loaded(twice + Hex("04 00") /* the first sub-list's index */, [](CArchive& ar) {
            auto* pTypes = dynamic_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
            ASSERT_NE(nullptr, pTypes);
            pTypes->AddRef();
            try {
                ar.ReadObject(RUNTIME_CLASS(CPropertyList));
            } catch (...) {
                pTypes->Release();
                throw;
            }
            pTypes->Release();
        });
    });
    EXPECT_EQ("archive:" + std::to_string(CArchiveException::badIndex), outcome);

    // Two records of one number in a number-keyed body: one entry, the later one.
    CGuidNamedIDList* pIds = Load<CGuidNamedIDList>(
        NewClassTag("CGuidNamedIDList") + kListVersions + Dword(2) + NewClassTag("CNamedPropertyID") +
        NamedById(0x8005, 0) + Hex("03 80") + NamedById(0x8005, 1));
    ASSERT_NE(nullptr, pIds);
    EXPECT_EQ(1u, pIds->GetMapCount());
    BOOL bSelected = FALSE;
    FirstTag(pIds, &bSelected);
    EXPECT_TRUE(bSelected);
    pIds->Release();

    // The same record referred to twice in one body is one object, held once.
    CGuidNamedNamedList* pNames =
        Load<CGuidNamedNamedList>(NewClassTag("CGuidNamedNamedList") + kListVersions + Dword(2) +
                                  NewClassTag("CNamedPropertyID") + NamedByName(u"Key") + Hex("04 00"));
    ASSERT_NE(nullptr, pNames);
    EXPECT_EQ(1u, pNames->GetMapCount());
    pNames->Release();
}

TEST(PropertyListRecordTest, WrongVersionsAndKindsAreNotSupported) {
    EXPECT_EQ("notsupported", LoadOutcome(NewClassTag("CPropTypeList") + Dword(2) + Dword(1) + Dword(0)));
    EXPECT_EQ("notsupported", LoadOutcome(NewClassTag("CStdPropList") + Dword(1) + Dword(2) + Dword(0)));

    const std::string idList = NewClassTag("CGuidNamedIDList") + kListVersions + Dword(1);
    const std::string nameList = NewClassTag("CGuidNamedNamedList") + kListVersions + Dword(1);
    EXPECT_EQ("notsupported", LoadOutcome(idList + NewClassTag("CStdPropertyID") + StdBody("1E 00 37 00")));
    EXPECT_EQ("notsupported", LoadOutcome(idList + NewClassTag("CNamedPropertyID") + NamedByName(u"Key")));
    EXPECT_EQ("notsupported", LoadOutcome(nameList + NewClassTag("CNamedPropertyID") + NamedById(5)));
    // A name-keyed property without a name could never be inserted, so it is not loaded either.
    EXPECT_EQ("notsupported", LoadOutcome(nameList + NewClassTag("CNamedPropertyID") + NamedByName(u"")));
    EXPECT_EQ("notsupported", LoadOutcome(nameList + NewClassTag("CNamedPropertyID") +
                                          NamedByName(std::u16string(u"\0Key", 4))));
}

TEST(PropertyListRecordTest, DamagedStreamsFailCleanly) {
    const std::string namedHead = NewClassTag("CNamedPropList") + kListVersions + Dword(1);
    // A GUID key of another length than 16 would be compared over 16 bytes.
    EXPECT_EQ("archive:1", LoadOutcome(namedHead + Dword(4) + Hex("01 02 03 04 00 00")));
    EXPECT_EQ("archive:1", LoadOutcome(namedHead + Dword(0) + Hex("00 00")));
    EXPECT_EQ("archive:3", LoadOutcome(namedHead + Dword(16) + Hex("01 02 03")));
    // Null entries, and a property where a list is required.
    const std::string typeHead = NewClassTag("CPropTypeList") + kListVersions + Dword(1) + Dword(1);
    EXPECT_EQ("memory", LoadOutcome(typeHead + Hex("00 00")));
    EXPECT_EQ("memory",
              LoadOutcome(NewClassTag("CStdPropList") + kListVersions + Dword(1) + Dword(5) + Hex("00 00")));
    EXPECT_EQ("archive:6", LoadOutcome(typeHead + NewClassTag("CStdPropertyID")));
    // Four billion entries announced in a short stream.
    EXPECT_EQ("archive:3", LoadOutcome(NewClassTag("CStdPropList") + kListVersions + Dword(0xFFFFFFFF)));
    // An empty file, and every cut of the example file: bad class inside a name, else end of file.
    EXPECT_EQ("archive:3", LoadOutcome(std::string()));
    const std::string file = ExampleFile();
    for (size_t n = 1; n < file.size(); ++n) {
        const std::string outcome = LoadOutcome(std::string(file.begin(), file.begin() + n));
        EXPECT_TRUE(outcome == "archive:3" || outcome == "archive:6") << "cut at " << n << ": " << outcome;
    }
}

}  // namespace
