// CPropertyID: the base of the compared properties, with its reference count and INI lookups.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/win32/WinTypes.h"

struct IMsgStore;

// Property kinds answered by GetType; the type list is keyed by them.
#define PT_BASE_TYPE 0
#define PT_STD_TYPE 1
#define PT_NAMED_TYPE 2

// The INI tables. KeyTable.ini and Exclusion.ini are named without a path, so the private-profile
// functions look for them in the Windows directory; Defaults.ini lies beside the program.
#define KEYTABLE_INI_FILE "KeyTable.ini"
#define EXCLUSION_INI_FILE "Exclusion.ini"
#define DEFAULTS_INI_FILE "Defaults.ini"

class CPropertyID : public CObject {
    DECLARE_SERIAL(CPropertyID)

public:
    CPropertyID();
    explicit CPropertyID(DWORD dwContext);

    // ---- virtual slots, in their order (after GetRuntimeClass) ----
    ~CPropertyID() override;
    void Serialize(CArchive& ar) override;
    // TRUE when Defaults.ini selects the property in the section.
    virtual HRESULT IsDefSelectedProperty(BOOL* pbSelected, LPCSTR pszSection);
    // TRUE when Exclusion.ini excludes the property in the section.
    virtual HRESULT IsExcludedProperty(BOOL* pbExcluded, LPCSTR pszSection);
    // The display name (a malloc copy, or null when excluded or without a text number).
    virtual HRESULT GetShortPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile);
    virtual int GetType();
    // The property's tag in lpStore (standard properties need no store).
    virtual HRESULT GetPropertyID(IMsgStore* lpStore, ULONG* pulTag);
    // The text number of the display name in pszIniFile (0: none).
    virtual HRESULT GetTextID(LONG* plTextID, LPCSTR pszSection, LPCSTR pszIniFile);
    // The key of the property in the INI tables, as a malloc copy.
    virtual HRESULT BuildTextSelector(LPSTR* ppszSelector);

    // ---- non-virtual ----
    void Init();
    void SetSelected(BOOL bSelected) { m_bSelected = bSelected; }
    BOOL IsSelected() const { return m_bSelected; }
    DWORD GetContext() const { return m_dwContext; }
    LONG AddRef();
    LONG Release();

    // Where Defaults.ini is looked for (empty until the program's path was found).
    static const char* GetDefaultsFilePath();

protected:
    // Reads an integer of an INI table under the section and this property's selector.
    HRESULT ReadIniFlag(BOOL* pbFlag, LPCSTR pszSection, LPCSTR pszFile);
    // The display-name lookup; without a text number the name is null, or the text selector when
    // bSelectorAsName is set (named properties show their selector rather than nothing).
    HRESULT LookupPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile, BOOL bSelectorAsName);

private:
    LONG m_lRefCount;
    DWORD m_dwContext;
    BOOL m_bSelected;
};
