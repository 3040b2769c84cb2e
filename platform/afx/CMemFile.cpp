// CMemFile: a growable in-memory file, for archives that never touch the disk.
#include "platform/afx/CMemFile.h"

#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes == 0 ? 1024 : nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) : m_nGrowBytes(0) {
    Attach(lpBuffer, nBufferSize, nGrowBytes);
}

CMemFile::~CMemFile() {
    Free();
}

void CMemFile::Free() {
    if (m_bAutoDelete && m_lpBuffer != nullptr) {
        std::free(m_lpBuffer);
    }
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) {
    Free();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = lpBuffer != nullptr ? nBufferSize : 0;
    m_nFileSize = m_nBufferSize;
    m_nGrowBytes = nGrowBytes;
    m_bAutoDelete = nGrowBytes != 0;
}

BYTE* CMemFile::Detach() {
    BYTE* lpBuffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
    m_bAutoDelete = TRUE;
    if (m_nGrowBytes == 0) {
        m_nGrowBytes = 1024;
    }
    return lpBuffer;
}

BOOL CMemFile::Open(LPCSTR, UINT, CFileException* pError) {
    // A memory file has no name to open.
    if (pError != nullptr) {
        pError->Set(CFileException::genericException);
    }
    return FALSE;
}

void CMemFile::Close() {
    Free();
}

void CMemFile::Abort() {
    Free();
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0 || m_nPosition >= m_nFileSize) {
        return 0;
    }
    ULONGLONG nAvail = m_nFileSize - m_nPosition;
    UINT nRead = nAvail < nCount ? (UINT)nAvail : nCount;
    std::memcpy(lpBuf, m_lpBuffer + m_nPosition, nRead);
    m_nPosition += nRead;
    return nRead;
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0) {
        return;
    }
    ULONGLONG nEnd = m_nPosition + nCount;
    if (nEnd > m_nBufferSize) {
        GrowFile(nEnd);
    }
    if (m_nPosition > m_nFileSize) {
        // A seek past the end leaves a gap that reads as zeros.
        std::memset(m_lpBuffer + m_nFileSize, 0, (size_t)(m_nPosition - m_nFileSize));
    }
    std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = nEnd;
    if (m_nPosition > m_nFileSize) {
        m_nFileSize = m_nPosition;
    }
}

void CMemFile::GrowFile(ULONGLONG dwNewLen) {
    if (dwNewLen <= m_nBufferSize) {
        return;
    }
    if (m_nGrowBytes == 0) {
        AfxThrowFileException(CFileException::diskFull);
    }
    ULONGLONG nNewSize = m_nBufferSize;
    while (nNewSize < dwNewLen) {
        nNewSize += m_nGrowBytes;
        if (nNewSize < dwNewLen && nNewSize * 2 > nNewSize) {
            nNewSize *= 2;  // geometric growth keeps big archives linear
        }
    }
    if (nNewSize > (ULONGLONG)SIZE_MAX) {
        AfxThrowMemoryException();
    }
    BYTE* lpNew = (BYTE*)std::realloc(m_lpBuffer, (size_t)nNewSize);
    if (lpNew == nullptr) {
        AfxThrowMemoryException();
    }
    m_lpBuffer = lpNew;
    m_nBufferSize = nNewSize;
    m_bAutoDelete = TRUE;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
    LONGLONG base = nFrom == current ? (LONGLONG)m_nPosition : (nFrom == end ? (LONGLONG)m_nFileSize : 0);
    LONGLONG pos = base + lOff;
    if (pos < 0) {
        AfxThrowFileException(CFileException::badSeek);
    }
    m_nPosition = (ULONGLONG)pos;
    return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG dwNewLen) {
    if (dwNewLen > m_nBufferSize) {
        GrowFile(dwNewLen);
    }
    if (dwNewLen > m_nFileSize) {
        std::memset(m_lpBuffer + m_nFileSize, 0, (size_t)(dwNewLen - m_nFileSize));
    }
    m_nFileSize = dwNewLen;
    if (m_nPosition > dwNewLen) {
        m_nPosition = dwNewLen;
    }
}
