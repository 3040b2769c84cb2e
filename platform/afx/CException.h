// The exceptions of the object layer and the helpers that raise them.
//
// Exceptions are thrown as heap pointers and caught by pointer; whoever handles one ends it with
// Delete() (never `delete`), and whoever passes it on uses `throw;`:
//
//   try { ar >> pList; }
//   catch (CArchiveException* e) { ...; e->Delete(); }
//   catch (CException* e) { ...; throw; }
//
// The memory exception may be a shared static instance (it is raised when the heap is exhausted,
// so it must not need the heap); Delete() knows which is which.
#pragma once

#include "platform/afx/CObject.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    ~CException() override = default;

    // Ends a caught exception: frees it unless it is a shared static instance.
    void Delete();
    // Writes a short English description into the buffer (always terminated when nMaxError > 0).
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;

protected:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

public:
    BOOL m_bAutoDelete;
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    CNotSupportedException() = default;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CResourceException : public CException {
    DECLARE_DYNAMIC(CResourceException)
public:
    CResourceException() = default;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

// A collection index or argument outside what the callee accepts (a programming error).
class CInvalidArgException : public CException {
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    CInvalidArgException() = default;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum {
        none = 0,
        genericException = 1,
        readOnly = 2,   // a write to a loading archive
        endOfFile = 3,  // a read found fewer bytes than it needs
        writeOnly = 4,  // a read from a storing archive
        badIndex = 5,   // a reference to an index that is not (or not yet) a record or class
        badClass = 6,   // an unknown class name, or a record of the wrong class
        badSchema = 7,  // a class written with another schema than the registered one
    };
    explicit CArchiveException(int cause = none, LPCSTR lpszArchiveName = nullptr);
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    char m_strFileName[MAX_PATH];
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };
    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR lpszFileName = nullptr);
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    // Fills an exception object that a caller handed in (Open reports through one).
    void Set(int cause, LONG lOsError = -1, LPCSTR lpszFileName = nullptr);
    // Maps an errno value to the nearest cause.
    static int OsErrorToException(LONG lOsError);

    int m_cause;
    LONG m_lOsError;  // the errno value, or -1
    char m_strFileName[MAX_PATH];
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName = nullptr);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCSTR lpszFileName = nullptr);
