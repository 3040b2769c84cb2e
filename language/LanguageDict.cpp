// The texts of every loaded language, and the list of the product's language files.
#include "language/LanguageDict.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "language/LanguageFile.h"
#include "platform/win32/FindFile.h"
#include "platform/win32/Registry.h"
#include "trace/Trace.h"

namespace {

// Display language 0 stands for the default, English.
const LONG DEFAULT_DISPLAY_LANGUAGE = 2057;

// The silent number rule of the id pass: digits up to the end, a blank or a TAB; a line whose
// number holds anything else, or is too large for 32 bits, is passed over.
bool ParseHeaderNumber(LPCSTR pszText, LONG* plValue) {
    int64_t nValue = 0;
    for (LPCSTR p = pszText; *p != '\0' && *p != ' ' && *p != '\t'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        nValue = nValue * 10 + (*p - '0');
        if (nValue > INT32_MAX)
            return false;
    }
    *plValue = static_cast<LONG>(nValue);
    return true;
}

// The longest value of an open key, in bytes.
LSTATUS QueryMaxValueLength(HKEY hKey, DWORD* pcbMax) {
    *pcbMax = 0;
    return RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            pcbMax, nullptr, nullptr);
}

// The id pass over a file opened with OpenFile (positioned at line 2): the last valid "L_ID:" of
// the header block wins.
BOOL ReadHeaderLanguageID(CLanguageFile& file, LPCSTR pszPath, LONG* plLanguageID) {
    BOOL bFound = FALSE;
    LPSTR pszLine = nullptr;
    while (!file.IsEOF()) {
        if (!file.GetLine(&pszLine)) {
            QTRACE(TRACE_ERROR, "GetLine() failed!\n");
            return FALSE;
        }
        if (pszLine == nullptr) {
            QTRACE(TRACE_ERROR, "Failed to read line!\n");
            return FALSE;
        }
        if (pszLine[0] != ';')
            break;
        LPCSTR pszID = std::strstr(pszLine, "L_ID:");
        LONG lCandidate = 0;
        if (pszID != nullptr && pszID[5] != '\0' && ParseHeaderNumber(pszID + 5, &lCandidate)) {
            *plLanguageID = lCandidate;
            bFound = TRUE;
        }
    }
    std::free(pszLine);
    if (!bFound)
        QTRACE(TRACE_ERROR, "Failed to get language number from file '%s'!\n", pszPath);
    return bFound;
}

}  // namespace

CLanguageDict::CLanguageDict() {
    TRACE_CTOR_TID("CLanguageDict");
}

CLanguageDict::~CLanguageDict() {
    TRACE_DTOR_TID("CLanguageDict");
    std::lock_guard<std::recursive_mutex> lock(m_Lock);
    for (auto& entry : m_Languages)
        delete entry.second;
    m_Languages.clear();
}

CLanguage* CLanguageDict::GetLanguageObj(LONG lLanguageID) {
    CLanguage* pLanguage = nullptr;
    TRACE_FUNC_RESULT_TID("GetLanguageObj", pLanguage);
    std::lock_guard<std::recursive_mutex> lock(m_Lock);
    auto it = m_Languages.find(lLanguageID);
    if (it == m_Languages.end()) {
        QTRACE(TRACE_INFO, "Language object for language %ld not present!\n", lLanguageID);
        return pLanguage;
    }
    if (it->second == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: NULL pointer found in language map!\n");
        return pLanguage;
    }
    pLanguage = it->second;
    return pLanguage;
}

BOOL CLanguageDict::Load(LPCSTR pszPath) {
    BOOL bResult = FALSE;
    TRACE_FUNC_RESULT_TID("Load", bResult);
    if (pszPath == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid file specification!\n");
        return bResult;
    }
    LONG lLanguageID = 0;
    {
        CLanguageFile file;
        if (!file.IsCapableToLoad(pszPath, nullptr)) {
            QTRACE(TRACE_WARNING, "Unable to load language file due.");
            return bResult;
        }
        if (!file.OpenFile(pszPath, "r")) {
            QTRACE(TRACE_ERROR, "Failed to open file %s (Error %d)!\n", pszPath, GetLastError());
            return bResult;
        }
        if (!ReadHeaderLanguageID(file, pszPath, &lLanguageID))
            return bResult;
    }

    // The texts are read into a fresh object outside the lock, so lookups of other languages go on
    // meanwhile, and a file that fails half-way never replaces a language that was complete.
    CLanguage* pLanguage = new (std::nothrow) CLanguage();
    if (pLanguage == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to create language object for language (no more free memory) %ld!\n",
               lLanguageID);
        return bResult;
    }
    if (!pLanguage->LoadLanguage(lLanguageID, pszPath)) {
        QTRACE(TRACE_ERROR, "LoadLanguage() failed!\n");
        delete pLanguage;
        return bResult;
    }
    CLanguage* pReplaced = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(m_Lock);
        CLanguage*& rSlot = m_Languages[lLanguageID];
        pReplaced = rSlot;
        rSlot = pLanguage;
    }
    delete pReplaced;
    bResult = TRUE;
    return bResult;
}

LPSTR CLanguageDict::GetLanguageText(LONG lLanguageID, LONG lTextID) {
    LPSTR pszText = nullptr;
    TRACE_FUNC_RESULT_TID("GetLanguageText", pszText);
    // Held until the text is copied: a reload may not delete the language under the lookup.
    std::lock_guard<std::recursive_mutex> lock(m_Lock);
    CLanguage* pLanguage = GetLanguageObj(lLanguageID);
    if (pLanguage == nullptr) {
        QTRACE(TRACE_ERROR, "Language %ld not present!\n", lLanguageID);
        return pszText;
    }
    if (!pLanguage->Lookup(lLanguageID, lTextID, &pszText)) {
        QTRACE(TRACE_ERROR, "Lookup() failed!\n");
        pszText = nullptr;
    }
    return pszText;
}

HRESULT CLanguageDict::GetLanguageFileDirectory(LPCSTR pszProduct, LPSTR* ppszDirectory) {
    HRESULT hr = E_INVALIDARG;
    TRACE_FUNC_RESULT_TID("GetLanguageFileDirectory", hr);
    if (pszProduct == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid product name specified!\n");
        return hr;
    }
    if (pszProduct[0] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: Empty product name specified!\n");
        return hr;
    }
    if (ppszDirectory == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid directory location specified!\n");
        return hr;
    }
    if (*ppszDirectory != nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Used directory location specified!\n");
        return hr;
    }

    std::string strKey = std::string(QRV_REGKEY_VENDOR) + pszProduct;
    HKEY hKey = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ, &hKey);
    if (status != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "RegOpenKeyEx(%s) failed: Error code %d\n", strKey.c_str(), status);
        hr = E_FAIL;
        return hr;
    }
    DWORD cbMax = 0;
    status = QueryMaxValueLength(hKey, &cbMax);
    if (status != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "RegQueryInfoKey(%s) failed: Error code %d\n", strKey.c_str(), status);
        hr = E_FAIL;
    } else {
        LPSTR pszDirectory = static_cast<LPSTR>(std::calloc(cbMax + 1, 1));
        DWORD cbData = cbMax;
        if (pszDirectory == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate directory name buffer!\n");
            hr = E_OUTOFMEMORY;
        } else if ((status = RegQueryValueExA(hKey, QRV_REGVAL_LANGDIR, nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(pszDirectory), &cbData)) !=
                   ERROR_SUCCESS) {
            QTRACE(TRACE_ERROR, "RegQueryValueEx(%s, %s) failed: Error code %d\n", strKey.c_str(),
                   QRV_REGVAL_LANGDIR, status);
            std::free(pszDirectory);
            hr = E_FAIL;
        } else {
            *ppszDirectory = pszDirectory;
            hr = S_OK;
        }
    }
    RegCloseKey(hKey);
    return hr;
}

HRESULT CLanguageDict::GetLanguageName(LONG lLanguageID, LPSTR* ppszName) {
    HRESULT hr = E_INVALIDARG;
    TRACE_FUNC_RESULT_TID("GetLanguageName", hr);
    if (ppszName == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return argument!\n");
        return hr;
    }
    *ppszName = nullptr;

    LONG lDisplay = m_lDisplayLanguage != 0 ? m_lDisplayLanguage : DEFAULT_DISPLAY_LANGUAGE;
    char szKey[64];
    char szValue[16];
    std::snprintf(szKey, sizeof(szKey), "%s\\%ld", QRV_REGKEY_LANGUAGES, static_cast<long>(lDisplay));
    std::snprintf(szValue, sizeof(szValue), "%ld", static_cast<long>(lLanguageID));

    HKEY hKey = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, KEY_READ, &hKey);
    if (status != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "RegOpenKeyEx() failed: Error code %d!\n", status);
        hr = E_FAIL;
        return hr;
    }
    DWORD cbMax = 0;
    status = QueryMaxValueLength(hKey, &cbMax);
    if (status != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "RegQueryInfoKey() failed: Error code %d!\n", status);
        hr = E_FAIL;
    } else {
        LPSTR pszName = static_cast<LPSTR>(std::calloc(cbMax + 1, 1));
        DWORD cbData = cbMax;
        if (pszName == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate language name buffer!\n");
            hr = E_OUTOFMEMORY;
        } else if ((status = RegQueryValueExA(hKey, szValue, nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(pszName), &cbData)) != ERROR_SUCCESS) {
            QTRACE(TRACE_ERROR, "RegQueryValueEx(%s, %s) failed: Error code %d!\n", szKey, szValue, status);
            std::free(pszName);
            hr = E_FAIL;
        } else {
            *ppszName = pszName;
            hr = S_OK;
        }
    }
    RegCloseKey(hKey);
    return hr;
}

HRESULT CLanguageDict::BuildSupportedLanguageInfo(LPCSTR pszDirectory, LPCSTR pszMask, LONG* plCount,
                                                  CLanguageInfo** ppList) {
    HRESULT hr = E_INVALIDARG;
    TRACE_FUNC_RESULT_TID("BuildSupportedLanguageInfo", hr);
    if (pszDirectory == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid language directory path specified!\n");
        return hr;
    }
    if (pszDirectory[0] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: Empty language directory path specified!\n");
        return hr;
    }
    if (ppList == nullptr || plCount == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid language info specified!\n");
        return hr;
    }
    *plCount = 0;
    *ppList = nullptr;

    // The directory is listed by its path: the process's current directory is never touched, so a
    // load on the loader thread that runs meanwhile is not affected. A directory written with a
    // trailing separator of either kind lists the same files as one without.
    std::string strDirectory(pszDirectory);
    while (strDirectory.size() > 1 && (strDirectory.back() == '/' || strDirectory.back() == '\\'))
        strDirectory.pop_back();
    if (strDirectory != "/")
        strDirectory += '/';
    std::string strPattern = strDirectory + (pszMask != nullptr ? pszMask : "*.lng");

    WIN32_FIND_DATAA findData;
    HANDLE hFind = FindFirstFileA(strPattern.c_str(), &findData);
    if (hFind == INVALID_HANDLE_VALUE) {
        QTRACE(TRACE_ERROR, "FindFirstFile() failed: Error code %ld\n", GetLastError());
        hr = E_FAIL;
        return hr;
    }

    CLanguageInfo* pList = nullptr;
    LONG lCount = 0;
    hr = S_OK;
    do {
        if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::string strPath = strDirectory + findData.cFileName;
        LONG lLanguageID = 0;
        {
            CLanguageFile file;
            if (!file.IsCapableToLoad(strPath.c_str(), &lLanguageID))
                continue;
        }

        CLanguageInfo* pNewList = new (std::nothrow) CLanguageInfo[lCount + 1];
        if (pNewList == nullptr) {
            QTRACE(TRACE_ERROR, "Failed to allocate next information entry!\n");
            hr = E_OUTOFMEMORY;
            break;
        }
        for (LONG i = 0; i < lCount && SUCCEEDED(hr); ++i) {
            LPSTR pszName = nullptr;
            LPSTR pszPath = nullptr;
            if (FAILED(hr = pList[i].GetLocalizedLanguageName(&pszName))) {
                QTRACE(TRACE_ERROR, "GetLocalizedLanguageName() failed: hr = 0x%08lx!\n", hr);
            } else if (FAILED(hr = pList[i].GetFileLocation(&pszPath))) {
                QTRACE(TRACE_ERROR, "GetFileLocation() failed: hr = 0x%08lx!\n", hr);
            } else if (FAILED(hr = pNewList[i].Init(pszName, pszPath, pList[i].GetLanguageID()))) {
                QTRACE(TRACE_ERROR, "Init() failed: hr = 0x%08lx!\n", hr);
            }
            std::free(pszName);
            std::free(pszPath);
        }
        delete[] pList;
        pList = pNewList;
        if (FAILED(hr))
            break;

        LPSTR pszName = nullptr;
        if (FAILED(hr = GetLanguageName(lLanguageID, &pszName))) {
            QTRACE(TRACE_ERROR, "GetLanguageName() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = pList[lCount].Init(pszName, strPath.c_str(), lLanguageID);
        std::free(pszName);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Init() failed: hr = 0x%08lx\n", hr);
            break;
        }
        ++lCount;
    } while (FindNextFileA(hFind, &findData));
    FindClose(hFind);

    if (FAILED(hr)) {
        delete[] pList;
        return hr;
    }
    *plCount = lCount;
    *ppList = pList;
    return hr;
}

HRESULT CLanguageDict::GetSupportedLanguageList(LPCSTR pszProduct, LONG lDisplayLanguage, LONG* plCount,
                                                CLanguageInfo** ppList, LPCSTR pszMask) {
    HRESULT hr = E_INVALIDARG;
    TRACE_FUNC_RESULT_TID("GetSupportedLanguageList", hr);
    if (pszProduct == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid product name specified!\n");
        return hr;
    }
    if (pszProduct[0] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: Empty product name specified!\n");
        return hr;
    }
    if (pszMask == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid mask specified!\n");
        return hr;
    }
    if (pszMask[0] == '\0') {
        QTRACE(TRACE_ERROR, "Failure: Empty mask specified!\n");
        return hr;
    }
    if (ppList == nullptr || plCount == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid language info pointer specified!\n");
        return hr;
    }
    *ppList = nullptr;
    *plCount = 0;

    LPSTR pszDirectory = nullptr;
    hr = GetLanguageFileDirectory(pszProduct, &pszDirectory);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetLanguageFileDirectory() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    // The names are read in the asked display language; the dictionary's own is put back after.
    LONG lPreviousDisplay = m_lDisplayLanguage;
    m_lDisplayLanguage = lDisplayLanguage;
    hr = BuildSupportedLanguageInfo(pszDirectory, pszMask, plCount, ppList);
    m_lDisplayLanguage = lPreviousDisplay;
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "BuildSupportedLanguageInfo() failed: hr = 0x%08lx\n", hr);
        *ppList = nullptr;
        *plCount = 0;
    }
    std::free(pszDirectory);
    return hr;
}
