// One entry of the list of supported languages: the language id, its name and its file.
#pragma once

#include "platform/win32/WinTypes.h"

// Elements live in arrays made with new[] and freed with delete[]; the holder keeps the count.
class CLanguageInfo {
public:
    CLanguageInfo() = default;
    ~CLanguageInfo();
    CLanguageInfo(const CLanguageInfo&) = delete;
    CLanguageInfo& operator=(const CLanguageInfo&) = delete;

    virtual HRESULT Init(LPCSTR pszName, LPCSTR pszPath, LONG lLanguageID);
    virtual HRESULT Init(LPCSTR pszName, LONG lLanguageID);
    virtual LONG GetLanguageID();
    // A heap copy of the name in the display language; E_FAIL when the entry holds none.
    virtual HRESULT GetLocalizedLanguageName(LPSTR* ppszName);
    // A heap copy of the file path; an empty text (not a failure) when the entry holds none.
    virtual HRESULT GetFileLocation(LPSTR* ppszPath);

    void Clear();

private:
    LPSTR m_pszLocalizedName = nullptr;
    LONG m_lLanguageID = 0;
    LPSTR m_pszFilePath = nullptr;
};
