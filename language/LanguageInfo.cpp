// One entry of the list of supported languages: the language id, its name and its file.
#include "language/LanguageInfo.h"

#include <cstdlib>
#include <cstring>

namespace {

LPSTR CopyText(LPCSTR pszText) {
    size_t nLength = std::strlen(pszText);
    LPSTR pszCopy = static_cast<LPSTR>(std::malloc(nLength + 1));
    if (pszCopy != nullptr)
        std::memcpy(pszCopy, pszText, nLength + 1);
    return pszCopy;
}

}  // namespace

CLanguageInfo::~CLanguageInfo() {
    Clear();
}

void CLanguageInfo::Clear() {
    std::free(m_pszLocalizedName);
    m_pszLocalizedName = nullptr;
    std::free(m_pszFilePath);
    m_pszFilePath = nullptr;
    m_lLanguageID = 0;
}

HRESULT CLanguageInfo::Init(LPCSTR pszName, LPCSTR pszPath, LONG lLanguageID) {
    Clear();
    if (pszPath == nullptr)
        return E_INVALIDARG;
    HRESULT hr = Init(pszName, lLanguageID);
    if (FAILED(hr))
        return hr;
    m_pszFilePath = CopyText(pszPath);
    if (m_pszFilePath == nullptr)
        return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT CLanguageInfo::Init(LPCSTR pszName, LONG lLanguageID) {
    Clear();
    if (pszName == nullptr)
        return E_INVALIDARG;
    m_pszLocalizedName = CopyText(pszName);
    if (m_pszLocalizedName == nullptr)
        return E_OUTOFMEMORY;
    m_lLanguageID = lLanguageID;
    return S_OK;
}

LONG CLanguageInfo::GetLanguageID() {
    return m_lLanguageID;
}

HRESULT CLanguageInfo::GetLocalizedLanguageName(LPSTR* ppszName) {
    if (ppszName == nullptr)
        return E_INVALIDARG;
    *ppszName = nullptr;
    if (m_pszLocalizedName == nullptr)
        return E_FAIL;
    *ppszName = CopyText(m_pszLocalizedName);
    return *ppszName != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLanguageInfo::GetFileLocation(LPSTR* ppszPath) {
    if (ppszPath == nullptr)
        return E_INVALIDARG;
    *ppszPath = CopyText(m_pszFilePath != nullptr ? m_pszFilePath : "");
    return *ppszPath != nullptr ? S_OK : E_OUTOFMEMORY;
}
