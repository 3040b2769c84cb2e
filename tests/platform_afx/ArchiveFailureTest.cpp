// Damaged and hostile streams: every failure has its cause, nothing leaks, nothing huge is allocated.
#include <gtest/gtest.h>

#include "platform/afx/CArchive.h"
#include "tests/platform_afx/ArchiveTestRecords.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

using namespace afxtest;
using namespace golden;

namespace {

typedef RecordLeakTest ArchiveFailureTest;

// Reads one record (of the required class, or any when null) and releases whatever comes back.
int CauseOfReading(const Bytes& bytes, const CRuntimeClass* pRequired) {
    return ArchiveCause([&] {
        Load(bytes, [&](CArchive& ar) {
            CObject* pOb = ar.ReadObject(pRequired);
            if (pOb != nullptr) {
                static_cast<CRefRecord*>(pOb)->AddRef();
                static_cast<CRefRecord*>(pOb)->Release();
            }
        });
    });
}

// As a default property file is read.
int CauseOfReadingList(const Bytes& bytes) {
    return CauseOfReading(bytes, RUNTIME_CLASS(CPropertyList));
}

// A bag has no required class.
int CauseOfReadingBag(const Bytes& bytes) {
    return CauseOfReading(bytes, nullptr);
}

const char* kBagHeader = "FF FF 01 00 08 00 'CTestBag' 01 00 00 00 00 ";
const char* kLeaf = "FF FF 01 00 0B 00 'CPropertyID' 01 00 00 00 00 00 00 00 00 00 00 00 ";

Bytes BagWith(int nItems, const std::string& items) {
    char count[32];
    std::snprintf(count, sizeof(count), "%02X 00 00 00 ", nItems);
    return Hex(std::string(kBagHeader) + count + items);
}

}  // namespace

TEST_F(ArchiveFailureTest, ClassDescriptorFailures) {
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 01 00 04 00 'CFoo'")), CArchiveException::badClass);
    EXPECT_EQ(CauseOfReadingList(Concat({Hex("FF FF 01 00 40 00"), Bytes(64, 'C')})),
              CArchiveException::badClass);
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 01 00 0D 00 'CPropType'")), CArchiveException::badClass);
    // Names compare exactly: case and embedded zero bytes count.
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 01 00 0D 00 'CProptypeList'")), CArchiveException::badClass);
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 01 00 0E 00 'CPropTypeList' 00")), CArchiveException::badClass);
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 02 00 0D 00 'CPropTypeList'")), CArchiveException::badSchema);
    // A record of another class in a slot that requires a list.
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF 01 00 0E 00 'CStdPropertyID'")), CArchiveException::badClass);
    // Classes that are not records are not in the class list.
    EXPECT_EQ(CauseOfReadingList(Hex("FF FF FF FF 07 00 'CObject'")), CArchiveException::badClass);
    EXPECT_EQ(CauseOfReadingBag(Hex("FF FF FF FF 0B 00 'CNotARecord'")), CArchiveException::badClass);
}

TEST_F(ArchiveFailureTest, IndexFailures) {
    EXPECT_EQ(CauseOfReadingList(Hex("00 80")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingList(Hex("01 00")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingList(Hex("05 80")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingList(Hex("FF 7F 00 00 00 80")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingList(Hex("FF 7F FF FF FF FF")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingList(Hex("FF 7F 05 00 00 00")), CArchiveException::badIndex);
}

TEST_F(ArchiveFailureTest, ReferenceOfTheWrongKindIsBadIndex) {
    // Bag class 1, bag 2, leaf class 3, leaf 4.
    EXPECT_EQ(CauseOfReadingBag(BagWith(2, std::string(kLeaf) + "03 00")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingBag(BagWith(2, std::string(kLeaf) + "04 80")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingBag(BagWith(2, std::string(kLeaf) + "FF 7F 04 00 00 80")),
              CArchiveException::badIndex);
    // The same references in their right kinds read fine.
    EXPECT_EQ(
        CauseOfReadingBag(BagWith(3, std::string(kLeaf) + "04 00 03 80 01 00 00 00 00 00 00 00 00 00 00 00")),
        -1);
}

TEST_F(ArchiveFailureTest, ReferenceToARecordStillBeingReadIsBadIndex) {
    // The bag (index 2) naming itself, and a bag inside the bag naming its parent.
    EXPECT_EQ(CauseOfReadingBag(BagWith(1, "02 00")), CArchiveException::badIndex);
    EXPECT_EQ(CauseOfReadingBag(BagWith(2, std::string(kLeaf) + "01 80 01 00 00 00 00 01 00 00 00 02 00")),
              CArchiveException::badIndex);
    // Once a record is complete, referring back to it is fine.
    EXPECT_EQ(CauseOfReadingBag(BagWith(2, std::string(kLeaf) + "01 80 01 00 00 00 00 01 00 00 00 04 00")),
              -1);
}

TEST_F(ArchiveFailureTest, BackReferenceOfTheWrongClassIsBadClass) {
    Bytes bytes = BagWith(1, kLeaf);
    bytes.insert(bytes.end(), {0x04, 0x00});
    int cause = ArchiveCause([&] {
        Load(bytes, [](CArchive& ar) {
            auto* pBag = static_cast<CRefRecord*>(ar.ReadObject(nullptr));
            pBag->AddRef();
            try {
                ar.ReadObject(RUNTIME_CLASS(CPropertyList));
            } catch (...) {
                pBag->Release();
                throw;
            }
            pBag->Release();
        });
    });
    EXPECT_EQ(cause, CArchiveException::badClass);
}

TEST_F(ArchiveFailureTest, EndOfFileInsideValues) {
    EXPECT_EQ(CauseOfReadingValue<WORD>("FF"), CArchiveException::endOfFile);
    EXPECT_EQ(CauseOfReadingValue<DWORD>("01 00 00"), CArchiveException::endOfFile);
    for (const char* hex : {"", "05 'abcd'", "FF 2C", "FF FE FF 02 61 00 62"}) {
        EXPECT_EQ(CauseOfReadingValue<CString>(hex), CArchiveException::endOfFile) << hex;
    }
}

TEST_F(ArchiveFailureTest, HugeLengthsFailBeforeAnythingIsAllocated) {
    // Under the sanitizers a 4 GB or 8 GB allocation would abort the run: these must fail first.
    EXPECT_EQ(CauseOfReadingValue<CString>("FF FF FF FF FF FF FF 'abc'"), CArchiveException::endOfFile);
    EXPECT_EQ(CauseOfReadingValue<CString>("FF FE FF FF FF FF FF FF FF FF 61 00"),
              CArchiveException::endOfFile);
    EXPECT_EQ(ArchiveCause([&] { Load(Hex("01 02"), [](CArchive& ar) { ar.EnsureReadable(3); }); }),
              CArchiveException::endOfFile);
    Load(Hex("01 02 03"), [](CArchive& ar) {
        ar.EnsureReadable(3);
        EXPECT_EQ(ar.GetBytesLeft(), 3u);
    });
}

TEST_F(ArchiveFailureTest, SecondUtf16MarkerIsRefused) {
    EXPECT_EQ(CauseOfReadingValue<CString>("FF FE FF FF FE FF 00 00"), CArchiveException::genericException);
}

TEST_F(ArchiveFailureTest, RecordWhoseBodyFailsIsFreedWithWhatItHeld) {
    // A standard list whose second property carries version 2: the first property, the failed
    // one and the list itself must all be gone afterwards (the fixture counts them).
    Bytes bytes =
        Hex("FF FF 01 00 0C 00 'CStdPropList' 01 00 00 00 01 00 00 00 02 00 00 00 "
            "1E 00 37 00 FF FF 01 00 0E 00 'CStdPropertyID' 01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 "
            "1E 00 37 00 "
            "1E 00 1A 00 03 80 02 00 00 00");
    const CRuntimeClass* pRaised =
        RaisedClass([&] { Load(bytes, [](CArchive& ar) { ar.ReadObject(RUNTIME_CLASS(CPropertyList)); }); });
    EXPECT_EQ(pRaised, RUNTIME_CLASS(CNotSupportedException));
}

TEST_F(ArchiveFailureTest, NullEntryInAListIsTheListsOwnMemoryFailure) {
    Bytes bytes =
        Hex("FF FF 01 00 0C 00 'CStdPropList' 01 00 00 00 01 00 00 00 01 00 00 00 1E 00 37 00 00 00");
    EXPECT_EQ(
        RaisedClass([&] { Load(bytes, [](CArchive& ar) { ar.ReadObject(RUNTIME_CLASS(CPropertyList)); }); }),
        RUNTIME_CLASS(CMemoryException));
}

TEST_F(ArchiveFailureTest, ClassesThatAreNotRecordsAreNotSupported) {
    CNotARecord* pOb = new CNotARecord;
    pOb->AddRef();
    EXPECT_EQ(RaisedClass([&] { Store([&](CArchive& ar) { ar << pOb; }); }),
              RUNTIME_CLASS(CNotSupportedException));
    pOb->Release();
    EXPECT_EQ(
        RaisedClass([] { Load(Hex("00 00"), [](CArchive& ar) { ar.ReadObject(RUNTIME_CLASS(CObject)); }); }),
        RUNTIME_CLASS(CNotSupportedException));
}

TEST_F(ArchiveFailureTest, WrongDirectionIsRefused) {
    EXPECT_EQ(ArchiveCause([] {
                  Store([](CArchive& ar) {
                      DWORD dw;
                      ar >> dw;
                  });
              }),
              CArchiveException::writeOnly);
    EXPECT_EQ(ArchiveCause([] { Load(Hex("00"), [](CArchive& ar) { ar << (DWORD)1; }); }),
              CArchiveException::readOnly);
}

namespace {

// Starts the index counter near its bound, as a stream of a billion records would.
class CNearlyFullArchive : public CArchive {
public:
    CNearlyFullArchive(CFile* pFile, UINT nMode) : CArchive(pFile, nMode) {
        SetNextIndexForTest(nMaxMapCount - 1);
    }
};

}  // namespace

TEST_F(ArchiveFailureTest, IndexCounterStopsAtItsBound) {
    CMemFile file;
    CNearlyFullArchive ar(&file, CArchive::store);
    CPropertyID* pOb = new CPropertyID;
    pOb->AddRef();
    // The class takes the last index; the record finds none left.
    EXPECT_EQ(ArchiveCause([&] { ar.WriteObject(pOb); }), CArchiveException::badIndex);
    pOb->Release();
    ar.Abort();

    Bytes bytes = Hex(kLeaf);
    BYTE* copy = (BYTE*)std::malloc(bytes.size());
    std::memcpy(copy, bytes.data(), bytes.size());
    CMemFile in(copy, (UINT)bytes.size());
    CNearlyFullArchive arIn(&in, CArchive::load);
    EXPECT_EQ(ArchiveCause([&] { arIn.ReadObject(nullptr); }), CArchiveException::badIndex);
    std::free(copy);
}

TEST_F(ArchiveFailureTest, EveryTruncationOfTheKnownFilesFailsCleanly) {
    const Bytes propertyFile =
        Hex("FF FF 01 00 0D 00 'CPropTypeList' 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 "
            "FF FF 01 00 0C 00 'CStdPropList' 01 00 00 00 01 00 00 00 01 00 00 00 1E 00 37 00 "
            "FF FF 01 00 0E 00 'CStdPropertyID' 01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 1E 00 37 00");
    const Bytes namedList =
        Hex("FF FF 01 00 0E 00 'CNamedPropList' 01 00 00 00 01 00 00 00 01 00 00 00 10 00 00 00 "
            "67 45 23 01 AB 89 EF CD 01 23 45 67 89 AB CD EF FF FF 01 00 10 00 'CGuidNamedIDList' "
            "01 00 00 00 01 00 00 00 01 00 00 00 FF FF 01 00 10 00 'CNamedPropertyID' 01 00 00 00 "
            "01 00 00 00 00 00 00 00 01 00 00 00 1F 00 00 00 10 00 00 00 67 45 23 01 AB 89 EF CD "
            "01 23 45 67 89 AB CD EF 00 00 00 00 83 80 00 00");
    for (const Bytes* pFile : {&propertyFile, &namedList}) {
        ASSERT_EQ(CauseOfReadingList(*pFile), -1);
        for (size_t n = 0; n < pFile->size(); ++n) {
            int cause = CauseOfReadingList(Bytes(pFile->begin(), pFile->begin() + (long)n));
            EXPECT_TRUE(cause == CArchiveException::endOfFile || cause == CArchiveException::badClass)
                << "cut at " << n << " gave " << cause;
        }
    }
    const Bytes emptyDocument = Hex("01 00 00 00 00 00 00 00");
    for (size_t n = 0; n < emptyDocument.size(); ++n) {
        int cause = ArchiveCause([&] {
            Load(Bytes(emptyDocument.begin(), emptyDocument.begin() + (long)n),
                 [](CArchive& ar) { ReadDocument(ar, RUNTIME_CLASS(CPropertyList)); });
        });
        EXPECT_EQ(cause, CArchiveException::endOfFile) << "cut at " << n;
    }
}

TEST_F(ArchiveFailureTest, TruncatedBigStreamFailsCleanlyWhereverCut) {
    CTestBag* pBag = new CTestBag;
    pBag->AddRef();
    pBag->m_label = CString('L', 300);
    for (int i = 0; i < 0x8010; ++i) {
        pBag->Add(new CStdPropertyID);
    }
    pBag->Add(pBag->m_items[0x7FFF]);
    Bytes bytes = Store([&](CArchive& ar) { ar << pBag; });
    pBag->Release();
    ASSERT_EQ(CauseOfReadingBag(bytes), -1);
    // Every cut near the start and the end, and a spread of cuts between.
    for (size_t n = 0; n < bytes.size(); n += (n < 400 || n + 400 > bytes.size()) ? 1 : 4999) {
        int cause = CauseOfReadingBag(Bytes(bytes.begin(), bytes.begin() + (long)n));
        EXPECT_TRUE(cause == CArchiveException::endOfFile || cause == CArchiveException::badClass)
            << "cut at " << n << " gave " << cause;
    }
}

TEST_F(ArchiveFailureTest, NestingBeyondAnyRealFileIsRefusedBeforeTheStackRunsOut) {
    // Bags inside bags: each level is a class tag, a version, an empty label and a count of 1.
    auto nested = [](UINT nLevels) {
        Bytes bytes = Hex("FF FF 01 00 08 00 'CTestBag' 01 00 00 00 00 01 00 00 00");
        const Bytes level = Hex("01 80 01 00 00 00 00 01 00 00 00");
        for (UINT i = 1; i < nLevels; ++i) {
            bytes.insert(bytes.end(), level.begin(), level.end());
        }
        bytes.insert(bytes.end(), {0x00, 0x00});
        return bytes;
    };
    EXPECT_EQ(CauseOfReadingBag(nested(CArchive::nMaxReadDepth)), -1);
    EXPECT_EQ(CauseOfReadingBag(nested(CArchive::nMaxReadDepth + 1)), CArchiveException::genericException);
    EXPECT_EQ(CauseOfReadingBag(nested(200000)), CArchiveException::genericException);
}
