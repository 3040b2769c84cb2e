// Fuzz target for the archive reader: any byte stream must fail with an exception or read back,
// never crash, leak a record or read past its input, and whatever it reads must store and
// reload to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "tests/platform_afx/ArchiveTestRecords.h"

using namespace golden;

namespace {

std::vector<BYTE> StoreRecord(CObject* pOb) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(pOb);
        ar.Close();
    }
    return std::vector<BYTE>(file.GetBufferPtr(), file.GetBufferPtr() + file.GetLength());
}

// Reads one record back from bytes the writer made; the writer's output must always load.
CRefRecord* LoadRecord(const std::vector<BYTE>& bytes) {
    BYTE* copy = (BYTE*)std::malloc(bytes.size());
    std::memcpy(copy, bytes.data(), bytes.size());
    CMemFile file(copy, (UINT)bytes.size());
    CRefRecord* pRecord = nullptr;
    try {
        CArchive ar(&file, CArchive::load);
        pRecord = static_cast<CRefRecord*>(ar.ReadObject(nullptr));
    } catch (CException* e) {
        e->Delete();
        __builtin_trap();
    }
    std::free(copy);
    return pRecord;
}

// A record read from the input, stored, reloaded and stored again gives the same bytes twice.
void CheckRoundTrip(CRefRecord* pRecord) {
    std::vector<BYTE> first = StoreRecord(pRecord);
    CRefRecord* pAgain = LoadRecord(first);
    if (pAgain == nullptr) {
        __builtin_trap();
    }
    pAgain->AddRef();
    std::vector<BYTE> second = StoreRecord(pAgain);
    pAgain->Release();
    if (first != second) {
        __builtin_trap();
    }
}

template <class F>
void RunOverCopy(const uint8_t* data, size_t size, F&& fn) {
    // A private copy of exactly the input's size, so any read past the end is caught.
    BYTE* copy = (BYTE*)std::malloc(size);
    std::memcpy(copy, data, size);
    CMemFile file(copy, (UINT)size);
    try {
        CArchive ar(&file, CArchive::load, 256);
        fn(ar);
    } catch (CException* e) {
        e->Delete();
    }
    std::free(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int nLiveBefore = CRefRecord::s_nLive;

    // As a default property file: one list record, then whatever records follow.
    RunOverCopy(data, size, [](CArchive& ar) {
        std::vector<CRefRecord*> kept;
        try {
            for (int i = 0; i < 8; ++i) {
                CRefRecord* pRecord =
                    static_cast<CRefRecord*>(ar.ReadObject(i == 0 ? RUNTIME_CLASS(CPropertyList) : nullptr));
                if (pRecord != nullptr) {
                    pRecord->AddRef();
                    kept.push_back(pRecord);
                    CheckRoundTrip(pRecord);
                }
            }
            CString text;
            ar >> text;
        } catch (...) {
            ReleaseAll(kept);
            throw;
        }
        ReleaseAll(kept);
    });

    // As a document: version, count, records of any class.
    RunOverCopy(data, size, [](CArchive& ar) {
        std::vector<CRefRecord*> records = ReadDocument(ar, nullptr);
        ReleaseAll(records);
    });

    if (CRefRecord::s_nLive != nLiveBefore) {
        __builtin_trap();  // a record outlived every reference to it
    }
    return 0;
}
