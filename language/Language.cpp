// The texts of one language, keyed by text id, read from a language file.
#include "language/Language.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "language/LanguageFile.h"
#include "trace/Trace.h"

CLanguage::CLanguage() : m_lLanguageID(0) {
    TRACE_CTOR_TID("CLanguage");
}

CLanguage::~CLanguage() {
    TRACE_DTOR_TID("CLanguage");
    Clear();
}

void CLanguage::Clear() {
    TRACE_FUNC_VOID_TID("Clear");
    for (auto& entry : m_Texts)
        std::free(entry.second);
    m_Texts.clear();
}

BOOL CLanguage::IsSelectorOK(LPCSTR pszSelector) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("IsSelectorOK", bResult);
    if (pszSelector == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid selector specification!\n");
        return bResult;
    }
    int64_t nValue = 0;
    for (LPCSTR p = pszSelector; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            QTRACE(TRACE_ERROR, "Failure: Invalid selector format for \"%s\": Character '%c'!\n", p, *p);
            return bResult;
        }
        // Text ids are 32-bit signed: a longer number would wrap onto another text's id.
        nValue = nValue * 10 + (*p - '0');
        if (nValue > INT32_MAX) {
            QTRACE(TRACE_ERROR, "Failure: Selector \"%s\" is out of range!\n", pszSelector);
            return bResult;
        }
    }
    bResult = TRUE;
    return bResult;
}

// The text pass: every line after the header is empty, a ";" comment or "<id><separators><text>".
BOOL CLanguage::ReadTexts(CLanguageFile& file) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("ReadTexts", bResult);
    LPSTR pszLine = nullptr;
    for (;;) {
        if (!file.GetLine(&pszLine)) {
            QTRACE(TRACE_ERROR, "GetLine() failed!\n");
            break;
        }
        if (pszLine == nullptr) {
            bResult = TRUE;
            break;
        }
        if (pszLine[0] != ';' && pszLine[0] != '\0') {
            LPSTR pszHead = nullptr;
            LPSTR pszTail = nullptr;
            if (!file.SplitLine(pszLine, &pszHead, &pszTail, "\t ")) {
                QTRACE(TRACE_ERROR, "SplitLine() failed!\n");
                break;
            }
            if (!IsSelectorOK(pszHead)) {
                QTRACE(TRACE_ERROR, "IsSelectorOK() failed!\n");
                std::free(pszHead);
                std::free(pszTail);
                break;
            }
            LONG lTextID = static_cast<LONG>(std::strtol(pszHead, nullptr, 10));
            std::free(pszHead);
            auto it = m_Texts.find(lTextID);
            if (it != m_Texts.end()) {
                // A later line of the same id wins.
                std::free(it->second);
                it->second = pszTail;
            } else {
                m_Texts.emplace(lTextID, pszTail);
            }
        }
        if (file.IsEOF()) {
            bResult = TRUE;
            break;
        }
    }
    std::free(pszLine);
    return bResult;
}

BOOL CLanguage::LoadLanguage(LONG lLanguageID, LPCSTR pszPath) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("LoadLanguage", bResult);
    if (pszPath == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid file specification!\n");
        return bResult;
    }
    Clear();
    m_lLanguageID = lLanguageID;
    CLanguageFile file;
    if (!file.OpenFile(pszPath, "r")) {
        QTRACE(TRACE_ERROR, "Failed to open file %s (Error %d)!\n", pszPath, GetLastError());
        return bResult;
    }
    bResult = ReadTexts(file);
    return bResult;
}

BOOL CLanguage::Lookup(LONG lLanguageID, LONG lTextID, LPSTR* ppszText) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("Lookup", bResult);
    if (ppszText == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid text specification!\n");
        return bResult;
    }
    *ppszText = nullptr;
    if (lLanguageID != m_lLanguageID) {
        QTRACE(TRACE_ERROR, "Failure: Language %ld required, but language %ld loaded!\n", lLanguageID,
               m_lLanguageID);
        return bResult;
    }
    auto it = m_Texts.find(lTextID);
    if (it == m_Texts.end()) {
        QTRACE(TRACE_WARNING, "WARNING: Text %ld for language %ld not present!\n", lTextID, lLanguageID);
        return bResult;
    }
    size_t nLength = std::strlen(it->second);
    LPSTR pszCopy = static_cast<LPSTR>(std::malloc(nLength + 1));
    if (pszCopy == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for text!\n");
        return bResult;
    }
    std::memcpy(pszCopy, it->second, nLength + 1);
    *ppszText = pszCopy;
    bResult = TRUE;
    return bResult;
}
