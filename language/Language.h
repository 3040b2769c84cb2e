// The texts of one language, keyed by text id.
#pragma once

#include <map>

#include "platform/win32/WinTypes.h"

class CLanguage {
public:
    CLanguage();
    virtual ~CLanguage();
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // Replaces the texts by those of a language file. On failure the texts read before the bad
    // line stay; the dictionary therefore loads into a fresh object and discards it then.
    BOOL LoadLanguage(LONG lLanguageID, LPCSTR pszPath);
    // A heap copy (malloc) of one text in *ppszText, or NULL and FALSE.
    BOOL Lookup(LONG lLanguageID, LONG lTextID, LPSTR* ppszText);
    virtual BOOL IsSelectorOK(LPCSTR pszSelector);
    virtual void Clear();

    LONG GetLanguageID() const { return m_lLanguageID; }
    size_t GetTextCount() const { return m_Texts.size(); }

private:
    BOOL ReadTexts(class CLanguageFile& file);

    LONG m_lLanguageID;
    std::map<LONG, LPSTR> m_Texts;
};
