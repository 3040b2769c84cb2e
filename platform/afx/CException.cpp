// The exceptions of the object layer, their messages and the helpers that raise them.
#include "platform/afx/CException.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

namespace {

BOOL CopyMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext, LPCSTR lpszText) {
    if (pnHelpContext != nullptr) {
        *pnHelpContext = 0;
    }
    if (lpszError == nullptr || nMaxError == 0) {
        return FALSE;
    }
    std::snprintf(lpszError, nMaxError, "%s", lpszText);
    return TRUE;
}

void CopyName(char (&dest)[MAX_PATH], LPCSTR lpszName) {
    dest[0] = '\0';
    if (lpszName != nullptr) {
        std::snprintf(dest, sizeof(dest), "%s", lpszName);
    }
}

}  // namespace

void CException::Delete() {
    if (m_bAutoDelete) {
        delete this;
    }
}

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "An unknown error occurred.");
}

BOOL CMemoryException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "Out of memory.");
}

BOOL CNotSupportedException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "The operation is not supported.");
}

BOOL CResourceException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "A required resource was unavailable.");
}

BOOL CInvalidArgException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    return CopyMessage(lpszError, nMaxError, pnHelpContext, "An invalid argument was encountered.");
}

CArchiveException::CArchiveException(int cause, LPCSTR lpszArchiveName) : m_cause(cause) {
    CopyName(m_strFileName, lpszArchiveName);
}

BOOL CArchiveException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    LPCSTR text;
    switch (m_cause) {
        case readOnly:
            text = "Attempted to write to an archive opened for loading.";
            break;
        case endOfFile:
            text = "Unexpected end of file while reading.";
            break;
        case writeOnly:
            text = "Attempted to read from an archive opened for storing.";
            break;
        case badIndex:
            text = "The file has an invalid format (bad index).";
            break;
        case badClass:
            text = "The file holds an unexpected object (bad class).";
            break;
        case badSchema:
            text = "The file holds an object of an unsupported version (bad schema).";
            break;
        default:
            text = "An unexpected archive error occurred.";
            break;
    }
    return CopyMessage(lpszError, nMaxError, pnHelpContext, text);
}

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError) {
    CopyName(m_strFileName, lpszFileName);
}

void CFileException::Set(int cause, LONG lOsError, LPCSTR lpszFileName) {
    m_cause = cause;
    m_lOsError = lOsError;
    CopyName(m_strFileName, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    char text[MAX_PATH + 128];
    LPCSTR reason = m_lOsError > 0 ? std::strerror(m_lOsError) : "file error";
    if (m_strFileName[0] != '\0') {
        std::snprintf(text, sizeof(text), "%s: %s", m_strFileName, reason);
    } else {
        std::snprintf(text, sizeof(text), "%s", reason);
    }
    return CopyMessage(lpszError, nMaxError, pnHelpContext, text);
}

int CFileException::OsErrorToException(LONG lOsError) {
    switch (lOsError) {
        case 0:
            return none;
        case ENOENT:
            return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return badPath;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EEXIST:
        case EISDIR:
            return accessDenied;
        case EBADF:
            return invalidFile;
        case ESPIPE:
        case EINVAL:
            return badSeek;
        case EIO:
            return hardIO;
        case EBUSY:
        case ETXTBSY:
            return sharingViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return diskFull;
        default:
            return genericException;
    }
}

void AfxThrowMemoryException() {
    // The heap may be exhausted: fall back to one shared instance that Delete() leaves alone.
    static CMemoryException s_simpleMemoryException(FALSE);
    CMemoryException* pException = new (std::nothrow) CMemoryException(TRUE);
    throw pException != nullptr ? pException : &s_simpleMemoryException;
}

void AfxThrowNotSupportedException() {
    throw new CNotSupportedException;
}

void AfxThrowResourceException() {
    throw new CResourceException;
}

void AfxThrowInvalidArgException() {
    throw new CInvalidArgException;
}

void AfxThrowArchiveException(int cause, LPCSTR lpszArchiveName) {
    throw new CArchiveException(cause, lpszArchiveName);
}

void AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}
