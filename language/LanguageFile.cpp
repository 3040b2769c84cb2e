// Reader of one language file: header checks, the line reader, line splitting and numbers.
#include "language/LanguageFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/win32/RegularFile.h"
#include "trace/Trace.h"

namespace {

// A line starts in a buffer of this size, which doubles whenever it is full, so a line of any
// length costs time in proportion to its length.
const size_t LINE_START_SIZE = 80;

// fopen reports through errno; the callers trace the platform's last-error value.
void SetLastErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
            SetLastError(ERROR_FILE_NOT_FOUND);
            break;
        case ENOTDIR:
            SetLastError(ERROR_PATH_NOT_FOUND);
            break;
        case EACCES:
        case EPERM:
            SetLastError(ERROR_ACCESS_DENIED);
            break;
        case ENOMEM:
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            break;
        default:
            SetLastError(ERROR_CANTOPEN);
            break;
    }
}

// fopen for a regular file only: a FIFO named *.lng would block the loader for good, a device
// would feed it endless or no lines. Anything else is refused as a directory is.
FILE* OpenStream(LPCSTR pszPath, LPCSTR pszMode) {
    int flags = O_RDONLY;
    if (std::strchr(pszMode, '+') != nullptr)
        flags = O_RDWR;
    else if (pszMode[0] == 'w' || pszMode[0] == 'a')
        flags = O_WRONLY;
    if (pszMode[0] == 'w')
        flags |= O_CREAT | O_TRUNC;
    else if (pszMode[0] == 'a')
        flags |= O_CREAT | O_APPEND;
    int fd = qrvfile::OpenRegularFile(pszPath, flags, 0666);
    if (fd < 0)
        return nullptr;
    FILE* pFile = ::fdopen(fd, pszMode);
    if (pFile == nullptr) {
        int err = errno;
        ::close(fd);
        errno = err;
    }
    return pFile;
}

}  // namespace

CLanguageFile::~CLanguageFile() {
    TRACE_DTOR_TID("CLanguageFile");
    CloseFile();
}

BOOL CLanguageFile::OpenFile(LPCSTR pszPath, LPCSTR pszMode) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("OpenFile", bResult);
    if (pszPath == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid file specification!\n");
        return bResult;
    }
    if (pszMode == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid mode specification!\n");
        return bResult;
    }
    CloseFile();
    QTRACE(TRACE_INFO, "Opening file '%s' in mode '%s'.\n", pszPath, pszMode);
    m_pFile = OpenStream(pszPath, pszMode);
    if (m_pFile == nullptr) {
        SetLastErrorFromErrno(errno);
        QTRACE(TRACE_ERROR, "fopen(%s, %s) failed!\n", pszPath, pszMode);
        return bResult;
    }
    m_lVersion = -1;
    if (!ReadVersion()) {
        QTRACE(TRACE_ERROR, "ReadVersion() failed!\n");
        return bResult;
    }
    if (!ReadLanguageID()) {
        QTRACE(TRACE_ERROR, "ReadLanguageID() failed!\n");
        return bResult;
    }
    bResult = TRUE;
    return bResult;
}

BOOL CLanguageFile::CloseFile() {
    BOOL bResult = TRUE;
    TRACE_FUNC_RESULT_TID("CloseFile", bResult);
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
        m_bEOF = FALSE;
    }
    return bResult;
}

// The end-of-file flag is the reader's, not the stream's: only CloseFile clears it, so a read after
// a rewind of a file that was read to its end comes back empty.
BOOL CLanguageFile::Rewind() {
    if (m_pFile == nullptr)
        return FALSE;
    std::rewind(m_pFile);
    return TRUE;
}

BOOL CLanguageFile::GetLine(LPSTR* ppszLine) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("GetLine", bResult);
    if (ppszLine == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid line pointer!\n");
        return bResult;
    }
    // The caller's previous line is always released here, so a caller that loops on one pointer
    // never keeps a stale or doubly owned buffer.
    std::free(*ppszLine);
    *ppszLine = nullptr;
    if (m_bEOF) {
        QTRACE(TRACE_WARNING, "WARN: Read behind end-of-file\n");
        bResult = TRUE;
        return bResult;
    }
    if (m_pFile == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: File not open!\n");
        return bResult;
    }

    size_t nSize = LINE_START_SIZE;
    size_t nUsed = 0;
    char* pBuffer = static_cast<char*>(std::calloc(nSize, 1));
    if (pBuffer == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to allocate more memory for text buffer!\n");
        return bResult;
    }
    for (;;) {
        int c = std::getc(m_pFile);
        if (c == EOF) {
            if (std::ferror(m_pFile)) {
                QTRACE(TRACE_ERROR, "Failed to read from file!\n");
                std::free(pBuffer);
                return bResult;
            }
            m_bEOF = TRUE;
            break;
        }
        if (c == '\r')
            continue;
        if (c == '\n')
            break;
        if (nSize - nUsed < 2) {
            // The bytes past the line stay zero, so the line is always terminated.
            char* pLarger =
                nSize <= SIZE_MAX / 2 ? static_cast<char*>(std::realloc(pBuffer, nSize * 2)) : nullptr;
            if (pLarger == nullptr) {
                QTRACE(TRACE_ERROR, "Failed to allocate more memory for text buffer!\n");
                std::free(pBuffer);
                return bResult;
            }
            std::memset(pLarger + nSize, 0, nSize);
            pBuffer = pLarger;
            nSize *= 2;
        }
        pBuffer[nUsed++] = static_cast<char>(c);
    }
    *ppszLine = pBuffer;
    bResult = TRUE;
    return bResult;
}

BOOL CLanguageFile::IsCharIn(char c, LPCSTR pszSet) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("IsCharIn", bResult);
    if (pszSet == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid set specisfication!\n");
        return bResult;
    }
    for (LPCSTR p = pszSet; *p != '\0'; ++p) {
        if (*p == c) {
            bResult = TRUE;
            break;
        }
    }
    return bResult;
}

BOOL CLanguageFile::SplitLine(LPCSTR pszLine, LPSTR* ppszHead, LPSTR* ppszTail, LPCSTR pszSeparators) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("SplitLine", bResult);
    if (pszLine == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid line specification!\n");
        return bResult;
    }
    if (pszSeparators == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid separator specification!\n");
        return bResult;
    }
    if (ppszHead == nullptr || ppszTail == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid line specification!\n");
        return bResult;
    }
    *ppszHead = nullptr;
    *ppszTail = nullptr;

    size_t nHead = 0;
    while (pszLine[nHead] != '\0' && !IsCharIn(pszLine[nHead], pszSeparators))
        ++nHead;
    if (nHead == 0) {
        QTRACE(TRACE_ERROR, "Failure: No head available!\n");
        return bResult;
    }
    if (pszLine[nHead] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: No separator found!\n");
        return bResult;
    }
    LPSTR pszHead = static_cast<LPSTR>(std::malloc(nHead + 1));
    if (pszHead == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate head!\n");
        return bResult;
    }
    std::memcpy(pszHead, pszLine, nHead);
    pszHead[nHead] = '\0';

    LPCSTR pszRest = pszLine + nHead;
    while (*pszRest != '\0' && IsCharIn(*pszRest, pszSeparators))
        ++pszRest;
    size_t nTail = std::strlen(pszRest);
    LPSTR pszTail = static_cast<LPSTR>(std::malloc(nTail + 1));
    if (pszTail == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate tail!\n");
        std::free(pszHead);
        return bResult;
    }
    std::memcpy(pszTail, pszRest, nTail + 1);
    *ppszHead = pszHead;
    *ppszTail = pszTail;
    bResult = TRUE;
    return bResult;
}

BOOL CLanguageFile::GetNumericValue(LPCSTR pszText, LONG* plValue) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("GetNumericValue", bResult);
    if (pszText == nullptr || plValue == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Called with NULL argument!\n");
        return bResult;
    }
    int64_t nValue = 0;
    for (LPCSTR p = pszText; *p != '\0' && *p != ' ' && *p != '\t'; ++p) {
        if (*p < '0' || *p > '9') {
            QTRACE(TRACE_ERROR, "Failure: Invalid number format!\n");
            return bResult;
        }
        nValue = nValue * 10 + (*p - '0');
        // A value beyond 32-bit signed is no number of this format; stop before it overflows.
        if (nValue > INT32_MAX) {
            QTRACE(TRACE_ERROR, "Failure: Invalid number format!\n");
            return bResult;
        }
    }
    *plValue = static_cast<LONG>(nValue);
    bResult = TRUE;
    return bResult;
}

BOOL CLanguageFile::ReadVersion() {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("ReadVersion", bResult);
    if (m_pFile == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: File not open!\n");
        return bResult;
    }
    Rewind();
    LPSTR pszLine = nullptr;
    if (!GetLine(&pszLine)) {
        QTRACE(TRACE_ERROR, "GetLine() failed!\n");
        return bResult;
    }
    if (pszLine == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: GetLine() returned NULL!\n");
        return bResult;
    }
    LPCSTR pszVersion = std::strstr(pszLine, "L_VER:");
    if (pszLine[0] != ';') {
        QTRACE(TRACE_ERROR, "Failure: Invalid file format!\n");
    } else if (pszVersion == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid file format (2)t!\n");
    } else if (pszVersion[6] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: Invalid file format(3)!\n");
    } else if (!GetNumericValue(pszVersion + 6, &m_lVersion)) {
        QTRACE(TRACE_ERROR, "GetNumericValue() failed!\n");
    } else {
        bResult = TRUE;
    }
    std::free(pszLine);
    return bResult;
}

BOOL CLanguageFile::ReadLanguageID() {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("ReadLanguageID", bResult);
    if (m_pFile == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: File not open!\n");
        return bResult;
    }
    // The scan leaves the read position where it found it; an end of file it met stays met.
    long nPosition = std::ftell(m_pFile);
    Rewind();

    LPSTR pszLine = nullptr;
    for (;;) {
        if (!GetLine(&pszLine)) {
            QTRACE(TRACE_ERROR, "GetLine() failed!\n");
            break;
        }
        if (pszLine == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: GetLine() returned NULL!\n");
            break;
        }
        if (pszLine[0] != ';')
            break;
        LPCSTR pszID = std::strstr(pszLine, "L_ID:");
        if (pszID == nullptr)
            continue;
        if (pszID[5] == '\0') {
            QTRACE(TRACE_ERROR, "Failure: Invalid file format(3)!\n");
        } else if (!GetNumericValue(pszID + 5, &m_lLanguageID)) {
            QTRACE(TRACE_ERROR, "GetNumericValue() failed!\n");
        } else {
            bResult = TRUE;
        }
        break;
    }
    std::free(pszLine);
    if (nPosition >= 0)
        std::fseek(m_pFile, nPosition, SEEK_SET);
    return bResult;
}

BOOL CLanguageFile::IsCapableToLoad(LPCSTR pszPath, LONG* plLanguageID) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("IsCapableToLoad", bResult);
    if (pszPath == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid file specification!\n");
        return bResult;
    }
    QTRACE(TRACE_INFO, "Opening file '%s' in mode 'r'.\n", pszPath);
    FILE* pFile = OpenStream(pszPath, "r");
    if (pFile == nullptr) {
        SetLastErrorFromErrno(errno);
        QTRACE(TRACE_ERROR, "fopen(%s, 'r') failed!\n", pszPath);
        return bResult;
    }

    // The check may run on a reader that has a file of its own open: keep that file's state, its end
    // of file included (the checked file's end says nothing about it). A reader without a file keeps
    // the end of file the check met until its next CloseFile, as a reopened file then reads nothing.
    FILE* pSavedFile = m_pFile;
    BOOL bSavedEOF = m_bEOF;
    LONG lSavedVersion = m_lVersion;
    LONG lSavedID = m_lLanguageID;
    m_pFile = pFile;
    if (pSavedFile != nullptr)
        m_bEOF = FALSE;
    m_lVersion = -1;

    if (!ReadVersion()) {
        QTRACE(TRACE_ERROR, "ReadVersion() failed!\n");
    } else if (!ReadLanguageID()) {
        QTRACE(TRACE_ERROR, "ReadLanguageID() failed!\n");
    } else {
        if (m_lVersion != 0) {
            QTRACE(TRACE_WARNING,
                   "WARNING: Unable to load language file \"%s\" for language %ld; Version number %d "
                   "unsupported!\n",
                   pszPath, m_lLanguageID, m_lVersion);
        } else {
            bResult = TRUE;
        }
        if (plLanguageID != nullptr)
            *plLanguageID = m_lLanguageID;
    }

    std::fclose(pFile);
    m_pFile = pSavedFile;
    if (pSavedFile != nullptr)
        m_bEOF = bSavedEOF;
    m_lVersion = lSavedVersion;
    m_lLanguageID = lSavedID;
    return bResult;
}
