// CArchive: the record stream through which every saved file of the system is written and read.
//
// One archive wraps one open file in one direction. Values are packed little-endian with no
// padding; texts carry a length prefix (1, 3 or 7 bytes); records are written once per stream and
// referred to by index afterwards, classes by name on first use and by index later. Index 0 is the
// null record; one counter numbers classes and records alike, in the order they pass.
//
// Reading raises CArchiveException (endOfFile, badIndex, badClass, badSchema), CMemoryException or
// CNotSupportedException; nothing is caught inside. Every length read from the stream is checked
// against the bytes left in the file before anything is allocated for it.
//
// Records returned by ReadObject belong to the caller (reference-counted records arrive with the
// count their creation gave them); a record whose own reading fails is deleted before the failure
// is passed on, and a stream that refers to a record while that record is still being read (a
// cycle) is refused as badIndex. Records nested deeper than nMaxReadDepth are refused too.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/afx/CException.h"
#include "platform/afx/CFile.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"

class CArchive {
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2 };

    // Indexes are given out only below this bound.
    static constexpr DWORD nMaxMapCount = 0x3FFFFFFE;
    // Reference words: 0x7FFF announces a DWORD index, 0xFFFF a new class, 0x8000 the class bit.
    static constexpr WORD wNullTag = 0;
    static constexpr WORD wNewClassTag = 0xFFFF;
    static constexpr WORD wClassTag = 0x8000;
    static constexpr DWORD dwBigClassTag = 0x80000000;
    static constexpr WORD wBigObjectTag = 0x7FFF;
    static constexpr DWORD nMaxClassNameLength = 64;
    // Records nest a few levels in every file the system writes; a damaged file that nests deeper
    // than this fails (genericException) before the reader's recursion can exhaust the stack.
    static constexpr UINT nMaxReadDepth = 256;

    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
    // Writes out what is still buffered (unless bNoFlushOnDelete); failures are dropped here, so
    // call Close() to learn of them.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    CFile* GetFile() const { return m_pFile; }

    // Writes out the buffer when storing and detaches from the file (the file stays open).
    void Close();
    // Detaches without writing anything out.
    void Abort();
    void Flush();

    // Raw bytes. Read returns how many it got, fewer only at the end of the file.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);

    // Raises endOfFile unless at least nBytes can still be read; callers check a length read from
    // the stream with it before they allocate for it.
    void EnsureReadable(ULONGLONG nBytes);
    // The bytes that can still be read (buffer plus rest of the file).
    ULONGLONG GetBytesLeft() const;

    // Called by every object as it is destroyed. A record that a reader releases while its archive
    // is still loading (a later list entry of the same key replaces an earlier one) must not be
    // handed out again by a back-reference: its index then reads as a bad index.
    static void ForgetLoadedObject(const CObject* pOb);

    // Record references.
    void WriteObject(const CObject* pOb);
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
    void WriteClass(const CRuntimeClass* pClassRef);
    // Reads a class tag (new descriptor or class index). pClassRefRequested, when given, must be
    // the class or a base of it. pObTag receives the record index when the tag is a reference to
    // a record already read instead (then the result is null); with pObTag null that is badIndex.
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr, UINT* pSchema = nullptr,
                             DWORD* pObTag = nullptr);

    // Texts (CString holds UTF-8 bytes; a UTF-16 text in the stream is converted on reading).
    void WriteString(const CString& str);
    CString ReadStringValue();

    // Integers, little-endian.
    CArchive& operator<<(BYTE by);
    CArchive& operator<<(WORD w);
    CArchive& operator<<(SHORT w);
    CArchive& operator<<(char ch);
    CArchive& operator<<(DWORD dw);
    CArchive& operator<<(LONG l);
    CArchive& operator<<(LONGLONG dwdw);
    CArchive& operator<<(ULONGLONG dwdw);
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    CArchive& operator<<(const CString& str) {
        WriteString(str);
        return *this;
    }
    CArchive& operator<<(const CObject* pOb) {
        WriteObject(pOb);
        return *this;
    }

    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(SHORT& w);
    CArchive& operator>>(char& ch);
    CArchive& operator>>(DWORD& dw);
    CArchive& operator>>(LONG& l);
    CArchive& operator>>(LONGLONG& dwdw);
    CArchive& operator>>(ULONGLONG& dwdw);
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    CArchive& operator>>(CString& str) {
        str = ReadStringValue();
        return *this;
    }
    CArchive& operator>>(CObject*& pOb) {
        pOb = ReadObject(nullptr);
        return *this;
    }

protected:
    // The next index to be given out (1 before anything was written or read).
    DWORD GetNextIndex() const { return m_nMapCount; }
    // Lets tests reach the big-index forms without writing a billion records.
    void SetNextIndexForTest(DWORD nIndex) { m_nMapCount = nIndex; }

private:
    struct LoadEntry {
        enum Kind : BYTE { nullRecord, classEntry, recordReading, recordDone, recordFailed };
        Kind kind;
        const void* ptr;  // CRuntimeClass* for classes, CObject* for records
    };

    void CheckStoring() const;
    void CheckLoading() const;
    DWORD TakeIndex();
    void PushLoadEntry(const LoadEntry& entry);
    void RememberStored(const void* p, DWORD nIndex);
    void FillBuffer(UINT nBytesNeeded);
    void ReadExact(void* lpBuf, UINT nCount);
    void WriteLength(ULONGLONG nLength);
    ULONGLONG ReadLength(BYTE first);
    void WriteLE(ULONGLONG value, UINT nBytes);
    ULONGLONG ReadLE(UINT nBytes);

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_buffer;
    UINT m_nBufPos = 0;  // loading: next byte to read; storing: bytes waiting in the buffer
    UINT m_nBufEnd = 0;  // loading: end of the valid bytes
    BOOL m_bEndOfFile = FALSE;
    DWORD m_nMapCount = 1;
    UINT m_nReadDepth = 0;                              // records whose bodies are being read right now
    std::unordered_map<const void*, DWORD> m_storeMap;  // record or class -> index (loading: records)
    CArchive* m_pNextLoading = nullptr;                 // the loading archives of this thread
    std::vector<LoadEntry> m_loadArray;                 // loading: index -> record or class
};
