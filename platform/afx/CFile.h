// CFile: a binary file on disk, read and written through a POSIX descriptor.
//
// Failures raise CFileException (with the errno value) except Open(), which reports them through
// its result and optional exception object instead. The object closes its file when destroyed.
#pragma once

#include "platform/afx/CException.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,  // create, truncating an existing file unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,  // accepted and ignored: every file is binary here
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    static constexpr int hFileNull = -1;

    CFile();
    // Opens at once; a failure raises CFileException.
    CFile(LPCSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;

    // Opens the file; FALSE on failure, with the cause in *pError when given.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    virtual void Close();
    // Closes without raising anything, for clean-up after a failure.
    virtual void Abort();

    // Reads up to nCount bytes; fewer only at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual void Flush();
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG dwNewLen);

    BOOL IsOpen() const { return m_hFile != hFileNull; }
    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;  // the part after the last '/'

    int m_hFile;

protected:
    CString m_strFileName;
    BOOL m_bCloseOnDelete;
};
