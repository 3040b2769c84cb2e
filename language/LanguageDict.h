// The texts of every loaded language, and the list of the product's language files.
#pragma once

#include <map>
#include <mutex>

#include "language/Language.h"
#include "language/LanguageInfo.h"
#include "platform/win32/WinTypes.h"

// Registry layout read here (local machine hive), written by the install step:
//   "Software\Ostrany\<product>"            value "LangDir": the language directory
//   "Software\Ostrany\Languages\<display>"  value "<id>": the name of language <id>
#define QRV_REGKEY_VENDOR "Software\\Ostrany\\"
#define QRV_REGKEY_LANGUAGES "Software\\Ostrany\\Languages"
#define QRV_REGVAL_LANGDIR "LangDir"

class CLanguageDict {
public:
    CLanguageDict();
    virtual ~CLanguageDict();
    CLanguageDict(const CLanguageDict&) = delete;
    CLanguageDict& operator=(const CLanguageDict&) = delete;

    // Loads one language file. Safe to call on one thread while others call GetLanguageText: the
    // language is read aside and swapped in whole, so a failed reload leaves the old texts.
    BOOL Load(LPCSTR pszPath);
    // A heap copy (malloc) of a text, or NULL; the caller frees it.
    LPSTR GetLanguageText(LONG lLanguageID, LONG lTextID);

    virtual HRESULT BuildSupportedLanguageInfo(LPCSTR pszDirectory, LPCSTR pszMask, LONG* plCount,
                                               CLanguageInfo** ppList);
    virtual HRESULT GetLanguageName(LONG lLanguageID, LPSTR* ppszName);
    // The language object of an id or NULL; owned by the dictionary and valid until the next Load
    // of that id, so use it only where no loader runs.
    virtual CLanguage* GetLanguageObj(LONG lLanguageID);
    virtual HRESULT GetLanguageFileDirectory(LPCSTR pszProduct, LPSTR* ppszDirectory);
    // The caller frees *ppList with delete[].
    virtual HRESULT GetSupportedLanguageList(LPCSTR pszProduct, LONG lDisplayLanguage, LONG* plCount,
                                             CLanguageInfo** ppList, LPCSTR pszMask);

    LONG GetDisplayLanguage() const { return m_lDisplayLanguage; }

private:
    LONG m_lDisplayLanguage = 0;
    std::map<LONG, CLanguage*> m_Languages;
    // Guards m_Languages and the texts in it: lookups come from the user-interface thread while
    // the loader thread enters languages. Never the module lock, which the loader holds for its
    // whole pass. Recursive, because GetLanguageText holds it around GetLanguageObj.
    std::recursive_mutex m_Lock;
};
