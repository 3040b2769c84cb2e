// Damaged and hostile streams: every failure has its cause, nothing leaks, nothing huge is allocated.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/afx/CArchive.h"
#include "tests/platform_afx/ArchiveTestRecords.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

using namespace afxtest;
using namespace golden;

namespace {

typedef RecordLeakTest ArchiveFailureTest;

// In a bag stream the bag's class takes index 1, the bag 2, the leaf's class 3 and the leaf 4.
const char* kLeaf = "FF FF 01 00 0B 00 'CPropertyID' 01 00 00 00 00 00 00 00 00 00 00 00 ";
const char* kInnerBag = "01 80 01 00 00 00 00 01 00 00 00 ";  // a new bag holding one item

Bytes BagWith(int nItems, const std::string& items) {
    char count[32];
    std::snprintf(count, sizeof(count), "%02X 00 00 00 ", nItems);
    return Hex(std::string("FF FF 01 00 08 00 'CTestBag' 01 00 00 00 00 ") + count + items);
}

const CRuntimeClass* ClassRaisedReadingList(const Bytes& bytes) {
    return RaisedClass(
        [&] { Load(bytes, [](CArchive& ar) { ar.ReadObject(RUNTIME_CLASS(CPropertyList)); }); });
}

}  // namespace

TEST_F(ArchiveFailureTest, DamagedReferencesFailWithTheirCause) {
    const CRuntimeClass* pList = RUNTIME_CLASS(CPropertyList);
    const std::string leaf = kLeaf;
    struct Case {
        Bytes bytes;
        const CRuntimeClass* pRequired;
        int cause;
    } cases[] = {
        // Class descriptors: names compare exactly (case and embedded zero bytes count).
        {Hex("FF FF 01 00 04 00 'CFoo'"), pList, CArchiveException::badClass},
        {Concat({Hex("FF FF 01 00 40 00"), Bytes(64, 'C')}), pList, CArchiveException::badClass},
        {Hex("FF FF 01 00 0D 00 'CPropType'"), pList, CArchiveException::badClass},
        {Hex("FF FF 01 00 0D 00 'CProptypeList'"), pList, CArchiveException::badClass},
        {Hex("FF FF 01 00 0E 00 'CPropTypeList' 00"), pList, CArchiveException::badClass},
        {Hex("FF FF 02 00 0D 00 'CPropTypeList'"), pList, CArchiveException::badSchema},
        // A record of another class in a slot that requires a list; classes that are not records.
        {Hex("FF FF 01 00 0E 00 'CStdPropertyID'"), pList, CArchiveException::badClass},
        {Hex("FF FF FF FF 07 00 'CObject'"), pList, CArchiveException::badClass},
        {Hex("FF FF FF FF 0B 00 'CNotARecord'"), nullptr, CArchiveException::badClass},
        // Indexes that were never given out, in the short and the big form.
        {Hex("00 80"), pList, CArchiveException::badIndex},
        {Hex("01 00"), pList, CArchiveException::badIndex},
        {Hex("05 80"), pList, CArchiveException::badIndex},
        {Hex("FF 7F 00 00 00 80"), pList, CArchiveException::badIndex},
        {Hex("FF 7F FF FF FF FF"), pList, CArchiveException::badIndex},
        {Hex("FF 7F 05 00 00 00"), pList, CArchiveException::badIndex},
        // A class index used as a record, a record index used as a class.
        {BagWith(2, leaf + "03 00"), nullptr, CArchiveException::badIndex},
        {BagWith(2, leaf + "04 80"), nullptr, CArchiveException::badIndex},
        {BagWith(2, leaf + "FF 7F 04 00 00 80"), nullptr, CArchiveException::badIndex},
        {BagWith(3, leaf + "04 00 03 80 01 00 00 00 00 00 00 00 00 00 00 00"), nullptr, -1},
        // A record still being read: the bag naming itself, a bag inside naming its parent; once
        // complete, referring back to it is fine.
        {BagWith(1, "02 00"), nullptr, CArchiveException::badIndex},
        {BagWith(2, leaf + kInnerBag + "02 00"), nullptr, CArchiveException::badIndex},
        {BagWith(2, leaf + kInnerBag + "04 00"), nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToHex(c.bytes));
        EXPECT_EQ(CauseOfReading(c.bytes, c.pRequired), c.cause);
    }
}

TEST_F(ArchiveFailureTest, BackReferenceOfTheWrongClassIsBadClass) {
    Bytes bytes = Concat({BagWith(1, kLeaf), Hex("04 00")});
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

TEST_F(ArchiveFailureTest, ShortAndHugeValuesFailBeforeAnythingIsAllocated) {
    EXPECT_EQ(CauseOfReadingValue<WORD>("FF"), CArchiveException::endOfFile);
    EXPECT_EQ(CauseOfReadingValue<DWORD>("01 00 00"), CArchiveException::endOfFile);
    // The last two claim 4 GB and 8 GB: under the sanitizers such an allocation would abort the run.
    for (const char* hex : {"", "05 'abcd'", "FF 2C", "FF FE FF 02 61 00 62", "FF FF FF FF FF FF FF 'abc'",
                            "FF FE FF FF FF FF FF FF FF FF 61 00"}) {
        EXPECT_EQ(CauseOfReadingValue<CString>(hex), CArchiveException::endOfFile) << hex;
    }
    EXPECT_EQ(CauseOfReadingValue<CString>("FF FE FF FF FE FF 00 00"), CArchiveException::genericException);
    EXPECT_EQ(ArchiveCause([&] { Load(Hex("01 02"), [](CArchive& ar) { ar.EnsureReadable(3); }); }),
              CArchiveException::endOfFile);
    Load(Hex("01 02 03"), [](CArchive& ar) {
        ar.EnsureReadable(3);
        EXPECT_EQ(ar.GetBytesLeft(), 3u);
    });
}

TEST_F(ArchiveFailureTest, ListWhoseEntryFailsIsFreedWithWhatItHeld) {
    // A standard list whose second property carries version 2: the first property, the failed
    // one and the list itself must all be gone afterwards (the fixture counts them).
    const std::string list = "FF FF 01 00 0C 00 'CStdPropList' 01 00 00 00 01 00 00 00 ";
    EXPECT_EQ(
        ClassRaisedReadingList(
            Hex(list + "02 00 00 00 1E 00 37 00 FF FF 01 00 0E 00 'CStdPropertyID' 01 00 00 00 01 00 00 00 " +
                "00 00 00 00 01 00 00 00 1E 00 37 00 1E 00 1A 00 03 80 02 00 00 00")),
        RUNTIME_CLASS(CNotSupportedException));
    // A null entry is the list's own memory failure.
    EXPECT_EQ(ClassRaisedReadingList(Hex(list + "01 00 00 00 1E 00 37 00 00 00")),
              RUNTIME_CLASS(CMemoryException));
}

TEST_F(ArchiveFailureTest, ClassesThatAreNotRecordsAndTheWrongDirectionAreRefused) {
    CNotARecord* pOb = new CNotARecord;
    pOb->AddRef();
    EXPECT_EQ(RaisedClass([&] { Store([&](CArchive& ar) { ar << pOb; }); }),
              RUNTIME_CLASS(CNotSupportedException));
    pOb->Release();
    EXPECT_EQ(
        RaisedClass([] { Load(Hex("00 00"), [](CArchive& ar) { ar.ReadObject(RUNTIME_CLASS(CObject)); }); }),
        RUNTIME_CLASS(CNotSupportedException));
    // Reading from a storing archive, writing to a loading one.
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

TEST_F(ArchiveFailureTest, EveryTruncationFailsCleanly) {
    // The known files cut anywhere, and a stream past the 16-bit indexes cut near its ends and
    // at a spread of places between.
    const Bytes big = BigBagStream();
    struct File {
        Bytes bytes;
        const CRuntimeClass* pRequired;
        size_t nStep;
    } files[] = {{DefaultPropertyFile(), RUNTIME_CLASS(CPropertyList), 1},
                 {NamedListFile(), RUNTIME_CLASS(CPropertyList), 1},
                 {big, nullptr, 4999}};
    for (const File& f : files) {
        ASSERT_EQ(CauseOfReading(f.bytes, f.pRequired), -1);
        for (size_t n = 0; n < f.bytes.size(); n += (n < 400 || n + 400 > f.bytes.size()) ? 1 : f.nStep) {
            int cause = CauseOfReading(Bytes(f.bytes.begin(), f.bytes.begin() + (long)n), f.pRequired);
            EXPECT_TRUE(cause == CArchiveException::endOfFile || cause == CArchiveException::badClass)
                << "cut at " << n << " of " << f.bytes.size() << " gave " << cause;
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

TEST_F(ArchiveFailureTest, NestingBeyondAnyRealFileIsRefusedBeforeTheStackRunsOut) {
    // Bags inside bags, the innermost holding a null slot.
    auto nested = [](UINT nLevels) {
        std::string items;
        for (UINT i = 1; i < nLevels; ++i) {
            items += kInnerBag;
        }
        return BagWith(1, items + "00 00");
    };
    EXPECT_EQ(CauseOfReading(nested(CArchive::nMaxReadDepth), nullptr), -1);
    EXPECT_EQ(CauseOfReading(nested(CArchive::nMaxReadDepth + 1), nullptr),
              CArchiveException::genericException);
    EXPECT_EQ(CauseOfReading(nested(200000), nullptr), CArchiveException::genericException);
}
