// CFile over a POSIX descriptor; every failure carries the errno value and the file's path.
#include "platform/afx/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/win32/RegularFile.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error)) {
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
    }
}

CFile::~CFile() {
    if (m_hFile != hFileNull && m_bCloseOnDelete) {
        Abort();
    }
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_hFile != hFileNull || lpszFileName == nullptr || *lpszFileName == '\0') {
        if (pError != nullptr) {
            pError->Set(CFileException::genericException, -1, lpszFileName);
        }
        return FALSE;
    }
    int flags = O_CLOEXEC;
    switch (nOpenFlags & 3) {
        case modeRead:
            flags |= O_RDONLY;
            break;
        case modeWrite:
            flags |= O_WRONLY;
            break;
        default:
            flags |= O_RDWR;
            break;
    }
    if (nOpenFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(nOpenFlags & modeNoTruncate)) {
            flags |= O_TRUNC;
        }
    }
    // Only a regular file is a file here: a FIFO or a device in its place would hang a read (or
    // read as an endless or empty file), so it is refused at once, as a directory is.
    int fd = qrvfile::OpenRegularFile(lpszFileName, flags, 0666);
    if (fd < 0) {
        if (pError != nullptr) {
            int err = errno;
            pError->Set(
                err == EINVAL ? CFileException::accessDenied : CFileException::OsErrorToException(err), err,
                lpszFileName);
        }
        return FALSE;
    }
    m_hFile = fd;
    m_strFileName = lpszFileName;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

void CFile::Close() {
    if (m_hFile == hFileNull) {
        return;
    }
    int fd = m_hFile;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    if (::close(fd) != 0 && errno != EINTR) {
        int err = errno;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
    }
}

void CFile::Abort() {
    if (m_hFile != hFileNull) {
        ::close(m_hFile);
        m_hFile = hFileNull;
    }
    m_bCloseOnDelete = FALSE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0) {
        return 0;
    }
    if (m_hFile == hFileNull || lpBuf == nullptr) {
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    }
    UINT nRead = 0;
    while (nRead < nCount) {
        ssize_t n = ::read(m_hFile, (BYTE*)lpBuf + nRead, nCount - nRead);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int err = errno;
            AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
        }
        if (n == 0) {
            break;
        }
        nRead += (UINT)n;
    }
    return nRead;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0) {
        return;
    }
    if (m_hFile == hFileNull || lpBuf == nullptr) {
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    }
    UINT nWritten = 0;
    while (nWritten < nCount) {
        ssize_t n = ::write(m_hFile, (const BYTE*)lpBuf + nWritten, nCount - nWritten);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int err = errno;
            AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
        }
        nWritten += (UINT)n;
    }
}

void CFile::Flush() {
    if (m_hFile != hFileNull && ::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS) {
        int err = errno;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
    }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    int whence = nFrom == current ? SEEK_CUR : (nFrom == end ? SEEK_END : SEEK_SET);
    off_t pos = ::lseek(m_hFile, (off_t)lOff, whence);
    if (pos < 0) {
        int err = errno;
        AfxThrowFileException(CFileException::badSeek, err, m_strFileName);
    }
    return (ULONGLONG)pos;
}

ULONGLONG CFile::GetPosition() const {
    off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
    if (pos < 0) {
        int err = errno;
        AfxThrowFileException(CFileException::badSeek, err, m_strFileName);
    }
    return (ULONGLONG)pos;
}

ULONGLONG CFile::GetLength() const {
    struct stat st;
    if (::fstat(m_hFile, &st) != 0) {
        int err = errno;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
    }
    return (ULONGLONG)st.st_size;
}

void CFile::SetLength(ULONGLONG dwNewLen) {
    if (::ftruncate(m_hFile, (off_t)dwNewLen) != 0) {
        int err = errno;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
    }
}

CString CFile::GetFileName() const {
    int slash = m_strFileName.ReverseFind('/');
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}
