// Helpers for archive tests: hex byte strings, in-memory archives, expected exceptions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "tests/platform_afx/ArchiveTestRecords.h"

namespace afxtest {

typedef std::vector<BYTE> Bytes;

// "FF 01 'abc' 00": hex bytes, and quoted ASCII runs for names.
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);
Bytes Concat(std::initializer_list<Bytes> parts);

// Runs fn with a storing archive over a memory file and returns every byte it wrote.
Bytes Store(const std::function<void(CArchive&)>& fn, int nBufSize = 4096);

// Runs fn with a loading archive over a private copy of bytes (the copy ends where the bytes
// end, so ASan catches any read past it).
void Load(const Bytes& bytes, const std::function<void(CArchive&)>& fn, int nBufSize = 4096);

// The cause of the CArchiveException that fn raises; -1 for any other outcome (another
// exception, or none). The exception is deleted.
int ArchiveCause(const std::function<void()>& fn);

// Runs fn and reports which framework exception (by class) it raised; null when none.
const CRuntimeClass* RaisedClass(const std::function<void()>& fn);

// Fails a test that ends with more records alive than it started with.
class RecordLeakTest : public ::testing::Test {
protected:
    void SetUp() override { m_nLiveAtStart = golden::CRefRecord::s_nLive; }
    void TearDown() override { EXPECT_EQ(golden::CRefRecord::s_nLive, m_nLiveAtStart) << "records leaked"; }
    int m_nLiveAtStart = 0;
};

// The cause of reading one value of type T from the bytes written as hex.
template <class T>
int CauseOfReadingValue(const char* hex) {
    return ArchiveCause([&] {
        Load(Hex(hex), [](CArchive& ar) {
            T value;
            ar >> value;
        });
    });
}

// The cause of reading one record of the required class (any when null); what is read is released.
int CauseOfReading(const Bytes& bytes, const CRuntimeClass* pRequired);

// Known files: the smallest default property file (one standard property 0x0037001E, selected),
// and a named list with one numbered property under one GUID.
extern const Bytes kGuidBytes;
Bytes DefaultPropertyFile();
Bytes NamedListFile();

// A bag past the 16-bit indexes, labelled with 300 bytes: bag class 1, bag 2, CPropertyID class 3,
// leaves 4 .. 0x8003 (leaf n holds n - 4 as its context); then CStdPropertyID takes class index
// 0x8004 and its records 0x8005 (tag 0xA) and 0x8006 (tag 0xB); then the leaves with indexes
// 0x7FFF (the first that needs the big form) and 0x7FFE (the last of the short form) again, and
// record 0x8005 again.
Bytes BigBagStream();

}  // namespace afxtest
