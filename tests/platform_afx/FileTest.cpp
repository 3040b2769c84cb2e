// CFile on disk and CMemFile in memory, and archives over both.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/afx/CArchive.h"
#include "platform/afx/CFile.h"
#include "platform/afx/CMemFile.h"
#include "tests/platform_afx/ArchiveTestSupport.h"
#include "tests/support/HangGuard.h"
#include "tests/support/TempRoot.h"

TEST(CFileTest, OpenReportsMissingFilesWithoutThrowing) {
    qrvtest::TempRoot root;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open((root.Path() + "/missing.qrv").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(file.Open(root.Path().c_str(), CFile::modeRead, &error));  // a directory
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    try {
        CFile thrower((root.Path() + "/missing.qrv").c_str(), CFile::modeRead);
        FAIL();
    } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        e->Delete();
    }
}

TEST(CFileTest, AFifoOrADeviceIsRefusedAtOnceAsADirectoryIs) {
    qrvtest::TempRoot root;
    const std::string fifo = root.Path() + "/doc.qrv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    qrvtest::HangGuard guard("opening a FIFO as a document");
    CFile file;
    CFileException error;
    // Without a writer the open itself would wait; /dev/zero would read as an endless file, and
    // an empty FIFO with a writer as an empty document.
    EXPECT_FALSE(file.Open(fifo.c_str(), CFile::modeRead | CFile::shareDenyWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(file.Open("/dev/zero", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(file.IsOpen());
}

TEST(CFileTest, WritesSeeksAndReadsBack) {
    qrvtest::TempRoot root;
    std::string path = root.Path() + "/data.bin";
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write("hello world", 11);
        EXPECT_EQ(file.GetLength(), 11u);
        EXPECT_EQ(file.GetFileName(), "data.bin");
        file.Close();
    }
    CFile file(path.c_str(), CFile::modeRead);
    char buffer[32] = {};
    file.Seek(6, CFile::begin);
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 5u);
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(file.GetPosition(), 11u);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    // Opened for reading only.
    EXPECT_EQ(afxtest::RaisedClass([&] { file.Write("x", 1); }), RUNTIME_CLASS(CFileException));
}

TEST(CFileTest, ArchiveOverADiskFilePassesLongRunsStraightThroughAndCountsTheBytesLeft) {
    qrvtest::TempRoot root;
    std::string path = root.Path() + "/doc.qrv";
    const std::string big(10000, 'b');
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store, 128);
        for (DWORD i = 0; i < 1000; ++i) {
            ar << i;
        }
        ar.Write(big.data(), (UINT)big.size());
        ar << CString("end");
    }  // the archive's destructor writes out the rest
    CFile file(path.c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load, 128);
    EXPECT_EQ(ar.GetBytesLeft(), 4000u + 10000 + 4);
    for (DWORD i = 0; i < 1000; ++i) {
        DWORD value;
        ar >> value;
        ASSERT_EQ(value, i);
    }
    EXPECT_EQ(ar.GetBytesLeft(), 10000u + 4);
    std::string back(10000, '\0');
    EXPECT_EQ(ar.Read(back.data(), (UINT)back.size()), 10000u);
    EXPECT_EQ(back, big);
    CString text;
    ar >> text;
    EXPECT_EQ(text, "end");
    EXPECT_EQ(ar.GetBytesLeft(), 0u);
    char extra[4];
    EXPECT_EQ(ar.Read(extra, 4), 0u);
}

TEST(CFileTest, ArchiveTakesNoBytesWithoutABuffer) {
    // An empty value may come without memory behind it; nothing may be copied from it (the
    // sanitizer's build stops at a copy from a null pointer, even of no bytes).
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store, 128);
        ar.Write(nullptr, 0);
        ar << DWORD(7);
        ar.Write(nullptr, 0);
        ar.Close();
    }
    EXPECT_EQ(file.GetLength(), 4u);
}

TEST(CMemFileTest, GrowsAndHandsOverItsBuffer) {
    CMemFile file(4);
    for (int i = 0; i < 100; ++i) {
        file.Write("0123456789", 10);
    }
    EXPECT_EQ(file.GetLength(), 1000u);
    file.Seek(-10, CFile::end);
    char tail[11] = {};
    EXPECT_EQ(file.Read(tail, 20), 10u);
    EXPECT_STREQ(tail, "0123456789");
    file.Seek(1010, CFile::begin);  // a gap reads back as zeros
    file.Write("!", 1);
    EXPECT_EQ(file.GetLength(), 1011u);
    EXPECT_EQ(file.GetBufferPtr()[1005], 0);
    BYTE* lpBuffer = file.Detach();
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(lpBuffer[1010], '!');
    std::free(lpBuffer);
}

TEST(CMemFileTest, FixedBufferNeverGrowsAndStaysTheCallers) {
    BYTE buffer[4] = {1, 2, 3, 4};
    {
        CMemFile file(buffer, sizeof(buffer));
        file.Seek(2, CFile::begin);
        file.Write("\x09", 1);
        try {
            file.Write("abc", 3);
            FAIL();
        } catch (CFileException* e) {
            EXPECT_EQ(e->m_cause, CFileException::diskFull);
            e->Delete();
        }
    }
    EXPECT_EQ(buffer[2], 9);
}
