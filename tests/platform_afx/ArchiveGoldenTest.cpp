// The archive's bytes: integer and text forms, record references and known files, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/afx/CArchive.h"
#include "platform/afx/CFile.h"
#include "tests/platform_afx/ArchiveTestRecords.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

using namespace afxtest;
using namespace golden;

namespace {

CPropTypeList* MakeDefaultPropertyGraph() {
    CPropTypeList* pTypes = new CPropTypeList;
    pTypes->AddRef();
    CStdPropList* pStd = new CStdPropList;
    CStdPropertyID* pProp = new CStdPropertyID;
    pProp->m_bSelected = 1;
    pProp->m_ulTag = 0x0037001E;
    pStd->Add(0x0037001E, pProp);
    pTypes->Add(1, pStd);
    return pTypes;
}

typedef RecordLeakTest ArchiveGoldenTest;

// Reads one record of the required class from bytes followed by trailing ones, holds it while
// check looks at it, and stores it again: every field, class and shared record must come back as
// the same bytes.
void ExpectReadsBackUnchanged(const Bytes& bytes, const CRuntimeClass* pRequired, const Bytes& trailing = {},
                              const std::function<void(CArchive&, CRefRecord*)>& check = nullptr) {
    Load(Concat({bytes, trailing}), [&](CArchive& ar) {
        auto* pRecord = static_cast<CRefRecord*>(ar.ReadObject(pRequired));
        ASSERT_NE(pRecord, nullptr);
        pRecord->AddRef();
        if (check) {
            check(ar, pRecord);
        }
        EXPECT_EQ(ToHex(Store([&](CArchive& out) { out << pRecord; })), ToHex(bytes));
        pRecord->Release();
    });
}

}  // namespace

TEST_F(ArchiveGoldenTest, IntegersAreLittleEndianAndPacked) {
    auto write = [](BYTE b, WORD w, DWORD dw, LONG l, LONGLONG ll) {
        return Store([&](CArchive& ar) { ar << b << w << dw << l << ll; });
    };
    Bytes bytes = write(0xAB, 0x1234, 0x89ABCDEF, -2, 0x0102030405060708LL);
    EXPECT_EQ(ToHex(bytes), "AB 34 12 EF CD AB 89 FE FF FF FF 08 07 06 05 04 03 02 01");
    // What is read back is written as the same bytes again.
    Load(bytes, [&](CArchive& ar) {
        BYTE b;
        WORD w;
        DWORD dw;
        LONG l;
        LONGLONG ll;
        ar >> b >> w >> dw >> l >> ll;
        EXPECT_EQ(ToHex(write(b, w, dw, l, ll)), ToHex(bytes));
    });
}

TEST_F(ArchiveGoldenTest, TextLengthFormsAtEveryBoundary) {
    struct Case {
        int nLength;
        const char* prefix;
    } cases[] = {
        {0, "00"},
        {3, "03"},
        {254, "FE"},
        {255, "FF FF 00"},
        {300, "FF 2C 01"},
        {65533, "FF FD FF"},
        {65534, "FF FF FF FE FF 00 00"},
        {70000, "FF FF FF 70 11 01 00"},
    };
    for (const Case& c : cases) {
        CString text(std::string((size_t)c.nLength, 'x'));
        Bytes bytes = Store([&](CArchive& ar) { ar << text; });
        Bytes prefix = Hex(c.prefix);
        ASSERT_EQ(bytes.size(), prefix.size() + (size_t)c.nLength) << c.nLength;
        EXPECT_EQ(ToHex(Bytes(bytes.begin(), bytes.begin() + (long)prefix.size())), ToHex(prefix))
            << c.nLength;
        Load(bytes, [&](CArchive& ar) {
            CString back;
            ar >> back;
            EXPECT_EQ(back, text) << c.nLength;
        });
    }
}

TEST_F(ArchiveGoldenTest, Utf16TextIsReadAndWrittenBackAsUtf8) {
    // "abc", then "a" with a zero unit that ends it early, then U+00E9 and U+1F600 (a pair).
    Bytes bytes =
        Hex("FF FE FF 03 61 00 62 00 63 00  FF FE FF 03 61 00 00 00 62 00  FF FE FF 03 E9 00 3D D8 00 DE");
    CString a, b, c;
    Load(bytes, [&](CArchive& ar) { ar >> a >> b >> c; });
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "a");
    EXPECT_EQ(c, "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(ToHex(Store([&](CArchive& ar) { ar << a; })), "03 61 62 63");

    // The long length forms count units, and a lone surrogate becomes U+FFFD.
    Bytes longForm = Hex("FF FE FF FF 2C 01");
    for (int i = 0; i < 300; ++i) {
        longForm.push_back('z');
        longForm.push_back(0);
    }
    longForm.insert(longForm.end(), {0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xDC});
    Load(longForm, [](CArchive& ar) {
        CString text, lone;
        ar >> text >> lone;
        EXPECT_EQ(text, CString('z', 300));
        EXPECT_EQ(lone, "\xEF\xBF\xBD");
    });
}

TEST_F(ArchiveGoldenTest, DefaultPropertyFileIs109KnownBytes) {
    CPropTypeList* pTypes = MakeDefaultPropertyGraph();
    Bytes bytes = Store([&](CArchive& ar) { ar << pTypes; });
    pTypes->Release();
    ASSERT_EQ(bytes.size(), 109u);
    EXPECT_EQ(ToHex(bytes), ToHex(DefaultPropertyFile()));

    // Bytes after the last record read are never looked at.
    ExpectReadsBackUnchanged(bytes, RUNTIME_CLASS(CPropertyList), Hex("FF FF FF FF 'garbage'"));
}

TEST_F(ArchiveGoldenTest, NamedListBodyMatchesTheKnownExample) {
    CNamedPropList* pNamed = new CNamedPropList;
    pNamed->AddRef();
    CGuidNamedIDList* pSet = new CGuidNamedIDList;
    CNamedPropertyID* pProp = new CNamedPropertyID;
    pProp->m_bSelected = 1;
    pProp->m_ulPropType = 0x1F;
    pProp->m_guid = kGuidBytes;
    pProp->m_lID = 0x8083;
    pSet->Add(0, pProp);
    pNamed->Add(0, pSet, kGuidBytes);
    Bytes bytes = Store([&](CArchive& ar) { ar << pNamed; });
    pNamed->Release();

    EXPECT_EQ(ToHex(bytes), ToHex(NamedListFile()));
    ExpectReadsBackUnchanged(bytes, RUNTIME_CLASS(CPropertyList));
}

TEST_F(ArchiveGoldenTest, RecordsByIdentityClassesByIndex) {
    // Two equal records give two bodies; one record written twice gives a back-reference. The
    // bag's class is 1, the bag 2, CPropertyID 3, the first leaf 4, the second leaf 5.
    CTestBag* pBag = new CTestBag;
    pBag->AddRef();
    CPropertyID* pFirst = new CPropertyID;
    CPropertyID* pSecond = new CPropertyID;
    pBag->Add(pFirst);
    pBag->Add(pSecond);
    pBag->Add(pFirst);
    pBag->Add(nullptr);
    Bytes bytes = Store([&](CArchive& ar) { ar << pBag << pSecond; });
    pBag->Release();
    EXPECT_EQ(ToHex(bytes), ToHex(Hex("FF FF 01 00 08 00 'CTestBag' 01 00 00 00 00 04 00 00 00 "
                                      "FF FF 01 00 0B 00 'CPropertyID' 01 00 00 00 00 00 00 00 00 00 00 00 "
                                      "03 80 01 00 00 00 00 00 00 00 00 00 00 00 "
                                      "04 00 00 00 05 00")));
    // The bag alone reads back to its own bytes; the reference after it is read while it is held.
    const Bytes bag(bytes.begin(), bytes.end() - 2);
    ExpectReadsBackUnchanged(bag, nullptr, Hex("05 00"), [](CArchive& ar, CRefRecord* pRecord) {
        auto* pBack = static_cast<CTestBag*>(pRecord);
        ASSERT_EQ(pBack->m_items.size(), 4u);
        EXPECT_NE(pBack->m_items[0], pBack->m_items[1]);
        EXPECT_EQ(pBack->m_items[0], pBack->m_items[2]);
        EXPECT_EQ(pBack->m_items[3], nullptr);
        // A later reference yields the record already read, not a copy.
        CObject* pLater = ar.ReadObject(RUNTIME_CLASS(CPropertyID));
        EXPECT_EQ(pLater, pBack->m_items[1]);
    });
    // A null slot reads as null whatever class the slot requires.
    Load(Hex("00 00"),
         [](CArchive& ar) { EXPECT_EQ(ar.ReadObject(RUNTIME_CLASS(CStdPropertyID)), nullptr); });
}

TEST_F(ArchiveGoldenTest, BigIndexFormsPastThe16BitRange) {
    Bytes bytes = BigBagStream();
    // The new CStdPropertyID class with its first record; its class index 0x8004 in the big form
    // (FF 7F, then the index with the class flag 0x80000000) before the second; then the leaf
    // 0x7FFF in the big form, 0x7FFE in the short one, and record 0x8005 again.
    const std::string body = "01 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 ";
    const Bytes tail = Hex("FF FF 01 00 0E 00 'CStdPropertyID' " + body + "0A 00 00 00 FF 7F 04 80 00 80 " +
                           body + "0B 00 00 00 FF 7F FF 7F 00 00 FE 7F FF 7F 05 80 00 00");
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(ToHex(Bytes(bytes.end() - (long)tail.size(), bytes.end())), ToHex(tail));

    ExpectReadsBackUnchanged(bytes, nullptr);
}

TEST_F(ArchiveGoldenTest, ShippedDefaultPropertyFilesReadAndWriteBackUnchanged) {
    // The default property files beside the program, when the build made them: whatever the
    // catalog holds, the records must come back as the same bytes.
    const char* names[] = {"Mail.qrvv",     "Kontakt.qrvv", "Kalender.qrvv",
                           "Aufgaben.qrvv", "Notiz.qrvv",   "Journal.qrvv"};
    int nRead = 0;
    for (const char* name : names) {
        CFile file;
        if (!file.Open((std::string(QRV_PROGRAM_DIR "/") + name).c_str(), CFile::modeRead)) {
            continue;
        }
        Bytes bytes((size_t)file.GetLength());
        ASSERT_EQ(file.Read(bytes.data(), (UINT)bytes.size()), bytes.size());
        SCOPED_TRACE(name);
        ExpectReadsBackUnchanged(bytes, RUNTIME_CLASS(CPropTypeList));
        ++nRead;
    }
    if (nRead == 0) {
        GTEST_SKIP() << "no default property files in " QRV_PROGRAM_DIR;
    }
}
